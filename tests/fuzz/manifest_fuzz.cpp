// Fuzz target for the update manifest reader and the updater's line handling.
// fuzz-sources: base/text.cpp base/paths.cpp base/units.cpp startup/manifest.cpp
// fuzz-sources: startup/update_integrity.cpp startup/manifest_policy.cpp
// fuzz-sources: startup/update_handoff.cpp updater/update_pass.cpp updater/progress_bar_model.cpp
// fuzz-sources: updater/command_line_check.cpp
// fuzz-seed: version=1.1.0\r\nq|http://h/g/qorv.exe\r\n
// fuzz-seed: VERSION = 2\nq|http://h/a\nr|http://h/..\\x\n
// fuzz-seed: \xef\xbb\xbfversion=1\rq|x|y\r
// fuzz-seed: version=1.2.3\r\nEXPIRES=2027-02-28\r\nexpires = 2028-02-29\n
// fuzz-seed-files: demo/site/gamehome/qorv/update*.txt
//
// Checks, for any bytes: splitting in chunks of any size gives the lines of a one-shot split; a
// version value is trimmed; every accepted file line names a file directly inside the client's
// directory; in a signed manifest every accepted line has a digest and a rejected one yields no
// file; a signature file is accepted only in its one shape; a version or expiry date is accepted
// only in its one shape and reads back as it was written; no manifest is accepted unsigned, and
// an accepted one names a newer version and a date not reached; the progress fill stays on its
// track.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "startup/manifest.h"
#include "startup/manifest_policy.h"
#include "startup/update_handoff.h"
#include "startup/update_integrity.h"
#include "updater/progress_bar_model.h"
#include "updater/update_pass.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using qorv::fuzz::Check;

std::wstring Latin1(std::string_view bytes) {
  std::wstring out;
  for (unsigned char c : bytes) out += static_cast<wchar_t>(c);
  return out;
}

int32_t Int32At(const uint8_t* data, size_t size, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = (v << 8) | (at + i < size ? data[at + i] : 0);
  int32_t out;
  std::memcpy(&out, &v, sizeof(out));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using namespace qorv::startup;
  using namespace qorv::updater;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Chunked splitting agrees with the one-shot split, whatever the chunk size.
  std::vector<std::string> whole = SplitManifestLines(bytes);
  size_t chunk = size == 0 ? 1 : (data[0] % 17) + 1;
  std::vector<std::string> pieces;
  ManifestLineSplitter splitter([&](std::string_view line) {
    pieces.emplace_back(line);
    return true;
  });
  for (size_t i = 0; i < size; i += chunk) splitter.Feed(bytes.substr(i, chunk));
  splitter.Finish();
  Check(pieces == whole);
  for (const auto& line : whole) {
    Check(line.size() <= ManifestLineSplitter::kMaxLineBytes);
    Check(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos);
  }

  for (int decoding = 0; decoding < 2; ++decoding) {
    std::vector<std::wstring> lines;
    for (const auto& line : whole) lines.push_back(decoding ? Utf8ToWide(line) : Latin1(line));

    if (auto version = FindVersionValue(lines)) {
      Check(version->empty() || (version->front() != L' ' && version->back() != L' '));
    }

    const std::wstring dir = L"C:\\Client\\";
    UpdatePlan plan = PlanUpdate(ParseUpdaterCommandLine(L"C:\\Client|C:\\Client\\qorv.exe"),
                                 lines);
    Check(plan.files.size() + plan.skipped.size() == lines.size());
    for (const auto& file : plan.files) {
      Check(IsSafeFileName(file.fileName));
      Check(file.target == dir + file.fileName);
      Check(file.fileName.find_first_of(L"\\/:") == std::wstring::npos);
      Check(file.fileName.find(L"..") == std::wstring::npos);
    }

    UpdatePlan signedPlan = PlanUpdate(
        ParseUpdaterCommandLine(L"C:\\Client|C:\\Client\\qorv.exe"), lines, ManifestTrust::Signed);
    Check(signedPlan.files.size() <= plan.files.size());
    for (const auto& file : signedPlan.files) Check(file.digest.has_value());
    Check(PlanUpdate(plan.command, lines, ManifestTrust::Rejected).files.empty());

    for (const auto& line : lines) {
      // A value read as a version or a date is exactly its canonical text, up to leading zeros.
      std::wstring value = TrimSpaces(line.substr(std::min<size_t>(8, line.size())));
      if (auto version = ParseProductVersion(value)) {
        Check(ParseProductVersion(ProductVersionText(*version)) == version);
        Check(value.find_first_not_of(L"0123456789.") == std::wstring::npos);
      }
      if (auto date = ParseExpiresLine(line)) {
        Check(IsExpiresLine(line));
        Check(date->month >= 1 && date->month <= 12 && date->day >= 1 && date->day <= 31);
        Check(date->year >= 1970 && date->year <= 9999);
      }
    }
    int64_t now = static_cast<int64_t>(static_cast<uint32_t>(Int32At(data, size, 2))) * 4;
    for (auto status : {SignatureStatus::Missing, SignatureStatus::Malformed,
                        SignatureStatus::Invalid}) {
      Check(!DecideManifest(lines, status, L"0.0.0", now).Accepted());
    }
    ManifestDecision decision = DecideManifest(lines, SignatureStatus::Valid, L"1.1.0", now);
    if (decision.Accepted()) {
      Check(decision.published && *decision.published > ProductVersion{1, 1, 0});
      Check(decision.expires && !IsExpiredAt(*decision.expires, now));
    }
    Check(!DescribeManifestDecision(decision, L"1.1.0").empty());

    // The first line as an updater command line: field 0 always ends in a backslash.
    if (!lines.empty()) {
      UpdaterCommand command = ParseUpdaterCommandLine(lines[0]);
      Check(command.directory.empty() || command.directory.back() == L'\\');
      Check(command.clientFile.find(L'|') == std::wstring::npos);
      std::wstring built = BuildUpdaterCommandLine(lines[0]);
      Check(built.find(L'|') != std::wstring::npos);
    }
  }

  if (auto signature = ParseSignatureFile(bytes)) {
    Check(size >= 128 && size <= kMaxSignatureFileBytes);
    Check(size == 128 || bytes[128] == '\n' || (bytes[128] == '\r' && bytes[129] == '\n'));
  }
  if (auto key = ParsePublicKey(bytes)) Check(size == 128);

  int width = static_cast<int>(static_cast<uint16_t>(Int32At(data, size, 1)));
  int32_t min = Int32At(data, size, 3), max = Int32At(data, size, 7),
          value = Int32At(data, size, 11);
  int x = ProgressFillEnd(width, min, max, value);
  Check(x >= 1 && x <= (width > 1 ? width - 1 : 1));
  for (const SkinCopy& copy : ProgressBarCopies(width, min, max, value)) Check(copy.dstWidth > 0);
  return 0;
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/manifest.h"
#include "startup/update_integrity.h"
#include "updater/update_pass.h"

namespace qorv::startup {
namespace {

const std::wstring kHex = L"9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const Sha256Digest kDigest = {0x9f, 0x86, 0xd0, 0x81, 0x88, 0x4c, 0x7d, 0x65, 0x9a, 0x2f, 0xea,
                              0xa0, 0xc5, 0x5a, 0xd0, 0x15, 0xa3, 0xbf, 0x4f, 0x1b, 0x2b, 0x0b,
                              0x82, 0x2c, 0xd1, 0x5d, 0x6c, 0x15, 0xb0, 0xf0, 0x0a, 0x08};

std::wstring Upper(std::wstring s) {
  for (auto& c : s) {
    if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return s;
}

TEST(UpdateDigestField, ThirdFieldOfAFileLine) {
  std::wstring mixed = kHex;
  mixed[0] = L'F';
  mixed[63] = L'8';
  Sha256Digest mixedDigest = kDigest;
  mixedDigest[0] = 0xFf;
  struct Case {
    std::wstring line;
    FileLineKind kind;
    std::optional<Sha256Digest> digest;
  } cases[] = {
      {L"a|http://h/a.bin", FileLineKind::File, std::nullopt},  // as before: no digest
      {L"a|http://h/a.bin|", FileLineKind::File, std::nullopt},  // an empty field is none
      {L"a|http://h/a.bin|   ", FileLineKind::File, std::nullopt},
      {L"a|http://h/a.bin|" + kHex, FileLineKind::File, kDigest},
      {L"a|http://h/a.bin|" + Upper(kHex), FileLineKind::File, kDigest},
      {L"a|http://h/a.bin|" + mixed, FileLineKind::File, mixedDigest},
      {L"a|http://h/a.bin|  " + kHex + L"  ", FileLineKind::File, kDigest},
      {L"a| http://h/a.bin |" + kHex + L"|later|fields", FileLineKind::File, kDigest},
      {L"a|http://h/a.bin|" + kHex.substr(0, 63), FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|" + kHex + L"0", FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|" + kHex.substr(0, 32), FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|g" + kHex.substr(1), FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|" + kHex.substr(0, 30) + L" " + kHex.substr(31),
       FileLineKind::BadDigest, std::nullopt},  // a space inside
      {L"a|http://h/a.bin|\uFF10" + kHex.substr(1), FileLineKind::BadDigest,
       std::nullopt},  // a full-width digit is no hex digit
      {L"a|http://h/a.bin|0x" + kHex.substr(2), FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|sha256:" + kHex, FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/a.bin|\t" + kHex, FileLineKind::BadDigest, std::nullopt},
      {L"a|http://h/..|" + kHex, FileLineKind::UnsafeName, std::nullopt},  // the name first
  };
  for (const auto& c : cases) {
    FileLine got = ParseFileLine(c.line);
    EXPECT_EQ(got.kind, c.kind) << testing::PrintToString(
        std::string(c.line.begin(), c.line.end()));
    EXPECT_EQ(got.digest, c.digest) << std::string(c.line.begin(), c.line.end());
    if (c.kind == FileLineKind::File) {
      EXPECT_EQ(got.url, L"http://h/a.bin");
    }
  }
}

TEST(UpdateDigestField, ASignedManifestNeedsADigestOnEveryFileLine) {
  EXPECT_EQ(ParseFileLine(L"a|http://h/a.bin", ManifestTrust::Signed).kind, FileLineKind::NoDigest);
  EXPECT_EQ(ParseFileLine(L"a|http://h/a.bin|", ManifestTrust::Signed).kind,
            FileLineKind::NoDigest);
  EXPECT_EQ(ParseFileLine(L"a|http://h/a.bin|" + kHex, ManifestTrust::Signed).kind,
            FileLineKind::File);
  EXPECT_EQ(ParseFileLine(L"a|http://h/a.bin|xyz", ManifestTrust::Signed).kind,
            FileLineKind::BadDigest);
  EXPECT_EQ(ParseFileLine(L"version=2", ManifestTrust::Signed).kind, FileLineKind::VersionLine);
}

TEST(UpdateSignatureFile, OnlyHexOfRThenS) {
  const std::string hex128 =
      "d530dd3a484b6624d8b795047f93ba41c88cffe8c79fefec88479b78b1a17fca"
      "7c25e333c04d273bf36e6d4b7cdedd40b1e5696cc4f52393f27db6724803a9bf";
  std::string upper = hex128;
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto parsed = ParseSignatureFile(hex128);
  ASSERT_TRUE(parsed);
  EXPECT_EQ((*parsed)[0], 0xd5);
  EXPECT_EQ((*parsed)[63], 0xbf);
  for (const std::string& ok : {hex128 + "\n", hex128 + "\r\n", upper}) {
    EXPECT_EQ(ParseSignatureFile(ok), parsed) << ok;
  }
  std::string raw(reinterpret_cast<const char*>(parsed->data()), parsed->size());
  std::string withNul = hex128;
  withNul[10] = '\0';
  for (const std::string& bad :
       {std::string(), hex128.substr(0, 127), hex128.substr(0, 64), hex128 + "0",
        hex128 + "\n\n", hex128 + "\r", hex128 + " ", " " + hex128, "\n" + hex128,
        "04" + hex128, raw, withNul,
        std::string("<html><body><h1>404 Not Found</h1></body></html>\r\n"),
        std::string(1 << 20, 'a'), hex128 + hex128}) {
    EXPECT_FALSE(ParseSignatureFile(bad)) << testing::PrintToString(bad.substr(0, 80));
  }
}

TEST(UpdatePublicKey, ExactlyXThenY) {
  std::string x(64, '1'), y(64, 'A');
  auto key = ParsePublicKey(x + y);
  ASSERT_TRUE(key);
  EXPECT_EQ((*key)[0], 0x11);
  EXPECT_EQ((*key)[63], 0xAA);
  for (const std::string& bad : {std::string(), "04" + x + y, x + y + "\n", x, x + y + "0",
                                 "z" + x.substr(1) + y}) {
    EXPECT_FALSE(ParsePublicKey(bad)) << bad;
  }
  EXPECT_EQ(DigestHex(kDigest), kHex);
}

// Signature x digest: what becomes of one file line, from the manifest's trust to whether the
// downloaded file may replace its target (and be opened). No signature, no manifest.
TEST(UpdateDecision, SignatureAndDigest) {
  enum Digest { Absent, Matching, Differing };
  enum Result { NoManifest, Skipped, Kept, Discarded };
  using S = SignatureStatus;
  struct Case {
    S signature;
    Digest digest;
    Result result;
  } cases[] = {
      {S::Missing, Absent, NoManifest},   {S::Missing, Matching, NoManifest},
      {S::Missing, Differing, NoManifest},
      {S::Malformed, Absent, NoManifest}, {S::Malformed, Matching, NoManifest},
      {S::Malformed, Differing, NoManifest},
      {S::Invalid, Absent, NoManifest},   {S::Invalid, Matching, NoManifest},
      {S::Invalid, Differing, NoManifest},
      {S::Valid, Absent, Skipped},        {S::Valid, Matching, Kept},
      {S::Valid, Differing, Discarded},
  };
  Sha256Digest other = kDigest;
  other[31] ^= 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "signature " << static_cast<int>(c.signature)
                                    << " digest " << c.digest);
    ManifestTrust trust = TrustOf(c.signature);
    Result got;
    if (trust == ManifestTrust::Rejected) {
      got = NoManifest;
    } else {
      FileLine line = ParseFileLine(
          c.digest == Absent ? std::wstring(L"a|http://h/a.bin") : L"a|http://h/a.bin|" + kHex,
          trust);
      if (line.kind != FileLineKind::File) {
        got = Skipped;
      } else {
        std::optional<Sha256Digest> received = c.digest == Differing ? other : kDigest;
        got = MayKeep(true, line.digest, received) ? Kept : Discarded;
      }
    }
    EXPECT_EQ(got, c.result);
  }
  // Only a whole file is ever kept, digest or not; a digest that could not be computed is no match.
  EXPECT_FALSE(MayKeep(false, std::nullopt, std::nullopt));
  EXPECT_FALSE(MayKeep(false, kDigest, kDigest));
  EXPECT_FALSE(MayKeep(true, kDigest, std::nullopt));
}

using updater::ClosingMessage;
using updater::IUpdateActions;
using updater::PlanUpdate;
using updater::PlannedFile;
using updater::RunUpdatePass;
using updater::kUpdateFailedText;
using updater::kUpdatedText;

class DigestActions : public IUpdateActions {
 public:
  std::vector<std::wstring> downloaded;
  void ShowFile(const std::wstring&) override {}
  bool Fetch(const PlannedFile& file) override {
    downloaded.push_back(file.target);
    // The file on the server matches whatever its line says, except "bad.bin".
    return !(file.digest && file.target.ends_with(L"bad.bin"));
  }
  bool Replaceable(const PlannedFile&) override { return true; }
  bool Replace(const PlannedFile&) override { return true; }
  bool ExitRequested() const override { return false; }
};

TEST(UpdateDecision, PassesOverSignedAndRejectedManifests) {
  const auto command = ParseUpdaterCommandLine(L"C:\\Q|C:\\Q\\qorv.exe");
  struct Case {
    const char* what;
    std::vector<std::wstring> manifest;
    ManifestTrust trust;
    std::vector<std::wstring> downloaded;
    const wchar_t* opened;
    const wchar_t* message;
  } cases[] = {
      {"signed, every line with a digest", {L"version=2", L"a|http://h/a.dat|" + kHex,
                                            L"b|http://h/b.exe|" + kHex},
       ManifestTrust::Signed, {L"C:\\Q\\a.dat", L"C:\\Q\\b.exe"}, L"C:\\Q\\b.exe", kUpdatedText},
      {"signed, a line without one: nothing is fetched, the update incomplete",
       {L"version=2", L"a|http://h/a.dat|" + kHex, L"b|http://h/b.exe"}, ManifestTrust::Signed,
       {}, L"", kUpdateFailedText},
      {"signed, the last file does not match: nothing is opened",
       {L"version=2", L"a|http://h/a.dat|" + kHex, L"b|http://h/bad.bin|" + kHex},
       ManifestTrust::Signed, {L"C:\\Q\\a.dat", L"C:\\Q\\bad.bin"}, L"", kUpdateFailedText},
      {"unsigned, lines with and without digests", {L"version=2", L"a|http://h/a.dat",
                                                    L"b|http://h/bad.bin|" + kHex},
       ManifestTrust::Unsigned, {L"C:\\Q\\a.dat", L"C:\\Q\\bad.bin"}, L"", kUpdateFailedText},
      {"unsigned, a malformed digest: nothing is fetched", {L"version=2", L"a|http://h/a.dat|12",
                                                            L"b|http://h/b.dat"},
       ManifestTrust::Unsigned, {}, L"", kUpdateFailedText},
      {"rejected: nothing fetched, nothing opened, not reported as done",
       {L"version=2", L"a|http://h/a.dat|" + kHex}, ManifestTrust::Rejected, {}, L"",
       kUpdateFailedText},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto plan = PlanUpdate(command, c.manifest, c.trust);
    DigestActions actions;
    auto outcome = RunUpdatePass(plan, actions);
    EXPECT_EQ(actions.downloaded, c.downloaded);
    EXPECT_EQ(outcome.opened, c.opened);
    EXPECT_STREQ(ClosingMessage(outcome), c.message);
    EXPECT_FALSE(outcome.removeClientFile && c.message != kUpdatedText);
  }
}

}  // namespace
}  // namespace qorv::startup

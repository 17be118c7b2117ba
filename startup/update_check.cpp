#include "startup/update_check.h"

#include <shellapi.h>

#include <array>

#include "base/version.h"
#include "base/win/environment.h"
#include "base/win/form.h"
#include "base/win/handles.h"
#include "base/win/log.h"
#include "startup/download.h"
#include "startup/load_frm.h"
#include "startup/manifest.h"
#include "startup/public_data.h"
#include "startup/update_handoff.h"
#include "startup/update_signature.h"

namespace qorv {
namespace {

std::wstring Decode(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
  return text;
}

}  // namespace

namespace {

// Bytes in, decoded lines out: the code page is chosen by the first bytes.
class ManifestDecoder {
 public:
  explicit ManifestDecoder(const ManifestLineSink& onLine)
      : m_splitter([this, &onLine](std::string_view line) {
          return onLine(Decode(line, m_codePage));
        }) {}
  bool Feed(std::string_view chunk) {
    if (m_first) {
      ManifestStart start = DetectManifestEncoding(chunk);
      if (start.encoding == ManifestEncoding::Utf8) m_codePage = CP_UTF8;
      chunk.remove_prefix(start.skip);
      m_first = false;
    }
    return m_splitter.Feed(chunk);
  }
  void Finish() { m_splitter.Finish(); }

 private:
  UINT m_codePage = CP_ACP;
  bool m_first = true;
  ManifestLineSplitter m_splitter;
};

// Hands a file's bytes over in chunks until `chunk` returns false. False when it cannot be opened.
bool ReadFileChunks(const std::wstring& path,
                    const std::function<bool(std::string_view chunk)>& chunk) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::array<char, 8192> buffer;
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                    nullptr) ||
        read == 0 || !chunk(std::string_view(buffer.data(), read))) {
      return true;
    }
  }
}

struct FileBytes {
  bool found = false;
  bool tooLarge = false;
  std::string bytes;
};

// A whole file, if it has no more than `limit` bytes.
FileBytes ReadSmallFile(const std::wstring& path, size_t limit) {
  FileBytes out;
  out.found = ReadFileChunks(path, [&](std::string_view chunk) {
    if (out.bytes.size() + chunk.size() > limit) {
      out.tooLarge = true;
      out.bytes.clear();
      return false;
    }
    out.bytes.append(chunk);
    return true;
  });
  return out;
}

}  // namespace

bool ReadManifestFile(const std::wstring& path, const ManifestLineSink& onLine) {
  ManifestDecoder decoder(onLine);
  bool stopped = false;
  bool found = ReadFileChunks(path, [&](std::string_view chunk) {
    stopped = !decoder.Feed(chunk);
    return !stopped;
  });
  if (found && !stopped) decoder.Finish();
  return found;
}

ManifestReading ReadTrustedManifest(const std::wstring& path,
                                    const std::optional<P256PublicKey>& key,
                                    const ManifestLineSink& onLine) {
  ManifestReading reading;
  if (!key) {
    reading.found = ReadManifestFile(path, onLine);
    return reading;
  }
  // One reading: the bytes that are verified are the bytes that are used.
  FileBytes manifest = ReadSmallFile(path, kMaxSignedManifestBytes);
  reading.found = manifest.found;
  if (!manifest.found) return reading;
  std::wstring signaturePath = path + L".sig";
  FileBytes signature = ReadSmallFile(signaturePath, kMaxSignatureFileBytes);
  if (manifest.tooLarge) {
    reading.signature = SignatureStatus::Invalid;
  } else if (!signature.found) {
    reading.signature = SignatureStatus::Missing;
  } else if (signature.tooLarge) {
    reading.signature = SignatureStatus::Malformed;
  } else {
    reading.signature = CheckManifestSignature(*key, manifest.bytes, signature.bytes);
  }
  reading.trust = TrustOf(true, reading.signature);
  if (reading.trust == ManifestTrust::Rejected) {
    win::LogError(L"update: \"" + path + L"\" is not taken: its signature is " +
                  SignatureStatusName(reading.signature) +
                  (manifest.tooLarge ? L" (the manifest is too large)" : L""));
    return reading;
  }
  ManifestDecoder decoder(onLine);
  if (decoder.Feed(manifest.bytes)) decoder.Finish();
  return reading;
}

int64_t UtcNowSeconds() {
  constexpr int64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kEpochTicks = 116'444'736'000'000'000;  // 1601-01-01 to 1970-01-01
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return (static_cast<int64_t>(ticks.QuadPart) - kEpochTicks) / kTicksPerSecond;
}

std::optional<std::wstring> FetchPublishedVersion(CKpDownLoadFile& download,
                                                  const std::optional<P256PublicKey>& key) {
  std::wstring dir = GetTempDir();
  if (dir.empty()) {
    win::LogError(L"update check: no temporary directory");
    return std::nullopt;
  }
  std::wstring manifest = dir + kManifestFileName;
  std::wstring url = win::CurrentEndpoints().ManifestUrl();
  // The result does not matter: a manifest an earlier run left is the fallback.
  bool fetched = download.DownLoadFile(url, manifest, true, false);
  if (key) {
    std::wstring signature = dir + kSignatureFileName;
    bool signatureFetched = download.DownLoadFile(url + L".sig", signature, true, false);
    // A fresh manifest without a signature is unsigned, whatever an earlier run left.
    if (fetched && !signatureFetched) {
      ::SetFileAttributesW(signature.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(signature.c_str());
    }
  }
  std::optional<std::wstring> version;
  ManifestReading reading = ReadTrustedManifest(manifest, key, [&](std::wstring_view line) {
    if (!IsVersionLine(line)) return true;
    version = VersionValueOf(line);
    return false;
  });
  if (!reading.found) win::LogInfo(L"update check: no manifest at " + manifest);
  return version;
}

bool HandOffToUpdater() {
  std::wstring dir = GetTempDir();
  std::wstring exe = win::ExecutablePath();
  if (dir.empty() || exe.empty()) {
    win::LogError(L"update hand-off: no temporary directory or executable path");
    return false;
  }
  std::wstring updater = dir + kUpdaterFileName;
  if (!SaveResFile(kUpdaterResourceId, kUpdaterResourceType, updater)) return false;
  std::wstring parameters = BuildUpdaterCommandLine(exe);
  win::LogInfo(L"update hand-off: " + updater + L" " + parameters);
  auto code = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", updater.c_str(),
                                                        parameters.c_str(), nullptr,
                                                        SW_SHOWNORMAL));
  if (code <= 32) {
    win::LogError(L"update hand-off: the updater did not start (" + std::to_wstring(code) + L")");
    return false;
  }
  return true;
}

void CheckUpdate() {
  CKpDownLoadFile download;
  std::optional<std::wstring> published = FetchPublishedVersion(download, BuiltInUpdateKey());
  if (!published || !IsNewVersion(*published, RunningVersion())) return;
  int answer = ::MessageBoxW(nullptr, kNewVersionQuestion, kUpdateTitle,
                             MB_ICONQUESTION | MB_YESNO);
  if (answer != IDYES) return;
  HandOffToUpdater();
  win::Application::EndAtOnce();
}

UpdateCommand::UpdateCommand(HandOff handOff)
    : m_handOff(std::move(handOff)), m_alive(std::make_shared<bool>(true)) {}

UpdateCommand::~UpdateCommand() { *m_alive = false; }

void UpdateCommand::Run(IUpdateHost& host) {
  std::shared_ptr<bool> alive = m_alive;
  if (!m_download) m_download = std::make_unique<CKpDownLoadFile>();
  std::optional<std::wstring> published = FetchPublishedVersion(*m_download, BuiltInUpdateKey());
  // Messages ran during the download: the window may be gone, and this object with it.
  if (!*alive || !host.UpdateHostLoaded() || !published) return;
  HWND owner = host.UpdateMessageOwner();
  if (!IsNewVersion(*published, RunningVersion())) {
    ::MessageBoxW(owner, kUpToDateText, kUpdateTitle, MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  int answer = ::MessageBoxW(owner, kNewVersionQuestion, kUpdateTitle, MB_ICONQUESTION | MB_YESNO);
  if (answer != IDYES || !*alive || !host.UpdateHostLoaded()) return;
  HandOff handOff = m_handOff;  // the unload below may release this object
  if (handOff) handOff();
  host.SetExitFlag(true);
  host.UnloadForUpdate();
}

}  // namespace qorv

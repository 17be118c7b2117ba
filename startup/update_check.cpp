#include "startup/update_check.h"

#include <bcrypt.h>
#include <shellapi.h>
#include <shlobj.h>

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

namespace qorv::startup {
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

std::wstring NewVersionQuestionText(std::wstring_view running, std::wstring_view published) {
  return std::wstring(kNewVersionQuestion) + L"\n" + kRunningVersionLabel + std::wstring(running) +
         L"\n" + kPublishedVersionLabel + std::wstring(published);
}

ManifestReading ReadTrustedManifest(const std::wstring& path,
                                    const std::vector<P256PublicKey>& keys,
                                    const ManifestLineSink& onLine) {
  ManifestReading reading;
  // One reading: the bytes that are verified are the bytes that are used.
  FileBytes manifest = ReadSmallFile(path, kMaxManifestBytes);
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
    reading.signature = CheckManifestSignature(keys, manifest.bytes, signature.bytes);
  }
  reading.trust = TrustOf(reading.signature);
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

std::optional<ManifestDecision> DecideManifestFile(const std::wstring& path,
                                                   const std::vector<P256PublicKey>& keys,
                                                   std::wstring_view runningVersion,
                                                   int64_t nowUtc,
                                                   std::vector<std::wstring>* lines) {
  std::vector<std::wstring> read;
  ManifestReading reading = ReadTrustedManifest(path, keys, [&](std::wstring_view line) {
    read.emplace_back(line);
    return true;
  });
  if (!reading.found) return std::nullopt;
  ManifestDecision decision = DecideManifest(read, reading.signature, runningVersion, nowUtc);
  std::wstring text = L"update: \"" + path + L"\": " +
                      DescribeManifestDecision(decision, runningVersion);
  if (decision.Accepted() || decision.verdict == ManifestVerdict::NotNewer) {
    win::LogInfo(text);
  } else {
    win::LogError(text);
  }
  if (lines) *lines = std::move(read);
  return decision;
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

namespace {

void RemoveFetched(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!::DeleteFileW(path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    win::LogError(L"update check: cannot remove the earlier \"" + path + L"\" (error " +
                  std::to_wstring(::GetLastError()) + L")");
  }
}

}  // namespace

std::optional<ManifestDecision> FetchManifestDecision(CKpDownLoadFile& download,
                                                      const std::vector<P256PublicKey>& keys,
                                                      std::wstring_view runningVersion,
                                                      int64_t nowUtc) {
  std::wstring dir = GetTempDir();
  if (dir.empty()) {
    win::LogError(L"update check: no temporary directory");
    return std::nullopt;
  }
  std::wstring manifest = dir + kManifestFileName;
  std::wstring signature = dir + kSignatureFileName;
  std::wstring url = win::CurrentEndpoints().ManifestUrl();
  // What an earlier run fetched says nothing about what the server publishes now: a fetch that
  // fails must find no manifest (or signature) to fall back to. A manifest that cannot be
  // removed is not read either.
  RemoveFetched(manifest);
  RemoveFetched(signature);
  double deadline = DownloadClockSeconds() + kManifestDeadlineSeconds;
  if (!download.DownLoadFile(url, manifest, true, false, std::nullopt,
                             {kMaxManifestBytes, deadline})) {
    win::LogInfo(L"update check: no manifest from " + url);
    RemoveFetched(signature);
    return std::nullopt;
  }
  if (!download.DownLoadFile(url + L".sig", signature, true, false, std::nullopt,
                             {kMaxSignatureFileBytes, deadline})) {
    RemoveFetched(signature);  // a manifest without its signature is refused below, and logged
  }
  return DecideManifestFile(manifest, keys, runningVersion, nowUtc);
}

namespace {

// "<local application data>\BrindleQorvane\Updater\" (made when missing if `create`); empty
// when unknown.
std::wstring UpdaterFoldersRoot(bool create) {
  wchar_t base[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base)) ||
      base[0] == L'\0') {
    win::LogError(L"update hand-off: no local application data folder");
    return {};
  }
  std::wstring root = std::wstring(base) + L"\\";
  if (!create) return root + kUpdaterFoldersPath;
  std::wstring_view rest = kUpdaterFoldersPath;
  for (size_t slash; (slash = rest.find(L'\\')) != std::wstring_view::npos;
       rest.remove_prefix(slash + 1)) {
    root.append(rest.substr(0, slash + 1));
    if (!::CreateDirectoryW(root.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      win::LogError(L"update hand-off: cannot make \"" + root + L"\" (error " +
                    std::to_wstring(::GetLastError()) + L")");
      return {};
    }
  }
  return root;
}

}  // namespace

std::wstring MakePrivateUpdaterFolder() {
  std::wstring root = UpdaterFoldersRoot(true);
  if (root.empty()) return {};
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::array<uint8_t, 16> random{};
    if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, random.data(), static_cast<ULONG>(random.size()),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      win::LogError(L"update hand-off: no random name to be had");
      return {};
    }
    std::wstring dir = root + UpdaterFolderName(random) + L"\\";
    // Never an existing folder: one made by someone else could hold their files.
    if (::CreateDirectoryW(dir.c_str(), nullptr)) return dir;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      win::LogError(L"update hand-off: cannot make \"" + dir + L"\" (error " +
                    std::to_wstring(::GetLastError()) + L")");
      return {};
    }
  }
  return {};
}

void RemoveOldUpdaterFolders() {
  std::wstring root = UpdaterFoldersRoot(false);
  if (root.empty()) return;
  WIN32_FIND_DATAW found{};
  win::UniqueFind find(::FindFirstFileW((root + L"*").c_str(), &found));
  if (!find) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !IsUpdaterFolderName(found.cFileName)) {
      continue;
    }
    std::wstring dir = root + found.cFileName;
    // A link in its place is removed as a link: nothing it points to is touched.
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      WIN32_FIND_DATAW inner{};
      win::UniqueFind files(::FindFirstFileW((dir + L"\\*").c_str(), &inner));
      if (files) {
        do {
          if (inner.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
          std::wstring file = dir + L"\\" + inner.cFileName;
          ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(file.c_str());
        } while (::FindNextFileW(files.Get(), &inner));
      }
    }
    if (::RemoveDirectoryW(dir.c_str())) {
      win::LogInfo(L"update: removed the earlier updater folder \"" + dir + L"\"");
    }
  } while (::FindNextFileW(find.Get(), &found));
}

bool HandOffToUpdater() {
  std::wstring exe = win::ExecutablePath();
  std::wstring dir = MakePrivateUpdaterFolder();
  if (dir.empty() || exe.empty()) {
    win::LogError(L"update hand-off: no private folder or executable path");
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

namespace {

std::optional<ManifestDecision> FetchForThisProgram(CKpDownLoadFile& download) {
  return FetchManifestDecision(download, BuiltInUpdateKeys(), RunningVersion(), UtcNowSeconds());
}

std::wstring QuestionFor(const ManifestDecision& decision) {
  return NewVersionQuestionText(RunningVersion(), ProductVersionText(*decision.published));
}

}  // namespace

void CheckUpdate() {
  // The updater an earlier hand-off started has long finished (or holds its folder, which then
  // stays until a later start).
  RemoveOldUpdaterFolders();
  CKpDownLoadFile download;
  std::optional<ManifestDecision> decision = FetchForThisProgram(download);
  if (!decision || !decision->Accepted()) return;
  int answer = ::MessageBoxW(nullptr, QuestionFor(*decision).c_str(), kMessageTitle,
                             MB_ICONQUESTION | MB_YESNO);
  if (answer != IDYES) return;
  HandOffToUpdater();
  win::Application::EndAtOnce();
}

UpdateCommand::UpdateCommand(HandOff handOff)
    : m_handOff(std::move(handOff)) {}

UpdateCommand::~UpdateCommand() = default;

void UpdateCommand::Run(IUpdateHost& host) {
  LivenessWatch watch = m_life.Watch();
  if (!m_download) m_download = std::make_unique<CKpDownLoadFile>();
  std::optional<ManifestDecision> decision = FetchForThisProgram(*m_download);
  // Messages ran during the download: the window may be gone, and this object with it.
  if (!watch.Alive() || !host.UpdateHostLoaded() || !decision) return;
  HWND owner = host.UpdateMessageOwner();
  // A good manifest of this version or an older one: nothing newer is published. A manifest
  // refused for its signature, shape or age says nothing either way.
  if (decision->verdict == ManifestVerdict::NotNewer) {
    ::MessageBoxW(owner, kUpToDateText, kMessageTitle, MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  if (!decision->Accepted()) return;
  int answer = ::MessageBoxW(owner, QuestionFor(*decision).c_str(), kMessageTitle,
                             MB_ICONQUESTION | MB_YESNO);
  if (answer != IDYES || !watch.Alive() || !host.UpdateHostLoaded()) return;
  HandOff handOff = m_handOff;  // the unload below may release this object
  if (handOff) handOff();
  host.SetExitFlag(true);
  host.UnloadForUpdate();
}

}  // namespace qorv::startup

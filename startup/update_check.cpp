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

bool ReadManifestFile(const std::wstring& path,
                      const std::function<bool(std::wstring_view line)>& onLine) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  UINT codePage = CP_ACP;
  ManifestLineSplitter splitter([&](std::string_view line) {
    return onLine(Decode(line, codePage));
  });
  std::array<char, 8192> buffer;
  bool first = true;
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                    nullptr) ||
        read == 0) {
      break;
    }
    std::string_view chunk(buffer.data(), read);
    if (first) {
      ManifestStart start = DetectManifestEncoding(chunk);
      if (start.encoding == ManifestEncoding::Utf8) codePage = CP_UTF8;
      chunk.remove_prefix(start.skip);
      first = false;
    }
    if (!splitter.Feed(chunk)) return true;
  }
  splitter.Finish();
  return true;
}

std::optional<std::wstring> FetchPublishedVersion(CKpDownLoadFile& download) {
  std::wstring dir = GetTempDir();
  if (dir.empty()) {
    win::LogError(L"update check: no temporary directory");
    return std::nullopt;
  }
  std::wstring manifest = dir + kManifestFileName;
  // The result does not matter: a manifest an earlier run left is the fallback.
  download.DownLoadFile(win::CurrentEndpoints().ManifestUrl(), manifest, true, false);
  std::optional<std::wstring> version;
  bool opened = ReadManifestFile(manifest, [&](std::wstring_view line) {
    if (!IsVersionLine(line)) return true;
    version = VersionValueOf(line);
    return false;
  });
  if (!opened) win::LogInfo(L"update check: no manifest at " + manifest);
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
  std::optional<std::wstring> published = FetchPublishedVersion(download);
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
  std::optional<std::wstring> published = FetchPublishedVersion(*m_download);
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

// The update check: the published version is read from the manifest on the file server and
// compared with the running one; when they differ the player is offered the update, and on Yes
// the updater the client carries is written to the temporary directory and started with the
// client's location.
//
// Two runs share this: the automatic check at start (CheckUpdate, declared with the start-up
// window), which ends the program at once after a hand-off, and the main window's `update`
// command (UpdateCommand), which reports an up-to-date client too and unloads the main window
// after a hand-off.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "startup/update_integrity.h"

namespace qorv {

class CKpDownLoadFile;

inline constexpr wchar_t kManifestFileName[] = L"update.txt";
inline constexpr wchar_t kUpdaterFileName[] = L"Update.exe";
inline constexpr wchar_t kUpdaterResourceType[] = L"UPDATE";
inline constexpr int kUpdaterResourceId = 101;
inline constexpr wchar_t kUpdateTitle[] = L"提示";
inline constexpr wchar_t kNewVersionQuestion[] = L"发现有新版本，是否现在更新！";
inline constexpr wchar_t kUpToDateText[] = L"当前版本已是最新，无需更新！";

using ManifestLineSink = std::function<bool(std::wstring_view line)>;

// Reads a manifest file line by line, each line decoded from the system's code page (or UTF-8
// after a byte order mark). onLine returns false to stop. False when the file cannot be opened.
bool ReadManifestFile(const std::wstring& path, const ManifestLineSink& onLine);

// A manifest as a program may use it. With a key, the file is read whole, its signature
// (`path` + ".sig") checked against exactly those bytes, and only a manifest that verifies
// reaches onLine; without a key it is read as it always was.
struct ManifestReading {
  bool found = false;
  ManifestTrust trust = ManifestTrust::Unsigned;
  SignatureStatus signature = SignatureStatus::Missing;  // with a key only
};
ManifestReading ReadTrustedManifest(const std::wstring& path,
                                    const std::optional<P256PublicKey>& key,
                                    const ManifestLineSink& onLine);

// Seconds since 1970-01-01 00:00:00 UTC by the system clock, for a manifest's expiry.
int64_t UtcNowSeconds();

// Downloads the manifest into the temporary directory (hidden) and returns its version value;
// with a key, its signature beside it too. A failed download falls back to the manifest an
// earlier run left; nothing when there is no manifest, its signature does not hold, or it has no
// version line.
std::optional<std::wstring> FetchPublishedVersion(CKpDownLoadFile& download,
                                                  const std::optional<P256PublicKey>& key);

// Writes the updater beside the manifest and starts it with the client's directory and path.
// Returns whether it was started; the callers leave either way.
bool HandOffToUpdater();

// The main window as the manual check sees it.
class IUpdateHost {
 public:
  virtual ~IUpdateHost() = default;
  virtual HWND UpdateMessageOwner() const = 0;
  // False once the window has begun to unload (the download dispatches messages meanwhile).
  virtual bool UpdateHostLoaded() const = 0;
  virtual void SetExitFlag(bool bExit) = 0;  // m_bExit: close without asking
  virtual void UnloadForUpdate() = 0;
};

// The main window's `update` command; the main window holds one for its lifetime.
class UpdateCommand {
 public:
  using HandOff = std::function<bool()>;
  explicit UpdateCommand(HandOff handOff = &HandOffToUpdater);
  ~UpdateCommand();
  UpdateCommand(const UpdateCommand&) = delete;
  UpdateCommand& operator=(const UpdateCommand&) = delete;

  void Run(IUpdateHost& host);

 private:
  HandOff m_handOff;
  std::unique_ptr<CKpDownLoadFile> m_download;  // made on first use
  std::shared_ptr<bool> m_alive;
};

}  // namespace qorv

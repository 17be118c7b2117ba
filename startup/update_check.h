// The update check: the manifest on the file server is fetched afresh with its signature, and
// only a manifest signed with one of the build's keys, not expired and naming a version higher
// than the running one is offered; on Yes the updater the client carries is written to a private
// folder of its own and started with the client's location.
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
#include <vector>

#include "base/liveness.h"
#include "base/texts.h"
#include "startup/manifest_policy.h"
#include "startup/update_integrity.h"

namespace qorv::startup {

class CKpDownLoadFile;

inline constexpr wchar_t kManifestFileName[] = L"update.txt";
inline constexpr wchar_t kUpdaterFileName[] = L"Update.exe";
inline constexpr wchar_t kUpdaterResourceType[] = L"UPDATE";
inline constexpr int kUpdaterResourceId = 101;
inline constexpr wchar_t kNewVersionQuestion[] = L"发现有新版本，是否现在更新！";
// Below the question: the version running and the one published.
inline constexpr wchar_t kRunningVersionLabel[] = L"当前版本：";
inline constexpr wchar_t kPublishedVersionLabel[] = L"最新版本：";
inline constexpr wchar_t kUpToDateText[] = L"当前版本已是最新，无需更新！";

using ManifestLineSink = std::function<bool(std::wstring_view line)>;

// The question box's text: the question, then the two versions on lines of their own.
std::wstring NewVersionQuestionText(std::wstring_view running, std::wstring_view published);

// A manifest as a program may use it: the file is read whole (at most kMaxManifestBytes), its
// signature (`path` + ".sig") checked against exactly those bytes with each of `keys`, and only a
// manifest that verifies reaches onLine, each line decoded from the system's code page (or UTF-8
// after a byte order mark). onLine returns false to stop.
struct ManifestReading {
  bool found = false;
  ManifestTrust trust = ManifestTrust::Rejected;
  SignatureStatus signature = SignatureStatus::Missing;
};
ManifestReading ReadTrustedManifest(const std::wstring& path,
                                    const std::vector<P256PublicKey>& keys,
                                    const ManifestLineSink& onLine);

// ReadTrustedManifest and DecideManifest in one: the decision on the manifest at `path` for a
// program running `runningVersion` at `nowUtc`, logged; nothing when there is no file at all.
std::optional<ManifestDecision> DecideManifestFile(const std::wstring& path,
                                                   const std::vector<P256PublicKey>& keys,
                                                   std::wstring_view runningVersion,
                                                   int64_t nowUtc,
                                                   std::vector<std::wstring>* lines = nullptr);

// Seconds since 1970-01-01 00:00:00 UTC by the system clock, for a manifest's expiry.
int64_t UtcNowSeconds();

// How long the manifest and its signature together may take to arrive: the check at start holds
// the splash back until then. A manifest is a few hundred bytes; a line that cannot bring it in
// 15 seconds cannot bring the update either, and a server that trickles it is answered with none.
inline constexpr double kManifestDeadlineSeconds = 15.0;

// Removes the manifest and its signature an earlier run left, then downloads both afresh into
// the temporary directory (hidden), within kMaxManifestBytes, kMaxSignatureFileBytes and
// kManifestDeadlineSeconds, and decides on them. Nothing when the manifest could not be fetched:
// an earlier run's copy is never used.
std::optional<ManifestDecision> FetchManifestDecision(CKpDownLoadFile& download,
                                                      const std::vector<P256PublicKey>& keys,
                                                      std::wstring_view runningVersion,
                                                      int64_t nowUtc);

// A fresh, empty folder for the updater (ending in "\\"), made from a random name under the
// user's local application data; empty when none could be made.
std::wstring MakePrivateUpdaterFolder();
// Removes the folders earlier hand-offs made, with what they hold; one still in use stays.
void RemoveOldUpdaterFolders();

// Writes the updater into a fresh private folder (update_handoff) and starts it there with the
// client's directory and path. Returns whether it was started; the callers leave either way.
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
  Liveness m_life;
};

}  // namespace qorv::startup

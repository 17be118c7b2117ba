// The updater's work without its window: which manifest lines become downloads into the client's
// directory, the pass over them, and what follows from its outcome (the old client removed, the
// last complete file opened, the message shown).
//
// The old client (command-line field 1) is removed only after every listed file has arrived
// whole, and never when one of the downloads has just replaced it: a failed or cancelled update
// leaves the installation with the client it had.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "startup/manifest.h"
#include "startup/update_handoff.h"
#include "startup/update_integrity.h"

namespace qorv {

inline constexpr wchar_t kDownloadingPrefix[] = L"正在下载：";
inline constexpr wchar_t kUpdatedText[] = L"软件已升至最新版本！";
inline constexpr wchar_t kUpdateFailedText[] = L"部分文件未能下载，更新没有完成！";
inline constexpr wchar_t kQuitQuestion[] = L"您是否要退出更新！";

struct PlannedFile {
  std::wstring url;
  std::wstring fileName;
  std::wstring target;  // the client's directory followed by the file name
  std::optional<Sha256Digest> digest;  // what the file must hash to before it replaces the target
};

struct SkippedLine {
  std::wstring line;
  FileLineKind kind;
};

struct UpdatePlan {
  UpdaterCommand command;
  bool directoryUsable = false;    // field 0 is an absolute directory
  std::vector<PlannedFile> files;  // in the order of the manifest's lines
  std::vector<SkippedLine> skipped;
  // A listed file will not be fetched (unsafe name, bad or missing digest): the update is
  // incomplete.
  bool unsafeLineSkipped = false;
  ManifestTrust trust = ManifestTrust::Unsigned;
};

// A rejected manifest plans nothing: it is as if there were none.
UpdatePlan PlanUpdate(const UpdaterCommand& command, const std::vector<std::wstring>& lines,
                      ManifestTrust trust = ManifestTrust::Unsigned);

// What the pass asks of its window.
class IUpdateActions {
 public:
  virtual ~IUpdateActions() = default;
  virtual void ShowFile(const std::wstring& fileName) = 0;
  // True only when the whole file arrived, matched `digest` when there is one, and replaced the
  // target.
  virtual bool Download(const std::wstring& url, const std::wstring& target,
                        const std::optional<Sha256Digest>& digest) = 0;
  // The player confirmed leaving the update.
  virtual bool ExitRequested() const = 0;
};

struct UpdateOutcome {
  bool cancelled = false;
  bool allComplete = false;       // every listed file arrived whole (vacuously with none)
  int completeCount = 0;
  std::wstring lastComplete;      // the file to open; empty opens nothing
  bool removeClientFile = false;  // field 1 may go now
};

UpdateOutcome RunUpdatePass(const UpdatePlan& plan, IUpdateActions& actions);

// The message that closes the pass: none after a cancel.
const wchar_t* ClosingMessage(const UpdateOutcome& outcome);

}  // namespace qorv

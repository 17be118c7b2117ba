// The updater's work without its window: which manifest lines become downloads into the client's
// directory, the pass over them, and what follows from its outcome (the old client removed, the
// manifest's last file opened, the message shown).
//
// All or nothing: every file is fetched and checked first, each into a part file beside its
// target; only when all of them arrived whole and matched their digests are they moved over their
// targets, one after the other, and only then is the last one opened. A file that fails, a cancel,
// an unsafe line or a refused manifest or command line leaves every target as it was and opens
// nothing. The old client (command-line field 1) is removed only after all files replaced theirs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "startup/manifest.h"
#include "startup/update_handoff.h"
#include "startup/update_integrity.h"
#include "updater/command_line_check.h"

namespace qorv::updater {

inline constexpr wchar_t kDownloadingPrefix[] = L"正在下载：";
inline constexpr wchar_t kUpdatedText[] = L"软件已升至最新版本！";
inline constexpr wchar_t kUpdateFailedText[] = L"部分文件未能下载，更新没有完成！";
inline constexpr wchar_t kQuitQuestion[] = L"您是否要退出更新！";

struct PlannedFile {
  std::wstring url;
  std::wstring fileName;
  std::wstring target;  // the client's directory followed by the file name
  std::optional<startup::Sha256Digest>
      digest;  // what the file must hash to before it replaces the target
};

struct SkippedLine {
  std::wstring line;
  startup::FileLineKind kind;
};

struct UpdatePlan {
  startup::UpdaterCommand command;
  CommandLineVerdict commandVerdict = CommandLineVerdict::NoDirectory;
  bool directoryUsable = false;    // the command line passed its checks
  std::vector<PlannedFile> files;  // in the order of the manifest's lines
  std::vector<SkippedLine> skipped;
  // A listed file will not be fetched (unsafe name, bad or missing digest): the update is
  // incomplete.
  bool unsafeLineSkipped = false;
  startup::ManifestTrust trust = startup::ManifestTrust::Unsigned;
};

// A rejected manifest plans nothing: it is as if there were none.
UpdatePlan PlanUpdate(const startup::UpdaterCommand& command,
                      const std::vector<std::wstring>& lines,
                      startup::ManifestTrust trust = startup::ManifestTrust::Unsigned);

// What the pass asks of its window.
class IUpdateActions {
 public:
  virtual ~IUpdateActions() = default;
  virtual void ShowFile(const std::wstring& fileName) = 0;
  // Fetches `file` into a part file beside its target and keeps it there, unchanged and held,
  // until Replace or the end of the pass; true only when it arrived whole and matched its digest.
  virtual bool Fetch(const PlannedFile& file) = 0;
  // Whether `file`'s target can be replaced now (absent, or in nobody's way: a running program
  // holds its file against it). Asked of every file before the first move, so that a file in
  // use stops the update before anything of it goes in.
  virtual bool Replaceable(const PlannedFile& file) = 0;
  // Moves the part file fetched for `file` over its target in one step.
  virtual bool Replace(const PlannedFile& file) = 0;
  // The player confirmed leaving the update.
  virtual bool ExitRequested() const = 0;
};

enum class UpdateStep { Refused, Fetch, Replace, Done };

struct UpdateOutcome {
  bool cancelled = false;
  bool allComplete = false;       // every listed file replaced its target (vacuously with none)
  int fetchedCount = 0;           // arrived whole and matched
  int replacedCount = 0;
  UpdateStep stoppedAt = UpdateStep::Refused;  // the step that failed; Done when none did
  std::wstring failedFile;        // the file whose fetch or replace failed
  std::wstring opened;            // the file to open; empty opens nothing
  bool removeClientFile = false;  // field 1 may go now, unless it is one of the new files
};

UpdateOutcome RunUpdatePass(const UpdatePlan& plan, IUpdateActions& actions);

// The message that closes the pass: none after a cancel.
const wchar_t* ClosingMessage(const UpdateOutcome& outcome);

}  // namespace qorv::updater

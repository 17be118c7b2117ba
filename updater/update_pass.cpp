#include "updater/update_pass.h"

#include "base/paths.h"

namespace qorv {

UpdatePlan PlanUpdate(const UpdaterCommand& command, const std::vector<std::wstring>& lines) {
  UpdatePlan plan;
  plan.command = command;
  plan.directoryUsable = IsAbsoluteDirectory(command.directory);
  for (const auto& line : lines) {
    FileLine parsed = ParseFileLine(line);
    if (parsed.kind != FileLineKind::File) {
      if (parsed.kind == FileLineKind::UnsafeName) plan.unsafeLineSkipped = true;
      plan.skipped.push_back({line, parsed.kind});
      continue;
    }
    plan.files.push_back(
        {std::move(parsed.url), parsed.fileName, command.directory + parsed.fileName});
  }
  return plan;
}

UpdateOutcome RunUpdatePass(const UpdatePlan& plan, IUpdateActions& actions) {
  UpdateOutcome outcome;
  bool clientReplaced = false;
  bool anyFailed = !plan.directoryUsable || plan.unsafeLineSkipped;
  if (plan.directoryUsable) {
    for (const auto& file : plan.files) {
      if (actions.ExitRequested()) break;
      actions.ShowFile(file.fileName);
      if (actions.Download(file.url, file.target)) {
        ++outcome.completeCount;
        outcome.lastComplete = file.target;
        if (SamePath(file.target, plan.command.clientFile)) clientReplaced = true;
      } else {
        anyFailed = true;
      }
    }
  }
  outcome.cancelled = actions.ExitRequested();
  outcome.allComplete = !outcome.cancelled && !anyFailed;
  // Only the client the update replaces goes, and only from the directory being updated.
  const std::wstring& client = plan.command.clientFile;
  outcome.removeClientFile = outcome.allComplete && outcome.completeCount > 0 &&
                             !clientReplaced && !client.empty() &&
                             SamePath(DirectoryOf(client) + L"\\", plan.command.directory);
  return outcome;
}

const wchar_t* ClosingMessage(const UpdateOutcome& outcome) {
  if (outcome.cancelled) return nullptr;
  return outcome.allComplete ? kUpdatedText : kUpdateFailedText;
}

}  // namespace qorv

#include "updater/update_pass.h"

#include "base/paths.h"

namespace qorv {

UpdatePlan PlanUpdate(const UpdaterCommand& command, const std::vector<std::wstring>& lines,
                      ManifestTrust trust) {
  UpdatePlan plan;
  plan.command = command;
  plan.directoryUsable = IsAbsoluteDirectory(command.directory);
  plan.trust = trust;
  if (trust == ManifestTrust::Rejected) return plan;
  for (const auto& line : lines) {
    FileLine parsed = ParseFileLine(line, trust);
    if (parsed.kind != FileLineKind::File) {
      if (parsed.kind != FileLineKind::VersionLine && parsed.kind != FileLineKind::NoSeparator) {
        plan.unsafeLineSkipped = true;
      }
      plan.skipped.push_back({line, parsed.kind});
      continue;
    }
    plan.files.push_back({std::move(parsed.url), parsed.fileName,
                          command.directory + parsed.fileName, parsed.digest});
  }
  return plan;
}

UpdateOutcome RunUpdatePass(const UpdatePlan& plan, IUpdateActions& actions) {
  UpdateOutcome outcome;
  bool clientReplaced = false;
  bool anyFailed = !plan.directoryUsable || plan.unsafeLineSkipped ||
                   plan.trust == ManifestTrust::Rejected;
  if (plan.directoryUsable) {
    for (const auto& file : plan.files) {
      if (actions.ExitRequested()) break;
      actions.ShowFile(file.fileName);
      if (actions.Download(file.url, file.target, file.digest)) {
        ++outcome.completeCount;
        // A signed update opens only what its signature vouched for.
        if (MayFetch(plan.trust, file.digest.has_value())) outcome.lastComplete = file.target;
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

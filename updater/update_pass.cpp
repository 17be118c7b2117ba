#include "updater/update_pass.h"

namespace qorv::updater {

UpdatePlan PlanUpdate(const startup::UpdaterCommand& command,
                      const std::vector<std::wstring>& lines, startup::ManifestTrust trust) {
  UpdatePlan plan;
  plan.command = command;
  plan.commandVerdict = CheckUpdaterCommand(command);
  plan.directoryUsable = plan.commandVerdict == CommandLineVerdict::Ok;
  plan.trust = trust;
  if (trust == startup::ManifestTrust::Rejected) return plan;
  for (const auto& line : lines) {
    startup::FileLine parsed = ParseFileLine(line, trust);
    if (parsed.kind != startup::FileLineKind::File) {
      if (parsed.kind != startup::FileLineKind::VersionLine &&
          parsed.kind != startup::FileLineKind::NoSeparator) {
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
  // A manifest that lists a file it cannot have fetched is no whole update: nothing of it goes in.
  if (!plan.directoryUsable || plan.unsafeLineSkipped ||
      plan.trust == startup::ManifestTrust::Rejected) {
    return outcome;
  }
  outcome.stoppedAt = UpdateStep::Fetch;
  for (const auto& file : plan.files) {
    if (actions.ExitRequested()) break;
    actions.ShowFile(file.fileName);
    if (!actions.Fetch(file)) {
      outcome.failedFile = file.target;
      break;
    }
    ++outcome.fetchedCount;
  }
  outcome.cancelled = actions.ExitRequested();
  if (outcome.cancelled || outcome.fetchedCount != static_cast<int>(plan.files.size())) {
    return outcome;
  }
  // From here on a cancel waits: the moves take moments, and half of them would mix versions.
  outcome.stoppedAt = UpdateStep::Replace;
  for (const auto& file : plan.files) {
    if (!actions.Replaceable(file)) {
      outcome.failedFile = file.target;
      return outcome;
    }
  }
  for (const auto& file : plan.files) {
    if (!actions.Replace(file)) {
      outcome.failedFile = file.target;
      return outcome;
    }
    ++outcome.replacedCount;
  }
  outcome.stoppedAt = UpdateStep::Done;
  outcome.allComplete = true;
  if (!plan.files.empty()) {
    outcome.opened = plan.files.back().target;
    outcome.removeClientFile = true;
  }
  return outcome;
}

const wchar_t* ClosingMessage(const UpdateOutcome& outcome) {
  if (outcome.cancelled) return nullptr;
  return outcome.allComplete ? kUpdatedText : kUpdateFailedText;
}

}  // namespace qorv::updater

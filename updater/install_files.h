// The updater's questions to the file system about the installation it is told to update: is
// the directory there, on a local drive, with the client in it; which file is which, by identity
// (volume and file index) rather than by the text of a path, which 8.3 names, letter case and
// links can make differ for one file or agree for two.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "startup/update_handoff.h"

namespace qorv::updater {

struct FileIdentity {
  uint32_t volume = 0;
  uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Nothing when the file cannot be opened (it does not exist, or is not ours to look at).
std::optional<FileIdentity> FileIdentityOf(const std::wstring& path);

// Why the command's directory cannot be updated; nothing when it can. For a command whose text
// passed CheckUpdaterCommand.
std::optional<std::wstring> InstallProblem(const startup::UpdaterCommand& command);

// Whether a file could be renamed over now: it does not exist, or nobody holds it open without
// sharing its deletion (as a running program holds its own file).
bool IsReplaceable(const std::wstring& path);

enum class RemoveResult { Removed, IsANewFile, Missing, Failed };

// Removes `path`, unless it is the same file as one of `newFiles` (an update that brought the
// client itself, under whatever spelling). The file is opened once and both compared and removed
// through that handle, so it cannot be exchanged in between.
RemoveResult RemoveUnlessNew(const std::wstring& path, const std::vector<std::wstring>& newFiles);

}  // namespace qorv::updater

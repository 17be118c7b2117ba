// What the updater accepts as its command line before it writes anything: a local directory
// given by drive letter ("C:\Games\Qorv\"), and in it, directly, the client executable that
// started it. Anything that could point the updater at another machine or a device (UNC paths,
// "\\?\" and "\\.\" forms, reserved device names, "." or ".." steps that hide where a path
// leads) is refused, so a hostile or mistaken command line cannot make it replace files
// elsewhere or remove a program outside the installation.
//
// This is the text's half; whether the directory exists on a local drive and holds the client
// is asked of the system when the updater starts.
#pragma once

#include <string>
#include <string_view>

#include "startup/update_handoff.h"

namespace qorv::updater {

enum class CommandLineVerdict {
  Ok,
  NoDirectory,    // field 0 is empty
  NotLocal,       // a UNC, "\\?\" or "\\.\" path, or none that starts with a drive letter
  BadDirectory,   // a step that is no plain folder name (".", "..", a device, a stream)
  NoClient,       // field 1 is empty
  ClientOutside,  // field 1 is not a file directly in field 0
  ClientNotExe,   // field 1 does not name an ".exe"
};

// For the log.
const wchar_t* CommandLineVerdictText(CommandLineVerdict verdict);

CommandLineVerdict CheckUpdaterCommand(const startup::UpdaterCommand& command);

// The drive's root of an accepted directory ("C:\"), for asking the system about the drive.
std::wstring DriveRootOf(std::wstring_view directory);

}  // namespace qorv::updater

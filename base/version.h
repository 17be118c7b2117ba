// The running version as the client shows and compares it: "major.minor.revision" in plain
// decimal, no leading zeros.
#pragma once

#include <string>

namespace qorv {

std::wstring FormatVersion(int major, int minor, int revision);
std::wstring RunningVersion();  // from the build's one version

}  // namespace qorv

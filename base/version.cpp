#include "base/version.h"

#include "build_config.h"

namespace qorv {

std::wstring FormatVersion(int major, int minor, int revision) {
  return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(revision);
}

std::wstring RunningVersion() {
  return FormatVersion(QORV_VERSION_MAJOR, QORV_VERSION_MINOR, QORV_VERSION_PATCH);
}

}  // namespace qorv

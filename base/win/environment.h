// Run-time settings read from the process environment.
#pragma once

#include <optional>
#include <string>

#include "base/endpoints.h"

namespace qorv::win {

std::optional<std::wstring> GetEnvironment(const wchar_t* name);
const Endpoints& CurrentEndpoints();  // resolved once per process

// The running executable's full path (long paths included).
std::wstring ExecutablePath();

}  // namespace qorv::win

#include "base/win/environment.h"

#include <windows.h>

#include <vector>

#include "build_config.h"

namespace qorv::win {

std::optional<std::wstring> GetEnvironment(const wchar_t* name) {
  DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  DWORD got = ::GetEnvironmentVariableW(name, value.data(), n);
  if (got == 0 || got >= n) return std::nullopt;
  value.resize(got);
  return value;
}

const Endpoints& CurrentEndpoints() {
#if QORV_ENDPOINT_OVERRIDE
  static const Endpoints endpoints = ResolveEndpoints(&GetEnvironment);
#else
  static const Endpoints endpoints = ResolveEndpoints(nullptr);
#endif
  return endpoints;
}

std::wstring ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace qorv::win

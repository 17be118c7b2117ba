// The web endpoints the client talks to. Their hosts are deployment settings (CMake cache
// variables); the environment variables of the same names override them for tests and
// development, so a test can aim the programs at a server on any port without a rebuild.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qorv {

struct Endpoints {
  std::wstring homeUrl;     // publisher home page, path "/"
  std::wstring gameSite;    // game site; login page "/index.aspx", root "/"
  std::wstring fileServer;  // static files; manifest "/gamehome/qorv/update.txt"
  // Development and tests only: the login page's whole address instead of the game site's
  // "/index.aspx" (the game site's root stays where it is). Never set by a build.
  std::wstring loginPageOverride;

  std::wstring LoginPageUrl() const;
  std::wstring GameRootUrl() const;
  std::wstring ManifestUrl() const;
};

inline constexpr const wchar_t* kHomeUrlVariable = L"QORV_HOME_URL";
inline constexpr const wchar_t* kGameSiteVariable = L"QORV_GAME_SITE";
inline constexpr const wchar_t* kFileServerVariable = L"QORV_FILE_SERVER";
inline constexpr const wchar_t* kLoginPageVariable = L"QORV_LOGIN_URL";

using EnvironmentLookup = std::function<std::optional<std::wstring>(const wchar_t* name)>;

// The build's defaults, each replaced by a non-empty variable of the same name.
Endpoints ResolveEndpoints(const EnvironmentLookup& lookup);

// base + path with exactly one "/" between them.
std::wstring JoinUrl(const std::wstring& base, const std::wstring& path);

}  // namespace qorv

#include "base/endpoints.h"

#include "build_config.h"

namespace qorv {

std::wstring JoinUrl(const std::wstring& base, const std::wstring& path) {
  std::wstring b = base;
  while (!b.empty() && b.back() == L'/') b.pop_back();
  size_t start = 0;
  while (start < path.size() && path[start] == L'/') ++start;
  return b + L"/" + path.substr(start);
}

std::wstring Endpoints::LoginPageUrl() const {
  return loginPageOverride.empty() ? JoinUrl(gameSite, L"/index.aspx") : loginPageOverride;
}
std::wstring Endpoints::GameRootUrl() const { return JoinUrl(gameSite, L"/"); }
std::wstring Endpoints::ManifestUrl() const {
  return JoinUrl(fileServer, L"/gamehome/qorv/update.txt");
}

Endpoints ResolveEndpoints(const EnvironmentLookup& lookup) {
  auto pick = [&](const wchar_t* name, const wchar_t* fallback) {
    if (lookup) {
      if (auto v = lookup(name); v && !v->empty()) return *v;
    }
    return std::wstring(fallback);
  };
  Endpoints e;
  e.homeUrl = pick(kHomeUrlVariable, QORV_DEFAULT_HOME_URL);
  e.gameSite = pick(kGameSiteVariable, QORV_DEFAULT_GAME_SITE);
  e.fileServer = pick(kFileServerVariable, QORV_DEFAULT_FILE_SERVER);
  e.loginPageOverride = pick(kLoginPageVariable, L"");
  return e;
}

}  // namespace qorv

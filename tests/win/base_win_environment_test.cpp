// The published build's endpoints: with the override switched off, the environment variables that
// redirect a development build change nothing. This file builds the environment module itself
// with the switch off, in place of the library's copy.
#define QORV_ENDPOINT_OVERRIDE 0
#include "base/win/environment.cpp"

#include <gtest/gtest.h>

namespace qorv::win {
namespace {

TEST(ReleaseEndpoints, TheEnvironmentIsIgnored) {
  ASSERT_TRUE(::SetEnvironmentVariableW(kHomeUrlVariable, L"http://127.0.0.1:9/home/"));
  ASSERT_TRUE(::SetEnvironmentVariableW(kGameSiteVariable, L"http://127.0.0.1:9"));
  ASSERT_TRUE(::SetEnvironmentVariableW(kFileServerVariable, L"http://127.0.0.1:9"));
  ASSERT_TRUE(::SetEnvironmentVariableW(kLoginPageVariable, L"app://loadgame|http://127.0.0.1:9/"));
  ASSERT_EQ(GetEnvironment(kFileServerVariable), std::wstring(L"http://127.0.0.1:9"));

  const Endpoints& e = CurrentEndpoints();
  EXPECT_EQ(e.homeUrl, QORV_DEFAULT_HOME_URL);
  EXPECT_EQ(e.gameSite, QORV_DEFAULT_GAME_SITE);
  EXPECT_EQ(e.fileServer, QORV_DEFAULT_FILE_SERVER);
  EXPECT_EQ(e.LoginPageUrl(), JoinUrl(QORV_DEFAULT_GAME_SITE, L"/index.aspx"));
}

}  // namespace
}  // namespace qorv::win

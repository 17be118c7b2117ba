#include <gtest/gtest.h>

#include "base/endpoints.h"
#include "base/paths.h"
#include "base/version.h"
#include "startup/command_line.h"

namespace qorv::startup {

TEST(CommandLine, ArgumentsFollowTheProgramName) {
  struct Case { const wchar_t* line; const wchar_t* args; } cases[] = {
      {L"qorv.exe /web", L"/web"},
      {L"\"C:\\Program Files\\q\\qorv.exe\" /web", L"/web"},
      {L"\"C:\\Program Files\\q\\qorv.exe\"", L""},
      {L"qorv.exe", L""},
      {L"qorv.exe    /web x", L"/web x"},
      {L"qorv.exe\t/web", L"/web"},
      {L"\"unterminated /web", L""},
      {L"", L""},
  };
  for (auto c : cases) EXPECT_EQ(ArgumentsAfterProgramName(c.line), c.args) << c.line;
}

TEST(CommandLine, OnlyTheExactWholeArgumentIsTheWebOption) {
  EXPECT_TRUE(IsWebOption(L"/web"));
  for (const wchar_t* other : {L"/WEB", L"/Web", L"/web x", L"/web ", L" /web", L"web", L"",
                               L"/webx", L"-web"}) {
    EXPECT_FALSE(IsWebOption(other)) << other;
  }
  std::wstring huge(100000, L'/');
  EXPECT_FALSE(IsWebOption(ArgumentsAfterProgramName(L"q.exe " + huge)));
}

TEST(Paths, TempDirEndsInOneBackslash) {
  EXPECT_EQ(NormalizeTempDir(L"C:\\Temp"), L"C:\\Temp\\");
  EXPECT_EQ(NormalizeTempDir(L"C:\\Temp\\"), L"C:\\Temp\\");
  EXPECT_EQ(NormalizeTempDir(std::wstring(L"C:\\T\0garbage", 12)), L"C:\\T\\");
  EXPECT_EQ(NormalizeTempDir(L""), L"");  // no path: nothing to write into, not "\"
}

TEST(Paths, DirectoryAndBaseName) {
  EXPECT_EQ(DirectoryOf(L"C:\\Games\\Qorv\\qorv.exe"), L"C:\\Games\\Qorv");
  EXPECT_EQ(DirectoryOf(L"C:\\qorv.exe"), L"C:\\");  // a drive's root keeps its backslash
  EXPECT_EQ(DirectoryOf(L"qorv.exe"), L"");
  EXPECT_EQ(BaseNameWithoutExtension(L"C:\\Games\\Qorv\\qorv.exe"), L"qorv");
  EXPECT_EQ(BaseNameWithoutExtension(L"C:\\a.b\\my.game.exe"), L"my.game");
  EXPECT_EQ(BaseNameWithoutExtension(L"C:\\a\\noext"), L"noext");
}

TEST(Endpoints, DefaultsAndOverrides) {
  auto none = [](const wchar_t*) -> std::optional<std::wstring> { return std::nullopt; };
  Endpoints d = ResolveEndpoints(none);
  EXPECT_FALSE(d.homeUrl.empty());
  EXPECT_EQ(d.ManifestUrl().substr(d.ManifestUrl().size() - 25), L"/gamehome/qorv/update.txt");

  auto some = [](const wchar_t* name) -> std::optional<std::wstring> {
    if (std::wstring(name) == kFileServerVariable) return L"http://127.0.0.1:9000/";
    if (std::wstring(name) == kGameSiteVariable) return L"";  // empty does not override
    return std::nullopt;
  };
  Endpoints e = ResolveEndpoints(some);
  EXPECT_EQ(e.ManifestUrl(), L"http://127.0.0.1:9000/gamehome/qorv/update.txt");
  EXPECT_EQ(e.gameSite, d.gameSite);
  EXPECT_EQ(JoinUrl(L"http://h", L"index.aspx"), L"http://h/index.aspx");
  EXPECT_EQ(d.LoginPageUrl(), JoinUrl(d.gameSite, L"/index.aspx"));

  // The login page may be aimed elsewhere (tests); the game site's root stays.
  auto login = [](const wchar_t* name) -> std::optional<std::wstring> {
    if (std::wstring(name) == kLoginPageVariable) return L"app://exitgame";
    return std::nullopt;
  };
  Endpoints l = ResolveEndpoints(login);
  EXPECT_EQ(l.LoginPageUrl(), L"app://exitgame");
  EXPECT_EQ(l.GameRootUrl(), d.GameRootUrl());
  EXPECT_EQ(JoinUrl(L"http://h//", L"//index.aspx"), L"http://h/index.aspx");
}

TEST(Version, PlainDecimalWithoutLeadingZeros) {
  EXPECT_EQ(FormatVersion(1, 1, 0), L"1.1.0");
  EXPECT_EQ(FormatVersion(1, 1, 12), L"1.1.12");
  EXPECT_EQ(RunningVersion().empty(), false);
}

}  // namespace qorv::startup

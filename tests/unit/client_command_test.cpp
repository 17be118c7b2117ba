// The login page's commands and the web-address rule they share with the game window.
#include <gtest/gtest.h>

#include <string>

#include "base/web_address.h"
#include "login/client_command.h"

namespace qorv::login {
namespace {

TEST(RouteAddress, SubstringCaseAndOrder) {
  struct Case {
    std::wstring url;
    ClientCommand expected;
  };
  const Case cases[] = {
      {L"app://exitgame", ClientCommand::kExitGame},
      {L"http://site/page?next=app://minimize", ClientCommand::kMinimize},  // anywhere
      {L"APP://EXITGAME", ClientCommand::kNone},                            // case-sensitive
      {L"app://exitgameapp://loadgame|http://g/", ClientCommand::kExitGame},
      {L"app://loadgame|http://g/app://minimize", ClientCommand::kMinimize},
      {L"app://minimize app://exitgame", ClientCommand::kExitGame},
      {L"app:/exitgame", ClientCommand::kNone},
      {L"", ClientCommand::kNone},
      {L"|", ClientCommand::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RouteAddress(c.url).command, c.expected) << std::string(c.url.begin(), c.url.end());
  }
}

TEST(RouteAddress, LoadGameFieldsAndTheGameAddress) {
  RoutedAddress r = RouteAddress(L"app://loadgame|https://game.example/play?s=1|ignored|");
  ASSERT_EQ(r.command, ClientCommand::kLoadGame);
  EXPECT_EQ(r.fields, (std::vector<std::wstring>{L"app://loadgame", L"https://game.example/play?s=1",
                                                 L"ignored", L""}));
  EXPECT_EQ(r.gameAddress, L"https://game.example/play?s=1");

  // No field 1, an empty one, or one that is not a web address: no game address.
  for (const wchar_t* url : {L"app://loadgame", L"app://loadgame|", L"app://loadgame||http://g/",
                             L"app://loadgame|file:///C:/x.exe", L"app://loadgame|\\\\host\\share"}) {
    RoutedAddress bad = RouteAddress(url);
    EXPECT_EQ(bad.command, ClientCommand::kLoadGame);
    EXPECT_TRUE(bad.gameAddress.empty());
  }
  // The command may follow other text; field 0 is then everything before the first "|".
  EXPECT_EQ(RouteAddress(L"x-app://loadgame|http://g/").gameAddress, L"http://g/");
}

TEST(RouteAddress, HugeAndOddAddresses) {
  std::wstring big = L"app://loadgame|http://g/" + std::wstring(64 * 1024, L'a');
  EXPECT_EQ(RouteAddress(big).gameAddress.size(), big.size() - 15);
  std::wstring bars(64 * 1024, L'|');
  EXPECT_EQ(RouteAddress(L"app://loadgame" + bars).fields.size(), bars.size() + 1);
  std::wstring nul(L"app://loadgame|http://g/\0evil", 29);
  EXPECT_TRUE(RouteAddress(nul).gameAddress.empty());  // a NUL never reaches the game window
  std::wstring hidden(L"http://ok/\0app://exitgame", 25);
  EXPECT_EQ(RouteAddress(hidden).command, ClientCommand::kExitGame);
}

TEST(IsWebAddress, OnlyHttpAndHttpsWithAHost) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"http://127.0.0.1:8470/game", true},
      {L"HTTPS://Example.com", true},
      {L"https://例子.测试/路径", true},
      {L"http://", false},
      {L"http:///etc/passwd", false},
      {L"http://\\\\server\\share", false},
      {L"file:///C:/Windows/System32/calc.exe", false},
      {L"\\\\server\\share\\setup.exe", false},
      {L"javascript:alert(1)", false},
      {L"ms-settings:", false},
      {L"mailto:a@b", false},
      {L" http://lead-space/", false},
      {L"http://a b/", false},
      {L"http://tab\there/", false},
      {std::wstring(L"http://a/\0b", 11), false},
      {L"", false},
  };
  for (const auto& [url, ok] : cases) {
    EXPECT_EQ(IsWebAddress(url), ok) << std::string(url.begin(), url.end());
  }
  // Surrogates: a pair is a character, half of one is not.
  std::wstring pair = L"http://h/";
  if constexpr (sizeof(wchar_t) == 2) {
    EXPECT_TRUE(IsWebAddress(pair + L"\xD83D\xDE00"));
    EXPECT_FALSE(IsWebAddress(pair + L"\xD83D"));
    EXPECT_FALSE(IsWebAddress(pair + L"\xDE00x"));
  } else {
    EXPECT_TRUE(IsWebAddress(pair + std::wstring(1, static_cast<wchar_t>(0x1F600))));
    EXPECT_FALSE(IsWebAddress(pair + std::wstring(1, static_cast<wchar_t>(0xD83D))));
  }
}

}  // namespace
}  // namespace qorv::login

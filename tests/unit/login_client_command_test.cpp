// The login page's commands: which navigation is one, and what it carries.
#include <gtest/gtest.h>

#include <string>

#include "base/web_address.h"
#include "login/client_command.h"

namespace qorv::login {
namespace {

TEST(RouteAddress, OnlyTheTopDocumentsCommandAddressesCommand) {
  struct Case {
    std::wstring url;
    bool topLevel;
    ClientCommand expected;
  };
  const Case cases[] = {
      {L"app://exitgame", true, ClientCommand::kExitGame},
      {L"app://exitgame", false, ClientCommand::kNone},  // a frame, an advertisement
      {L"app://minimize", true, ClientCommand::kMinimize},
      {L"app://loadgame|http://g/", false, ClientCommand::kNone},
      // Leading blanks and control characters are dropped as the browser drops them.
      {L"  \t\r\napp://minimize", true, ClientCommand::kMinimize},
      {std::wstring(L"\0app://exitgame", 15), true, ClientCommand::kExitGame},
      // An ordinary address that carries a command commands nothing.
      {L"http://x/?app://exitgame", true, ClientCommand::kNone},
      {L"http://site/page?next=app://minimize", true, ClientCommand::kNone},
      {L"x-app://loadgame|http://g/", true, ClientCommand::kNone},
      {std::wstring(L"http://ok/\0app://exitgame", 25), true, ClientCommand::kNone},
      {L"\u3000app://exitgame", true, ClientCommand::kNone},  // not a blank a browser drops
      // Within a command address: substring search, case-sensitive, fixed order.
      {L"APP://EXITGAME", true, ClientCommand::kNone},
      {L"App://exitgame", true, ClientCommand::kNone},
      {L"app://exitgameapp://loadgame|http://g/", true, ClientCommand::kExitGame},
      {L"app://loadgame|http://g/app://minimize", true, ClientCommand::kMinimize},
      {L"app://minimize app://exitgame", true, ClientCommand::kExitGame},
      {L"app://x?app://exitgame", true, ClientCommand::kExitGame},
      {L"app:/exitgame", true, ClientCommand::kNone},
      {L"", true, ClientCommand::kNone},
      {L"|", true, ClientCommand::kNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RouteAddress(c.url, c.topLevel).command, c.expected)
        << std::string(c.url.begin(), c.url.end()) << (c.topLevel ? "" : " (frame)");
  }
}

TEST(RouteAddress, LoadGameFieldsAndTheGameAddress) {
  RoutedAddress r = RouteAddress(L"app://loadgame|https://game.example/play?s=1|ignored|", true);
  ASSERT_EQ(r.command, ClientCommand::kLoadGame);
  EXPECT_EQ(r.fields, (std::vector<std::wstring>{L"app://loadgame", L"https://game.example/play?s=1",
                                                 L"ignored", L""}));
  EXPECT_EQ(r.gameAddress, L"https://game.example/play?s=1");

  // No field 1, an empty one, or one that is not a web address: no game address.
  for (const wchar_t* url : {L"app://loadgame", L"app://loadgame|", L"app://loadgame||http://g/",
                             L"app://loadgame|file:///C:/x.exe", L"app://loadgame|\\\\host\\share"}) {
    RoutedAddress bad = RouteAddress(url, true);
    EXPECT_EQ(bad.command, ClientCommand::kLoadGame);
    EXPECT_TRUE(bad.gameAddress.empty());
  }
  // Field 0 is everything before the first "|", leading blanks included.
  EXPECT_EQ(RouteAddress(L" app://loadgame|http://g/", true).fields[0], L" app://loadgame");
  // The game address is field 1 as a browser reads it: a trailing blank or line break, as a page
  // script may leave, is dropped and the cleaned address is the one handed on.
  for (const wchar_t* url : {L"app://loadgame|http://g/ ", L"app://loadgame|http://g/\r\n|x",
                             L"app://loadgame| \thttp://g/", L"app://loadgame|http://\ng/"}) {
    EXPECT_EQ(RouteAddress(url, true).gameAddress, L"http://g/");
  }
}

TEST(RouteAddress, HugeAndOddAddresses) {
  // A game address over the web-address rule's limit is refused, not cut.
  std::wstring big = L"app://loadgame|http://g/" + std::wstring(64 * 1024, L'a');
  EXPECT_EQ(RouteAddress(big, true).command, ClientCommand::kLoadGame);
  EXPECT_TRUE(RouteAddress(big, true).gameAddress.empty());
  std::wstring fits = L"http://g/" + std::wstring(kMaxWebAddressLength - 9, L'a');
  EXPECT_EQ(RouteAddress(L"app://loadgame|" + fits, true).gameAddress, fits);
  std::wstring bars(64 * 1024, L'|');
  EXPECT_EQ(RouteAddress(L"app://loadgame" + bars, true).fields.size(), bars.size() + 1);
  std::wstring nul(L"app://loadgame|http://g/\0evil", 29);
  EXPECT_TRUE(RouteAddress(nul, true).gameAddress.empty());  // a NUL never reaches the game window
}

}  // namespace
}  // namespace qorv::login

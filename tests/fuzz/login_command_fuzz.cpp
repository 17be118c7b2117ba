// Fuzz target for the login page's client commands: how an address the page navigates to
// becomes a command and a game address.
// fuzz-sources: login/client_command.cpp base/web_address.cpp
// fuzz-seed: Lapp://loadgame|http://127.0.0.1:8470/game/|extra
// fuzz-seed: Lhttp://x/?go=app://exitgame&app://loadgame|http://g/
// fuzz-seed: Lhttp://h/?cmd=app://minimize
// fuzz-seed: Lapp://loadgame|file:///C:/x||
// fuzz-seed: L \tapp://loadgame|http://g/ \r\n|x
//
// Checks, for any address, from the top-level document or a frame: a frame commands nothing, nor
// does an address that does not begin with "app://" after leading blanks; otherwise the first
// command the address holds is the one taken; a game address exists only for "app://loadgame" and
// only as its second field, cleaned, and is always a web address; the fields put back together
// with "|" are the address.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/web_address.h"
#include "login/client_command.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  using login::ClientCommand;
  const std::wstring url = fuzz::TextOf(data, size);
  const bool topLevel = size > 0 && (data[0] & 4);  // "L" and "M" seeds: top level
  const login::RoutedAddress routed = login::RouteAddress(url, topLevel);

  auto holds = [&](const wchar_t* command) { return url.find(command) != std::wstring::npos; };
  size_t start = 0;
  while (start < url.size() && url[start] <= 0x20) ++start;
  const bool commandAddress = url.compare(start, 6, L"app://") == 0;
  ClientCommand expected = !topLevel || !commandAddress ? ClientCommand::kNone
                           : holds(L"app://exitgame")   ? ClientCommand::kExitGame
                           : holds(L"app://minimize") ? ClientCommand::kMinimize
                           : holds(L"app://loadgame") ? ClientCommand::kLoadGame
                                                      : ClientCommand::kNone;
  Check(routed.command == expected);

  if (routed.command != ClientCommand::kLoadGame) {
    Check(routed.fields.empty() && routed.gameAddress.empty());
    return 0;
  }
  Check(!routed.fields.empty());
  std::wstring joined;
  for (size_t i = 0; i < routed.fields.size(); ++i) {
    Check(routed.fields[i].find(L'|') == std::wstring::npos);
    joined += (i ? L"|" : L"") + routed.fields[i];
  }
  Check(joined == url);
  if (routed.gameAddress.empty()) {
    Check(routed.fields.size() < 2 ||
          !fuzz::HasWebAddressShape(fuzz::CleanLikeABrowser(routed.fields[1])));
  } else {
    Check(routed.fields.size() >= 2 &&
          routed.gameAddress == fuzz::CleanLikeABrowser(routed.fields[1]));
    Check(fuzz::HasWebAddressShape(routed.gameAddress));
  }
  return 0;
}

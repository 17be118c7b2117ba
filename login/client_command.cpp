#include "login/client_command.h"

#include "base/web_address.h"

namespace qorv::login {
namespace {

constexpr std::wstring_view kExitGame = L"app://exitgame";
constexpr std::wstring_view kMinimize = L"app://minimize";
constexpr std::wstring_view kLoadGame = L"app://loadgame";

std::vector<std::wstring> SplitAtBars(std::wstring_view text) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    size_t bar = text.find(L'|', start);
    fields.emplace_back(text.substr(start, bar == std::wstring_view::npos ? bar : bar - start));
    if (bar == std::wstring_view::npos) return fields;
    start = bar + 1;
  }
}

// Leading blanks and control characters are what a browser would drop before reading the scheme.
bool IsCommandAddress(std::wstring_view url) {
  size_t start = 0;
  while (start < url.size() && url[start] <= 0x20) ++start;
  return url.substr(start, kCommandScheme.size()) == kCommandScheme;
}

}  // namespace

RoutedAddress RouteAddress(std::wstring_view url, bool topLevel) {
  RoutedAddress routed;
  if (!topLevel || !IsCommandAddress(url)) return routed;
  if (url.find(kExitGame) != std::wstring_view::npos) {
    routed.command = ClientCommand::kExitGame;
  } else if (url.find(kMinimize) != std::wstring_view::npos) {
    routed.command = ClientCommand::kMinimize;
  } else if (url.find(kLoadGame) != std::wstring_view::npos) {
    routed.command = ClientCommand::kLoadGame;
    routed.fields = SplitAtBars(url);
    if (routed.fields.size() > 1) {
      routed.gameAddress = WebAddress(routed.fields[1]).value_or(std::wstring());
    }
  }
  return routed;
}

}  // namespace qorv::login

// The login page commands the client by navigating its top-level document to pseudo-addresses
// that begin with "app://" (after leading blanks). Within such an address each command is found by
// a case-sensitive substring search, in a fixed order; only the first match acts. A frame, or an
// ordinary address that carries a command in its query, commands nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qorv::login {

enum class ClientCommand { kNone, kExitGame, kMinimize, kLoadGame };

struct RoutedAddress {
  ClientCommand command = ClientCommand::kNone;
  // kLoadGame: the whole address split at every "|"; field 0 is the command itself.
  std::vector<std::wstring> fields;
  // kLoadGame: field 1, cleaned, when it is an http or https address (WebAddress), else empty.
  std::wstring gameAddress;
};

inline constexpr std::wstring_view kCommandScheme = L"app://";

// topLevel: the navigation is the top-level document's own (not a frame's).
RoutedAddress RouteAddress(std::wstring_view url, bool topLevel);

}  // namespace qorv::login

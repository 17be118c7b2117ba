// The login page commands the client by navigating to pseudo-addresses. Each command is found by
// a case-sensitive substring search anywhere in the address (an ordinary address that carries one
// in its query counts), in a fixed order; only the first match acts.
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
  // kLoadGame: field 1 when it is an http or https address, else empty.
  std::wstring gameAddress;
};

RoutedAddress RouteAddress(std::wstring_view url);

}  // namespace qorv::login

// Signs manifests as the publisher's tool does, with the build tree's own key pair (the key the
// test programs carry), so a test can have a manifest taken.
#pragma once

#include <string>
#include <string_view>

namespace qorv::test {

// A signature file for `manifest`: r then s as 128 hex digits and a line end.
std::string SignWithBuildKey(std::string_view manifest);
// The same with a key made for the call: a good signature by someone else.
std::string SignWithOtherKey(std::string_view manifest);
// The public half, as public.hex holds it.
std::string BuildKeyPublicHex();

// `manifest` with an expiry line a year ahead after its first line, as the tool writes it.
std::string WithExpiry(std::string_view manifest, std::string_view date = "2099-01-01");

}  // namespace qorv::test

// The publisher keys a program is built with: the current one and, while the publisher moves to
// a new key, the next one. QORV_UPDATE_KEYS_HEX holds them comma-separated (cmake/update_key.cmake
// checked each to be a point on P-256 and never leaves it empty).
#include <string_view>

#include "startup/update_signature.h"

#ifndef QORV_UPDATE_KEYS_HEX
#error "QORV_UPDATE_KEYS_HEX must name the build's update keys"
#endif

namespace qorv::startup {

const std::vector<P256PublicKey>& BuiltInUpdateKeys() {
  static const std::vector<P256PublicKey> keys = [] {
    std::vector<P256PublicKey> parsed;
    std::string_view all = QORV_UPDATE_KEYS_HEX;
    while (!all.empty()) {
      size_t comma = all.find(',');
      // A key that does not parse is left out: no key at all is no manifest taken.
      if (auto key = ParsePublicKey(all.substr(0, comma))) parsed.push_back(*key);
      all = comma == std::string_view::npos ? std::string_view() : all.substr(comma + 1);
    }
    return parsed;
  }();
  return keys;
}

}  // namespace qorv::startup

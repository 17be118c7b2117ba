// The publisher key a program is built with. This file is compiled once per key (the build's
// setting, none, the tests' own) with QORV_UPDATE_PUBKEY_HEX defined, and each program links one.
#include "startup/update_signature.h"

#ifndef QORV_UPDATE_PUBKEY_HEX
#error "QORV_UPDATE_PUBKEY_HEX must be defined (empty for a build without a key)"
#endif

namespace qorv {

const std::optional<P256PublicKey>& BuiltInUpdateKey() {
  // Checked to be a point on P-256 when the build was configured; empty gives none.
  static const std::optional<P256PublicKey> key = ParsePublicKey(QORV_UPDATE_PUBKEY_HEX);
  return key;
}

}  // namespace qorv

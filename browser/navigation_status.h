// What a navigation's failure status means (pure: no platform headers).
#pragma once

#include <cstdint>

namespace qorv::browser {

// Transport failures of a navigation (no HTTP answer at all): refused, unreachable, name not
// resolved, timed out, download failure. An HTTP status (a 503 maintenance page) is not one, and
// neither is a failure to show a document that did arrive.
bool IsTransportFailure(int32_t statusCode);

}  // namespace qorv::browser

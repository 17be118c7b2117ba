#include "browser/navigation_status.h"

namespace qorv::browser {

bool IsTransportFailure(int32_t statusCode) {
  switch (static_cast<uint32_t>(statusCode)) {
    case 0x800C0003u:  // INET_E_NO_SESSION
    case 0x800C0004u:  // INET_E_CANNOT_CONNECT
    case 0x800C0005u:  // INET_E_RESOURCE_NOT_FOUND: server or proxy name not resolved
    case 0x800C0007u:  // INET_E_DATA_NOT_AVAILABLE
    case 0x800C0008u:  // INET_E_DOWNLOAD_FAILURE: refused connections arrive as this
    case 0x800C000Bu:  // INET_E_CONNECTION_TIMEOUT
    case 0x800C000Eu:  // INET_E_SECURITY_PROBLEM: no secure channel, so no answer either
    case 0x800C000Fu:  // INET_E_CANNOT_LOAD_DATA
    case 0x800C0014u:  // INET_E_REDIRECT_FAILED
      return true;
    default:
      return false;
  }
}

}  // namespace qorv::browser

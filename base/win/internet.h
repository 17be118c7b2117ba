// The WinINet handle's owner, apart from handles.h so that only the code that talks HTTP pulls in
// <wininet.h>.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/win/handles.h"

namespace qorv::win {

using UniqueInternet = Unique<SimpleTraits<HINTERNET, ::InternetCloseHandle>>;

}  // namespace qorv::win

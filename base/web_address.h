// Which addresses the client hands to a browser outside its own windows (the system's default
// browser, a new page tab): only http and https. Anything else a page or another program can name
// (file:, UNC paths, javascript:, protocols registered by other programs) would open local files
// or start programs.
#pragma once

#include <string_view>

namespace qorv {

// True for "http://host..." or "https://host..." (scheme in any case) with a non-empty host and
// no control character, space or unpaired surrogate anywhere.
bool IsWebAddress(std::wstring_view address);

}  // namespace qorv

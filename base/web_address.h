// Which addresses the client hands to a browser outside its own windows (the system's default
// browser, a new page tab) and which its own browsers may show. Only http and https leave the
// client: anything else a page or another program can name (file:, UNC paths, javascript:,
// protocols registered by other programs) would open local files or start programs.
//
// An address is read as browsers read one before judging it: blanks and control characters at
// either end are removed and tabs and line breaks inside are dropped. What is judged is the
// cleaned address, and it is the cleaned address that is used afterwards.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qorv {

// The longest cleaned address taken, in UTF-16 units. Far above any game or news address; an
// address past it is refused, not cut.
inline constexpr size_t kMaxWebAddressLength = 8 * 1024;

// What browsers do to an address before parsing it: U+0000..U+0020 removed at both ends, TAB, LF
// and CR removed everywhere.
std::wstring CleanAddress(std::wstring_view raw);

// The cleaned address when it is "http://host..." or "https://host..." (scheme in any case) with a
// host that does not start with a separator, no other control character, space or unpaired
// surrogate anywhere, and at most kMaxWebAddressLength units; empty otherwise.
std::optional<std::wstring> WebAddress(std::wstring_view raw);

// True for an address that is a web address already in its cleaned form (WebAddress(address) ==
// address): what the windows check before they open a page from a value that was cleaned before.
bool IsWebAddress(std::wstring_view address);

// The navigation rule of every browser of the client: a page, a frame, a script or the client may
// go to http and https addresses (scheme in any case, after cleaning) and to "about:blank", which
// the page tabs load first. Anything else is cancelled.
bool IsNavigableAddress(std::wstring_view url);

}  // namespace qorv

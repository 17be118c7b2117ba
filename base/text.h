// UTF-8 <-> UTF-16 conversion for logs and files; the programs keep text as UTF-16 (wchar_t on
// Windows). Natively wchar_t is 32-bit, and the same code handles code points one per unit.
#pragma once

#include <string>
#include <string_view>

namespace qorv {

std::string WideToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD rather than being dropped, so a log line never loses its length.
std::wstring Utf8ToWide(std::string_view text);

std::wstring AsciiLower(std::wstring_view text);
std::wstring TrimSpaces(std::wstring_view text);  // spaces only, as the system's Trim does

// Outside input (an address, a DDE command) as a log line may carry it: cut to its first 200
// characters with the length noted (the log itself escapes control characters).
std::wstring ForLog(std::wstring_view text);

}  // namespace qorv

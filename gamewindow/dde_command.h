// The text of a DDE execute command as the client's bytes carry it (UTF-16: both ends use the
// Unicode functions, so the system converts nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::gamewindow {

inline constexpr wchar_t kDdeTopic[] = L"TidewellDDE";
// A page address is never near this; a command over it is refused unread.
inline constexpr size_t kMaxDdeCommandBytes = 1u << 20;

struct DdeCommandText {
  std::u16string text;     // up to the first NUL
  bool oddByte = false;    // a last byte that is half a unit was dropped
  bool cutAtNul = false;   // something other than NULs followed the first NUL
  bool tooLong = false;    // over kMaxDdeCommandBytes: text is empty
};

DdeCommandText DecodeDdeCommand(const uint8_t* bytes, size_t count);

// Why a command was taken as it was, for the log ("" when it was clean).
std::wstring DescribeDdeCommand(const DdeCommandText& command, size_t byteCount);

}  // namespace qorv::gamewindow

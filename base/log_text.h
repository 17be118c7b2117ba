// The pure half of the program's log (base/win/log.h writes the file): what a line may carry and
// when the file starts again. Every text the log takes passes EscapeForLog, whoever logs it, so
// outside text (an address, a DDE command, a page's title) can never forge a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv {

inline constexpr uint64_t kLogLimitBytes = 1u << 20;  // the log file stays below 1 MiB
inline constexpr size_t kMaxLogText = 16 * 1024;      // characters of one line's text

// Control characters as visible escapes: \r \n \t, other C0, DEL and C1 as \xHH, the Unicode
// line and paragraph separators as \uHHHH; a backslash doubled, so every escape reads back
// unambiguously. Text past kMaxLogText characters is cut, with its length noted.
std::wstring EscapeForLog(std::wstring_view text);

enum class LogWrite { Append, StartAgain };

// StartAgain: the file is renamed to its ".1" (replacing an older one) and a new one is begun,
// because appending the line would take the file past the limit. An empty file never starts
// again: a line alone stays far below the limit.
LogWrite DecideLogWrite(uint64_t fileBytes, uint64_t lineBytes,
                        uint64_t limitBytes = kLogLimitBytes);

}  // namespace qorv

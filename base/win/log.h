// The program's persistent log: "%TEMP%\qorv.log" (UTF-8), the only place failures that show no
// message to the player are written down. Errors also go to the application event log. Every
// text is escaped on its way in (base/log_text.h), and the file starts again as it would pass
// 1 MiB, the previous one kept as "qorv.log.1".
#pragma once

#include <string>
#include <string_view>

namespace qorv::win {

enum class LogLevel { Info, Error };

void Log(LogLevel level, std::wstring_view text);
inline void LogInfo(std::wstring_view text) { Log(LogLevel::Info, text); }
inline void LogError(std::wstring_view text) { Log(LogLevel::Error, text); }

// Writes to the application event log with error severity (source: the program's name).
void ReportEventError(std::wstring_view text);

// A COM or system result as logged: "0x" and eight hex digits.
std::wstring HresultText(long hr);

// Where the log goes; empty when the temporary directory is unknown.
std::wstring LogFilePath();

}  // namespace qorv::win

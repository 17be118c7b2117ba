#include "base/win/log.h"

#include <windows.h>

#include "base/text.h"
#include "base/win/handles.h"
#include "base/paths.h"

namespace qorv::win {

std::wstring LogFilePath() {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  if (n == 0 || n > MAX_PATH) return {};
  std::wstring dir = NormalizeTempDir(std::wstring_view(buffer, n));
  return dir.empty() ? dir : dir + L"qorv.log";
}

void Log(LogLevel level, std::wstring_view text) {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  wchar_t stamp[64];
  ::wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] %s ", t.wYear, t.wMonth, t.wDay,
              t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, ::GetCurrentProcessId(),
              level == LogLevel::Error ? L"ERROR" : L"INFO");
  std::wstring line = stamp;
  line += text;
  line += L"\r\n";
  ::OutputDebugStringW(line.c_str());

  std::wstring path = LogFilePath();
  if (path.empty()) return;
  // Appending with FILE_APPEND_DATA keeps lines whole even when the client and the updater
  // write at the same time.
  UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  std::string bytes = WideToUtf8(line);
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void ReportEventError(std::wstring_view text) {
  HANDLE source = ::RegisterEventSourceW(nullptr, L"qorv");
  if (source) {
    std::wstring copy(text);
    const wchar_t* strings[] = {copy.c_str()};
    ::ReportEventW(source, EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    ::DeregisterEventSource(source);
  }
  LogError(text);
}

}  // namespace qorv::win

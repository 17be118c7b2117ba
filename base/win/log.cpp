#include "base/win/log.h"

#include <windows.h>

#include "base/log_text.h"
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

namespace {

// Shared for delete as well: another writer (the updater beside the client) can start the file
// again while this one holds it.
UniqueFile OpenLog(const std::wstring& path) {
  return UniqueFile(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

void Log(LogLevel level, std::wstring_view text) {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  wchar_t stamp[64];
  ::wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] %s ", t.wYear, t.wMonth, t.wDay,
              t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, ::GetCurrentProcessId(),
              level == LogLevel::Error ? L"ERROR" : L"INFO");
  std::wstring line = stamp;
  line += EscapeForLog(text);
  line += L"\r\n";
  ::OutputDebugStringW(line.c_str());

  std::wstring path = LogFilePath();
  if (path.empty()) return;
  // Appending with FILE_APPEND_DATA keeps lines whole even when the client and the updater
  // write at the same time.
  UniqueFile file = OpenLog(path);
  if (!file) return;
  const std::string bytes = WideToUtf8(line);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return;
  if (DecideLogWrite(static_cast<uint64_t>(size.QuadPart), bytes.size()) ==
      LogWrite::StartAgain) {
    file.Reset();
    const std::wstring previous = path + L".1";
    if (!::MoveFileExW(path.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      // The line is lost rather than the bound: the file stays below its limit.
      ::OutputDebugStringW(L"qorv.log could not be started again; line dropped\r\n");
      return;
    }
    file = OpenLog(path);
    if (!file) return;
  }
  DWORD written = 0;
  ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void ReportEventError(std::wstring_view text) {
  if (UniqueEventSource source(::RegisterEventSourceW(nullptr, L"qorv")); source) {
    std::wstring copy(text);
    const wchar_t* strings[] = {copy.c_str()};
    ::ReportEventW(source.Get(), EVENTLOG_ERROR_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
  }
  LogError(text);
}

std::wstring HresultText(long hr) {
  wchar_t text[16];
  ::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace qorv::win

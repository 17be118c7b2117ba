// Start-up benchmark: the time from CreateProcess to a visible window of the given class, for the
// client's splash and for a bare one-window program, measured from the same launcher so both pay
// the same process start-up.
//
//   startup_bench <client.exe> <bare.exe>
#include <windows.h>

#include "win/support/test_window.h"

#include <cstdio>
#include <string>

namespace {

// Returns seconds until a visible window of `cls` appears, or -1.
double TimeToWindow(const std::wstring& exe, const wchar_t* cls) {
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  double start = qorv::test::NowSeconds();
  if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return -1;
  }
  double result = -1;
  while (qorv::test::NowSeconds() - start < 30) {
    HWND h = ::FindWindowW(cls, nullptr);
    if (h && ::IsWindowVisible(h)) {
      result = qorv::test::NowSeconds() - start;
      ::PostMessageW(h, WM_CLOSE, 0, 0);
      break;
    }
    ::Sleep(1);
  }
  // The client goes on with its login windows after the splash closes: it is ended.
  if (::WaitForSingleObject(pi.hProcess, 2000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return result;
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring client = argv[1], bare = argv[2];
  TimeToWindow(bare, L"Qorv.BareWindow");  // warm the file cache once
  double tBare = TimeToWindow(bare, L"Qorv.BareWindow");
  double tClient = TimeToWindow(client, L"Qorv.LoadFrm");
  std::printf("startup_bare_ms=%.1f\n", tBare * 1000);
  std::printf("startup_client_splash_ms=%.1f\n", tClient * 1000);
  std::printf("startup_ratio=%.2f\n", tBare > 0 ? tClient / tBare : -1.0);
  std::printf("size_qorv_exe_bytes=%lld\n", FileSize(client));
  std::printf("size_update_exe_bytes=%lld\n", FileSize(argc > 3 ? argv[3] : L""));
  return (tBare > 0 && tClient > 0) ? 0 : 1;
}

// Runs tests/dde_client.exe (built beside the test programs) to its end while this thread's
// messages, DDEML's among them, are dispatched: the source answers from this thread.
#pragma once

#include <windows.h>

#include <string>

#include "base/win/environment.h"

namespace qorv::test {

inline std::wstring BesideThisProgram(const wchar_t* name) {
  std::wstring self = win::ExecutablePath();
  return self.substr(0, self.find_last_of(L'\\') + 1) + name;
}

// The client's exit code: 0 accepted, 1 no connection, 2 failed, 3 refused; -1 not started.
inline int RunDdeClient(const std::wstring& args) {
  std::wstring command = L"\"" + BesideThisProgram(L"dde_client.exe") + L"\" " + args;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return -1;
  }
  DWORD end = ::GetTickCount() + 30000;
  for (;;) {
    DWORD r = ::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) {
      ::TerminateProcess(pi.hProcess, 99);
      break;
    }
  }
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace qorv::test

// The updater program. For now it shows that it started, with the command line the client gave
// it, and ends by itself.
#include <windows.h>

#include <string>

#include "base/win/form.h"
#include "base/win/log.h"
#include "startup/command_line.h"

namespace {

constexpr wchar_t kUpdateFrmClass[] = L"Qorv.UpdateFrm";
constexpr UINT_PTR kEndTimer = 1;

class UpdateFrm : public qorv::win::Form {
 protected:
  void CreateFormWindow() override {
    RegisterClassOnce(kUpdateFrmClass, 0, ::LoadIconW(qorv::win::ThisModule(), MAKEINTRESOURCEW(1)),
                      nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    Create(kUpdateFrmClass, 0, L"BrindleQorvane更新", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
           CW_USEDEFAULT, CW_USEDEFAULT, 420, 140, nullptr);
  }
  void OnLoad() override {
    std::wstring args(qorv::ArgumentsAfterProgramName(::GetCommandLineW()));
    qorv::win::LogInfo(L"Update.exe started: " + args);
    ::CreateWindowExW(0, L"STATIC", (L"正在启动更新…\n" + args).c_str(),
                      WS_CHILD | WS_VISIBLE | SS_LEFT, 12, 12, 380, 60, Hwnd(), nullptr,
                      qorv::win::ThisModule(), nullptr);
    ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
    ::SetTimer(Hwnd(), kEndTimer, 1500, nullptr);
  }
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_TIMER && wParam == kEndTimer) {
      ::KillTimer(Hwnd(), kEndTimer);
      Unload();
      return 0;
    }
    return Form::HandleMessage(msg, wParam, lParam);
  }
};

qorv::win::FormHolder<UpdateFrm> g_updateFrm;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  g_updateFrm.Get();
  return qorv::win::Application::Instance().Run();
}

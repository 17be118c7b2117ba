// The composition root: the registry gets the real forms, then the start-up window takes over.
#include <windows.h>
#include <objbase.h>

#include "base/win/form.h"
#include "gamewindow/web_main_frm.h"
#include "login/login_forms.h"
#include "startup/load_frm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::OleInitialize(nullptr);
  qorv::forms::RegisterStartupForms();
  qorv::login::RegisterLoginForms();
  qorv::gamewindow::RegisterGameWindow();
  qorv::forms::LoadFrm();
  int code = 0;
  if (qorv::win::Application::Instance().LoadedForms() > 0) {
    code = qorv::win::Application::Instance().Run();
  }
  ::OleUninitialize();
  return code;
}

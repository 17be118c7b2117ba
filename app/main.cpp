#include <windows.h>
#include <objbase.h>

#include "base/win/form.h"
#include "startup/load_frm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::OleInitialize(nullptr);
  qorv::forms::LoadFrm();
  int code = 0;
  if (qorv::win::Application::Instance().LoadedForms() > 0) {
    code = qorv::win::Application::Instance().Run();
  }
  ::OleUninitialize();
  return code;
}

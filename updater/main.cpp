// The updater program: one window, whose load runs the update and then unloads it.
#include <windows.h>

#include "base/win/form.h"
#include "updater/update_frm.h"

namespace {
qorv::win::FormHolder<qorv::UpdateFrm> g_updateFrm;
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  g_updateFrm.Get();
  return qorv::win::Application::Instance().Run();
}

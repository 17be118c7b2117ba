// The updater program: one window, whose load runs the update and then unloads it.
#include <windows.h>

#include "base/win/form.h"
#include "base/win/system_libraries.h"
#include "updater/update_frm.h"

namespace {
qorv::win::FormHolder<qorv::updater::UpdateFrm> g_updateFrm;
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else can load a library: see base/win/system_libraries.h.
  if (auto failures = qorv::win::LoadSystemLibrariesOnly(); !failures.empty()) {
    qorv::win::ReportLibraryLoadFailures(failures);
    return 1;
  }
  g_updateFrm.Get();
  return qorv::win::Application::Instance().Run();
}

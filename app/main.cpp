// The composition root: the registry gets the real forms, then the start-up window takes over.
#include <windows.h>

#include "base/win/com.h"
#include "base/win/form.h"
#include "base/win/system_libraries.h"
#include "gamewindow/audio_mute.h"
#include "gamewindow/settings_store.h"
#include "gamewindow/web_main_frm.h"
#include "login/login_forms.h"
#include "startup/load_frm.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else can load a library: see base/win/system_libraries.h.
  if (auto failures = qorv::win::LoadSystemLibrariesOnly(); !failures.empty()) {
    qorv::win::ReportLibraryLoadFailures(failures);
    return 1;
  }
  // Started before any form and ended after the message loop: the browser hosts and the
  // clipboard count on a single-threaded apartment for the whole run.
  const qorv::win::OleSession ole;
  qorv::startup::RegisterStartupForms();
  qorv::login::RegisterLoginForms();
  qorv::gamewindow::RegisterGameWindow();
  qorv::startup::StartupForm();
  int code = 0;
  if (qorv::win::Application::Instance().LoadedForms() > 0) {
    // After the splash is up, since the audio service's first use is slow, and before the message
    // loop lets the login page load anything: a muted player hears nothing of that page either.
    qorv::gamewindow::StartPlayerAudio(qorv::gamewindow::LoadPlayerSettings().muted);
    code = qorv::win::Application::Instance().Run();
  }
  qorv::gamewindow::StopPlayerAudio();
  return code;
}

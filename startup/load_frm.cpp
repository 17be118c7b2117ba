#include "startup/load_frm.h"

#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include "base/units.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/environment.h"
#include "base/win/form_icons.h"
#include "base/win/log.h"
#include "startup/command_line.h"

namespace qorv::startup {
namespace {

win::FormHolder<LoadFrm> g_loadFrm;

void CheckConnection() {
  DWORD flags = 0;
  if (!::InternetGetConnectedState(&flags, 0)) {
    ::MessageBoxW(nullptr, kConnectionWarning, kMessageTitle, MB_ICONEXCLAMATION | MB_OK);
    win::Application::EndAtOnce();
  }
}

}  // namespace

LoadFrm& StartupForm() { return g_loadFrm.Get(); }
bool StartupFormLoaded() { return g_loadFrm.IsLoaded(); }
void RegisterStartupForms() {
  win::Forms().splashIfLoaded = []() -> win::ISplashForm* { return g_loadFrm.IfLoaded(); };
}

LoadFrm::LoadFrm() {
  // The splash is decoded while the checks wait on the network; the login background, which
  // nothing shows before the splash, once the splash is up.
  PrefetchLayeredPictures({kSplashPicture}, {kLoginBackgroundPicture});
  CheckConnection();
  CheckUpdate();
}

void LoadFrm::CreateFormWindow() {
  RegisterClassOnce(kLoadFrmClass, 0, win::ClassIcon(ICON_BIG), ::LoadCursorW(nullptr, IDC_ARROW),
                    nullptr, win::ClassIcon(ICON_SMALL));
  const RECT place = SplashPlacement(win::SystemDpi());
  // A tool window: a splash has no taskbar button of its own.
  Create(kLoadFrmClass, WS_EX_TOOLWINDOW, kProductCaption, WS_POPUP, place.left, place.top,
         place.right - place.left, place.bottom - place.top, nullptr);
}

RECT SplashPlacement(int dpi) {
  // Centred at the size the picture takes at the DPI: the layered picture keeps the window's
  // top-left corner, so a window centred at the design's size would sit off-centre once scaled.
  const int width = ScaleForDpi(kSplashWidth, dpi);
  const int height = ScaleForDpi(kSplashHeight, dpi);
  const POINT at = win::CentredOnWorkArea(width, height);
  return {at.x, at.y, at.x + width, at.y + height};
}

void LoadFrm::OnLoad() {
  std::wstring_view arguments = ArgumentsAfterProgramName(::GetCommandLineW());
  if (IsWebOption(arguments)) {
    ::ShellExecuteW(nullptr, L"open", win::CurrentEndpoints().homeUrl.c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
    win::Application::EndAtOnce();
  }
  if (!m_splash.SetUp(Hwnd(), kSplashPicture, false)) {
    // Without its picture the splash stays hidden. Nothing else is loaded yet that could take
    // over, and an invisible program that never ends is worse than ending now.
    win::LogError(L"splash picture unavailable; start-up ends");
    Unload();
    return;
  }
  // The login page window loads hidden and starts navigating; it shows the login windows and
  // unloads the splash when its page has loaded.
  if (auto& login = win::Forms().login) login();
  if (IsUnloading()) return;  // the login page already took the splash down
  ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
  DecodeAfterSplashPictures();
}

void LoadFrm::OnUnload() { m_splash.Release(); }

}  // namespace qorv::startup

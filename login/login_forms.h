// The login screen: a per-pixel transparent background picture (LoginBgFrm) that carries the
// taskbar button and drags, and on top of it, owned by it, the colour-keyed page window (LoginFrm)
// hosting the platform's login page, which commands the client through "app://" addresses.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "base/texts.h"
#include "base/win/form.h"
#include "base/win/form_icons.h"
#include "base/win/form_registry.h"
#include "base/win/handles.h"
#include "browser/browser.h"
#include "browser/new_window.h"
#include "login/client_command.h"
#include "login/image_control.h"
#include "login/login_layout.h"
#include "startup/layered_image.h"

namespace qorv::login {

inline constexpr wchar_t kLoginBgClass[] = L"Qorv.LoginBgFrm";
inline constexpr wchar_t kLoginFrmClass[] = L"Qorv.LoginFrm";
inline constexpr wchar_t kPictureClass[] = L"Qorv.LoginPicture";
inline constexpr COLORREF kKeyColour = RGB(254, 254, 254);
inline constexpr int kMiniGif = 101;
inline constexpr int kCloseGif = 102;

class LoginBgFrm : public win::Form {
 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  void OnUnload() override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  startup::LayeredImage m_image;
  bool m_hooked = false;
};

class LoginFrm : public win::Form, public win::ILoginForm {
 public:
  ~LoginFrm() override;
  void Show() override;
  HWND Hwnd() const override { return Form::Hwnd(); }
  browser::IBrowser* Browser() const { return m_browser.get(); }

 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  bool OnQueryUnload() override;
  void OnUnload() override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnDownloadBegin();
  void OnBeforeNavigate2(const std::wstring& url, bool topLevel, bool& cancel);
  void OnNewWindow(const std::wstring& url, bool& processed);
  void OnDocumentComplete(const std::wstring& url, bool topLevel);
  void OnNavigateError(const std::wstring& url, int32_t status, bool topLevel);
  void RunPendingCommand();
  // The login screen's icons and the page window's image buttons (see OnLoad). Once.
  void FinishHiddenParts();
  // The login page cannot be had: the warning, then the end of the program, or of the login
  // screen alone when the game window is running.
  void NoConnection();
  bool Closing() const { return IsUnloading() || m_pending.has_value(); }

  class Picture : public win::Window {
   public:
    bool Create(HWND parent, const PixelRect& at);
  };

  LoginPlaces m_places;
  Picture m_picture1;
  std::unique_ptr<browser::IBrowser> m_browser;  // WebBrowser1
  ImageControl m_miniBtn;
  ImageControl m_closeBtn;
  // Set on the background window; released with the login screen, after both windows are gone.
  win::FormIcons m_icons;
  std::optional<RoutedAddress> m_pending;  // a command that closes us, run after its event
  browser::NewWindowRequests m_newWindows;
  bool m_pageShown = false;
  bool m_hiddenPartsDone = false;
};

// The single instances; referring to one loads it.
LoginBgFrm& LoginBgForm();
LoginFrm& LoginForm();
bool LoginBgLoaded();
LoginFrm* LoginFormIfLoaded();

// Unloads the login screen (the background unloads the page window) and the splash with it when
// it is still up: the login screen is what would have taken it down.
void CloseLoginScreen();

// Fills the registry's login entry and makes the page window follow the background's moves.
void RegisterLoginForms();

}  // namespace qorv::login

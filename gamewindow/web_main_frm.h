// WebMainFrm: the borderless, skinned window the game is played in. A drawn frame with a logo
// across the top, a tab strip whose tabs are page forms (WebUrl) over a container panel, two
// captioned and four skin buttons, the tool menu, a tray icon, F10 and a DDE topic whose execute
// command opens a page.
//
// Its messages pass the window-style object's form subclass first, then the hot-key and tray
// procedure, then this class. Closing asks the exit dialog unless m_bExit is set.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/texts.h"
#include "base/units.h"
#include "base/win/form.h"
#include "base/win/form_icons.h"
#include "base/win/form_registry.h"
#include "base/win/gdi.h"
#include "browser/browser.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "controls/set_style.h"
#include "controls/surface.h"
#include "gamewindow/app_menu.h"
#include "gamewindow/dde_source.h"
#include "gamewindow/notify_icon.h"
#include "gamewindow/player_settings.h"
#include "gamewindow/shortcuts.h"
#include "startup/update_check.h"
#include "tabstrip/tab_strip.h"

namespace qorv::gamewindow {

class WebUrl;

inline constexpr wchar_t kWebMainFrmClass[] = L"Qorv.WebMainFrm";
inline constexpr int kLogoBitmap = 105;

class WebMainFrm final : public win::Form, public win::IGameWindow, public startup::IUpdateHost {
 public:
  WebMainFrm();
  ~WebMainFrm() override;

  // IGameWindow
  void SetURL(const std::wstring& strURL) override;
  void Show() override;
  HWND Hwnd() const override { return Form::Hwnd(); }

  // Opens the page's tab, or selects it when the address is open already. Web addresses only.
  void OpenPage(const std::wstring& address);

  bool m_bExit = false;

  // For the commands and their tests.
  tabstrip::uTab& WebuTab() { return m_tab; }
  controls::iButton& Button(int which);  // 0 tool, 1 min, 2 minmax, 3 close, 4 other, 5 space
  controls::BForm& WebBForm() { return m_frame; }
  HMENU AppMenu() const { return m_appmenu.Get(); }
  HWND PlaceholderPanel() const { return m_picture1; }
  HWND Logo() const { return m_picLogo; }
  HWND PageContainer() const { return m_pCnt; }
  const CKpNotifyIcon* TrayIcon() const { return m_tray.get(); }
  void RunMenuCommand(UINT id);
  void PopupAppMenu();
  // Rebuilds appmenu from the current state (PopupAppMenu does so before it opens the menu).
  void RefreshAppMenu();
  void CloseClick();  // the web_close action

  // The player's commands of the tool menu's middle group (gamewindow/player_commands.cpp).
  const PlayerSettings& Settings() const { return m_settings; }
  // The selected tab's page; null while there is none.
  std::shared_ptr<WebUrl> SelectedPage();
  // Where screenshots go: the player's Pictures folder unless set (empty: that folder again).
  void SetPicturesFolder(std::wstring folder) { m_picturesFolder = std::move(folder); }

 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  bool OnQueryUnload() override;
  void OnUnload() override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(int newDpi, const RECT& suggested) override;

 private:
  // IUpdateHost
  HWND UpdateMessageOwner() const override { return Form::Hwnd(); }
  bool UpdateHostLoaded() const override { return !IsUnloading(); }
  void SetExitFlag(bool bExit) override { m_bExit = bExit; }
  void UnloadForUpdate() override { RequestClose(); }

  void Layout();
  void ToggleMute();
  void ScreenshotCommand();
  void SetAlwaysOnTop(bool on);
  void ApplyAlwaysOnTop();
  void ZoomSelected(UINT command, int times = 1);
  bool OnShortcut(MSG& msg);
  void LoadPlayerChoices();    // settings, mute, always on top, the shortcut filter
  void ForgetPlayerChoices();  // the filter and the audio session go with the window
  void OnTrayBalloon(LPARAM event);
  void SaveSettings();
  int Px(double twips) const;  // at the window's DPI
  void DressCaptionButtons();
  void ShowLogo();
  void WebMinMaxClick();
  void ArrowCursor();
  void WireEvents();
  void LoadIconsAndTray();
  void AfterFirstShow();
  void SetCaptions();
  void TakeOverFrame();
  void CentreOnScreen();

  std::unique_ptr<controls::FormSurface> m_surface;
  std::unique_ptr<controls::cSetStyle> m_objStyle;
  std::unique_ptr<CKpNotifyIcon> m_tray;
  controls::BForm m_frame;  // WebBForm
  HWND m_picLogo = nullptr;
  tabstrip::uTab m_tab;     // WebuTab
  controls::iButton m_otherUser, m_gameSpace, m_tool, m_min, m_minmax, m_close;
  HWND m_pCnt = nullptr;
  HWND m_picture1 = nullptr;
  std::unique_ptr<browser::IBrowser> m_webBrowser1;  // the placeholder's, never navigated
  win::UniqueMenu m_appmenu;  // the menu bar that is never shown; its one popup is appmenu
  HMENU m_popup = nullptr;
  win::FormIcons m_icons;
  win::UniqueBitmap m_logo;
  DdeSource m_dde;
  startup::UpdateCommand m_update;
  UINT m_taskbarCreated = 0;
  bool m_hooked = false;
  std::wstring m_versionCaption = L"版本号:";
  PlayerSettings m_settings;       // held for this run even when the registry refuses a write
  std::weak_ptr<WebUrl> m_gamePage;  // the first page: its zoom is the one remembered
  WheelZoom m_wheel;
  std::wstring m_picturesFolder;
  std::wstring m_balloonFolder;  // what a click on the balloon showing now opens; empty: nothing
  int m_dpi = kDesignDpi;  // what the controls are laid out at
};

WebMainFrm& MainForm();
WebMainFrm* MainFormIfLoaded();
void RegisterGameWindow();

}  // namespace qorv::gamewindow

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

#include "base/units.h"
#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "base/win/handles.h"
#include "browser/browser.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "controls/set_style.h"
#include "controls/surface.h"
#include "gamewindow/dde_source.h"
#include "gamewindow/notify_icon.h"
#include "startup/update_check.h"
#include "tabstrip/tab_strip.h"

namespace qorv::gamewindow {

inline constexpr wchar_t kWebMainFrmClass[] = L"Qorv.WebMainFrm";
inline constexpr wchar_t kMainCaption[] = L"BrindleQorvane客户端";

// Menu command ids of appmenu, in the menu's order.
enum MenuCommand : UINT {
  kCmdRefresh = 1001,
  kCmdHideRestore,
  kCmdClearCache,
  kCmdUpdate,
  kCmdVersion,
  kCmdExit,
};

class WebMainFrm final : public win::Form, public win::IGameWindow, public IUpdateHost {
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
  void CloseClick();  // the web_close action

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
  int Px(double twips) const;  // at the window's DPI
  void DressCaptionButtons();
  void WebMinMaxClick();
  void ArrowCursor();
  void WireEvents();

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
  win::UniqueIcon m_smallIcon, m_bigIcon;
  win::UniqueBitmap m_logo;
  DdeSource m_dde;
  UpdateCommand m_update;
  UINT m_taskbarCreated = 0;
  bool m_hooked = false;
  int m_dpi = kDesignDpi;  // what the controls are laid out at
};

WebMainFrm& MainForm();
WebMainFrm* MainFormIfLoaded();
void RegisterGameWindow();

}  // namespace qorv::gamewindow

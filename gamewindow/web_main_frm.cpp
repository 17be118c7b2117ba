#include "gamewindow/web_main_frm.h"

#include <shellapi.h>

#include <utility>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/text.h"
#include "base/web_address.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/environment.h"
#include "base/win/handover.h"
#include "base/win/log.h"
#include "base/win/picture.h"
#include "build_config.h"
#include "controls/property_bag.h"
#include "gamewindow/cache_main.h"
#include "gamewindow/main_layout.h"
#include "gamewindow/mod_msg.h"
#include "gamewindow/msg_frm.h"
#include "gamewindow/web_url.h"
#include "startup/public_data.h"

namespace qorv::gamewindow {
namespace {

// Posted by the load: what the player cannot see before the window is first shown (the tray
// icon, the DDE topic) waits until the command that loaded the window has shown and painted it.
constexpr UINT kAfterFirstShow = WM_APP + 1;

win::FormHolder<WebMainFrm> g_main;

void PopupFromHook(HWND) {
  if (WebMainFrm* main = g_main.IfLoaded()) main->PopupAppMenu();
}

// The captioned buttons' state strip (normal, hover, pressed), cut from the title bar they sit on
// so the button reads as text on the bar, lit a little under the mouse.
win::UniqueBitmap CaptionStrip(HDC bar, int barX, int width, int height) {
  win::BackBuffer strip = win::BackBuffer::Compatible(nullptr, width * 3, height);
  if (!strip) return {};
  win::BackBuffer tint = win::BackBuffer::Compatible(strip.Get(), 1, 1);
  for (int frame = 0; frame < 3; ++frame) {
    ::BitBlt(strip.Get(), frame * width, 0, width, height, bar, barX, 0, SRCCOPY);
    if (frame > 0 && tint) {
      BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(frame == 1 ? 40 : 70), 0};
      ::SetPixel(tint.Get(), 0, 0, frame == 1 ? RGB(255, 255, 255) : RGB(0, 0, 0));
      ::AlphaBlend(strip.Get(), frame * width, 0, width, height, tint.Get(), 0, 0, 1, 1, blend);
    }
  }
  return strip.TakeBitmap();
}

}  // namespace

WebMainFrm& MainForm() { return g_main.Get(); }
WebMainFrm* MainFormIfLoaded() { return g_main.IfLoaded(); }

void RegisterGameWindow() {
  win::Forms().gameWindow = []() -> win::IGameWindow& { return MainForm(); };
  win::Forms().gameWindowIfLoaded = []() -> win::IGameWindow* { return g_main.IfLoaded(); };
}

WebMainFrm::WebMainFrm() = default;
WebMainFrm::~WebMainFrm() = default;

controls::iButton& WebMainFrm::Button(int which) {
  controls::iButton* buttons[] = {&m_tool, &m_min, &m_minmax, &m_close, &m_otherUser,
                                  &m_gameSpace};
  return *buttons[which];
}

void WebMainFrm::CreateFormWindow() {
  RegisterClassOnce(kWebMainFrmClass, CS_DBLCLKS, win::ClassIcon(ICON_BIG),
                    ::LoadCursorW(nullptr, IDC_ARROW), nullptr, win::ClassIcon(ICON_SMALL));
  // Created on the primary monitor: its DPI until the window says otherwise.
  m_dpi = win::SystemDpi();
  Create(kWebMainFrmClass, 0, L"", WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0,
         0, DesignClientWidth(m_dpi), DesignClientHeight(m_dpi), nullptr);
  HWND form = Hwnd();
  m_dpi = win::DpiOf(form);
  win::HandoverStep(L"window");

  m_frame.Create(form, 0, 0, Px(15495));
  m_frame.SetHasLogo(true);
  m_frame.SetBackColor(L"&H00DEDEDE");

  // SS_NOTIFY: a plain static is transparent to hit tests, so a press on the logo would reach
  // the frame beneath and drag the window; the logo takes the press and only shows the arrow.
  m_picLogo = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                Px(100),
                                Px(30), Px(440), Px(440), form, nullptr, win::ThisModule(),
                                nullptr);

  controls::PropertyBag bag;
  bag.Preset(L"TabStyle", int32_t{1});
  bag.Preset(L"TabLeftSize", int32_t{10});
  bag.Preset(L"TabRightSize", int32_t{0});
  m_tab.Create(form, Px(2160), Px(30), Px(10215), &bag);

  m_otherUser.Create(form, Px(10680), 0, Px(1485), Px(330));
  m_otherUser.SetCaption(L"登录其他帐号");
  m_gameSpace.Create(form, Px(12240), 0, Px(1215), Px(330));
  m_gameSpace.SetCaption(L"游戏官网");
  m_tool.Create(form, Px(12600), Px(15), Px(360), Px(270));
  m_min.Create(form, Px(12960), Px(15), Px(360), Px(270));
  m_minmax.Create(form, Px(13320), Px(15), Px(375), Px(270));
  m_minmax.SetStyle(1);
  m_close.Create(form, Px(13680), Px(15), Px(645), Px(270));

  win::HandoverStep(L"controls");
  m_pCnt = CreatePanel(form, 4, 33, 100, 100);
  m_picture1 = CreatePanel(form, 4, 33, 100, 100);
  m_webBrowser1 = browser::CreateBrowser(m_picture1, RECT{-2, -2, 102, 102});
  win::HandoverStep(L"placeholder_browser");

  // The frame lies below every control created after it: the title area's controls go on top.
  for (HWND h : {m_picLogo, m_tab.Hwnd(), m_otherUser.hWnd(), m_gameSpace.hWnd(), m_tool.hWnd(),
                 m_min.hWnd(), m_minmax.hWnd(), m_close.hWnd()}) {
    ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  m_appmenu.Reset(::CreateMenu());
  m_popup = ::CreatePopupMenu();
  RefreshAppMenu();
  // Owned by the bar menu, which destroys it with itself.
  ::AppendMenuW(m_appmenu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(m_popup), L"appmenu");

  WireEvents();
  win::HandoverStep(L"menu");
}

void WebMainFrm::WireEvents() {
  m_frame.MouseMove = [this](int16_t&, int16_t&, float&, float&) { ArrowCursor(); };
  m_gameSpace.Click = [] {
    ::ShellExecuteW(nullptr, L"open", win::CurrentEndpoints().GameRootUrl().c_str(), nullptr,
                    nullptr, SW_SHOWNORMAL);
  };
  m_otherUser.Click = [] {
    if (auto& login = win::Forms().login) login().Show();
  };
  m_tool.Click = [this] { PopupAppMenu(); };
  m_min.Click = [this] { ::ShowWindow(Hwnd(), SW_MINIMIZE); };
  m_minmax.Click = [this] { WebMinMaxClick(); };
  m_close.Click = [this] { CloseClick(); };

  m_tab.TabChanged = [this] { ::ShowWindow(m_picture1, SW_HIDE); };
  m_tab.OnMouseDown = [this](int32_t itemIndex, int16_t&, int16_t&, float&, float&) {
    ArrowCursor();
    if (!m_minmax.Value() && itemIndex < 0) {
      // The empty part of the strip drags the restored window.
      win::DragByCaption(Hwnd());
    }
  };
  m_tab.OnMouseHover = [this](int32_t itemIndex, int16_t&, int16_t&, float&, float&) {
    auto& items = m_tab.TabItems();
    m_tab.SetToolTipText(itemIndex >= 0 && itemIndex < items.Count()
                             ? items.Item(itemIndex)->Caption()
                             : std::wstring());
  };
  m_tab.OnMouseMove = [this](int32_t, int16_t&, int16_t&, float&, float&) { ArrowCursor(); };
  m_tab.OnItemColose = [this](int32_t, bool& cancel) {
    if (m_tab.TabItems().Count() <= 1) {
      // The last tab is the window: closing it is closing the window.
      cancel = true;
      CloseClick();
    }
  };
  m_dde.Execute = [this](const std::wstring& command) {
    if (::IsIconic(Hwnd())) ::ShowWindow(Hwnd(), SW_RESTORE);
    OpenPage(command);
  };
}

void WebMainFrm::OnLoad() {
  HWND form = Hwnd();
  LoadIconsAndTray();
  win::HandoverStep(L"icons");
  MainWindowActions actions;
  actions.popupMenu = &PopupFromHook;
  m_hooked = HookMainWindow(form, actions);
  win::HandoverStep(L"hot_key");
  SetCaptions();
  DressCaptionButtons();
  win::HandoverStep(L"captions");
  TakeOverFrame();
  CentreOnScreen();
  win::HandoverStep(L"style");

  m_close.SetBackPicture(103);
  m_minmax.SetBackPicture(102);
  m_min.SetBackPicture(101);
  m_minmax.SetValue(true);
  m_tool.SetBackPicture(104);
  win::HandoverStep(L"skins");

  m_tab.SethContainerWnd(m_pCnt);
  m_tab.LockReDraw(false);

  ShowLogo();
  win::HandoverStep(L"logo");

  WebMinMaxClick();
  win::HandoverStep(L"maximise");

  m_taskbarCreated = CKpNotifyIcon::TaskbarCreatedMessage();
  LoadPlayerChoices();
  win::HandoverStep(L"player_choices");
  ::PostMessageW(form, kAfterFirstShow, 0, 0);
}

void WebMainFrm::AfterFirstShow() {
  if (IsUnloading()) return;
  if (m_tray && !m_tray->Added()) {
    m_tray->AddNotifyIcon(Hwnd(), m_icons.smallIcon.Get(), kProductCaption);
  }
  if (!m_dde.Start()) win::LogError(L"the DDE topic could not be registered");
}

void WebMainFrm::LoadIconsAndTray() {
  HWND form = Hwnd();
  const win::IconSizes sizes = win::IconSizesForDpi(win::DpiOf(form));
  m_icons = win::LoadFormIcons(startup::IconFilePath(), sizes.big, sizes.small);
  win::SetFormIcons(form, m_icons);
  // The icon itself is added once the window has been shown (AfterFirstShow): the shell is
  // another process, and a busy one would hold up the window.
  if (!m_tray) m_tray = std::make_unique<CKpNotifyIcon>();
}

void WebMainFrm::SetCaptions() {
  // Shown from the menu's next rebuild, which the end of the load makes.
  m_versionCaption = VersionCaption(QORV_VERSION_MAJOR, QORV_VERSION_MINOR, QORV_VERSION_PATCH);
  m_frame.SetCaption(L"BrindleQorvane");
  ::SetWindowTextW(Hwnd(), kProductCaption);
}

void WebMainFrm::TakeOverFrame() {
  HWND form = Hwnd();
  m_objStyle = std::make_unique<controls::cSetStyle>();
  m_surface = std::make_unique<controls::FormSurface>(form);
  m_objStyle->SetobjForm(form);
  m_objStyle->CloseClick = [this] { CloseClick(); };
  m_objStyle->SetWindowStyle(form);
  m_frame.SetfrmHwnd(form);
}

// The main window is centred on the whole screen, not on the work area as the dialogs are.
void WebMainFrm::CentreOnScreen() {
  HWND form = Hwnd();
  RECT wr{};
  ::GetWindowRect(form, &wr);
  const double screenW = PixelsToTwips(::GetSystemMetrics(SM_CXSCREEN), m_dpi);
  const double screenH = PixelsToTwips(::GetSystemMetrics(SM_CYSCREEN), m_dpi);
  const int64_t left = CentredOrigin(screenW, PixelsToTwips(wr.right - wr.left, m_dpi));
  const int64_t top = CentredOrigin(screenH, PixelsToTwips(wr.bottom - wr.top, m_dpi));
  ::SetWindowPos(form, nullptr, Px(static_cast<double>(left)), Px(static_cast<double>(top)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WebMainFrm::SetURL(const std::wstring& strURL) { OpenPage(strURL); }

void WebMainFrm::Show() {
  ::ShowWindow(Hwnd(), SW_SHOW);
  ::SetForegroundWindow(Hwnd());
  win::HandoverStep(L"show_window");
  // Painted now rather than when the queue runs dry: posted messages go before a paint, so the
  // work the load left for after the first show would otherwise come first. The hand-over clock
  // stops at a window the player sees drawn, children and all.
  ::RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  win::HandoverShown(m_dpi);
}

void WebMainFrm::OpenPage(const std::wstring& address) {
  if (!IsWebAddress(address)) {
    win::LogError(L"not a web address; no tab opened: " + ForLog(address));
    return;
  }
  const std::wstring key = L"Game" + address;
  try {
    auto& items = m_tab.TabItems();
    const int32_t index = items.FindItem(key);
    if (index == -1) {
      auto page = std::make_shared<WebUrl>();
      if (items.Count() == 0) {
        // The first page is the game: it starts at the zoom the player left it at.
        m_gamePage = page;
        page->SetZoom(m_settings.gameZoom);
      }
      page->OpenURL(address);
      items.Add(key, page, key);
      items.SetSelected(items.Count() - 1);
    } else {
      items.SetSelected(index);
    }
  } catch (const tabstrip::TabError& e) {
    win::LogError(L"the page tab could not be opened: error " + std::to_wstring(e.Number()));
  }
  ::ShowWindow(m_picture1, SW_HIDE);
}

void WebMainFrm::WebMinMaxClick() {
  if (!m_objStyle) return;
  const bool maximised = m_objStyle->CallWindowStateChange();
  // The frame cannot drag a maximised window.
  m_frame.SetfrmHwnd(maximised ? nullptr : Hwnd());
}

void WebMainFrm::ArrowCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW)); }

void WebMainFrm::CloseClick() { RequestClose(); }

void WebMainFrm::PopupAppMenu() {
  POINT pt{};
  ::GetCursorPos(&pt);
  RefreshAppMenu();
  // Foreground first, so the menu closes when the player clicks elsewhere (also from the tray).
  ::SetForegroundWindow(Hwnd());
  ::TrackPopupMenu(m_popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, Hwnd(), nullptr);
  ::PostMessageW(Hwnd(), WM_NULL, 0, 0);
}

void WebMainFrm::RunMenuCommand(UINT id) {
  switch (id) {
    case kCmdRefresh:
      // The panel's own flag: the placeholder stays the target while the window is hidden.
      if (::GetWindowLongPtrW(m_picture1, GWL_STYLE) & WS_VISIBLE) {
        if (m_webBrowser1) m_webBrowser1->Refresh();
      } else {
        try {
          m_tab.RefreshPage();
        } catch (const tabstrip::TabError&) {
          win::LogInfo(L"refresh without a selected tab");
        }
      }
      break;
    case kCmdHideRestore:
      ToggleVisible(Hwnd());
      break;
    case kCmdClearCache:
      ClearCacheCommand(Hwnd());
      break;
    case kCmdUpdate:
      m_update.Run(*this);
      break;
    case kCmdExit:
      CloseClick();
      break;
    case kCmdMute:
      ToggleMute();
      break;
    case kCmdScreenshot:
      ScreenshotCommand();
      break;
    case kCmdTopmost:
      SetAlwaysOnTop(!m_settings.alwaysOnTop);
      break;
    case kCmdZoomIn:
    case kCmdZoomOut:
    case kCmdZoomReset:
      ZoomSelected(id);
      break;
    default:
      break;  // the version entry only shows the version
  }
}

int WebMainFrm::Px(double twips) const { return TwipsToPixels(twips, m_dpi); }

// Again after a DPI change: the strip is cut at the buttons' size and the font made for the DPI.
void WebMainFrm::DressCaptionButtons() {
  for (controls::iButton* b : {&m_otherUser, &m_gameSpace}) {
    RECT r{};
    ::GetClientRect(b->hWnd(), &r);
    win::UniqueBitmap strip(CaptionStrip(m_frame.hdc(), Px(8000), r.right, r.bottom));
    b->SetBackPicture(strip.Get(), m_dpi);  // the button keeps a copy
    b->SetcForeColor(0xFFFFFF);
    controls::FontDesc font = controls::DefaultFontDesc();
    font.charset = 134;  // GB2312: the captions are Chinese
    b->SetcFont(font);
  }
}

void WebMainFrm::Layout() {
  HWND form = Hwnd();
  if (!form || ::IsIconic(form) || !m_surface) return;
  RECT wr{}, cr{}, fr{};
  ::GetWindowRect(form, &wr);
  ::GetClientRect(form, &cr);
  ::GetWindowRect(m_frame.hWnd(), &fr);
  const MainPlaces m = PlaceMainWindow(wr.right - wr.left, cr.right, cr.bottom, m_tab.Height(),
                                       fr.bottom - fr.top, m_dpi);

  ::MoveWindow(m_frame.hWnd(), m.frame.left, m.frame.top, m.frame.Width(), m.frame.Height(), TRUE);
  m_frame.Printform(*m_surface);
  win::RectRgn(form, m.regionRight, m.regionBottom, 6, 6);
  // Sizes too, not only places: after a DPI change every control has its size to take again.
  auto place = [](HWND h, const PixelRect& r) {
    ::SetWindowPos(h, nullptr, r.left, r.top, r.Width(), r.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  };
  place(m_picLogo, m.logo);
  place(m_close.hWnd(), m.close);
  place(m_minmax.hWnd(), m.minmax);
  place(m_min.hWnd(), m.min);
  place(m_tool.hWnd(), m.tool);
  if (m.tab) m_tab.Move(m.tab->left, m.tab->top, m.tab->Width());
  place(m_gameSpace.hWnd(), m.gameSpace);
  place(m_otherUser.hWnd(), m.otherUser);
  if (m.panel) {
    for (HWND h : {m_picture1, m_pCnt}) {
      ::MoveWindow(h, m.panel->left, m.panel->top, m.panel->Width(), m.panel->Height(), TRUE);
    }
    // The placeholder's browser border lies outside its panel.
    if (m_webBrowser1) m_webBrowser1->Move(-2, -2, m.panel->Width() + 4, m.panel->Height() + 4);
  }
}

void WebMainFrm::ShowLogo() {
  // At another DPI the logo is made from the finer art at the window's DPI: the static control
  // would otherwise show the 96 DPI picture at its own size or stretched.
  win::UniqueBitmap logo =
      m_dpi == kDesignDpi
          ? win::UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(
                win::ThisModule(), MAKEINTRESOURCEW(kLogoBitmap), IMAGE_BITMAP, 0, 0,
                LR_CREATEDIBSECTION)))
          : win::PictureForDpi(kLogoBitmap, m_dpi);
  if (!logo) return;
  // A static control keeps a copy of a 32-bit picture and hands that copy back here: ours to
  // delete, where it is not the picture we gave it (which m_logo holds).
  win::UniqueBitmap previous(reinterpret_cast<HBITMAP>(
      ::SendMessageW(m_picLogo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo.Get()))));
  if (previous.Get() == m_logo.Get()) previous.Release();
  m_logo = std::move(logo);  // the control no longer shows the old one
}

void WebMainFrm::OnDpiChanged(int newDpi, const RECT& suggested) {
  m_dpi = newDpi;
  // The buttons first: an auto-sized button would otherwise size itself back to its picture at
  // the old DPI when the layout moves it.
  for (controls::iButton* b : {&m_tool, &m_min, &m_minmax, &m_close, &m_otherUser, &m_gameSpace})
    b->SetDpi(m_dpi);
  m_tab.SetDpi(m_dpi);  // its new height is what the layout puts the page area below
  m_frame.SetDpi(m_dpi);
  if (m_objStyle && m_objStyle->Maximised() && !::IsIconic(Hwnd())) {
    // Maximised stays maximised, on the monitor it now is on.
    m_objStyle->FitMaximised(::MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), m_dpi);
  } else {
    Form::OnDpiChanged(newDpi, suggested);
  }
  ShowLogo();
  // A window of the same size in pixels gets no WM_SIZE from the move: lay out all the same.
  Layout();
  DressCaptionButtons();
}

bool WebMainFrm::OnQueryUnload() {
  if (m_bExit) return true;
  MsgFrm::ShowModal(Hwnd(), m_bExit);
  return m_bExit && !IsUnloading();
}

void WebMainFrm::OnUnload() {
  ForgetPlayerChoices();
  m_dde.Stop();
  if (m_hooked) UnhookMainWindow(Hwnd());
  m_hooked = false;
  try {
    m_tab.TabItems().Clear();
  } catch (const tabstrip::TabError&) {
  }
  // The style object's subclass sits above the hot-key procedure: once it is gone, the
  // procedure finds itself on top and puts the window's own back.
  m_objStyle.reset();
  m_tray.reset();
  if (m_webBrowser1) {
    m_webBrowser1->events = {};
    m_webBrowser1.reset();
  }
}

LRESULT WebMainFrm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (m_surface && m_surface->HandleMessage(msg, wParam, lParam, result)) return result;
  if (m_taskbarCreated && msg == m_taskbarCreated) {
    // The shell restarted: without the icon a hidden window would have no way back.
    if (m_tray) m_tray->OnTaskbarCreated();
    return 0;
  }
  switch (msg) {
    case WM_SIZE:
      Layout();
      return 0;
    case kAfterFirstShow:
      AfterFirstShow();
      return 0;
    case kTrayCallbackMessage:
      OnTrayBalloon(lParam);
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && lParam == 0) {
        RunMenuCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      // The style object raised CloseClick for it already, which asked; the system's own
      // handling would send WM_CLOSE and ask a second time.
      if ((wParam & 0xFFF0) == SC_CLOSE && m_objStyle) return 0;
      break;
    default:
      break;
  }
  return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace qorv::gamewindow

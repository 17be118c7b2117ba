#include "tabstrip/tab_strip.h"

#include <commctrl.h>
#include <windowsx.h>

#include <exception>
#include <string>

#include "base/text.h"
#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/picture.h"
#include "base/win/log.h"
#include "base/win/mouse_args.h"
#include "controls/property_bag.h"
#include "subclass/subclass.h"

namespace qorv::tabstrip {
namespace {

constexpr wchar_t kClassName[] = L"QorvTabStrip";

HWND AsHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }

// The window calls of the tab model, over Win32.
class Win32TabWindowOps final : public ITabWindowOps {
 public:
  int32_t GetStyle(WindowHandle h) override {
    return static_cast<int32_t>(::GetWindowLongW(AsHwnd(h), GWL_STYLE));
  }
  void SetStyle(WindowHandle h, int32_t style) override {
    ::SetWindowLongW(AsHwnd(h), GWL_STYLE, style);
  }
  void SetActiveWindow(WindowHandle h) override { ::SetActiveWindow(AsHwnd(h)); }
  void SetParentNone(WindowHandle h) override { ::SetParent(AsHwnd(h), nullptr); }
  int32_t ScreenWidth() override { return ::GetSystemMetrics(SM_CXSCREEN); }
  int32_t ScreenHeight() override { return ::GetSystemMetrics(SM_CYSCREEN); }
  PixelRect GetWindowRect(WindowHandle h) override {
    RECT rc{};
    ::GetWindowRect(AsHwnd(h), &rc);
    return PixelRect::Edges(rc.left, rc.top, rc.right, rc.bottom);
  }
  void ShowTopAt(WindowHandle h, int32_t x, int32_t y) override {
    ::SetWindowPos(AsHwnd(h), HWND_TOP, x, y, 0, 0,
                   SWP_NOSIZE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  }
  void RedrawWindow(WindowHandle h) override {
    ::RedrawWindow(AsHwnd(h), nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
  }
};

Win32TabWindowOps& WindowOps() {
  static Win32TabWindowOps ops;
  return ops;
}

// The skin bitmaps come from the program's own resources; a missing one leaves its skin out.
// Away from 96 DPI the skin is the 2x art scaled to the DPI at its cut lines, with the magenta
// key kept sharp so the colour-keyed copies still find it.
UniqueMemoryDC LoadSkin(int32_t tabStyle, int dpi) {
  const int id = MetricsFor(tabStyle).bitmapId;
  win::UniqueBitmap bitmap;
  if (ClampDpi(dpi) == kDesignDpi) {
    bitmap.Reset(static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                   MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION)));
  } else {
    const SkinCuts cuts = SkinCutsFor(tabStyle);
    bitmap = win::PictureForDpi(id, dpi, {cuts.x, cuts.y, uint32_t{0xFF00FF}});
  }
  if (!bitmap) {
    win::LogError(L"tab strip: bitmap resource " + std::to_wstring(id) + L" is missing");
    return {};
  }
  try {
    UniqueMemoryDC skin(CreateBitmapDC(bitmap.Get()));
    bitmap.Release();  // the DC's now
    return skin;
  } catch (const TabApiError& e) {
    win::LogError(L"tab strip: " + e.Description());
    return {};
  }
}

// The stock font is made for the system DPI; the strip's monitor may have another.
win::UniqueFont MakeGuiFont(LONG weight, int dpi) {
  LOGFONTW lf{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
  const int systemDpi = win::SystemDpi();
  if (dpi != systemDpi) lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, systemDpi);
  lf.lfWeight = weight;
  return win::UniqueFont(::CreateFontIndirectW(&lf));
}

bool LeaveTracked(HWND hwnd) {
  TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
  return ::TrackMouseEvent(&query) && (query.dwFlags & TME_LEAVE) && query.hwndTrack == hwnd;
}

void LogFailure(const wchar_t* where, const std::exception& e) {
  win::LogError(std::wstring(L"tab strip: ") + where + L": " + Utf8ToWide(e.what()));
}

}  // namespace

uTab::uTab() {
  m_skin0 = LoadSkin(0, m_dpi);
  m_skin1 = LoadSkin(1, m_dpi);
  m_items = std::make_shared<CTabItems>(WindowOps());
  m_items->BindOwner(this);
  c_Subclass = std::make_unique<subclass::CSubclass>();
  c_Subclass->WindowProc = [this](bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd,
                                  UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) {
    c_Subclass_WindowProc(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
  };
  m_tabWidth = kTabWidthStart;
  m_tabLeftSize = 40;
  m_tabRightSize = 0;
  m_fontNormal = MakeGuiFont(100, m_dpi);
  m_fontBold = MakeGuiFont(700, m_dpi);
  m_selected = -1;
}

// Release order: the hooks first (no message reaches a half-torn control), then the list (its
// pages are unloaded), the skins, the fonts (no longer selected anywhere: every pass puts the
// buffer's own font back), the buffers, and last the window.
uTab::~uTab() {
  m_tearingDown = true;
  m_life.End();
  if (m_items) m_items->BindOwner(nullptr);
  c_Subclass.reset();
  m_items.reset();
  m_skin0.Reset();
  m_skin1.Reset();
  m_fontNormal.Reset();
  m_fontBold.Reset();
  FreeBuffers();
  m_tooltip.Reset();
  Destroy();
}

bool uTab::Create(HWND parent, int x, int y, int width, controls::PropertyBag* bag) {
  RegisterClassOnce(kClassName, CS_DBLCLKS);
  TakeDpi(win::DpiOf(parent));
  HWND hwnd = Window::Create(kClassName, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                             width, StripHeight(m_tabStyle, m_dpi), parent);
  if (!hwnd) return false;
  ReadProperties(bag);
  // The host runs (there is no designer here): hook the own window for every message.
  m_ownHooked = c_Subclass->ssc_Subclass(hwnd, 0, 1, true, false, false);
  if (m_ownHooked) {
    c_Subclass->ssc_AddMsg(hwnd, subclass::ALL_MESSAGES, subclass::CSubclass::kMsgBefore);
  }
  OnResize();
  return true;
}

void uTab::ReadProperties(controls::PropertyBag* bag) {
  if (bag) {
    controls::PropertyBag& b = *bag;
    m_tabStyle = controls::AsInt32(b.ReadProperty(L"TabStyle", m_tabStyle)).value_or(m_tabStyle);
    m_tabLeftSize =
        controls::AsInt32(b.ReadProperty(L"TabLeftSize", m_tabLeftSize)).value_or(m_tabLeftSize);
    m_tabRightSize = controls::AsInt32(b.ReadProperty(L"TabRightSize", m_tabRightSize))
                         .value_or(m_tabRightSize);
  }
  m_propertiesRead = true;
}

void uTab::WriteProperties(controls::PropertyBag& bag) const {
  bag.WriteProperty(L"TabStyle", m_tabStyle);
  bag.WriteProperty(L"TabLeftSize", m_tabLeftSize);
  bag.WriteProperty(L"TabRightSize", m_tabRightSize);
}

// ---------------------------------------------------------------------------------------------
// Public operations

void uTab::refresh() { DrawAll(true); }

void uTab::LockReDraw(bool bLock) {
  m_redrawEnabled = !bLock;
  if (!m_redrawEnabled) return;
  ComputeTabWidth();
  LayoutTabs();
  DrawAll(true);
}

void uTab::SethContainerWnd(HWND hWnd) {
  m_container = hWnd;
  // An earlier container stays hooked: its WM_SIZE still re-fits the selected page.
  c_Subclass->ssc_Subclass(hWnd, 0, 1, true, false, false);
  c_Subclass->ssc_AddMsg(hWnd, WM_SIZE, subclass::CSubclass::kMsgAfter);
}

void uTab::RefreshPage() {
  auto item = m_items->Item(m_selected);
  if (!item || !item->Form()) throw TabError(kErrNoObject);
  item->Form()->RefreshPage();
}

void uTab::SetToolTipText(const std::wstring& text) {
  m_toolTipText = text;
  HWND self = Hwnd();
  if (!self) return;
  TTTOOLINFOW ti{};
  ti.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the control
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = self;
  ti.uId = reinterpret_cast<UINT_PTR>(self);
  ti.lpszText = const_cast<wchar_t*>(m_toolTipText.c_str());
  if (!m_tooltip) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_tooltip.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, self, nullptr,
                                      win::ThisModule(), nullptr));
    if (!m_tooltip) return;
    ::SendMessageW(m_tooltip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    return;
  }
  ::SendMessageW(m_tooltip.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void uTab::RelayToolTip(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!m_tooltip) return;
  MSG m{Hwnd(), msg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
  ::SendMessageW(m_tooltip.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void uTab::Move(int x, int y, int width) {
  if (!Hwnd()) return;
  ::SetWindowPos(Hwnd(), nullptr, x, y, width, StripHeight(m_tabStyle, m_dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool uTab::TakeDpi(int dpi) {
  dpi = ClampDpi(dpi);
  if (dpi == m_dpi) return false;
  m_dpi = dpi;
  m_skin0 = LoadSkin(0, m_dpi);
  m_skin1 = LoadSkin(1, m_dpi);
  m_fontNormal = MakeGuiFont(100, m_dpi);
  m_fontBold = MakeGuiFont(700, m_dpi);
  return true;
}

void uTab::SetDpi(int dpi) {
  if (!TakeDpi(dpi) || !Hwnd()) return;
  // Looks composed with the old skin and fonts must not be replayed; OnResize makes the
  // buffers, the layout and the drawing again at the new height.
  FreeBuffers();
  OnResize();
}

int32_t uTab::LeftPx() const { return TabPx(m_tabLeftSize, m_dpi); }
int32_t uTab::RightPx() const { return TabPx(m_tabRightSize, m_dpi); }

int uTab::Height() const {
  RECT rc{};
  if (Hwnd()) ::GetWindowRect(Hwnd(), &rc);
  return rc.bottom - rc.top;
}

void uTab::SetSelected(int32_t value) {
  if (value < 0) {
    m_selected = -1;
    DrawAll(true);
    return;
  }
  if (value > m_items->Count() - 1) return;
  m_selected = value;
  ShowSelectedPage();
  DrawAll(true);
}

// ---------------------------------------------------------------------------------------------
// IuTab

void uTab::Add(const std::wstring&, const std::shared_ptr<ITabForm>& Form,
               const std::optional<std::wstring>&, const std::optional<TabIndex>&) {
  if (Form) AttachPage(AsHwnd(Form->hWnd()));
  if (m_selected > m_items->Count() || m_selected < 0) m_selected = 0;
  ComputeTabWidth();
  LayoutTabs();
  DrawTabs(true);
}

bool uTab::BeforeRemove(int32_t Index) {
  bool Cancel = false;
  Raise(m_life, OnItemColose, Index, Cancel);
  return !Cancel;
}

void uTab::Remove(int32_t Index) {
  ComputeTabWidth();
  LayoutTabs();
  if (Index == m_selected) {
    m_selected = 0;
  } else if (m_selected > Index) {
    --m_selected;
  }
  ShowSelectedPage();
  DrawTabs(true);
}

void uTab::Clear() {
  ComputeTabWidth();
  m_selected = 0;
  DrawTabs(true);
}

void uTab::Redraw(bool) { DrawAll(true); }

void uTab::ChangeForm(CTabItem&, const std::shared_ptr<ITabForm>& Form) {
  try {
    if (Form) AttachPage(AsHwnd(Form->hWnd()));
  } catch (const std::exception& e) {
    LogFailure(L"attaching a page", e);
  }
  try {
    ShowSelectedPage();
  } catch (const std::exception& e) {
    LogFailure(L"showing the selected page", e);
  }
}

WindowHandle uTab::hParent() const {
  HWND self = Hwnd();
  if (!self) return 0;
  return reinterpret_cast<WindowHandle>(::GetAncestor(self, GA_ROOT));
}

// ---------------------------------------------------------------------------------------------
// Layout and pages

int32_t uTab::ControlWidth() const {
  RECT rc{};
  if (Hwnd()) ::GetClientRect(Hwnd(), &rc);
  return rc.right;
}

std::vector<TabView> uTab::Views() const {
  std::vector<TabView> views;
  const int32_t n = m_items->Count();
  views.reserve(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    auto item = m_items->Item(i);
    views.push_back({item->Left(), item->Width(), item->HideButton()});
  }
  return views;
}

void uTab::ComputeTabWidth() {
  if (!m_redrawEnabled) return;
  const int32_t n = m_items->Count();
  int32_t locked = 0;
  for (int32_t i = 0; i < n; ++i) locked += m_items->Item(i)->LockSize() ? 1 : 0;
  m_tabWidth = tabstrip::ComputeTabWidth(m_tabStyle, ControlWidth(), LeftPx(), RightPx(), n,
                                         locked, m_dpi);
}

void uTab::LayoutTabs() {
  if (!m_redrawEnabled || m_items->Count() == 0) return;
  std::vector<bool> locks;
  for (int32_t i = 0; i < m_items->Count(); ++i) locks.push_back(m_items->Item(i)->LockSize());
  auto slots = tabstrip::LayoutTabs(m_tabStyle, m_tabWidth, locks, m_dpi);
  for (size_t i = 0; i < slots.size(); ++i) {
    auto item = m_items->Item(static_cast<int32_t>(i));
    item->SetLeft(slots[i].left);
    item->SetWidth(slots[i].width);
  }
}

void uTab::AttachPage(HWND h) {
  // Without a container there is nowhere to put the page; making it a child of the desktop
  // would strand it.
  if (!m_container || !h) return;
  RECT rc{};
  ::GetClientRect(m_container, &rc);
  ::SetParent(h, m_container);
  // WS_POPUP goes too: a window cannot be both a child and a pop-up.
  ModifyStyle(h, GWL_STYLE, WS_CAPTION | WS_THICKFRAME | WS_POPUP, WS_CHILD, SWP_FRAMECHANGED);
  ::SetWindowPos(h, nullptr, 0, 0, rc.right, rc.bottom,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
}

void uTab::ShowSelectedPage() {
  if (m_selected >= m_items->Count() || m_selected < 0 || !m_container) return;
  auto item = m_items->Item(m_selected);
  if (!item->Form()) return;
  RECT rc{};
  ::GetClientRect(m_container, &rc);
  ::SetWindowPos(AsHwnd(item->Form()->hWnd()), HWND_TOP, 0, 0, rc.right, rc.bottom,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

HitResult uTab::HitTestAt(float x, float y) const {
  return HitTest(m_tabStyle, ControlWidth(), LeftPx(), RightPx(), Views(), RoundCoordinate(x),
                 RoundCoordinate(y), m_dpi);
}

// ---------------------------------------------------------------------------------------------
// Drawing

HDC uTab::SkinDC() const { return m_tabStyle == 0 ? m_skin0.Get() : m_skin1.Get(); }

void uTab::FreeBuffers() {
  m_tabLooks.Clear();
  m_composedTabs = false;
  m_windowShowsComposition = false;
  m_composition.Reset();
  m_background.Reset();
  m_tabArea.Reset();
  m_bufferWidth = 0;
}

void uTab::CreateBuffers() {
  FreeBuffers();
  const int32_t W = ControlWidth();
  const int32_t H = StripHeight(m_tabStyle, m_dpi);
  const int32_t A = W - LeftPx() - RightPx();
  // A control without width, or margins that leave no tab area, gets no buffer rather than a
  // failed one.
  if (W <= 0) return;
  m_composition.Reset(CreateMemoryDC(W, H));
  m_background.Reset(CreateMemoryDC(W, H));
  if (A > 0) m_tabArea.Reset(CreateMemoryDC(A, H));
  m_bufferWidth = W;
}

bool uTab::DrawAll(bool update) {
  if (!DrawBackground()) return false;
  DrawTabs(update);
  return true;
}

bool uTab::DrawBackground() {
  if (!m_redrawEnabled || !m_background) return true;
  const SkinMetrics& m = MetricsFor(m_tabStyle);
  const int32_t W = m_bufferWidth;
  const int32_t H = StripHeight(m_tabStyle, m_dpi);
  HDC dc = m_background.Get();
  // The tabs' background, and so the composition's margins, may be other pixels from now on.
  m_tabLooks.ForgetFrame();
  m_composedTabs = false;
  bool bSkipDefault = false;
  if (!Raise(m_life, OnDrawBackground, dc, W, H, bSkipDefault)) return false;
  if (!bSkipDefault && SkinDC()) {
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, 0, 0, W, H, SkinDC(), 0, 0, TabPx(1, m_dpi), TabPx(m.backgroundHeight, m_dpi),
                 SRCCOPY);
  }
  return true;
}

void uTab::DrawTabs(bool update) {
  if (!m_redrawEnabled || !m_composition || !m_background) return;
  const int32_t W = m_bufferWidth;
  const int32_t H = StripHeight(m_tabStyle, m_dpi);
  const int32_t L = LeftPx();
  const int32_t R = RightPx();
  const int32_t A = W - L - R;
  HDC area = m_tabArea.Get();
  const bool withTabs = area && A > 0;
  if (withTabs) {
    const TabPieceCache::Fonts fonts{m_fontNormal.Get(), m_fontBold.Get(), RGB(0, 0, 0),
                                     kSelectedTextColour};
    m_tabLooks.BeginFrame(area, m_background.Get(), L, A, H);
    for (const TabPaint& p : PlanTabPaint(m_tabStyle, Views(), m_selected, m_mouse.Hover(),
                                          m_mouse.CloseState(), m_dpi)) {
      m_tabLooks.DrawTab(m_tabStyle, SkinDC(), fonts, p, m_items->Item(p.index)->Caption());
    }
    m_tabLooks.EndFrame();
  }
  HDC composition = m_composition.Get();
  // When the composition holds the frame before, only the columns the tabs changed are copied,
  // and only they go to a window that shows the composition already.
  const TabPieceCache::Columns changed = m_tabLooks.ChangedLastFrame();
  const bool onlyChanged = withTabs && m_composedTabs && !changed.whole;
  int32_t from = 0, to = W;
  if (onlyChanged) {
    from = L + changed.from;
    to = L + changed.to;
    if (to > from) ::BitBlt(composition, from, 0, to - from, H, area, changed.from, 0, SRCCOPY);
  } else if (withTabs && L >= 0 && R >= 0) {
    // The margins from the background, the rest from the tab area: the same pixels as the whole
    // background overdrawn by the tab area, with less copied.
    ::BitBlt(composition, 0, 0, L, H, m_background.Get(), 0, 0, SRCCOPY);
    ::BitBlt(composition, L + A, 0, R, H, m_background.Get(), L + A, 0, SRCCOPY);
    ::BitBlt(composition, L, 0, A, H, area, 0, 0, SRCCOPY);
  } else {
    ::BitBlt(composition, 0, 0, W, H, m_background.Get(), 0, 0, SRCCOPY);
    if (withTabs) ::BitBlt(composition, L, 0, A, H, area, 0, 0, SRCCOPY);
  }
  m_composedTabs = withTabs;
  // A destroyed window would make GetDC hand out the screen.
  bool shown = false;
  if (update && Hwnd() && ::IsWindow(Hwnd())) {
    if (!onlyChanged || !m_windowShowsComposition) {
      from = 0;
      to = W;
    }
    shown = true;
    if (to > from) {
      win::WindowDC dc(Hwnd());
      shown = static_cast<bool>(dc);
      if (dc) ::BitBlt(dc.Get(), from, 0, to - from, H, composition, from, 0, SRCCOPY);
    }
  }
  m_windowShowsComposition = shown;
}

void uTab::PaintCopy() {
  win::PaintGuard paint(Hwnd());
  if (m_composition) {
    ::BitBlt(paint.Dc(), 0, 0, ControlWidth(), StripHeight(m_tabStyle, m_dpi), m_composition.Get(),
             0, 0, SRCCOPY);
  }
}

void uTab::OnResize() {
  HWND self = Hwnd();
  if (!self) return;
  const int32_t H = StripHeight(m_tabStyle, m_dpi);
  RECT rc{};
  ::GetClientRect(self, &rc);
  if (rc.bottom != H) {
    RECT wr{};
    ::GetWindowRect(self, &wr);
    ::SetWindowPos(self, nullptr, 0, 0, wr.right - wr.left, H,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The new height arrived as a nested WM_SIZE, which did the rest.
    ::GetClientRect(self, &rc);
    if (rc.bottom == H) return;
  }
  // Each step runs even when the one before failed.
  LivenessWatch watch = m_life.Watch();
  try {
    CreateBuffers();
  } catch (const std::exception& e) {
    LogFailure(L"creating the buffers", e);
  }
  try {
    ComputeTabWidth();
  } catch (const std::exception& e) {
    LogFailure(L"computing the tab width", e);
  }
  try {
    LayoutTabs();
  } catch (const std::exception& e) {
    LogFailure(L"laying out the tabs", e);
  }
  try {
    DrawAll(true);
  } catch (const std::exception& e) {
    if (watch.Alive()) LogFailure(L"drawing", e);
  }
}

// ---------------------------------------------------------------------------------------------
// Mouse

bool uTab::Apply(const TabMouseEffects& effects, MouseState& args) {
  for (const TabMouseEffect& e : effects) {
    switch (e.kind) {
      case TabMouseEffect::Select:
        m_selected = e.index;
        ShowSelectedPage();
        break;
      case TabMouseEffect::DrawTabs:
        DrawTabs(true);
        break;
      case TabMouseEffect::DrawAll:
        if (!DrawAll(true)) return false;
        break;
      case TabMouseEffect::RaiseTabChanged:
        if (!Raise(m_life, TabChanged)) return false;
        break;
      case TabMouseEffect::RaiseHover:
        // The handler may change the arguments; the move event that follows gets them so.
        if (!Raise(m_life, OnMouseHover, e.index, args.button, args.shift, args.x, args.y))
          return false;
        break;
      case TabMouseEffect::CloseTab: {
        LivenessWatch watch = m_life.Watch();
        m_items->Remove(e.index, true);
        if (!watch.Alive()) return false;
        break;
      }
    }
  }
  return true;
}

bool uTab::MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
  // Only a left press names its tab to the host; other buttons have always reported 0.
  int32_t i = 0;
  if (Button == kLeftButton) {
    HitResult hit = HitTestAt(X, Y);
    i = hit.index;
    MouseState args{Button, Shift, X, Y};
    if (!Apply(m_mouse.OnPress(Button, hit, IsTabIndex(i), m_selected), args)) return false;
  }
  return Raise(m_life, OnMouseDown, i, Button, Shift, X, Y);
}

bool uTab::MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
  int32_t i = 0;
  if (Button == 0) {
    // Asking again while the system already tracks the leave changes nothing, and under Wine
    // each request costs more than a whole redraw of the strip.
    if (!LeaveTracked(Hwnd())) c_Subclass->TrackMouseTracking(Hwnd());
    HitResult hit = HitTestAt(X, Y);
    i = hit.index;
    MouseState args{Button, Shift, X, Y};
    if (!Apply(m_mouse.OnMove(Button, hit), args)) return false;
    Button = args.button;
    Shift = args.shift;
    X = args.x;
    Y = args.y;
  }
  return Raise(m_life, OnMouseMove, i, Button, Shift, X, Y);
}

bool uTab::MouseUp(int16_t Button, int16_t Shift, float X, float Y) {
  int32_t i = 0;
  if (Button == kLeftButton) {
    HitResult hit = HitTestAt(X, Y);
    i = hit.index;
    const bool isTab = IsTabIndex(i);
    const bool closable = isTab && !m_items->Item(i)->HideButton();
    MouseState args{Button, Shift, X, Y};
    if (!Apply(m_mouse.OnRelease(Button, hit, isTab, closable), args)) return false;
  }
  return Raise(m_life, OnMouseUp, i, Button, Shift, X, Y);
}

bool uTab::DoubleClick() {
  MouseState last = m_last;
  HitResult hit = HitTestAt(last.x, last.y);
  if (!MouseDown(last.button, last.shift, last.x, last.y)) return false;
  return Raise(m_life, OnDblClick, hit.index, last.button, last.shift, last.x, last.y);
}

void uTab::MouseLeft() {
  MouseState args = m_last;
  if (!Apply(m_mouse.OnLeave(), args)) return;
  Raise(m_life, OnMouseLeave);
}

// ---------------------------------------------------------------------------------------------
// Messages

void uTab::c_Subclass_WindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd,
                                 UINT uMsg, WPARAM, LPARAM, LONG_PTR&) {
  if (m_tearingDown) return;
  try {
    if (hWnd == Hwnd()) {
      if (!bBefore) return;
      switch (uMsg) {
        case WM_ERASEBKGND:
          bHandled = true;
          lReturn = 0;
          break;
        case WM_PAINT:
          PaintCopy();
          bHandled = true;
          lReturn = 0;
          break;
        case WM_MOUSELEAVE:
          MouseLeft();  // passes on to the window's own handling
          break;
        default:
          break;
      }
    } else if (!bBefore && uMsg == WM_SIZE) {
      ShowSelectedPage();
    }
  } catch (const std::exception& e) {
    LogFailure(L"message hook", e);
  } catch (...) {
    win::LogError(L"tab strip: message hook failed");
  }
}

void uTab::OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, float x, float y) {
  RelayToolTip(msg, wParam, lParam);
  m_last = {win::ButtonOf(msg), win::MouseShift(wParam), x, y};
  // Captured, so a release outside the window still comes here.
  ::SetCapture(Hwnd());
  MouseDown(m_last.button, m_last.shift, x, y);
}

void uTab::OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, float x, float y) {
  RelayToolTip(msg, wParam, lParam);
  m_last = {win::ButtonOf(msg), win::MouseShift(wParam), x, y};
  HWND self = Hwnd();
  bool stillPressed = win::MouseButtons(wParam) != 0;
  if (!MouseUp(m_last.button, m_last.shift, x, y)) return;
  if (!stillPressed && ::GetCapture() == self) ::ReleaseCapture();
}

void uTab::OnDoubleClick(WPARAM wParam, float x, float y) {
  m_last = {kLeftButton, win::MouseShift(wParam), x, y};
  ::SetCapture(Hwnd());
  DoubleClick();
}

void uTab::OnCursorMove(WPARAM wParam, LPARAM lParam, float x, float y) {
  RelayToolTip(WM_MOUSEMOVE, wParam, lParam);
  MouseMove(win::MouseButtons(wParam), win::MouseShift(wParam), x, y);
}

void uTab::OnCaptureChanged(HWND taker) {
  if (taker == Hwnd()) return;
  MouseState args = m_last;
  Apply(m_mouse.OnCaptureLost(), args);
}

LRESULT uTab::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_tearingDown) return DefaultHandling(msg, wParam, lParam);
  auto x = static_cast<float>(GET_X_LPARAM(lParam));
  auto y = static_cast<float>(GET_Y_LPARAM(lParam));
  switch (msg) {
    case WM_SIZE:
      if (m_propertiesRead) OnResize();
      return 0;
    case WM_ERASEBKGND:  // only reached when the own hook could not be set
      return 0;
    case WM_PAINT:
      PaintCopy();
      return 0;
    case WM_MOUSELEAVE:
      if (!m_ownHooked) MouseLeft();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDBLCLK:  // only the left button has a double click; others press again
    case WM_MBUTTONDBLCLK:
      OnButtonDown(msg, wParam, lParam, x, y);
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(wParam, x, y);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      OnButtonUp(msg, wParam, lParam, x, y);
      return 0;
    case WM_MOUSEMOVE:
      OnCursorMove(wParam, lParam, x, y);
      return 0;
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lParam));
      return 0;
    default:
      return DefaultHandling(msg, wParam, lParam);
  }
}

}  // namespace qorv::tabstrip

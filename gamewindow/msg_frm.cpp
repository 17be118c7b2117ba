#include "gamewindow/msg_frm.h"

#include "base/units.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/log.h"
#include "gamewindow/msg_layout.h"

namespace qorv::gamewindow {
namespace {

constexpr int kCloseButtonBitmap = 103;
constexpr COLORREF kFormColour = RGB(236, 233, 218);  // the title bar's own colour

win::FormHolder<MsgFrm>& Holder() {
  static win::FormHolder<MsgFrm> holder;
  return holder;
}

}  // namespace

MsgFrm::~MsgFrm() = default;

MsgFrm* MsgFrm::IfLoaded() { return Holder().IfLoaded(); }

void MsgFrm::ShowModal(HWND owner, bool& bExit) {
  if (Holder().IsLoaded()) return;  // already asking: this request is that one
  MsgFrm& form = Holder().Get();
  form.m_bExit = &bExit;
  if (owner && ::IsWindow(owner)) {
    // Owned: it stays above the main window and goes with it.
    ::SetWindowLongPtrW(form.Hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    form.CentreOver(owner);
  }
  win::Application::Instance().ShowModal(form, owner);
  // The loop ended without an answer (the program is quitting): the question goes with it.
  if (MsgFrm* left = Holder().IfLoaded()) {
    left->m_bExit = nullptr;
    left->Unload();
  }
}

void MsgFrm::CreateFormWindow() {
  RegisterClassOnce(kMsgFrmClass, CS_DBLCLKS, nullptr, ::LoadCursorW(nullptr, IDC_ARROW));
  // Centred on the work area until the modal show centres it over its owner.
  m_dpi = win::SystemDpi();
  const PixelRect size = PlaceMsgFrm(m_dpi).window;
  POINT at = win::CentredOnWorkArea(size.Width(), size.Height());
  Create(kMsgFrmClass, 0, kProductCaption, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, at.x, at.y,
         size.Width(), size.Height(), nullptr);
  m_dpi = win::DpiOf(Hwnd());
}

void MsgFrm::MakeLabelFont() {
  // 9 points (12 pixels at 96 DPI) at the dialog's DPI.
  m_labelFont.Reset(::CreateFontW(-ScaleForDpi(12, m_dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                  FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  controls::kBFormCaptionFace));
  if (Label1 && m_labelFont) {
    ::SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFont.Get()), FALSE);
  }
}

void MsgFrm::PlaceControls() {
  const MsgFrmPlaces p = PlaceMsgFrm(m_dpi);
  auto place = [](HWND h, const PixelRect& r) {
    if (h) ::MoveWindow(h, r.left, r.top, r.Width(), r.Height(), TRUE);
  };
  place(Label1, p.question);
  place(iButton1.Hwnd(), p.yes);
  place(iButton2.Hwnd(), p.no);
  place(closebtn.Hwnd(), p.close);
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  ::MoveWindow(BForm1.hWnd(), 0, 0, client.right, p.bar.Height(), TRUE);
}

void MsgFrm::OnDpiChanged(int newDpi, const RECT& suggested) {
  m_dpi = newDpi;
  Form::OnDpiChanged(newDpi, suggested);
  MakeLabelFont();
  for (controls::iButton* b : {&iButton1, &iButton2, &closebtn}) b->SetDpi(m_dpi);
  BForm1.SetDpi(m_dpi);
  PlaceControls();
  OnResize();
  ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void MsgFrm::OnLoad() {
  m_surface = std::make_unique<controls::FormSurface>(Hwnd(), kFormColour);
  RECT client{};
  ::GetClientRect(Hwnd(), &client);

  BForm1.Create(Hwnd(), 0, 0, 305);
  BForm1.MouseDown = [this](int16_t&, int16_t&, float&, float&) { BForm1_MouseDown(); };

  m_labelBrush.Reset(::CreateSolidBrush(kFormColour));
  const MsgFrmPlaces p = PlaceMsgFrm(m_dpi);
  const PixelRect& q = p.question;
  Label1 = ::CreateWindowExW(0, L"STATIC", kMsgFrmQuestion, WS_CHILD | WS_VISIBLE | SS_LEFT |
                                 SS_NOPREFIX,
                             q.left, q.top, q.Width(), q.Height(), Hwnd(), nullptr,
                             win::ThisModule(), nullptr);
  MakeLabelFont();

  iButton1.Create(Hwnd(), p.yes.left, p.yes.top, p.yes.Width(), p.yes.Height());
  iButton1.SetCaption(L"是");
  iButton1.Click = [this] { Answer(true); };
  iButton2.Create(Hwnd(), p.no.left, p.no.top, p.no.Width(), p.no.Height());
  iButton2.SetCaption(L"否");
  iButton2.Click = [this] { Answer(false); };
  closebtn.Create(Hwnd(), p.close.left, p.close.top, p.close.Width(), p.close.Height());
  closebtn.Click = [this] { Answer(false); };
  // Over the title bar, which was made first.
  ::SetWindowPos(closebtn.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  ::MoveWindow(BForm1.hWnd(), 0, 0, client.right, p.bar.Height(), TRUE);
  closebtn.SetBackPicture(kCloseButtonBitmap);
  BForm1.SetCaption(kProductCaption);
  OnResize();
}

void MsgFrm::CentreOver(HWND owner) {
  RECT o{}, r{};
  if (!::IsWindowVisible(owner) || ::IsIconic(owner) || !::GetWindowRect(owner, &o)) return;
  ::GetWindowRect(Hwnd(), &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  ::SetWindowPos(Hwnd(), nullptr, o.left + (o.right - o.left - w) / 2,
                 o.top + (o.bottom - o.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MsgFrm::OnResize() {
  if (!m_surface || ::IsIconic(Hwnd())) return;
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  const MsgFrmPlaces p = PlaceMsgFrm(m_dpi);
  win::RectRgn(Hwnd(), ClampToInt16(client.right + 1), ClampToInt16(client.bottom + 1),
               p.cornerEllipse, p.cornerEllipse);
  if (BForm1.hWnd()) BForm1.Printform(*m_surface);
  if (closebtn.Hwnd()) {
    RECT outer{};
    ::GetWindowRect(Hwnd(), &outer);
    ::SetWindowPos(closebtn.Hwnd(), nullptr, MsgFrmCloseLeft(outer.right - outer.left, m_dpi),
                   p.close.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MsgFrm::Answer(bool exit) {
  if (m_bExit) *m_bExit = exit;
  m_bExit = nullptr;
  Unload();
}

void MsgFrm::BForm1_MouseDown() { win::DragByCaption(Hwnd()); }

LRESULT MsgFrm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (m_surface && m_surface->HandleMessage(msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_SIZE:
      OnResize();
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, kFormColour);
      ::SetTextColor(dc, RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(m_labelBrush.Get());
    }
  }
  return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace qorv::gamewindow

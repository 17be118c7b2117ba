#include "gamewindow/msg_frm.h"

#include "base/units.h"
#include "base/win/borderless.h"
#include "base/win/log.h"

namespace qorv {
namespace {

constexpr int kCloseButtonBitmap = 103;
constexpr int kCloseButtonRightTwips = 730;
constexpr int kCloseButtonTop = 1;
constexpr int16_t kCornerEllipse = 4;
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
  POINT at = win::CentredOnWorkArea(kMsgFrmWidth, kMsgFrmHeight);
  Create(kMsgFrmClass, 0, kProductCaption, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, at.x, at.y,
         kMsgFrmWidth, kMsgFrmHeight, nullptr);
}

void MsgFrm::OnLoad() {
  m_surface = std::make_unique<controls::FormSurface>(Hwnd(), kFormColour);
  RECT client{};
  ::GetClientRect(Hwnd(), &client);

  BForm1.Create(Hwnd(), 0, 0, 305);
  BForm1.MouseDown = [this](int16_t&, int16_t&, float&, float&) { BForm1_MouseDown(); };

  m_labelBrush.Reset(::CreateSolidBrush(kFormColour));
  // 32 pixels high, not the design's 41: a label window reaching into the buttons' row paints
  // over their tops (a windowless label lay beneath them), and two lines of the question fit.
  Label1 = ::CreateWindowExW(0, L"STATIC", kMsgFrmQuestion, WS_CHILD | WS_VISIBLE | SS_LEFT |
                                 SS_NOPREFIX,
                             24, 56, 209, 32, Hwnd(), nullptr, win::ThisModule(), nullptr);
  m_labelFont.Reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, controls::kBFormCaptionFace));
  if (Label1 && m_labelFont) {
    ::SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFont.Get()), FALSE);
  }

  iButton1.Create(Hwnd(), 56, 88, 65, 25);
  iButton1.SetCaption(L"是");
  iButton1.Click = [this] { Answer(true); };
  iButton2.Create(Hwnd(), 136, 88, 65, 25);
  iButton2.SetCaption(L"否");
  iButton2.Click = [this] { Answer(false); };
  closebtn.Create(Hwnd(), 192, kCloseButtonTop, 43, 18);
  closebtn.Click = [this] { Answer(false); };
  // Over the title bar, which was made first.
  ::SetWindowPos(closebtn.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  ::MoveWindow(BForm1.hWnd(), 0, 0, client.right, 33, TRUE);
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
  win::RectRgn(Hwnd(), ClampToInt16(client.right + 1), ClampToInt16(client.bottom + 1),
          kCornerEllipse, kCornerEllipse);
  if (BForm1.hWnd()) BForm1.Printform(*m_surface);
  if (closebtn.Hwnd()) {
    RECT outer{};
    ::GetWindowRect(Hwnd(), &outer);
    int left = TwipsToPixels(PixelsToTwips(outer.right - outer.left) - kCloseButtonRightTwips);
    ::SetWindowPos(closebtn.Hwnd(), nullptr, left, kCloseButtonTop, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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

}  // namespace qorv

// MsgFrm: the skinned exit question over the main window: title bar (BForm1) with the close
// button (closebtn), the question (Label1), "是" (iButton1) and "否" (iButton2). It lives only
// while it asks: ShowModal loads it, shows it modally and returns once one of its buttons has
// unloaded it. The answer goes to the caller's flag (the main window's m_bExit).
//
// A press on the title bar drags the dialog. The dialog has no system border; its outline is a
// rectangle with 4 x 4 rounded corners.
#pragma once

#include <windows.h>

#include "base/texts.h"
#include "base/win/form.h"
#include "base/win/gdi.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "controls/surface.h"

namespace qorv::gamewindow {

inline constexpr wchar_t kMsgFrmClass[] = L"Qorv.MsgFrm";
inline constexpr wchar_t kMsgFrmQuestion[] = L"窗口即将关闭，确定要退出游戏？";

class MsgFrm : public win::Form {
 public:
  MsgFrm() = default;
  ~MsgFrm() override;

  // Modal over owner (disabled meanwhile). bExit becomes true on "是", false on "否" and on the
  // close button; a dialog closed another way (the owner going, the program quitting) leaves it
  // as it was. While a dialog is already asking, a second call returns at once.
  static void ShowModal(HWND owner, bool& bExit);
  // The dialog while it asks, else null.
  static MsgFrm* IfLoaded();

  controls::BForm& Frame() { return BForm1; }
  HWND Label() const { return Label1; }
  controls::iButton& YesButton() { return iButton1; }
  controls::iButton& NoButton() { return iButton2; }
  controls::iButton& CloseButton() { return closebtn; }

 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(int newDpi, const RECT& suggested) override;

 private:
  void OnResize();
  void PlaceControls();  // at m_dpi
  void MakeLabelFont();
  void CentreOver(HWND owner);
  void Answer(bool exit);
  void BForm1_MouseDown();

  HWND m_owner = nullptr;
  bool* m_bExit = nullptr;
  std::unique_ptr<controls::FormSurface> m_surface;
  controls::BForm BForm1;
  HWND Label1 = nullptr;
  controls::iButton iButton1;
  controls::iButton iButton2;
  controls::iButton closebtn;
  win::UniqueFont m_labelFont;
  win::UniqueBrush m_labelBrush;
  int m_dpi = 96;
};

}  // namespace qorv::gamewindow

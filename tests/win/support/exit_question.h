// Answers the main window's exit question from a timer once the dialog is up, for tests that
// close the window and wait inside the dialog's modal loop.
#pragma once

#include <windows.h>

#include "gamewindow/msg_frm.h"

namespace qorv::test {

// "是" when yes, else "否"; the press arrives as the real button gets it.
inline void AnswerExitQuestionLater(bool yes, UINT delayMs = 100) {
  static bool s_yes;
  s_yes = yes;
  ::SetTimer(nullptr, 0, delayMs, [](HWND, UINT, UINT_PTR id, DWORD) {
    gamewindow::MsgFrm* dialog = gamewindow::MsgFrm::IfLoaded();
    if (!dialog) return;
    ::KillTimer(nullptr, id);
    HWND button = s_yes ? dialog->YesButton().hWnd() : dialog->NoButton().hWnd();
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  });
}

}  // namespace qorv::test

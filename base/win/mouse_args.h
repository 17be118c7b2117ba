// The Button and Shift arguments the controls' mouse and key events carry (base/mouse_buttons.h),
// read from a mouse or key message, and the point in twips.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <cstdint>

#include "base/mouse_buttons.h"
#include "base/units.h"

namespace qorv::win {

// Alt is not in a mouse message's key flags, so it is read from the keyboard state.
inline int16_t MouseShift(WPARAM wParam) {
  int16_t shift = 0;
  if (wParam & MK_SHIFT) shift |= kShiftKey;
  if (wParam & MK_CONTROL) shift |= kCtrlKey;
  if (::GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  return shift;
}

inline int16_t KeyboardShift() {
  int16_t shift = 0;
  if (::GetKeyState(VK_SHIFT) < 0) shift |= kShiftKey;
  if (::GetKeyState(VK_CONTROL) < 0) shift |= kCtrlKey;
  if (::GetKeyState(VK_MENU) < 0) shift |= kAltKey;
  return shift;
}

// Buttons held during a move.
inline int16_t MouseButtons(WPARAM wParam) {
  int16_t buttons = 0;
  if (wParam & MK_LBUTTON) buttons |= kLeftButton;
  if (wParam & MK_RBUTTON) buttons |= kRightButton;
  if (wParam & MK_MBUTTON) buttons |= kMiddleButton;
  return buttons;
}

// The button a press, release or double-click message is about; 0 for any other message.
inline int16_t ButtonOf(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      return kLeftButton;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return kRightButton;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return kMiddleButton;
    default:
      return 0;
  }
}

// A mouse event's arguments as the controls raise them: the point in twips of the client area.
struct MouseArgs {
  int16_t button = 0;
  int16_t shift = 0;
  float x = 0;
  float y = 0;
};

// For a press, release or double click: the message's own button.
inline MouseArgs ButtonArgs(UINT msg, WPARAM wParam, LPARAM lParam) {
  return {ButtonOf(msg), MouseShift(wParam),
          static_cast<float>(PixelsToTwips(GET_X_LPARAM(lParam))),
          static_cast<float>(PixelsToTwips(GET_Y_LPARAM(lParam)))};
}

// For a move: the buttons held.
inline MouseArgs MoveArgs(WPARAM wParam, LPARAM lParam) {
  return {MouseButtons(wParam), MouseShift(wParam),
          static_cast<float>(PixelsToTwips(GET_X_LPARAM(lParam))),
          static_cast<float>(PixelsToTwips(GET_Y_LPARAM(lParam)))};
}

}  // namespace qorv::win

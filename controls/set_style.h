// cSetStyle: what a borderless form loses with its frame, given back: edge and corner sizing with
// a dotted outline, maximising to the window's monitor above a taskbar at its bottom and exact
// restoring, the maximised size kept across system setting changes, and the system close command
// reported.
//
// Owns a cFormSubclass on the styled window (every message is seen before the window's own
// procedure; none is swallowed except WM_SETCURSOR over the form's own surface, answered with
// the sizing pointer), and during an edge drag the screen's DC and the mouse capture. The outline
// is XOR-drawn: each one drawn is drawn a second time by the end of the drag, so none stays on the
// screen, also when the drag is cut short (capture lost, window destroyed, object released).
// Nothing moves during a drag; the release moves the window once.
//
// Events: MouseSize(zone) on every move over the form's surface while restored and not dragging;
// SettingChange on WM_SETTINGCHANGE, before the maximised size is re-applied; CloseClick on the
// system close command. A handler may release this object (closing the window, say); nothing of
// it is touched afterwards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "base/liveness.h"
#include "base/win/gdi.h"
#include "controls/sizing.h"

namespace qorv::subclass {
class cFormSubclass;
}

namespace qorv::controls {

// WS_SYSMENU | WS_MINIMIZEBOX: no caption, no sizing frame.
inline constexpr LONG kBorderlessStyle = 0xA0000;

// Height in twips of a taskbar docked at the bottom of the screen; 0 for one docked elsewhere.
int16_t GetTaskbarHeight();

// The bounds a maximised window takes on monitor, at dpi (MaximisedOnMonitor); the primary
// screen's where the monitor cannot be read.
PixelRect MaximisedRect(HMONITOR monitor, int dpi);

class cSetStyle {
 public:
  cSetStyle();
  cSetStyle(const cSetStyle&) = delete;
  cSetStyle& operator=(const cSetStyle&) = delete;
  ~cSetStyle();

  // The form whose position, size, state and mouse pointer are used.
  void SetobjForm(HWND form) { m_objForm = form; }
  HWND objForm() const { return m_objForm; }

  // Gives hWnd the borderless style (its visible, disabled, minimised/maximised and clipping
  // bits are kept) and starts seeing its messages.
  void SetWindowStyle(HWND hWnd);
  // Maximised <-> restored; true when maximised afterwards.
  bool CallWindowStateChange();
  // Moves the form to its maximised bounds on monitor at dpi: where a maximised window goes
  // when it is moved to another monitor or the work area changes.
  void FitMaximised(HMONITOR monitor, int dpi);

  bool Maximised() const { return m_maximised; }
  bool Sizing() const { return m_drag.Active(); }
  int Zone() const { return m_zone; }
  // The outline on the screen now (meaningful while Sizing()).
  PixelRect Outline() const { return m_drag.Drawn(); }

  std::function<void()> CloseClick;
  std::function<void()> SettingChange;
  std::function<void(int32_t theMouseStyle)> MouseSize;

 private:
  struct Saved {
    int64_t width = 0, height = 0, left = 0, top = 0;  // twips
  };

  void OnMsgCome(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                 WPARAM wParam, LPARAM lParam);
  void OnMouseMove(WPARAM wParam);
  void OnButtonDown();
  void OnButtonUp();
  void CancelDrag();
  void Draw(const std::vector<PixelRect>& rects);
  void MoveFormTwips(int64_t left, int64_t top, int64_t width, int64_t height);
  void SetPointerForZone(int zone);
  PixelRect WindowBounds() const;

  Liveness m_life;
  std::unique_ptr<subclass::cFormSubclass> m_objSubclass;
  HWND m_window = nullptr;
  HWND m_objForm = nullptr;
  std::optional<win::ScreenDC> m_screenDC;  // during a drag
  bool m_maximised = false;
  Saved m_saved;
  int m_zone = kZoneNone;
  POINT m_cursor{};
  OutlineDrag m_drag;
  HCURSOR m_pointer = nullptr;  // nullptr: the form's own cursor
};

}  // namespace qorv::controls

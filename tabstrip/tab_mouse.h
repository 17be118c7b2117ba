// The tab strip's reactions to the mouse, without a window: which tab the cursor is over, the
// look of the close button under it (normal, hot, pressed), and what a press, move, release or
// leave must do. Each call takes what the window saw (the hit under the cursor, the strip's
// selection) and returns what the window must do, in order. The window raises its own mouse
// events after applying them, and stops applying as soon as one destroyed the strip.
#pragma once

#include <cstdint>
#include <vector>

#include "base/mouse_buttons.h"
#include "tabstrip/tab_layout.h"

namespace qorv::tabstrip {

// The close button's look under the cursor.
inline constexpr int32_t kCloseNormal = 0;
inline constexpr int32_t kCloseHot = 1;
inline constexpr int32_t kClosePressed = 2;

struct TabMouseEffect {
  enum Kind {
    Select,           // make `index` the selected tab and show its page
    DrawTabs,         // redraw the tab area
    DrawAll,          // redraw background and tabs
    RaiseTabChanged,
    RaiseHover,       // OnMouseHover with `index`: the tab under the cursor changed
    CloseTab,         // remove tab `index` (its close button was pressed and released on it)
  };
  Kind kind;
  int32_t index = -1;
  friend bool operator==(const TabMouseEffect&, const TabMouseEffect&) = default;
};
using TabMouseEffects = std::vector<TabMouseEffect>;

class TabMouse {
 public:
  // `isTab`: the hit names an existing tab. A left press on another tab's body selects it; on a
  // close button it shows the button pressed. Every left press on a tab raises TabChanged, even
  // on the selected one, as the host has always been told.
  TabMouseEffects OnPress(int16_t button, HitResult hit, bool isTab, int32_t selected);
  // Only a move without a button changes the hover: a drag keeps the pressed look where it began.
  TabMouseEffects OnMove(int16_t buttons, HitResult hit);
  // A left release closes the tab only over the close button of the tab hovered when it came,
  // and only when that tab shows its button (`closable`).
  TabMouseEffects OnRelease(int16_t button, HitResult hit, bool isTab, bool closable);
  TabMouseEffects OnLeave();
  // Another window took the mouse during a press: its release will not come to the strip.
  TabMouseEffects OnCaptureLost();

  int32_t Hover() const { return m_hover; }
  int32_t CloseState() const { return m_closeState; }

 private:
  int32_t m_hover = -1;
  int32_t m_closeState = kCloseNormal;
};

}  // namespace qorv::tabstrip

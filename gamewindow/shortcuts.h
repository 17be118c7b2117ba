// The main window's own keys, taken before the page sees them: Ctrl with plus, minus and 0 (main
// row and number pad) and Ctrl with the wheel zoom the selected tab as browsers do; Ctrl+Shift+M
// and Ctrl+Shift+S mute and take a screenshot. Every one needs Ctrl, so no plain key a game
// plays with is taken; Alt with Ctrl is AltGr on many keyboards (characters, not commands) and
// takes nothing.
#pragma once

#include <optional>

#include "gamewindow/app_menu.h"

namespace qorv::gamewindow {

struct KeyModifiers {
  bool ctrl = false, shift = false, alt = false;
};

// The command of a key press (virtual-key code), if it is one of the window's keys.
std::optional<MenuCommand> ShortcutForKey(unsigned virtualKey, KeyModifiers mods);
// Ctrl with the wheel: one zoom step per notch (120). Finer wheels and touch pads report parts
// of a notch; they are added up, so a slow swipe zooms once rather than once per message.
class WheelZoom {
 public:
  // Steps to take for this turn (delta as the system reports it; positive: away from the
  // player, zoom in); 0 without Ctrl, or with Alt.
  int Turn(int delta, KeyModifiers mods);

 private:
  int m_carry = 0;
};

}  // namespace qorv::gamewindow

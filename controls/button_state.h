// The skin button's reactions to mouse, keys, focus and its hover poll, without a window: each
// call takes what the window saw (is the cursor over the button now) and returns what the window
// must do, in order. The window raises its own mouse and key events before calling in (their
// handlers may change the by-reference arguments the reaction then uses), and applies the
// returned effects one by one, stopping if a raised event destroyed the button.
#pragma once

#include <cstdint>
#include <vector>

#include "base/mouse_buttons.h"

namespace qorv::controls {

struct ButtonEffect {
  enum Kind {
    Paint,        // PaintLook(look): the current look was set to `look` first
    HandCursor,
    ArrowCursor,
    TimerOn,
    TimerOff,
    DrawFocus,
    RaiseClick,
    RaiseMouseOver,
    RaiseMouseOut,
    RaiseDBClick,
  };
  Kind kind;
  int look = 0;
  friend bool operator==(const ButtonEffect&, const ButtonEffect&) = default;
};
using ButtonEffects = std::vector<ButtonEffect>;

inline constexpr int kKeyEnter = 13;
inline constexpr int kKeySpace = 32;

class ButtonState {
 public:
  // The look the state calls for: disabled, else pressed while held over it, else hover.
  int CurrentLook(bool over) const;

  // cMouseAction: repaints when the look changes or a complete repaint is asked for.
  ButtonEffects MouseAction(int look, bool completePaint);

  ButtonEffects OnMouseMove(bool over);
  ButtonEffects OnMouseDown(int16_t button);
  ButtonEffects OnMouseUp(int16_t button, bool over);
  // The surface's click: a press and release of the same button over the button.
  ButtonEffects OnClick(bool over);
  ButtonEffects OnDoubleClick();
  ButtonEffects OnTimer(bool over);
  ButtonEffects OnKeyDown(int keyCode, bool over);
  ButtonEffects OnKeyUp(int keyCode, bool over);
  ButtonEffects OnFocus(bool gained, bool over);

  // Property setters that repaint. Enabled and Locked are also how stored values are loaded:
  // the caller then drops the effects.
  ButtonEffects SetValue(bool value, bool over);
  ButtonEffects SetLocked(bool locked, bool over);
  ButtonEffects SetEnabled(bool enabled, bool over);
  // No repaint of its own: the window rebuilds its frames, which repaints.
  void SetStyle(int32_t style);

  int Look() const { return m_look; }
  bool Value() const { return m_value; }
  bool Locked() const { return m_locked; }
  bool Enabled() const { return m_enabled; }
  int32_t Style() const { return m_style; }
  bool Hover() const { return m_hover; }
  bool Held() const { return m_held; }
  int16_t LastButton() const { return m_lastButton; }
  bool TimerRunning() const { return m_timer; }

 private:
  void Toggle() {
    if (m_style == 1) m_value = !m_value;
  }
  void Append(ButtonEffects& out, const ButtonEffects& more) {
    out.insert(out.end(), more.begin(), more.end());
  }
  ButtonEffect TimerEffect(bool on) {
    m_timer = on;
    return {on ? ButtonEffect::TimerOn : ButtonEffect::TimerOff};
  }

  int m_look = 0;
  bool m_value = false;
  bool m_locked = false;
  bool m_enabled = true;
  int32_t m_style = 0;
  bool m_hover = false;
  bool m_held = false;
  int16_t m_lastButton = 0;
  bool m_timer = false;
};

}  // namespace qorv::controls

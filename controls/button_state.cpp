#include "controls/button_state.h"

#include "controls/button_frames.h"

namespace qorv::controls {

int ButtonState::CurrentLook(bool over) const {
  if (!m_enabled) return kLookDisabled;
  if (m_held) return over ? kLookPressed : kLookNormal;
  return over ? kLookHover : kLookNormal;
}

ButtonEffects ButtonState::MouseAction(int look, bool completePaint) {
  if (look == m_look && !completePaint) return {};
  m_look = look;
  return {{ButtonEffect::Paint, look}};
}

ButtonEffects ButtonState::OnMouseMove(bool over) {
  ButtonEffects out;
  if (!over) return out;
  out.push_back({ButtonEffect::HandCursor});
  if (!m_hover) {
    Append(out, MouseAction(kLookHover, false));
    m_hover = true;
    out.push_back(TimerEffect(true));
    out.push_back({ButtonEffect::RaiseMouseOver});
  }
  return out;
}

ButtonEffects ButtonState::OnMouseDown(int16_t button) {
  ButtonEffects out;
  m_lastButton = button;
  if (button != kLeftButton) return out;
  out.push_back({ButtonEffect::ArrowCursor});
  Append(out, MouseAction(kLookPressed, false));
  m_held = true;
  return out;
}

ButtonEffects ButtonState::OnMouseUp(int16_t button, bool over) {
  ButtonEffects out;
  if (button != kLeftButton) return out;
  if (over) {
    // Only a release that ends a press on the button toggles: the release after a double click
    // (whose press was not a press-and-hold) would otherwise flip Value without a Click.
    if (m_held) Toggle();
    Append(out, MouseAction(kLookHover, true));
  } else {
    Append(out, MouseAction(kLookNormal, true));
  }
  m_held = false;
  return out;
}

ButtonEffects ButtonState::OnClick(bool over) {
  ButtonEffects out;
  if (m_lastButton != kLeftButton) return out;
  Append(out, MouseAction(CurrentLook(over), true));
  out.push_back({ButtonEffect::RaiseClick});
  return out;
}

ButtonEffects ButtonState::OnDoubleClick() {
  ButtonEffects out;
  if (m_lastButton == kLeftButton) Append(out, MouseAction(kLookPressed, false));
  out.push_back({ButtonEffect::RaiseDBClick});
  return out;
}

ButtonEffects ButtonState::OnTimer(bool over) {
  ButtonEffects out;
  if (over) {
    if (m_held) Append(out, MouseAction(kLookPressed, false));
    return out;
  }
  if (!m_held) {
    out.push_back(TimerEffect(false));
    m_hover = false;
    out.push_back({ButtonEffect::RaiseMouseOut});
  }
  // The look goes back after MouseOut: a handler that destroys the button stops it there.
  Append(out, MouseAction(kLookNormal, false));
  return out;
}

ButtonEffects ButtonState::OnKeyDown(int keyCode, bool over) {
  ButtonEffects out;
  if (keyCode == kKeyEnter) {
    Toggle();
    Append(out, MouseAction(CurrentLook(over), true));
    if (!m_hover) out.push_back({ButtonEffect::DrawFocus});
    out.push_back({ButtonEffect::RaiseClick});
  } else if (keyCode == kKeySpace) {
    Append(out, MouseAction(kLookPressed, true));
    if (!m_hover) out.push_back({ButtonEffect::DrawFocus});
  }
  return out;
}

ButtonEffects ButtonState::OnKeyUp(int keyCode, bool over) {
  ButtonEffects out;
  if (keyCode != kKeySpace) return out;
  Toggle();
  Append(out, MouseAction(CurrentLook(over), true));
  if (!m_hover) out.push_back({ButtonEffect::DrawFocus});
  out.push_back({ButtonEffect::RaiseClick});
  return out;
}

ButtonEffects ButtonState::OnFocus(bool gained, bool over) {
  ButtonEffects out = MouseAction(CurrentLook(over), true);
  if (gained && !m_held) out.push_back({ButtonEffect::DrawFocus});
  return out;
}

ButtonEffects ButtonState::SetValue(bool value, bool over) {
  if (m_style != 1) {
    m_value = false;
    return {};
  }
  m_value = value;
  return MouseAction(CurrentLook(over), true);
}

ButtonEffects ButtonState::SetLocked(bool locked, bool over) {
  m_locked = locked;
  return MouseAction(CurrentLook(over), true);
}

ButtonEffects ButtonState::SetEnabled(bool enabled, bool over) {
  m_enabled = enabled;
  return MouseAction(CurrentLook(over), true);
}

void ButtonState::SetStyle(int32_t style) {
  // Value stays as it is: frames of the second half are chosen only while the style is 1.
  m_style = style;
}

}  // namespace qorv::controls

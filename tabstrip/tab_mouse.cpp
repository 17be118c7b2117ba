#include "tabstrip/tab_mouse.h"

namespace qorv::tabstrip {

using E = TabMouseEffect;

TabMouseEffects TabMouse::OnPress(int16_t button, HitResult hit, bool isTab, int32_t selected) {
  if (button != kLeftButton || !isTab) return {};
  TabMouseEffects out;
  if (hit.index != selected && !hit.close) {
    out.push_back({E::Select, hit.index});
    out.push_back({E::DrawTabs});
  } else if (hit.close && m_closeState != kClosePressed) {
    m_closeState = kClosePressed;
    out.push_back({E::DrawTabs});
  }
  out.push_back({E::RaiseTabChanged});
  return out;
}

TabMouseEffects TabMouse::OnMove(int16_t buttons, HitResult hit) {
  if (buttons != 0) return {};
  const int32_t look = hit.close ? kCloseHot : kCloseNormal;
  if (hit.index == m_hover && look == m_closeState) return {};
  TabMouseEffects out;
  if (hit.index != m_hover) out.push_back({E::RaiseHover, hit.index});
  m_hover = hit.index;
  m_closeState = look;
  out.push_back({E::DrawTabs});
  return out;
}

TabMouseEffects TabMouse::OnRelease(int16_t button, HitResult hit, bool isTab, bool closable) {
  if (button != kLeftButton) return {};
  m_closeState = kCloseNormal;
  TabMouseEffects out;
  if (isTab && hit.index == m_hover && hit.close && closable) out.push_back({E::CloseTab, hit.index});
  out.push_back({E::DrawAll});
  return out;
}

TabMouseEffects TabMouse::OnLeave() {
  if (m_hover == -1) return {};
  m_hover = -1;
  return {{E::DrawTabs}};
}

TabMouseEffects TabMouse::OnCaptureLost() {
  if (m_closeState != kClosePressed) return {};
  m_closeState = kCloseNormal;
  return {{E::DrawTabs}};
}

}  // namespace qorv::tabstrip

#include "gamewindow/shortcuts.h"

namespace qorv::gamewindow {
namespace {

// Virtual-key codes (the platform's values; this file is built without its headers).
constexpr unsigned kVkOemPlus = 0xBB, kVkAdd = 0x6B;
constexpr unsigned kVkOemMinus = 0xBD, kVkSubtract = 0x6D;
constexpr unsigned kVk0 = 0x30, kVkNumpad0 = 0x60;
constexpr unsigned kVkM = 0x4D, kVkS = 0x53;

}  // namespace

std::optional<MenuCommand> ShortcutForKey(unsigned vk, KeyModifiers mods) {
  if (!mods.ctrl || mods.alt) return std::nullopt;
  if (mods.shift) {
    // Plus is Shift with the '=' key on many layouts: Ctrl+Shift+'=' is still zoom in.
    if (vk == kVkOemPlus || vk == kVkAdd) return kCmdZoomIn;
    if (vk == kVkM) return kCmdMute;
    if (vk == kVkS) return kCmdScreenshot;
    return std::nullopt;
  }
  switch (vk) {
    case kVkOemPlus:
    case kVkAdd:
      return kCmdZoomIn;
    case kVkOemMinus:
    case kVkSubtract:
      return kCmdZoomOut;
    case kVk0:
    case kVkNumpad0:
      return kCmdZoomReset;
    default:
      return std::nullopt;
  }
}

int WheelZoom::Turn(int delta, KeyModifiers mods) {
  constexpr int kNotch = 120;
  if (!mods.ctrl || mods.alt) {
    m_carry = 0;
    return 0;
  }
  // A turn back the other way starts afresh instead of paying off what is left the first way.
  if ((m_carry > 0 && delta < 0) || (m_carry < 0 && delta > 0)) m_carry = 0;
  m_carry += delta;
  const int steps = m_carry / kNotch;
  m_carry -= steps * kNotch;
  return steps;
}

}  // namespace qorv::gamewindow

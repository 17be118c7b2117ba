// The tool menu (appmenu) as data: its entries in order, with the state the player sees (checked,
// greyed, the current zoom). The window builds the real menu from this list each time it opens,
// so the captions always match the state.
#pragma once

#include <string>
#include <vector>

namespace qorv::gamewindow {

// Command ids of appmenu's entries (WM_COMMAND). The first six are the menu's own from the start;
// the later ones were added after them, so no id ever changed.
enum MenuCommand : unsigned {
  kCmdRefresh = 1001,
  kCmdHideRestore,
  kCmdClearCache,
  kCmdUpdate,
  kCmdVersion,
  kCmdExit,
  kCmdMute,
  kCmdScreenshot,
  kCmdTopmost,
  kCmdZoomIn,
  kCmdZoomOut,
  kCmdZoomReset,
};

struct MenuEntry {
  unsigned id = 0;  // 0 for a separator and a submenu
  std::wstring caption;
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  std::vector<MenuEntry> submenu;  // not empty: the entry opens this submenu
  bool operator==(const MenuEntry&) const = default;
};

struct AppMenuState {
  std::wstring versionCaption = L"版本号:";
  bool muted = false;
  bool canMute = true;  // false when the machine has no audio output
  bool topmost = false;
  int zoomPercent = 100;  // the selected tab's
};

// Shortcut keys, shown in the captions as "刷新(F5)" shows F5.
inline constexpr wchar_t kMuteCaption[] = L"静音(Ctrl+Shift+M)";
inline constexpr wchar_t kScreenshotCaption[] = L"截图(Ctrl+Shift+S)";
inline constexpr wchar_t kTopmostCaption[] = L"窗口置顶";

std::vector<MenuEntry> AppMenuEntries(const AppMenuState& state);

}  // namespace qorv::gamewindow

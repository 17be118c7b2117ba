#include "gamewindow/app_menu.h"

namespace qorv::gamewindow {
namespace {

MenuEntry Item(unsigned id, std::wstring caption) {
  MenuEntry e;
  e.id = id;
  e.caption = std::move(caption);
  return e;
}

}  // namespace

std::vector<MenuEntry> AppMenuEntries(const AppMenuState& state) {
  MenuEntry mute = Item(kCmdMute, kMuteCaption);
  mute.checked = state.muted;
  mute.enabled = state.canMute;
  MenuEntry topmost = Item(kCmdTopmost, kTopmostCaption);
  topmost.checked = state.topmost;
  MenuEntry zoom;
  zoom.caption = L"缩放 " + std::to_wstring(state.zoomPercent) + L"%";
  zoom.submenu = {Item(kCmdZoomIn, L"放大(Ctrl++)"), Item(kCmdZoomOut, L"缩小(Ctrl+-)"),
                  Item(kCmdZoomReset, L"100%(Ctrl+0)")};
  MenuEntry line;
  line.separator = true;

  return {
      Item(kCmdRefresh, L"刷新(F5)"),
      Item(kCmdHideRestore, L"隐藏/恢复(F10)"),
      Item(kCmdClearCache, L"清除缓存"),
      // The player's own group sits between the page commands and the separator.
      std::move(mute),
      Item(kCmdScreenshot, kScreenshotCaption),
      std::move(topmost),
      std::move(zoom),
      std::move(line),
      Item(kCmdUpdate, L"更新"),
      Item(kCmdVersion, state.versionCaption),
      Item(kCmdExit, L"退出"),
  };
}

}  // namespace qorv::gamewindow

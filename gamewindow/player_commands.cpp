// The main window's player commands: mute, screenshot, always on top and page zoom, from the tool
// menu and from the window's own keys, and the choices remembered between runs.
#include <windows.h>
#include <shellapi.h>

#include "base/win/form.h"
#include "base/win/handles.h"
#include "base/win/log.h"
#include "gamewindow/audio_mute.h"
#include "gamewindow/screenshot.h"
#include "gamewindow/settings_store.h"
#include "gamewindow/web_main_frm.h"
#include "gamewindow/web_url.h"
#include "gamewindow/zoom_steps.h"

namespace qorv::gamewindow {
namespace {

void AppendEntries(HMENU menu, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& e : entries) {
    if (e.separator) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (e.checked ? MF_CHECKED : 0) | (e.enabled ? 0 : MF_GRAYED);
    if (e.submenu.empty()) {
      ::AppendMenuW(menu, flags, e.id, e.caption.c_str());
      continue;
    }
    win::UniqueMenu sub(::CreatePopupMenu());
    AppendEntries(sub.Get(), e.submenu);
    // Once appended, the submenu is the menu's, destroyed with it.
    if (::AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Get()),
                      e.caption.c_str())) {
      sub.Release();
    }
  }
}

KeyModifiers HeldModifiers() {
  auto down = [](int vk) { return (::GetKeyState(vk) & 0x8000) != 0; };
  return {down(VK_CONTROL), down(VK_SHIFT), down(VK_MENU)};
}

}  // namespace

void WebMainFrm::LoadPlayerChoices() {
  m_settings = LoadPlayerSettings();
  // Normally running since before the login page; a window loaded on its own starts it here.
  StartPlayerAudio(m_settings.muted);
  if (AudioMute* audio = PlayerAudio()) audio->SetMuted(m_settings.muted);
  if (m_settings.alwaysOnTop) ApplyAlwaysOnTop();
  win::Application::Instance().SetShortcutFilter(Hwnd(),
                                                 [this](MSG& msg) { return OnShortcut(msg); });
  RefreshAppMenu();
}

void WebMainFrm::ForgetPlayerChoices() {
  win::Application::Instance().RemoveShortcutFilter(Hwnd());
  StopPlayerAudio();
}

void WebMainFrm::RefreshAppMenu() {
  AppMenuState state;
  state.versionCaption = m_versionCaption;
  AudioMute* audio = PlayerAudio();
  state.muted = m_settings.muted;
  state.canMute = audio && audio->Available();
  state.topmost = m_settings.alwaysOnTop;
  if (auto page = SelectedPage()) state.zoomPercent = page->Zoom();
  // DeleteMenu destroys a submenu with its entry.
  while (::GetMenuItemCount(m_popup) > 0) ::DeleteMenu(m_popup, 0, MF_BYPOSITION);
  AppendEntries(m_popup, AppMenuEntries(state));
}

std::shared_ptr<WebUrl> WebMainFrm::SelectedPage() {
  auto& items = m_tab.TabItems();
  const int32_t selected = items.Selected();
  if (selected < 0 || selected >= items.Count()) return nullptr;
  try {
    return std::dynamic_pointer_cast<WebUrl>(items.Item(selected)->Form());
  } catch (const tabstrip::TabError&) {
    return nullptr;
  }
}

void WebMainFrm::SaveSettings() {
  // Refused (a locked-down profile): the choice holds for this run all the same.
  SavePlayerSettings(m_settings);
}

void WebMainFrm::ToggleMute() {
  AudioMute* audio = PlayerAudio();
  if (!audio || !audio->Available()) return;  // the entry is greyed: no output device
  m_settings.muted = !m_settings.muted;
  audio->SetMuted(m_settings.muted);
  SaveSettings();
}

void WebMainFrm::SetAlwaysOnTop(bool on) {
  m_settings.alwaysOnTop = on;
  ApplyAlwaysOnTop();
  SaveSettings();
}

void WebMainFrm::ApplyAlwaysOnTop() {
  // Owned windows (the exit question, message boxes) go into the topmost band with their owner.
  ::SetWindowPos(Hwnd(), m_settings.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void WebMainFrm::ZoomSelected(UINT command, int times) {
  auto page = SelectedPage();
  if (!page) return;
  int zoom = page->Zoom();
  for (int i = 0; i < times; ++i) {
    zoom = command == kCmdZoomIn ? ZoomIn(zoom) : command == kCmdZoomOut ? ZoomOut(zoom)
                                                                          : kDefaultZoom;
  }
  page->SetZoom(zoom);
  if (page == m_gamePage.lock() && m_settings.gameZoom != zoom) {
    m_settings.gameZoom = zoom;
    SaveSettings();
  }
}

void WebMainFrm::ScreenshotCommand() {
  ScreenshotResult result;
  if (auto page = SelectedPage()) {
    result = TakeScreenshot(Hwnd(), page->Hwnd(),
                            m_picturesFolder.empty() ? PicturesFolder() : m_picturesFolder,
                            LocalNow());
  } else if (!::IsWindowVisible(Hwnd()) || ::IsIconic(Hwnd())) {
    result.failure = ScreenshotFailure::kNotVisible;
  }
  if (!m_tray) return;
  if (result.saved) {
    m_balloonFolder = result.path.substr(0, result.path.find_last_of(L'\\'));
    m_tray->ShowBubble(kScreenshotBalloonTitle, ScreenshotSavedText(result.path), NIIF_INFO);
  } else {
    m_balloonFolder.clear();
    win::LogInfo(L"screenshot not saved (" + std::to_wstring(static_cast<int>(result.failure)) +
                 L", error " + std::to_wstring(result.error) + L")");
    m_tray->ShowBubble(kScreenshotBalloonTitle,
                       ScreenshotFailedText(result.failure, result.error), NIIF_WARNING);
  }
}

void WebMainFrm::OnTrayBalloon(LPARAM event) {
  switch (event) {
    case NIN_BALLOONUSERCLICK:
      if (!m_balloonFolder.empty()) FolderOpener()(m_balloonFolder);
      m_balloonFolder.clear();
      break;
    case NIN_BALLOONTIMEOUT:
      m_balloonFolder.clear();
      break;
    default:
      break;
  }
}

bool WebMainFrm::OnShortcut(MSG& msg) {
  // The exit question (or any modal box) has the window disabled: its keys do nothing here.
  if (!::IsWindowEnabled(Hwnd()) || IsUnloading()) return false;
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    if (auto command = ShortcutForKey(static_cast<unsigned>(msg.wParam), HeldModifiers())) {
      RunMenuCommand(*command);
      return true;
    }
    return false;
  }
  if (msg.message == WM_MOUSEWHEEL) {
    KeyModifiers mods = HeldModifiers();
    mods.ctrl = (GET_KEYSTATE_WPARAM(msg.wParam) & MK_CONTROL) != 0;
    const int steps = m_wheel.Turn(GET_WHEEL_DELTA_WPARAM(msg.wParam), mods);
    if (!mods.ctrl || mods.alt) return false;  // the page scrolls
    if (steps != 0) ZoomSelected(steps > 0 ? kCmdZoomIn : kCmdZoomOut, steps > 0 ? steps : -steps);
    return true;  // part of a notch too: the engine's own Ctrl+wheel zoom never runs
  }
  return false;
}

}  // namespace qorv::gamewindow

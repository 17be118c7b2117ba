// The player's commands in the real main window (pages played by the scripted browser): zoom per
// tab through the keys, the wheel and the menu; what the exit question leaves alone; screenshots
// of a painted page area read back pixel for pixel and the balloons that report them; always on
// top; mute on this process's audio session; and the remembered choices across a new window.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/win/com.h"
#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "gamewindow/audio_mute.h"
#include "gamewindow/msg_frm.h"
#include "gamewindow/player_settings.h"
#include "gamewindow/screenshot.h"
#include "gamewindow/settings_store.h"
#include "gamewindow/web_main_frm.h"
#include "gamewindow/web_url.h"
#include "startup/public_data.h"
#include "win/support/exit_question.h"
#include "win/support/scripted_browser.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

namespace fs = std::filesystem;
using test::ScriptedBrowser;
using test::ScriptedBrowsers;

// Holds the keyboard state GetKeyState reports on this thread, as if the keys were down.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    ::GetKeyboardState(m_saved);
    BYTE state[256];
    ::memcpy(state, m_saved, sizeof(state));
    for (int vk : keys) state[vk] = 0x80;
    ::SetKeyboardState(state);
  }
  ~HeldKeys() { ::SetKeyboardState(m_saved); }

 private:
  BYTE m_saved[256];
};

void DeleteSettingsKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

class PlayerCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteSettingsKey();
    startup::SaveResFile(101, L"ICON", startup::GetTempDir() + L"qorv.ico");
    RegisterGameWindow();
    win::Forms().login = nullptr;
    m_opened.clear();
    FolderOpener() = [this](const std::wstring& folder) { m_opened.push_back(folder); };
    m_pictures = fs::temp_directory_path() / ("qorv-pictures-" + std::to_string(::GetTickCount()));
    fs::create_directories(m_pictures);
  }
  void TearDown() override {
    CloseMain();
    DeleteSettingsKey();
    std::error_code ec;
    fs::remove_all(m_pictures, ec);
  }
  void CloseMain() {
    if (WebMainFrm* f = MainFormIfLoaded()) {
      f->m_bExit = true;
      f->Unload();
    }
    win::Application::Instance().CollectReleased();
    test::PumpFor(30);
  }
  WebMainFrm& Main() {
    WebMainFrm& main = MainForm();
    main.SetPicturesFolder(m_pictures.wstring());
    return main;
  }
  static ScriptedBrowser* PageBrowser(WebMainFrm& main, int index) {
    auto item = main.WebuTab().TabItems().Item(index);
    return static_cast<ScriptedBrowser*>(static_cast<WebUrl*>(item->Form().get())->Browser());
  }
  static std::wstring MenuCaption(WebMainFrm& main, int position) {
    main.RefreshAppMenu();  // as the menu is each time it opens
    wchar_t text[64] = {};
    ::GetMenuStringW(::GetSubMenu(main.AppMenu(), 0), position, text, 64, MF_BYPOSITION);
    return text;
  }
  static std::wstring BalloonText(WebMainFrm& main) { return main.TrayIcon()->Record().szInfo; }

  win::OleSession m_ole;  // as the program has it before any window: the audio classes need it
  ScriptedBrowsers m_browsers;
  std::vector<std::wstring> m_opened;
  fs::path m_pictures;
};

TEST_F(PlayerCommandsTest, ZoomGoesToTheSelectedTabOnlyAndEachTabKeepsItsOwn) {
  WebMainFrm& main = Main();
  main.SetURL(L"http://127.0.0.1:9/game");
  main.OpenPage(L"http://127.0.0.1:9/other");  // selected now
  ScriptedBrowser* game = PageBrowser(main, 0);
  ScriptedBrowser* other = PageBrowser(main, 1);
  const std::vector<int> gameBefore = game->zoomCalls;  // the game tab's start at 100 %
  EXPECT_EQ(gameBefore, std::vector<int>{100});

  // Ctrl+plus on the page's own window, as the loop gets it: taken before the page's filter.
  HWND pageWindow = other->ControlWindow();
  {
    HeldKeys ctrl{VK_CONTROL};
    MSG plus{pageWindow, WM_KEYDOWN, VK_OEM_PLUS, 0, 0, {}};
    EXPECT_TRUE(win::Application::Instance().PreTranslate(plus));
    MSG numpadPlus{pageWindow, WM_KEYDOWN, VK_ADD, 0, 0, {}};
    EXPECT_TRUE(win::Application::Instance().PreTranslate(numpadPlus));
  }
  EXPECT_EQ(other->zoomCalls, (std::vector<int>{110, 125}));
  EXPECT_EQ(game->zoomCalls, gameBefore);
  // Without Ctrl the key is the page's.
  MSG plain{pageWindow, WM_KEYDOWN, VK_OEM_PLUS, 0, 0, {}};
  EXPECT_FALSE(win::Application::Instance().PreTranslate(plain));

  // A completed document puts the engine back to 100 %: the tab's zoom goes again, once, for the
  // top document only.
  other->FireDocumentComplete(L"http://127.0.0.1:9/frame", false);
  other->FireDocumentComplete(L"http://127.0.0.1:9/other", true);
  EXPECT_EQ(other->zoomCalls, (std::vector<int>{110, 125, 125}));

  // Switching tabs sends nothing; the menu shows the selected tab's zoom.
  EXPECT_EQ(MenuCaption(main, 6), L"缩放 125%");
  main.WebuTab().TabItems().SetSelected(0);
  EXPECT_EQ(MenuCaption(main, 6), L"缩放 100%");
  // Ctrl with the wheel towards the player on the game page, one notch.
  MSG wheel{game->ControlWindow(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)),
            0, 0, {}};
  EXPECT_TRUE(win::Application::Instance().PreTranslate(wheel));
  MSG scroll{
      game->ControlWindow(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0, 0, {}};
  EXPECT_FALSE(win::Application::Instance().PreTranslate(scroll));
  EXPECT_EQ(game->zoomCalls, (std::vector<int>{100, 90}));
  main.RunMenuCommand(kCmdZoomReset);
  EXPECT_EQ(game->zoomCalls, (std::vector<int>{100, 90, 100}));
  EXPECT_EQ(other->zoomCalls, (std::vector<int>{110, 125, 125}));
  main.WebuTab().TabItems().SetSelected(1);
  EXPECT_EQ(MenuCaption(main, 6), L"缩放 125%");
}

TEST_F(PlayerCommandsTest, AShortcutWhileTheExitQuestionIsUpDoesNothing) {
  WebMainFrm& main = Main();
  main.SetURL(L"http://127.0.0.1:9/game");
  main.Show();
  ScriptedBrowser* game = PageBrowser(main, 0);
  const std::vector<int> before = game->zoomCalls;
  static HWND s_page;
  static bool s_consumed;
  s_page = game->ControlWindow();
  s_consumed = true;
  // Inside the question's modal loop: the keys go through the same filters as ever.
  ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (!MsgFrm::IfLoaded()) return;
    ::KillTimer(nullptr, id);
    HeldKeys ctrlShift{VK_CONTROL, VK_SHIFT};
    MSG plus{s_page, WM_KEYDOWN, VK_OEM_PLUS, 0, 0, {}};
    MSG shot{s_page, WM_KEYDOWN, 'S', 0, 0, {}};
    s_consumed = win::Application::Instance().PreTranslate(plus) ||
                 win::Application::Instance().PreTranslate(shot);
  });
  test::AnswerExitQuestionLater(false, 300);
  EXPECT_FALSE(main.RequestClose());
  EXPECT_FALSE(s_consumed);
  EXPECT_EQ(game->zoomCalls, before);
  EXPECT_TRUE(BalloonText(main).empty());
  EXPECT_TRUE(fs::is_empty(m_pictures));
}

// A page area painted with a pattern no two neighbouring pixels share.
COLORREF PatternAt(int x, int y) {
  return RGB((x * 7 + y * 3) & 0xFF, (x * 13) & 0xFF, (y * 11 + 40) & 0xFF);
}

LRESULT CALLBACK PatternProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto paint = [h](HDC dc) {
    RECT rc{};
    ::GetClientRect(h, &rc);
    for (int y = 0; y < rc.bottom; ++y) {
      for (int x = 0; x < rc.right; ++x) ::SetPixelV(dc, x, y, PatternAt(x, y));
    }
  };
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(h, &ps);
      paint(dc);
      ::EndPaint(h, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return ::DefWindowProcW(h, msg, wParam, lParam);
  }
}

HWND CreatePatternArea(HWND parent, int x, int y, int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PatternProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QorvPatternArea";
  ::RegisterClassW(&wc);
  return ::CreateWindowExW(0, L"QorvPatternArea", L"", WS_CHILD | WS_VISIBLE, x, y, width, height,
                           parent, nullptr, wc.hInstance, nullptr);
}

struct Decoded {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
};

Decoded DecodePng(const fs::path& file) {
  win::GdiplusSession gdiplus;
  Decoded out;
  Gdiplus::Bitmap bitmap(file.wstring().c_str());
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return out;
  out.width = static_cast<int>(bitmap.GetWidth());
  out.height = static_cast<int>(bitmap.GetHeight());
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      Gdiplus::Color c;
      bitmap.GetPixel(x, y, &c);
      out.pixels.push_back(RGB(c.GetR(), c.GetG(), c.GetB()));
    }
  }
  return out;
}

TEST_F(PlayerCommandsTest, AScreenshotIsThePageAreaAloneInDevicePixelsUnderAFreshName) {
  // A frame around the area (a title strip above it, borders beside it) that must not show.
  HWND top = test::CreateHostWindow(40, 40, 300, 220, L"screenshot host");
  HWND strip = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0,
                                 300, 30, top, nullptr, nullptr, nullptr);
  HWND area = CreatePatternArea(top, 7, 30, 173, 121);
  ::UpdateWindow(top);
  test::PumpFor(100);
  const LocalTime when{2026, 12, 10, 8, 1, 2};
  // Run again under a display of 144 DPI: the picture stays in device pixels, unscaled.
  if (const char* dpi = std::getenv("QORV_EXPECT_DPI")) {
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(::GetDeviceCaps(screen, LOGPIXELSX), std::atoi(dpi));
    ::ReleaseDC(nullptr, screen);
  }

  ScreenshotResult first = TakeScreenshot(top, area, m_pictures.wstring(), when);
  ASSERT_TRUE(first.saved) << static_cast<int>(first.failure) << " " << first.error;
  EXPECT_EQ(fs::path(first.path),
            m_pictures / "BrindleQorvane" / "BrindleQorvane-20261210-080102.png");
  Decoded png = DecodePng(first.path);
  ASSERT_EQ(png.width, 173);
  ASSERT_EQ(png.height, 121);
  int wrong = 0;
  for (int y = 0; y < png.height; ++y) {
    for (int x = 0; x < png.width; ++x) {
      if (png.pixels[static_cast<size_t>(y * png.width + x)] != PatternAt(x, y) && wrong++ < 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex
                      << png.pixels[static_cast<size_t>(y * png.width + x)] << " not "
                      << PatternAt(x, y);
      }
    }
  }
  EXPECT_EQ(wrong, 0);

  // The same second again: a number, and the first file stays as it was.
  const auto firstSize = fs::file_size(first.path);
  ScreenshotResult second = TakeScreenshot(top, area, m_pictures.wstring(), when);
  ASSERT_TRUE(second.saved);
  EXPECT_EQ(fs::path(second.path).filename(), "BrindleQorvane-20261210-080102-2.png");
  EXPECT_EQ(fs::file_size(first.path), firstSize);

  // Nothing of a hidden window; and no Pictures folder: nothing made in its place.
  ::ShowWindow(top, SW_HIDE);
  EXPECT_EQ(TakeScreenshot(top, area, m_pictures.wstring(), when).failure,
            ScreenshotFailure::kNotVisible);
  ::ShowWindow(top, SW_SHOW);
  const fs::path missing = m_pictures / "no such folder";
  ScreenshotResult none = TakeScreenshot(top, area, missing.wstring(), when);
  EXPECT_FALSE(none.saved);
  EXPECT_EQ(none.failure, ScreenshotFailure::kNoPicturesFolder);
  EXPECT_FALSE(fs::exists(missing));
  ::DestroyWindow(strip);
  ::DestroyWindow(top);
}

TEST_F(PlayerCommandsTest, TheBalloonSaysWhereTheScreenshotWentOrWhyNotAndItsClickOpensTheFolder) {
  WebMainFrm& main = Main();
  main.SetURL(L"http://127.0.0.1:9/game");
  // Hidden (F10): nothing saved, the balloon says why.
  main.RunMenuCommand(kCmdScreenshot);
  EXPECT_EQ(BalloonText(main), ScreenshotFailedText(ScreenshotFailure::kNotVisible));
  EXPECT_TRUE(fs::is_empty(m_pictures));
  ::SendMessageW(main.Hwnd(), kTrayCallbackMessage, kTrayIconId, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(m_opened.empty());

  main.Show();
  test::PumpFor(100);
  {
    HeldKeys ctrlShift{VK_CONTROL, VK_SHIFT};
    MSG shot{main.SelectedPage()->Hwnd(), WM_KEYDOWN, 'S', 0, 0, {}};
    EXPECT_TRUE(win::Application::Instance().PreTranslate(shot));
  }
  const fs::path folder = m_pictures / "BrindleQorvane";
  ASSERT_TRUE(fs::exists(folder));
  auto file = fs::directory_iterator(folder)->path();
  EXPECT_EQ(BalloonText(main), ScreenshotSavedText(file.wstring()));
  EXPECT_EQ(main.TrayIcon()->Record().dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
  ::SendMessageW(main.Hwnd(), kTrayCallbackMessage, kTrayIconId, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(m_opened, std::vector<std::wstring>{folder.wstring()});

  // Minimised: as hidden.
  ::SendMessageW(main.Hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  test::PumpUntil([&] { return ::IsIconic(main.Hwnd()) != FALSE; });
  main.RunMenuCommand(kCmdScreenshot);
  EXPECT_EQ(BalloonText(main), ScreenshotFailedText(ScreenshotFailure::kNotVisible));
}

bool IsAbove(HWND upper, HWND lower) {
  for (HWND h = ::GetWindow(upper, GW_HWNDNEXT); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (h == lower) return true;
  }
  return false;
}

TEST_F(PlayerCommandsTest, AlwaysOnTopIsSetAndClearedWithItsOwnedWindowsAboveIt) {
  WebMainFrm& main = Main();
  main.Show();
  auto topmost = [&] {
    return (::GetWindowLongPtrW(main.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  };
  EXPECT_FALSE(topmost());
  main.RunMenuCommand(kCmdTopmost);
  EXPECT_TRUE(topmost());
  EXPECT_EQ(MenuCaption(main, 5), L"窗口置顶");
  EXPECT_NE(::GetMenuState(::GetSubMenu(main.AppMenu(), 0), kCmdTopmost, MF_BYCOMMAND) & MF_CHECKED,
            0u);
  // Another program's window shown later stays below; a window the game window owns stays above.
  HWND other = test::CreateHostWindow(0, 0, 50, 50, L"another program");
  HWND owned = ::CreateWindowExW(0, L"STATIC", L"owned", WS_POPUP | WS_VISIBLE, 10, 10, 40, 40,
                                 main.Hwnd(), nullptr, nullptr, nullptr);
  test::PumpFor(50);
  EXPECT_TRUE(IsAbove(main.Hwnd(), other));
  EXPECT_TRUE(IsAbove(owned, main.Hwnd()));
  // The exit question, made while the window is on top, comes up above it.
  static HWND s_main;
  static int s_dialogAbove;
  s_main = main.Hwnd();
  s_dialogAbove = -1;
  ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (MsgFrm* dialog = MsgFrm::IfLoaded()) {
      ::KillTimer(nullptr, id);
      s_dialogAbove = IsAbove(dialog->Hwnd(), s_main) ? 1 : 0;
    }
  });
  test::AnswerExitQuestionLater(false, 300);
  EXPECT_FALSE(main.RequestClose());
  EXPECT_EQ(s_dialogAbove, 1);

  main.RunMenuCommand(kCmdTopmost);
  EXPECT_FALSE(topmost());
  ::DestroyWindow(owned);
  ::DestroyWindow(other);
}

TEST_F(PlayerCommandsTest, MuteRoundTripsOnTheProcessSessionOrIsGreyedWithoutADevice) {
  ASSERT_TRUE(m_ole.Ok());
  WebMainFrm& main = Main();
  AudioMute* audio = PlayerAudio();
  ASSERT_NE(audio, nullptr);
  HMENU menu = ::GetSubMenu(main.AppMenu(), 0);
  // Run once as the machine is and once with a null sound card (tests/win/with_null_audio.sh).
  if (std::getenv("QORV_EXPECT_AUDIO_DEVICE")) {
    EXPECT_TRUE(audio->Available());
  }
  if (!audio->Available()) {
    // The clean path without an output device: greyed, and the command changes nothing.
    std::printf("no audio output device here: the no-device path was tested\n");
    EXPECT_NE(::GetMenuState(menu, kCmdMute, MF_BYCOMMAND) & MF_GRAYED, 0u);
    main.RunMenuCommand(kCmdMute);
    EXPECT_FALSE(main.Settings().muted);
    EXPECT_FALSE(audio->SessionMuted().has_value());
    return;
  }
  std::printf("an audio output device is present: the session round trip was tested\n");
  EXPECT_EQ(::GetMenuState(menu, kCmdMute, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(audio->SessionMuted(), false);
  {
    HeldKeys ctrlShift{VK_CONTROL, VK_SHIFT};
    MSG mute{main.Hwnd(), WM_KEYDOWN, 'M', 0, 0, {}};
    EXPECT_TRUE(win::Application::Instance().PreTranslate(mute));
  }
  EXPECT_EQ(audio->SessionMuted(), true);
  EXPECT_EQ(LoadPlayerSettings().muted, true);
  // A device change finds the session again and mutes it again.
  audio->Reattach();
  EXPECT_EQ(audio->SessionMuted(), true);
  main.RunMenuCommand(kCmdMute);
  EXPECT_EQ(audio->SessionMuted(), false);
}

TEST_F(PlayerCommandsTest, ChoicesSurviveANewWindowAndDamagedValuesAreDefaults) {
  {
    WebMainFrm& main = Main();
    main.SetURL(L"http://127.0.0.1:9/game");
    main.RunMenuCommand(kCmdZoomIn);
    main.RunMenuCommand(kCmdZoomIn);
    main.RunMenuCommand(kCmdTopmost);
    main.OpenPage(L"http://127.0.0.1:9/other");
    main.RunMenuCommand(kCmdZoomOut);  // another tab's zoom is not remembered
  }
  CloseMain();
  PlayerSettings expected;
  expected.alwaysOnTop = true;
  expected.gameZoom = 125;
  EXPECT_EQ(LoadPlayerSettings(), expected);

  WebMainFrm& again = Main();
  EXPECT_EQ(again.Settings(), expected);
  EXPECT_NE(::GetWindowLongPtrW(again.Hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  again.SetURL(L"http://127.0.0.1:9/game");
  again.OpenPage(L"http://127.0.0.1:9/other");
  EXPECT_EQ(PageBrowser(again, 0)->zoomCalls, std::vector<int>{125});
  EXPECT_EQ(PageBrowser(again, 1)->zoomCalls, std::vector<int>{});
  EXPECT_EQ(again.SelectedPage()->Zoom(), 100);
  CloseMain();

  // Values of the wrong type or out of range read as defaults, each on its own.
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t text[] = L"1";
  ::RegSetValueExW(key, kMutedValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
  const uint64_t wide = 1;
  ::RegSetValueExW(key, kAlwaysOnTopValue, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide),
                   sizeof(wide));
  const DWORD odd = 133;
  ::RegSetValueExW(key, kGameZoomValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&odd),
                   sizeof(odd));
  ::RegCloseKey(key);
  EXPECT_EQ(LoadPlayerSettings(), PlayerSettings{});
}

}  // namespace
}  // namespace qorv::gamewindow

// The tray icon against Wine's own notification area (its standalone tray window, one child
// window per icon): the tip the shell shows, removal with the object, and the icon's return when
// the taskbar announces itself again. The shown tips are read from the tray's tooltip control in
// the shell's process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "gamewindow/notify_icon.h"
#include "win/support/test_window.h"

namespace qorv::gamewindow {
namespace {

using test::PumpFor;
using test::PumpUntil;

constexpr wchar_t kProductTip[] = L"BrindleQorvane客户端";

HWND TrayWindow() { return ::FindWindowW(L"__winex11_standalone_tray", nullptr); }

int TrayIconCount() {
  int n = 0;
  for (HWND h = nullptr; (h = ::FindWindowExW(TrayWindow(), h, L"__winex11_tray_icon", nullptr));)
    ++n;
  return n;
}

// Every tip the tray's tooltip holds, read through memory in the shell's process.
std::vector<std::wstring> TrayTips() {
  std::vector<std::wstring> tips;
  HWND tray = TrayWindow();
  if (!tray) return tips;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(tray, &pid);
  HANDLE proc = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                              pid);
  if (!proc) return tips;
  auto* remote = static_cast<BYTE*>(
      ::VirtualAllocEx(proc, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  for (HWND tip = nullptr; remote && (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW,
                                                             nullptr));) {
    DWORD tipPid = 0;
    ::GetWindowThreadProcessId(tip, &tipPid);
    if (tipPid != pid) continue;
    int count = static_cast<int>(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof(info);
      info.lpszText = reinterpret_cast<LPWSTR>(remote + 1024);
      wchar_t text[1024] = {};
      ::WriteProcessMemory(proc, remote, &info, sizeof(info), nullptr);
      ::WriteProcessMemory(proc, remote + 1024, text, sizeof(text), nullptr);
      if (!::SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote))) continue;
      ::ReadProcessMemory(proc, remote + 1024, text, sizeof(text) - sizeof(wchar_t), nullptr);
      tips.emplace_back(text);
    }
  }
  if (remote) ::VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
  ::CloseHandle(proc);
  return tips;
}

bool HasTip(const std::wstring& tip) {
  for (const auto& t : TrayTips()) {
    if (t == tip) return true;
  }
  return false;
}

// The main window's part: its procedure hands the taskbar's announcement to the icon.
CKpNotifyIcon* g_icon = nullptr;
LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CKpNotifyIcon::TaskbarCreatedMessage() && g_icon) {
    g_icon->OnTaskbarCreated();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QorvTrayTestHost";
    ::RegisterClassW(&wc);
    m_host = ::CreateWindowExW(0, wc.lpszClassName, L"tray host", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, wc.hInstance, nullptr);
    m_picture = static_cast<HICON>(::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 16, 16,
                                                LR_SHARED));
    m_before = TrayIconCount();
  }
  void TearDown() override {
    g_icon = nullptr;
    ::DestroyWindow(m_host);
  }
  bool IconCountBecomes(int n) {
    return PumpUntil([&] { return TrayIconCount() == n; }, 3000);
  }

  HWND m_host = nullptr;
  HICON m_picture = nullptr;
  int m_before = 0;
};

TEST_F(TrayTest, ShellShowsTheTipCutToItsField) {
  struct Case {
    std::wstring given, shown;
  } cases[] = {
      {kProductTip, kProductTip},
      {std::wstring(200, L'客'), std::wstring(127, L'客')},
      // The pair would end at unit 128, past the room for the NUL: it goes whole.
      {std::wstring(126, L'a') + L"\U0001F600", std::wstring(126, L'a')},
  };
  for (const auto& c : cases) {
    CKpNotifyIcon icon;
    icon.AddNotifyIcon(m_host, m_picture, c.given);
    ASSERT_TRUE(IconCountBecomes(m_before + 1));
    EXPECT_TRUE(PumpUntil([&] { return HasTip(c.shown); }, 3000)) << c.shown.size();
    EXPECT_EQ(icon.Record().cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(icon.Record().uFlags, 23u);
  }
}

TEST_F(TrayTest, IconGoesWithTheObject) {
  auto icon = std::make_unique<CKpNotifyIcon>();
  icon->AddNotifyIcon(m_host, m_picture, kProductTip);
  ASSERT_TRUE(IconCountBecomes(m_before + 1));
  icon.reset();
  EXPECT_TRUE(IconCountBecomes(m_before));
  NOTIFYICONDATAW probe{sizeof(probe)};
  probe.hWnd = m_host;
  probe.uID = kTrayIconId;
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &probe));  // the shell knows it no more
}

TEST_F(TrayTest, TaskbarCreatedBringsTheIconBackOnlyWhileItIsWanted) {
  CKpNotifyIcon icon;
  g_icon = &icon;
  icon.AddNotifyIcon(m_host, m_picture, kProductTip);
  ASSERT_TRUE(IconCountBecomes(m_before + 1));
  // What a restarting shell does: the old taskbar's icons are gone.
  NOTIFYICONDATAW record = icon.Record();
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &record));
  ASSERT_TRUE(IconCountBecomes(m_before));

  ::SendMessageW(m_host, CKpNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(IconCountBecomes(m_before + 1));
  EXPECT_TRUE(PumpUntil([&] { return HasTip(kProductTip); }, 3000));

  icon.DeleteNotifyIcon();
  ASSERT_TRUE(IconCountBecomes(m_before));
  ::SendMessageW(m_host, CKpNotifyIcon::TaskbarCreatedMessage(), 0, 0);
  PumpFor(300);
  EXPECT_EQ(TrayIconCount(), m_before);
}

// Calls the client itself never makes: a new tip, a balloon and its removal, as the shell
// shows them (Wine's tray shows a balloon as a tooltip of its own, about two seconds late).
TEST_F(TrayTest, ModifiedTipBalloonAndItsRemovalReachTheShell) {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  const std::wstring first = L"提示 " + pid, second = L"另一个提示 " + pid;
  const std::wstring info = L"气球 " + pid;
  CKpNotifyIcon icon;
  icon.AddNotifyIcon(m_host, m_picture, first);
  ASSERT_TRUE(IconCountBecomes(m_before + 1));
  ASSERT_TRUE(PumpUntil([&] { return HasTip(first); }, 3000));

  HICON other = static_cast<HICON>(::LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, 16, 16,
                                                LR_SHARED));
  icon.ModifyNotifyIcon(m_host, other, second);
  EXPECT_TRUE(PumpUntil([&] { return HasTip(second) && !HasTip(first); }, 3000));
  EXPECT_EQ(TrayIconCount(), m_before + 1);  // changed in place
  EXPECT_EQ(icon.Record().uCallbackMessage, kTrayCallbackMessage);

  icon.ShowBubble(L"标题", info, NIIF_INFO);
  EXPECT_TRUE(PumpUntil([&] { return HasTip(info); }, 6000));
  EXPECT_TRUE(HasTip(second));  // the tip stays as it was
  EXPECT_EQ(icon.Record().hIcon, other);
  EXPECT_EQ(icon.Record().dwInfoFlags, static_cast<DWORD>(NIIF_INFO));

  icon.HideBubble();
  EXPECT_TRUE(PumpUntil([&] { return !HasTip(info); }, 3000));
  EXPECT_TRUE(HasTip(second));
  EXPECT_EQ(TrayIconCount(), m_before + 1);
}

}  // namespace
}  // namespace qorv::gamewindow

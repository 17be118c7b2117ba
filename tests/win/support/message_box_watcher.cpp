#include "win/support/message_box_watcher.h"

namespace qorv::test {
namespace {

std::wstring TextOf(HWND h) {
  wchar_t text[512] = {};
  ::GetWindowTextW(h, text, 512);
  return text;
}

struct Search {
  DWORD pid;
  const std::wstring& title;
  HWND box;
};

BOOL CALLBACK FindBox(HWND h, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  wchar_t cls[16] = {};
  ::GetClassNameW(h, cls, 16);
  if (pid != search->pid || std::wstring(cls) != L"#32770" || !::IsWindowVisible(h)) return TRUE;
  if (!search->title.empty() && TextOf(h) != search->title) return TRUE;
  search->box = h;
  return FALSE;
}

bool HasIcon(HWND box) {
  for (HWND c = nullptr; (c = ::FindWindowExW(box, c, L"Static", nullptr));) {
    if ((::GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return true;
  }
  return false;
}

}  // namespace

HWND FindMessageBox(DWORD pid, const std::wstring& title) {
  Search search{pid, title, nullptr};
  ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
  return search.box;
}

MessageBoxSeen MessageBoxWatcher::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  return m_seen;
}

void MessageBoxWatcher::Watch(const MessageBoxWatch& watch) {
  DWORD end = ::GetTickCount() + watch.timeoutMs;
  while (!m_stop && static_cast<LONG>(end - ::GetTickCount()) > 0) {
    HWND box = FindMessageBox(watch.pid, watch.title);
    if (!box) {
      ::Sleep(20);
      continue;
    }
    ::Sleep(50);  // let it finish laying out its text
    m_seen.seen = true;
    m_seen.title = TextOf(box);
    m_seen.text = TextOf(::GetDlgItem(box, 0xFFFF));
    m_seen.ok = ::GetDlgItem(box, IDOK) != nullptr;
    m_seen.yes = ::GetDlgItem(box, IDYES) != nullptr;
    m_seen.no = ::GetDlgItem(box, IDNO) != nullptr;
    m_seen.icon = HasIcon(box);
    m_seen.owner = ::GetWindow(box, GW_OWNER);
    int id = watch.press;
    if (!::GetDlgItem(box, id)) id = m_seen.ok ? IDOK : IDNO;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
    return;
  }
}

}  // namespace qorv::test

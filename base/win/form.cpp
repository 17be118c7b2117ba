#include "base/win/form.h"

#include "base/units.h"
#include "base/win/log.h"

namespace qorv::win {

Application& Application::Instance() {
  static Application app;
  return app;
}

void Application::SetKeyFilter(HWND root, KeyFilter filter) {
  if (root) m_keyFilters[root] = std::move(filter);
}

void Application::RemoveKeyFilter(HWND root) { m_keyFilters.erase(root); }

void Application::SetShortcutFilter(HWND root, KeyFilter filter) {
  if (root) m_shortcutFilters[root] = std::move(filter);
}

void Application::RemoveShortcutFilter(HWND root) { m_shortcutFilters.erase(root); }

namespace {

// The filter of the innermost window around msg's that has one; false when none consumes it.
bool RunInnermost(const std::map<HWND, Application::KeyFilter>& filters, MSG& msg) {
  if (filters.empty()) return false;
  for (HWND h = msg.hwnd; h; h = ::GetAncestor(h, GA_PARENT)) {
    auto it = filters.find(h);
    if (it != filters.end()) {
      // A copy: the filter may remove itself (its page may close on a key).
      Application::KeyFilter filter = it->second;
      return filter && filter(msg);
    }
  }
  return false;
}

}  // namespace

bool Application::PreTranslate(MSG& msg) {
  const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  if (!key && msg.message != WM_MOUSEWHEEL) return false;
  if (RunInnermost(m_shortcutFilters, msg)) return true;
  return key && RunInnermost(m_keyFilters, msg);
}

void Application::DispatchOne(MSG& msg) {
  if (PreTranslate(msg)) return;
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

int Application::Run() {
  MSG msg;
  while (m_loaded > 0 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchOne(msg);
    CollectReleased();
  }
  CollectReleased();
  return 0;
}

void Application::ShowModal(Form& form, HWND owner) {
  if (form.IsUnloading() || !form.Hwnd()) return;
  std::shared_ptr<const bool> unloaded = form.UnloadedFlag();
  if (owner && ::IsWindow(owner) && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    form.m_modalOwner = owner;
  } else {
    owner = nullptr;
  }
  ::ShowWindow(form.Hwnd(), SW_SHOWNORMAL);
  ::SetForegroundWindow(form.Hwnd());
  MSG msg;
  while (!*unloaded) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    DispatchOne(msg);
  }
  // The form may be gone now; only the owner is touched.
  if (owner && ::IsWindow(owner)) {
    ::EnableWindow(owner, TRUE);
    ::SetActiveWindow(owner);
  }
  if (!*unloaded) form.m_modalOwner = nullptr;
}

bool Application::PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    DispatchOne(msg);
  }
  return true;
}

void Application::EndAtOnce(UINT exitCode) { ::ExitProcess(exitCode); }

void Application::FormUnloaded(std::unique_ptr<Form> form) {
  // No WM_QUIT here: the loop looks at the count after each message, so a handler that unloads
  // the last form and then loads another (the login screen handing over to the game window)
  // keeps the program running, while one that leaves nothing loaded ends it.
  if (form) m_released.push_back(std::move(form));
  if (--m_loaded < 0) m_loaded = 0;
}

void Application::CollectReleased() {
  // Swap first: a destructor may unload another form and append to the list.
  while (!m_released.empty()) {
    auto batch = std::move(m_released);
    m_released.clear();
    batch.clear();
  }
}

void Form::Unload() {
  if (m_unloading) return;
  m_unloading = true;
  OnUnload();
  if (m_modalOwner) {
    // Before the window goes: otherwise the system activates some other program's window.
    if (::IsWindow(m_modalOwner)) ::EnableWindow(m_modalOwner, TRUE);
    m_modalOwner = nullptr;
  }
  Destroy();
  FinishUnload();
}

void Form::FinishUnload() {
  *m_unloadedFlag = true;
  if (m_detach) {
    auto self = m_detach();
    m_detach = nullptr;
    Application::Instance().FormUnloaded(std::move(self));
  }
}

bool Form::RequestClose() {
  if (m_unloading) return false;
  if (!OnQueryUnload()) return false;
  Unload();
  return true;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_DESTROY:
      if (!m_unloading) {
        // Destroyed from outside (an owner going, DestroyWindow): the form is unloaded all the
        // same, its unload handling running while the window still exists.
        m_unloading = true;
        try {
          OnUnload();
        } catch (...) {
          LogError(L"unload of a destroyed form failed");
        }
        if (m_modalOwner && ::IsWindow(m_modalOwner)) ::EnableWindow(m_modalOwner, TRUE);
        m_modalOwner = nullptr;
        FinishUnload();
      }
      break;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      if (!suggested || m_unloading) return 0;
      OnDpiChanged(ClampDpi(HIWORD(wParam)), *suggested);
      return 0;
    }
    default:
      break;
  }
  return Window::HandleMessage(msg, wParam, lParam);
}

void Form::OnDpiChanged(int, const RECT& suggested) {
  // The rectangle Windows suggests keeps the window's size in physical terms on the new monitor
  // and keeps the point under the cursor over it while it is dragged across. A minimised window
  // stays where it is: it is laid out again at the new DPI when it is restored.
  if (::IsIconic(Hwnd())) return;
  ::SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qorv::win

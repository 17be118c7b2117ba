#include "base/win/form.h"

namespace qorv::win {

Application& Application::Instance() {
  static Application app;
  return app;
}

int Application::Run() {
  MSG msg;
  while (m_loaded > 0 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
    CollectReleased();
  }
  CollectReleased();
  return 0;
}

bool Application::PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return true;
}

void Application::EndAtOnce(UINT exitCode) { ::ExitProcess(exitCode); }

void Application::FormUnloaded(std::unique_ptr<Form> form) {
  if (form) m_released.push_back(std::move(form));
  if (--m_loaded <= 0) {
    m_loaded = 0;
    ::PostQuitMessage(0);
  }
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
  Destroy();
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
  if (msg == WM_CLOSE) {
    RequestClose();
    return 0;
  }
  return Window::HandleMessage(msg, wParam, lParam);
}

}  // namespace qorv::win

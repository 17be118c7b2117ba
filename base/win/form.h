// Forms: top-level windows that exist once each, are loaded on first reference and unloaded
// explicitly. The application object counts loaded forms and ends the message loop when the
// last one is unloaded.
//
// A form's object is released after its window is destroyed, and not before the current message
// has been dispatched, so code that unloads its own form (from a click, a key, a callback) may
// still return through the form's members. A window destroyed by anything but Unload (its owner
// going, DestroyWindow) unloads its form all the same: the loop never waits for a form that has
// no window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "base/win/window.h"

namespace qorv::win {

class Form;

class Application {
 public:
  static Application& Instance();

  // Runs the message loop until the last form is unloaded; returns the exit code.
  int Run();
  // Shows form modally: its owner is disabled and a nested loop runs until the form is unloaded;
  // then the owner is enabled and activated again. Returns at once when WM_QUIT arrives (it is
  // re-posted for the outer loop).
  void ShowModal(Form& form, HWND owner);
  // Dispatches what is queued now, then returns (the "process pending messages" of downloads).
  // Returns false when WM_QUIT was seen; it is re-posted for the outer loop.
  bool PumpPending();
  // The process ends here: no unload or query-unload handling runs, nothing more is shown.
  [[noreturn]] static void EndAtOnce(UINT exitCode = 0);

  // Keys go to a filter before translation when the focus is inside root (or is root): a hosted
  // browser needs Tab, Enter and its accelerators before the dialog manager or TranslateMessage
  // sees them. A filter returning true has consumed the message.
  using KeyFilter = std::function<bool(MSG&)>;
  void SetKeyFilter(HWND root, KeyFilter filter);
  void RemoveKeyFilter(HWND root);
  // A window's own shortcut keys: key messages and wheel turns inside root reach this filter
  // before any key filter, and so before a hosted page sees them. True consumes the message.
  void SetShortcutFilter(HWND root, KeyFilter filter);
  void RemoveShortcutFilter(HWND root);
  bool PreTranslate(MSG& msg);

  void FormLoaded() { ++m_loaded; }
  void FormUnloaded(std::unique_ptr<Form> form);
  int LoadedForms() const { return m_loaded; }
  void CollectReleased();

 private:
  void DispatchOne(MSG& msg);

  int m_loaded = 0;
  std::vector<std::unique_ptr<Form>> m_released;
  std::map<HWND, KeyFilter> m_keyFilters;
  std::map<HWND, KeyFilter> m_shortcutFilters;
};

class Form : public Window {
 public:
  // Unload: OnUnload, then the window is destroyed and the object released.
  void Unload();
  // A close request (WM_CLOSE, the system close command): asks OnQueryUnload first.
  // Returns true when the form was unloaded.
  bool RequestClose();
  bool IsUnloading() const { return m_unloading; }
  // Shared with whoever must notice the unload after the object may be gone (a modal loop).
  std::shared_ptr<const bool> UnloadedFlag() const { return m_unloadedFlag; }

 protected:
  // Creates the window, hidden. Called once, right after construction.
  virtual void CreateFormWindow() = 0;
  virtual void OnLoad() {}
  virtual bool OnQueryUnload() { return true; }  // false cancels the close
  virtual void OnUnload() {}
  // WM_DPICHANGED, the DPI already clamped: by default the window takes the suggested rectangle;
  // a form that lays itself out in design units lays itself out again at newDpi.
  virtual void OnDpiChanged(int newDpi, const RECT& suggested);

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  template <class T>
  friend class FormHolder;
  void Load() {
    CreateFormWindow();
    OnLoad();
  }
  friend class Application;
  void FinishUnload();

  std::function<std::unique_ptr<Form>()> m_detach;  // takes the object from its holder
  bool m_unloading = false;
  std::shared_ptr<bool> m_unloadedFlag = std::make_shared<bool>(false);
  HWND m_modalOwner = nullptr;  // enabled again before the window goes, so activation returns
};

// The single instance of one form kind: Get() loads it on first reference.
template <class T>
class FormHolder {
 public:
  T& Get() {
    if (!m_form) {
      m_form = std::make_unique<T>();
      T& form = *m_form;
      form.m_detach = [this]() -> std::unique_ptr<Form> { return std::move(m_form); };
      Application::Instance().FormLoaded();
      form.Load();
      return form;
    }
    return *m_form;
  }
  bool IsLoaded() const { return m_form != nullptr; }
  T* IfLoaded() const { return m_form.get(); }

 private:
  std::unique_ptr<T> m_form;
};

}  // namespace qorv::win

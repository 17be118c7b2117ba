// How the forms reach each other without including each other: each form that others use offers
// a narrow interface here, and the program's entry point fills the registry with the real forms
// (tests fill it with doubles). Referring to a form through its accessor loads it, as referring to
// it by name does; the "IfLoaded" accessors never load.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qorv::win {

class ISplashForm {
 public:
  virtual void Unload() = 0;

 protected:
  ~ISplashForm() = default;
};

class ILoginForm {
 public:
  // Makes the login page window visible at once; its background follows when the page loads.
  virtual void Show() = 0;
  virtual HWND Hwnd() const = 0;

 protected:
  ~ILoginForm() = default;
};

class IGameWindow {
 public:
  // Opens (or selects) the page tab for the address.
  virtual void SetURL(const std::wstring& url) = 0;
  // Shown modeless, with no owner.
  virtual void Show() = 0;
  virtual HWND Hwnd() const = 0;

 protected:
  ~IGameWindow() = default;
};

struct FormRegistry {
  std::function<ISplashForm*()> splashIfLoaded;
  std::function<ILoginForm&()> login;
  std::function<IGameWindow&()> gameWindow;
  std::function<IGameWindow*()> gameWindowIfLoaded;
};

// The one registry of the process.
FormRegistry& Forms();

}  // namespace qorv::win

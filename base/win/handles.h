// One owner for every handle. Unique<Traits> is move-only: a handle can never be released twice
// or escape a temporary. This header holds the kernel, registry and window-manager handles and
// pulls in nothing beyond <windows.h>; GDI owners and guards are in gdi.h, the internet handle in
// internet.h, COM pointers and sessions in com.h.
#pragma once

#include <windows.h>

#include <utility>

namespace qorv::win {

template <class Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() = default;
  explicit Unique(Handle h) : m_h(h) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : m_h(other.Release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~Unique() { Reset(); }

  Handle Get() const { return m_h; }
  explicit operator bool() const { return Traits::IsValid(m_h); }
  Handle Release() { return std::exchange(m_h, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) {
    Handle old = std::exchange(m_h, h);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  Handle m_h = Traits::Invalid();
};

template <class H, auto CloseFn, H InvalidValue = nullptr>
struct SimpleTraits {
  using Handle = H;
  static Handle Invalid() { return InvalidValue; }
  static bool IsValid(Handle h) { return h != InvalidValue; }
  static void Close(Handle h) { CloseFn(h); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { ::FindClose(h); }
};

// A window this object created and destroys (a tooltip, a helper window); not for windows whose
// object lives in the window itself (win::Window).
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  // The parent's destruction may have taken the window first.
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) {
    if (::IsWindow(h)) ::DestroyWindow(h);
  }
};

using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
// Threads, events, processes: everything CloseHandle ends.
using UniqueHandle = Unique<SimpleTraits<HANDLE, ::CloseHandle>>;
// An opened or created key; never one of the predefined roots (HKEY_CURRENT_USER...).
using UniqueRegKey = Unique<SimpleTraits<HKEY, ::RegCloseKey>>;
using UniqueEventSource = Unique<SimpleTraits<HANDLE, ::DeregisterEventSource>>;
using UniqueIcon = Unique<SimpleTraits<HICON, ::DestroyIcon>>;
using UniqueMenu = Unique<SimpleTraits<HMENU, ::DestroyMenu>>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueGlobal = Unique<SimpleTraits<HGLOBAL, ::GlobalFree>>;
using UniqueModule = Unique<SimpleTraits<HMODULE, ::FreeLibrary>>;

}  // namespace qorv::win

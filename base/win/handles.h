// One owner for every handle. Unique<Traits> is move-only: a handle can never be released twice
// or escape a temporary. Scope guards pair GetDC/ReleaseDC, SelectObject/restore and
// BeginPaint/EndPaint.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

#include "base/win/com.h"  // ComPtr, which used to live here

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

template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueHandle = Unique<SimpleTraits<HANDLE, ::CloseHandle>>;
using UniqueMemDC = Unique<SimpleTraits<HDC, ::DeleteDC>>;
using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniquePen = Unique<GdiObjectTraits<HPEN>>;
using UniqueRegion = Unique<GdiObjectTraits<HRGN>>;
using UniqueIcon = Unique<SimpleTraits<HICON, ::DestroyIcon>>;
using UniqueMenu = Unique<SimpleTraits<HMENU, ::DestroyMenu>>;
using UniqueInternet = Unique<SimpleTraits<HINTERNET, ::InternetCloseHandle>>;
using UniqueGlobal = Unique<SimpleTraits<HGLOBAL, ::GlobalFree>>;
using UniqueModule = Unique<SimpleTraits<HMODULE, ::FreeLibrary>>;

// GetDC / ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() {
    if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
  }
  HDC Get() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

 private:
  HWND m_hwnd;
  HDC m_dc;
};

// SelectObject, and the previous object put back at scope end.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (m_old) ::SelectObject(m_dc, m_old);
  }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

class PaintGuard {
 public:
  explicit PaintGuard(HWND hwnd) : m_hwnd(hwnd) { ::BeginPaint(hwnd, &m_ps); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  ~PaintGuard() { ::EndPaint(m_hwnd, &m_ps); }
  HDC Dc() const { return m_ps.hdc; }
  const PAINTSTRUCT& Ps() const { return m_ps; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps{};
};

}  // namespace qorv::win

// Owners for GDI: objects, memory DCs, the off-screen image (BackBuffer), and scope guards that
// pair GetDC/ReleaseDC, SelectObject/restore and BeginPaint/EndPaint.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

#include "base/win/handles.h"

namespace qorv::win {

template <class T>
struct GdiObjectTraits {
  using Handle = T;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

// A memory DC that owns nothing selected into it (a scratch DC for a SelectGuard).
using UniqueMemDC = Unique<SimpleTraits<HDC, ::DeleteDC>>;
using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniquePen = Unique<GdiObjectTraits<HPEN>>;
using UniqueRegion = Unique<GdiObjectTraits<HRGN>>;

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

// The whole screen's DC: what off-screen images are made compatible with, and what outlines
// drawn over every window go to.
class ScreenDC : public WindowDC {
 public:
  ScreenDC() : WindowDC(nullptr) {}
};

// SelectObject, and the object the DC had before put back at scope end. Select may choose
// another object for the same place while the guard lives; the one from before the first
// selection is still what comes back, so an object selected through the guard may be deleted as
// soon as another has taken its place.
class SelectGuard {
 public:
  explicit SelectGuard(HDC dc) : m_dc(dc) {}
  SelectGuard(HDC dc, HGDIOBJ obj) : m_dc(dc) { Select(obj); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (m_old) ::SelectObject(m_dc, m_old);
  }
  void Select(HGDIOBJ obj) {
    if (!m_dc || !obj) return;
    HGDIOBJ previous = ::SelectObject(m_dc, obj);
    if (!m_old) m_old = previous;
  }

 private:
  HDC m_dc;
  HGDIOBJ m_old = nullptr;
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

// An off-screen image: a memory DC that owns the bitmap selected into it. Move-only.
//
// Release order, written here once: the DC's own first bitmap is put back when it is known, the
// DC is deleted, and the bitmap it held goes last. A DC handed over from elsewhere (Release, or
// the tab strip's memory DCs) has no known first bitmap; deleting the DC is then what lets go of
// the bitmap, so the bitmap is deleted after the DC in every case.
class BackBuffer {
 public:
  // The step at which a make was refused.
  enum class Refused { kNothing, kScreen, kBitmap, kDc };

  BackBuffer() = default;
  // Takes over a memory DC and the bitmap selected into it.
  explicit BackBuffer(HDC memoryDc) { Reset(memoryDc); }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;
  BackBuffer(BackBuffer&& o) noexcept { *this = std::move(o); }
  BackBuffer& operator=(BackBuffer&& o) noexcept;
  ~BackBuffer() { Reset(); }

  // A width x height bitmap compatible with `like` (the screen when null) selected into a memory
  // DC compatible with it; made in that order. Empty when refused (a negative size is refused at
  // the bitmap, as Windows does), with the step in *refused.
  static BackBuffer Compatible(HDC like, int width, int height, Refused* refused = nullptr);
  // The same with a 32-bit top-down DIB section, whose pixels Bits() reaches (0x00RRGGBB words,
  // rows of `width`, no padding). Call GdiFlush before reading what GDI drew.
  static BackBuffer Dib32(HDC like, int width, int height, Refused* refused = nullptr);
  // A memory DC compatible with `like` (the screen when null) that takes `bitmap` over; with no
  // bitmap, the DC alone, for a bitmap put in later.
  static BackBuffer Holding(HDC like, UniqueBitmap bitmap, Refused* refused = nullptr);

  HDC Get() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }
  HBITMAP Bitmap() const { return m_bitmap; }
  uint32_t* Bits() const { return m_bits; }
  // The bitmap's size; 0 x 0 without one.
  SIZE Size() const;

  // Puts `bitmap` into the DC in place of the one it holds, which is deleted; the DC keeps its
  // font, colours and modes. Nothing happens without a DC or a bitmap.
  void PutBitmap(UniqueBitmap bitmap);
  // Takes the bitmap out of the DC (which keeps its own first bitmap) and hands it over; nothing
  // for a DC taken over, whose first bitmap is unknown.
  UniqueBitmap TakeBitmap();
  // Hands the DC over with the bitmap selected into it; the caller releases both.
  [[nodiscard]] HDC Release();
  // Releases what is held and takes over `memoryDc` with the bitmap selected into it.
  void Reset(HDC memoryDc = nullptr);

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_original = nullptr;  // the DC's own first bitmap, when this object made the DC
  uint32_t* m_bits = nullptr;
};

}  // namespace qorv::win

// A window that is nothing but a PNG with per-pixel alpha (the splash, the login background).
// The picture is decoded from the program's "PNG" resource, composed once off screen and handed
// to the window manager with UpdateLayeredWindow; the window is never repainted afterwards.
//
// Each window starts GDI+ itself and shuts it down with its own token, so two such windows may
// overlap in time. Release order: image, GDI+, bitmap back out of the DC, bitmap, DC, stream,
// memory block.
#pragma once

#include <windows.h>
#include <objidl.h>

namespace qorv {

class LayeredImage {
 public:
  LayeredImage() = default;
  LayeredImage(const LayeredImage&) = delete;
  LayeredImage& operator=(const LayeredImage&) = delete;
  ~LayeredImage() { Release(); }

  // stripFrame clears WS_CAPTION and WS_THICKFRAME first (the login background's design has a
  // frame). Returns false, leaving the window as it was, when the picture cannot be had.
  bool SetUp(HWND hwnd, int resourceId, bool stripFrame);
  void Release();

  SIZE ImageSize() const { return m_size; }

 private:
  bool LoadResPng(int id, const wchar_t* typeName);

  ULONG_PTR m_gdiplusToken = 0;
  void* m_image = nullptr;     // GpImage*
  HDC m_memDC = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_previousBitmap = nullptr;
  IStream* m_stream = nullptr;
  HGLOBAL m_block = nullptr;
  SIZE m_size{};
};

}  // namespace qorv

// A window that is nothing but a PNG with per-pixel alpha (the splash, the login background).
// The picture is taken at the window's DPI (the 2x art scaled down, see base/win/picture.h) and
// no larger than the work area of the window's monitor, composed once off screen and handed to
// the window manager with UpdateLayeredWindow; the window is never repainted afterwards, so the
// off-screen copy goes as soon as the window has it.
#pragma once

#include <windows.h>

#include "base/picture_scale.h"

namespace qorv {

class LayeredImage {
 public:
  LayeredImage() = default;
  LayeredImage(const LayeredImage&) = delete;
  LayeredImage& operator=(const LayeredImage&) = delete;

  // stripFrame clears WS_CAPTION and WS_THICKFRAME first (the login background's design has a
  // frame). Returns false, leaving the window as it was, when the picture cannot be had.
  bool SetUp(HWND hwnd, int resourceId, bool stripFrame);
  // As SetUp, with the picture already decoded at the window's DPI (premultiplied BGRA).
  bool SetUp(HWND hwnd, const PixelImage& picture, bool stripFrame);
  void Release() { m_size = {}; }

  SIZE ImageSize() const { return m_size; }

 private:
  SIZE m_size{};
};

// The "PNG" resource at hwnd's DPI, shrunk in proportion where it would not fit in the work area
// of hwnd's monitor (or of the primary monitor when hwnd is null). Empty when it cannot be had.
PixelImage LayeredPictureFor(HWND hwnd, int resourceId, int dpi);

}  // namespace qorv

// A picture that can be clicked (the login page's minimise and close images): a child window
// showing a GIF from the program's "GIF" resources. Pixels the GIF leaves transparent are painted
// in the parent's colour key, so on a colour-keyed window the artwork underneath shows through.
//
// Raises Click on a left button released over the picture; the handler may destroy the parent.
#pragma once

#include <windows.h>

#include <functional>

#include "base/units.h"
#include "base/win/gdi.h"
#include "base/win/window.h"

namespace qorv::login {

class ImageControl : public win::Window {
 public:
  // Creates the control at (x, y) with the picture's size at the parent's DPI, or at `size` when
  // one is given (the login screen shrunk to a small work area); false when the picture is
  // missing.
  bool Create(HWND parent, int x, int y, int gifId, COLORREF keyColour, SIZE size = {});

  std::function<void()> Click;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Paint();

  win::UniqueBitmap m_picture;
  SIZE m_size{};
  bool m_pressed = false;
};

// A "GIF" resource at dpi on an opaque bitmap, transparent pixels in matte; resampled to *size
// when that is given (non-zero) and differs. *size is the bitmap's size. Null on failure.
HBITMAP DecodeGifResource(int id, COLORREF matte, SIZE* size, int dpi = kDesignDpi);

}  // namespace qorv::login

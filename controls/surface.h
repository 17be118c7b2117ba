// The persistent drawing image of a control or a form: an off-screen bitmap of the window's
// size that every drawing call goes into and WM_PAINT copies to the screen. It keeps the drawing
// state a control draws with (background and fore colour, font, draw mode) and offers clear,
// print, paint picture and text measuring. Coordinates are pixels; the controls convert their
// twips at the call.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/win/gdi.h"
#include "controls/property_bag.h"

namespace qorv::controls {

// A colour as a control stores it: a value with the high bit set names a system colour.
COLORREF ResolveColour(uint32_t colour);

// The face of the default GUI font, 9 points: what a control draws with until told otherwise.
FontDesc DefaultFontDesc();
// A font from its description. A face this system does not have becomes the default GUI font's
// face (the system's own substitution could pick one without the glyphs the caption needs).
// dpi 0: the system's. A window's text wants its window's DPI (per monitor).
win::UniqueFont CreateFontFromDesc(const FontDesc& desc, int dpi = 0);
bool FontFaceExists(std::wstring_view face);

class Surface {
 public:
  Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Re-makes the image at a new size (at least 1 x 1). What was drawn stays at the top left; the
  // rest is the background colour.
  void Resize(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  HDC Dc() const { return m_image.Get(); }
  HBITMAP Bitmap() const { return m_image.Bitmap(); }

  void SetBackColor(uint32_t colour) { m_back = colour; }
  uint32_t BackColor() const { return m_back; }
  void SetForeColor(uint32_t colour);
  uint32_t ForeColor() const { return m_fore; }
  void SetFont(const FontDesc& desc);
  // The same font made again for another DPI (the window moved to another monitor).
  void SetFontDpi(int dpi);
  const FontDesc& Font() const { return m_fontDesc; }
  void SetDrawMode(int16_t mode);
  int16_t DrawMode() const { return m_drawMode; }

  void Clear();
  // Text at (x, y) with the font and fore colour, on a transparent background.
  void Print(int x, int y, std::wstring_view text);
  SIZE TextExtent(std::wstring_view text) const;
  // Copies src (a w x h region at sx, sy) to (dx, dy), stretched to dw x dh.
  void PaintBitmap(HBITMAP bitmap, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
                   int sh);
  void PaintBitmap(HBITMAP bitmap, int dx, int dy, int sx, int sy, int w, int h) {
    PaintBitmap(bitmap, dx, dy, w, h, sx, sy, w, h);
  }
  // WM_PAINT: copies the image to the window's paint DC.
  void CopyTo(HDC target, const RECT& area) const;

 private:
  void Make(int width, int height);

  // The DC keeps its state (font, colours, modes) across sizes; only the bitmap is replaced.
  win::BackBuffer m_image;
  win::UniqueFont m_font;
  // After m_font: the DC's own font goes back in before m_font is deleted.
  win::SelectGuard m_fontSelected;
  FontDesc m_fontDesc;
  int m_fontDpi = 0;
  int m_width = 0;
  int m_height = 0;
  uint32_t m_back = 0x80000005;  // window background
  uint32_t m_fore = 0x80000012;  // button text
  int16_t m_drawMode = R2_COPYPEN;
};

// The persistent image of a top-level form, for what the form paints on itself (its skinned
// border). The form hands its WM_SIZE, WM_ERASEBKGND and WM_PAINT here first.
class FormSurface {
 public:
  explicit FormSurface(HWND form, uint32_t backColour = 0x8000000F);
  FormSurface(const FormSurface&) = delete;
  FormSurface& operator=(const FormSurface&) = delete;

  HWND Hwnd() const { return m_form; }
  Surface& Image() { return m_image; }
  // Matches the image to the window's client size.
  void SyncSize();
  // Shows what was drawn (the window repaints from the image).
  void Refresh();
  // True when the message was the image's to answer; result is then the window's answer.
  bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  HWND m_form;
  Surface m_image;
};

// A bitmap's size in pixels; 0 x 0 for none.
SIZE BitmapSize(HBITMAP bitmap);
// A greyed, lightened copy of a bitmap: the disabled look of a skin frame.
win::UniqueBitmap MakeGreyedCopy(HBITMAP source);
// The region of the pixels of dc's top-left w x h that are not maskColour (empty when none).
win::UniqueRegion RegionWithoutColour(HDC dc, int width, int height, COLORREF maskColour);

}  // namespace qorv::controls

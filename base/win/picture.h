// Pictures from the program's resources at a window's DPI. The 1x picture is the resource
// itself; its copies at other scales have the same id under the type name with the scale
// appended ("PNG2X", "GIF1.5X", "BITMAP2X", each holding a PNG or GIF; see kPictureScales). At 96
// DPI the 1x picture is used as it stands; at any other DPI the finest copy the DPI needs (or the
// next finer one the program carries) is decoded and scaled to the DPI's size, once per picture
// and DPI for the life of the process (a window moved between monitors meets two or three DPIs,
// not more), so a paint never scales.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/picture_scale.h"
#include "base/win/gdi.h"

namespace qorv::win {

// How a strip or skin is cut (design pixels; see ScalePicture) and its transparent colour key
// (0x00RRGGBB), if it has one.
struct PictureCuts {
  std::span<const int> x;
  std::span<const int> y;
  std::optional<uint32_t> key;
};

// A PNG, GIF or BMP in memory as premultiplied BGRA; empty when it cannot be decoded or is
// larger than 16384 pixels a side. Safe on any thread.
PixelImage DecodePicture(std::span<const std::byte> bytes);

// The custom resource (type, id) at dpi (see the top of this file); empty when missing. With a
// key, transparent pixels come out as the key and the rest opaque. Safe on any thread.
PixelImage PictureAtDpi(const wchar_t* type, int id, int dpi, const PictureCuts& cuts = {});

// As PictureAtDpi, made afresh and not kept: for the large pictures shown once (the layered
// windows'), whose pixels the window keeps itself.
PixelImage LoadPictureAtDpi(const wchar_t* type, int id, int dpi, const PictureCuts& cuts = {});

// A BITMAP resource at dpi, for GDI drawing: at 96 DPI exactly what LoadBitmap gives, elsewhere a
// 32-bit DIB section of a finer copy scaled. The caller owns it. Null when missing.
UniqueBitmap PictureForDpi(int bitmapId, int dpi, const PictureCuts& cuts = {});

// A skin button's state strip of `frames` looks at dpi, each look scaled on its own so that all
// are one width (see ScaleFrameStrip); keyColour (a COLORREF) stays exact along the looks' edges.
// At 96 DPI exactly what LoadBitmap gives. Null when missing.
UniqueBitmap StripForDpi(int bitmapId, int dpi, int frames, std::optional<COLORREF> keyColour);

// A 32-bit top-down DIB section holding the pixels. Null on failure.
UniqueBitmap BitmapFromPixels(const PixelImage& image);

}  // namespace qorv::win

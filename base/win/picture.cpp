#include "base/win/picture.h"

#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/units.h"
#include "base/win/com.h"
#include "base/win/resource.h"

namespace qorv::win {

namespace {

namespace gp = Gdiplus::DllExports;

constexpr UINT kLargestSide = 16384;

// GDI+ for one decode. The layered pictures are decoded on a thread of their own while the
// interface thread decodes others, and GDI+'s start and shutdown are not made to run on two
// threads at once: they take turns here (the decodes themselves do not).
std::mutex g_gdiplusStartStop;
class DecodeSession {
 public:
  DecodeSession() {
    std::lock_guard<std::mutex> lock(g_gdiplusStartStop);
    m_session.emplace();
  }
  DecodeSession(const DecodeSession&) = delete;
  DecodeSession& operator=(const DecodeSession&) = delete;
  ~DecodeSession() {
    std::lock_guard<std::mutex> lock(g_gdiplusStartStop);
    m_session.reset();
  }
  bool Ok() const { return m_session->Ok(); }

 private:
  std::optional<GdiplusSession> m_session;
};

struct StreamRelease {
  void operator()(IStream* s) const { s->Release(); }
};
struct BitmapDispose {
  void operator()(Gdiplus::GpBitmap* b) const { gp::GdipDisposeImage(b); }
};

PixelImage WithKey(PixelImage image, uint32_t key) {
  for (uint32_t& p : image.pixels) p = (p >> 24) < 128 ? key : (p & 0xFFFFFFu);
  return image;
}

struct CacheKey {
  std::wstring type;
  int id;
  int dpi;
  std::vector<int> x, y;
  std::optional<uint32_t> key;
  auto Tie() const { return std::tie(type, id, dpi, x, y, key); }
  bool operator<(const CacheKey& other) const { return Tie() < other.Tie(); }
};

std::mutex g_cacheLock;
std::map<CacheKey, PixelImage>& Cache() {
  static auto* cache = new std::map<CacheKey, PixelImage>;  // lives to the process's end
  return *cache;
}

// The resource type of a picture's copy at a scale: "PNG" at 100, "PNG1.5X" at 150, "PNG2X" at 200.
std::wstring TypeAtScale(const wchar_t* type, int scale) {
  if (scale == 100) return type;
  std::wstring suffix = std::to_wstring(scale / 100);
  if (scale % 100) suffix += L"." + std::to_wstring(scale % 100 / 10);
  return std::wstring(type) + suffix + L"X";
}

// The finest copy the DPI needs, or the next finer one the program carries (not every picture
// is drawn at every scale), decoded; its scale, or 0 when there is none.
std::pair<PixelImage, int> DecodeCopyFor(const wchar_t* type, int id, int dpi) {
  const int wanted = PictureScaleFor(dpi);
  for (int scale : kPictureScales) {
    if (scale < wanted) continue;
    std::span<const std::byte> bytes = LoadCustomResource(id, TypeAtScale(type, scale).c_str());
    if (!bytes.empty()) return {DecodePicture(bytes), scale};
  }
  return {PixelImage{}, 0};
}

PixelImage ScaleFromCopy(const wchar_t* type, int id, int dpi, const PictureCuts& cuts) {
  auto [copy, scale] = DecodeCopyFor(type, id, dpi);
  if (copy.pixels.empty()) return {};
  if (cuts.key) {
    return ScaleKeyedPicture(WithKey(std::move(copy), *cuts.key), *cuts.key, scale, dpi, cuts.x,
                             cuts.y);
  }
  return ScalePicture(copy, scale, dpi, cuts.x, cuts.y);
}

}  // namespace

PixelImage DecodePicture(std::span<const std::byte> bytes) {
  if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return {};
  DecodeSession gdiplus;
  if (!gdiplus.Ok()) return {};
  std::unique_ptr<IStream, StreamRelease> stream(::SHCreateMemStream(
      reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
  if (!stream) return {};
  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream.get(), &raw) != Gdiplus::Ok || !raw) return {};
  std::unique_ptr<Gdiplus::GpBitmap, BitmapDispose> bitmap(raw);
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(bitmap.get(), &width);
  gp::GdipGetImageHeight(bitmap.get(), &height);
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return {};

  PixelImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<size_t>(width) * height);
  // Converted straight into our buffer in the form the layered window and the scaler take.
  Gdiplus::GpRect all(0, 0, image.width, image.height);
  Gdiplus::BitmapData target{};
  target.Width = width;
  target.Height = height;
  target.Stride = image.width * 4;
  target.PixelFormat = PixelFormat32bppPARGB;
  target.Scan0 = image.pixels.data();
  if (gp::GdipBitmapLockBits(bitmap.get(), &all,
                             Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                             PixelFormat32bppPARGB, &target) != Gdiplus::Ok) {
    return {};
  }
  gp::GdipBitmapUnlockBits(bitmap.get(), &target);
  return image;
}

PixelImage PictureAtDpi(const wchar_t* type, int id, int dpi, const PictureCuts& cuts) {
  dpi = ClampDpi(dpi);
  CacheKey key{type, id, dpi, {cuts.x.begin(), cuts.x.end()}, {cuts.y.begin(), cuts.y.end()},
               cuts.key};
  {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    auto found = Cache().find(key);
    if (found != Cache().end()) return found->second;
  }
  PixelImage image = LoadPictureAtDpi(type, id, dpi, cuts);
  if (image.pixels.empty()) return image;  // not kept: a later call logs and fails again
  std::lock_guard<std::mutex> lock(g_cacheLock);
  return Cache().emplace(std::move(key), std::move(image)).first->second;
}

PixelImage LoadPictureAtDpi(const wchar_t* type, int id, int dpi, const PictureCuts& cuts) {
  if (PictureScaleFor(ClampDpi(dpi)) == 100) {
    PixelImage image = DecodePicture(LoadCustomResource(id, type));
    return cuts.key ? WithKey(std::move(image), *cuts.key) : image;
  }
  return ScaleFromCopy(type, id, ClampDpi(dpi), cuts);
}

UniqueBitmap BitmapFromPixels(const PixelImage& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != static_cast<size_t>(image.width) * image.height) {
    return {};
  }
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = image.width;
  bmi.bmiHeader.biHeight = -image.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(uint32_t));
  return bitmap;
}

UniqueBitmap PictureForDpi(int bitmapId, int dpi, const PictureCuts& cuts) {
  if (PictureScaleFor(ClampDpi(dpi)) == 100) {
    return UniqueBitmap(static_cast<HBITMAP>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
        LR_DEFAULTCOLOR)));
  }
  return BitmapFromPixels(PictureAtDpi(L"BITMAP", bitmapId, dpi, cuts));
}

UniqueBitmap StripForDpi(int bitmapId, int dpi, int frames, std::optional<COLORREF> keyColour) {
  dpi = ClampDpi(dpi);
  if (PictureScaleFor(dpi) == 100) return PictureForDpi(bitmapId, dpi);
  auto [copy, scale] = DecodeCopyFor(L"BITMAP", bitmapId, dpi);
  if (copy.pixels.empty()) return {};
  if (!keyColour) return BitmapFromPixels(ScaleFrameStrip(copy, scale, dpi, frames));
  // The strip's pixels are 0x00RRGGBB; a COLORREF has red in its low byte.
  const uint32_t key = (GetRValue(*keyColour) << 16) | (GetGValue(*keyColour) << 8) |
                       GetBValue(*keyColour);
  return BitmapFromPixels(
      ScaleFrameStrip(WithKey(std::move(copy), key), scale, dpi, frames, &key));
}

}  // namespace qorv::win

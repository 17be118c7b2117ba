#include "tabstrip/tab_piece_cache.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

#include "base/win/gdi.h"

namespace qorv::tabstrip {
namespace {

// Scratch layout, one band of rows each: the skin's pieces as a direct drawing copies them, the
// look over black, the look over white. The band height is even, so a caption's vertical
// centring, which rounds halves to even, lands on the same row in every band as in the strip.
constexpr int32_t kBand = 32;  // the scratch bands' least height; taller strips get taller ones
static_assert(kBand % 2 == 0);
constexpr int32_t kScratchWidthAtFirst = 256;
constexpr int32_t kLookWidthAtMost = 4096;
constexpr int32_t kLookHeightAtMost = 5 * kBand;  // the tallest strip, at 480 DPI
// What the kept looks may hold (4 MB) in pixel words; a strip's frame needs about one per pixel
// of its tab area.
constexpr size_t kLookWordsAtMost = size_t{1} << 20;
constexpr size_t kLooksAtMost = 4096;

const uint32_t kKey = PixelOf(kSkinTransparent);

void Fill(const PixelView& v, uint32_t value) {
  for (int32_t y = 0; y < v.height; ++y) std::fill_n(&v.At(0, y), v.width, value);
}

// A 32-bit top-down DIB section selected into a memory DC of its own; nothing when refused.
win::BackBuffer MakeDibDC(int32_t w, int32_t h, PixelView& view) {
  win::BackBuffer dc = win::BackBuffer::Dib32(nullptr, w, h);
  if (dc) view = {dc.Bits(), w, h, w};
  return dc;
}

void HashIn(size_t& h, int64_t v) { h = h * 1000003u ^ std::hash<int64_t>{}(v); }
void HashIn(size_t& h, const PixelRect& r) {
  HashIn(h, r.left);
  HashIn(h, r.top);
  HashIn(h, r.Width());
  HashIn(h, r.Height());
}

}  // namespace

size_t TabPieceCache::LookHash::operator()(const Look& look) const {
  size_t h = std::hash<std::wstring>{}(look.text);
  HashIn(h, look.style);
  HashIn(h, look.width);
  HashIn(h, look.height);
  HashIn(h, (look.frame ? 1 : 0) | (look.caption ? 2 : 0) | (look.close ? 4 : 0) |
                (look.selected ? 8 : 0));
  HashIn(h, look.frameRect);
  HashIn(h, look.frameSource);
  HashIn(h, look.box);
  HashIn(h, look.closeRect);
  HashIn(h, look.closeSourceX);
  return h;
}

void TabPieceCache::BeginFrame(HDC area, HDC background, int32_t left, int32_t width,
                               int32_t height) {
  m_setting = {area, background, nullptr, left, width, height, 0, {}};
  m_planned.clear();
  m_area = area;
}

void TabPieceCache::DrawTab(int32_t tabStyle, HDC skin, const Fonts& fonts, const TabPaint& tab,
                            const std::wstring& caption) {
  unsigned parts = 0;
  if (skin) parts |= kFrame;
  if (tab.drawCaption) parts |= kCaption;
  if (skin && tab.drawClose) parts |= kClose;
  if (!parts) return;
  m_setting.skin = skin;
  m_setting.style = tabStyle;
  m_setting.fonts = fonts;
  PlannedTab planned{tab, caption, parts, INT32_MAX, INT32_MIN};
  auto span = [&](const PixelRect& r) {
    planned.left = std::min(planned.left, r.left);
    planned.right = std::max(planned.right, r.right);
  };
  if (parts & kFrame) span(tab.frame);
  if (parts & kCaption) span(tab.captionBox);
  if (parts & kClose) span(tab.close);
  m_planned.push_back(std::move(planned));
}

void TabPieceCache::EndFrame() {
  m_forgotThisFrame = false;
  const bool reuse = m_previousReusable && m_layer && m_setting == m_previousSetting &&
                     m_planned.size() == m_previousPlanned.size();
  m_previousReusable = false;  // until this frame is whole
  if (!reuse || !RedrawChangedColumns()) DrawWhole();
  m_previousReusable = static_cast<bool>(m_layer);
  m_previousSetting = m_setting;
  std::swap(m_previousPlanned, m_planned);
  std::swap(m_previousUnders, m_unders);
  m_area = nullptr;
}

void TabPieceCache::DrawWhole() {
  const FrameSetting& f = m_setting;
  if (MakeLayer(f.width, f.height)) {
    ::BitBlt(m_layer.Get(), 0, 0, f.width, f.height, f.background, f.left, 0, SRCCOPY);
    ::GdiFlush();
    m_latest = Latest::Layer;
  } else {
    ::BitBlt(m_area, 0, 0, f.width, f.height, f.background, f.left, 0, SRCCOPY);
    m_latest = Latest::Area;
  }
  m_changed = {true, 0, f.width};
  m_unders.assign(m_planned.size(), nullptr);
  for (size_t i = 0; i < m_planned.size(); ++i) DrawPlanned(m_planned[i], m_unders[i]);
  m_tabsDrawn = m_planned.size();
  if (m_layer && m_latest == Latest::Area) {
    // Tabs drawn directly last: the layer too must hold the frame for the next one to build on.
    ::BitBlt(m_layer.Get(), 0, 0, f.width, f.height, m_area, 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  Latest(Latest::Area);
}

void TabPieceCache::DrawPlanned(const PlannedTab& planned, Under& under) {
  const Source src{m_setting.style, m_setting.skin, m_setting.fonts, m_setting.height};
  if (Replay(src, planned.tab, planned.caption, planned.parts, &under)) return;
  // Part by part, in the order of a direct drawing: what can be replayed is, the rest is drawn.
  for (Part part : {kFrame, kCaption, kClose}) {
    if (!(planned.parts & part)) continue;
    if (part != kCaption && Replay(src, planned.tab, planned.caption, part)) continue;
    DrawDirectly(src, planned.tab, planned.caption, part);
  }
}

// Outside the columns where tabs changed, every tab and everything below it is as it was, and
// each pixel of a look depends on the pixel below it alone: the columns are drawn again from the
// background up, each tab that reaches into them put down there only.
bool TabPieceCache::RedrawChangedColumns() {
  int32_t from = INT32_MAX, to = INT32_MIN;
  for (size_t i = 0; i < m_planned.size(); ++i) {
    if (m_planned[i] == m_previousPlanned[i]) continue;
    for (const PlannedTab* p : {&m_planned[i], &m_previousPlanned[i]}) {
      from = std::min(from, p->left);
      to = std::max(to, p->right);
    }
  }
  m_unders = m_previousUnders;
  if (from == INT32_MAX) {  // the tab area holds this very frame
    m_tabsDrawn = 0;
    m_changed = {false, 0, 0};
    return true;
  }
  if (from < 0 || to > m_setting.width || from >= to) return false;
  const int32_t w = to - from, h = m_setting.height;
  ::BitBlt(m_layer.Get(), from, 0, w, h, m_setting.background, m_setting.left + from, 0, SRCCOPY);
  ::GdiFlush();
  m_latest = Latest::Layer;
  const Source src{m_setting.style, m_setting.skin, m_setting.fonts, m_setting.height};
  size_t drawn = 0;
  for (size_t i = 0; i < m_planned.size(); ++i) {
    const PlannedTab& p = m_planned[i];
    if (p.right <= from || p.left >= to) continue;
    // Drawn another way, it could reach beyond its columns: the whole frame is drawn instead.
    if (!ReplayInColumns(src, p, from, to, m_unders[i])) return false;
    ++drawn;
  }
  ::BitBlt(m_area, from, 0, w, h, m_layer.Get(), from, 0, SRCCOPY);
  m_latest = Latest::Area;
  m_tabsDrawn = drawn;
  m_changed = {false, from, to};
  return true;
}

bool TabPieceCache::ReplayInColumns(const Source& src, const PlannedTab& planned, int32_t from,
                                    int32_t to, Under& under) {
  if (planned.left >= from && planned.right <= to) {
    return Replay(src, planned.tab, planned.caption, planned.parts, &under);
  }
  int32_t x = 0;
  auto it = m_looks.find(LookOf(src, planned.tab, planned.caption, planned.parts, x));
  if (it == m_looks.end()) return false;  // forgotten: no record of what it needs
  const Look& look = it->first;
  Piece& piece = it->second;
  const PixelView columns = m_layerPixels.Sub(from, 0, to - from, m_layerPixels.height);
  if (piece.cover) {
    PutCover(columns, x - from, 0, *piece.cover);
    return true;
  }
  const int32_t w = look.width, h = look.height;
  if (!under || under->size() != static_cast<size_t>(w) * h || x < 0 ||
      x + w > m_layerPixels.width || h > m_layerPixels.height) {
    return false;
  }
  // What lies below it now: as recorded outside the columns, the new pixels inside them.
  std::vector<uint32_t> below(*under);
  const PixelView belowView{below.data(), w, h, w};
  const int32_t a = std::max(from, x), b = std::min(to, x + w);
  for (int32_t y = 0; y < h; ++y) {
    std::copy_n(&m_layerPixels.At(a, y), b - a, &belowView.At(a - x, y));
  }
  if (!piece.under || !HoldsPixels(belowView, *piece.under)) {
    m_lookWords -= piece.Words();
    piece.result = ComposeOver(look, src, belowView);
    piece.under = std::make_shared<const std::vector<uint32_t>>(std::move(below));
    m_lookWords += piece.Words();
  }
  under = piece.under;
  const PixelView result{piece.result.data(), w, h, w};
  for (int32_t y = 0; y < h; ++y) {
    std::copy_n(&result.At(a - x, y), b - a, &m_layerPixels.At(a, y));
  }
  return true;
}

void TabPieceCache::Clear() {
  m_looks.clear();
  m_lookWords = 0;
  m_unusable = false;
  m_layer.Reset();
  m_layerPixels = {};
  m_scratch.Reset();
  m_scratchPixels.Reset();
  m_scratchView = {};
  m_band = 0;
  m_previousReusable = false;
  m_previousPlanned.clear();
  m_previousUnders.clear();
}

TabPieceCache::Look TabPieceCache::LookOf(const Source& src, const TabPaint& tab,
                                          const std::wstring& caption, unsigned parts,
                                          int32_t& x) {
  int32_t left = INT32_MAX, right = INT32_MIN;
  auto span = [&](const PixelRect& r) {
    left = std::min(left, r.left);
    right = std::max(right, r.right);
  };
  if (parts & kFrame) span(tab.frame);
  if (parts & kCaption) span(tab.captionBox);
  if (parts & kClose) span(tab.close);
  auto relative = [left](PixelRect r) {
    r = r.Moved(-left, 0);
    return r;
  };
  Look look;
  look.style = src.style;
  look.width = right - left;
  look.height = src.height;
  if (parts & kFrame) {
    look.frame = true;
    look.frameRect = relative(tab.frame);
    look.frameSource = tab.frameSource;
    look.frameBorder = tab.frameBorder;
  }
  if (parts & kCaption) {
    look.caption = true;
    look.selected = tab.selected;
    look.box = relative(tab.captionBox);
    look.text = caption;
  }
  if (parts & kClose) {
    look.close = true;
    look.closeRect = relative(tab.close);
    look.closeSourceX = tab.closeSourceX;
  }
  x = left;
  return look;
}

size_t TabPieceCache::Piece::Words() const {
  return (cover ? cover->pixels.size() + 4 * cover->runs.size() : 0) + (under ? under->size() : 0) +
         result.size();
}

bool TabPieceCache::Replay(const Source& src, const TabPaint& tab, const std::wstring& caption,
                           unsigned parts, Under* under) {
  if (!m_layer) return false;
  int32_t x = 0;
  Look wanted = LookOf(src, tab, caption, parts, x);
  auto it = m_looks.find(wanted);
  if (it == m_looks.end()) {
    if (wanted.width <= 0 || wanted.width > kLookWidthAtMost || wanted.height > kLookHeightAtMost)
      return false;
    if (!MakeScratch(wanted.width + wanted.frameRect.Width() + wanted.closeRect.Width(),
                     wanted.height)) {
      return false;
    }
    Piece piece = Compose(wanted, src);
    // Over budget: forget every look, once a frame, so that the looks of one frame fit again.
    if ((m_lookWords + piece.Words() > kLookWordsAtMost || m_looks.size() >= kLooksAtMost) &&
        !m_forgotThisFrame) {
      m_forgotThisFrame = true;
      m_looks.clear();
      m_lookWords = 0;
    }
    m_lookWords += piece.Words();
    it = m_looks.emplace(std::move(wanted), std::move(piece)).first;
  }
  const Look& look = it->first;
  Piece& piece = it->second;
  if (piece.cover) {
    Latest(Latest::Layer);
    PutCover(m_layerPixels, x, 0, *piece.cover);
    if (under) under->reset();
    return true;
  }
  if (x < 0 || x + look.width > m_layerPixels.width || look.height > m_layerPixels.height) {
    return false;
  }
  Latest(Latest::Layer);
  const PixelView below = m_layerPixels.Sub(x, 0, look.width, look.height);
  if (!piece.under || !HoldsPixels(below, *piece.under)) {
    m_lookWords -= piece.Words();
    piece.under = std::make_shared<const std::vector<uint32_t>>(PixelsOf(below));
    piece.result = ComposeOver(look, src, below);
    m_lookWords += piece.Words();
  }
  if (under) *under = piece.under;
  PutPixels(below, piece.result);
  return true;
}

TabPieceCache::Piece TabPieceCache::Compose(const Look& look, const Source& src) {
  const PixelView black = m_scratchView.Sub(0, m_band, look.width, look.height);
  const PixelView white = m_scratchView.Sub(0, 2 * m_band, look.width, look.height);
  Fill(black, kPixelBlack);
  Fill(white, kPixelWhite);
  DrawLook(look, src, {m_band, 2 * m_band});
  return Piece{CoverOf(black, white), {}, {}};
}

std::vector<uint32_t> TabPieceCache::ComposeOver(const Look& look, const Source& src,
                                                 const PixelView& below) {
  const PixelView band = m_scratchView.Sub(0, m_band, look.width, look.height);
  PutPixels(band, PixelsOf(below));
  DrawLook(look, src, {m_band});
  return PixelsOf(band);
}

// Draws a look with the calls of a direct drawing into scratch bands that already hold what lies
// below it: frame and close image as colour-keyed copies, the caption as text.
void TabPieceCache::DrawLook(const Look& look, const Source& src,
                             std::initializer_list<int32_t> bands) {
  const int32_t w = look.width, h = look.height;
  const PixelRect& f = look.frameRect;
  const int32_t closeAt = look.frame ? f.Width() : 0;  // in band 0, beside the frame
  HDC scratch = m_scratch.Get();
  HDC pixels = m_scratchPixels.Get();
  const PixelView& all = m_scratchView;
  if (look.frame) {
    // The temporary image of a direct drawing starts as a new bitmap does: black.
    ::PatBlt(scratch, 0, 0, f.Width(), f.Height(), BLACKNESS);
    const PixelRect& s = look.frameSource;
    ComposeSkinPieces(scratch, src.skin,
                      PlanSkinImage(f.Width(), f.Height(), s.left, s.top, s.Width(), s.Height(),
                                    look.frameBorder, 0, look.frameBorder, 0));
    ::BitBlt(pixels, 0, 0, f.Width(), f.Height(), scratch, 0, 0, SRCCOPY);
  }
  if (look.close) {
    ::BitBlt(pixels, closeAt, 0, look.closeRect.Width(), look.closeRect.Height(), src.skin,
             look.closeSourceX, 0, SRCCOPY);
  }
  ::GdiFlush();
  if (look.frame) {
    for (int32_t band : bands)
      KeyedCopy(all.Sub(0, band, w, h), f.left, f.top, all.Sub(0, 0, f.Width(), f.Height()), kKey);
  }
  if (look.caption) {
    // Text goes onto a screen-compatible bitmap, as in the tab area.
    win::SelectGuard font(scratch, look.selected ? src.fonts.bold : src.fonts.normal);
    ::SetTextColor(scratch, look.selected ? src.fonts.boldColour : src.fonts.normalColour);
    ::SetBkMode(scratch, TRANSPARENT);
    for (int32_t band : bands) {
      ::BitBlt(scratch, 0, band, w, h, pixels, 0, band, SRCCOPY);
      ::IntersectClipRect(scratch, 0, band, w, band + h);  // the strip's own bottom edge
      DrawCaption(scratch, look.text, look.box.left, band + look.box.top, look.box.Width(),
                  look.box.Height());
      ::SelectClipRgn(scratch, nullptr);
      ::BitBlt(pixels, 0, band, w, h, scratch, 0, band, SRCCOPY);
    }
    ::GdiFlush();
  }
  if (look.close) {
    const PixelView image = all.Sub(closeAt, 0, look.closeRect.Width(), look.closeRect.Height());
    for (int32_t band : bands) {
      KeyedCopy(all.Sub(0, band, w, h), look.closeRect.left, look.closeRect.top, image, kKey);
    }
  }
}

// The layer of a width x height tab area. False when looks cannot be replayed here; the tabs are
// then drawn directly.
bool TabPieceCache::MakeLayer(int32_t width, int32_t height) {
  if (m_unusable || width <= 0 || height <= 0) return false;
  if (m_layer && m_layerPixels.width == width && m_layerPixels.height == height) return true;
  m_layer.Reset();
  // A replayed mask reproduces a colour-keyed copy only where every colour has a pixel value of
  // its own; with fewer bits the key would match its neighbours too.
  win::WindowDC screen(nullptr);
  if (!screen || ::GetDeviceCaps(screen.Get(), BITSPIXEL) != 32) {
    m_unusable = true;
    return false;
  }
  m_layer = MakeDibDC(width, height, m_layerPixels);
  return static_cast<bool>(m_layer);
}

bool TabPieceCache::MakeScratch(int32_t width, int32_t height) {
  if (m_scratch && m_scratchView.width >= width && m_band >= height) return true;
  width = std::max({width, kScratchWidthAtFirst, m_scratch ? m_scratchView.width : 0});
  const int32_t band = std::max(kBand, height + height % 2);
  try {
    win::BackBuffer scratch(CreateMemoryDC(width, 3 * band));
    PixelView view;
    win::BackBuffer pixels = MakeDibDC(width, 3 * band, view);
    if (!pixels) return false;
    m_scratch = std::move(scratch);
    m_scratchPixels = std::move(pixels);
    m_scratchView = view;
    m_band = band;
  } catch (const TabApiError&) {
    return false;  // the direct drawing meets the same refusal and reports it
  }
  return true;
}

void TabPieceCache::Latest(enum Latest where) {
  if (m_latest == where) return;
  const int32_t w = m_layerPixels.width, h = m_layerPixels.height;
  if (where == Latest::Area) {
    ::BitBlt(m_area, 0, 0, w, h, m_layer.Get(), 0, 0, SRCCOPY);
  } else {
    ::BitBlt(m_layer.Get(), 0, 0, w, h, m_area, 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  m_latest = where;
}

void TabPieceCache::DrawDirectly(const Source& src, const TabPaint& tab,
                                 const std::wstring& caption, Part part) {
  Latest(Latest::Area);
  HDC area = m_area;
  switch (part) {
    case kFrame:
      DrawSkinImage(area, tab.frame.left, tab.frame.top, tab.frame.Width(), tab.frame.Height(),
                    src.skin, tab.frameSource.left, tab.frameSource.top, tab.frameSource.Width(),
                    tab.frameSource.Height(), tab.frameBorder, 0, tab.frameBorder, 0,
                    kSkinTransparent);
      break;
    case kCaption: {
      win::SelectGuard font(area, tab.selected ? src.fonts.bold : src.fonts.normal);
      ::SetTextColor(area, tab.selected ? src.fonts.boldColour : src.fonts.normalColour);
      ::SetBkMode(area, TRANSPARENT);
      const PixelRect& b = tab.captionBox;
      DrawCaption(area, caption, b.left, b.top, b.Width(), b.Height());
      break;
    }
    case kClose:
      TransparentCopy(area, tab.close.left, tab.close.top, tab.close.Width(), tab.close.Height(),
                      src.skin,
                      tab.closeSourceX, 0, kSkinTransparent);
      break;
  }
}

}  // namespace qorv::tabstrip

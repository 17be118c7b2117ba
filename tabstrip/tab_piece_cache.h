// Composed tab looks kept across frames, so that a redraw of the strip puts each tab in place
// with a few memory operations instead of a temporary DC, colour-keyed copies and text per tab.
//
// A look (frame image and size, caption and its font, close image: all but the position) is
// drawn once with the calls a direct drawing makes, over black and over white; the pixels that
// come out the same are what the look covers, whatever lies below (the keyed pixels of frame and
// close image, text that covers whole pixels). A frame copies the background into a 32-bit
// layer, puts the covered pixels of each tab there and copies the layer into the tab area once.
// Text blended into a transparent part of a frame depends on what lies below: such a look is
// kept as drawn over the pixels below it last time and used again only over the same pixels.
// Where nothing can be kept (a screen that is not 32 bits per pixel, resources refused, a tab cut
// by the area's edge), tabs or their parts are drawn directly.
//
// Owns: the layer and a scratch pair (screen-compatible, and a 32-bit DIB section), each in a
// memory DC of its own, and the looks' pixels. Between calls none of the DCs holds a font or
// anything else of its owner. Clear() releases everything; a frame makes again what it needs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "tabstrip/tab_api.h"
#include "tabstrip/tab_layout.h"
#include "tabstrip/tab_pixels.h"

namespace qorv::tabstrip {

class TabPieceCache {
 public:
  struct Fonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;  // the selected tab's
    COLORREF normalColour = 0;
    COLORREF boldColour = 0;
  };

  TabPieceCache() = default;
  TabPieceCache(const TabPieceCache&) = delete;
  TabPieceCache& operator=(const TabPieceCache&) = delete;

  // One frame: BeginFrame puts the background's (left, 0, width, height) into the tab area (a
  // width x height buffer), DrawTab draws one planned tab over what is there (frame when there is
  // a skin, caption, close image, as the direct drawing would), EndFrame leaves the result in the
  // tab area. Throws TabApiError only where the direct drawing would.
  void BeginFrame(HDC area, HDC background, int32_t left, int32_t width, int32_t height);
  void DrawTab(int32_t tabStyle, HDC skin, const Fonts& fonts, const TabPaint& tab,
               const std::wstring& caption);
  void EndFrame();
  void Clear();
  size_t Looks() const { return m_looks.size(); }

 private:
  enum Part : unsigned { kFrame = 1, kCaption = 2, kClose = 4 };

  // Everything that decides a tab's pixels except where it is; rectangles are relative to the
  // piece's left edge.
  struct Look {
    int32_t style = 0;
    int32_t width = 0, height = 0;
    bool frame = false;
    PxRect frameRect, frameSource;
    bool caption = false;
    bool selected = false;
    PxRect box;
    std::wstring text;
    bool close = false;
    PxRect closeRect;
    int32_t closeSourceX = 0;
    bool operator==(const Look&) const = default;
  };
  struct LookHash {
    size_t operator()(const Look& look) const;
  };
  struct Piece {
    std::optional<Cover> cover;  // the look's pixels, whatever lies below
    // A look without a cover, as last drawn: what lay below it, and what it made of that.
    std::vector<uint32_t> under, result;
    size_t Words() const;
  };
  struct Source {
    int32_t style;
    HDC skin;
    const Fonts& fonts;
  };
  // Where the frame's latest pixels are.
  enum class Latest { Area, Layer };

  static Look LookOf(const Source& src, const TabPaint& tab, const std::wstring& caption,
                     unsigned parts, int32_t& x);
  // False when the look cannot be replayed: its parts are drawn another way.
  bool Replay(const Source& src, const TabPaint& tab, const std::wstring& caption,
              unsigned parts);
  Piece Compose(const Look& look, const Source& src);
  std::vector<uint32_t> ComposeOver(const Look& look, const Source& src, const PixelView& below);
  void DrawLook(const Look& look, const Source& src, std::initializer_list<int32_t> bands);
  bool MakeLayer(int32_t width, int32_t height);
  bool MakeScratch(int32_t width);
  void DrawDirectly(const Source& src, const TabPaint& tab, const std::wstring& caption,
                    Part part);
  void Latest(enum Latest where);

  std::unordered_map<Look, Piece, LookHash> m_looks;
  size_t m_lookWords = 0;
  bool m_forgotThisFrame = false;
  bool m_unusable = false;

  HDC m_area = nullptr;  // during a frame
  enum Latest m_latest = Latest::Area;
  UniqueMemoryDC m_layer;
  PixelView m_layerPixels;
  UniqueMemoryDC m_scratch;
  UniqueMemoryDC m_scratchPixels;
  PixelView m_scratchView;
};

}  // namespace qorv::tabstrip

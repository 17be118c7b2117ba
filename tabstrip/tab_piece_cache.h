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
// by the area's edge), tabs or their parts are drawn directly. A frame that differs from the one
// before in a few tabs (a hover, a press) draws only the columns those tabs take.
//
// Owns: the layer and a scratch pair (screen-compatible, and a 32-bit DIB section), each in a
// memory DC of its own, and the looks' pixels. Between calls none of the DCs holds a font or
// anything else of its owner. Clear() releases everything; a frame makes again what it needs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
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
    bool operator==(const Fonts&) const = default;
  };

  TabPieceCache() = default;
  TabPieceCache(const TabPieceCache&) = delete;
  TabPieceCache& operator=(const TabPieceCache&) = delete;

  // One frame: BeginFrame names the tab area (a width x height buffer) and the background whose
  // (left, 0, width, height) lies below the tabs, DrawTab adds one planned tab (frame when there
  // is a skin, caption, close image, as the direct drawing would draw it over what is there),
  // EndFrame draws the frame and leaves it in the tab area. Throws TabApiError only where the
  // direct drawing would.
  //
  // When the tab area still holds the frame before, only the columns where tabs changed are
  // drawn again (see RedrawChangedColumns). The owner calls ForgetFrame whenever the
  // background's pixels may have changed.
  void BeginFrame(HDC area, HDC background, int32_t left, int32_t width, int32_t height);
  void DrawTab(int32_t tabStyle, HDC skin, const Fonts& fonts, const TabPaint& tab,
               const std::wstring& caption);
  void EndFrame();
  void ForgetFrame() { m_previousReusable = false; }
  void Clear();
  size_t Looks() const { return m_looks.size(); }
  // How many tabs the last EndFrame put down: all of them, or those of the redrawn columns.
  size_t TabsDrawnLastFrame() const { return m_tabsDrawn; }
  // The columns [from, to) of the tab area that the last EndFrame changed; whole: all of it,
  // whatever it held before.
  struct Columns {
    bool whole = true;
    int32_t from = 0, to = 0;
  };
  Columns ChangedLastFrame() const { return m_changed; }

 private:
  enum Part : unsigned { kFrame = 1, kCaption = 2, kClose = 4 };

  // Everything that decides a tab's pixels except where it is; rectangles are relative to the
  // piece's left edge.
  struct Look {
    int32_t style = 0;
    int32_t width = 0, height = 0;
    bool frame = false;
    PixelRect frameRect, frameSource;
    int32_t frameBorder = 0;
    bool caption = false;
    bool selected = false;
    PixelRect box;
    std::wstring text;
    bool close = false;
    PixelRect closeRect;
    int32_t closeSourceX = 0;
    bool operator==(const Look&) const = default;
  };
  struct LookHash {
    size_t operator()(const Look& look) const;
  };
  struct Piece {
    std::optional<Cover> cover;  // the look's pixels, whatever lies below
    // A look without a cover, as last drawn: what lay below it, and what it made of that. The
    // pixels below are shared with the frames' record of what lay below each tab.
    std::shared_ptr<const std::vector<uint32_t>> under;
    std::vector<uint32_t> result;
    size_t Words() const;
  };
  struct Source {
    int32_t style;
    HDC skin;
    const Fonts& fonts;
    int32_t height;  // the strip's
  };
  // Where the frame's latest pixels are.
  enum class Latest { Area, Layer };
  // A tab of a frame as DrawTab was given it, and the columns [left, right) its parts take.
  struct PlannedTab {
    TabPaint tab;
    std::wstring caption;
    unsigned parts = 0;
    int32_t left = 0, right = 0;
    bool operator==(const PlannedTab&) const = default;
  };
  struct FrameSetting {
    HDC area = nullptr, background = nullptr, skin = nullptr;
    int32_t left = 0, width = 0, height = 0, style = 0;
    Fonts fonts;
    bool operator==(const FrameSetting&) const = default;
  };

  static Look LookOf(const Source& src, const TabPaint& tab, const std::wstring& caption,
                     unsigned parts, int32_t& x);
  using Under = std::shared_ptr<const std::vector<uint32_t>>;
  // False when the look cannot be replayed: its parts are drawn another way. `under` receives
  // what lay below a look without a cover (nothing for one with a cover).
  bool Replay(const Source& src, const TabPaint& tab, const std::wstring& caption,
              unsigned parts, Under* under = nullptr);
  // A replay that changes only the columns [from, to) of the layer, for a tab that reaches
  // beyond them. Outside them the layer holds the frame before, tabs drawn later included:
  // `under`, recorded when the tab was last drawn, stands in for what lies below it there, so
  // that a kept result is found again instead of composed anew.
  bool ReplayInColumns(const Source& src, const PlannedTab& planned, int32_t from, int32_t to,
                       Under& under);
  Piece Compose(const Look& look, const Source& src);
  std::vector<uint32_t> ComposeOver(const Look& look, const Source& src, const PixelView& below);
  void DrawLook(const Look& look, const Source& src, std::initializer_list<int32_t> bands);
  bool MakeLayer(int32_t width, int32_t height);
  bool MakeScratch(int32_t width, int32_t height);
  void DrawDirectly(const Source& src, const TabPaint& tab, const std::wstring& caption,
                    Part part);
  void Latest(enum Latest where);
  // The frame drawn again in the columns where it differs from the one before; false when it
  // cannot be, with nothing of the tab area changed that a whole drawing does not draw again.
  bool RedrawChangedColumns();
  void DrawWhole();
  void DrawPlanned(const PlannedTab& planned, Under& under);

  std::unordered_map<Look, Piece, LookHash> m_looks;
  size_t m_lookWords = 0;
  bool m_forgotThisFrame = false;
  bool m_unusable = false;

  HDC m_area = nullptr;  // during a frame
  FrameSetting m_setting, m_previousSetting;
  std::vector<PlannedTab> m_planned, m_previousPlanned;
  std::vector<Under> m_unders, m_previousUnders;  // per planned tab
  // Layer and tab area both hold the frame before, drawn with the current background.
  bool m_previousReusable = false;
  size_t m_tabsDrawn = 0;
  Columns m_changed;
  enum Latest m_latest = Latest::Area;
  win::BackBuffer m_layer;
  PixelView m_layerPixels;
  win::BackBuffer m_scratch;
  win::BackBuffer m_scratchPixels;
  PixelView m_scratchView;
  int32_t m_band = 0;  // height of each of the scratch's three bands
};

}  // namespace qorv::tabstrip

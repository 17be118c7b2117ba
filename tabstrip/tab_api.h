// Drawing helpers of the tab strip: window style edits, memory DCs with their own bitmaps, skin
// pieces drawn with kept borders, colour-keyed copies and boxed text.
//
// A memory DC made here owns the bitmap selected into it: DeleteMemoryDC (and UniqueMemoryDC)
// deletes the DC first and then that bitmap. CreateMemoryDC and CreateBitmapDC throw
// TabApiError, carrying the failing step's description, and leak nothing when they do.
#pragma once

#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/win/gdi.h"
#include "tabstrip/tab_layout.h"

namespace qorv::tabstrip {

inline constexpr wchar_t kErrGetDC[] = L"GetDC调用失败";
inline constexpr wchar_t kErrCreateCompatibleBitmap[] = L"CreateCompatibleBitmap调用失败";
inline constexpr wchar_t kErrCreateCompatibleDC[] = L"CreateCompatibleDC调用失败";

inline constexpr COLORREF kSkinTransparent = RGB(255, 0, 255);

class TabApiError : public std::runtime_error {
 public:
  explicit TabApiError(const wchar_t* description);
  const std::wstring& Description() const { return m_description; }

 private:
  std::wstring m_description;
};

// Clears the bits of `remove`, sets those of `add`; when that changes the value, writes it and,
// with non-zero swpFlags, refreshes the window with them. Always FALSE.
BOOL ModifyStyle(HWND hWnd, int index, DWORD remove, DWORD add, UINT swpFlags);

HDC CreateMemoryDC(int cx, int cy);
HDC CreateBitmapDC(HBITMAP bitmap);  // the DC takes the bitmap over
int DeleteMemoryDC(HDC dc);          // 1

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteMemoryDC(h); }
};
using UniqueMemoryDC = win::Unique<MemoryDcTraits>;

// Draws the source rectangle into (x, y, w, h) with the four borders kept at their size and the
// rest stretched (halftone), through a temporary image; with a colour, pixels of that colour are
// left out. Draws nothing and returns FALSE when a size is 0 or less.
BOOL DrawSkinImage(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                   int left, int top, int right, int bottom,
                   std::optional<COLORREF> transparent = std::nullopt);

// The copies of a PlanSkinImage plan into `dst`, halftone-stretched, as DrawSkinImage makes its
// temporary image.
void ComposeSkinPieces(HDC dst, HDC src, const std::vector<SkinBlit>& plan);

BOOL TransparentCopy(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy,
                     COLORREF transparent);

int DrawTextBox(HDC dc, const std::wstring& text, int count, int x, int y, int w, int h,
                UINT format);

// One tab caption in its box, with the DC's font and colour: centred when it fits, else from the
// box's left edge, centred vertically, with an ellipsis.
void DrawCaption(HDC hdc, const std::wstring& text, int x, int y, int w, int h);

}  // namespace qorv::tabstrip

// The updater's progress bar without a window: its three properties with their acceptance rules,
// and the skin copies that draw it for a given width.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "base/units.h"

namespace qorv::updater {

class ProgressBarModel {
 public:
  static constexpr int32_t kDefaultMin = 0;
  static constexpr int32_t kDefaultMax = 100;
  static constexpr int32_t kDefaultValue = 0;

  int32_t Min() const { return m_min; }
  int32_t Max() const { return m_max; }
  int32_t Value() const { return m_value; }

  // Each returns whether the value was taken. A refused value changes nothing, but the property
  // is marked changed either way (as the control's host expects of every set).
  bool SetMin(int32_t v);    // 0 <= v < Max; Value rises to v when below
  bool SetMax(int32_t v);    // v > Min; Value falls to v when above
  bool SetValue(int32_t v);  // Min <= v <= Max

  // Stored properties, read in the order "Min", "Max", "Value", each with its default when absent.
  // They are taken as stored, without the setters' rules, so Min may equal Max here.
  using PropertyLookup = std::function<std::optional<int32_t>(std::wstring_view key)>;
  void ReadProperties(const PropertyLookup& lookup);
  using PropertyWriter = std::function<void(std::wstring_view key, int32_t value)>;
  void WriteProperties(const PropertyWriter& write) const;

  bool Changed() const { return m_changed; }
  void ClearChanged() { m_changed = false; }

 private:
  int32_t m_min = kDefaultMin;
  int32_t m_max = kDefaultMax;
  int32_t m_value = kDefaultValue;
  bool m_changed = false;
};

// The skin is 10 x 10 pixels: columns 0-2 the left end, 3-4 the filled middle, 5-7 the right end,
// 8-9 the empty middle.
inline constexpr int kProgressSkinSize = 10;
inline constexpr int kProgressBarHeight = 10;  // pixels at 96 DPI (150 twips)
// Where the skin is cut into its parts (design pixels), so each part is scaled on its own.
inline constexpr int kProgressSkinColumns[] = {3, 5, 8};

struct SkinCopy {
  int srcX, srcWidth;  // in the skin, full height
  int dstX, dstWidth;  // in the bar, full height (stretched)
  bool operator==(const SkinCopy&) const = default;
};

// Where the filled part ends: (W - 2) / (Max - Min) x (Value - Min) + 1, rounded halves to even.
// With Max equal to Min (possible only from stored properties) the bar is empty: X = 1.
// At another DPI the border of 1 is ScaleForDpi(1, dpi).
int ProgressFillEnd(int width, int32_t min, int32_t max, int32_t value, int dpi = kDesignDpi);

// The copies that draw the bar, in drawing order: left end, filled middle, right end, then the
// empty part of the track over them. Copies of no width are left out.
// At another DPI every column and the border are at ScaleForDpi of their design pixels, in the
// skin made at that DPI and in the bar alike, so each copy is 1:1 but the middles'.
std::vector<SkinCopy> ProgressBarCopies(int width, int32_t min, int32_t max, int32_t value,
                                        int dpi = kDesignDpi);

}  // namespace qorv::updater

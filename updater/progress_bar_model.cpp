#include "updater/progress_bar_model.h"

#include <algorithm>

#include "base/units.h"

namespace qorv::updater {

bool ProgressBarModel::SetMin(int32_t v) {
  m_changed = true;
  if (v < 0 || v >= m_max) return false;
  m_min = v;
  if (m_value < v) m_value = v;
  return true;
}

bool ProgressBarModel::SetMax(int32_t v) {
  m_changed = true;
  if (v <= m_min) return false;
  m_max = v;
  if (m_value > v) m_value = v;
  return true;
}

bool ProgressBarModel::SetValue(int32_t v) {
  m_changed = true;
  if (v < m_min || v > m_max) return false;
  m_value = v;
  return true;
}

void ProgressBarModel::ReadProperties(const PropertyLookup& lookup) {
  auto read = [&](std::wstring_view key, int32_t fallback) {
    if (!lookup) return fallback;
    return lookup(key).value_or(fallback);
  };
  m_min = read(L"Min", kDefaultMin);
  m_max = read(L"Max", kDefaultMax);
  m_value = read(L"Value", kDefaultValue);
}

void ProgressBarModel::WriteProperties(const PropertyWriter& write) const {
  if (!write) return;
  write(L"Min", m_min);
  write(L"Max", m_max);
  write(L"Value", m_value);
}

int ProgressFillEnd(int width, int32_t min, int32_t max, int32_t value, int dpi) {
  // The track's border, which the fill starts after and stops before.
  const int border = ScaleForDpi(1, dpi);
  int64_t span = static_cast<int64_t>(max) - min;
  if (span == 0) return border;
  double x = static_cast<double>(width - 2 * border) / static_cast<double>(span) *
                 static_cast<double>(static_cast<int64_t>(value) - min) +
             border;
  int64_t rounded = RoundHalfEven(x);
  // Stored properties may hold a Value outside Min..Max; the fill never leaves the track.
  int64_t last = std::max(border, width - border);
  return static_cast<int>(std::clamp<int64_t>(rounded, border, last));
}

std::vector<SkinCopy> ProgressBarCopies(int width, int32_t min, int32_t max, int32_t value,
                                        int dpi) {
  std::vector<SkinCopy> copies;
  auto add = [&](int srcX, int srcWidth, int dstX, int dstWidth) {
    if (dstWidth > 0) copies.push_back({srcX, srcWidth, dstX, dstWidth});
  };
  // The skin's columns at the DPI, as the skin made at that DPI is cut (kProgressSkinColumns).
  auto at = [dpi](int column) { return ScaleForDpi(column, dpi); };
  const int left = at(3), right = at(8) - at(5);
  add(0, left, 0, left);
  add(at(3), at(5) - at(3), left, width - left - right);
  add(at(5), right, width - right, right);
  int x = ProgressFillEnd(width, min, max, value, dpi);
  add(at(8), at(10) - at(8), x, width - x - ScaleForDpi(1, dpi));
  return copies;
}

}  // namespace qorv::updater

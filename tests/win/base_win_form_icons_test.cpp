// The windows' and the tray's icons at the sizes the system asks for at each DPI, read from the
// program's own icon file (16 to 128 pixels): the sizes the platform gives, and icons really made
// at them (the file's nearest size scaled, where it has no exact one).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/win/form_icons.h"
#include "startup/public_data.h"

namespace qorv {
namespace {

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!icon || !::GetIconInfo(icon, &info)) return {};
  BITMAP bm{};
  ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
  SIZE size{bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  return size;
}

TEST(IconsAtDpi, EachDpiGetsTheSystemsSizesFromTheIconFile) {
  const std::wstring file = GetTempDir() + L"icons_at_dpi_test.ico";
  ASSERT_TRUE(SaveResFile(101, L"ICON", file));
  struct Case {
    int dpi, big, small;
  } cases[] = {{96, 32, 16}, {120, 40, 20}, {144, 48, 24}, {192, 64, 32}, {40, 32, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dpi << " DPI");
    const win::IconSizes sizes = win::IconSizesForDpi(c.dpi);
    EXPECT_EQ(sizes.big, c.big);
    EXPECT_EQ(sizes.small, c.small);
    win::FormIcons icons = win::LoadFormIcons(file, sizes.big, sizes.small);
    SIZE big = IconSize(icons.bigIcon.Get()), small = IconSize(icons.smallIcon.Get());
    EXPECT_EQ(big.cx, c.big);
    EXPECT_EQ(big.cy, c.big);
    EXPECT_EQ(small.cx, c.small);
    EXPECT_EQ(small.cy, c.small);
  }
  ::DeleteFileW(file.c_str());
}

}  // namespace
}  // namespace qorv

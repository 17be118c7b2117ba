// The windows' and the tray's icons at the sizes the system asks for at each DPI, read from the
// program's own icon file (16 to 128 pixels): the sizes the platform gives, and icons really made
// at them (the file's nearest size scaled, where it has no exact one), and the windows' classes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/win/form_icons.h"
#include "base/win/window.h"
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

// A window class gets the program's icon (resource 1) at both sizes the system asks a class's
// icons in, so the system does not shrink the large one for the caption and the task switcher.
class ClassIconsProbe : public win::Window {
 public:
  static void Register(const wchar_t* name) {
    RegisterClassOnce(name, 0, win::ClassIcon(ICON_BIG), nullptr, nullptr,
                      win::ClassIcon(ICON_SMALL));
  }
};

TEST(ClassIcons, AClassCarriesTheProgramsIconAtTheClassSizes) {
  ClassIconsProbe::Register(L"qorv.ClassIconsProbe");
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  ASSERT_TRUE(::GetClassInfoExW(win::ThisModule(), L"qorv.ClassIconsProbe", &wc));
  struct Case {
    HICON icon;
    int width, height;
  } cases[] = {{wc.hIcon, SM_CXICON, SM_CYICON}, {wc.hIconSm, SM_CXSMICON, SM_CYSMICON}};
  for (const Case& c : cases) {
    const SIZE size = IconSize(c.icon);
    EXPECT_EQ(size.cx, ::GetSystemMetrics(c.width));
    EXPECT_EQ(size.cy, ::GetSystemMetrics(c.height));
  }
  // Made once for every class of the process.
  EXPECT_EQ(win::ClassIcon(ICON_SMALL), wc.hIconSm);
  EXPECT_EQ(win::ClassIcon(ICON_BIG), wc.hIcon);
}

}  // namespace
}  // namespace qorv

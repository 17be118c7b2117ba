#include "base/win/form_icons.h"

#include "base/units.h"
#include "base/win/window.h"

namespace qorv::win {
namespace {

HICON LoadIconFile(const std::wstring& file, int size) {
  return static_cast<HICON>(
      ::LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

// Looked up, not imported: only the common controls of version 6 (the manifest's) have it, and
// an import the loader cannot resolve would stop the program before it shows anything.
HICON LoadScaledDown(int resourceId, int width, int height) {
  using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
  HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
  const auto scaleDown =
      comctl ? reinterpret_cast<LoadIconWithScaleDownFn>(reinterpret_cast<void*>(
                   ::GetProcAddress(comctl, "LoadIconWithScaleDown")))
             : nullptr;
  HICON icon = nullptr;
  if (scaleDown && SUCCEEDED(scaleDown(ThisModule(), MAKEINTRESOURCEW(resourceId), width,
                                       height, &icon)) && icon) {
    return icon;
  }
  return static_cast<HICON>(::LoadImageW(ThisModule(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                         width, height, LR_DEFAULTCOLOR));
}

}  // namespace

HICON ClassIcon(WPARAM which) {
  constexpr int kProgramIcon = 1;
  // Both at once, the first time either is asked for; never destroyed before the process ends.
  static const FormIcons icons = [] {
    FormIcons made;
    made.bigIcon.Reset(LoadScaledDown(kProgramIcon, ::GetSystemMetrics(SM_CXICON),
                                      ::GetSystemMetrics(SM_CYICON)));
    made.smallIcon.Reset(LoadScaledDown(kProgramIcon, ::GetSystemMetrics(SM_CXSMICON),
                                        ::GetSystemMetrics(SM_CYSMICON)));
    return made;
  }();
  return which == ICON_SMALL ? icons.smallIcon.Get() : icons.bigIcon.Get();
}

IconSizes IconSizesForDpi(int dpi) {
  dpi = ClampDpi(dpi);
  // Looked up, not imported: Windows 10 before 1607 lacks it and would refuse to start the
  // program. Without it the 96 DPI sizes scale like every other length.
  using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const auto forDpi = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetSystemMetricsForDpiFn>(reinterpret_cast<void*>(
                        ::GetProcAddress(user32, "GetSystemMetricsForDpi")))
                  : nullptr;
  }();
  IconSizes sizes{ScaleForDpi(kBigIconSize, dpi), ScaleForDpi(kSmallIconSize, dpi)};
  if (forDpi) {
    const int big = forDpi(SM_CXICON, static_cast<UINT>(dpi));
    const int small = forDpi(SM_CXSMICON, static_cast<UINT>(dpi));
    if (big > 0) sizes.big = big;
    if (small > 0) sizes.small = small;
  }
  return sizes;
}

FormIcons LoadFormIcons(const std::wstring& iconFile, int bigSize, int smallSize) {
  FormIcons icons;
  icons.smallIcon.Reset(LoadIconFile(iconFile, smallSize));
  icons.bigIcon.Reset(LoadIconFile(iconFile, bigSize));
  return icons;
}

void SetFormIcons(HWND hwnd, const FormIcons& icons) {
  ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.smallIcon.Get()));
  // ICON_BIG: WM_SETICON takes only ICON_SMALL and ICON_BIG and drops anything else (2 is a
  // WM_GETICON value), which would leave the window without its large icon.
  ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.bigIcon.Get()));
}

}  // namespace qorv::win

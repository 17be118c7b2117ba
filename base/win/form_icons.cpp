#include "base/win/form_icons.h"

namespace qorv::win {
namespace {

HICON LoadIconFile(const std::wstring& file, int size) {
  return static_cast<HICON>(
      ::LoadImageW(nullptr, file.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

}  // namespace

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

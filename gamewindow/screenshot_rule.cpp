#include "gamewindow/screenshot_rule.h"

#include <cwchar>

namespace qorv::gamewindow {
namespace {

// Error codes of the platform that have a name of their own in the balloon.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorHandleDiskFull = 39;
constexpr uint32_t kErrorDiskFull = 112;

std::wstring WriteReason(uint32_t winError) {
  switch (winError) {
    case kErrorAccessDenied:
    case kErrorWriteProtect:
      return L"图片文件夹不可写入";
    case kErrorDiskFull:
    case kErrorHandleDiskFull:
      return L"磁盘空间不足";
    case kErrorFileNotFound:
    case kErrorPathNotFound:
      return L"图片文件夹不存在";
    default:
      return L"写入失败（错误 " + std::to_wstring(winError) + L"）";
  }
}

}  // namespace

std::wstring ScreenshotFileName(const LocalTime& t, int attempt) {
  wchar_t name[64];
  // Each field kept to its width: the name never grows whatever the clock says.
  std::swprintf(name, 64, L"BrindleQorvane-%04d%02d%02d-%02d%02d%02d", t.year % 10000,
                t.month % 100, t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
  std::wstring out = name;
  if (attempt > 1) out += L"-" + std::to_wstring(attempt);
  return out + L".png";
}

std::wstring ScreenshotSavedText(const std::wstring& path) {
  return L"截图已保存到 " + path + L"\n点击这里打开文件夹";
}

std::wstring ScreenshotFailedText(ScreenshotFailure failure, uint32_t winError) {
  switch (failure) {
    case ScreenshotFailure::kNotVisible:
      return L"截图未保存：游戏窗口须显示在屏幕上（按 F10 或点击托盘图标显示）";
    case ScreenshotFailure::kNoPicturesFolder:
      return L"截图未保存：图片文件夹不存在";
    case ScreenshotFailure::kCaptureFailed:
      return L"截图未保存：无法取得游戏画面";
    case ScreenshotFailure::kWriteFailed:
      return L"截图未保存：" + WriteReason(winError);
    case ScreenshotFailure::kTooManyInASecond:
      return L"截图未保存：同一秒内的截图过多";
  }
  return L"截图未保存";
}

}  // namespace qorv::gamewindow

#include "gamewindow/screenshot.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/win/com.h"
#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

namespace gp = Gdiplus::DllExports;

// Windows 8.1 and later; older systems ignore the flag and render as before.
#ifndef PW_RENDERFULLCONTENT
#define PW_RENDERFULLCONTENT 0x00000002
#endif

bool PngEncoder(CLSID& out) {
  UINT count = 0, size = 0;
  if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<uint8_t> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/png") {
      out = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// Whether the desktop compositor keeps each top-level window's whole picture (children and what
// the graphics card draws included), which is what the window's own rendering copies; always so
// from Windows 8 on. Without it (no compositor at all, as under Wine) PrintWindow paints only the
// top-level window itself and the screen is the only complete picture. The library is taken
// from the system folder by name, like every other not known to the loader.
bool DesktopComposes() {
  win::UniqueModule dwm(::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!dwm) return false;
  using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
  auto query = reinterpret_cast<IsCompositionEnabled>(
      reinterpret_cast<void*>(::GetProcAddress(dwm.Get(), "DwmIsCompositionEnabled")));
  BOOL on = FALSE;
  return query && SUCCEEDED(query(&on)) && on;
}

// A bitmap of width x height with what the screen DC's format holds.
win::UniqueBitmap ScreenBitmap(int width, int height) {
  win::WindowDC screen(nullptr);
  return win::UniqueBitmap(::CreateCompatibleBitmap(screen.Get(), width, height));
}

}  // namespace

std::optional<CapturedArea> CaptureArea(HWND top, HWND area) {
  if (!::IsWindowVisible(top) || ::IsIconic(top)) return std::nullopt;
  RECT client{}, topRect{};
  ::GetClientRect(area, &client);
  ::GetWindowRect(top, &topRect);
  POINT origin{0, 0};
  ::ClientToScreen(area, &origin);
  const int width = client.right, height = client.bottom;
  const int topWidth = topRect.right - topRect.left, topHeight = topRect.bottom - topRect.top;
  if (width <= 0 || height <= 0 || topWidth <= 0 || topHeight <= 0) return std::nullopt;

  CapturedArea out;
  out.width = width;
  out.height = height;
  out.bitmap = ScreenBitmap(width, height);
  win::UniqueMemDC dc(::CreateCompatibleDC(nullptr));
  if (!out.bitmap || !dc) return std::nullopt;
  win::SelectGuard select(dc.Get(), out.bitmap.Get());

  // The whole window rendered by itself, then the area cut out of it: full-content rendering is
  // the window's redirection surface, which only top-level windows have.
  win::UniqueBitmap whole = ScreenBitmap(topWidth, topHeight);
  win::UniqueMemDC wholeDc(::CreateCompatibleDC(nullptr));
  bool rendered = false;
  if (whole && wholeDc && DesktopComposes()) {
    win::SelectGuard selectWhole(wholeDc.Get(), whole.Get());
    if (::PrintWindow(top, wholeDc.Get(), PW_RENDERFULLCONTENT)) {
      rendered = ::BitBlt(dc.Get(), 0, 0, width, height, wholeDc.Get(), origin.x - topRect.left,
                          origin.y - topRect.top, SRCCOPY) != FALSE;
    }
  }
  if (!rendered) {
    win::LogInfo(L"screenshot: no picture of the window's own; taken from the screen");
    win::WindowDC screen(nullptr);
    if (!::BitBlt(dc.Get(), 0, 0, width, height, screen.Get(), origin.x, origin.y,
                  SRCCOPY | CAPTUREBLT)) {
      return std::nullopt;
    }
  }
  return out;
}

std::optional<std::vector<uint8_t>> EncodePng(HBITMAP bitmap) {
  win::GdiplusSession gdiplus;
  CLSID png{};
  if (!PngEncoder(png)) return std::nullopt;
  Gdiplus::GpBitmap* image = nullptr;
  if (gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != Gdiplus::Ok) {
    return std::nullopt;
  }
  win::ComPtr<IStream> stream;
  std::optional<std::vector<uint8_t>> out;
  if (SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) &&
      gp::GdipSaveImageToStream(image, stream.Get(), &png, nullptr) == Gdiplus::Ok) {
    STATSTG stat{};
    LARGE_INTEGER start{};
    if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart < (1ull << 31) &&
        SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
      std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
      ULONG read = 0;
      if (SUCCEEDED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) &&
          read == bytes.size()) {
        out = std::move(bytes);
      }
    }
  }
  gp::GdipDisposeImage(image);
  return out;
}

FolderOpenerFn& FolderOpener() {
  static FolderOpenerFn opener = [](const std::wstring& folder) {
    ::ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  return opener;
}

std::wstring PicturesFolder() {
  PWSTR path = nullptr;
  std::wstring out;
  // Not verified: a missing folder is reported as such when the screenshot is written.
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_DONT_VERIFY, nullptr, &path))) {
    out = path;
  }
  ::CoTaskMemFree(path);
  return out;
}

LocalTime LocalNow() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

namespace {

// The first free name of the second; a file of that name, whoever made it, is never written
// over.
ScreenshotResult SaveAsNewFile(const std::wstring& folder, const LocalTime& now,
                               const std::vector<uint8_t>& png) {
  ScreenshotResult result;
  for (int attempt = 1; attempt <= kScreenshotNameTries; ++attempt) {
    const std::wstring path = folder + L"\\" + ScreenshotFileName(now, attempt);
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      result.failure = ScreenshotFailure::kWriteFailed;
      result.error = error;
      return result;
    }
    DWORD written = 0;
    DWORD error = 0;
    if (!::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written,
                     nullptr)) {
      error = ::GetLastError();
    } else if (written != png.size()) {
      error = ERROR_DISK_FULL;  // a short write without an error is a full disk
    }
    if (error != 0) {
      result.failure = ScreenshotFailure::kWriteFailed;
      result.error = error;
      file.Reset();
      ::DeleteFileW(path.c_str());  // half a picture is no picture
      return result;
    }
    result.saved = true;
    result.path = path;
    return result;
  }
  result.failure = ScreenshotFailure::kTooManyInASecond;
  return result;
}

}  // namespace

ScreenshotResult TakeScreenshot(HWND top, HWND area, const std::wstring& picturesDir,
                                const LocalTime& now) {
  ScreenshotResult result;
  if (!::IsWindowVisible(top) || ::IsIconic(top)) {
    result.failure = ScreenshotFailure::kNotVisible;
    return result;
  }
  std::optional<CapturedArea> picture = CaptureArea(top, area);
  std::optional<std::vector<uint8_t>> png;
  if (picture) png = EncodePng(picture->bitmap.Get());
  if (!png) {
    result.failure = ScreenshotFailure::kCaptureFailed;
    return result;
  }

  const DWORD attributes = picturesDir.empty() ? INVALID_FILE_ATTRIBUTES
                                               : ::GetFileAttributesW(picturesDir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    result.failure = ScreenshotFailure::kNoPicturesFolder;
    return result;
  }
  const std::wstring folder = picturesDir + L"\\" + kScreenshotFolder;
  if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    result.failure = ScreenshotFailure::kWriteFailed;
    result.error = ::GetLastError();
    return result;
  }
  return SaveAsNewFile(folder, now, *png);
}

}  // namespace qorv::gamewindow

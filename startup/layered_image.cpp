#include "startup/layered_image.h"

#include <commctrl.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>
#include <string>

#include "base/units.h"
#include "base/win/dpi.h"
#include "base/win/gdi.h"
#include "base/win/log.h"
#include "base/win/picture.h"

namespace qorv::startup {

namespace {

RECT WorkAreaOf(HWND hwnd) {
  HMONITOR monitor = hwnd ? ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST)
                          : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void BecomeLayered(HWND hwnd, bool stripFrame) {
  if (stripFrame) {
    LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    ::SetWindowLongW(hwnd, GWL_STYLE, style & ~static_cast<LONG>(WS_CAPTION | WS_THICKFRAME));
  }
  LONG exStyle = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
  ::SetWindowLongW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
}

void Present(HWND hwnd, HDC windowDC, HDC pictureDC, SIZE size) {
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  POINT source{0, 0};
  // No destination point: the window keeps its position and takes the picture's size.
  if (!::UpdateLayeredWindow(hwnd, windowDC, nullptr, &size, pictureDC, &source, 0, &blend,
                             ULW_ALPHA)) {
    win::LogError(L"UpdateLayeredWindow failed (error " + std::to_wstring(::GetLastError()) + L")");
  }
}

// Pictures decoded ahead, by resource id, at one DPI. Shared with the decoding thread, which may
// outlive everything else when the program ends at once.
struct Prefetched {
  std::mutex lock;
  std::condition_variable released;  // the after-splash pictures may be decoded
  bool afterSplashReleased = false;
  int dpi = 0;
  std::map<int, std::shared_future<PixelImage>> pictures;
  std::set<int> heldBack;  // the after-splash pictures
  std::map<int, HWND> waiting;  // told when their picture is ready
};

std::shared_ptr<Prefetched>& PrefetchState() {
  static auto* state = new std::shared_ptr<Prefetched>;  // never destroyed: see Prefetched
  return *state;
}

// Posted to a waiting window when its picture is ready (wParam: the resource id).
UINT PictureReadyMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Qorv.LayeredPictureReady");
  return message;
}

// True when the window can wait for resourceId's prefetched picture at its DPI: a ready message
// is then on its way, from the decoding thread when it is done or, when it is done already, from
// here (so the picture still goes on from the message loop, after what holds up the splash).
bool WaitForPrefetched(HWND hwnd, int resourceId, int dpi) {
  std::shared_ptr<Prefetched> state = PrefetchState();
  if (!state) return false;
  std::lock_guard<std::mutex> guard(state->lock);
  auto found = state->pictures.find(resourceId);
  if (found == state->pictures.end() || state->dpi != dpi) return false;
  if (found->second.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
    return ::PostMessageW(hwnd, PictureReadyMessage(), static_cast<WPARAM>(resourceId), 0) != FALSE;
  }
  state->waiting[resourceId] = hwnd;
  return true;
}

void ReleaseAfterSplash(Prefetched& state) {
  {
    std::lock_guard<std::mutex> guard(state.lock);
    state.afterSplashReleased = true;
  }
  state.released.notify_all();
}

PixelImage TakePrefetched(int resourceId, int dpi) {
  std::shared_ptr<Prefetched> state = PrefetchState();
  if (!state) return {};
  std::shared_future<PixelImage> picture;
  bool held = false;
  {
    std::lock_guard<std::mutex> guard(state->lock);
    auto found = state->pictures.find(resourceId);
    if (found == state->pictures.end() || state->dpi != dpi) return {};
    picture = found->second;
    state->pictures.erase(found);
    held = state->heldBack.count(resourceId) > 0;
  }
  // Whoever waits for a held-back picture must not wait for a release that may never come. Taking
  // the splash's own picture releases nothing: the rest would then be decoded while the login
  // windows are made, competing with them for the processor.
  if (held) ReleaseAfterSplash(*state);
  return picture.get();
}

PixelImage FitToWorkArea(HWND hwnd, PixelImage picture) {
  const RECT work = WorkAreaOf(hwnd);
  const PixelSize fitted = FitWithin(picture.width, picture.height, work.right - work.left,
                                     work.bottom - work.top);
  if (fitted.width == picture.width && fitted.height == picture.height) return picture;
  return Resample(picture, fitted.width, fitted.height);
}

// The decoding thread. A program that returns from its entry point waits for it: exit ends the
// other threads wherever they are, and one ended inside the heap or GDI+ would leave their locks
// held for the libraries' own clean-up. (Ending at once by TerminateProcess runs no clean-up.)
std::thread& DecodingThread() {
  static auto* thread = new std::thread;  // never destroyed: joined by WaitForDecodingThread
  return *thread;
}

void WaitForDecodingThread() {
  if (!DecodingThread().joinable()) return;
  if (std::shared_ptr<Prefetched> state = PrefetchState()) ReleaseAfterSplash(*state);
  DecodingThread().join();
}

}  // namespace

void PrefetchLayeredPictures(std::initializer_list<int> resourceIds,
                             std::initializer_list<int> afterSplash) {
  static const bool waitsAtExit = std::atexit(WaitForDecodingThread) == 0;
  (void)waitsAtExit;
  WaitForDecodingThread();  // an earlier prefetch's (only tests prefetch twice)
  auto state = std::make_shared<Prefetched>();
  state->dpi = win::SystemDpi();
  std::vector<std::pair<int, std::promise<PixelImage>>> work;
  for (std::initializer_list<int> ids : {resourceIds, afterSplash}) {
    for (int id : ids) {
      work.emplace_back(id, std::promise<PixelImage>());
      state->pictures[id] = work.back().second.get_future().share();
    }
  }
  state->heldBack.insert(afterSplash.begin(), afterSplash.end());
  state->afterSplashReleased = afterSplash.size() == 0;
  PrefetchState() = state;
  try {
    const size_t first = resourceIds.size();
    DecodingThread() = std::thread([state, work = std::move(work), first]() mutable {
      for (size_t i = 0; i < work.size(); ++i) {
        auto& [id, promise] = work[i];
        if (i == first) {
          std::unique_lock<std::mutex> guard(state->lock);
          state->released.wait(guard, [&] { return state->afterSplashReleased; });
        }
        // Fitted to the primary monitor's work area here as well, where the windows are made:
        // at 150 % on a 1080-line screen the login background is too tall, and shrinking it on
        // the interface thread would hold up the login screen.
        promise.set_value(FitToWorkArea(nullptr, win::LoadPictureAtDpi(L"PNG", id, state->dpi)));
        std::lock_guard<std::mutex> guard(state->lock);
        auto waiting = state->waiting.find(id);
        if (waiting != state->waiting.end()) {
          ::PostMessageW(waiting->second, PictureReadyMessage(), static_cast<WPARAM>(id), 0);
          state->waiting.erase(waiting);
        }
      }
    });
  } catch (const std::system_error&) {
    PrefetchState().reset();  // no thread: every window decodes its own
  }
}

void DecodeAfterSplashPictures() {
  if (std::shared_ptr<Prefetched> state = PrefetchState()) ReleaseAfterSplash(*state);
}

bool LayeredImage::SetUp(HWND hwnd, int resourceId, bool stripFrame) {
  Release();
  return Compose(hwnd, resourceId, stripFrame);
}

bool LayeredImage::SetUpBeforeShow(HWND hwnd, int resourceId, bool stripFrame) {
  Release();
  const int dpi = win::DpiOf(hwnd);
  // A hidden window need not wait here: its picture goes on when it is ready, or at the show.
  if (!::IsWindowVisible(hwnd) &&
      ::SetWindowSubclass(hwnd, WaitingProc, 1, reinterpret_cast<DWORD_PTR>(this))) {
    if (WaitForPrefetched(hwnd, resourceId, dpi)) {
      m_waiting = hwnd;
      m_resourceId = resourceId;
      m_stripFrame = stripFrame;
      return true;
    }
    ::RemoveWindowSubclass(hwnd, WaitingProc, 1);
  }
  return Compose(hwnd, resourceId, stripFrame);
}

bool LayeredImage::Compose(HWND hwnd, int resourceId, bool stripFrame) {
  const int dpi = win::DpiOf(hwnd);
  PixelImage picture = TakePrefetched(resourceId, dpi);
  if (picture.pixels.empty()) picture = win::LoadPictureAtDpi(L"PNG", resourceId, dpi);
  picture = FitToWorkArea(hwnd, std::move(picture));
  if (picture.pixels.empty()) {
    win::LogError(L"PNG resource " + std::to_wstring(resourceId) + L" could not be decoded");
    return false;
  }
  return SetUp(hwnd, picture, stripFrame);
}

void LayeredImage::Release() {
  if (m_waiting) ::RemoveWindowSubclass(std::exchange(m_waiting, nullptr), WaitingProc, 1);
  m_size = {};
}

void LayeredImage::FinishWaiting() {
  HWND hwnd = std::exchange(m_waiting, nullptr);
  if (!hwnd) return;
  ::RemoveWindowSubclass(hwnd, WaitingProc, 1);
  if (!Compose(hwnd, m_resourceId, m_stripFrame)) {
    win::LogError(L"layered picture " + std::to_wstring(m_resourceId) + L" unavailable");
  }
}

LRESULT CALLBACK LayeredImage::WaitingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
  auto* image = reinterpret_cast<LayeredImage*>(self);
  if (msg == PictureReadyMessage() ||
      (msg == WM_SHOWWINDOW && wParam) ||
      (msg == WM_WINDOWPOSCHANGING &&
       (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))) {
    // At the show this waits for the decoding thread: the window must not appear empty.
    image->FinishWaiting();
  } else if (msg == WM_NCDESTROY) {
    image->Release();
  }
  if (msg == PictureReadyMessage()) return 0;
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool LayeredImage::SetUp(HWND hwnd, const PixelImage& picture, bool stripFrame) {
  Release();
  win::WindowDC windowDC(hwnd);
  // Premultiplied BGRA in a 32-bit DIB section is the form UpdateLayeredWindow blends: the pixels
  // go in as they are.
  win::BackBuffer buffer = win::BackBuffer::Holding(windowDC.Get(), win::BitmapFromPixels(picture));
  if (!buffer || !buffer.Bitmap()) {
    win::LogError(L"no memory for a layered picture of " + std::to_wstring(picture.width) + L" x " +
                  std::to_wstring(picture.height));
    return false;
  }
  BecomeLayered(hwnd, stripFrame);
  m_size = {picture.width, picture.height};
  Present(hwnd, windowDC.Get(), buffer.Get(), m_size);
  return true;
}

}  // namespace qorv::startup

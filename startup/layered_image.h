// A window that is nothing but a PNG with per-pixel alpha (the splash, the login background).
// The picture is taken at the window's DPI (a finer copy of the art scaled down, see
// base/win/picture.h) and no larger than the work area of the window's monitor, composed once off
// screen and handed to the window manager with UpdateLayeredWindow; the window is never repainted
// afterwards, so the off-screen copy goes as soon as the window has it.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "base/picture_scale.h"

namespace qorv::startup {

// The "PNG" resources of the two layered windows.
inline constexpr int kLoginBackgroundPicture = 101;
inline constexpr int kSplashPicture = 102;

class LayeredImage {
 public:
  LayeredImage() = default;
  LayeredImage(const LayeredImage&) = delete;
  LayeredImage& operator=(const LayeredImage&) = delete;
  ~LayeredImage() { Release(); }

  // stripFrame clears WS_CAPTION and WS_THICKFRAME first (the login background's design has a
  // frame). Returns false, leaving the window as it was, when the picture cannot be had.
  bool SetUp(HWND hwnd, int resourceId, bool stripFrame);
  // As SetUp, for a window shown later: while its picture is still being prefetched, the hidden
  // window takes it when it is ready or, at the latest, just before it is first shown, and this
  // returns true at once; should the picture then fail, the window stays as it was (logged).
  bool SetUpBeforeShow(HWND hwnd, int resourceId, bool stripFrame);
  // As SetUp, with the picture already decoded at the window's DPI (premultiplied BGRA).
  bool SetUp(HWND hwnd, const PixelImage& picture, bool stripFrame);
  void Release();

  // 0 x 0 until the picture is on the window.
  SIZE ImageSize() const { return m_size; }

 private:
  static LRESULT CALLBACK WaitingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  bool Compose(HWND hwnd, int resourceId, bool stripFrame);
  void FinishWaiting();

  SIZE m_size{};
  HWND m_waiting = nullptr;  // the hidden window whose picture is still on its way
  int m_resourceId = 0;
  bool m_stripFrame = false;
};

// Starts decoding the "PNG" pictures on a thread of their own at the system DPI, so that the
// decoding overlaps the start-up checks that come before the windows; SetUp then takes a
// prefetched picture (waiting for it if need be) when its window is at that DPI, and decodes its
// own otherwise. Each prefetched picture is taken once. Call on the interface thread.
//
// The `afterSplash` pictures are decoded only once DecodeAfterSplashPictures is called, or once
// one of them is taken: on a machine with few cores their decoding would otherwise compete with
// the steps that hold up the splash, although nothing shows them before it.
void PrefetchLayeredPictures(std::initializer_list<int> resourceIds,
                             std::initializer_list<int> afterSplash = {});
void DecodeAfterSplashPictures();

}  // namespace qorv::startup

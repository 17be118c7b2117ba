// KpProgressBar: the updater's progress bar, a child window drawn from a 10 x 10 skin (bitmap
// 101 of the updater) into an off-screen image of its size, which WM_PAINT copies.
//
// It owns the skin bitmap and its memory DC, and the image's DC and bitmap. Its height is always
// 150 twips: 10 pixels at 96 DPI. It raises no events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/win/gdi.h"
#include "base/win/window.h"
#include "updater/progress_bar_model.h"

namespace qorv::updater {

inline constexpr wchar_t kKpProgressBarClass[] = L"Tidewell.KpProgressBar";
inline constexpr int kProgressSkinBitmap = 101;

class KpProgressBar : public win::Window {
 public:
  KpProgressBar() = default;
  ~KpProgressBar() override;

  // Creates the bar at (x, y), `width` pixels wide. The skin is bitmap 101 of this program unless
  // one is given (the bar then owns it). Stored properties are read and the bar drawn.
  bool CreateBar(HWND parent, int x, int y, int width, HBITMAP skin = nullptr,
                 const ProgressBarModel::PropertyLookup& stored = {});

  int32_t Min() const { return m_model.Min(); }
  int32_t Max() const { return m_model.Max(); }
  int32_t Value() const { return m_model.Value(); }
  bool SetMin(int32_t v);
  bool SetMax(int32_t v);
  bool SetValue(int32_t v);
  const ProgressBarModel& Model() const { return m_model; }
  // The window's DPI changed: the skin is made again at it and the bar's height follows.
  void SetDpi(int dpi);

  // The off-screen image (what the bar shows), for reading pixels back.
  HDC ImageDC() const { return m_image.Get(); }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void LoadSkin();
  int Height() const;
  void MakeImage(int width);
  void DrawBar();
  void OnWindowPosChanging(WINDOWPOS& pos);
  void OnSize(int width);
  void OnPaint();

  ProgressBarModel m_model;
  win::BackBuffer m_skin;
  win::BackBuffer m_image;  // one DC for the bar's life; a new bitmap at each size
  int m_width = 0;
  int m_dpi = kDesignDpi;
  int m_skinDpi = kDesignDpi;  // the DPI the skin's pixels are made for
  bool m_ownSkin = true;       // made here from the resource, so it can be made again
  std::vector<SkinCopy> m_drawn;  // what the image shows
  bool m_imageCurrent = false;    // false: the image is new and shows nothing yet
};

}  // namespace qorv::updater

// iButton: the skinned push button and toggle ("Tidewell.iButton").
//
// Owns its window, its persistent image, a copy of its state strip (BackPicture) and of its
// icon, the frames cut from the strip (with a greyed copy of the normal frame for the disabled
// look) and its 50 ms hover poll. The poll starts when the mouse first moves over the button and
// stops itself on the first tick that finds the mouse elsewhere with no button held, so an idle
// button wakes nothing.
//
// Events, in the order a left click over it raises them: MouseMove, MouseOver (first move over
// it), MouseDown, MouseUp, Click; MouseOut on the first poll tick after the mouse left. A double
// click raises MouseDown, MouseUp, Click, DBClick, MouseUp. Keys: KeyDown then, for Enter, Click;
// KeyUP then, for Space, Click; KeyPress for characters. Mouse and key events are raised before
// the button reacts, and the reaction uses their by-reference arguments as the handler left
// them.
//
// A handler may destroy the button (delete it or destroy its window), from any event: the button
// checks after every event it raises and then touches nothing of itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/liveness.h"
#include "base/units.h"
#include "base/win/gdi.h"
#include "base/win/handles.h"
#include "base/win/window.h"
#include "controls/button_frames.h"
#include "controls/button_state.h"
#include "controls/property_bag.h"
#include "controls/surface.h"

namespace qorv::controls {

inline constexpr wchar_t kIButtonClass[] = L"Tidewell.iButton";
// Pixels of this colour are see-through on a transparent (cBackStyle 0) button.
inline constexpr COLORREF kDefaultMaskColour = RGB(255, 0, 255);
inline constexpr UINT_PTR kHoverTimerId = 1;
inline constexpr UINT kHoverTimerMs = 50;

class iButton : public win::Window {
 public:
  iButton();
  ~iButton() override;

  // Creates the window as a child of parent at (x, y), width x height pixels. With a bag the
  // stored properties are read from it; without one the defaults apply.
  bool Create(HWND parent, int x, int y, int width, int height, PropertyBag* bag = nullptr,
              int controlId = 0);

  // BackPicture: from the program's bitmap resources, or a copy of a bitmap the caller keeps.
  // A missing resource or a bitmap without pixels leaves the button without a strip.
  void SetBackPicture(int resourceId);
  // pictureDpi: the DPI the picture was made for (a strip cut from a window at its DPI); the
  // button's own size follows the picture at the button's DPI.
  void SetBackPicture(HBITMAP bitmap, int pictureDpi = kDesignDpi);
  void ClearBackPicture();
  bool HasBackPicture() const { return static_cast<bool>(m_backPicture); }
  HBITMAP BackPicture() const { return m_backPicture.Get(); }
  // Icon: a copy of the caller's icon. Stored only; shows at the next repaint.
  void SetIcon(HICON icon);
  HICON Icon() const { return m_icon.Get(); }

  void SetEnabled(bool enabled);
  bool Enabled() const { return m_state.Enabled(); }
  void SetcBackStyle(int16_t backStyle);
  int16_t cBackStyle() const { return m_backStyle; }
  void SetCaption(std::wstring caption);
  const std::wstring& Caption() const { return m_caption; }
  void SetStyle(int32_t style);
  int32_t Style() const { return m_state.Style(); }
  void SetAutoSize(bool autoSize);
  bool AutoSize() const { return m_autoSize; }
  void SetcForeColor(uint32_t colour);
  uint32_t cForeColor() const { return m_image.ForeColor(); }
  void SetcFont(const FontDesc& font);
  // The window's DPI changed: the caption font is made again and an auto-sized button takes its
  // picture's size at the new DPI.
  void SetDpi(int dpi);
  const FontDesc& cFont() const { return m_image.Font(); }
  void SetcDrawMode(int16_t mode);
  int16_t cDrawMode() const { return m_image.DrawMode(); }
  void SetValue(bool value);
  bool Value() const { return m_state.Value(); }
  void SetLocked(bool locked);
  bool Locked() const { return m_state.Locked(); }
  void SetMaskColor(COLORREF colour) { m_maskColour = colour; }

  HWND hWnd() const { return Hwnd(); }
  HDC hdc() const { return m_image.Dc(); }
  HBITMAP Image() const { return m_image.Bitmap(); }

  void cMouseAction(int32_t cAction, bool vComplePaint);
  int CurrentLook() const;
  bool IsMouseOver() const;

  void ReadProperties(PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;
  const ChangeMarks& Changed() const { return m_changed; }
  void ClearChanged() { m_changed.Clear(); }

  // What the last paint showed: the frame index and whether it was greyed (-1 without frames).
  FrameChoice LastFrame() const { return m_lastFrame; }
  bool FramesReady() const { return m_framesReady; }
  FrameSize Frames() const { return m_frameSize; }
  bool HoverPollRunning() const { return m_state.TimerRunning(); }
  bool Hovering() const { return m_state.Hover(); }
  bool Held() const { return m_state.Held(); }
  int Look() const { return m_state.Look(); }

  std::function<void()> Click;
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& Y)> MouseDown;
  std::function<void(int16_t& KeyCode, int16_t& Shift)> KeyDown;
  std::function<void(int16_t& KeyCode, int16_t& Shift)> KeyUP;
  std::function<void(int16_t& KeyAscii)> KeyPress;
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& Y)> MouseUp;
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& Y)> MouseMove;
  std::function<void()> MouseOut;
  std::function<void()> MouseOver;
  std::function<void()> DBClick;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Frame {
    win::UniqueBitmap bitmap;
    win::Unique<win::GdiObjectTraits<HPALETTE>> palette;
  };

  void BuildFrames();
  Frame CutFrame(HDC source, const PixelRect& rect, int width, int height);
  void DiscardFrames();
  void PaintLook(int look);
  void PaintFrame();
  void DrawFocus();
  void ApplyMask();
  void Present();
  double WidthTwips() const;
  double HeightTwips() const;
  int64_t IconWidth() const;

  // Applies effects in order; false when an event handler destroyed the button.
  bool Apply(const ButtonEffects& effects);
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  void OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnDoubleClick(UINT msg);
  void OnKeyDown(WPARAM wParam);
  void OnKeyUp(WPARAM wParam);
  void OnSize();
  void OnCreate(const CREATESTRUCTW& cs);
  void OnShowWindow(bool shown);
  void OnPaint();
  bool OnSetCursor(LPARAM lParam);
  void OnCaptureChanged(HWND taker);
  static LRESULT OnGetDlgCode(const MSG* m);
  void OnChar(WPARAM wParam);
  void OnDestroy();
  void StopHoverPoll();

  Liveness m_life;
  Surface m_image;
  ButtonState m_state;
  win::UniqueBitmap m_backPicture;
  int32_t m_backPictureId = 0;
  win::UniqueIcon m_icon;
  std::wstring m_caption;
  int16_t m_backStyle = 1;
  bool m_autoSize = true;
  COLORREF m_maskColour = kDefaultMaskColour;
  std::vector<Frame> m_frames;
  std::vector<Frame> m_greyed;  // index = the frame it greys
  FrameSize m_frameSize;
  bool m_framesReady = false;
  bool m_shownOnce = false;
  bool m_sizing = false;
  int m_dpi = kDesignDpi;
  int m_pictureDpi = kDesignDpi;
  int AtDpi(int picturePixels) const;
  void LoadBackPicture(int resourceId);
  void FitToPicture();
  FrameChoice m_lastFrame{-1, false};
  HCURSOR m_cursor = nullptr;
  uint8_t m_pressed = 0;   // buttons that went down on the button and have not come up
  uint8_t m_clickable = 0;  // of those, the ones whose release may be a click
  ChangeMarks m_changed;
};

}  // namespace qorv::controls

// BForm: the drawn title bar of the borderless windows ("Tidewell.BForm").
//
// Owns its window, its persistent image and the frame skin (bitmap 108), from which it tiles the
// title bar and, through Printform, the host form's left, right and bottom border. The bar is
// always 500 twips high. It puts itself below the sibling controls that exist when it is
// created: it is the background of the title area (controls created after it lie below it until
// the host raises them). A left-button press on it hands the window in frmHwnd to the system's
// move loop; the call returns when the button is released.
//
// Events: MouseMove on every move over the bar; MouseDown on any press, raised after the move
// loop has ended (so the host sees it once the window is where the user put it); DblClick on a
// double click. CloseClick and MinClick are never raised. A handler may destroy the bar; after
// raising an event the bar touches nothing of itself, and it checks the same after the move loop
// (the host may have closed meanwhile).
//
// Drawn at one DPI: its parent's when created, then what the host tells it (SetDpi) or what
// Windows has given it when its top-level window moved to a monitor of another DPI. The bar's
// height, its skin and its caption's font all follow that DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/liveness.h"
#include "base/units.h"
#include "base/win/gdi.h"
#include "base/win/window.h"
#include "controls/frame_skin.h"
#include "controls/property_bag.h"
#include "controls/surface.h"

namespace qorv::controls {

inline constexpr wchar_t kBFormClass[] = L"Tidewell.BForm";
inline constexpr int kFrameSkinResource = 108;
inline constexpr uint32_t kBFormDefaultBackColor = 14346732;  // 0xDAE9EC
inline constexpr wchar_t kBFormCaptionFace[] = L"宋体";

class BForm : public win::Window {
 public:
  BForm();
  ~BForm() override;

  // Creates the bar as a child of parent. With a bag the stored properties are read from it;
  // without one the bar is new on its form (frmHwnd 0).
  bool Create(HWND parent, int x, int y, int width, PropertyBag* bag = nullptr,
              int controlId = 0);

  // The background colour as decimal text. Setting takes decimal or "&H" hexadecimal text of a
  // 32-bit value; other text leaves the colour as it was and returns false.
  std::wstring BackColor() const;
  bool SetBackColor(std::wstring_view text);
  const std::wstring& Caption() const { return m_caption; }
  void SetCaption(std::wstring caption);
  HWND frmHwnd() const { return m_frmHwnd; }
  void SetfrmHwnd(HWND hwnd);
  bool HasLogo() const { return m_hasLogo; }
  void SetHasLogo(bool hasLogo);

  HWND hWnd() const { return Hwnd(); }
  HDC hdc() const { return m_image.Dc(); }
  bool SkinLoaded() const { return static_cast<bool>(m_skin); }

  void PaintTitle();
  // Lays the bar out again at dpi (clamped): its height, its skin and its caption's font.
  void SetDpi(int dpi);
  int Dpi() const { return m_dpi; }
  // Paints the border of the host form onto the form's persistent image and shows it.
  void Printform(FormSurface& frm);
  // Covers the minimise area at the right end of the bar; the cover stays through repaints.
  void Nomin();

  void InitProperties();
  void ReadProperties(PropertyBag& bag);
  void WriteProperties(PropertyBag& bag);
  const ChangeMarks& Changed() const { return m_changed; }

  std::function<void()> CloseClick;
  std::function<void()> MinClick;
  std::function<void()> DblClick;
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& Y)> MouseDown;
  std::function<void(int16_t& Button, int16_t& Shift, float& X, float& Y)> MouseMove;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void LoadSkin(int dpi);
  void PaintPiece(Surface& target, const Placement& placement, int dpi);
  void OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
  void ApplyBackColor(uint32_t colour);

  Liveness m_life;
  Surface m_image;
  win::UniqueBitmap m_skin;  // the hidden picture holder's picture, at m_skinDpi
  int m_skinDpi = 0;
  int m_dpi = kDesignDpi;  // what the bar is laid out and drawn at
  std::wstring m_caption;
  HWND m_frmHwnd = nullptr;
  bool m_hasLogo = false;
  bool m_nomin = false;
  ChangeMarks m_changed;
};

}  // namespace qorv::controls

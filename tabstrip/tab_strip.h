// uTab: the tab strip control. One row of skinned tabs over a host-provided container window in
// which the selected tab's page window is shown.
//
// Owns: its child window; the tab list (TabItems, which owns the items, which own the page
// forms); a CSubclass hooking its own window (every message, before its own handling) and the
// container (WM_SIZE, after); both skin bitmaps, each kept selected in a memory DC of its own;
// a normal and a bold font; three off-screen buffers (background, tab area, composition) and the
// composed tab looks (TabPieceCache), all re-made on every resize; a tooltip window once
// ToolTipText is first set.
//
// Events, in the order a gesture raises them:
//   left press on a tab:   [selection or pressed close button drawn] TabChanged, OnMouseDown
//   any other press:       OnMouseDown
//   move without a button: OnMouseHover (index changed), OnMouseMove
//   release:               [left: OnItemColose when a close button closes a tab, redraw]
//                          OnMouseUp
//   double click (left):   TabChanged (on a tab), OnMouseDown, OnDblClick
//   mouse leaves:          OnMouseLeave
//   any full redraw:       OnDrawBackground
// A handler may destroy the control or clear/alter TabItems: after an event returns the control
// checks that it is still alive and touches nothing of itself otherwise, and the list operation
// that raised OnItemColose re-finds its item before removing it.
//
// Until LockReDraw(false), layout and drawing do nothing: items keep Left and Width 0.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/liveness.h"
#include "base/win/gdi.h"
#include "base/win/window.h"
#include "tabstrip/tab_api.h"
#include "tabstrip/tab_layout.h"
#include "tabstrip/tab_model.h"
#include "tabstrip/tab_mouse.h"
#include "tabstrip/tab_piece_cache.h"

namespace qorv {
namespace subclass {
class CSubclass;
}
namespace controls {
class PropertyBag;
}
}  // namespace qorv

namespace qorv::tabstrip {

class uTab final : public win::Window, public IuTab {
 public:
  static constexpr COLORREF kSelectedTextColour = RGB(4, 96, 163);

  uTab();
  ~uTab() override;

  // Creates the child window at (x, y), width pixels wide (the height follows the style), reads
  // the stored properties from `bag` (absent keys and no bag: the defaults) and hooks the window.
  // False when the window could not be created.
  bool Create(HWND parent, int x, int y, int width, controls::PropertyBag* bag = nullptr);
  // "TabStyle", "TabLeftSize", "TabRightSize", always written.
  void WriteProperties(controls::PropertyBag& bag) const;

  void refresh();
  void LockReDraw(bool bLock);
  HWND hContainerWnd() const { return m_container; }
  void SethContainerWnd(HWND hWnd);
  int32_t TabLeftSize() const { return m_tabLeftSize; }
  void SetTabLeftSize(int32_t value) { m_tabLeftSize = value; }
  int32_t TabRightSize() const { return m_tabRightSize; }
  void SetTabRight(int32_t value) { m_tabRightSize = value; }
  int32_t TabStyle() const { return m_tabStyle; }
  void SetTabStyle(int32_t value) { m_tabStyle = value; }
  // Reloads the selected tab's page; TabError 91 without a selected tab.
  void RefreshPage();

  // What the host form provides to every control placed on it.
  const std::wstring& ToolTipText() const { return m_toolTipText; }
  void SetToolTipText(const std::wstring& text);
  void Move(int x, int y, int width);  // pixels; the height follows the style and the DPI
  // The DPI the strip is drawn and hit-tested at (that of its parent when created); a change
  // rebuilds skins, fonts and buffers and lays the tabs out again. Clamped to 96..480.
  void SetDpi(int dpi);
  int Dpi() const { return m_dpi; }
  int Height() const;                  // pixels

  // IuTab
  void Add(const std::wstring& Caption, const std::shared_ptr<ITabForm>& Form,
           const std::optional<std::wstring>& Key, const std::optional<TabIndex>& Index) override;
  bool BeforeRemove(int32_t Index) override;
  void Remove(int32_t Index) override;
  void Clear() override;
  void Redraw(bool bUpdate) override;
  void ChangeForm(CTabItem& Item, const std::shared_ptr<ITabForm>& Form) override;
  int32_t Selected() const override { return m_selected; }
  void SetSelected(int32_t value) override;
  CTabItems& TabItems() override { return *m_items; }
  WindowHandle hWnd() const override { return reinterpret_cast<WindowHandle>(Hwnd()); }
  WindowHandle hParent() const override;
  uTab* Control() override { return this; }

  // State the host (and tests) may look at.
  int32_t HoverIndex() const { return m_mouse.Hover(); }
  int32_t CloseState() const { return m_mouse.CloseState(); }
  int32_t TabWidth() const { return m_tabWidth; }
  bool RedrawEnabled() const { return m_redrawEnabled; }
  HDC CompositionDC() const { return m_composition.Get(); }
  HDC BackgroundDC() const { return m_background.Get(); }
  size_t TabsDrawnLastFrame() const { return m_tabLooks.TabsDrawnLastFrame(); }

  // Events.
  using MouseEvent =
      std::function<void(int32_t ItemIndex, int16_t& Button, int16_t& Shift, float& X, float& Y)>;
  std::function<void()> TabChanged;
  MouseEvent OnDblClick;
  MouseEvent OnMouseDown;
  MouseEvent OnMouseHover;
  MouseEvent OnMouseMove;
  MouseEvent OnMouseUp;
  std::function<void()> OnMouseLeave;
  std::function<void(int32_t ItemIndex, bool& Cancel)> OnItemColose;
  std::function<void(HDC hdc, int32_t cx, int32_t cy, bool& bSkipDefault)> OnDrawBackground;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  struct MouseState {
    int16_t button = 0;
    int16_t shift = 0;
    float x = 0;
    float y = 0;
  };

  void ReadProperties(controls::PropertyBag* bag);
  void OnResize();
  void CreateBuffers();
  void FreeBuffers();
  // The drawing passes return false when an event handler destroyed the control.
  bool DrawAll(bool update);
  bool DrawBackground();
  void DrawTabs(bool update);
  void ComputeTabWidth();
  void LayoutTabs();
  void AttachPage(HWND h);
  void ShowSelectedPage();
  int32_t ControlWidth() const;
  std::vector<TabView> Views() const;
  HitResult HitTestAt(float x, float y) const;
  bool IsTabIndex(int32_t i) const { return i >= 0 && i < m_items->Count(); }
  HDC SkinDC() const;
  // TabLeftSize and TabRightSize are design pixels; these are them at the DPI.
  int32_t LeftPx() const;
  int32_t RightPx() const;
  // Skins and fonts at dpi; false when it is the DPI already.
  bool TakeDpi(int dpi);

  // Applies the mouse state's effects in order; false when one destroyed the strip.
  bool Apply(const TabMouseEffects& effects, MouseState& args);
  void OnButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, float x, float y);
  void OnButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, float x, float y);
  void OnDoubleClick(WPARAM wParam, float x, float y);
  void OnCursorMove(WPARAM wParam, LPARAM lParam, float x, float y);
  void OnCaptureChanged(HWND taker);
  bool MouseDown(int16_t Button, int16_t Shift, float X, float Y);
  bool MouseMove(int16_t Button, int16_t Shift, float X, float Y);
  bool MouseUp(int16_t Button, int16_t Shift, float X, float Y);
  bool DoubleClick();
  void MouseLeft();
  void PaintCopy();
  void c_Subclass_WindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd,
                             UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser);
  void RelayToolTip(UINT msg, WPARAM wParam, LPARAM lParam);

  int32_t m_dpi = kDesignDpi;
  int32_t m_tabStyle = 0;
  int32_t m_tabLeftSize = 40;
  int32_t m_tabRightSize = 0;
  std::shared_ptr<CTabItems> m_items;
  int32_t m_selected = -1;
  TabMouse m_mouse;
  int32_t m_tabWidth = kTabWidthStart;
  bool m_redrawEnabled = false;
  HWND m_container = nullptr;
  std::unique_ptr<subclass::CSubclass> c_Subclass;
  win::UniqueFont m_fontNormal;
  win::UniqueFont m_fontBold;
  MouseState m_last;
  UniqueMemoryDC m_skin0;
  UniqueMemoryDC m_skin1;
  UniqueMemoryDC m_composition;
  UniqueMemoryDC m_background;
  UniqueMemoryDC m_tabArea;
  TabPieceCache m_tabLooks;  // made again with the buffers
  int32_t m_bufferWidth = 0;
  // The composition holds the last frame of the tab area over the current background's margins;
  // the window shows the composition (what it lost since, WM_PAINT puts back from it).
  bool m_composedTabs = false;
  bool m_windowShowsComposition = false;
  bool m_propertiesRead = false;
  bool m_ownHooked = false;
  bool m_tearingDown = false;
  win::UniqueWindow m_tooltip;
  std::wstring m_toolTipText;
  Liveness m_life;
};

}  // namespace qorv::tabstrip

// CSubclass: intercepts the messages of windows of this process for its owner.
//
// Owns one interception record per hooked window (see window_hook.h), each with a before table
// and an after table of up to MSG_ENTRIES messages (or ALL_MESSAGES) and a per-window
// lParamUser. For each message: WindowProc(bBefore = true) if the before table selects it; then,
// unless that call set bHandled, the previous window procedure; then WindowProc(bBefore = false),
// with lReturn holding the previous procedure's result, if the after table selects it.
//
// A WindowProc handler may unhook the window, hook others, send messages to the same window
// (calls nest) or destroy this CSubclass: after the handler returns nothing of the CSubclass is
// touched, and the window's message still reaches its previous procedure. Destroying the
// CSubclass unhooks every window (ssc_Terminate); a window destroyed while hooked releases its own
// record at WM_NCDESTROY. Failures are written to the error log as "CSubclass.<routine>: <text>"
// and show only in the results.
//
// Single UI thread. Windows must belong to this process.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "subclass/msg_table.h"
#include "subclass/window_hook.h"

namespace qorv::subclass {

class CSubclass {
 public:
  // When a hooked message reaches WindowProc (bits tested separately). A type of its own: the
  // form subclass numbers the same two moments the other way round, so mixing them must not
  // compile.
  enum class HookWhen : int { kMsgBefore = 1, kMsgAfter = 2, kMsgBeforeAndAfter = 3 };
  static constexpr HookWhen kMsgBefore = HookWhen::kMsgBefore;
  static constexpr HookWhen kMsgAfter = HookWhen::kMsgAfter;
  static constexpr HookWhen kMsgBeforeAndAfter = HookWhen::kMsgBeforeAndAfter;

  CSubclass();
  CSubclass(const CSubclass&) = delete;
  CSubclass& operator=(const CSubclass&) = delete;
  ~CSubclass();  // ssc_Terminate

  // Hooks hWnd; true when hooked. nOrdinal 1 selects zRaiseWindowProc, the only callback.
  // bIdeSafety has no effect. bUnicode, when true on entry, becomes whether the window is a
  // Unicode window; messages travel as Unicode either way, so text never passes through the ANSI
  // code page. bIsAPIwindow: destroy the window if the hook finds its callback gone.
  bool ssc_Subclass(HWND hWnd, LONG_PTR lParamUser, int nOrdinal, bool bIdeSafety, bool& bUnicode,
                    bool bIsAPIwindow);
  bool ssc_Subclass(HWND hWnd, LONG_PTR lParamUser = 0, int nOrdinal = 1, bool bIdeSafety = true,
                    bool&& bUnicode = false, bool bIsAPIwindow = false) {
    return ssc_Subclass(hWnd, lParamUser, nOrdinal, bIdeSafety, bUnicode, bIsAPIwindow);
  }
  void ssc_UnSubclass(HWND hWnd);
  void ssc_Terminate();
  // The window's previous procedure with these arguments; 0 when the window is not hooked.
  LRESULT ssc_CallOrigWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  // uMsg may be ALL_MESSAGES. When: kMsgBefore, kMsgAfter or both.
  void ssc_AddMsg(HWND hWnd, UINT uMsg, HookWhen When);
  // Removes each listed message; list elements that are not integers of at most 32 bits are
  // skipped. ssc_DelMsg(h, kMsgBefore, {WM_SIZE, WM_PAINT}) or ssc_DelMsg(h, kMsgBefore, WM_SIZE, WM_PAINT).
  void ssc_DelMsg(HWND hWnd, HookWhen When, std::initializer_list<MsgListItem> Messages);
  template <class... M>
  void ssc_DelMsg(HWND hWnd, HookWhen When, const M&... Messages) {
    ssc_DelMsg(hWnd, When, std::initializer_list<MsgListItem>{MsgListItem(Messages)...});
  }
  LONG_PTR zGet_lParamUser(HWND hWnd_Hook_ID);
  void zSet_lParamUser(HWND hWnd_Hook_ID, LONG_PTR NewValue);
  // One WM_MOUSELEAVE for hWnd when the mouse leaves it.
  void TrackMouseTracking(HWND hWnd);

  // The WindowProc event. bHandled (before call only) consumes the message; lReturn becomes the
  // window's result; a write to lParamUser is kept for the window.
  std::function<void(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                     WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser)>
      WindowProc;

 private:
  using Thunk = Record*;

  static void zRaiseWindowProcEntry(void* owner, bool bBefore, bool& bHandled, LRESULT& lReturn,
                                    HWND& hWnd, UINT& uMsg, WPARAM& wParam, LPARAM& lParam,
                                    LONG_PTR& lParamUser);
  void zRaiseWindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd, UINT uMsg,
                        WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser);
  Callback zFindCallback(int nOrdinal) const;
  Thunk zMap_VFunction(HWND hWnd, bool bIgnoreErrors);
  void zUnhook(HWND hWnd);
  void zUnhookAll();
  bool zAddMsg(UINT uMsg, MsgTable& table);
  static void zRemoveMsg(UINT uMsg, MsgTable& table);
  static void zLogError(const wchar_t* routine, const std::wstring& message);

  bool bUser32Track = false;
  // The thunk map: absent until the first hook gets past its allocation, dropped by
  // ssc_Terminate. In hooking order.
  std::optional<std::vector<std::pair<HWND, Ref>>> m_thunks;
};

}  // namespace qorv::subclass

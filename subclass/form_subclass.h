// cFormSubclass: shows its owner the messages of one or more windows through MsgCome, before the
// window's own procedure and, where asked, after it.
//
// Owns one interception record per window (see window_hook.h). For a message the before table
// selects, MsgCome(bBefore = true) runs first; its handler may change the window, message and
// parameters that the window's procedure then receives, or set bHandled to answer with lReturn
// instead. Unless handled, the previous procedure runs, and then MsgCome(bBefore = false) if the
// after table selects the (possibly changed) message, with lReturn holding the result.
//
// A MsgCome handler may destroy this object (for instance by closing the window): the records
// outlive it until the running call returns, the message still reaches the window's procedure,
// and no after call is made. Destroying the object removes the interception from every window.
// Single UI thread.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "subclass/msg_table.h"
#include "subclass/window_hook.h"

namespace qorv::subclass {

class cFormSubclass {
 public:
  // Values of when (bits tested separately).
  // A type of its own: CSubclass numbers before and after the other way round.
  enum class eMsgWhen : int { MSG_AFTER = 1, MSG_BEFORE = 2, MSG_BEFORE_AND_AFTER = 3 };
  static constexpr eMsgWhen MSG_AFTER = eMsgWhen::MSG_AFTER;
  static constexpr eMsgWhen MSG_BEFORE = eMsgWhen::MSG_BEFORE;
  static constexpr eMsgWhen MSG_BEFORE_AND_AFTER = eMsgWhen::MSG_BEFORE_AND_AFTER;

  cFormSubclass() = default;
  cFormSubclass(const cFormSubclass&) = delete;
  cFormSubclass& operator=(const cFormSubclass&) = delete;
  ~cFormSubclass();  // StopAllSubclass

  // Intercepts hWnd (once, however often called) with every message reported before its
  // procedure. False only when hWnd is not a window or cannot be intercepted.
  bool AddWindowMsgs(HWND hWnd);
  // Does nothing and returns false: interception ends when the object is destroyed.
  bool DeleteWindowMsg(HWND hWnd);

  // Table maintenance for an intercepted window (nothing happens for another window).
  // uMsg may be ALL_MESSAGES (-1).
  void AddMsg(HWND hWnd, UINT uMsg, eMsgWhen when);
  void DelMsg(HWND hWnd, UINT uMsg, eMsgWhen when);

  std::function<void(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                     WPARAM& wParam, LPARAM& lParam)>
      MsgCome;

 private:
  struct Entry {
    HWND window = nullptr;  // nullptr: free entry
    Ref routine;
  };

  static void zSubclass_ProcEntry(void* owner, bool bBefore, bool& bHandled, LRESULT& lReturn,
                                  HWND& hWnd, UINT& uMsg, WPARAM& wParam, LPARAM& lParam,
                                  LONG_PTR& lParamUser);
  void zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& lng_hWnd, UINT& uMsg,
                      WPARAM& wParam, LPARAM& lParam);
  int StartSubclass(HWND hWnd);
  void StopSubclass(HWND hWnd);
  void StopAllSubclass();
  int FindEntry(HWND hWnd, bool bAdding) const;
  Record* RecordOf(HWND hWnd) const;

  std::vector<Entry> m_entries;
};

}  // namespace qorv::subclass

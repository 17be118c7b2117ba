#include "subclass/form_subclass.h"

#include <string>

#include "base/win/log.h"

namespace qorv::subclass {

cFormSubclass::~cFormSubclass() { StopAllSubclass(); }

bool cFormSubclass::AddWindowMsgs(HWND hWnd) {
  if (!::IsWindow(hWnd)) return false;
  int i = FindEntry(hWnd, false);
  if (i >= 0 && !Resolve(m_entries[static_cast<size_t>(i)].routine)) {
    // Left from a window of the same handle that was destroyed while intercepted.
    m_entries[static_cast<size_t>(i)] = Entry{};
    i = -1;
  }
  if (i < 0 && StartSubclass(hWnd) < 0) return false;
  AddMsg(hWnd, ALL_MESSAGES, MSG_BEFORE);
  return true;
}

bool cFormSubclass::DeleteWindowMsg(HWND /*hWnd*/) { return false; }

int cFormSubclass::FindEntry(HWND hWnd, bool bAdding) const {
  for (int i = static_cast<int>(m_entries.size()) - 1; i >= 0; --i) {
    HWND window = m_entries[static_cast<size_t>(i)].window;
    if (bAdding ? window == nullptr : window == hWnd) return i;
  }
  return -1;
}

Record* cFormSubclass::RecordOf(HWND hWnd) const {
  int i = FindEntry(hWnd, false);
  return i < 0 ? nullptr : Resolve(m_entries[static_cast<size_t>(i)].routine);
}

int cFormSubclass::StartSubclass(HWND hWnd) {
  Record* routine = Acquire(MsgTable::kUnbounded);
  if (!routine) return -1;
  if (!Install(routine, hWnd, this, &cFormSubclass::zSubclass_ProcEntry, 0, false, true)) {
    Discard(routine);
    return -1;
  }
  int i = FindEntry(nullptr, true);
  if (i < 0) {
    m_entries.emplace_back();
    i = static_cast<int>(m_entries.size()) - 1;
  }
  m_entries[static_cast<size_t>(i)] = Entry{hWnd, RefOf(routine)};
  return i;
}

void cFormSubclass::StopSubclass(HWND hWnd) {
  int i = FindEntry(hWnd, false);
  if (i < 0) return;
  Entry& entry = m_entries[static_cast<size_t>(i)];
  // A call through the routine may still be running (this object is being released from inside
  // it): the record puts the previous procedure back when that call returns.
  if (Record* routine = Resolve(entry.routine)) RequestRelease(routine);
  entry = Entry{};
}

void cFormSubclass::StopAllSubclass() {
  for (int i = static_cast<int>(m_entries.size()) - 1; i >= 0; --i) {
    HWND window = m_entries[static_cast<size_t>(i)].window;
    if (window) StopSubclass(window);
  }
}

void cFormSubclass::AddMsg(HWND hWnd, UINT uMsg, eMsgWhen when) {
  Record* routine = RecordOf(hWnd);
  if (!routine) return;
  if (static_cast<int>(when) & static_cast<int>(MSG_BEFORE)) routine->before.Add(uMsg);
  if (static_cast<int>(when) & static_cast<int>(MSG_AFTER)) routine->after.Add(uMsg);
}

void cFormSubclass::DelMsg(HWND hWnd, UINT uMsg, eMsgWhen when) {
  Record* routine = RecordOf(hWnd);
  if (!routine) return;
  if (static_cast<int>(when) & static_cast<int>(MSG_BEFORE)) routine->before.Remove(uMsg);
  if (static_cast<int>(when) & static_cast<int>(MSG_AFTER)) routine->after.Remove(uMsg);
}

void cFormSubclass::zSubclass_ProcEntry(void* owner, bool bBefore, bool& bHandled,
                                        LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                                        LPARAM& lParam, LONG_PTR& /*lParamUser*/) {
  static_cast<cFormSubclass*>(owner)->zSubclass_Proc(bBefore, bHandled, lReturn, hWnd, uMsg,
                                                     wParam, lParam);
}

void cFormSubclass::zSubclass_Proc(bool bBefore, bool& bHandled, LRESULT& lReturn,
                                   HWND& lng_hWnd, UINT& uMsg, WPARAM& wParam, LPARAM& lParam) {
  if (!MsgCome) return;
  const LRESULT entryReturn = lReturn;
  const HWND entryWnd = lng_hWnd;
  const UINT entryMsg = uMsg;
  const WPARAM entryW = wParam;
  const LPARAM entryL = lParam;
  try {
    // The handler may destroy this object; nothing of it is touched afterwards.
    MsgCome(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
  } catch (...) {
    // The message goes on as it came.
    bHandled = false;
    lReturn = entryReturn;
    lng_hWnd = entryWnd;
    uMsg = entryMsg;
    wParam = entryW;
    lParam = entryL;
    win::LogError(L"cFormSubclass.MsgCome: handler failed with an exception, message " +
                  std::to_wstring(entryMsg));
  }
}

}  // namespace qorv::subclass

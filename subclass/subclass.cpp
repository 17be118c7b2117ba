#include "subclass/subclass.h"

#include <commctrl.h>

#include <string>

#include "base/win/handles.h"
#include "base/win/log.h"

namespace qorv::subclass {
namespace {

constexpr wchar_t kOverflowText[] =
    L"Message table overflow. Either increase the value of Const MSG_ENTRIES or use ALL_MESSAGES "
    L"instead of specific message values";

// Whether module exports function; the module is loaded for the question only.
bool zIsExported(const char* function, const wchar_t* module) {
  win::UniqueModule h(::LoadLibraryW(module));
  return h && ::GetProcAddress(h.Get(), function) != nullptr;
}

}  // namespace

CSubclass::CSubclass() : bUser32Track(zIsExported("TrackMouseEvent", L"User32")) {}

CSubclass::~CSubclass() { ssc_Terminate(); }

void CSubclass::zLogError(const wchar_t* routine, const std::wstring& message) {
  std::wstring text = L"CSubclass.";
  text += routine;
  text += L": ";
  text += message;
  win::ReportEventError(text);
}

Callback CSubclass::zFindCallback(int nOrdinal) const {
  return nOrdinal == 1 ? &CSubclass::zRaiseWindowProcEntry : nullptr;
}

bool CSubclass::ssc_Subclass(HWND hWnd, LONG_PTR lParamUser, int nOrdinal, bool /*bIdeSafety*/,
                             bool& bUnicode, bool bIsAPIwindow) {
  constexpr wchar_t kRoutine[] = L"ssc_Subclass";
  if (!::IsWindow(hWnd)) {
    zLogError(kRoutine, L"Invalid window handle");
    return false;
  }
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hWnd, &pid);
  if (pid != ::GetCurrentProcessId()) {
    zLogError(kRoutine, L"Window handle belongs to another process");
    return false;
  }
  Callback callback = zFindCallback(nOrdinal);
  if (!callback) {
    zLogError(kRoutine, L"Callback method not found");
    return false;
  }
  Thunk thunk = Acquire(MSG_ENTRIES);
  if (!thunk) {
    // Every record of the pool is in use: the same failure as running out of memory.
    zLogError(kRoutine, L"VirtualAlloc failed, error: " + std::to_wstring(ERROR_NOT_ENOUGH_MEMORY));
    return false;
  }
  if (!m_thunks) m_thunks.emplace();
  for (auto it = m_thunks->begin(); it != m_thunks->end(); ++it) {
    if (it->first != hWnd) continue;
    Record* existing = Resolve(it->second);
    if (existing && existing->release == kActive) {
      zLogError(kRoutine, L"Window handle is already subclassed");
      Discard(thunk);
      return false;
    }
    // The key of a hook that released itself when its window was destroyed; the handle now
    // names a new window.
    m_thunks->erase(it);
    break;
  }
  m_thunks->emplace_back(hWnd, RefOf(thunk));

  if (bUnicode) bUnicode = ::IsWindowUnicode(hWnd) != FALSE;
  if (!Install(thunk, hWnd, this, callback, lParamUser, bIsAPIwindow, bUnicode)) {
    DWORD error = ::GetLastError();
    zLogError(kRoutine, L"SetWindowLong failed, error #" + std::to_wstring(error));
    Discard(thunk);
    m_thunks->pop_back();
    return false;
  }
  return true;
}

CSubclass::Thunk CSubclass::zMap_VFunction(HWND hWnd, bool bIgnoreErrors) {
  if (!m_thunks) {
    zLogError(L"zMap_VFunction", L"Thunk hasn't been initialized");
    return nullptr;
  }
  if (m_thunks->empty()) return nullptr;
  for (const auto& [key, ref] : *m_thunks) {
    if (key == hWnd) return Resolve(ref);
  }
  if (!bIgnoreErrors) zLogError(L"zMap_VFunction", L"Thunk type for  does not exist");
  return nullptr;
}

void CSubclass::zUnhook(HWND hWnd) {
  if (Thunk thunk = zMap_VFunction(hWnd, true)) RequestRelease(thunk);
  if (!m_thunks) return;
  for (auto it = m_thunks->begin(); it != m_thunks->end(); ++it) {
    if (it->first == hWnd) {
      m_thunks->erase(it);
      break;
    }
  }
}

void CSubclass::zUnhookAll() {
  if (!m_thunks) return;
  // zUnhook edits the map; walk a copy, last hooked first.
  const auto thunks = *m_thunks;
  for (auto it = thunks.rbegin(); it != thunks.rend(); ++it) {
    if (Record* thunk = Resolve(it->second)) zUnhook(thunk->hwnd);
  }
  m_thunks.reset();
}

void CSubclass::ssc_UnSubclass(HWND hWnd) { zUnhook(hWnd); }

void CSubclass::ssc_Terminate() { zUnhookAll(); }

LRESULT CSubclass::ssc_CallOrigWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  Thunk thunk = zMap_VFunction(hWnd, false);
  if (!thunk) return 0;
  // The W function whatever the window was hooked with: the previous procedure is called as a
  // Unicode procedure by the hook too, so text parameters keep one meaning.
  return ::CallWindowProcW(thunk->previous, hWnd, uMsg, wParam, lParam);
}

bool CSubclass::zAddMsg(UINT uMsg, MsgTable& table) {
  if (table.Add(uMsg)) return true;
  zLogError(L"zAddMsg", kOverflowText);
  return false;
}

void CSubclass::zRemoveMsg(UINT uMsg, MsgTable& table) { table.Remove(uMsg); }

void CSubclass::ssc_AddMsg(HWND hWnd, UINT uMsg, HookWhen When) {
  Thunk thunk = zMap_VFunction(hWnd, false);
  if (!thunk) return;
  if (static_cast<int>(When) & static_cast<int>(kMsgBefore)) zAddMsg(uMsg, thunk->before);
  if (static_cast<int>(When) & static_cast<int>(kMsgAfter)) zAddMsg(uMsg, thunk->after);
}

void CSubclass::ssc_DelMsg(HWND hWnd, HookWhen When, std::initializer_list<MsgListItem> Messages) {
  Thunk thunk = zMap_VFunction(hWnd, false);
  if (!thunk) return;
  for (const MsgListItem& item : Messages) {
    if (!item.valid) continue;
    if (static_cast<int>(When) & static_cast<int>(kMsgBefore)) zRemoveMsg(item.uMsg, thunk->before);
    if (static_cast<int>(When) & static_cast<int>(kMsgAfter)) zRemoveMsg(item.uMsg, thunk->after);
  }
}

LONG_PTR CSubclass::zGet_lParamUser(HWND hWnd_Hook_ID) {
  Thunk thunk = zMap_VFunction(hWnd_Hook_ID, false);
  return thunk ? thunk->lParamUser : 0;
}

void CSubclass::zSet_lParamUser(HWND hWnd_Hook_ID, LONG_PTR NewValue) {
  if (Thunk thunk = zMap_VFunction(hWnd_Hook_ID, false)) thunk->lParamUser = NewValue;
}

void CSubclass::TrackMouseTracking(HWND hWnd) {
  TRACKMOUSEEVENT tme{};
  tme.cbSize = sizeof(tme);
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = hWnd;
  tme.dwHoverTime = 0;
  if (bUser32Track) {
    ::TrackMouseEvent(&tme);
  } else {
    ::_TrackMouseEvent(&tme);
  }
}

void CSubclass::zRaiseWindowProcEntry(void* owner, bool bBefore, bool& bHandled, LRESULT& lReturn,
                                      HWND& hWnd, UINT& uMsg, WPARAM& wParam, LPARAM& lParam,
                                      LONG_PTR& lParamUser) {
  static_cast<CSubclass*>(owner)->zRaiseWindowProc(bBefore, bHandled, lReturn, hWnd, uMsg, wParam,
                                                   lParam, lParamUser);
}

void CSubclass::zRaiseWindowProc(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hWnd,
                                 UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) {
  if (!WindowProc) return;
  const LRESULT entryReturn = lReturn;
  try {
    // The handler may destroy this object; nothing of it is touched afterwards.
    WindowProc(bBefore, bHandled, lReturn, hWnd, uMsg, wParam, lParam, lParamUser);
  } catch (...) {
    // The message gets the handling it would have had without the handler.
    bHandled = false;
    lReturn = entryReturn;
    win::LogError(L"CSubclass.WindowProc: handler failed with an exception, message " +
                  std::to_wstring(uMsg));
  }
}

}  // namespace qorv::subclass

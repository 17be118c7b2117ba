#include "subclass/window_hook.h"

#include <array>
#include <utility>

namespace qorv::subclass {
namespace {

Record g_records[kPoolSize];
int g_live = 0;

LRESULT Dispatch(Record& r, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// One compiled procedure per pool slot; each reaches its own record by address.
template <std::size_t I>
LRESULT CALLBACK SlotProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return Dispatch(g_records[I], hWnd, uMsg, wParam, lParam);
}

template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeProcs(std::index_sequence<I...>) {
  return {&SlotProc<I>...};
}

constexpr std::array<WNDPROC, kPoolSize> kProcs = MakeProcs(std::make_index_sequence<kPoolSize>());

std::size_t IndexOf(const Record* r) { return static_cast<std::size_t>(r - g_records); }

// Whether the previous procedure can be called without CallWindowProcW. SetWindowLongPtrW hands
// back either a Unicode procedure or a handle that only CallWindowProcW understands (a procedure
// of the other character set, 0xFFFFxxxx); what is code inside a loaded module is the former.
// Calling it directly saves CallWindowProcW's look-up on every message, which costs about as
// much as the whole message dispatch before it.
bool IsModuleCode(WNDPROC proc) {
  const auto value = reinterpret_cast<uintptr_t>(proc);
  if (value == 0 || (value >> 16) == 0xFFFF) return false;
  MEMORY_BASIC_INFORMATION info{};
  if (::VirtualQuery(reinterpret_cast<const void*>(proc), &info, sizeof info) != sizeof info) {
    return false;
  }
  constexpr DWORD kExecutable =
      PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return info.State == MEM_COMMIT && info.Type == MEM_IMAGE && (info.Protect & kExecutable) != 0 &&
         (info.Protect & PAGE_GUARD) == 0;
}

LRESULT CallPrevious(const Record& r, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (r.directPrevious) return r.previous(hWnd, uMsg, wParam, lParam);
  return ::CallWindowProcW(r.previous, hWnd, uMsg, wParam, lParam);
}

void CancelReleaseTimer(Record& r) {
  if (r.timer != 0) {
    ::KillTimer(nullptr, r.timer);
    r.timer = 0;
  }
}

void ReturnToPool(Record& r) {
  CancelReleaseTimer(r);
  r.nesting = 0;
  r.release = kActive;
  r.hwnd = nullptr;
  r.previous = nullptr;
  r.directPrevious = false;
  r.owner = nullptr;
  r.callback = nullptr;
  r.before.Reset(0);
  r.after.Reset(0);
  r.lParamUser = 0;
  r.destroyOnInvalid = false;
  r.unicode = false;
  ++r.generation;
  r.inUse = false;
  --g_live;
}

void CALLBACK ReleaseTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  for (Record& r : g_records) {
    if (r.inUse && r.timer == id) {
      CancelReleaseTimer(r);
      // A call that came in through a chained procedure after the timer was armed is still
      // running: its exit arms the timer again.
      if (r.nesting == 0) ReturnToPool(r);
      return;
    }
  }
  ::KillTimer(nullptr, id);
}

void ArmReleaseTimer(Record& r) {
  CancelReleaseTimer(r);
  r.timer = ::SetTimer(nullptr, 0, 100, ReleaseTimerProc);
}

// Runs when the record has a release flag and no call through it is active.
void Unhook(Record& r) {
  const WNDPROC own = kProcs[IndexOf(&r)];
  HWND hWnd = r.hwnd;
  const bool alive = ::IsWindow(hWnd) != FALSE;
  const bool onTop =
      alive && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == own;
  if (onTop) {
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(r.previous));
  } else if (alive && r.release != kReleaseNcDestroy) {
    // Someone subclassed the window after us and still calls us as their previous procedure:
    // putting ours back would cut them out. Keep passing messages on; the next one that finds us
    // on top again unhooks.
    return;
  }
  // The timer is armed before DestroyWindow so that nothing of the record is touched after it.
  ArmReleaseTimer(r);
  if (r.release == kReleaseInvalidCallback && r.destroyOnInvalid && alive) ::DestroyWindow(hWnd);
}

LRESULT Dispatch(Record& r, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (!r.inUse) {
    // A procedure address still held by some chain after its record went back to the pool: there
    // is no previous procedure to call any more.
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  }
  LRESULT lReturn = 0;
  ++r.nesting;

  if (r.release == kActive && (r.owner == nullptr || r.callback == nullptr)) {
    r.release = kReleaseInvalidCallback;
  }
  if (r.release == kActive) {
    HWND h = hWnd;
    UINT m = uMsg;
    WPARAM w = wParam;
    LPARAM l = lParam;
    bool bHandled = false;
    if (r.before.Selects(uMsg)) {
      r.callback(r.owner, true, bHandled, lReturn, h, m, w, l, r.lParamUser);
    }
    if (!bHandled) {
      CancelReleaseTimer(r);
      lReturn = CallPrevious(r, h, m, w, l);
      // The owner may have let go during either call (its tables are off then); a window
      // destroyed meanwhile still gets its after call.
      if (r.owner != nullptr && r.after.Selects(m)) {
        bool handled = false;
        r.callback(r.owner, false, handled, lReturn, h, m, w, l, r.lParamUser);
      }
    }
  } else {
    CancelReleaseTimer(r);
    lReturn = CallPrevious(r, hWnd, uMsg, wParam, lParam);
  }

  --r.nesting;
  if (uMsg == WM_NCDESTROY) r.release = kReleaseNcDestroy;
  if (r.nesting == 0 && r.release != kActive) Unhook(r);
  return lReturn;
}

}  // namespace

Record* Acquire(std::size_t tableCapacity) {
  if (g_live == static_cast<int>(kPoolSize)) {
    // Records let go by their owners whose windows were destroyed while someone else's procedure
    // sat on top of ours never saw WM_NCDESTROY; nothing can call them any more.
    for (Record& r : g_records) {
      if (r.inUse && r.release != kActive && r.nesting == 0 && !::IsWindow(r.hwnd)) {
        ReturnToPool(r);
      }
    }
  }
  for (Record& r : g_records) {
    if (!r.inUse) {
      r.inUse = true;
      r.nesting = 0;
      r.release = kActive;
      r.before.Reset(tableCapacity);
      r.after.Reset(tableCapacity);
      ++g_live;
      return &r;
    }
  }
  return nullptr;
}

void Discard(Record* record) {
  if (record && record->inUse) ReturnToPool(*record);
}

WNDPROC ProcOf(const Record* record) { return kProcs[IndexOf(record)]; }

bool Install(Record* record, HWND hWnd, void* owner, Callback callback, LONG_PTR lParamUser,
             bool destroyOnInvalid, bool unicode) {
  Record& r = *record;
  r.hwnd = hWnd;
  r.owner = owner;
  r.callback = callback;
  r.lParamUser = lParamUser;
  r.destroyOnInvalid = destroyOnInvalid;
  r.unicode = unicode;
  ::SetLastError(0);
  LONG_PTR previous =
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kProcs[IndexOf(&r)]));
  if (previous == 0) return false;
  r.previous = reinterpret_cast<WNDPROC>(previous);
  r.directPrevious = IsModuleCode(r.previous);
  return true;
}

Record* Resolve(Ref ref) {
  if (ref.record == nullptr) return nullptr;
  if (!ref.record->inUse || ref.record->generation != ref.generation) return nullptr;
  return ref.record;
}

void RequestRelease(Record* record) {
  Record& r = *record;
  if (!r.inUse) return;
  r.owner = nullptr;
  r.callback = nullptr;
  r.before.Remove(ALL_MESSAGES);
  r.after.Remove(ALL_MESSAGES);
  if (r.release == kActive) r.release = kReleaseRequested;
  if (r.nesting == 0 && r.timer == 0) Unhook(r);
}

int LiveRecords() { return g_live; }

}  // namespace qorv::subclass

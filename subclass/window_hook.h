// The interception record behind CSubclass and cFormSubclass: one per hooked window, each with a
// window procedure of its own. The procedures are compiled functions taken from a fixed pool, so
// a window's procedure address identifies its record even when other subclassers chain in
// between, and no code is generated at run time.
//
// A record calls its owner back before and/or after the previous window procedure, as its two
// tables select. The owner may be released at any time, even from inside its own callback: a
// record is only marked for release then, keeps passing messages on, puts the previous procedure
// back once no call through it is active, and returns to the pool 100 ms later (a thread timer),
// so that nothing a running call still uses is ever reused under it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "subclass/msg_table.h"

namespace qorv::subclass {

// The release flag of a record. Any non-zero value means: no more callbacks, unhook when the
// nesting count is back to 0.
enum ReleaseFlag : uint32_t {
  kActive = 0,
  kReleaseRequested = 1,
  kReleaseInvalidCallback = 0x82,  // owner gone without unhooking; may destroy the window
  kReleaseNcDestroy = 0x8000,      // the window has had WM_NCDESTROY
};

// The owner's callback. hWnd, uMsg, wParam and lParam are the record's own cells: a before call
// may change them and the previous procedure then receives the changed values.
using Callback = void (*)(void* owner, bool bBefore, bool& bHandled, LRESULT& lReturn, HWND& hWnd,
                          UINT& uMsg, WPARAM& wParam, LPARAM& lParam, LONG_PTR& lParamUser);

struct Record {
  int32_t nesting = 0;        // calls through this record's procedure still active
  uint32_t release = kActive;
  HWND hwnd = nullptr;
  WNDPROC previous = nullptr;  // what the window had before us
  bool directPrevious = false; // previous is plain Unicode code in a module: call it directly
  void* owner = nullptr;       // null once the owner let go
  Callback callback = nullptr;
  MsgTable before;
  MsgTable after;
  LONG_PTR lParamUser = 0;
  bool destroyOnInvalid = false;  // destroy the window when unhooking for kReleaseInvalidCallback
  bool unicode = false;           // what the owner asked for; the W functions are used regardless
  UINT_PTR timer = 0;             // pending return to the pool
  uint32_t generation = 0;        // bumped when the record returns to the pool
  bool inUse = false;
};

// A reference that can tell when its record went back to the pool (possibly to serve another
// window by now).
struct Ref {
  Record* record = nullptr;
  uint32_t generation = 0;
};

inline constexpr std::size_t kPoolSize = 256;

// Takes a free record (tables empty, with the given capacity); nullptr when the pool is empty.
Record* Acquire(std::size_t tableCapacity);
// Gives back a record that was never installed.
void Discard(Record* record);
// The window procedure that belongs to the record.
WNDPROC ProcOf(const Record* record);
// Installs the record's procedure on hWnd. On success the record is live and the previous
// procedure stored; on failure returns false with the record still to be discarded.
bool Install(Record* record, HWND hWnd, void* owner, Callback callback, LONG_PTR lParamUser,
             bool destroyOnInvalid, bool unicode);
// The live record behind ref, or nullptr when it was released and returned to the pool.
Record* Resolve(Ref ref);
inline Ref RefOf(Record* record) { return {record, record ? record->generation : 0}; }
// The owner lets go: no more callbacks, both tables off. The previous procedure is put back at
// once when no call through the record is active, otherwise when the last one returns.
void RequestRelease(Record* record);

// Records taken from the pool and not yet returned (diagnostics and tests).
int LiveRecords();

}  // namespace qorv::subclass

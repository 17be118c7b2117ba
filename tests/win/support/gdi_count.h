// Live GDI objects of this process, for leak tests. Where the system does not count them
// (GetGuiResources gives 0 under Wine), the handle table is walked: a handle value without its
// high word names its table slot there.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qorv::test {

inline long GdiObjectCount() {
  DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  if (n) return static_cast<long>(n);
  long count = 0;
  for (uintptr_t i = 1; i < 0x10000; ++i) {
    count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
  }
  return count;
}

}  // namespace qorv::test

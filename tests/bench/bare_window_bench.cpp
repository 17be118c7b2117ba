// The baseline for start-up timing: a bare Win32 program that shows one window and runs its
// message loop until the window is closed.
#include <windows.h>

#include "bench/one_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return qorv::bench::ShowOneWindowAndRun(instance, L"Qorv.BareWindow");
}

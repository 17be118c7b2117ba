/* Stands in for a library someone dropped beside a program: loading it leaves a file named after
   it ("<path of the DLL>.loaded"), so a test can tell it was loaded even if nothing calls it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    WCHAR path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcpyW(path + n, L".loaded");
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}

__declspec(dllexport) int WINAPI QorvPlanted(void) { return 1; }

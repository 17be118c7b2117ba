#include "base/win/system_libraries.h"

#include <windows.h>

#include <delayimp.h>

#include "base/text.h"
#include "base/win/log.h"

extern "C" {
extern IMAGE_DOS_HEADER __ImageBase;
FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot);

// The linker fills in the descriptor of each delayed library the program calls into and leaves
// the others null: a weak reference does not pull a library in. (The linker does not fill the
// image's delay-import directory, so the descriptors cannot be found from the headers.)
#define QORV_DELAY_IMPORT(lib) extern const ImgDelayDescr __DELAY_IMPORT_DESCRIPTOR_##lib __attribute__((weak));
#include "delay_imports.inc"
#undef QORV_DELAY_IMPORT
}

namespace {
#define QORV_DELAY_IMPORT(lib) &__DELAY_IMPORT_DESCRIPTOR_##lib,
const ImgDelayDescr* const kDelayedLibraries[] = {
#include "delay_imports.inc"
};
#undef QORV_DELAY_IMPORT
}  // namespace

namespace qorv::win {
namespace {

// Where the failure hook writes while LoadSystemLibrariesOnly binds; null otherwise.
std::vector<LibraryLoadFailure>* g_bindFailures = nullptr;

// Stands in for a function the system lacks. Only reachable if a program went on after
// LoadSystemLibrariesOnly reported it; there is no value it could return that would mean
// "failed" to every caller (for bcrypt and GDI+ zero means success), so it ends the process.
[[noreturn]] void EndOnMissingFunction() {
  LogError(L"a function of a system library that is missing was called; ending");
  ::ExitProcess(ERROR_PROC_NOT_FOUND);
}

// Every delayed load, whenever it happens (even from a static initialiser, before wWinMain has
// restricted the search), comes from the system folder. Returning null lets the runtime's
// helper fall back to LoadLibraryA, which by then searches the system folder only as well.
FARPROC WINAPI OnDelayLoadNotice(unsigned notice, PDelayLoadInfo info) {
  if (notice != dliNotePreLoadLibrary) return nullptr;
  return reinterpret_cast<FARPROC>(
      ::LoadLibraryExA(info->szDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

// A missing function would otherwise raise an exception nobody handles.
FARPROC WINAPI OnDelayLoadFailure(unsigned notice, PDelayLoadInfo info) {
  if (notice != dliFailGetProc) return nullptr;
  if (g_bindFailures) {
    std::wstring function = info->dlp.fImportByName
                                ? Utf8ToWide(info->dlp.szProcName)
                                : L"#" + std::to_wstring(info->dlp.dwOrdinal);
    g_bindFailures->push_back({Utf8ToWide(info->szDll), function, info->dwLastError});
  }
  return reinterpret_cast<FARPROC>(&EndOnMissingFunction);
}

// Binds every function of one delayed library now, through the runtime's own helper, so the
// import table holds what a call would have bound later.
void BindAll(const ImgDelayDescr& descriptor) {
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<uintptr_t>(&__ImageBase));
  const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor.rvaINT);
  auto* slots = reinterpret_cast<FARPROC*>(const_cast<BYTE*>(base + descriptor.rvaIAT));
  for (size_t i = 0; names[i].u1.AddressOfData != 0; ++i) ::__delayLoadHelper2(&descriptor, &slots[i]);
}

}  // namespace
}  // namespace qorv::win

// The runtime's delay-load helper reads these; defining them here keeps the runtime's empty ones
// out of any program that links this file.
extern "C" {
PfnDliHook __pfnDliNotifyHook2 = qorv::win::OnDelayLoadNotice;
PfnDliHook __pfnDliFailureHook2 = qorv::win::OnDelayLoadFailure;
}

namespace qorv::win {

std::vector<LibraryLoadFailure> LoadSystemLibrariesOnly() {
  std::vector<LibraryLoadFailure> failures;
  if (!::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    failures.push_back({L"kernel32.dll", L"SetDefaultDllDirectories", ::GetLastError()});
    return failures;
  }
  // LoadLibraryEx with LOAD_WITH_ALTERED_SEARCH_PATH (COM and shell code use it) bypasses the
  // default directories and would still look in the current folder.
  ::SetDllDirectoryW(L"");

  for (const ImgDelayDescr* descriptor : kDelayedLibraries) {
    if (descriptor) BindDelayedLibrary(descriptor, failures);
  }
  return failures;
}

void BindDelayedLibrary(const void* descriptor, std::vector<LibraryLoadFailure>& failures) {
  const auto& library = *static_cast<const ImgDelayDescr*>(descriptor);
  const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<uintptr_t>(&__ImageBase));
  const char* name = reinterpret_cast<const char*>(base + library.rvaDLLName);
  // Checked first: the helper has no way to fail a missing library but an exception.
  HMODULE loaded = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!loaded) {
    failures.push_back({Utf8ToWide(name), {}, ::GetLastError()});
    return;
  }
  g_bindFailures = &failures;
  BindAll(library);
  g_bindFailures = nullptr;
  ::FreeLibrary(loaded);  // the helper holds its own reference
}

void ReportLibraryLoadFailures(const std::vector<LibraryLoadFailure>& failures) {
  if (failures.empty()) return;
  std::wstring shown;
  for (const auto& failure : failures) {
    std::wstring what = failure.library;
    if (!failure.function.empty()) what += L" " + failure.function;
    LogError(L"system library missing: " + what + L" (error " + std::to_wstring(failure.error) +
             L")");
    if (!shown.empty()) continue;
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, failure.error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    shown = what + L"\r\n" + (text ? text : L"");
    if (text) ::LocalFree(text);
  }
  ::MessageBoxW(nullptr, shown.c_str(), nullptr, MB_ICONERROR | MB_OK);
}

}  // namespace qorv::win

// Where the program's libraries come from. A library that is not one of the system's known DLLs is
// looked for beside the executable first, so anyone who can write a file into the install folder
// or the updater's folder could have their own code run in place of it. The programs therefore
// link those libraries for delayed loading (cmake/delay_import.cmake) and, first thing in
// wWinMain, restrict the search to the system folder and bind every delayed import from there.
#pragma once

#include <string>
#include <vector>

namespace qorv::win {

// One library or function of the program's delayed imports that the system folder lacks.
struct LibraryLoadFailure {
  std::wstring library;
  std::wstring function;  // empty when the library itself could not be loaded
  unsigned long error = 0;  // ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND, ...
  bool operator==(const LibraryLoadFailure&) const = default;
};

// Limits this process's library search to the system folder (and takes the current folder out of
// the older search order), then loads every library of the executable's delayed imports from the
// system folder and binds all their functions. Returns what could not be bound: the program must
// not go on then, since a call to a missing function could only end the process.
std::vector<LibraryLoadFailure> LoadSystemLibrariesOnly();

// Loads one library of the executable's delayed imports from the system folder and binds all its
// functions; what is missing is added to `failures`. `descriptor` is the library's
// __DELAY_IMPORT_DESCRIPTOR_ symbol (the linker's, from the delayed import library).
void BindDelayedLibrary(const void* descriptor, std::vector<LibraryLoadFailure>& failures);

// Logs the failures and tells the player, in the system's own words, which library is missing.
void ReportLibraryLoadFailures(const std::vector<LibraryLoadFailure>& failures);

}  // namespace qorv::win

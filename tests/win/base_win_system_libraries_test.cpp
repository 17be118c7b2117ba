// The start-up's binding of delayed imports: a library that lies only beside the program is never
// loaded, and a missing library or function is reported instead of raising an exception.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/win/system_libraries.h"

// From tests/win/delay_winmm.def and delay_planted.def, linked for delayed loading.
extern "C" {
__declspec(dllimport) DWORD WINAPI timeGetTime();
__declspec(dllimport) void WINAPI QorvNoSuchFunction();
__declspec(dllimport) int WINAPI QorvPlanted();
extern const char __DELAY_IMPORT_DESCRIPTOR_libqorv_test_winmm_delay_a[];
extern const char __DELAY_IMPORT_DESCRIPTOR_libqorv_test_planted_delay_a[];
}

namespace qorv {
namespace {

std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

// Where a delayed import's slot points (the slot is what the dllimport address reads).
template <class F>
void* Slot(F* function) {
  return reinterpret_cast<void*>(function);
}

TEST(SystemLibraries, OnlyTheSystemFolderIsSearchedAndWhatIsMissingIsReported) {
  // The planted library really is there and loadable by the usual search (with Wine's native
  // load for a name it has no builtin of), so its absence below is the search's doing.
  ASSERT_NE(::GetFileAttributesW(BesideThisProgram(L"qorv_planted.dll").c_str()),
            INVALID_FILE_ATTRIBUTES);
  const std::wstring marker = BesideThisProgram(L"qorv_planted.dll") + L".loaded";
  ::DeleteFileW(marker.c_str());  // left by an earlier run that did load it
  ASSERT_TRUE(win::LoadSystemLibrariesOnly().empty());
  ASSERT_EQ(::GetModuleHandleW(L"qorv_planted.dll"), nullptr);

  struct Case {
    const char* descriptor;
    std::vector<win::LibraryLoadFailure> expected;
  } cases[] = {
      {__DELAY_IMPORT_DESCRIPTOR_libqorv_test_winmm_delay_a,
       {{L"winmm.dll", L"QorvNoSuchFunction", ERROR_PROC_NOT_FOUND}}},
      {__DELAY_IMPORT_DESCRIPTOR_libqorv_test_planted_delay_a,
       {{L"qorv_planted.dll", L"", ERROR_MOD_NOT_FOUND}}},
  };
  for (const auto& c : cases) {
    std::vector<win::LibraryLoadFailure> failures;
    win::BindDelayedLibrary(c.descriptor, failures);
    ASSERT_EQ(failures.size(), c.expected.size());
    for (size_t i = 0; i < failures.size(); ++i) {
      EXPECT_TRUE(failures[i] == c.expected[i])
          << "got " << testing::PrintToString(failures[i].library) << " "
          << testing::PrintToString(failures[i].function) << " error " << failures[i].error;
    }
  }
  EXPECT_EQ(::GetModuleHandleW(L"qorv_planted.dll"), nullptr);
  EXPECT_EQ(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);

  // The function the library has was bound beside the missing one, and calls through.
  HMODULE winmm = ::GetModuleHandleW(L"winmm.dll");
  ASSERT_NE(winmm, nullptr);
  EXPECT_EQ(Slot(&timeGetTime), reinterpret_cast<void*>(::GetProcAddress(winmm, "timeGetTime")));
  EXPECT_GT(timeGetTime(), 0u);
}

// Read through volatile so the compiler keeps the references that make the linker keep these
// imports (never called: a missing function's stand-in ends the process).
void* volatile g_missingImports[] = {Slot(&QorvNoSuchFunction), Slot(&QorvPlanted)};

}  // namespace
}  // namespace qorv

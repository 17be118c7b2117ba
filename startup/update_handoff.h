// The command line that hands an update from the client to the updater: the client's directory,
// "|", the client's executable path. The client builds it; the updater reads it back.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qorv::startup {

// The updater is written to and started from a folder of its own under the user's local
// application data, "BrindleQorvane\Updater\<32 hex digits>", named from 16 random bytes: no
// one can place a file (a library it would load) there ahead of it, as anyone could beside it in
// the shared temporary directory.
inline constexpr wchar_t kUpdaterFoldersPath[] = L"BrindleQorvane\\Updater\\";
std::wstring UpdaterFolderName(const std::array<uint8_t, 16>& random);
// Whether a name is one UpdaterFolderName gives: only those are ever removed.
bool IsUpdaterFolderName(std::wstring_view name);

// From the running executable's full path: "C:\Games\Qorv|C:\Games\Qorv\qorv.exe". A drive's
// root keeps its backslash, so the path then has two after the colon ("C:\|C:\\qorv.exe").
std::wstring BuildUpdaterCommandLine(std::wstring_view executablePath);

struct UpdaterCommand {
  std::wstring directory;   // field 0, always ending in "\" (empty when it was not given)
  std::wstring clientFile;  // field 1: the old client, removed once the update is complete
};
UpdaterCommand ParseUpdaterCommandLine(std::wstring_view arguments);

// Whether a directory is an absolute Windows path ("C:\..." or "\\server\share\..."): the only
// kind the updater writes into, so an empty or relative field 0 never lands files in whatever the
// current directory happens to be.
bool IsAbsoluteDirectory(std::wstring_view directory);

// Whether two Windows paths name the same file as far as their text tells: letter case of ASCII
// letters and repeated separators do not count ("C:\\qorv.exe" is "c:\QORV.EXE").
bool SamePath(std::wstring_view a, std::wstring_view b);

}  // namespace qorv::startup

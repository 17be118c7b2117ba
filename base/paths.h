// Path rules shared by the client and the updater.
#pragma once

#include <string>
#include <string_view>

namespace qorv {

// GetTempPath's buffer to a directory path: cut at the first NUL, and end it with "\".
// An empty result (the system gave no path) stays empty, so no caller writes to a drive's root.
std::wstring NormalizeTempDir(std::wstring_view buffer);

// The directory part of a full path, without a trailing "\" except for a drive's root ("C:\").
std::wstring DirectoryOf(std::wstring_view fullPath);

// The file's base name without its last extension ("C:\a\qorv.exe" -> "qorv").
std::wstring BaseNameWithoutExtension(std::wstring_view fullPath);

}  // namespace qorv

#include "base/paths.h"

namespace qorv {

std::wstring NormalizeTempDir(std::wstring_view buffer) {
  std::wstring dir(buffer.substr(0, buffer.find(L'\0')));
  if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
  return dir;
}

std::wstring DirectoryOf(std::wstring_view fullPath) {
  size_t slash = fullPath.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return {};
  std::wstring dir(fullPath.substr(0, slash));
  if (dir.size() == 2 && dir[1] == L':') dir += L'\\';  // "C:" alone would mean the current dir
  return dir;
}

std::wstring BaseNameWithoutExtension(std::wstring_view fullPath) {
  size_t slash = fullPath.find_last_of(L"\\/");
  std::wstring_view name = slash == std::wstring_view::npos ? fullPath : fullPath.substr(slash + 1);
  size_t dot = name.find_last_of(L'.');
  return std::wstring(dot == std::wstring_view::npos ? name : name.substr(0, dot));
}

}  // namespace qorv

#include "startup/update_handoff.h"

#include "base/paths.h"
#include "base/text.h"
#include "startup/update_integrity.h"

namespace qorv::startup {

std::wstring UpdaterFolderName(const std::array<uint8_t, 16>& random) {
  return LowerHex(random.data(), random.size());
}

bool IsUpdaterFolderName(std::wstring_view name) {
  if (name.size() != 32) return false;
  for (wchar_t c : name) {
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  }
  return true;
}

std::wstring BuildUpdaterCommandLine(std::wstring_view executablePath) {
  std::wstring dir = DirectoryOf(executablePath);
  return dir + L"|" + dir + L"\\" + BaseNameWithoutExtension(executablePath) + L".exe";
}

namespace {

// A field as typed or passed by a shell: quotes (never part of a Windows path) and the spaces
// around the field are dropped, so "C:\Program Files\Qorv|..." reads the same quoted or not.
std::wstring CleanField(std::wstring_view field) {
  std::wstring out;
  for (wchar_t c : field) {
    if (c != L'"') out += c;
  }
  return TrimSpaces(out);
}

}  // namespace

UpdaterCommand ParseUpdaterCommandLine(std::wstring_view arguments) {
  UpdaterCommand command;
  size_t bar = arguments.find(L'|');
  command.directory = CleanField(arguments.substr(0, bar));
  if (bar != std::wstring_view::npos) {
    std::wstring_view rest = arguments.substr(bar + 1);
    command.clientFile = CleanField(rest.substr(0, rest.find(L'|')));
  }
  if (!command.directory.empty() && command.directory.back() != L'\\') command.directory += L'\\';
  return command;
}

bool IsAbsoluteDirectory(std::wstring_view directory) {
  auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  bool drive = directory.size() >= 3 && isLetter(directory[0]) && directory[1] == L':' &&
               directory[2] == L'\\';
  bool unc = directory.size() >= 3 && directory[0] == L'\\' && directory[1] == L'\\' &&
             directory[2] != L'\\';
  return drive || unc;
}

namespace {

std::wstring Canonical(std::wstring_view path) {
  std::wstring out;
  out.reserve(path.size());
  for (size_t i = 0; i < path.size(); ++i) {
    wchar_t c = path[i] == L'/' ? L'\\' : path[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    // Keep the two leading backslashes of a UNC path; collapse every other run.
    if (c == L'\\' && !out.empty() && out.back() == L'\\' && i > 1) continue;
    out += c;
  }
  return out;
}

}  // namespace

bool SamePath(std::wstring_view a, std::wstring_view b) { return Canonical(a) == Canonical(b); }

}  // namespace qorv::startup

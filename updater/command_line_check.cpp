#include "updater/command_line_check.h"

#include "base/text.h"
#include "startup/manifest.h"

namespace qorv::updater {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool EndsWithExe(std::wstring_view name) {
  return name.size() > 4 && AsciiLower(name.substr(name.size() - 4)) == L".exe";
}

// "C:\" followed by folder names, each followed by one "\" (the parser appends the last one).
CommandLineVerdict CheckDirectory(std::wstring_view dir) {
  if (dir.empty()) return CommandLineVerdict::NoDirectory;
  if (dir.size() < 3 || !IsDriveLetter(dir[0]) || dir[1] != L':' || dir[2] != L'\\') {
    return CommandLineVerdict::NotLocal;
  }
  std::wstring_view rest = dir.substr(3);
  while (!rest.empty()) {
    size_t end = rest.find(L'\\');
    if (end == std::wstring_view::npos) return CommandLineVerdict::BadDirectory;
    // A folder name obeys the rules of a file name: no "..", no device, no stream, no "/".
    if (!startup::IsSafeFileName(rest.substr(0, end))) return CommandLineVerdict::BadDirectory;
    rest.remove_prefix(end + 1);
  }
  return CommandLineVerdict::Ok;
}

}  // namespace

const wchar_t* CommandLineVerdictText(CommandLineVerdict verdict) {
  switch (verdict) {
    case CommandLineVerdict::Ok: return L"accepted";
    case CommandLineVerdict::NoDirectory: return L"no directory";
    case CommandLineVerdict::NotLocal: return L"the directory is not on a local drive";
    case CommandLineVerdict::BadDirectory: return L"the directory is no plain path";
    case CommandLineVerdict::NoClient: return L"no client named";
    case CommandLineVerdict::ClientOutside: return L"the client is not in the directory";
    case CommandLineVerdict::ClientNotExe: return L"the client is no .exe";
  }
  return L"?";
}

CommandLineVerdict CheckUpdaterCommand(const startup::UpdaterCommand& command) {
  CommandLineVerdict dir = CheckDirectory(command.directory);
  if (dir != CommandLineVerdict::Ok) return dir;
  const std::wstring& client = command.clientFile;
  if (client.empty()) return CommandLineVerdict::NoClient;
  size_t slash = client.rfind(L'\\');
  if (slash == std::wstring::npos) return CommandLineVerdict::ClientOutside;
  std::wstring_view name = std::wstring_view(client).substr(slash + 1);
  // The client writes a drive root's client as "C:\\qorv.exe": separators collapse, case folds.
  if (!startup::SamePath(std::wstring_view(client).substr(0, slash + 1), command.directory) ||
      !startup::IsSafeFileName(name)) {
    return CommandLineVerdict::ClientOutside;
  }
  return EndsWithExe(name) ? CommandLineVerdict::Ok : CommandLineVerdict::ClientNotExe;
}

std::wstring DriveRootOf(std::wstring_view directory) {
  return std::wstring(directory.substr(0, 3));
}

}  // namespace qorv::updater

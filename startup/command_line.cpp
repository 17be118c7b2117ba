#include "startup/command_line.h"

namespace qorv::startup {

std::wstring_view ArgumentsAfterProgramName(std::wstring_view commandLine) {
  size_t i = 0;
  if (i < commandLine.size() && commandLine[i] == L'"') {
    size_t close = commandLine.find(L'"', 1);
    i = (close == std::wstring_view::npos) ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != L' ' && commandLine[i] != L'\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == L' ' || commandLine[i] == L'\t')) ++i;
  return commandLine.substr(i);
}

bool IsWebOption(std::wstring_view arguments) { return arguments == kWebOption; }

}  // namespace qorv::startup

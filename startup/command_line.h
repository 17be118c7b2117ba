// The client's one command-line option and the rules for finding it.
#pragma once

#include <string>
#include <string_view>

namespace qorv::startup {

inline constexpr std::wstring_view kWebOption = L"/web";

// The text after the program's own name, as the system hands it to a program: argument 0 is
// quoted text up to the closing quote, or text up to the first space or tab; the blanks after it
// are skipped. Everything else is kept as it stands.
std::wstring_view ArgumentsAfterProgramName(std::wstring_view commandLine);

// The whole argument string must be "/web", exactly and case-sensitively.
bool IsWebOption(std::wstring_view arguments);

}  // namespace qorv::startup

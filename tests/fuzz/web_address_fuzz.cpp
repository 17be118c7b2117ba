// Fuzz target for the rule that decides which addresses may leave the client (default browser,
// new tabs).
// fuzz-sources: base/web_address.cpp
// fuzz-seed: Lhttp://127.0.0.1:8470/game/
// fuzz-seed: LHTTPS://h/?q=a b
// fuzz-seed: Lhttp:///x
// fuzz-seed: Lfile:///C:/Windows/notepad.exe
// fuzz-seed: Mh\0t\0t\0p\0:\0/\0/\0\x3d\xd8\x00\xde/\0
//
// Checks, for any text: it is taken exactly when it has the shape of a web address; the scheme's
// case changes nothing; a control character or space added anywhere is refused.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/web_address.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  const std::wstring text = fuzz::TextOf(data, size);
  const bool taken = IsWebAddress(text);
  Check(taken == fuzz::HasWebAddressShape(text));

  std::wstring upper = text;
  for (size_t i = 0; i < upper.size() && i < 8; ++i) {
    if (upper[i] >= L'a' && upper[i] <= L'z') upper[i] = static_cast<wchar_t>(upper[i] - 32);
  }
  Check(IsWebAddress(upper) == taken);

  if (taken && size > 0) {
    std::wstring spoiled = text;
    const wchar_t bad[] = {L'\0', L'\n', L' ', L'\x7F', L'\xDC00'};
    spoiled.insert(spoiled.begin() + data[size - 1] % (spoiled.size() + 1), bad[size % 5]);
    Check(!IsWebAddress(spoiled));
  }
  return 0;
}

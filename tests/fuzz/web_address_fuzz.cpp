// Fuzz target for the rule that decides which addresses may leave the client (default browser,
// new tabs).
// fuzz-sources: base/web_address.cpp
// fuzz-seed: Lhttp://127.0.0.1:8470/game/
// fuzz-seed: LHTTPS://h/?q=a b
// fuzz-seed: Lhttp:///x
// fuzz-seed: Lfile:///C:/Windows/notepad.exe
// fuzz-seed: L \thttp://g/\r\n
// fuzz-seed: Lht\ntp://g/ \x01
// fuzz-seed: Mh\0t\0t\0p\0:\0/\0/\0\x3d\xd8\x00\xde/\0
//
// Checks, for any text: it is taken exactly when its cleaned form has the shape of a web address,
// and what is taken is that cleaned form, which the rule takes as it stands; the scheme's case
// changes nothing; blanks added at the ends and tabs or line breaks added anywhere change nothing;
// a NUL, space, DEL or lone surrogate added inside a taken address is refused.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/web_address.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  const std::wstring text = fuzz::TextOf(data, size);
  const std::optional<std::wstring> taken = WebAddress(text);
  const std::wstring clean = fuzz::CleanLikeABrowser(text);
  Check(CleanAddress(text) == clean);
  Check(taken.has_value() == fuzz::HasWebAddressShape(clean));
  if (taken) Check(*taken == clean && IsWebAddress(*taken));
  Check(IsWebAddress(text) == (taken && *taken == text));

  std::wstring upper = clean;
  for (size_t i = 0; i < upper.size() && i < 8; ++i) {
    if (upper[i] >= L'a' && upper[i] <= L'z') upper[i] = static_cast<wchar_t>(upper[i] - 32);
  }
  Check(WebAddress(upper).has_value() == taken.has_value());

  if (size > 0) {
    const size_t at = data[size - 1] % (text.size() + 1);
    std::wstring padded = text;
    padded.insert(at, 1, L"\t\n\r"[size % 3]);
    padded = std::wstring(1, L" \x01\x1F"[size % 3]) + padded + L"\r\n";
    Check(WebAddress(padded) == taken);
  }

  if (taken && taken->size() > 1) {
    std::wstring spoiled = *taken;
    const wchar_t bad[] = {L'\0', L' ', L'\x7F', L'\xDC00', L'\x0B'};
    spoiled.insert(spoiled.begin() + 1 + data[0] % (spoiled.size() - 1), bad[size % 5]);
    Check(!WebAddress(spoiled));
  }
  return 0;
}

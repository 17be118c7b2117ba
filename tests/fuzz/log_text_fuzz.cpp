// Fuzz target for the log's escaping.
// fuzz-sources: base/log_text.cpp
// fuzz-seed: Lhttp://h/\r\n2026-01-01 00:00:00.000 [1] ERROR x
// fuzz-seed: LC:\\Temp\\n\x1b[0m\x7f\x85
// fuzz-seed: \x01\x28\x20\x3d\xd8\x00\xde\x5c\x00
//
// Checks, for any text: the escaped text holds no character that could end or hide a line, and
// reading its escapes back gives the text exactly (escapes are never ambiguous).
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/log_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

uint32_t HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  qorv::fuzz::Check(false);
  return 0;
}

std::wstring Unescape(const std::wstring& s) {
  using qorv::fuzz::Check;
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'\\') {
      out += s[i];
      continue;
    }
    Check(i + 1 < s.size());
    const wchar_t kind = s[++i];
    int digits = 0;
    switch (kind) {
      case L'\\': out += L'\\'; break;
      case L'r': out += L'\r'; break;
      case L'n': out += L'\n'; break;
      case L't': out += L'\t'; break;
      case L'x': digits = 2; break;
      case L'u': digits = 4; break;
      default: Check(false);
    }
    if (!digits) continue;
    Check(i + digits < s.size());
    uint32_t value = 0;
    for (int d = 0; d < digits; ++d) value = value * 16 + HexValue(s[++i]);
    out += static_cast<wchar_t>(value);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  const std::wstring text = fuzz::TextOf(data, size);
  const std::wstring escaped = EscapeForLog(text);
  for (wchar_t c : escaped) {
    const uint32_t u = static_cast<uint32_t>(c);
    Check(u >= 0x20 && !(u >= 0x7F && u <= 0x9F) && u != 0x2028 && u != 0x2029);
  }
  if (text.size() <= kMaxLogText) Check(Unescape(escaped) == text);
  return 0;
}

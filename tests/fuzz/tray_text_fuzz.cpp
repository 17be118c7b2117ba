// Fuzz target for the tray icon's text fields.
// fuzz-sources: gamewindow/tray_text.cpp
// fuzz-seed: \x80B\0r\0i\0n\0d\0l\0e\0\x3d\xd8\x00\xde
// fuzz-seed: \x02\x3d\xd8\x00\xde
//
// Checks, for any units and any field size: the field ends in a NUL, holds a prefix of the text
// with no NUL inside it, never ends in the first half of a pair that the text completes, and is
// zero after the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gamewindow/tray_text.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using namespace qorv::gamewindow;
  using fuzz::Check;
  size_t field = size == 0 ? 0 : data[0];  // 0 to 255 units; the real fields are 64, 128, 256
  std::u16string text;
  for (size_t i = 1; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }

  size_t length = FittedLength(text, field);
  Check(field == 0 ? length == 0 : length < field);
  Check(length <= text.size());
  Check(text.substr(0, length).find(u'\0') == std::u16string::npos);
  if (length > 0 && length < text.size()) {
    Check(!(fuzz::IsHighSurrogate(text[length - 1]) && fuzz::IsLowSurrogate(text[length])));
  }
  size_t whole = std::min(text.find(u'\0'), text.size());
  if (field > 0 && whole < field) Check(length == whole);

  std::vector<char16_t> buffer(field + 1, u'#');
  FillTextField(buffer.data(), field, text);
  for (size_t i = 0; i < length; ++i) Check(buffer[i] == text[i]);
  for (size_t i = length; i < field; ++i) Check(buffer[i] == u'\0');
  Check(buffer[field] == u'#');  // nothing written past the field
  return 0;
}

// Fuzz target for the tray icon's text fields and the DDE command decoder.
// fuzz-sources: gamewindow/tray_text.cpp gamewindow/dde_command.cpp
//
// Checks, for any units and any field size: the field ends in a NUL, holds a prefix of the text
// with no NUL inside it, never ends in the first half of a pair that the text completes, and is
// zero after the text. The decoder's text never holds a NUL and never outgrows its bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gamewindow/dde_command.h"
#include "gamewindow/tray_text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
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
    Check(!(IsHigh(text[length - 1]) && IsLow(text[length])));
  }
  size_t whole = std::min(text.find(u'\0'), text.size());
  if (field > 0 && whole < field) Check(length == whole);

  std::vector<char16_t> buffer(field + 1, u'#');
  FillTextField(buffer.data(), field, text);
  for (size_t i = 0; i < length; ++i) Check(buffer[i] == text[i]);
  for (size_t i = length; i < field; ++i) Check(buffer[i] == u'\0');
  Check(buffer[field] == u'#');  // nothing written past the field

  DdeCommandText command = DecodeDdeCommand(data, size);
  Check(command.text.find(u'\0') == std::u16string::npos);
  Check(command.text.size() * 2 <= size);
  Check(command.oddByte == (!command.tooLong && size % 2 == 1));
  (void)DescribeDdeCommand(command, size);
  return 0;
}

#include "gamewindow/tray_text.h"

#include <algorithm>

namespace qorv::gamewindow {
namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

size_t FittedLength(std::u16string_view text, size_t fieldUnits) {
  if (fieldUnits == 0) return 0;
  size_t length = std::min(text.find(u'\0'), text.size());
  if (length <= fieldUnits - 1) return length;
  size_t cut = fieldUnits - 1;
  // The cut falls between the halves of a pair: the high half goes too.
  if (cut > 0 && IsHighSurrogate(text[cut - 1]) && IsLowSurrogate(text[cut])) --cut;
  return cut;
}

void FillTextField(char16_t* field, size_t fieldUnits, std::u16string_view text) {
  if (!field || fieldUnits == 0) return;
  size_t length = FittedLength(text, fieldUnits);
  std::copy_n(text.data(), length, field);
  std::fill(field + length, field + fieldUnits, u'\0');
}

}  // namespace qorv::gamewindow

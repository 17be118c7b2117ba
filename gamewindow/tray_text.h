// Texts of the tray icon's notification record: each lives in a fixed field of UTF-16 units
// (tip 128, balloon text 256, balloon title 64) that must end in a NUL. A text that does not fit
// is cut at the last whole character that leaves room for the NUL: a surrogate pair is kept or
// dropped as one, so the shell never shows half a character. The rest of the field is zeros, not
// spaces: a space-filled field has no terminator when it is full and shows trailing blanks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qorv::gamewindow {

inline constexpr size_t kTipFieldUnits = 128;
inline constexpr size_t kInfoFieldUnits = 256;
inline constexpr size_t kInfoTitleFieldUnits = 64;

// How many leading units of text go into a field of fieldUnits (NUL included). A text stops at
// its first NUL, as the shell reads it.
size_t FittedLength(std::u16string_view text, size_t fieldUnits);

// Writes the fitted text and zero-fills the rest of the field (fieldUnits units).
void FillTextField(char16_t* field, size_t fieldUnits, std::u16string_view text);

}  // namespace qorv::gamewindow

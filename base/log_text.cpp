#include "base/log_text.h"

namespace qorv {
namespace {

void AppendHex(std::wstring& out, uint32_t value, int digits) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

}  // namespace

std::wstring EscapeForLog(std::wstring_view text) {
  std::wstring_view shown = text.substr(0, kMaxLogText);
  // Not half a surrogate pair at the cut.
  if (shown.size() < text.size() && !shown.empty() && shown.back() >= 0xD800 &&
      shown.back() <= 0xDBFF) {
    shown.remove_suffix(1);
  }
  std::wstring out;
  out.reserve(shown.size() + 16);
  for (wchar_t c : shown) {
    const uint32_t u = static_cast<uint32_t>(c);
    switch (c) {
      case L'\\': out += L"\\\\"; continue;
      case L'\r': out += L"\\r"; continue;
      case L'\n': out += L"\\n"; continue;
      case L'\t': out += L"\\t"; continue;
      default: break;
    }
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
      out += L"\\x";
      AppendHex(out, u, 2);
    } else if (u == 0x2028 || u == 0x2029) {
      out += L"\\u";
      AppendHex(out, u, 4);
    } else {
      out += c;
    }
  }
  if (shown.size() < text.size()) out += L"... (" + std::to_wstring(text.size()) + L" characters)";
  return out;
}

LogWrite DecideLogWrite(uint64_t fileBytes, uint64_t lineBytes, uint64_t limitBytes) {
  if (fileBytes == 0) return LogWrite::Append;
  return fileBytes + lineBytes > limitBytes ? LogWrite::StartAgain : LogWrite::Append;
}

}  // namespace qorv

#include "base/web_address.h"

namespace qorv {
namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

bool IsWebAddress(std::wstring_view address) {
  std::wstring_view rest;
  if (StartsWithNoCase(address, L"http://")) {
    rest = address.substr(7);
  } else if (StartsWithNoCase(address, L"https://")) {
    rest = address.substr(8);
  } else {
    return false;
  }
  // "http:///x" or "http://\\host" would leave the host to the receiver's guesswork.
  if (rest.empty() || rest[0] == L'/' || rest[0] == L'\\' || rest[0] == L'?' || rest[0] == L'#' ||
      rest[0] == L'@' || rest[0] == L':') {
    return false;
  }
  for (size_t i = 0; i < address.size(); ++i) {
    const wchar_t c = address[i];
    if (c <= 0x20 || c == 0x7F) return false;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= address.size() || !IsLowSurrogate(address[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace qorv

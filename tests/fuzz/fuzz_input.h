// What the fuzz targets share: a failed check ends the run as a crash (libFuzzer keeps the input),
// and a text read from the fuzzer's bytes in one of two shapes. Latin-1 reaches the ASCII-made
// rules (schemes, commands) far sooner; UTF-16 reaches surrogates and every other unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qorv::fuzz {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// The first byte picks the shape: even, the other bytes one unit each; odd, UTF-16LE pairs (a
// last odd byte is dropped). A seed "Lhttp://h/" is thus the Latin-1 text "http://h/".
inline std::wstring TextOf(const uint8_t* data, size_t size) {
  std::wstring text;
  if (size == 0) return text;
  if (data[0] % 2 == 0) {
    for (size_t i = 1; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  } else {
    for (size_t i = 1; i + 1 < size; i += 2) {
      text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
  }
  return text;
}

inline bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// An address as browsers read it, written apart from the product's: the blanks and control
// characters U+0000..U+0020 at the ends go, and so do TAB, LF and CR anywhere.
inline std::wstring CleanLikeABrowser(const std::wstring& raw) {
  std::wstring kept;
  for (wchar_t c : raw) {
    if (c != L'\t' && c != L'\n' && c != L'\r') kept.push_back(c);
  }
  size_t first = 0;
  while (first < kept.size() && kept[first] <= 0x20) ++first;
  size_t last = kept.size();
  while (last > first && kept[last - 1] <= 0x20) --last;
  return kept.substr(first, last - first);
}

// What every address handed outside the client must be: http or https in any case, a host that
// does not start with a separator, no control character, space or unpaired surrogate, and at most
// 8 KiB units.
inline bool HasWebAddressShape(const std::wstring& address) {
  if (address.size() > 8192) return false;
  std::wstring head;
  for (size_t i = 0; i < address.size() && i < 8; ++i) {
    wchar_t c = address[i];
    head.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
  }
  size_t hostAt = head.rfind(L"http://", 0) == 0 ? 7 : head.rfind(L"https://", 0) == 0 ? 8 : 0;
  if (hostAt == 0 || address.size() <= hostAt) return false;
  if (std::wstring(L"/\\?#@:").find(address[hostAt]) != std::wstring::npos) return false;
  for (size_t i = 0; i < address.size(); ++i) {
    wchar_t c = address[i];
    if (c <= 0x20 || c == 0x7F) return false;
    if (IsLowSurrogate(c) && !(i > 0 && IsHighSurrogate(address[i - 1]))) return false;
    if (IsHighSurrogate(c) && !(i + 1 < address.size() && IsLowSurrogate(address[i + 1]))) {
      return false;
    }
  }
  return true;
}

}  // namespace qorv::fuzz

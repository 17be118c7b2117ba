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
bool IsControlOrSpace(wchar_t c) { return c <= 0x20; }

// The address without its scheme and "//" when it is http or https; empty otherwise.
std::optional<std::wstring_view> AfterWebScheme(std::wstring_view address) {
  if (StartsWithNoCase(address, L"http://")) return address.substr(7);
  if (StartsWithNoCase(address, L"https://")) return address.substr(8);
  return std::nullopt;
}

bool HasWebAddressShape(std::wstring_view address) {
  if (address.size() > kMaxWebAddressLength) return false;
  std::optional<std::wstring_view> rest = AfterWebScheme(address);
  if (!rest) return false;
  // "http:///x" or "http://\\host" would leave the host to the receiver's guesswork.
  if (rest->empty() || std::wstring_view(L"/\\?#@:").find((*rest)[0]) != std::wstring_view::npos) {
    return false;
  }
  for (size_t i = 0; i < address.size(); ++i) {
    const wchar_t c = address[i];
    if (IsControlOrSpace(c) || c == 0x7F) return false;
    if (IsHighSurrogate(c)) {
      if (i + 1 >= address.size() || !IsLowSurrogate(address[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::wstring CleanAddress(std::wstring_view raw) {
  size_t begin = 0;
  size_t end = raw.size();
  while (begin < end && IsControlOrSpace(raw[begin])) ++begin;
  while (end > begin && IsControlOrSpace(raw[end - 1])) --end;
  std::wstring clean;
  clean.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) {
    const wchar_t c = raw[i];
    if (c != L'\t' && c != L'\n' && c != L'\r') clean.push_back(c);
  }
  return clean;
}

std::optional<std::wstring> WebAddress(std::wstring_view raw) {
  std::wstring clean = CleanAddress(raw);
  if (!HasWebAddressShape(clean)) return std::nullopt;
  return clean;
}

bool IsWebAddress(std::wstring_view address) {
  // Cleaning changes nothing exactly when nothing is to be removed: no control character or
  // space at either end and no tab or line break inside, all of which the shape refuses anyway.
  return HasWebAddressShape(address);
}

bool IsNavigableAddress(std::wstring_view url) {
  const std::wstring clean = CleanAddress(url);
  if (StartsWithNoCase(clean, L"http:") || StartsWithNoCase(clean, L"https:")) return true;
  return clean.size() == 11 && StartsWithNoCase(clean, L"about:blank");
}

}  // namespace qorv

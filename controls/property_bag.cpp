#include "controls/property_bag.h"

#include <algorithm>
#include <cwctype>
#include <limits>

namespace qorv::controls {

namespace {

template <class Entries>
auto FindEntry(Entries& entries, std::wstring_view key) {
  return std::find_if(entries.begin(), entries.end(),
                      [key](const auto& e) { return e.first == key; });
}

}  // namespace

void PropertyBag::Preset(std::wstring_view key, PropertyValue value) {
  auto it = FindEntry(m_entries, key);
  if (it != m_entries.end()) {
    it->second = std::move(value);
  } else {
    m_entries.emplace_back(std::wstring(key), std::move(value));
  }
}

PropertyValue PropertyBag::ReadProperty(std::wstring_view key, const PropertyValue& readDefault) {
  m_reads.emplace_back(key);
  auto it = FindEntry(m_entries, key);
  return it != m_entries.end() ? it->second : readDefault;
}

void PropertyBag::WriteProperty(std::wstring_view key, const PropertyValue& value,
                                const std::optional<PropertyValue>& writtenDefault) {
  m_attempts.emplace_back(key);
  auto it = FindEntry(m_entries, key);
  if (writtenDefault && value == *writtenDefault) {
    if (it != m_entries.end()) m_entries.erase(it);
    return;
  }
  m_writes.emplace_back(key);
  if (it != m_entries.end()) {
    it->second = value;
  } else {
    m_entries.emplace_back(std::wstring(key), value);
  }
}

bool PropertyBag::Contains(std::wstring_view key) const { return Find(key) != nullptr; }

const PropertyValue* PropertyBag::Find(std::wstring_view key) const {
  auto it = FindEntry(m_entries, key);
  return it != m_entries.end() ? &it->second : nullptr;
}

void PropertyBag::ClearLog() {
  m_reads.clear();
  m_writes.clear();
  m_attempts.clear();
}

std::optional<int32_t> ParseInt32Text(std::wstring_view text) {
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == L'&' && (text[1] == L'H' || text[1] == L'h')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  for (wchar_t c : text) {
    int digit;
    if (c >= L'0' && c <= L'9') {
      digit = c - L'0';
    } else if (base == 16 && c >= L'a' && c <= L'f') {
      digit = c - L'a' + 10;
    } else if (base == 16 && c >= L'A' && c <= L'F') {
      digit = c - L'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + digit;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  if (base == 16) {
    // Hexadecimal text is a bit pattern: &HFFFFFFFF is -1, as a 32-bit store would read it.
    if (negative) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<std::wstring> AsText(const PropertyValue& value) {
  if (auto* s = std::get_if<std::wstring>(&value)) return *s;
  if (auto* i = std::get_if<int32_t>(&value)) return std::to_wstring(*i);
  if (auto* b = std::get_if<bool>(&value)) return std::wstring(*b ? L"True" : L"False");
  if (auto* c = std::get_if<Colour>(&value))
    return std::to_wstring(static_cast<int32_t>(c->value));
  return std::nullopt;
}

std::optional<int32_t> AsInt32(const PropertyValue& value) {
  if (auto* i = std::get_if<int32_t>(&value)) return *i;
  if (auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
  if (auto* c = std::get_if<Colour>(&value)) return static_cast<int32_t>(c->value);
  if (auto* s = std::get_if<std::wstring>(&value)) return ParseInt32Text(*s);
  return std::nullopt;
}

std::optional<bool> AsBool(const PropertyValue& value) {
  if (auto* b = std::get_if<bool>(&value)) return *b;
  if (auto* i = std::get_if<int32_t>(&value)) return *i != 0;
  if (auto* s = std::get_if<std::wstring>(&value)) {
    std::wstring lower;
    for (wchar_t c : *s) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    if (lower == L"true") return true;
    if (lower == L"false") return false;
    if (auto n = ParseInt32Text(*s)) return *n != 0;
  }
  return std::nullopt;
}

std::optional<Colour> AsColour(const PropertyValue& value) {
  if (auto* c = std::get_if<Colour>(&value)) return *c;
  if (auto n = AsInt32(value); n && !std::holds_alternative<bool>(value))
    return Colour{static_cast<uint32_t>(*n)};
  return std::nullopt;
}

void ChangeMarks::Mark(std::wstring_view key) {
  if (!Has(key)) m_keys.emplace_back(key);
}

bool ChangeMarks::Has(std::wstring_view key) const {
  return std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end();
}

}  // namespace qorv::controls

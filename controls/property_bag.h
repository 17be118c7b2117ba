// The stored design data of a host form's controls: one bag per control, values under fixed
// keys. A control reads each key with the value to use when the key is absent, and writes its
// keys back, leaving out a value equal to the key's written default. The bag remembers the order
// of reads and writes, which is part of each control's contract (a later key may depend on an
// earlier one having been applied).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qorv::controls {

// 0x00BBGGRR; a value with the high bit set names a system colour (its low byte is the index).
struct Colour {
  uint32_t value = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

// A picture as stored with a design: the program's bitmap resource it came from, or, for one
// made at run time, the handle it was set from (meaningful only within the running program).
struct PictureRef {
  int32_t resourceId = 0;
  uint64_t handle = 0;
  friend bool operator==(const PictureRef&, const PictureRef&) = default;
};

struct FontDesc {
  std::wstring face;
  double points = 9.0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  int16_t charset = 1;  // DEFAULT_CHARSET
  friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

// std::monostate is "none": an absent picture or font.
using PropertyValue =
    std::variant<std::monostate, std::wstring, int32_t, bool, Colour, PictureRef, FontDesc>;

class PropertyBag {
 public:
  // Puts a value in without recording it: how a host lays down the stored design before a
  // control reads it.
  void Preset(std::wstring_view key, PropertyValue value);

  // The stored value, or readDefault when the key is absent. Recorded in Reads().
  PropertyValue ReadProperty(std::wstring_view key, const PropertyValue& readDefault);

  // Stores the value unless it equals writtenDefault (then the key is removed, so a later read
  // gets the control's read default). Without a written default the value is always stored.
  // Every call is recorded in WriteAttempts(); the stored ones in Writes().
  void WriteProperty(std::wstring_view key, const PropertyValue& value,
                     const std::optional<PropertyValue>& writtenDefault = std::nullopt);

  bool Contains(std::wstring_view key) const;
  const PropertyValue* Find(std::wstring_view key) const;
  size_t Size() const { return m_entries.size(); }

  const std::vector<std::wstring>& Reads() const { return m_reads; }
  const std::vector<std::wstring>& Writes() const { return m_writes; }
  const std::vector<std::wstring>& WriteAttempts() const { return m_attempts; }
  void ClearLog();

 private:
  std::vector<std::pair<std::wstring, PropertyValue>> m_entries;  // insertion order kept
  std::vector<std::wstring> m_reads;
  std::vector<std::wstring> m_writes;
  std::vector<std::wstring> m_attempts;
};

// Conversions a stored value goes through when a property of another type reads it (a colour
// written as a number and read back as text, a flag written as a number). nullopt when the
// value has no sensible reading as that type; the caller then keeps its default.
std::optional<std::wstring> AsText(const PropertyValue& value);
std::optional<int32_t> AsInt32(const PropertyValue& value);
std::optional<bool> AsBool(const PropertyValue& value);
std::optional<Colour> AsColour(const PropertyValue& value);

// Decimal text of a 32-bit value ("14346732"), or "&H"-prefixed hexadecimal, with optional
// surrounding spaces and sign. Anything else, or a value outside 32 bits, gives nullopt.
std::optional<int32_t> ParseInt32Text(std::wstring_view text);

// Notes which persisted properties were changed since the bag was last written.
class ChangeMarks {
 public:
  void Mark(std::wstring_view key);
  bool Any() const { return !m_keys.empty(); }
  bool Has(std::wstring_view key) const;
  const std::vector<std::wstring>& Keys() const { return m_keys; }
  void Clear() { m_keys.clear(); }

 private:
  std::vector<std::wstring> m_keys;
};

}  // namespace qorv::controls

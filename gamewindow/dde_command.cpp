#include "gamewindow/dde_command.h"

namespace qorv::gamewindow {

DdeCommandText DecodeDdeCommand(const uint8_t* bytes, size_t count) {
  DdeCommandText out;
  if (!bytes || count == 0) return out;
  if (count > kMaxDdeCommandBytes) {
    out.tooLong = true;
    return out;
  }
  out.oddByte = count % 2 != 0;
  size_t units = count / 2;
  out.text.reserve(units);
  size_t i = 0;
  for (; i < units; ++i) {
    // Little-endian UTF-16, read bytewise: the data need not be aligned.
    char16_t c = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (c == u'\0') break;
    out.text.push_back(c);
  }
  for (++i; i < units; ++i) {
    if (bytes[2 * i] != 0 || bytes[2 * i + 1] != 0) {
      out.cutAtNul = true;
      break;
    }
  }
  return out;
}

std::wstring DescribeDdeCommand(const DdeCommandText& command, size_t byteCount) {
  std::wstring why;
  auto add = [&](const wchar_t* what) {
    why += why.empty() ? L"" : L", ";
    why += what;
  };
  if (command.tooLong) add(L"too long, refused");
  if (command.oddByte) add(L"odd byte count, last byte dropped");
  if (command.cutAtNul) add(L"text after an embedded NUL dropped");
  if (!command.tooLong && command.text.empty()) add(L"empty");
  if (why.empty()) return why;
  return L"dde: execute of " + std::to_wstring(byteCount) + L" bytes: " + why;
}

}  // namespace qorv::gamewindow

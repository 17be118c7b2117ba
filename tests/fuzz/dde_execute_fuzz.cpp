// Fuzz target for a DDE execute command on its way to a page tab: the bytes another program sends
// are decoded, refused when they are not one clean text, and opened only when that text is a web
// address.
// fuzz-sources: gamewindow/dde_command.cpp base/web_address.cpp
// fuzz-seed: h\0t\0t\0p\0:\0/\0/\0g\0/\0n\0e\0w\0s\0
// fuzz-seed: h\0t\0t\0p\0:\0/\0/\0g\0/\0\0\0x\0
// fuzz-seed: f\0i\0l\0e\0:\0/\0/\0/\0C\0:\0/\0x\0\0\0\0
// fuzz-seed: h\0t\0t\0p\0s\0:\0/\0/\0h\0
//
// Checks, for any bytes: the decoded text holds no NUL, never outgrows its bytes and is their
// leading units; what would be opened is always a web address; the log line names every fault.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/web_address.h"
#include "gamewindow/dde_command.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using namespace qorv::gamewindow;
  using fuzz::Check;
  DdeCommandText command = DecodeDdeCommand(data, size);
  Check(command.text.find(u'\0') == std::u16string::npos);
  Check(command.text.size() * 2 <= size);
  Check(command.oddByte == (!command.tooLong && size % 2 == 1));
  for (size_t i = 0; i < command.text.size(); ++i) {
    Check(command.text[i] == static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)));
  }
  // Cut at a NUL exactly when a non-NUL unit follows the first NUL.
  bool junk = false;
  for (size_t i = command.text.size() + 1; 2 * i + 1 < size && !junk; ++i) {
    junk = data[2 * i] != 0 || data[2 * i + 1] != 0;
  }
  Check(command.cutAtNul == junk);

  const std::wstring why = DescribeDdeCommand(command, size);
  Check(why.empty() == (!command.oddByte && !command.cutAtNul && !command.text.empty()));

  // As the DDE source takes it: a clean text that is a web address goes to OpenPage.
  if (command.tooLong || command.cutAtNul || command.text.empty()) return 0;
  const std::wstring text(command.text.begin(), command.text.end());
  if (IsWebAddress(text)) Check(fuzz::HasWebAddressShape(text));
  return 0;
}

// Fuzz target for the navigation rule of the client's browsers: which addresses a page, a frame or
// the client itself may go to.
// fuzz-sources: base/web_address.cpp
// fuzz-seed: Lhttp://127.0.0.1:8470/index.aspx
// fuzz-seed: L about:blank\r\n
// fuzz-seed: LABOUT:BLANK
// fuzz-seed: Ljavascript:alert(1)
// fuzz-seed: Lfile:///C:/Windows/win.ini
// fuzz-seed: Lh\ttps://a/
// fuzz-seed: Lres://ieframe.dll/navcancl.htm
//
// Checks, for any text: it may be navigated to exactly when, read as a browser reads it, its
// scheme is http or https (any case) or it is the blank page; every address that may leave the
// client may also be shown; blanks at the ends and tabs or line breaks inside change nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/web_address.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  const std::wstring text = fuzz::TextOf(data, size);
  const bool allowed = IsNavigableAddress(text);

  std::wstring lower = fuzz::CleanLikeABrowser(text);
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  const bool expected = lower.rfind(L"http:", 0) == 0 || lower.rfind(L"https:", 0) == 0 ||
                        lower == L"about:blank";
  Check(allowed == expected);
  if (WebAddress(text)) Check(allowed);

  if (size > 0) {
    std::wstring padded = text;
    padded.insert(data[size - 1] % (text.size() + 1), 1, L"\t\n\r"[size % 3]);
    Check(IsNavigableAddress(L"\x01 " + padded + L" \x1F") == allowed);
  }
  return 0;
}

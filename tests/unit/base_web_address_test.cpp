// The web-address rule (what may leave the client) and the navigation rule (what its browsers may
// show), each as a table of addresses as pages, scripts and other programs give them.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/web_address.h"

namespace qorv {
namespace {

std::string Show(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[12];
      snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

TEST(WebAddress, TakesHttpAndHttpsWithAHostAsABrowserReadsThem) {
  const std::wstring none = L"-";
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"http://127.0.0.1:8470/game", L"http://127.0.0.1:8470/game"},
      {L"HTTPS://Example.com", L"HTTPS://Example.com"},
      {L"https://例子.测试/路径", L"https://例子.测试/路径"},
      {L"http://user@host/", L"http://user@host/"},
      {L"http://a/\u00A0", L"http://a/\u00A0"},  // a no-break space is no blank to a browser
      // Cleaned: blanks and control characters at the ends, tabs and line breaks inside.
      {L"http://g/ ", L"http://g/"},
      {L"http://g/\r\n", L"http://g/"},
      {L" \t http://lead-space/", L"http://lead-space/"},
      {std::wstring(L"\0\x1F http://g/\x01\0", 15), L"http://g/"},
      {L"http://tab\there/", L"http://tabhere/"},
      {L"ht\ntp://g/pa\r\nth", L"http://g/path"},
      {L"http:/\t/g/", L"http://g/"},
      // Refused.
      {L"http://a b/", none},                            // a space inside
      {std::wstring(L"http://a/\0b", 11), none},         // a NUL inside
      {L"http://a/\x7F", none},                          // DEL
      {L"http://a/\x0B/", none},                         // other control characters inside
      {L"http://", none},
      {L"http:// ", none},
      {L"http:///etc/passwd", none},
      {L"http://\\\\server\\share", none},
      {L"http://?q", none},
      {L"http://#f", none},
      {L"http://@h", none},
      {L"http://:80/", none},
      {L"http:g/", none},
      {L"file:///C:/Windows/System32/calc.exe", none},
      {L"\\\\server\\share\\setup.exe", none},
      {L"javascript:alert(1)", none},
      {L"vbscript:msgbox(1)", none},
      {L"ms-settings:", none},
      {L"mailto:a@b", none},
      {L"about:blank", none},
      {L"app://loadgame|http://g/", none},
      {L"", none},
      {L" \r\n", none},
  };
  for (const auto& [raw, want] : cases) {
    std::optional<std::wstring> got = WebAddress(raw);
    EXPECT_EQ(got.value_or(none), want) << Show(raw);
    // IsWebAddress: taken as it stands, i.e. already clean.
    EXPECT_EQ(IsWebAddress(raw), got && *got == raw) << Show(raw);
  }
  // Surrogates: a pair is a character, half of one is not.
  std::wstring pair = L"http://h/";
  if constexpr (sizeof(wchar_t) == 2) {
    EXPECT_TRUE(WebAddress(pair + L"\xD83D\xDE00"));
    EXPECT_FALSE(WebAddress(pair + L"\xD83D"));
    EXPECT_FALSE(WebAddress(pair + L"\xDE00x"));
  } else {
    EXPECT_TRUE(WebAddress(pair + std::wstring(1, static_cast<wchar_t>(0x1F600))));
    EXPECT_FALSE(WebAddress(pair + std::wstring(1, static_cast<wchar_t>(0xD83D))));
  }
}

TEST(WebAddress, LengthIsCountedAfterCleaning) {
  const std::wstring head = L"http://g/";
  const std::wstring longest = head + std::wstring(kMaxWebAddressLength - head.size(), L'a');
  EXPECT_EQ(WebAddress(longest), longest);
  EXPECT_FALSE(WebAddress(longest + L"a"));
  // Blanks around and line breaks inside do not count against it.
  EXPECT_EQ(WebAddress(L"  " + longest + std::wstring(100, L'\n') + L" "), longest);
  EXPECT_FALSE(WebAddress(head + std::wstring(1 << 20, L'a')));
}

TEST(NavigationRule, HttpHttpsAndTheBlankPageOnly) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"http://127.0.0.1:8470/index.aspx", true},
      {L"https://a/b?c#d", true},
      {L"HTTP://A/", true},
      {L"hTtPs://a/", true},
      {L" http://a/\r\n", true},
      {L"ht\ttp://a/", true},  // the browser drops the tab too
      {L"http://a b/", true},  // the engine escapes what it sends; it leaves the client no way
      {L"http://a/" + std::wstring(64 * 1024, L'x'), true},  // no length limit inside the engine
      {L"about:blank", true},
      {L"ABOUT:BLANK", true},
      {L" about:blank ", true},
      {L"about:blank#x", false},
      {L"about:blank?x", false},
      {L"about:config", false},
      {L"about:", false},
      {L"file:///C:/Windows/win.ini", false},
      {L"FILE://server/share/x.html", false},
      {L"\\\\server\\share\\x.html", false},
      {L"C:\\Windows\\win.ini", false},
      {L"javascript:alert(1)", false},
      {L"JavaScript:void(0)", false},
      {L"vbscript:msgbox(1)", false},
      {L"res://ieframe.dll/navcancl.htm", false},
      {L"mk:@MSITStore:C:\\x.chm::/a.htm", false},
      {L"ms-its:C:\\x.chm::/a.htm", false},
      {L"data:text/html,<b>x</b>", false},
      {L"ftp://a/", false},
      {L"app://exitgame", false},
      {L"qorvtest:anything", false},  // a protocol another program registered
      {L"ms-settings:", false},
      {L"httpx://a/", false},
      {L"", false},
  };
  for (const auto& [url, ok] : cases) {
    EXPECT_EQ(IsNavigableAddress(url), ok) << Show(url.substr(0, 80));
  }
}

}  // namespace
}  // namespace qorv

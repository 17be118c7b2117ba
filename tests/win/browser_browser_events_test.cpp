// Decoding the control's raw event calls: DISPPARAMS built the way the control builds them
// (reversed, by reference), and the shapes it must survive (direct strings, NULL BSTRs, wrong
// counts and types, missing arrays).
#include <gtest/gtest.h>
#include <windows.h>
#include <exdispid.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/win/com.h"
#include "browser/browser_events.h"

namespace qorv {
namespace {

using browser::DecodeBrowserEvent;
using browser::EventDecode;

const int32_t kDownloadFailure = static_cast<int32_t>(0x800C0008u);

class FakeWindow final : public win::ComObject<IDispatch> {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    return E_NOTIMPL;
  }
};

// The arguments of one call in declaration order; Params() reverses them as the control does.
class Args {
 public:
  Args& Str(const std::wstring& s) { return Push(Bstr(s)); }
  Args& NullStr() { return Push(Bstr(nullptr)); }
  Args& RefStr(const std::wstring& s) { return Push(Ref(Bstr(s))); }
  Args& RefNullStr() { return Push(Ref(Bstr(nullptr))); }
  Args& RefI4(int32_t v) {
    VARIANT x{};
    x.vt = VT_I4;
    x.lVal = v;
    return Push(Ref(x));
  }
  Args& I4(int32_t v) {
    VARIANT x{};
    x.vt = VT_I4;
    x.lVal = v;
    return Push(x);
  }
  Args& Disp(IDispatch* d) {
    VARIANT x{};
    x.vt = VT_DISPATCH;
    x.pdispVal = d;
    return Push(x);
  }
  Args& RefEmpty() { return Push(Ref(VARIANT{})); }
  Args& RefRef(const std::wstring& s) { return Push(Ref(Ref(Bstr(s)))); }
  // The writable flag (Cancel, Processed), initially false.
  Args& Flag() {
    VARIANT x{};
    x.vt = VT_BYREF | VT_BOOL;
    x.pboolVal = &m_flag;
    return Push(x);
  }
  Args& PlainBool() {
    VARIANT x{};
    x.vt = VT_BOOL;
    x.boolVal = VARIANT_FALSE;
    return Push(x);
  }

  DISPPARAMS Params() {
    m_reversed.assign(m_args.rbegin(), m_args.rend());
    DISPPARAMS p{};
    p.cArgs = static_cast<UINT>(m_reversed.size());
    p.rgvarg = m_reversed.empty() ? nullptr : m_reversed.data();
    return p;
  }
  VARIANT_BOOL FlagValue() const { return m_flag; }

 private:
  VARIANT Bstr(const std::wstring& s) {
    m_strings.emplace_back(s);
    VARIANT x{};
    x.vt = VT_BSTR;
    x.bstrVal = m_strings.back().Get();
    return x;
  }
  static VARIANT Bstr(std::nullptr_t) {
    VARIANT x{};
    x.vt = VT_BSTR;
    x.bstrVal = nullptr;
    return x;
  }
  VARIANT Ref(VARIANT inner) {
    m_inner.push_back(inner);
    VARIANT x{};
    x.vt = VT_BYREF | VT_VARIANT;
    x.pvarVal = &m_inner.back();
    return x;
  }
  Args& Push(VARIANT v) {
    m_args.push_back(v);
    return *this;
  }

  std::deque<win::Bstr> m_strings;
  std::deque<VARIANT> m_inner;  // stable addresses for the references
  std::vector<VARIANT> m_args;
  std::vector<VARIANT> m_reversed;
  VARIANT_BOOL m_flag = VARIANT_FALSE;
};

std::string Narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out += c == 0 ? '0' : static_cast<char>(c);  // NULs made visible
  return out;
}

// What the handlers saw; every cancellable handler answers true.
struct Seen {
  std::string text;
  browser::BrowserEvents events;
  Seen() {
    // Not `= "D"`: GCC 12 warns falsely (-Wrestrict) on that assignment.
    events.DownloadBegin = [this] { text.assign(1, 'D'); };
    events.BeforeNavigate2 = [this](const std::wstring& url, bool top, bool& cancel) {
      text = "B " + Narrow(url) + (top ? "" : " frame");
      cancel = true;
    };
    events.DocumentComplete = [this](const std::wstring& url, bool top) {
      text = "C " + Narrow(url) + (top ? " top" : " frame");
    };
    events.TitleChange = [this](const std::wstring& t) { text = "T " + Narrow(t); };
    events.NewWindow = [this](const std::wstring& url, bool& processed) {
      text = "N " + Narrow(url);
      processed = true;
    };
    events.NavigateError = [this](const std::wstring& url, int32_t status, bool top, bool& cancel) {
      text = "E " + Narrow(url) + " " + std::to_string(status) + (top ? " top" : " frame");
      cancel = true;
    };
  }
};

TEST(BrowserEventsTest, DecodesEachEventAndRejectsBadShapes) {
  auto browser = win::MakeCom<FakeWindow>();
  auto frame = win::MakeCom<FakeWindow>();
  IDispatch* top = browser.Get();
  IDispatch* sub = frame.Get();
  const EventDecode R = EventDecode::Raised, M = EventDecode::Malformed, U = EventDecode::Unhandled;

  auto beforeNavigate = [&](std::function<void(Args&)> url) {
    return [=](Args& a) {
      a.Disp(top);
      url(a);
      a.RefI4(0).RefEmpty().RefEmpty().RefEmpty().Flag();
    };
  };
  struct Case {
    const char* name;
    DISPID id;
    std::function<void(Args&)> build;
    EventDecode result;
    std::string seen;  // empty: no handler ran
  };
  const Case cases[] = {
      {"DownloadBegin", DISPID_DOWNLOADBEGIN, [](Args&) {}, R, "D"},
      {"DownloadBegin with an argument", DISPID_DOWNLOADBEGIN, [](Args& a) { a.I4(1); }, M, ""},

      {"BeforeNavigate2 by reference", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefStr(L"app://loadgame|http://g/|1|2"); }), R,
       "B app://loadgame|http://g/|1|2"},
      {"BeforeNavigate2 in a frame", DISPID_BEFORENAVIGATE2,
       [&](Args& a) { a.Disp(sub).RefStr(L"http://a/f").RefI4(0).RefEmpty().RefEmpty().RefEmpty().Flag(); },
       R, "B http://a/f frame"},
      {"BeforeNavigate2 pDisp a string", DISPID_BEFORENAVIGATE2,
       [&](Args& a) { a.Str(L"x").RefStr(L"http://a/").RefI4(0).RefEmpty().RefEmpty().RefEmpty().Flag(); },
       M, ""},
      {"BeforeNavigate2 direct string", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.Str(L"http://a/"); }), R, "B http://a/"},
      {"BeforeNavigate2 embedded NUL kept", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefStr(std::wstring(L"app://x\0y", 9)); }), R, "B app://x0y"},
      {"BeforeNavigate2 empty URL", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefStr(L""); }), R, "B "},
      {"BeforeNavigate2 NULL BSTR", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefNullStr(); }), M, ""},
      {"BeforeNavigate2 URL a number", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefI4(5); }), M, ""},
      {"BeforeNavigate2 reference to a reference", DISPID_BEFORENAVIGATE2,
       beforeNavigate([](Args& a) { a.RefRef(L"http://a/"); }), M, ""},
      {"BeforeNavigate2 Cancel not by reference", DISPID_BEFORENAVIGATE2,
       [&](Args& a) {
         a.Disp(top).RefStr(L"http://a/").RefI4(0).RefEmpty().RefEmpty().RefEmpty().PlainBool();
       },
       M, ""},
      {"BeforeNavigate2 six arguments", DISPID_BEFORENAVIGATE2,
       [&](Args& a) { a.Disp(top).RefStr(L"http://a/").RefI4(0).RefEmpty().RefEmpty().Flag(); }, M,
       ""},

      {"DocumentComplete top level", DISPID_DOCUMENTCOMPLETE,
       [&](Args& a) { a.Disp(top).RefStr(L"http://a/"); }, R, "C http://a/ top"},
      {"DocumentComplete frame", DISPID_DOCUMENTCOMPLETE,
       [&](Args& a) { a.Disp(sub).RefStr(L"http://a/f"); }, R, "C http://a/f frame"},
      {"DocumentComplete null pDisp is no top level", DISPID_DOCUMENTCOMPLETE,
       [&](Args& a) { a.Disp(nullptr).RefStr(L"http://a/"); }, R, "C http://a/ frame"},
      {"DocumentComplete pDisp a string", DISPID_DOCUMENTCOMPLETE,
       [&](Args& a) { a.Str(L"x").RefStr(L"http://a/"); }, M, ""},
      {"DocumentComplete one argument", DISPID_DOCUMENTCOMPLETE,
       [&](Args& a) { a.RefStr(L"http://a/"); }, M, ""},

      {"TitleChange", DISPID_TITLECHANGE, [](Args& a) { a.Str(L"Game"); }, R, "T Game"},
      {"TitleChange by reference", DISPID_TITLECHANGE, [](Args& a) { a.RefStr(L"G"); }, R, "T G"},
      {"TitleChange NULL BSTR", DISPID_TITLECHANGE, [](Args& a) { a.NullStr(); }, M, ""},
      {"TitleChange two arguments", DISPID_TITLECHANGE, [](Args& a) { a.Str(L"a").Str(L"b"); }, M,
       ""},

      // ppDisp, Cancel, dwFlags, bstrUrlContext (the opener), bstrUrl (the target)
      {"NewWindow3 takes the target, not the opener", DISPID_NEWWINDOW3,
       [](Args& a) { a.RefEmpty().Flag().I4(0).Str(L"http://opener/").Str(L"http://target/"); }, R,
       "N http://target/"},
      {"NewWindow3 NULL target", DISPID_NEWWINDOW3,
       [](Args& a) { a.RefEmpty().Flag().I4(0).Str(L"http://opener/").NullStr(); }, M, ""},
      {"NewWindow3 four arguments", DISPID_NEWWINDOW3,
       [](Args& a) { a.Flag().I4(0).Str(L"http://opener/").Str(L"http://target/"); }, M, ""},

      {"NewWindow2 carries no address", DISPID_NEWWINDOW2, [](Args& a) { a.RefEmpty().Flag(); }, R,
       "N "},

      {"NavigateError HTTP status, top level", DISPID_NAVIGATEERROR,
       [&](Args& a) { a.Disp(top).RefStr(L"http://a/").RefEmpty().RefI4(503).Flag(); }, R,
       "E http://a/ 503 top"},
      {"NavigateError HRESULT in a frame", DISPID_NAVIGATEERROR,
       [&](Args& a) {
         a.Disp(sub).RefStr(L"http://a/f").RefEmpty().RefI4(kDownloadFailure).Flag();
       },
       R, "E http://a/f " + std::to_string(kDownloadFailure) + " frame"},
      {"NavigateError status a string", DISPID_NAVIGATEERROR,
       [&](Args& a) { a.Disp(top).RefStr(L"http://a/").RefEmpty().RefStr(L"404").Flag(); }, M, ""},
      {"NavigateError NULL URL", DISPID_NAVIGATEERROR,
       [&](Args& a) { a.Disp(top).RefNullStr().RefEmpty().RefI4(404).Flag(); }, M, ""},

      {"an event the client does not use", 102 /* StatusTextChange */,
       [](Args& a) { a.Str(L"Done"); }, U, ""},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Seen seen;
    Args args;
    c.build(args);
    DISPPARAMS params = args.Params();
    EXPECT_EQ(DecodeBrowserEvent(c.id, &params, seen.events, browser.Get()), c.result);
    EXPECT_EQ(seen.text, c.seen);
    // The handler's answer reaches the control only from an event that was raised; a navigation
    // whose call has a writable Cancel but is otherwise malformed is cancelled all the same.
    bool answered = c.result == R && (c.id == DISPID_BEFORENAVIGATE2 || c.id == DISPID_NEWWINDOW3 ||
                                      c.id == DISPID_NEWWINDOW2 || c.id == DISPID_NAVIGATEERROR);
    bool stopped = c.result == M && c.id == DISPID_BEFORENAVIGATE2 && params.cArgs == 7 &&
                   params.rgvarg[0].vt == (VT_BYREF | VT_BOOL);
    EXPECT_EQ(args.FlagValue(), answered || stopped ? VARIANT_TRUE : VARIANT_FALSE);
  }
}

TEST(BrowserEventsTest, MissingArgumentArraysAreRejected) {
  Seen seen;
  EXPECT_EQ(DecodeBrowserEvent(DISPID_BEFORENAVIGATE2, nullptr, seen.events, nullptr),
            EventDecode::Malformed);
  DISPPARAMS noArray{};
  noArray.cArgs = 7;
  EXPECT_EQ(DecodeBrowserEvent(DISPID_BEFORENAVIGATE2, &noArray, seen.events, nullptr),
            EventDecode::Malformed);
  noArray.cArgs = 1;
  EXPECT_EQ(DecodeBrowserEvent(DISPID_TITLECHANGE, &noArray, seen.events, nullptr),
            EventDecode::Malformed);
  EXPECT_EQ(seen.text, "");
}

// After the window's handler, the browser's own rule: only http, https and about:blank go on,
// in frames as at the top; what the handler cancelled stays cancelled.
TEST(BrowserEventsTest, TheNavigationRuleCancelsWhatTheHandlerLetThrough) {
  auto browser = win::MakeCom<FakeWindow>();
  auto frame = win::MakeCom<FakeWindow>();
  struct Case {
    const wchar_t* url;
    bool inFrame;
    bool handlerCancels;
    bool cancelled;
  };
  const Case cases[] = {
      {L"http://127.0.0.1/game", false, false, false},
      {L"about:blank", true, false, false},
      {L"http://a/", false, true, true},
      {L"javascript:alert(1)", false, false, true},
      {L"app://exitgame", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.url, c.url + wcslen(c.url)) << " frame "
                                    << c.inFrame);
    browser::BrowserEvents events;
    int calls = 0;
    events.BeforeNavigate2 = [&](const std::wstring&, bool top, bool& cancel) {
      ++calls;
      EXPECT_EQ(top, !c.inFrame);
      cancel = c.handlerCancels;
    };
    Args args;
    args.Disp(c.inFrame ? frame.Get() : browser.Get()).RefStr(c.url).RefI4(0).RefEmpty()
        .RefEmpty().RefEmpty().Flag();
    DISPPARAMS params = args.Params();
    EXPECT_EQ(DecodeBrowserEvent(DISPID_BEFORENAVIGATE2, &params, events, browser.Get()),
              EventDecode::Raised);
    EXPECT_EQ(calls, 1);  // the window's commands come first
    EXPECT_EQ(args.FlagValue(), c.cancelled ? VARIANT_TRUE : VARIANT_FALSE);
  }
}

TEST(BrowserEventsTest, AHandlerMayLeaveCancelAsTheControlGaveIt) {
  // The control may propose Cancel = true (a blocked pop-up); a handler that does not touch it
  // keeps it, one that clears it clears it.
  for (bool clear : {false, true}) {
    browser::BrowserEvents events;
    events.BeforeNavigate2 = [clear](const std::wstring&, bool, bool& cancel) {
      if (clear) cancel = false;
    };
    VARIANT_BOOL flag = VARIANT_TRUE;
    VARIANT url{};
    url.vt = VT_BSTR;
    win::Bstr text(L"http://a/");
    url.bstrVal = text.Get();
    VARIANT args[7] = {};
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &flag;
    for (int i = 1; i <= 4; ++i) args[i].vt = VT_EMPTY;
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &url;
    args[6].vt = VT_DISPATCH;
    DISPPARAMS params{args, nullptr, 7, 0};
    EXPECT_EQ(DecodeBrowserEvent(DISPID_BEFORENAVIGATE2, &params, events, nullptr),
              EventDecode::Raised);
    EXPECT_EQ(flag, clear ? VARIANT_FALSE : VARIANT_TRUE);
  }
}

}  // namespace
}  // namespace qorv

// A Windows-side probe for end-to-end tests: it looks at the programs under test from outside,
// the way a user's desktop sees them, so tests wait for real windows instead of sleeping.
//
//   probe find   --class C [--title T] [--timeout MS] [--visible]
//   probe absent --class C [--title T] --for MS
//   probe msgbox [--title T] [--timeout MS] [--press ok|yes|no|cancel|retry|none]
//   probe close  --class C [--title T]
//   probe key    --class C [--title T] --vk N
//   probe click  --class C [--title T] --x X --y Y      (client coordinates; the deepest child
//                                                       window there gets the press)
//   probe pixel  --x X --y Y                            (screen coordinates)
//   probe list
//   probe count  --class C --child K                    (descendants of class K)
//   probe dde    --service S --topic T --execute TEXT   (a DDE client's execute)
//
// Output is UTF-8, one "key=value" field per space-separated token; exit 0 on success.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"

namespace {

std::map<std::wstring, std::wstring> g_opts;

void Print(const std::wstring& text) {
  std::string bytes = qorv::WideToUtf8(text + L"\n");
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

std::wstring Opt(const wchar_t* name, const std::wstring& fallback = L"") {
  auto it = g_opts.find(name);
  return it == g_opts.end() ? fallback : it->second;
}
int IntOpt(const wchar_t* name, int fallback) {
  auto v = Opt(name);
  return v.empty() ? fallback : _wtoi(v.c_str());
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  ::GetClassNameW(h, buf, 256);
  return buf;
}
std::wstring TitleOf(HWND h) {
  int n = ::GetWindowTextLengthW(h);
  std::wstring t(n + 1, L'\0');
  ::GetWindowTextW(h, t.data(), n + 1);
  t.resize(n);
  return t;
}

struct Match {
  std::wstring cls, title;
  bool visibleOnly = false;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND h, LPARAM lp) {
  auto* m = reinterpret_cast<Match*>(lp);
  if (!m->cls.empty() && ClassOf(h) != m->cls) return TRUE;
  if (g_opts.count(L"title") && TitleOf(h) != m->title) return TRUE;
  if (m->visibleOnly && !::IsWindowVisible(h)) return TRUE;
  m->found.push_back(h);
  return TRUE;
}

HWND FindOnce(const std::wstring& cls, bool visibleOnly) {
  Match m{cls, Opt(L"title"), visibleOnly, {}};
  ::EnumWindows(&Collect, reinterpret_cast<LPARAM>(&m));
  return m.found.empty() ? nullptr : m.found.front();
}

HWND WaitFor(const std::wstring& cls, int timeoutMs, bool visibleOnly) {
  DWORD end = ::GetTickCount() + timeoutMs;
  for (;;) {
    if (HWND h = FindOnce(cls, visibleOnly)) return h;
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return nullptr;
    ::Sleep(50);
  }
}

std::wstring Hex(ULONG_PTR v) {
  wchar_t buf[32];
  ::wsprintfW(buf, L"0x%I64x", static_cast<unsigned long long>(v));
  return buf;
}

std::wstring Describe(HWND h) {
  RECT r{};
  ::GetWindowRect(h, &r);
  RECT c{};
  ::GetClientRect(h, &c);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(h, &pid);
  return L"hwnd=" + Hex(reinterpret_cast<ULONG_PTR>(h)) + L" x=" + std::to_wstring(r.left) +
         L" y=" + std::to_wstring(r.top) + L" w=" + std::to_wstring(r.right - r.left) + L" h=" +
         std::to_wstring(r.bottom - r.top) + L" cw=" + std::to_wstring(c.right) + L" ch=" +
         std::to_wstring(c.bottom) + L" visible=" + (::IsWindowVisible(h) ? L"1" : L"0") +
         L" iconic=" + (::IsIconic(h) ? L"1" : L"0") + L" style=" +
         Hex(static_cast<DWORD>(::GetWindowLongW(h, GWL_STYLE))) + L" exstyle=" +
         Hex(static_cast<DWORD>(::GetWindowLongW(h, GWL_EXSTYLE))) + L" pid=" +
         std::to_wstring(pid) + L" class=" + ClassOf(h) + L" title=" + TitleOf(h);
}

BOOL CALLBACK CollectChildText(HWND h, LPARAM lp) {
  auto* out = reinterpret_cast<std::vector<std::pair<std::wstring, HWND>>*>(lp);
  out->push_back({ClassOf(h), h});
  return TRUE;
}

int CmdFind() {
  HWND h = WaitFor(Opt(L"class"), IntOpt(L"timeout", 10000), g_opts.count(L"visible") > 0);
  if (!h) {
    Print(L"notfound");
    return 1;
  }
  Print(L"found " + Describe(h));
  return 0;
}

int CmdAbsent() {
  DWORD end = ::GetTickCount() + IntOpt(L"for", 2000);
  do {
    if (HWND h = FindOnce(Opt(L"class"), false)) {
      Print(L"present " + Describe(h));
      return 1;
    }
    ::Sleep(50);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
  Print(L"absent");
  return 0;
}

int CmdMsgBox() {
  HWND box = WaitFor(L"#32770", IntOpt(L"timeout", 10000), true);
  if (!box) {
    Print(L"notfound");
    return 1;
  }
  std::vector<std::pair<std::wstring, HWND>> children;
  ::EnumChildWindows(box, &CollectChildText, reinterpret_cast<LPARAM>(&children));
  std::wstring text, buttons;
  for (auto& [cls, h] : children) {
    if (_wcsicmp(cls.c_str(), L"Static") == 0 && !TitleOf(h).empty()) text = TitleOf(h);
    if (_wcsicmp(cls.c_str(), L"Button") == 0) {
      if (!buttons.empty()) buttons += L",";
      buttons += std::to_wstring(::GetDlgCtrlID(h));
    }
  }
  // The text is printed last and whole: it may hold spaces.
  Print(L"found buttons=" + buttons + L" title=" + TitleOf(box) + L" text=" + text);
  std::wstring press = Opt(L"press", L"none");
  int id = press == L"ok" ? IDOK : press == L"yes" ? IDYES : press == L"no" ? IDNO
         : press == L"cancel" ? IDCANCEL : press == L"retry" ? IDRETRY : 0;
  if (id) {
    HWND button = ::GetDlgItem(box, id);
    if (!button) {
      Print(L"nobutton");
      return 1;
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  return 0;
}

HWND Target() {
  HWND h = WaitFor(Opt(L"class"), IntOpt(L"timeout", 5000), false);
  if (!h) Print(L"notfound");
  return h;
}

int CmdClose() {
  HWND h = Target();
  if (!h) return 1;
  ::PostMessageW(h, WM_CLOSE, 0, 0);
  Print(L"closed");
  return 0;
}

int CmdKey() {
  HWND h = Target();
  if (!h) return 1;
  auto vk = static_cast<WPARAM>(IntOpt(L"vk", 0));
  ::PostMessageW(h, WM_KEYDOWN, vk, 1);
  ::PostMessageW(h, WM_KEYUP, vk, 0xC0000001);
  Print(L"sent");
  return 0;
}

// A menu command as the window gets it from its menu.
int CmdCommand() {
  HWND h = Target();
  if (!h) return 1;
  ::PostMessageW(h, WM_COMMAND, MAKEWPARAM(IntOpt(L"id", 0), 0), 0);
  Print(L"sent");
  return 0;
}

int CmdClick() {
  HWND h = Target();
  if (!h) return 1;
  POINT pt{IntOpt(L"x", 0), IntOpt(L"y", 0)};
  for (;;) {
    HWND child = ::ChildWindowFromPointEx(h, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (!child || child == h) break;
    ::MapWindowPoints(h, child, &pt, 1);
    h = child;
  }
  LPARAM pos = MAKELPARAM(pt.x, pt.y);
  ::PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, pos);
  ::PostMessageW(h, WM_LBUTTONUP, 0, pos);
  Print(L"sent");
  return 0;
}

int CmdCount() {
  HWND h = WaitFor(Opt(L"class"), IntOpt(L"timeout", 5000), false);
  if (!h) return 1;
  struct Ctx {
    std::wstring cls;
    int n;
  } ctx{Opt(L"child"), 0};
  ::EnumChildWindows(
      h,
      [](HWND c, LPARAM lp) -> BOOL {
        auto* x = reinterpret_cast<Ctx*>(lp);
        wchar_t name[128] = {};
        ::GetClassNameW(c, name, 128);
        x->n += x->cls == name;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  Print(L"count=" + std::to_wstring(ctx.n));
  return 0;
}

HDDEDATA CALLBACK DdeClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

int CmdDde() {
  DWORD instance = 0;
  if (::DdeInitializeW(&instance, DdeClientCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    return 2;
  }
  HSZ service = ::DdeCreateStringHandleW(instance, Opt(L"service").c_str(), CP_WINUNICODE);
  HSZ topic = ::DdeCreateStringHandleW(instance, Opt(L"topic").c_str(), CP_WINUNICODE);
  HCONV conv = ::DdeConnect(instance, service, topic, nullptr);
  int rc = 3;
  if (conv) {
    std::wstring text = Opt(L"execute");
    DWORD result = 0;
    HDDEDATA ok = ::DdeClientTransaction(
        reinterpret_cast<LPBYTE>(text.data()), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
        conv, nullptr, 0, XTYP_EXECUTE, static_cast<DWORD>(IntOpt(L"timeout", 10000)), &result);
    rc = ok ? 0 : 4;
    Print(L"ok=" + std::to_wstring(ok ? 1 : 0));
    ::DdeDisconnect(conv);
  }
  ::DdeFreeStringHandle(instance, service);
  ::DdeFreeStringHandle(instance, topic);
  ::DdeUninitialize(instance);
  return rc;
}

int CmdPixel() {
  HDC screen = ::GetDC(nullptr);
  COLORREF c = ::GetPixel(screen, IntOpt(L"x", 0), IntOpt(L"y", 0));
  ::ReleaseDC(nullptr, screen);
  Print(L"r=" + std::to_wstring(GetRValue(c)) + L" g=" + std::to_wstring(GetGValue(c)) +
        L" b=" + std::to_wstring(GetBValue(c)));
  return 0;
}

BOOL CALLBACK ListOne(HWND h, LPARAM) {
  if (::IsWindowVisible(h)) Print(Describe(h));
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  std::wstring cmd = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a.rfind(L"--", 0) != 0) continue;
    std::wstring key = a.substr(2);
    bool hasValue = i + 1 < argc && std::wstring(argv[i + 1]).rfind(L"--", 0) != 0;
    g_opts[key] = hasValue ? argv[++i] : L"1";
  }
  if (cmd == L"find") return CmdFind();
  if (cmd == L"absent") return CmdAbsent();
  if (cmd == L"msgbox") return CmdMsgBox();
  if (cmd == L"close") return CmdClose();
  if (cmd == L"key") return CmdKey();
  if (cmd == L"click") return CmdClick();
  if (cmd == L"command") return CmdCommand();
  if (cmd == L"pixel") return CmdPixel();
  if (cmd == L"count") return CmdCount();
  if (cmd == L"dde") return CmdDde();
  if (cmd == L"list") {
    ::EnumWindows(&ListOne, 0);
    return 0;
  }
  Print(L"unknown command");
  return 2;
}

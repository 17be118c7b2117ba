// The road of a login, timed from outside with the real browser control: process start to the
// login page's first navigation event (with "app://exitgame" as the login page the client ends
// right after it), "app://loadgame" to a visible game window, and the client's working set with
// 1 and with 10 tabs (nine further pages opened through its DDE topic). A bare one-window program
// started by the same launcher is the yardstick.
//
//   road_bench <client.exe> <bare.exe> <probe.exe> <game url>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "win/support/test_window.h"

namespace {

struct Launched {
  PROCESS_INFORMATION pi{};
  double start = 0;
};

bool Launch(const std::wstring& exe, Launched& l) {
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{sizeof(si)};
  l.start = qorv::test::NowSeconds();
  return ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &l.pi) != FALSE;
}

void Close(Launched& l) {
  if (::WaitForSingleObject(l.pi.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(l.pi.hProcess, 1);
  ::WaitForSingleObject(l.pi.hProcess, 5000);
  ::CloseHandle(l.pi.hThread);
  ::CloseHandle(l.pi.hProcess);
}

double UntilVisible(Launched& l, const wchar_t* cls) {
  while (qorv::test::NowSeconds() - l.start < 30) {
    HWND h = ::FindWindowW(cls, nullptr);
    if (h && ::IsWindowVisible(h)) return qorv::test::NowSeconds() - l.start;
    ::Sleep(1);
  }
  return -1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

double WorkingSetMB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS pmc{sizeof(pmc)};
  if (!::GetProcessMemoryInfo(process, &pmc, sizeof(pmc))) return -1;
  return pmc.WorkingSetSize / (1024.0 * 1024.0);
}

void RunAndWait(const std::wstring& cmdLine) {
  std::wstring cmd = cmdLine;
  STARTUPINFOW si{sizeof(si)};
  si.dwFlags = STARTF_USESTDHANDLES;  // the probe's "ok=1" lines stay out of the report
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return;
  }
  ::WaitForSingleObject(pi.hProcess, 20000);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const std::wstring client = argv[1], bare = argv[2], probe = argv[3], game = argv[4];
  std::vector<double> bareTimes, firstNavigation, toGame;
  for (int round = 0; round < 5; ++round) {
    Launched b;
    if (Launch(bare, b)) {
      bareTimes.push_back(UntilVisible(b, L"Qorv.BareWindow"));
      Close(b);
    }
    ::SetEnvironmentVariableW(L"QORV_LOGIN_URL", L"app://exitgame");
    Launched c;
    if (Launch(client, c)) {
      if (::WaitForSingleObject(c.pi.hProcess, 30000) == WAIT_OBJECT_0) {
        firstNavigation.push_back(qorv::test::NowSeconds() - c.start);
      }
      Close(c);
    }
    ::SetEnvironmentVariableW(L"QORV_LOGIN_URL", (L"app://loadgame|" + game).c_str());
    Launched g;
    if (Launch(client, g)) {
      toGame.push_back(UntilVisible(g, L"Qorv.WebMainFrm"));
      if (round == 0) {
        ::Sleep(1000);
        std::printf("working_set_1_tab_mb=%.1f\n", WorkingSetMB(g.pi.hProcess));
        for (int i = 1; i < 10; ++i) {
          RunAndWait(L"\"" + probe + L"\" dde --service qorv --topic TidewellDDE --execute " +
                     game + L"?tab=" + std::to_wstring(i));
        }
        ::Sleep(1000);
        std::printf("working_set_10_tabs_mb=%.1f\n", WorkingSetMB(g.pi.hProcess));
      }
      Close(g);
    }
  }
  const double tBare = Median(bareTimes), tNav = Median(firstNavigation), tGame = Median(toGame);
  std::printf("road_bare_window_ms=%.1f\n", tBare * 1000);
  std::printf("road_start_to_login_navigation_ms=%.1f (ratio %.2f)\n", tNav * 1000,
              tBare > 0 ? tNav / tBare : -1.0);
  // Start to game window, less start to the login page's navigation: the hand-over itself.
  std::printf("road_loadgame_to_game_window_ms=%.1f\n", (tGame - tNav) * 1000);
  return (tBare > 0 && tNav > 0 && tGame > 0) ? 0 : 1;
}

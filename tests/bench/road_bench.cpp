// The road of a login with the real browser control: process start to the login page's first
// navigation event (with "app://exitgame" as the login page the client ends right after it),
// "app://loadgame" to the visible game window as the client itself times it, and the client's
// working set with 1 and with 10 tabs (nine further pages opened through its DDE topic). A bare
// one-window program started by the same launcher is the yardstick.
//
// The hand-over is read from the client's log line (base/handover_clock.h) rather than timed from
// outside: two process starts subtracted from each other vary more than the whole hand-over on a
// shared machine. Each round asks the client for its steps too, so the remaining time is
// explained. With --compare, a second build of the client runs the hand-over in the rounds
// between, so both are measured in the same minute.
//
//   road_bench [--rounds N] [--handover-only] [--compare <other client.exe>]
//              <client.exe> <bare.exe> <probe.exe> <game url>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/handover_clock.h"
#include "base/text.h"
#include "base/win/log.h"
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
  if (v.empty()) return -1;
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
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

// The log from byte `from` on; all of it when it is shorter (it started again meanwhile).
std::string ReadFrom(const std::wstring& path, uint64_t from) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{};
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(from);
  if (::GetFileSizeEx(file, &size) && static_cast<uint64_t>(size.QuadPart) >= from) {
    ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  }
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  ::CloseHandle(file);
  return bytes;
}

uint64_t LogSize() {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(qorv::win::LogFilePath().c_str(), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The hand-over line the client wrote to the shared log past `from` (process ids come again, so
// older lines are not looked at). Looked for a few times a second only: a watcher that asked the
// system for the window every millisecond would take its share of the time it measures.
std::optional<qorv::HandoverRecord> HandoverOf(const Launched& l, uint64_t from) {
  const std::string tag = "[" + std::to_string(l.pi.dwProcessId) + "] ";
  const std::wstring path = qorv::win::LogFilePath();
  while (qorv::test::NowSeconds() - l.start < 30) {
    const bool ended = ::WaitForSingleObject(l.pi.hProcess, 0) == WAIT_OBJECT_0;
    std::istringstream log(ReadFrom(path, from));
    std::string line;
    while (std::getline(log, line)) {
      if (line.find(tag) == std::string::npos) continue;
      if (auto record = qorv::ParseHandoverLine(qorv::Utf8ToWide(line))) return record;
    }
    if (ended) break;
    ::Sleep(25);
  }
  return std::nullopt;
}

struct Handovers {
  std::vector<double> totals;
  std::vector<double> fromCommand;  // less the wait for the posted command
  std::map<std::wstring, std::vector<double>> steps;
  std::vector<std::wstring> order;  // the steps in the client's order
};

// One hand-over of `client`; with `tabs`, the working set with 1 and with 10 tabs as well.
void RunHandover(const std::wstring& client, const std::wstring& probe, const std::wstring& game,
                 bool tabs, Handovers& into) {
  ::SetEnvironmentVariableW(L"QORV_LOGIN_URL", (L"app://loadgame|" + game).c_str());
  ::SetEnvironmentVariableW(L"QORV_HANDOVER_STEPS", L"1");
  const uint64_t logSize = LogSize();
  Launched g;
  if (!Launch(client, g)) return;
  if (auto record = HandoverOf(g, logSize)) {
    into.totals.push_back(record->totalMs);
    // A step that ran more than once in the round (a layout) counts with its sum.
    std::map<std::wstring, double> round;
    for (const qorv::HandoverStep& s : record->steps) {
      if (!into.steps.count(s.name) && !round.count(s.name)) into.order.push_back(s.name);
      round[s.name] += s.ms;
    }
    for (const auto& [name, ms] : round) into.steps[name].push_back(ms);
    into.fromCommand.push_back(record->totalMs - round[L"to_command"]);
  }
  if (tabs) {
    ::Sleep(1000);
    std::printf("working_set_1_tab_mb=%.1f\n", WorkingSetMB(g.pi.hProcess));
    for (int i = 1; i < 10; ++i) {
      RunAndWait(L"\"" + probe + L"\" dde --service qorv --topic TidewellDDE --execute " + game +
                 L"?tab=" + std::to_wstring(i));
    }
    ::Sleep(1000);
    std::printf("working_set_10_tabs_mb=%.1f\n", WorkingSetMB(g.pi.hProcess));
  }
  ::SetEnvironmentVariableW(L"QORV_HANDOVER_STEPS", nullptr);
  Close(g);
}

void Report(const char* prefix, const Handovers& h) {
  if (h.totals.empty()) {
    std::printf("%sroad_loadgame_to_visible_ms=none (no hand-over line in the log)\n", prefix);
    return;
  }
  const auto [lo, hi] = std::minmax_element(h.totals.begin(), h.totals.end());
  std::printf("%sroad_loadgame_to_visible_ms=%.1f (min %.1f, max %.1f, %zu rounds)\n", prefix,
              Median(h.totals), *lo, *hi, h.totals.size());
  // With the login page's address itself the command, the command is taken during start-up and
  // waits for the splash to be shown; a page the player clicks on has nothing before it.
  std::printf("%sroad_loadgame_from_command_ms=%.1f\n", prefix, Median(h.fromCommand));
  for (const std::wstring& name : h.order) {
    std::printf("%s  step_%s_ms=%.1f\n", prefix, qorv::WideToUtf8(name).c_str(),
                Median(h.steps.at(name)));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int rounds = 9;
  bool handoverOnly = false;
  std::wstring compare;
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--rounds" && i + 1 < argc) {
      rounds = std::max(1, _wtoi(argv[++i]));
    } else if (a == L"--handover-only") {
      handoverOnly = true;
    } else if (a == L"--compare" && i + 1 < argc) {
      compare = argv[++i];
    } else {
      args.push_back(a);
    }
  }
  if (args.size() < 4) return 2;
  const std::wstring client = args[0], bare = args[1], probe = args[2], game = args[3];
  std::vector<double> bareTimes, firstNavigation;
  Handovers mine, theirs;
  for (int round = 0; round < rounds; ++round) {
    if (!handoverOnly) {
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
    }
    // The compared build goes first in odd rounds, so neither always follows the other.
    if (!compare.empty() && round % 2) RunHandover(compare, probe, game, false, theirs);
    RunHandover(client, probe, game, !handoverOnly && round == 0, mine);
    if (!compare.empty() && round % 2 == 0) RunHandover(compare, probe, game, false, theirs);
  }
  if (!handoverOnly) {
    const double tBare = Median(bareTimes), tNav = Median(firstNavigation);
    std::printf("road_bare_window_ms=%.1f\n", tBare * 1000);
    std::printf("road_start_to_login_navigation_ms=%.1f (ratio %.2f)\n", tNav * 1000,
                tBare > 0 ? tNav / tBare : -1.0);
    if (tBare <= 0 || tNav <= 0) return 1;
  }
  Report("", mine);
  if (!compare.empty()) Report("compared: ", theirs);
  return mine.totals.empty() || (!compare.empty() && theirs.totals.empty()) ? 1 : 0;
}

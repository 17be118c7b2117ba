// Start-up benchmark: the time from CreateProcess to a visible window of the given class, for the
// client's splash, for a bare one-window program and for the platform's floor (a program that does
// only what the start-up order requires before the splash, then shows one window), measured from
// the same launcher so all pay the same process start-up. The machine is shared: the figures are
// medians of interleaved rounds, and the ratio is taken within each round.
//
// Besides, this program runs itself as a child that goes through the client's start-up steps in
// their order with the client's own functions and reports when each one ended, which is where the
// client's time goes (first calls included: each step pays for the libraries it is first to use).
//
//   startup_bench <client.exe> <bare.exe> <floor.exe> [<update.exe>]
//   startup_bench --phases|--bare-phases <launch time>   (the children)
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <wininet.h>

#include "base/win/environment.h"
#include "browser/browser.h"
#include "login/image_control.h"
#include "login/login_forms.h"
#include "startup/layered_image.h"
#include "startup/load_frm.h"
#include "startup/public_data.h"
#include "win/support/test_window.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace {

// More rounds (QORV_BENCH_ROUNDS) steady the medians on a busy machine.
int Rounds() {
  wchar_t text[16] = L"";
  ::GetEnvironmentVariableW(L"QORV_BENCH_ROUNDS", text, 16);
  const int rounds = _wtoi(text);
  return rounds > 0 && rounds <= 200 ? rounds : 9;
}
constexpr wchar_t kPhaseSplashClass[] = L"Qorv.PhaseSplash";

// Starts `cmd` with its standard output on a pipe; the pipe's reading end is returned.
bool Launch(const std::wstring& exe, std::wstring cmd, PROCESS_INFORMATION& pi, HANDLE* output) {
  STARTUPINFOW si{sizeof(si)};
  HANDLE write = nullptr;
  if (output) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    if (!::CreatePipe(output, &write, &sa, 1 << 16)) return false;
    ::SetHandleInformation(*output, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  }
  BOOL ok = ::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, output != nullptr, 0,
                             nullptr, nullptr, &si, &pi);
  if (write) ::CloseHandle(write);
  return ok != FALSE;
}

void EndChild(PROCESS_INFORMATION& pi) {
  // The client goes on with its login windows after the splash closes: it is ended.
  if (::WaitForSingleObject(pi.hProcess, 2000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

// Returns seconds until a visible window of `cls` appears, or -1.
double TimeToWindow(const std::wstring& exe, const wchar_t* cls) {
  PROCESS_INFORMATION pi{};
  double start = qorv::test::NowSeconds();
  if (!Launch(exe, L"\"" + exe + L"\"", pi, nullptr)) return -1;
  double result = -1;
  while (qorv::test::NowSeconds() - start < 30) {
    HWND h = ::FindWindowW(cls, nullptr);
    if (h && ::IsWindowVisible(h)) {
      result = qorv::test::NowSeconds() - start;
      ::PostMessageW(h, WM_CLOSE, 0, 0);
      break;
    }
    ::Sleep(1);
  }
  EndChild(pi);
  return result;
}

// One child run: each step's end in ms after the launch, in the order of the steps.
std::vector<std::pair<std::string, double>> RunPhaseChild(const std::wstring& self,
                                                          const wchar_t* mode) {
  std::vector<std::pair<std::string, double>> ends;
  PROCESS_INFORMATION pi{};
  HANDLE output = nullptr;
  wchar_t start[64];
  std::swprintf(start, 64, L"%.9f", qorv::test::NowSeconds());
  if (!Launch(self, L"\"" + self + L"\" " + mode + L" " + start, pi, &output)) return ends;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(output, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  ::CloseHandle(output);
  EndChild(pi);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t space = line.find(' ', 6);
    if (line.rfind("phase ", 0) != 0 || space == std::string::npos) continue;
    ends.emplace_back(line.substr(6, space - 6), std::atof(line.c_str() + space + 1));
  }
  return ends;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// ---- the child: the client's start-up steps, in order ------------------------------------

class PhaseClock {
 public:
  explicit PhaseClock(double launched) : m_launched(launched) {}
  void End(const char* phase) {
    std::printf("phase %s %.3f\n", phase, (qorv::test::NowSeconds() - m_launched) * 1000);
  }
  // As the client's own quick ends: no unload handling.
  [[noreturn]] void EndProcess() {
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), 0);
    ::ExitProcess(0);
  }

 private:
  double m_launched;
};

HWND CreatePlainWindow(const wchar_t* cls, DWORD exStyle, DWORD style, int w, int h, HWND parent) {
  WNDCLASSW wc{};
  if (!::GetClassInfoW(::GetModuleHandleW(nullptr), cls, &wc)) {
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = cls;
    ::RegisterClassW(&wc);
  }
  return ::CreateWindowExW(exStyle, cls, L"", style, 0, 0, w, h, parent, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

// The bare program's steps in this same program: what of the breakdown the bare one pays too.
[[noreturn]] void RunBarePhases(double launched) {
  PhaseClock clock(launched);
  clock.End("process_start_crt");
  HWND window = CreatePlainWindow(L"Qorv.PhaseBare", WS_EX_TOOLWINDOW, WS_POPUP, 356, 122, nullptr);
  clock.End("window");
  ::ShowWindow(window, SW_SHOWNORMAL);
  clock.End("show");
  clock.EndProcess();
}

[[noreturn]] void RunPhases(double launched) {
  using namespace qorv;
  PhaseClock clock(launched);
  clock.End("process_start_crt");
  ::OleInitialize(nullptr);
  clock.End("ole_initialize");
  startup::PrefetchLayeredPictures({startup::kSplashPicture}, {startup::kLoginBackgroundPicture});
  clock.End("pictures_prefetch_start");
  DWORD flags = 0;
  ::InternetGetConnectedState(&flags, 0);
  clock.End("connected_state");
  {
    // What the update check's download does first, on its own, so its share shows.
    HINTERNET internet =
        ::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    clock.End("wininet_open");
    HINTERNET request = internet ? ::InternetOpenUrlW(internet,
                                                      win::CurrentEndpoints().ManifestUrl().c_str(),
                                                      nullptr, 0,
                                                      INTERNET_FLAG_RELOAD |
                                                          INTERNET_FLAG_NO_CACHE_WRITE, 0)
                                 : nullptr;
    if (request) ::InternetCloseHandle(request);
    if (internet) ::InternetCloseHandle(internet);
    clock.End("wininet_first_request");
  }
  startup::CheckUpdate();
  clock.End("update_check_rest");
  HWND splash = CreatePlainWindow(kPhaseSplashClass, WS_EX_TOOLWINDOW, WS_POPUP,
                                  startup::kSplashWidth, startup::kSplashHeight, nullptr);
  clock.End("splash_window");
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  clock.End("gdiplus_startup");
  startup::LayeredImage picture;
  picture.SetUp(splash, startup::kSplashPicture, false);
  clock.End("splash_png_decode_compose");
  HWND page = CreatePlainWindow(L"Qorv.PhasePage", 0, WS_POPUP | WS_CLIPCHILDREN,
                                login::kLoginWidth, login::kLoginHeight, nullptr);
  HWND container =
      CreatePlainWindow(L"Qorv.PhasePicture", 0, WS_CHILD | WS_VISIBLE, 748, 456, page);
  clock.End("login_windows");
  std::unique_ptr<browser::IBrowser> control =
      browser::CreateBrowser(container, RECT{-1, -1, -1 + 767, -1 + 475});
  clock.End("browser_create");
  login::ImageControl mini, closeButton;
  mini.Create(page, 1130, 116, login::kMiniGif, login::kKeyColour);
  closeButton.Create(page, 1146, 147, login::kCloseGif, login::kKeyColour);
  clock.End("image_buttons_gif");
  const std::wstring iconFile = startup::GetTempDir() + L"qorv.ico";
  startup::SaveResFile(101, L"ICON", iconFile);
  clock.End("icon_file_write");
  HANDLE small = ::LoadImageW(nullptr, iconFile.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
  clock.End("icon_load_16");
  HWND background = login::LoginBgForm().Hwnd();
  clock.End("login_background_png");
  ::SendMessageW(background, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  HANDLE big = ::LoadImageW(nullptr, iconFile.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE);
  ::SendMessageW(background, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  clock.End("icon_load_32");
  if (control) control->Navigate(win::CurrentEndpoints().LoginPageUrl());
  clock.End("navigate_start");
  ::SetWindowLongPtrW(page, GWL_EXSTYLE, ::GetWindowLongPtrW(page, GWL_EXSTYLE) | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(page, login::kKeyColour, 0, LWA_COLORKEY);
  ::SetWindowLongPtrW(page, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(background));
  clock.End("page_layered_owner");
  ::ShowWindow(splash, SW_SHOWNORMAL);
  startup::DecodeAfterSplashPictures();
  clock.End("show_splash");
  clock.EndProcess();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"--phases") == 0) RunPhases(std::wcstod(argv[2], nullptr));
  if (argc == 3 && std::wcscmp(argv[1], L"--bare-phases") == 0) {
    RunBarePhases(std::wcstod(argv[2], nullptr));
  }
  if (argc < 4) return 2;
  std::wstring client = argv[1], bare = argv[2], floorProgram = argv[3];
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  TimeToWindow(bare, L"Qorv.BareWindow");  // warm the file cache once
  TimeToWindow(client, L"Qorv.LoadFrm");
  TimeToWindow(floorProgram, L"Qorv.FloorWindow");
  std::vector<double> bares, clients, ratios, floors, floorRatios;
  struct Breakdown {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> durations;
    void Add(const std::vector<std::pair<std::string, double>>& ends) {
      double previous = 0;
      for (auto& [phase, end] : ends) {
        if (!durations.count(phase)) order.push_back(phase);
        durations[phase].push_back(end - previous);
        previous = end;
      }
    }
    void Print(const char* prefix) {
      double total = 0;
      for (const auto& phase : order) total += Median(durations[phase]);
      for (const auto& phase : order) {
        double ms = Median(durations[phase]);
        std::printf("%s%s_ms=%.1f (%.0f%%)\n", prefix, phase.c_str(), ms,
                    total > 0 ? 100 * ms / total : 0.0);
      }
      std::printf("%stotal_ms=%.1f\n", prefix, total);
    }
    double Sum(std::initializer_list<const char*> phases) {
      double sum = 0;
      for (const char* phase : phases) sum += Median(durations[phase]);
      return sum;
    }
  } clientPhases, barePhases;
  const int rounds = Rounds();
  for (int round = 0; round < rounds; ++round) {
    double tBare = TimeToWindow(bare, L"Qorv.BareWindow");
    double tClient = TimeToWindow(client, L"Qorv.LoadFrm");
    double tFloor = TimeToWindow(floorProgram, L"Qorv.FloorWindow");
    if (tBare <= 0 || tClient <= 0 || tFloor <= 0) return 1;
    bares.push_back(tBare * 1000);
    clients.push_back(tClient * 1000);
    floors.push_back(tFloor * 1000);
    ratios.push_back(tClient / tBare);
    floorRatios.push_back(tClient / tFloor);
    barePhases.Add(RunPhaseChild(self, L"--bare-phases"));
    clientPhases.Add(RunPhaseChild(self, L"--phases"));
  }
  std::printf("startup_rounds=%d\n", rounds);
  barePhases.Print("startup_bare_phase_");
  clientPhases.Print("startup_phase_");
  // What the steps cost that no picture, icon or second window of ours is in: the libraries, OLE,
  // the connection check, the update check's request, one window, the browser control and its
  // first navigation. Against the bare program's own steps, this is as low as the ratio can go
  // with the steps in their order.
  const double floor = clientPhases.Sum({"process_start_crt", "ole_initialize", "connected_state",
                                         "wininet_open", "wininet_first_request", "splash_window",
                                         "browser_create", "navigate_start", "show_splash"});
  const double bareTotal = barePhases.Sum({"process_start_crt", "window", "show"});
  std::printf("startup_platform_floor_ms=%.1f\n", floor);
  std::printf("startup_platform_floor_ratio=%.2f\n", bareTotal > 0 ? floor / bareTotal : -1.0);
  double allPhases = 0;
  for (const auto& phase : clientPhases.order) allPhases += Median(clientPhases.durations[phase]);
  std::printf("startup_client_over_floor=%.2f (the client's steps against the floor's)\n",
              floor > 0 ? allPhases / floor : -1.0);
  std::printf("startup_bare_ms=%.1f\n", Median(bares));
  std::printf("startup_client_splash_ms=%.1f\n", Median(clients));
  std::printf("startup_ratio=%.2f (median of the rounds' ratios)\n", Median(ratios));
  std::printf("startup_floor_program_ms=%.1f\n", Median(floors));
  std::printf("startup_ratio_to_floor=%.2f (client to splash against the floor program to its "
              "window, median of the rounds' ratios; spread %.2f-%.2f)\n",
              Median(floorRatios), *std::min_element(floorRatios.begin(), floorRatios.end()),
              *std::max_element(floorRatios.begin(), floorRatios.end()));
  std::printf("size_qorv_exe_bytes=%lld\n", FileSize(client));
  std::printf("size_update_exe_bytes=%lld\n", FileSize(argc > 4 ? argv[4] : L""));
  return 0;
}

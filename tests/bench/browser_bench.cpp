// The cost of one WebBrowser control: creation (CoCreateInstance, site, in-place activation,
// event connection) and destruction (the full teardown), in milliseconds, median of many. The
// first creation in the process, which loads the control's libraries, is printed apart.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/win/com.h"
#include "browser/web_browser_host.h"
#include "win/support/test_window.h"

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int wmain() {
  using qorv::test::NowSeconds;
  qorv::win::OleSession ole;  // as the program would: OLE stays up between controls
  HWND host = qorv::test::CreateHostWindow(100, 100, 800, 500, L"browser bench");
  const RECT rect{0, 0, 767, 475};

  double t0 = NowSeconds();
  auto first = qorv::browser::CreateWebBrowserHost(host, rect);
  double firstCreate = NowSeconds() - t0;
  if (!first) {
    std::printf("browser_create_failed=1\n");
    return 1;
  }
  first.reset();
  qorv::test::PumpFor(50);

  constexpr int kRuns = 60;
  std::vector<double> create, destroy;
  for (int i = 0; i < kRuns; ++i) {
    double a = NowSeconds();
    auto b = qorv::browser::CreateWebBrowserHost(host, rect);
    double c = NowSeconds();
    if (!b) {
      std::printf("browser_create_failed=1\n");
      return 1;
    }
    b.reset();
    double d = NowSeconds();
    create.push_back((c - a) * 1000);
    destroy.push_back((d - c) * 1000);
    qorv::test::PumpFor(1);
  }
  std::printf("browser_first_create_ms=%.2f\n", firstCreate * 1000);
  std::printf("browser_create_ms_median=%.3f\n", Median(create));
  std::printf("browser_destroy_ms_median=%.3f\n", Median(destroy));
  std::printf("browser_runs=%d\n", kRuns);
  ::DestroyWindow(host);
  return 0;
}

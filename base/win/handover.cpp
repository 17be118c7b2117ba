#include "base/win/handover.h"

#include <windows.h>

#include "base/handover_clock.h"
#include "base/win/environment.h"
#include "base/win/log.h"

namespace qorv::win {
namespace {

HandoverClock& Clock() {
  static HandoverClock clock;
  return clock;
}

}  // namespace

double MonotonicMs() {
  static const double perMs = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / perMs;
}

void HandoverBegin() {
  const auto steps = GetEnvironment(L"QORV_HANDOVER_STEPS");
  Clock().Begin(MonotonicMs(), steps && !steps->empty() && *steps != L"0");
}

void HandoverStep(std::wstring_view name) {
  // Not even the counter is read unless the steps were asked for.
  if (Clock().RecordsSteps()) Clock().Step(name, MonotonicMs());
}

void HandoverShown(int dpi) {
  if (auto record = Clock().End(MonotonicMs(), dpi, L"paint")) LogInfo(HandoverLine(*record));
}

}  // namespace qorv::win

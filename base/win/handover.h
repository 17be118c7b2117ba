// The hand-over clock of the running client (base/handover_clock.h): started where the login
// page's "app://loadgame" is taken, ended when the main window has first been shown and painted,
// which writes one line to the log. The steps between are recorded only when the environment
// variable QORV_HANDOVER_STEPS is set (the benchmark sets it), and cost nothing otherwise.
#pragma once

#include <string_view>

namespace qorv::win {

// Milliseconds on the performance counter: monotonic, unlike the log's wall-clock stamps.
double MonotonicMs();

void HandoverBegin();
void HandoverStep(std::wstring_view name);
// Logs the line and stops the clock; nothing when no hand-over is running.
void HandoverShown(int dpi);

}  // namespace qorv::win

// The hand-over from the login page's "app://loadgame" to the main window first seen, timed by
// the client itself on one monotonic clock, and the log line that carries it. The benchmark
// reads the same line back, so the writer and the reader live here together.
//
// The line: "loadgame_to_visible_ms=123.4 dpi=96", and when steps were asked for,
// " steps=close_login:12.3,load:45.6,...". The steps are consecutive: they add up to the total.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qorv {

struct HandoverStep {
  std::wstring name;
  double ms = 0;
};

struct HandoverRecord {
  double totalMs = 0;
  int dpi = 0;
  std::vector<HandoverStep> steps;  // empty unless asked for
};

// Milliseconds with one decimal, independent of any locale.
std::wstring HandoverLine(const HandoverRecord& record);
// Finds the line's text anywhere in a log line (after its time stamp and level); nullopt for any
// other line or a damaged one.
std::optional<HandoverRecord> ParseHandoverLine(std::wstring_view logLine);

// One hand-over at a time: a second "app://loadgame" (a login from the running game) starts the
// clock again; ending it gives the record once.
class HandoverClock {
 public:
  void Begin(double nowMs, bool withSteps);
  bool Running() const { return m_running; }
  bool RecordsSteps() const { return m_running && m_withSteps; }
  // Ends the step that ran since the previous mark (or the start). Nothing when not running or
  // when steps were not asked for.
  void Step(std::wstring_view name, double nowMs);
  // The last stretch becomes a step named lastStep.
  std::optional<HandoverRecord> End(double nowMs, int dpi, std::wstring_view lastStep);

 private:
  bool m_running = false;
  bool m_withSteps = false;
  double m_begin = 0;
  double m_lastMark = 0;
  std::vector<HandoverStep> m_steps;
};

}  // namespace qorv

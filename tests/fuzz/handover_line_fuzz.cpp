// Fuzz target for the hand-over line as the benchmark reads it back from a log that other lines,
// outside text among them, share.
// fuzz-sources: base/handover_clock.cpp
// fuzz-seed: L2026-12-10 10:00:00.000 [42] INFO loadgame_to_visible_ms=123.4 dpi=96
// fuzz-seed: Lloadgame_to_visible_ms=150.0 dpi=144 steps=close_login:10.0,paint:139.9\r
// fuzz-seed: Lloadgame_to_visible_ms=1.5 dpi=96 steps=a:1.,b:0.5
//
// Checks, for any text: a line that is read gives no negative time and writes back to a line that
// reads the same; no step has an empty name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/handover_clock.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qorv;
  using fuzz::Check;
  const auto record = ParseHandoverLine(fuzz::TextOf(data, size));
  if (!record) return 0;
  Check(record->totalMs >= 0 && record->dpi >= 0);
  for (const HandoverStep& step : record->steps) Check(!step.name.empty() && step.ms >= 0);
  const std::wstring line = HandoverLine(*record);
  const auto again = ParseHandoverLine(line);
  Check(again.has_value());
  Check(HandoverLine(*again) == line);
  Check(again->steps.size() == record->steps.size());
  return 0;
}

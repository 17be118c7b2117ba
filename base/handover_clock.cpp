#include "base/handover_clock.h"

#include <cmath>
#include <cstdint>

namespace qorv {
namespace {

constexpr std::wstring_view kTotalKey = L"loadgame_to_visible_ms=";
constexpr std::wstring_view kDpiKey = L" dpi=";
constexpr std::wstring_view kStepsKey = L" steps=";

// Tenths of a millisecond as integers: swprintf's "%.1f" would follow a C locale that a hosted
// component may have changed, and the reader would then see a comma.
std::wstring Tenths(double ms) {
  const int64_t tenths = ms > 0 ? static_cast<int64_t>(std::llround(ms * 10)) : 0;
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads "digits[.digits]" from the front of text; advances text past it.
std::optional<double> ReadNumber(std::wstring_view& text) {
  size_t i = 0;
  double value = 0;
  while (i < text.size() && IsDigit(text[i]) && i < 12) value = value * 10 + (text[i++] - L'0');
  if (i == 0) return std::nullopt;
  if (i < text.size() && text[i] == L'.') {
    ++i;
    double scale = 0.1;
    const size_t fracStart = i;
    while (i < text.size() && IsDigit(text[i]) && i - fracStart < 6) {
      value += (text[i++] - L'0') * scale;
      scale /= 10;
    }
    if (i == fracStart) return std::nullopt;
  }
  text.remove_prefix(i);
  return value;
}

bool Consume(std::wstring_view& text, std::wstring_view prefix) {
  if (text.substr(0, prefix.size()) != prefix) return false;
  text.remove_prefix(prefix.size());
  return true;
}

bool IsNameChar(wchar_t c) { return (c >= L'a' && c <= L'z') || IsDigit(c) || c == L'_'; }

}  // namespace

std::wstring HandoverLine(const HandoverRecord& record) {
  std::wstring line(kTotalKey);
  line += Tenths(record.totalMs);
  line += kDpiKey;
  line += std::to_wstring(record.dpi);
  if (!record.steps.empty()) {
    line += kStepsKey;
    for (size_t i = 0; i < record.steps.size(); ++i) {
      if (i > 0) line += L',';
      line += record.steps[i].name;
      line += L':';
      line += Tenths(record.steps[i].ms);
    }
  }
  return line;
}

std::optional<HandoverRecord> ParseHandoverLine(std::wstring_view logLine) {
  const size_t at = logLine.find(kTotalKey);
  if (at == std::wstring_view::npos) return std::nullopt;
  std::wstring_view text = logLine.substr(at + kTotalKey.size());
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.remove_suffix(1);
  HandoverRecord record;
  const std::optional<double> total = ReadNumber(text);
  if (!total || !Consume(text, kDpiKey)) return std::nullopt;
  const std::optional<double> dpi = ReadNumber(text);
  if (!dpi || *dpi != std::floor(*dpi) || *dpi > 100000) return std::nullopt;
  record.totalMs = *total;
  record.dpi = static_cast<int>(*dpi);
  if (text.empty()) return record;
  if (!Consume(text, kStepsKey)) return std::nullopt;
  do {
    size_t n = 0;
    while (n < text.size() && IsNameChar(text[n])) ++n;
    if (n == 0) return std::nullopt;
    HandoverStep step{std::wstring(text.substr(0, n)), 0};
    text.remove_prefix(n);
    if (!Consume(text, L":")) return std::nullopt;
    const std::optional<double> ms = ReadNumber(text);
    if (!ms) return std::nullopt;
    step.ms = *ms;
    record.steps.push_back(std::move(step));
  } while (Consume(text, L","));
  if (!text.empty()) return std::nullopt;
  return record;
}

void HandoverClock::Begin(double nowMs, bool withSteps) {
  m_running = true;
  m_withSteps = withSteps;
  m_begin = m_lastMark = nowMs;
  m_steps.clear();
}

void HandoverClock::Step(std::wstring_view name, double nowMs) {
  if (!m_running || !m_withSteps) return;
  m_steps.push_back({std::wstring(name), nowMs - m_lastMark});
  m_lastMark = nowMs;
}

std::optional<HandoverRecord> HandoverClock::End(double nowMs, int dpi,
                                                 std::wstring_view lastStep) {
  if (!m_running) return std::nullopt;
  Step(lastStep, nowMs);
  m_running = false;
  HandoverRecord record{nowMs - m_begin, dpi, std::move(m_steps)};
  m_steps.clear();
  return record;
}

}  // namespace qorv

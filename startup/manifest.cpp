#include "startup/manifest.h"

#include "base/text.h"

namespace qorv::startup {

bool ManifestLineSplitter::Deliver() {
  bool go_on = m_sink(m_line);
  m_line.clear();
  m_anyByte = false;
  if (!go_on) m_stopped = true;
  return go_on;
}

bool ManifestLineSplitter::Feed(std::string_view bytes) {
  for (char c : bytes) {
    if (m_stopped) return false;
    if (c == '\n' && m_afterCr) {  // the LF of a CR LF: the line was delivered at the CR
      m_afterCr = false;
      continue;
    }
    m_afterCr = c == '\r';
    if (c == '\r' || c == '\n') {
      Deliver();
      continue;
    }
    m_anyByte = true;
    if (m_line.size() < kMaxLineBytes) m_line += c;
  }
  return !m_stopped;
}

void ManifestLineSplitter::Finish() {
  if (!m_stopped && m_anyByte) Deliver();
  m_afterCr = false;
}

std::vector<std::string> SplitManifestLines(std::string_view bytes) {
  std::vector<std::string> lines;
  ManifestLineSplitter splitter([&](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  splitter.Feed(bytes);
  splitter.Finish();
  return lines;
}

ManifestStart DetectManifestEncoding(std::string_view firstBytes) {
  if (firstBytes.substr(0, 3) == "\xEF\xBB\xBF") return {ManifestEncoding::Utf8, 3};
  return {ManifestEncoding::Ansi, 0};
}

bool IsVersionLine(std::wstring_view line) {
  return AsciiLower(line).find(kVersionKey) != std::wstring::npos;
}

std::wstring VersionValueOf(std::wstring_view line) {
  constexpr size_t kValueStart = 8;  // "version" and one separator
  if (line.size() <= kValueStart) return {};
  return TrimSpaces(line.substr(kValueStart));
}

std::optional<std::wstring> FindVersionValue(const std::vector<std::wstring>& lines) {
  for (const auto& line : lines) {
    if (IsVersionLine(line)) return VersionValueOf(line);
  }
  return std::nullopt;
}

std::wstring FileNameFromUrl(std::wstring_view url) {
  size_t slash = url.rfind(L'/');
  return std::wstring(slash == std::wstring_view::npos ? url : url.substr(slash + 1));
}

namespace {

bool IsForbiddenCharacter(wchar_t c) {
  if (static_cast<unsigned long>(c) < 0x20) return true;
  switch (c) {
    case L'<': case L'>': case L':': case L'"': case L'/': case L'\\': case L'|': case L'?':
    case L'*':
      return true;
    default:
      return false;
  }
}

bool IsReservedDeviceName(std::wstring_view name) {
  // Windows maps these to devices whatever the extension, and ignores spaces before the dot.
  std::wstring stem(name.substr(0, name.find(L'.')));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  stem = AsciiLower(stem);
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"}) {
    if (stem == device) return true;
  }
  if (stem.size() == 4 && (stem.starts_with(L"com") || stem.starts_with(L"lpt"))) {
    wchar_t n = stem[3];
    // Superscript one, two and three count as digits here.
    return (n >= L'0' && n <= L'9') || n == 0xB9 || n == 0xB2 || n == 0xB3;
  }
  return false;
}

}  // namespace

bool IsSafeFileName(std::wstring_view name) {
  constexpr size_t kMaxComponent = 255;
  if (name.empty() || name.size() > kMaxComponent) return false;
  if (name.find(L"..") != std::wstring_view::npos) return false;
  for (wchar_t c : name) {
    if (IsForbiddenCharacter(c)) return false;
  }
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsReservedDeviceName(name);
}

FileLine ParseFileLine(std::wstring_view line, ManifestTrust trust) {
  if (IsVersionLine(line)) return {FileLineKind::VersionLine, {}, {}, {}};
  size_t bar = line.find(L'|');
  if (bar == std::wstring_view::npos) return {FileLineKind::NoSeparator, {}, {}, {}};
  std::wstring_view rest = line.substr(bar + 1);
  size_t urlEnd = rest.find(L'|');
  // Spaces around the address are layout, not part of it (a trailing one would end the name).
  std::wstring url = TrimSpaces(rest.substr(0, urlEnd));
  std::wstring name = FileNameFromUrl(url);
  FileLine parsed{FileLineKind::File, std::move(url), std::move(name), {}};
  if (!IsSafeFileName(parsed.fileName)) {
    parsed.kind = FileLineKind::UnsafeName;
    return parsed;
  }
  if (urlEnd != std::wstring_view::npos) {
    std::wstring_view third = rest.substr(urlEnd + 1);
    third = third.substr(0, third.find(L'|'));
    if (!TrimSpaces(third).empty()) {
      parsed.digest = ParseDigest(third);
      if (!parsed.digest) parsed.kind = FileLineKind::BadDigest;
    }
  }
  if (parsed.kind == FileLineKind::File && !MayFetch(trust, parsed.digest.has_value())) {
    parsed.kind = FileLineKind::NoDigest;
  }
  return parsed;
}

}  // namespace qorv::startup

// The update manifest: a small text file on the publisher's file server. One line names the
// published version ("version=1.1.0"); every other line names a file for the updater, with "|"
// between fields and the file's web address in field 1 ("qorv|http://host/gamehome/qorv/qorv.exe").
//
// Reading works on bytes first (lines end at CR, LF or CR LF, so a manifest saved with either line
// end reads the same) and on text after the caller has decoded each line from its code page.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "startup/update_integrity.h"

namespace qorv::startup {

// Splits a byte stream into lines as it arrives, in chunks of any size: a CR at the end of one
// chunk and an LF at the start of the next are one line end. A line longer than kMaxLineBytes
// keeps its first kMaxLineBytes bytes, so a file without line ends cannot take all memory.
class ManifestLineSplitter {
 public:
  static constexpr size_t kMaxLineBytes = 1 << 20;
  // Returns false to stop: no further line is delivered, not even from the same chunk.
  using LineSink = std::function<bool(std::string_view line)>;

  explicit ManifestLineSplitter(LineSink sink) : m_sink(std::move(sink)) {}
  // False once the sink has asked to stop.
  bool Feed(std::string_view bytes);
  // Delivers the last line when the file does not end with a line end.
  void Finish();

 private:
  bool Deliver();

  LineSink m_sink;
  std::string m_line;
  bool m_afterCr = false;   // the last byte seen was a CR: an LF right after it is no new line
  bool m_stopped = false;
  bool m_anyByte = false;   // whether the current line has begun (an empty last line is no line)
};

// All lines of a whole file at once (tests, small files).
std::vector<std::string> SplitManifestLines(std::string_view bytes);

// How the lines' bytes are to be decoded. Manifests are written in the system's ANSI code page;
// one saved with a UTF-8 byte order mark is UTF-8 whatever the code page (the mark would
// otherwise shift the version value by the mark's characters).
enum class ManifestEncoding { Ansi, Utf8 };
struct ManifestStart {
  ManifestEncoding encoding;
  size_t skip;  // bytes of the byte order mark
};
ManifestStart DetectManifestEncoding(std::string_view firstBytes);

inline constexpr std::wstring_view kVersionKey = L"version";

// Whether a line is a version line: it holds "version" in any letter case, anywhere.
bool IsVersionLine(std::wstring_view line);
// The value of a version line: from its ninth character to its end, spaces trimmed. The first
// eight characters are the key and one separator ("version=").
std::wstring VersionValueOf(std::wstring_view line);
// The value of the first version line; nothing when there is none.
std::optional<std::wstring> FindVersionValue(const std::vector<std::wstring>& lines);

// A file line of the manifest, as the updater reads it: "name|url" or "name|url|sha256". Fields
// after the third are ignored.
enum class FileLineKind {
  File,          // download `url` into the client's directory as `fileName`
  VersionLine,   // skipped: the client's, not a file
  NoSeparator,   // skipped: no "|", so no field 1 (blank lines too)
  UnsafeName,    // skipped: the name could write outside the client's directory, or is no name
  BadDigest,     // skipped: a third field that is no SHA-256, so the file cannot be checked
  NoDigest,      // skipped: a signed manifest's line must say what its file hashes to
};
struct FileLine {
  FileLineKind kind;
  std::wstring url;
  std::wstring fileName;
  std::optional<Sha256Digest> digest;  // from the third field; an empty field is none
};
FileLine ParseFileLine(std::wstring_view line, ManifestTrust trust = ManifestTrust::Unsigned);

// The text after the last "/" of an address (the whole address when it has none).
std::wstring FileNameFromUrl(std::wstring_view url);

// Whether `name` may be joined to a directory without leaving it or naming a device: not empty,
// no path separators, drive or stream colons, "..", characters Windows forbids in file names,
// trailing dots or spaces (which Windows drops, so "CON." would reach the device), or a reserved
// device name with or without an extension ("NUL", "com1.txt").
bool IsSafeFileName(std::wstring_view name);

}  // namespace qorv::startup

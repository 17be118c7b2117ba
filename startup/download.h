// CKpDownLoadFile: one HTTP file fetched with WinINet, synchronously, into a local file.
//
// The body goes in 8192-byte blocks into a temporary file beside the target; only a whole body
// (status 200, a non-zero Content-Length, exactly that many bytes written) is moved over the
// target. A failed, short or stopped transfer returns false and leaves an older file exactly as
// it was; so does a body that does not hash to the SHA-256 the caller expects. After a block, the
// window messages waiting by then are dispatched (looking for them at most every few
// milliseconds), so the window that started the download stays responsive and can call
// StopDownLoad. Reads from the network stay on the caller's thread; a second thread writes each
// read to disk while the next one arrives, and a block is reported once it is written.
//
// While the body arrives it lives in "<target>.<pid>-<n>.part" (hexadecimal), beside the target.
// A process that is ended from outside leaves that file behind; RemoveLeftoverPartFiles clears
// such files from a directory before a new round of downloads into it. The part file is held
// open without write or delete sharing from its creation (the body is hashed as it is written)
// until it is renamed over the target through that same handle, so nobody can change or swap it
// between the check and the move.
//
// Events, raised only when bRaiseEvent is true: QueryFileInfo once before the body is read,
// Loading after every block written, Complete once at the end of every call, failed or not.
// A handler (or a message dispatched between blocks) may destroy this object: the running call
// then cleans up and returns false without touching it again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "startup/download_decision.h"
#include "startup/update_integrity.h"

namespace qorv::startup {

// Deletes the part files in `directory` (ending in "\") that no running download holds open
// (the writer shares no delete access, so its own file survives); returns how many went.
int RemoveLeftoverPartFiles(const std::wstring& directory);

// The clock deadlines are given in: seconds from an arbitrary start, monotonic.
double DownloadClockSeconds();

class PartialFile;

// A download that arrived whole and matched its digest, kept in its part file (held as above)
// instead of replacing its target: several of them can be fetched before any goes in. Commit
// moves it over the target in one step; dropping it removes the part file.
class StagedFile {
 public:
  StagedFile();
  ~StagedFile();
  StagedFile(StagedFile&&) noexcept;
  StagedFile& operator=(StagedFile&&) noexcept;

  explicit operator bool() const { return static_cast<bool>(m_file); }
  bool Commit();
  const std::wstring& Target() const { return m_target; }

 private:
  friend class CKpDownLoadFile;
  std::unique_ptr<PartialFile> m_file;
  std::wstring m_target;
};

class CKpDownLoadFile {
 public:
  static constexpr uint32_t kBlockSize = 8192;

  CKpDownLoadFile();
  ~CKpDownLoadFile();
  CKpDownLoadFile(const CKpDownLoadFile&) = delete;
  CKpDownLoadFile& operator=(const CKpDownLoadFile&) = delete;

  bool DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile, bool bHidden,
                    bool bRaiseEvent);
  // The same, and the body must hash to `expectedSha256` (when given) to replace the file.
  bool DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile, bool bHidden,
                    bool bRaiseEvent, const std::optional<Sha256Digest>& expectedSha256);
  // The same within `limits`.
  bool DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile, bool bHidden,
                    bool bRaiseEvent, const std::optional<Sha256Digest>& expectedSha256,
                    const DownloadLimits& limits);
  // The same, but a whole, matching body stays in `staged` and the file is not yet replaced.
  bool DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile, bool bHidden,
                    bool bRaiseEvent, const std::optional<Sha256Digest>& expectedSha256,
                    StagedFile& staged);
  // The running DownLoadFile leaves its loop before reading the next block.
  void StopDownLoad();

  std::function<void(uint32_t dwFileTotalLen)> QueryFileInfo;
  std::function<void(uint32_t dwRecivedLen)> Loading;
  std::function<void()> Complete;

 private:
  // Shared with the running call, which outlives this object when a handler destroys it.
  struct State {
    bool alive = true;
    bool stop = false;
  };
  struct Job;
  class Call;
  bool Fetch(const Job& job);

  std::shared_ptr<State> m_state;
};

}  // namespace qorv::startup

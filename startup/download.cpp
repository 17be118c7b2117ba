#include "startup/download.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/win/form.h"
#include "base/win/internet.h"
#include "base/win/log.h"
#include "startup/download_pacing.h"
#include "startup/update_signature.h"

namespace qorv::startup {
namespace {

constexpr std::wstring_view kPartExtension = L".part";

// Up to 8 lower-case hexadecimal digits, as "%x" writes a 32-bit number.
bool IsHexNumber(std::wstring_view text) {
  if (text.empty() || text.size() > 8) return false;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
  });
}

// Whether a file name has the form PartialFile gives its files: "<target>.<pid>-<n>.part".
bool IsPartFileName(std::wstring_view name) {
  if (name.size() <= kPartExtension.size() || !name.ends_with(kPartExtension)) return false;
  name.remove_suffix(kPartExtension.size());
  size_t dash = name.rfind(L'-');
  if (dash == std::wstring_view::npos || !IsHexNumber(name.substr(dash + 1))) return false;
  name = name.substr(0, dash);
  size_t dot = name.rfind(L'.');
  // A target name before the process id: never a bare ".<pid>-<n>.part".
  return dot != std::wstring_view::npos && dot > 0 && IsHexNumber(name.substr(dot + 1));
}

}  // namespace

// The body's home until it is whole: a file beside the target (a rename within one directory
// cannot half-happen), removed on every way out that does not hand it over. Only a process ended
// from outside leaves it; RemoveLeftoverPartFiles takes care of that.
//
// Its handle shares reading only and carries DELETE access: nobody else can write, rename or
// delete the file while it is held, and the rename over the target goes through the handle
// itself, so the file that goes in is the one that was written and hashed.
class PartialFile {
 public:
  PartialFile(const std::wstring& target, DWORD attributes) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
      wchar_t suffix[48];
      ::wsprintfW(suffix, L".%lx-%x", ::GetCurrentProcessId(), counter.fetch_add(1));
      m_path = target + suffix + std::wstring(kPartExtension);
      // CREATE_NEW: never reuse (and so never truncate) a file someone else is writing.
      m_file.Reset(::CreateFileW(m_path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                 CREATE_NEW, attributes, nullptr));
      if (!m_file && ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!m_file) m_path.clear();
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;
  ~PartialFile() {
    if (m_path.empty()) return;
    // Through the handle while it is still ours; by name only if the system refused that.
    FILE_DISPOSITION_INFO dispose{TRUE};
    bool disposed = ::SetFileInformationByHandle(m_file.Get(), FileDispositionInfo, &dispose,
                                                 sizeof(dispose));
    m_file.Reset();
    if (!disposed) ::DeleteFileW(m_path.c_str());
  }

  explicit operator bool() const { return static_cast<bool>(m_file); }
  bool Write(const void* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(m_file.Get(), data, size, &written, nullptr) && written == size;
  }
  // Moves the file over the target through its handle and closes it; on failure it is removed
  // (when this object goes) and the target kept. The rename is one step: a process ended at any
  // moment leaves the old target or the new one.
  bool Commit(const std::wstring& target) {
    // On disk before its name is: a power cut after the rename must not leave an empty file.
    ::FlushFileBuffers(m_file.Get());
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    if (!::SetFileInformationByHandle(m_file.Get(), FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size()))) {
      win::LogError(L"download: cannot replace \"" + target + L"\" (error " +
                    std::to_wstring(::GetLastError()) + L")");
      return false;
    }
    m_file.Reset();
    m_path.clear();
    return true;
  }
  const std::wstring& Path() const { return m_path; }

 private:
  win::UniqueFile m_file;
  std::wstring m_path;
};

namespace {

// Measured under Wine: 64 MB in 64 KB writes takes half the time of 256 KB writes, a quarter of
// 8 KB ones.
constexpr DWORD kWriteChunk = 64 * 1024;

// Writes a body's reads into its part file on a thread of its own, so the next read from the
// network runs while the last one goes to disk: on a fast line the two together took half again
// as long as the reads alone. It holds one read at a time; Submit waits until the one before is
// written, so the reader can fill the other of two buffers meanwhile. A read that completes the
// body before any other was handed over is written at once, without a thread: a small file (a
// manifest) pays nothing for it.
//
// The lock and condition variable are the system's own slim ones: they wait in the process,
// where a mutex or event would go through the Wine server on every hand-over.
class WriteBehind {
 public:
  explicit WriteBehind(PartialFile& file) : m_file(file) {}
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;
  // Lets the thread finish what it holds: nothing may delete the part file under it.
  ~WriteBehind() { Finish(); }

  // Hands over `size` bytes at `data`, which must stay untouched until the next Submit or
  // Finish returns. False once any write has failed (this one may still be pending).
  bool Submit(const unsigned char* data, DWORD size, bool last) {
    // The whole body in one read, or no thread to be had: the write stays in this thread.
    if (!m_thread && (last || !Start())) {
      if (!m_failed && !WriteAll(data, size)) m_failed = true;
      return !m_failed;
    }
    ::AcquireSRWLockExclusive(&m_lock);
    while (m_pending) ::SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    bool ok = !m_failed;
    if (ok) {
      m_data = data;
      m_size = size;
      m_pending = true;
    }
    ::ReleaseSRWLockExclusive(&m_lock);
    ::WakeAllConditionVariable(&m_changed);
    return ok;
  }

  // Waits until everything handed over is written and ends the thread; true when all of it was.
  bool Finish() {
    if (m_thread) {
      ::AcquireSRWLockExclusive(&m_lock);
      m_closing = true;
      ::ReleaseSRWLockExclusive(&m_lock);
      ::WakeAllConditionVariable(&m_changed);
      ::WaitForSingleObject(m_thread.Get(), INFINITE);
      m_thread.Reset();
    }
    return !m_failed;
  }

 private:
  bool Start() {
    m_thread.Reset(::CreateThread(nullptr, 0, &WriteBehind::Run, this, 0, nullptr));
    return static_cast<bool>(m_thread);
  }

  bool WriteAll(const unsigned char* data, DWORD size) {
    for (DWORD offset = 0; offset < size; offset += kWriteChunk) {
      if (!m_file.Write(data + offset, std::min<DWORD>(kWriteChunk, size - offset))) return false;
    }
    return true;
  }

  static DWORD WINAPI Run(void* self) {
    static_cast<WriteBehind*>(self)->Work();
    return 0;
  }

  void Work() {
    ::AcquireSRWLockExclusive(&m_lock);
    for (;;) {
      while (!m_pending && !m_closing) {
        ::SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
      }
      if (!m_pending) break;
      const unsigned char* data = m_data;
      DWORD size = m_size;
      ::ReleaseSRWLockExclusive(&m_lock);
      bool ok = WriteAll(data, size);
      ::AcquireSRWLockExclusive(&m_lock);
      if (!ok) m_failed = true;
      m_pending = false;
      ::WakeAllConditionVariable(&m_changed);
    }
    ::ReleaseSRWLockExclusive(&m_lock);
  }

  PartialFile& m_file;
  win::UniqueHandle m_thread;
  SRWLOCK m_lock = SRWLOCK_INIT;
  CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
  const unsigned char* m_data = nullptr;
  DWORD m_size = 0;
  bool m_pending = false;
  bool m_closing = false;
  bool m_failed = false;  // written by the thread under the lock; read after it ended or under it
};

double Seconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

// Whether anything waits in this thread's queue (posted, sent, input, paint, timer): a dispatch
// loop that finds nothing costs more than the look.
bool MessagesWaiting() { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) != 0; }

std::optional<uint32_t> QueryNumber(HINTERNET request, DWORD query) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  DWORD index = 0;
  if (!::HttpQueryInfoW(request, query | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index)) {
    return std::nullopt;
  }
  return value;
}

// The Content-Length as the server wrote it (see ParseContentLength); nothing when it is absent.
std::optional<uint64_t> QueryContentLength(HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  DWORD index = 0;
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, &index)) {
    return std::nullopt;
  }
  return ParseContentLength(std::wstring_view(text, size / sizeof(wchar_t)));
}

// Milliseconds left to `deadline`, at least 1 (0 would mean "no timeout" to the system).
DWORD MillisecondsLeft(double deadline) {
  double left = (deadline - Seconds()) * 1000.0;
  if (left < 1.0) return 1;
  if (left > 0x7FFFFFFF) return 0x7FFFFFFF;
  return static_cast<DWORD>(left);
}

// Bounds the system's own waits (connecting, sending, waiting for bytes) by what is left, so a
// server that stops answering cannot hold the call past its deadline.
void LimitWaits(HINTERNET handle, double deadline) {
  DWORD ms = MillisecondsLeft(deadline);
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    ::InternetSetOptionW(handle, option, &ms, sizeof(ms));
  }
}

}  // namespace

int RemoveLeftoverPartFiles(const std::wstring& directory) {
  int removed = 0;
  WIN32_FIND_DATAW found{};
  std::wstring pattern = directory + L"*" + std::wstring(kPartExtension);
  win::UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
  if (!find) return 0;
  do {
    // The pattern also matches short names: the long one decides.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsPartFileName(found.cFileName)) {
      continue;
    }
    std::wstring path = directory + found.cFileName;
    if (::DeleteFileW(path.c_str())) {
      ++removed;
      win::LogInfo(L"download: removed the leftover \"" + path + L"\"");
    } else {
      win::LogInfo(L"download: leftover \"" + path + L"\" stays (error " +
                   std::to_wstring(::GetLastError()) + L")");
    }
  } while (::FindNextFileW(find.Get(), &found));
  return removed;
}

double DownloadClockSeconds() { return Seconds(); }

StagedFile::StagedFile() = default;
StagedFile::~StagedFile() = default;
StagedFile::StagedFile(StagedFile&&) noexcept = default;
StagedFile& StagedFile::operator=(StagedFile&&) noexcept = default;

bool StagedFile::Commit() {
  if (!m_file) return false;
  bool committed = m_file->Commit(m_target);
  m_file.reset();
  return committed;
}

CKpDownLoadFile::CKpDownLoadFile() : m_state(std::make_shared<State>()) {}

CKpDownLoadFile::~CKpDownLoadFile() {
  // A DownLoadFile further up the stack (we were destroyed from a handler or a dispatched
  // message) sees this and stops without touching the object.
  m_state->alive = false;
  m_state->stop = true;
}

void CKpDownLoadFile::StopDownLoad() { m_state->stop = true; }

struct CKpDownLoadFile::Job {
  const std::wstring& url;
  const std::wstring& saveFile;
  bool hidden;
  bool raiseEvent;
  const std::optional<Sha256Digest>& expectedSha256;
  StagedFile* staged;  // kept here instead of committed, when given
  const DownloadLimits& limits;
};

// One DownLoadFile call, in steps: Open, Check, Announce, CreatePartFile, Transfer, Conclude.
// Each step says whether the call goes on. A step that raised an event first asks whether the
// object is still there; once it is not, the call ends at once and touches nothing of it.
//
// The handles are members in the order they must go: the part file before the request, the
// request before the session that carries it. The writer thread lives inside Transfer, so it has
// ended before anything decides about the part file.
class CKpDownLoadFile::Call {
 public:
  Call(CKpDownLoadFile& owner, const Job& job)
      : m_owner(owner), m_state(owner.m_state), m_job(job) {}
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;

  // True when the file was committed or staged.
  bool Run() {
    return Open() && Check() && Announce() && CreatePartFile() && Transfer() && Conclude();
  }

 private:
  bool Gone() const { return !m_state->alive; }
  bool PastDeadline() const { return m_job.limits.deadline && Seconds() >= *m_job.limits.deadline; }

  bool Open();
  bool Check();
  bool Announce();
  bool CreatePartFile();
  bool Transfer();
  bool Read(ReadPacer& pacer, unsigned char* buffer, DWORD& read);
  bool ReportWritten();
  bool Conclude();

  CKpDownLoadFile& m_owner;  // only while m_state->alive
  std::shared_ptr<State> m_state;
  const Job& m_job;
  win::UniqueInternet m_internet;
  win::UniqueInternet m_request;
  std::unique_ptr<PartialFile> m_partial;
  std::unique_ptr<Sha256Stream> m_hasher;
  BodyTally m_tally;
  QueueCheckPacer m_queueCheck;
  bool m_failed = false;  // a read or write failed, came too late, or ran past the length
};

bool CKpDownLoadFile::Call::Open() {
  m_internet.Reset(::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (m_internet) {
    if (m_job.limits.deadline) LimitWaits(m_internet.Get(), *m_job.limits.deadline);
    // A fresh copy from the server, and none kept in the browser's cache: the body goes to its
    // file, and an update's programs would otherwise sit in the cache a second time.
    m_request.Reset(::InternetOpenUrlW(m_internet.Get(), m_job.url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  }
  if (m_request) return true;
  win::LogInfo(L"download: cannot open " + m_job.url + L" (error " +
               std::to_wstring(::GetLastError()) + L")");
  return false;
}

bool CKpDownLoadFile::Call::Check() {
  AnswerHeaders headers;
  headers.status = QueryNumber(m_request.Get(), HTTP_QUERY_STATUS_CODE);
  headers.length = QueryNumber(m_request.Get(), HTTP_QUERY_CONTENT_LENGTH);
  if (m_job.limits.maxBytes) headers.lengthText = QueryContentLength(m_request.Get());
  const std::wstring& url = m_job.url;
  switch (CheckAnswer(headers, m_job.limits, Seconds())) {
    case AnswerVerdict::Accepted:
      m_tally = BodyTally(*headers.length);
      return true;
    case AnswerVerdict::NotOk:
      win::LogInfo(L"download: " + url + L" answered " +
                   std::to_wstring(headers.status.value_or(0)));
      return false;
    case AnswerVerdict::TooLarge:
      win::LogError(L"download: " + url + L" announces " + std::to_wstring(*headers.lengthText) +
                    L" bytes, more than the " + std::to_wstring(*m_job.limits.maxBytes) +
                    L" allowed");
      return false;
    case AnswerVerdict::NoLength:
      win::LogInfo(L"download: " + url + L" has no Content-Length");
      return false;
    case AnswerVerdict::Late:
      win::LogError(L"download: " + url + L" did not answer in time");
      return false;
  }
  return false;
}

bool CKpDownLoadFile::Call::Announce() {
  if (m_job.raiseEvent) {
    if (auto slot = m_owner.QueryFileInfo) slot(m_tally.Announced());
  }
  return !Gone();
}

bool CKpDownLoadFile::Call::CreatePartFile() {
  m_partial = std::make_unique<PartialFile>(
      m_job.saveFile, m_job.hidden ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_NORMAL);
  if (!*m_partial) {
    win::LogError(L"download: cannot create a file beside \"" + m_job.saveFile + L"\" (error " +
                  std::to_wstring(::GetLastError()) + L")");
    return false;
  }
  // Hashed as it is written, so the check costs no second reading of the file.
  if (m_job.expectedSha256) {
    m_hasher = std::make_unique<Sha256Stream>();
    if (!*m_hasher) {
      win::LogError(L"download: no SHA-256 to check " + m_job.url + L" with");
      return false;
    }
  }
  return true;
}

// Reads the body into the part file until it ends, fails or is stopped; false only when this
// object went meanwhile. Two buffers per call, never the whole body, so memory stays flat whatever
// the file's size: one is filled from the network while the writer empties the other.
bool CKpDownLoadFile::Call::Transfer() {
  std::vector<unsigned char> buffers[2] = {std::vector<unsigned char>(ReadPacer::kMaxRead),
                                           std::vector<unsigned char>(ReadPacer::kMaxRead)};
  WriteBehind writer(*m_partial);
  ReadPacer pacer;
  for (int filling = 0; !m_state->stop; filling = 1 - filling) {
    unsigned char* buffer = buffers[filling].data();
    DWORD read = 0;
    if (!Read(pacer, buffer, read)) {
      m_failed = true;
      break;
    }
    // Handing this read over (or, at the end, finishing) waits until the one before is on disk:
    // only then is that one reported. A failed write is said below, where every one is found.
    bool ended = read == 0;
    if (!(ended ? writer.Finish() : writer.Submit(buffer, read, m_tally.AllArrived()))) {
      m_failed = true;
      break;
    }
    if (m_hasher && !ended) m_hasher->Add(buffer, read);
    m_tally.Handed(read);
    if (!ReportWritten()) return false;
    if (ended) break;
  }
  if (!writer.Finish()) {
    win::LogError(L"download: writing \"" + m_partial->Path() + L"\" failed");
    m_failed = true;
  }
  return true;
}

// One read of what the pacer asks for; false when it failed, came too late, or took the body past
// its announced length (then it is not the body the server promised).
bool CKpDownLoadFile::Call::Read(ReadPacer& pacer, unsigned char* buffer, DWORD& read) {
  DWORD asked = pacer.Next();
  if (m_job.limits.deadline) LimitWaits(m_request.Get(), *m_job.limits.deadline);
  double started = Seconds();
  if (!::InternetReadFile(m_request.Get(), buffer, asked, &read)) return false;
  if (PastDeadline()) {
    win::LogError(L"download: " + m_job.url + L" did not arrive in time");
    return false;
  }
  pacer.Record(asked, read, Seconds() - started);
  return m_tally.Arrive(read);
}

// Reports what is on disk a block at a time, each block followed by the window's waiting
// messages when it is time to look for them; false once this object is gone.
bool CKpDownLoadFile::Call::ReportWritten() {
  while (!m_state->stop) {
    std::optional<uint64_t> received = m_tally.NextBlock();
    if (!received) break;
    if (m_job.raiseEvent) {
      if (auto slot = m_owner.Loading) slot(static_cast<uint32_t>(*received));
      if (Gone()) return false;
    }
    // A quit request ends the download: the program is on its way out.
    if (m_queueCheck.Due(Seconds()) && MessagesWaiting() &&
        !win::Application::Instance().PumpPending()) {
      m_state->stop = true;
    }
    if (Gone()) return false;
  }
  return true;
}

bool CKpDownLoadFile::Call::Conclude() {
  BodyEnd end = EndOf(m_tally, m_failed, m_state->stop);
  std::optional<Sha256Digest> actual;
  if (end == BodyEnd::Whole && m_hasher) actual = m_hasher->Finish();
  const std::wstring& url = m_job.url;
  switch (Dispose(end, m_job.staged != nullptr, m_job.expectedSha256, actual)) {
    case Disposal::Commit:
      return m_partial->Commit(m_job.saveFile);
    case Disposal::Stage:
      m_job.staged->m_file = std::move(m_partial);  // still held: nothing can change it meanwhile
      m_job.staged->m_target = m_job.saveFile;
      return true;
    case Disposal::DigestMismatch:
      win::LogError(L"download: " + url + L" does not match its SHA-256 (expected " +
                    DigestHex(*m_job.expectedSha256) + L", received " +
                    (actual ? DigestHex(*actual) : std::wstring(L"none")) +
                    L"); the old file stays");
      return false;
    case Disposal::Stopped:
      win::LogInfo(L"download: " + url + L" stopped after " +
                   std::to_wstring(m_tally.Received()) + L" bytes");
      return false;
    case Disposal::Short:
      win::LogInfo(L"download: " + url + L" ended after " + std::to_wstring(m_tally.Received()) +
                   L" of " + std::to_wstring(m_tally.Announced()) + L" bytes");
      return false;
  }
  return false;
}

bool CKpDownLoadFile::Fetch(const Job& job) {
  std::shared_ptr<State> state = m_state;
  state->stop = false;
  // The call's handles are closed, and its part file gone unless kept, before Complete.
  bool kept = Call(*this, job).Run();
  if (!state->alive) return false;
  if (job.raiseEvent) {
    if (auto slot = Complete) slot();
  }
  return kept;
}

bool CKpDownLoadFile::DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile,
                                   bool bHidden, bool bRaiseEvent) {
  return DownLoadFile(strURLFile, strSaveFile, bHidden, bRaiseEvent, std::nullopt);
}

bool CKpDownLoadFile::DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile,
                                   bool bHidden, bool bRaiseEvent,
                                   const std::optional<Sha256Digest>& expectedSha256) {
  return Fetch({strURLFile, strSaveFile, bHidden, bRaiseEvent, expectedSha256, nullptr, {}});
}

bool CKpDownLoadFile::DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile,
                                   bool bHidden, bool bRaiseEvent,
                                   const std::optional<Sha256Digest>& expectedSha256,
                                   const DownloadLimits& limits) {
  return Fetch({strURLFile, strSaveFile, bHidden, bRaiseEvent, expectedSha256, nullptr, limits});
}

bool CKpDownLoadFile::DownLoadFile(const std::wstring& strURLFile, const std::wstring& strSaveFile,
                                   bool bHidden, bool bRaiseEvent,
                                   const std::optional<Sha256Digest>& expectedSha256,
                                   StagedFile& staged) {
  staged = StagedFile();
  return Fetch({strURLFile, strSaveFile, bHidden, bRaiseEvent, expectedSha256, &staged, {}});
}

}  // namespace qorv::startup

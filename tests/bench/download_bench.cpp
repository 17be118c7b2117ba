// Download benchmark: CKpDownLoadFile's throughput on a 64 MB body from a loopback server,
// against curl fetching the same body into a file on the same disk in the same run, and with the
// body checked against its SHA-256 against without; and the updater's peak memory while it
// downloads 8 MB and 64 MB (it should not grow with the file).
//
//   download_bench [Update.exe]     (default: ..\bin\Update.exe beside this program's folder)
//
// Prints key=value lines. Runs under Wine (it starts the host's python3 and curl).
#include <windows.h>

#include "win/support/test_window.h"
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/win/environment.h"
#include "startup/command_line.h"
#include "startup/download.h"
#include "startup/public_data.h"
#include "startup/update_signature.h"
#include "win/download_test_server.h"
#include "win/support/message_box_watcher.h"
#include "win/support/test_signer.h"

namespace {

using qorv::test::ScratchDir;
using qorv::test::UnixPathOf;

constexpr uint64_t kLarge = 64ull << 20;
constexpr uint64_t kSmall = 8ull << 20;
constexpr int kRounds = 3;

void Print(const char* key, double value) { std::printf("%s=%.3f\n", key, value); }
void Print(const char* key, long long value) { std::printf("%s=%lld\n", key, value); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Runs a host command line through /bin/sh and waits for the file it writes last.
bool RunHost(const std::string& shellCommand, const std::wstring& doneFile, int timeoutMs) {
  std::wstring cmd = L"/bin/sh -c \"" + qorv::Utf8ToWide(shellCommand) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return false;
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    if (::GetFileAttributesW(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    ::Sleep(20);
  }
  return false;
}

// curl's own total time for the body into a file in `dir`.
double CurlSeconds(const std::wstring& url, const ScratchDir& dir, int round) {
  std::wstring out = dir / (L"curl-" + std::to_wstring(round) + L".bin");
  std::wstring timing = dir / (L"curl-" + std::to_wstring(round) + L".time");
  std::string cmd = "curl -s -o " + UnixPathOf(out) + " -w '%{time_total}' " +
                    qorv::WideToUtf8(url) + " > " + UnixPathOf(timing) + ".tmp && mv " +
                    UnixPathOf(timing) + ".tmp " + UnixPathOf(timing);
  if (!RunHost(cmd, timing, 120000)) return -1;
  ::Sleep(50);
  auto text = qorv::test::ReadWholeFile(timing);
  ::DeleteFileW(out.c_str());
  return std::atof(std::string(text.begin(), text.end()).c_str());
}

double DownLoadFileSeconds(
    const std::wstring& url, const ScratchDir& dir, uint64_t size,
    const std::optional<qorv::startup::Sha256Digest>& digest = std::nullopt) {
  qorv::startup::CKpDownLoadFile download;
  std::wstring target = dir / L"downloadfile.bin";
  double start = qorv::test::NowSeconds();
  bool ok = download.DownLoadFile(url, target, false, true, digest);
  double seconds = qorv::test::NowSeconds() - start;
  bool whole = ok && qorv::test::ReadWholeFile(target).size() == size;
  ::DeleteFileW(target.c_str());
  return whole ? seconds : -1;
}

struct UpdaterRun {
  double seconds = -1;
  SIZE_T peakWorkingSet = 0;
  SIZE_T peakPagefile = 0;
  bool whole = false;  // the file arrived and matched its digest
};

std::string PatternBody(uint64_t size) {
  std::string body(size, '\0');
  for (uint64_t i = 0; i < size; ++i) body[i] = static_cast<char>(qorv::test::PatternByte(i));
  return body;
}

// The real updater on a manifest with one file of `size` bytes and its SHA-256; its memory read
// when it shows its closing message (the download is over, the process still there).
UpdaterRun RunUpdater(const std::wstring& updater, const std::wstring& serverUrl, uint64_t size) {
  UpdaterRun run;
  ScratchDir client(L"bench-client");
  std::wstring manifest = qorv::startup::GetTempDir() + L"update.txt";
  std::wstring signature = qorv::startup::GetTempDir() + qorv::startup::kSignatureFileName;
  std::string digest =
      qorv::WideToUtf8(qorv::startup::DigestHex(*qorv::startup::Sha256Of(PatternBody(size))));
  // Signed with the build's key and newer than any build: the updater takes nothing less.
  std::string text = qorv::test::WithExpiry("version=999.0.0\r\nbig|" +
                                            qorv::WideToUtf8(serverUrl) + "/bytes/" +
                                            std::to_string(size) + "/big.bin|" + digest + "\r\n");
  qorv::test::WriteWholeFile(manifest, text);
  qorv::test::WriteWholeFile(signature, qorv::test::SignWithBuildKey(text));
  std::wstring dir = client.Path();
  dir.pop_back();
  qorv::test::WriteWholeFile(client / L"none.exe", "the old client");  // it must be there
  std::wstring cmd = L"\"" + updater + L"\" " + dir + L"|" + dir + L"\\none.exe";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  double start = qorv::test::NowSeconds();
  if (!::CreateProcessW(updater.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi)) {
    return run;
  }
  HWND box = nullptr;
  while (qorv::test::NowSeconds() - start < 180 && !box) {
    ::Sleep(20);
    box = qorv::test::FindMessageBox(pi.dwProcessId);
  }
  if (box) {
    run.seconds = qorv::test::NowSeconds() - start;
    run.whole = qorv::test::ReadWholeFile(client / L"big.bin").size() == size;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(pi.hProcess, &counters, sizeof(counters))) {
      run.peakWorkingSet = counters.PeakWorkingSetSize;
      run.peakPagefile = counters.PeakPagefileUsage;
    }
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
  }
  if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0)
    ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  ::DeleteFileW(manifest.c_str());
  ::DeleteFileW(signature.c_str());
  return run;
}

std::wstring DefaultUpdater() {
  std::wstring self = qorv::win::ExecutablePath();
  std::wstring dir = self.substr(0, self.find_last_of(L'\\'));
  return dir.substr(0, dir.find_last_of(L'\\')) + L"\\bin\\Update.exe";
}

}  // namespace

int wmain(int, wchar_t**) {
  std::wstring args(qorv::startup::ArgumentsAfterProgramName(::GetCommandLineW()));
  std::wstring updater = args.empty() ? DefaultUpdater() : args;

  qorv::test::TestHttpServer server;
  if (server.Url().empty()) {
    std::printf("error=%s\n", server.Error().c_str());
    return 1;
  }
  ScratchDir dir(L"bench");
  std::wstring url = server.Url(L"/bytes/" + std::to_wstring(kLarge));

  // The server's pattern, hashed once up front (not part of any timing).
  std::optional<qorv::startup::Sha256Digest> digest = qorv::startup::Sha256Of(PatternBody(kLarge));

  std::vector<double> ours, curl, hashed;
  for (int round = 0; round < kRounds; ++round) {
    ours.push_back(DownLoadFileSeconds(url, dir, kLarge));
    curl.push_back(CurlSeconds(url, dir, round));
    hashed.push_back(DownLoadFileSeconds(url, dir, kLarge, digest));
  }
  double oursS = Median(ours), curlS = Median(curl), hashedS = Median(hashed);
  // The same at the pace of a fast real line (100 MB/s) rather than of memory.
  std::wstring paced = server.Url(L"/rate/" + std::to_wstring(kLarge) + L"/100");
  std::vector<double> pacedPlain, pacedHashed;
  for (int round = 0; round < kRounds; ++round) {
    pacedPlain.push_back(DownLoadFileSeconds(paced, dir, kLarge));
    pacedHashed.push_back(DownLoadFileSeconds(paced, dir, kLarge, digest));
  }
  double pacedPlainS = Median(pacedPlain), pacedHashedS = Median(pacedHashed);
  double mb = static_cast<double>(kLarge) / (1 << 20);
  Print("download_bytes", static_cast<long long>(kLarge));
  Print("downloadfile_seconds", oursS);
  Print("downloadfile_mb_per_s", oursS > 0 ? mb / oursS : 0);
  Print("curl_seconds", curlS);
  Print("curl_mb_per_s", curlS > 0 ? mb / curlS : 0);
  Print("throughput_ratio", (oursS > 0 && curlS > 0) ? curlS / oursS : 0);
  Print("downloadfile_sha256_seconds", hashedS);
  Print("downloadfile_sha256_mb_per_s", hashedS > 0 ? mb / hashedS : 0);
  Print("sha256_throughput_ratio", (oursS > 0 && hashedS > 0) ? oursS / hashedS : 0);
  Print("paced_100mb_downloadfile_seconds", pacedPlainS);
  Print("paced_100mb_downloadfile_sha256_seconds", pacedHashedS);
  Print("paced_100mb_sha256_throughput_ratio",
        (pacedPlainS > 0 && pacedHashedS > 0) ? pacedPlainS / pacedHashedS : 0);

  for (uint64_t size : {kSmall, kLarge}) {
    UpdaterRun run = RunUpdater(updater, server.Url(), size);
    std::string prefix = "updater_" + std::to_string(size >> 20) + "mb_";
    Print((prefix + "seconds").c_str(), run.whole ? run.seconds : -1);
    Print((prefix + "peak_working_set_kb").c_str(),
          static_cast<long long>(run.peakWorkingSet / 1024));
    Print((prefix + "peak_pagefile_kb").c_str(), static_cast<long long>(run.peakPagefile / 1024));
  }
  return 0;
}

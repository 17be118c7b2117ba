// The loopback HTTP test server (tests/servers/http_test_server.py) for Win32 tests.
//
// Under Wine a Windows process can start a host program directly, so the test starts the
// server itself with the host's python3 (QORV_PYTHON, default /usr/bin/python3) and reads the
// URL it writes into a file. QORV_TEST_HTTP_URL names a server already running instead (the only
// way on real Windows); then no --root is available and the static-file tests need one that
// serves the given root.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/environment.h"
#include "base/win/internet.h"

namespace qorv::test {

// The server's body pattern: byte i of every generated body.
inline unsigned char PatternByte(uint64_t i) {
  uint64_t k = i % 65521;
  return static_cast<unsigned char>(((k * 31) + (k >> 8)) & 0xFF);
}

inline std::vector<char> ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A Windows path as the host sees it (Wine's own export); empty where there is no such thing.
inline std::string UnixPathOf(const std::wstring& windowsPath) {
  using Fn = char*(CDECL*)(const wchar_t*);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* unix = fn(windowsPath.c_str());
  if (!unix) return {};
  std::string out = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return out;
}

// A fresh directory under the temporary directory, removed (with its files) at the end.
class ScratchDir {
 public:
  explicit ScratchDir(const std::wstring& tag) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    // A counter as well as the time: two made within one tick must not share a directory.
    static int s_made = 0;
    m_path = std::wstring(temp) + L"qorv-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId()) +
             L"-" + std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++s_made);
    ::CreateDirectoryW(m_path.c_str(), nullptr);
    m_path += L"\\";
  }
  ~ScratchDir() { RemoveTree(m_path); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& Path() const { return m_path; }
  std::wstring operator/(const std::wstring& name) const { return m_path + name; }

  // The names in the directory (no "." or "..").
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((m_path + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      std::wstring n = data.cFileName;
      if (n != L"." && n != L"..") names.push_back(n);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
  }

 private:
  static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((dir + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring n = data.cFileName;
        if (n == L"." || n == L"..") continue;
        std::wstring full = dir + n;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full + L"\\");
        } else {
          ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          ::DeleteFileW(full.c_str());
        }
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
  }
  std::wstring m_path;
};

// A GET with WinINet; the body, or nothing when the request failed.
inline std::string HttpGet(const std::wstring& url) {
  win::UniqueInternet inet(::InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!inet) return {};
  win::UniqueInternet req(::InternetOpenUrlW(inet.Get(), url.c_str(), nullptr, 0,
                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!req) return {};
  std::string body;
  char buf[4096];
  DWORD n = 0;
  while (::InternetReadFile(req.Get(), buf, sizeof(buf), &n) && n > 0) body.append(buf, n);
  return body;
}

class TestHttpServer {
 public:
  // root: a Windows directory the server serves files from (optional).
  explicit TestHttpServer(const std::wstring& root = L"") {
    if (auto url = win::GetEnvironment(L"QORV_TEST_HTTP_URL"); url && !url->empty()) {
      m_url = *url;
      m_external = true;
      return;
    }
    Start(root);
  }
  ~TestHttpServer() {
    if (!m_external && !m_url.empty()) HttpGet(m_url + L"/__quit");
  }
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  const std::wstring& Url() const { return m_url; }
  std::wstring Url(const std::wstring& path) const { return m_url + path; }
  const std::string& Error() const { return m_error; }
  // The paths requested so far, in order.
  std::vector<std::wstring> Requests() const {
    std::vector<std::wstring> out;
    std::wstring body = Utf8ToWide(HttpGet(m_url + L"/__log"));
    size_t start = 0;
    while (start < body.size()) {
      size_t end = body.find(L'\n', start);
      if (end == std::wstring::npos) end = body.size();
      if (end > start) out.push_back(body.substr(start, end - start));
      start = end + 1;
    }
    return out;
  }

 private:
  void Start(const std::wstring& root) {
    // This file's own path tells where the repository is (the build passes absolute sources).
    std::string here = __FILE__;
    size_t cut = here.rfind("/tests/win/");
    if (cut == std::string::npos || here.empty() || here[0] != '/') {
      m_error = "no repository path; set QORV_TEST_HTTP_URL";
      return;
    }
    std::string script = here.substr(0, cut) + "/tests/servers/http_test_server.py";
    std::wstring python = win::GetEnvironment(L"QORV_PYTHON").value_or(L"/usr/bin/python3");

    m_portDir = std::make_unique<ScratchDir>(L"http");
    std::wstring portFile = *m_portDir / L"url.txt";
    std::string unixPortFile = UnixPathOf(portFile);
    if (unixPortFile.empty()) {
      m_error = "not under Wine; set QORV_TEST_HTTP_URL";
      return;
    }
    std::string cmd = WideToUtf8(python) + " " + script + " --quiet --lifetime 240 --port-file " +
                      unixPortFile;
    if (!root.empty()) cmd += " --root " + UnixPathOf(root);
    std::wstring wide = Utf8ToWide(cmd);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
      m_error = "cannot start " + WideToUtf8(wide);
      return;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    for (int i = 0; i < 300; ++i) {  // up to 30 s on a busy machine
      std::vector<char> text = ReadWholeFile(portFile);
      std::string s(text.begin(), text.end());
      if (!s.empty() && s.back() == '\n') {
        s.pop_back();
        m_url = Utf8ToWide(s);
        return;
      }
      ::Sleep(100);
    }
    m_error = "the server did not start: " + WideToUtf8(wide);
  }

  std::wstring m_url;
  std::string m_error;
  bool m_external = false;
  std::unique_ptr<ScratchDir> m_portDir;
};

// A file server with the manifest's folder (gamehome\qorv), aimed at by QORV_FILE_SERVER, and a
// temporary directory of its own that TMP and TEMP point into: the update check runs against both.
struct UpdateSite {
  ScratchDir site{L"site"};
  ScratchDir temp{L"temp"};  // made before TMP points into it
  std::unique_ptr<TestHttpServer> server;

  UpdateSite() {
    ::CreateDirectoryW((site / L"gamehome").c_str(), nullptr);
    ::CreateDirectoryW((site / L"gamehome\\qorv").c_str(), nullptr);
    server = std::make_unique<TestHttpServer>(site.Path());
    ::SetEnvironmentVariableW(L"QORV_FILE_SERVER", server->Url().c_str());
    std::wstring dir = temp.Path();
    dir.pop_back();
    ::SetEnvironmentVariableW(L"TMP", dir.c_str());
    ::SetEnvironmentVariableW(L"TEMP", dir.c_str());
  }
  std::wstring Published() const { return site / L"gamehome\\qorv\\update.txt"; }
};

}  // namespace qorv::test

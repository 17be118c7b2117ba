// A DDE client for tests: connects to a service and topic and sends one execute command, the way
// another program (a second copy of the client, a launcher) would.
//
//   dde_client --service S --topic T --text TEXT     (UTF-16, NUL-terminated)
//   dde_client --service S --topic T --file PATH     (the file's bytes exactly: odd counts, NULs)
//   [--timeout MS]                                   (default 10000)
//
// Prints "result=accepted|refused|failed|noconnect" and exits 0, 3, 2, 1 (4: usage).
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

int Finish(const char* result, int code) {
  std::printf("result=%s\n", result);
  std::fflush(stdout);
  return code;
}

bool ReadAll(const std::wstring& path, std::vector<BYTE>& bytes) {
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  ::GetFileSizeEx(h, &size);
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  bool ok = bytes.empty() ||
            ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  ::CloseHandle(h);
  return ok && read == bytes.size();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::map<std::wstring, std::wstring> opts;
  for (int i = 1; i + 1 < argc; i += 2) opts[argv[i]] = argv[i + 1];
  if (!opts.count(L"--service") || !opts.count(L"--topic") ||
      (!opts.count(L"--text") && !opts.count(L"--file"))) {
    return Finish("usage", 4);
  }
  std::vector<BYTE> data;
  if (opts.count(L"--file")) {
    if (!ReadAll(opts[L"--file"], data)) return Finish("usage", 4);
  } else {
    const std::wstring& text = opts[L"--text"];
    auto* p = reinterpret_cast<const BYTE*>(text.c_str());
    data.assign(p, p + (text.size() + 1) * sizeof(wchar_t));
  }
  DWORD timeout = opts.count(L"--timeout") ? std::wcstoul(opts[L"--timeout"].c_str(), nullptr, 10)
                                            : 10000;

  DWORD inst = 0;
  if (::DdeInitializeW(&inst, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
    return Finish("failed", 2);
  HSZ service = ::DdeCreateStringHandleW(inst, opts[L"--service"].c_str(), CP_WINUNICODE);
  HSZ topic = ::DdeCreateStringHandleW(inst, opts[L"--topic"].c_str(), CP_WINUNICODE);
  HCONV conv = ::DdeConnect(inst, service, topic, nullptr);
  int code;
  const char* result;
  if (!conv) {
    result = "noconnect";
    code = 1;
  } else {
    DWORD status = 0;
    HDDEDATA ok = ::DdeClientTransaction(data.empty() ? nullptr : data.data(),
                                         static_cast<DWORD>(data.size()), conv, nullptr, 0,
                                         XTYP_EXECUTE, timeout, &status);
    UINT error = ::DdeGetLastError(inst);
    if (ok) {
      result = "accepted";
      code = 0;
    } else if (error == DMLERR_NOTPROCESSED) {
      result = "refused";
      code = 3;
    } else {
      result = "failed";
      code = 2;
    }
    ::DdeDisconnect(conv);
  }
  ::DdeFreeStringHandle(inst, service);
  ::DdeFreeStringHandle(inst, topic);
  ::DdeUninitialize(inst);
  return Finish(result, code);
}

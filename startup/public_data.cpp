#include "startup/public_data.h"

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/log.h"
#include "base/win/resource.h"

namespace qorv::startup {
namespace {

WNDPROC g_previousProc = nullptr;
HWND g_hookedWindow = nullptr;
FollowerLookup g_follower = nullptr;

bool IsAbsolutePath(const std::wstring& path) {
  bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
  bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
  return drive || unc;
}

}  // namespace

std::wstring GetTempDir() {
  wchar_t buffer[260 + 1] = {};
  DWORD n = ::GetTempPathW(260, buffer);
  if (n == 0 || n > 260) return {};  // no path, or one longer than the buffer holds
  return NormalizeTempDir(std::wstring_view(buffer, n));
}

std::wstring IconFilePath() { return GetTempDir() + L"qorv.ico"; }

bool SaveResFile(int id, const wchar_t* typeName, const std::wstring& path) {
  auto bytes = win::LoadCustomResource(id, typeName);
  if (bytes.empty()) {
    win::LogError(L"SaveResFile: resource " + std::wstring(typeName) + L" " + std::to_wstring(id) +
                  L" not found");
    return false;
  }
  if (!IsAbsolutePath(path)) {
    win::LogError(L"SaveResFile: refusing relative path \"" + path + L"\"");
    return false;
  }
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    win::LogError(L"SaveResFile: cannot create \"" + path + L"\" (error " +
                  std::to_wstring(::GetLastError()) + L")");
    return false;
  }
  DWORD written = 0;
  BOOL ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                        nullptr);
  if (!ok || written != bytes.size()) {
    win::LogError(L"SaveResFile: write to \"" + path + L"\" failed");
    file.Reset();
    ::DeleteFileW(path.c_str());
    return false;
  }
  return true;
}

void SetMoveFollower(FollowerLookup lookup) { g_follower = lookup; }

LRESULT CALLBACK FollowMoveProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = g_previousProc;
  if (msg == WM_MOVE) {
    HWND follower = g_follower ? g_follower() : nullptr;
    RECT r{};
    if (follower && follower != hWnd && ::GetWindowRect(hWnd, &r)) {
      ::SetWindowPos(follower, nullptr, r.left, r.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (!previous) return ::DefWindowProcW(hWnd, msg, wParam, lParam);
  return ::CallWindowProcW(previous, hWnd, msg, wParam, lParam);
}

bool HookWindow(HWND hWnd) {
  if (!::IsWindow(hWnd)) return false;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hWnd, &pid);
  if (pid != ::GetCurrentProcessId()) return false;  // another process's procedure is not ours
  // A second hook would save FollowMoveProc as its own predecessor and recurse for ever.
  if (g_previousProc) {
    win::LogError(L"HookWindow: a window is already hooked");
    return false;
  }
  g_previousProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FollowMoveProc)));
  if (!g_previousProc) return false;
  g_hookedWindow = hWnd;
  return true;
}

void UnhookWindow(HWND hWnd) {
  if (!g_previousProc || hWnd != g_hookedWindow) return;
  if (::IsWindow(hWnd)) {
    ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
  }
  g_previousProc = nullptr;
  g_hookedWindow = nullptr;
}

}  // namespace qorv::startup

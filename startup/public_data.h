// Helpers shared by the start-up, login and main windows.
#pragma once

#include <windows.h>

#include <string>

namespace qorv::startup {

// The user's temporary directory, ending in "\"; empty when the system gives none.
std::wstring GetTempDir();

// Where the login screen writes the program's icon (resource "ICON" 101) and the windows load
// their icons from: qorv.ico in the temporary directory.
std::wstring IconFilePath();

// Writes the bytes of the custom resource (id, type name) to path, replacing the file.
// Returns false (and logs) when the resource is missing, the path is not absolute, or the write
// fails; a failed write leaves nothing half-written under the name.
bool SaveResFile(int id, const wchar_t* typeName, const std::wstring& path);

// Makes one window drag another along: HookWindow replaces hWnd's procedure with FollowMoveProc,
// which moves the follower window to hWnd's top-left corner on every WM_MOVE. One window at a
// time (the previous procedure is one value); a second HookWindow is refused while one is hooked.
bool HookWindow(HWND hWnd);
void UnhookWindow(HWND hWnd);
LRESULT CALLBACK FollowMoveProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Who follows: the login page window once it exists. Set by the login module (and by tests).
using FollowerLookup = HWND (*)();
void SetMoveFollower(FollowerLookup lookup);

}  // namespace qorv::startup

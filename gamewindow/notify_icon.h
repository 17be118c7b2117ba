// CKpNotifyIcon: one icon in the taskbar's notification area on behalf of a window. It keeps one
// notification record for its whole life; every call edits some fields and sends the whole
// record. The icon is removed when the object goes.
//
// Mouse events on the icon reach the window as kTrayCallbackMessage (wParam = kTrayIconId,
// lParam = the mouse message). When the shell restarts, the taskbar is re-created empty and
// broadcasts the registered "TaskbarCreated" message: the window's procedure calls
// OnTaskbarCreated for that message id (TaskbarCreatedMessage()) and the icon comes back.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string_view>

namespace qorv::gamewindow {

inline constexpr UINT kTrayIconId = 1000;
inline constexpr UINT kTrayCallbackMessage = 6242;
inline constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;  // 23

class CKpNotifyIcon {
 public:
  CKpNotifyIcon();
  CKpNotifyIcon(const CKpNotifyIcon&) = delete;
  CKpNotifyIcon& operator=(const CKpNotifyIcon&) = delete;
  ~CKpNotifyIcon();

  void AddNotifyIcon(HWND hWnd, HICON hIcon, std::wstring_view strTip);
  void ModifyNotifyIcon(HWND hWnd, HICON hIcon, std::wstring_view strTip);
  void ShowBubble(std::wstring_view strTitle, std::wstring_view strInfo, DWORD eInfoFlags);
  void HideBubble();
  void DeleteNotifyIcon();

  // The taskbar was re-created: adds the icon again if it was added and not deleted.
  void OnTaskbarCreated();
  // The id of the registered "TaskbarCreated" message.
  static UINT TaskbarCreatedMessage();

  // The record as it was last sent.
  const NOTIFYICONDATAW& Record() const { return m_data; }
  bool Added() const { return m_added; }

 private:
  void FillIconFields(HWND hWnd, HICON hIcon, std::wstring_view strTip);
  bool Send(DWORD message);

  NOTIFYICONDATAW m_data;
  bool m_added = false;
};

}  // namespace qorv::gamewindow

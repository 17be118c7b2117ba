#include "gamewindow/notify_icon.h"

#include <string>

#include "base/win/log.h"
#include "gamewindow/tray_text.h"

namespace qorv::gamewindow {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::u16string_view Units(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

template <size_t N>
void Fill(WCHAR (&field)[N], std::wstring_view text) {
  FillTextField(reinterpret_cast<char16_t*>(field), N, Units(text));
}

static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(WCHAR) == kTipFieldUnits);
static_assert(sizeof(NOTIFYICONDATAW::szInfo) / sizeof(WCHAR) == kInfoFieldUnits);
static_assert(sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(WCHAR) == kInfoTitleFieldUnits);

}  // namespace

CKpNotifyIcon::CKpNotifyIcon() : m_data{sizeof(NOTIFYICONDATAW)} {}

CKpNotifyIcon::~CKpNotifyIcon() {
  if (m_added) DeleteNotifyIcon();
}

void CKpNotifyIcon::FillIconFields(HWND hWnd, HICON hIcon, std::wstring_view strTip) {
  m_data.cbSize = sizeof(NOTIFYICONDATAW);
  m_data.hWnd = hWnd;
  m_data.uID = kTrayIconId;
  m_data.uFlags = kTrayFlags;
  m_data.uCallbackMessage = kTrayCallbackMessage;
  m_data.hIcon = hIcon;
  Fill(m_data.szTip, strTip);
}

bool CKpNotifyIcon::Send(DWORD message) { return ::Shell_NotifyIconW(message, &m_data) != FALSE; }

void CKpNotifyIcon::AddNotifyIcon(HWND hWnd, HICON hIcon, std::wstring_view strTip) {
  FillIconFields(hWnd, hIcon, strTip);
  // Counted as added even when the shell refused it (no taskbar yet): the taskbar's arrival
  // brings it then.
  m_added = true;
  if (!Send(NIM_ADD)) win::LogInfo(L"tray: the shell did not take the icon");
}

void CKpNotifyIcon::ModifyNotifyIcon(HWND hWnd, HICON hIcon, std::wstring_view strTip) {
  FillIconFields(hWnd, hIcon, strTip);
  Send(NIM_MODIFY);
}

void CKpNotifyIcon::ShowBubble(std::wstring_view strTitle, std::wstring_view strInfo,
                               DWORD eInfoFlags) {
  Fill(m_data.szInfoTitle, strTitle);
  Fill(m_data.szInfo, strInfo);
  m_data.dwInfoFlags = eInfoFlags;
  Send(NIM_MODIFY);
}

void CKpNotifyIcon::HideBubble() {
  // NIF_INFO with an empty text removes a balloon that is showing.
  Fill(m_data.szInfoTitle, L"");
  Fill(m_data.szInfo, L"");
  Send(NIM_MODIFY);
}

void CKpNotifyIcon::DeleteNotifyIcon() {
  m_added = false;
  Send(NIM_DELETE);
}

void CKpNotifyIcon::OnTaskbarCreated() {
  if (!m_added) return;
  // The balloon belonged to the old taskbar.
  Fill(m_data.szInfoTitle, L"");
  Fill(m_data.szInfo, L"");
  if (!Send(NIM_ADD)) win::LogInfo(L"tray: the new taskbar did not take the icon");
}

UINT CKpNotifyIcon::TaskbarCreatedMessage() {
  static const UINT id = ::RegisterWindowMessageW(L"TaskbarCreated");
  return id;
}

}  // namespace qorv::gamewindow

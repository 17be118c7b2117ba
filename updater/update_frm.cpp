#include "updater/update_frm.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "base/units.h"
#include "base/version.h"
#include "base/win/borderless.h"
#include "base/win/dpi.h"
#include "base/win/form_icons.h"
#include "base/win/log.h"
#include "startup/command_line.h"
#include "startup/manifest_policy.h"
#include "startup/public_data.h"
#include "startup/update_check.h"
#include "startup/update_signature.h"
#include "updater/install_files.h"
#include "updater/update_layout.h"

namespace qorv::updater {
namespace {

constexpr COLORREF kFormColour = RGB(236, 233, 218);  // the title bar's own colour

const wchar_t* KindName(startup::FileLineKind kind) {
  switch (kind) {
    case startup::FileLineKind::VersionLine: return L"version line";
    case startup::FileLineKind::NoSeparator: return L"no \"|\"";
    case startup::FileLineKind::UnsafeName: return L"unsafe file name";
    case startup::FileLineKind::BadDigest: return L"third field is no SHA-256";
    case startup::FileLineKind::NoDigest: return L"no SHA-256 in a signed manifest";
    case startup::FileLineKind::File: break;
  }
  return L"file";
}

int32_t ToProperty(uint32_t count) {
  return static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
}

// The manifest the client left in the temporary directory, into `lines`, and how far it may be
// trusted. The client checked its signature before it offered the update; the file has lain in
// the temporary directory since, so it is checked again, and used as it was checked.
startup::ManifestTrust ReadManifest(std::vector<std::wstring>& lines) {
  std::wstring tempDir = startup::GetTempDir();
  std::wstring manifest = tempDir.empty() ? std::wstring() : tempDir + startup::kManifestFileName;
  startup::ManifestReading reading;
  if (!manifest.empty()) {
    reading = startup::ReadTrustedManifest(manifest, startup::BuiltInUpdateKeys(),
                                           [&](std::wstring_view line) {
                                             lines.emplace_back(line);
                                             return true;
                                           });
  }
  if (!reading.found) {
    win::LogError(L"updater: no manifest at \"" + manifest + L"\"");
    return startup::ManifestTrust::Rejected;
  }
  // The same decision the client made before it offered the update, taken again on what is
  // here now, against this updater's own version (it is built with the client it ships in):
  // a replayed older manifest or one past its expiry installs nothing.
  std::wstring running = RunningVersion();
  startup::ManifestDecision decision =
      DecideManifest(lines, reading.signature, running, startup::UtcNowSeconds());
  if (decision.Accepted()) return reading.trust;
  win::LogError(L"updater: " + startup::DescribeManifestDecision(decision, running) +
                L"; nothing is installed");
  return startup::ManifestTrust::Rejected;
}

UpdatePlan PlanFor(const std::wstring& arguments, const std::vector<std::wstring>& lines,
                   startup::ManifestTrust trust) {
  UpdatePlan plan = PlanUpdate(startup::ParseUpdaterCommandLine(arguments), lines, trust);
  if (plan.directoryUsable) {
    if (auto problem = InstallProblem(plan.command)) {
      plan.directoryUsable = false;
      win::LogError(L"updater: refused \"" + arguments + L"\": " + *problem);
    }
  } else {
    win::LogError(L"updater: refused \"" + arguments + L"\": " +
                  CommandLineVerdictText(plan.commandVerdict));
  }
  for (const auto& skipped : plan.skipped) {
    if (skipped.kind == startup::FileLineKind::VersionLine) continue;
    win::LogError(L"updater: skipped a manifest line (" + std::wstring(KindName(skipped.kind)) +
                  L"): " + skipped.line);
  }
  return plan;
}

void LogOutcome(const UpdatePlan& plan, const UpdateOutcome& outcome) {
  std::wstring summary = L"updater: " + std::to_wstring(outcome.fetchedCount) + L" of " +
                         std::to_wstring(plan.files.size()) + L" files fetched, " +
                         std::to_wstring(outcome.replacedCount) + L" replaced";
  if (outcome.cancelled) summary += L", cancelled";
  if (!outcome.failedFile.empty()) summary += L"; stopped at \"" + outcome.failedFile + L"\"";
  if (!outcome.allComplete && !outcome.cancelled) summary += L"; nothing is opened";
  win::LogInfo(summary);
}

// The client that started the update, unless the update itself put a file there.
void RemoveOldClient(const std::wstring& clientFile, const std::vector<std::wstring>& replaced) {
  switch (RemoveUnlessNew(clientFile, replaced)) {
    case RemoveResult::Removed:
    case RemoveResult::Missing:
      break;
    case RemoveResult::IsANewFile:
      win::LogInfo(L"updater: \"" + clientFile + L"\" is the new client; it stays");
      break;
    case RemoveResult::Failed:
      win::LogInfo(L"updater: could not remove \"" + clientFile + L"\" (error " +
                   std::to_wstring(::GetLastError()) + L")");
      break;
  }
}

}  // namespace

UpdateFrm::~UpdateFrm() = default;

void UpdateFrm::CreateFormWindow() {
  m_background.Reset(::CreateSolidBrush(kFormColour));
  RegisterClassOnce(kUpdateFrmClass, 0, win::ClassIcon(ICON_BIG), ::LoadCursorW(nullptr, IDC_ARROW),
                    nullptr, win::ClassIcon(ICON_SMALL));
  m_dpi = win::SystemDpi();
  const PixelRect size = PlaceUpdateFrm(m_dpi).window;
  POINT at = win::CentredOnWorkArea(size.Width(), size.Height());
  // Borderless: the title bar is drawn by BForm1; the taskbar still shows the program.
  Create(kUpdateFrmClass, WS_EX_APPWINDOW, kUpdateFrmCaption,
         WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, at.x, at.y, size.Width(),
         size.Height(), nullptr);
  m_dpi = win::DpiOf(Hwnd());
}

void UpdateFrm::MakeLabelFont() {
  // 9 points (12 pixels at 96 DPI) at the window's DPI.
  m_labelFont.Reset(::CreateFontW(-ScaleForDpi(12, m_dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                  FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
  if (Label1 && m_labelFont) {
    ::SendMessageW(Label1, WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFont.Get()), TRUE);
  }
}

void UpdateFrm::OnDpiChanged(int newDpi, const RECT& suggested) {
  m_dpi = newDpi;
  Form::OnDpiChanged(newDpi, suggested);
  const UpdateFrmPlaces p = PlaceUpdateFrm(m_dpi);
  if (Label1) {
    ::MoveWindow(Label1, p.label.left, p.label.top, p.label.Width(), p.label.Height(), TRUE);
  }
  MakeLabelFont();
  closebtn.SetDpi(m_dpi);
  if (closebtn.Hwnd()) {
    ::MoveWindow(closebtn.Hwnd(), p.close.left, p.close.top, p.close.Width(), p.close.Height(),
                 TRUE);
  }
  KpProgressBar1.SetDpi(m_dpi);
  if (KpProgressBar1.Hwnd()) {
    ::SetWindowPos(KpProgressBar1.Hwnd(), nullptr, p.barLeft, p.barTop, p.barWidth, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT r{};
  ::GetWindowRect(Hwnd(), &r);
  BForm1.SetDpi(m_dpi);
  if (BForm1.hWnd()) ::MoveWindow(BForm1.hWnd(), 0, 0, r.right - r.left, 0, TRUE);
  OnSize(r.right - r.left, r.bottom - r.top);
}

void UpdateFrm::CreateControls() {
  RECT client{};
  ::GetClientRect(Hwnd(), &client);
  int width = client.right;

  BForm1.Create(Hwnd(), 0, 0, width);
  BForm1.SetCaption(kUpdateFrmCaption);
  BForm1.SetfrmHwnd(Hwnd());

  const UpdateFrmPlaces p = PlaceUpdateFrm(m_dpi);
  closebtn.Create(Hwnd(), UpdateFrmCloseLeft(width, m_dpi), p.close.top, p.close.Width(),
                  p.close.Height());
  closebtn.Click = [this] { AskToQuit(); };
  // Over the title bar, which was made first.
  ::SetWindowPos(closebtn.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  Label1 = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX |
                                 SS_ENDELLIPSIS,
                             p.label.left, p.label.top, width - 2 * p.label.left,
                             p.label.Height(), Hwnd(), nullptr, win::ThisModule(), nullptr);
  MakeLabelFont();

  KpProgressBar1.CreateBar(Hwnd(), p.barLeft, p.barTop, width - 2 * p.barLeft);
}

void UpdateFrm::OnLoad() {
  m_downfile = std::make_unique<startup::CKpDownLoadFile>();
  m_downfile->QueryFileInfo = [this](uint32_t total) { m_downfile_QueryFileInfo(total); };
  m_downfile->Loading = [this](uint32_t received) { m_downfile_Loading(received); };

  CreateControls();
  RECT r{};
  ::GetWindowRect(Hwnd(), &r);
  OnSize(r.right - r.left, r.bottom - r.top);
  closebtn.SetBackPicture(kCloseButtonBitmap);
  ::ShowWindow(Hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(Hwnd());

  RunUpdate();
  Unload();
}

void UpdateFrm::RunUpdate() {
  std::wstring arguments(startup::ArgumentsAfterProgramName(::GetCommandLineW()));
  win::LogInfo(L"updater: started with \"" + arguments + L"\"");
  std::vector<std::wstring> lines;
  startup::ManifestTrust trust = ReadManifest(lines);
  UpdatePlan plan = PlanFor(arguments, lines, trust);

  // An updater ended from outside (task manager, log-off, power) leaves its downloads' part
  // files beside the client; this run clears what earlier ones left before it adds its own.
  if (plan.directoryUsable) startup::RemoveLeftoverPartFiles(plan.command.directory);

  UpdateOutcome outcome = RunUpdatePass(plan, *this);
  // What was fetched and not moved in goes now, before the player is told.
  m_staged.clear();
  m_finishing = true;
  LogOutcome(plan, outcome);
  if (outcome.removeClientFile) RemoveOldClient(plan.command.clientFile, m_replaced);
  if (const wchar_t* message = ClosingMessage(outcome)) {
    UINT icon = outcome.allComplete ? MB_ICONINFORMATION : MB_ICONEXCLAMATION;
    ::MessageBoxW(Hwnd(), message, kMessageTitle, icon | MB_OK);
  }
  if (!outcome.opened.empty()) {
    ::ShellExecuteW(nullptr, L"open", outcome.opened.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
}

void UpdateFrm::ShowFile(const std::wstring& fileName) {
  if (Label1) ::SetWindowTextW(Label1, (std::wstring(kDownloadingPrefix) + fileName).c_str());
}

bool UpdateFrm::Fetch(const PlannedFile& file) {
  startup::StagedFile staged;
  if (!m_downfile->DownLoadFile(file.url, file.target, false, true, file.digest, staged)) {
    return false;
  }
  m_staged.push_back(std::move(staged));
  return true;
}

bool UpdateFrm::Replaceable(const PlannedFile& file) {
  if (IsReplaceable(file.target)) return true;
  win::LogError(L"updater: \"" + file.target + L"\" is in use (error " +
                std::to_wstring(::GetLastError()) + L"); nothing is replaced");
  return false;
}

bool UpdateFrm::Replace(const PlannedFile& file) {
  for (auto& staged : m_staged) {
    if (!staged || staged.Target() != file.target) continue;
    if (!staged.Commit()) return false;
    m_replaced.push_back(file.target);
    return true;
  }
  return false;
}

void UpdateFrm::m_downfile_QueryFileInfo(uint32_t dwFileTotalLen) {
  KpProgressBar1.SetMax(ToProperty(dwFileTotalLen));
}

void UpdateFrm::m_downfile_Loading(uint32_t dwRecivedLen) {
  KpProgressBar1.SetValue(ToProperty(dwRecivedLen));
}

void UpdateFrm::AskToQuit() {
  // One question at a time: a second close request while it is open is the same request.
  if (m_asking || m_finishing || m_exit) return;
  m_asking = true;
  int answer = ::MessageBoxW(Hwnd(), kQuitQuestion, kMessageTitle, MB_YESNO | MB_ICONQUESTION);
  m_asking = false;
  if (answer != IDYES) return;
  m_exit = true;
  if (m_downfile) m_downfile->StopDownLoad();
}

bool UpdateFrm::OnQueryUnload() {
  // The window goes when the pass is over; until then a close request is the close button's.
  AskToQuit();
  return false;
}

void UpdateFrm::OnSize(int width, int height) {
  const int16_t corner = ClampToInt16(PlaceUpdateFrm(m_dpi).cornerEllipse);
  win::RectRgn(Hwnd(), ClampToInt16(width), ClampToInt16(height), corner, corner);
  if (closebtn.Hwnd()) {
    ::SetWindowPos(closebtn.Hwnd(), nullptr, UpdateFrmCloseLeft(width, m_dpi),
                   PlaceUpdateFrm(m_dpi).close.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

LRESULT UpdateFrm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SIZE: {
      RECT r{};
      ::GetWindowRect(Hwnd(), &r);
      OnSize(r.right - r.left, r.bottom - r.top);
      return 0;
    }
    case WM_LBUTTONDOWN:
      win::DragByCaption(Hwnd());
      return 0;
    case WM_ERASEBKGND: {
      RECT r{};
      ::GetClientRect(Hwnd(), &r);
      ::FillRect(reinterpret_cast<HDC>(wParam), &r, m_background.Get());
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetBkColor(dc, kFormColour);
      ::SetTextColor(dc, RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(m_background.Get());
    }
  }
  return Form::HandleMessage(msg, wParam, lParam);
}

}  // namespace qorv::updater

// UpdateFrm: the updater's one window. Its load does the whole update: it shows itself, fetches
// and checks every file the manifest lists (file name and progress on screen), moves them all
// into the client's directory once every one has arrived whole, says how it went, opens the
// manifest's last file when the update went in whole and unloads, which ends the program.
//
// It owns the title bar (BForm1), the close button (closebtn), the status label (Label1), the
// progress bar (KpProgressBar1) and the download object (m_downfile). The close button, and any
// other close request, asks "您是否要退出更新！"; Yes stops the running download and the pass.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/form.h"
#include "base/win/gdi.h"
#include "controls/bform.h"
#include "controls/ibutton.h"
#include "startup/download.h"
#include "updater/kp_progress_bar.h"
#include "updater/update_pass.h"

namespace qorv::updater {

inline constexpr wchar_t kUpdateFrmClass[] = L"Qorv.UpdateFrm";
inline constexpr wchar_t kUpdateFrmCaption[] = L"BrindleQorvane更新";
inline constexpr int kCloseButtonBitmap = 103;

class UpdateFrm : public win::Form, private IUpdateActions {
 public:
  UpdateFrm() = default;
  ~UpdateFrm() override;

 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  bool OnQueryUnload() override;
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnDpiChanged(int newDpi, const RECT& suggested) override;

 private:
  // IUpdateActions
  void ShowFile(const std::wstring& fileName) override;
  bool Fetch(const PlannedFile& file) override;
  bool Replaceable(const PlannedFile& file) override;
  bool Replace(const PlannedFile& file) override;
  bool ExitRequested() const override { return m_exit; }

  void CreateControls();
  void RunUpdate();
  void AskToQuit();
  void OnSize(int width, int height);
  void MakeLabelFont();
  void m_downfile_QueryFileInfo(uint32_t dwFileTotalLen);
  void m_downfile_Loading(uint32_t dwRecivedLen);

  std::unique_ptr<startup::CKpDownLoadFile> m_downfile;
  std::vector<startup::StagedFile> m_staged;      // fetched and checked, not yet moved into place
  std::vector<std::wstring> m_replaced;  // the targets the update has replaced
  controls::BForm BForm1;
  controls::iButton closebtn;
  HWND Label1 = nullptr;
  KpProgressBar KpProgressBar1;
  win::UniqueFont m_labelFont;
  int m_dpi = 96;
  win::UniqueBrush m_background;
  bool m_exit = false;
  bool m_asking = false;
  bool m_finishing = false;
};

}  // namespace qorv::updater

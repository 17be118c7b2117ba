// The start-up window. Its initialization (before the window exists) checks the connection and
// runs the automatic update check; its load honours "/web", turns the window into the splash and
// loads the login windows, which unload it when the login page has loaded.
#pragma once

#include "base/texts.h"
#include "base/win/form.h"
#include "base/win/form_registry.h"
#include "startup/layered_image.h"

namespace qorv::startup {

inline constexpr wchar_t kLoadFrmClass[] = L"Qorv.LoadFrm";
inline constexpr int kSplashWidth = 356;   // 5340 twips
inline constexpr int kSplashHeight = 122;  // 1830 twips

// The splash window's rectangle at the primary monitor's DPI: the design's size at that DPI,
// centred on the work area.
RECT SplashPlacement(int dpi);

class LoadFrm : public win::Form, public win::ISplashForm {
 public:
  LoadFrm();
  void Unload() override { Form::Unload(); }

 protected:
  void CreateFormWindow() override;
  void OnLoad() override;
  void OnUnload() override;

 private:
  LayeredImage m_splash;
};

// The start-up window, made and loaded on first use.
LoadFrm& StartupForm();
bool StartupFormLoaded();
// Fills the registry's splash entry.
void RegisterStartupForms();

// The automatic update check of the start-up sequence: returns unless the player accepts an
// update, in which case the updater is started and the program ends at once.
void CheckUpdate();

}  // namespace qorv::startup

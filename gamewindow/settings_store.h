// The player's settings in the registry, under HKCU\Software\BrindleQorvane: the one place the
// client reads and writes them. Reading never fails (what cannot be read is the default); a write
// that is refused leaves the caller's copy as the setting for this run.
#pragma once

#include "gamewindow/player_settings.h"

namespace qorv::gamewindow {

// subKey: below HKEY_CURRENT_USER; tests give a key of their own.
PlayerSettings LoadPlayerSettings(const wchar_t* subKey = kSettingsKey);
// False when the key could not be opened or a value not written (logged).
bool SavePlayerSettings(const PlayerSettings& settings, const wchar_t* subKey = kSettingsKey);

}  // namespace qorv::gamewindow

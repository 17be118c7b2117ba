// The choices a player makes and the client remembers per Windows user (mute, always on top, the
// game tab's zoom), and how their stored values are read. Each value is a DWORD of its own; a
// value that is missing, of another type or out of its range means that setting's default, and
// never affects the others.
#pragma once

#include <cstdint>
#include <optional>

namespace qorv::gamewindow {

inline constexpr wchar_t kSettingsKey[] = L"Software\\BrindleQorvane";
inline constexpr wchar_t kMutedValue[] = L"Muted";
inline constexpr wchar_t kAlwaysOnTopValue[] = L"AlwaysOnTop";
inline constexpr wchar_t kGameZoomValue[] = L"GameZoom";

struct PlayerSettings {
  bool muted = false;
  bool alwaysOnTop = false;
  int gameZoom = 100;  // one of kZoomSteps
  bool operator==(const PlayerSettings&) const = default;
};

// One stored value as the registry gave it: nothing when it is missing or not a 32-bit DWORD.
using StoredDword = std::optional<uint32_t>;

struct StoredSettings {
  StoredDword muted, alwaysOnTop, gameZoom;
};

PlayerSettings ReadPlayerSettings(const StoredSettings& stored);

// What is written back: booleans as 0 or 1, the zoom in percent.
StoredSettings ToStored(const PlayerSettings& settings);

}  // namespace qorv::gamewindow

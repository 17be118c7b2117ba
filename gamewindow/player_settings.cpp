#include "gamewindow/player_settings.h"

#include "gamewindow/zoom_steps.h"

namespace qorv::gamewindow {
namespace {

// Only 0 and 1: anything else was not written by the client and says nothing reliable.
bool ReadFlag(const StoredDword& value, bool fallback) {
  if (!value || *value > 1) return fallback;
  return *value == 1;
}

}  // namespace

PlayerSettings ReadPlayerSettings(const StoredSettings& stored) {
  PlayerSettings out;
  out.muted = ReadFlag(stored.muted, out.muted);
  out.alwaysOnTop = ReadFlag(stored.alwaysOnTop, out.alwaysOnTop);
  // A zoom the menu could not have chosen is not rounded to a near step: the default is safer
  // than a guess at what the damaged value once was.
  if (stored.gameZoom && *stored.gameZoom <= 1000 &&
      IsZoomStep(static_cast<int>(*stored.gameZoom))) {
    out.gameZoom = static_cast<int>(*stored.gameZoom);
  }
  return out;
}

StoredSettings ToStored(const PlayerSettings& settings) {
  return {settings.muted ? 1u : 0u, settings.alwaysOnTop ? 1u : 0u,
          static_cast<uint32_t>(settings.gameZoom)};
}

}  // namespace qorv::gamewindow

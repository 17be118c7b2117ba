// Mute for the game alone: this process's own audio session on the default output device, muted
// through its simple volume (the session the embedded browser plays into, GUID_NULL), not by
// looking through every session for our process id. The mute is applied when the object starts,
// which the program does before the first page, and again whenever the default output device
// changes (its notifications arrive on a system thread and are posted to a window of this
// object, so the session is only ever touched on the interface thread).
//
// Without an output device there is no session: Available() is false, the menu entry is greyed,
// and the wanted state is kept and applied once a device appears.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include <audiopolicy.h>

#include <optional>

#include "base/win/com.h"
#include "base/win/window.h"

namespace qorv::gamewindow {

class AudioMute final : public win::Window {
 public:
  explicit AudioMute(bool muted);
  ~AudioMute() override;

  bool Available() const { return m_volume.Get() != nullptr; }
  bool Muted() const { return m_muted; }
  // Remembers the wanted state and applies it to the session when there is one.
  void SetMuted(bool muted);
  // What the session itself reports; empty without a session.
  std::optional<bool> SessionMuted() const;
  // Looks for the default device's session again and applies the wanted state to it.
  void Reattach();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  class DeviceWatch;

  win::ComPtr<IMMDeviceEnumerator> m_enumerator;
  win::ComPtr<DeviceWatch> m_watch;
  win::ComPtr<ISimpleAudioVolume> m_volume;
  bool m_muted = false;
};

// The process's one instance: started by the program before the login page, used by the main
// window's menu, and stopped before OLE is.
AudioMute* PlayerAudio();
void StartPlayerAudio(bool muted);
void StopPlayerAudio();

}  // namespace qorv::gamewindow

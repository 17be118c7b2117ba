#include "gamewindow/audio_mute.h"

#include <memory>
#include <string>

#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

constexpr wchar_t kAudioWindowClass[] = L"Qorv.AudioMute";
constexpr UINT kDeviceChanged = WM_APP + 1;

std::unique_ptr<AudioMute> g_audio;

}  // namespace

// Called by the audio service on its own threads: it only posts to the window.
class AudioMute::DeviceWatch final : public win::ComObject<IMMNotificationClient> {
 public:
  explicit DeviceWatch(HWND target) : m_target(target) {}

  STDMETHODIMP OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) override {
    // The console role is the one a program's default session plays on.
    if (flow == eRender && role == eConsole) Post();
    return S_OK;
  }
  STDMETHODIMP OnDeviceStateChanged(LPCWSTR, DWORD) override {
    Post();  // the first device arriving on a machine that had none makes no default change
    return S_OK;
  }
  STDMETHODIMP OnDeviceAdded(LPCWSTR) override { return S_OK; }
  STDMETHODIMP OnDeviceRemoved(LPCWSTR) override { return S_OK; }
  STDMETHODIMP OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

 private:
  void Post() { ::PostMessageW(m_target, kDeviceChanged, 0, 0); }
  HWND m_target;
};

AudioMute::AudioMute(bool muted) : m_muted(muted) {
  RegisterClassOnce(kAudioWindowClass);
  Create(kAudioWindowClass, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE);
  // The enumerator's class lives in a system library that COM loads by its registered full path:
  // nothing is linked or looked for beside the program.
  HRESULT hr = ::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), m_enumerator.PutVoid());
  if (FAILED(hr) || !m_enumerator) {
    win::LogInfo(L"audio: no device enumerator (" + win::HresultText(hr) + L"); mute is unavailable");
    m_enumerator.Reset();
    return;
  }
  m_watch = win::MakeCom<DeviceWatch>(Hwnd());
  if (FAILED(m_enumerator->RegisterEndpointNotificationCallback(m_watch.Get()))) m_watch.Reset();
  Reattach();
}

AudioMute::~AudioMute() {
  if (m_enumerator && m_watch) m_enumerator->UnregisterEndpointNotificationCallback(m_watch.Get());
  m_volume.Reset();
  m_watch.Reset();
  m_enumerator.Reset();
  Destroy();
}

void AudioMute::Reattach() {
  m_volume.Reset();
  if (!m_enumerator) return;
  win::ComPtr<IMMDevice> device;
  HRESULT hr = m_enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.Put());
  if (FAILED(hr) || !device) {
    win::LogInfo(L"audio: no output device (" + win::HresultText(hr) + L"); mute is unavailable");
    return;
  }
  win::ComPtr<IAudioSessionManager> sessions;
  hr = device->Activate(__uuidof(IAudioSessionManager), CLSCTX_INPROC_SERVER, nullptr,
                        sessions.PutVoid());
  if (FAILED(hr) || !sessions) {
    win::LogInfo(L"audio: no session manager (" + win::HresultText(hr) + L")");
    return;
  }
  // GUID_NULL: the process's default session, where every stream that names none plays.
  hr = sessions->GetSimpleAudioVolume(&GUID_NULL, FALSE, m_volume.Put());
  if (FAILED(hr) || !m_volume) {
    win::LogInfo(L"audio: no session volume (" + win::HresultText(hr) + L")");
    m_volume.Reset();
    return;
  }
  SetMuted(m_muted);
}

void AudioMute::SetMuted(bool muted) {
  m_muted = muted;
  if (!m_volume) return;
  HRESULT hr = m_volume->SetMute(muted ? TRUE : FALSE, nullptr);
  if (FAILED(hr)) win::LogError(L"audio: the session did not take the mute, " + win::HresultText(hr));
}

std::optional<bool> AudioMute::SessionMuted() const {
  BOOL muted = FALSE;
  if (!m_volume || FAILED(m_volume->GetMute(&muted))) return std::nullopt;
  return muted != FALSE;
}

LRESULT AudioMute::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kDeviceChanged) {
    // A burst of notifications (one device change reports several) ends in one reattach.
    MSG pending;
    while (::PeekMessageW(&pending, Hwnd(), kDeviceChanged, kDeviceChanged, PM_REMOVE)) {
    }
    Reattach();
    return 0;
  }
  return Window::HandleMessage(msg, wParam, lParam);
}

AudioMute* PlayerAudio() { return g_audio.get(); }

void StartPlayerAudio(bool muted) {
  if (!g_audio) g_audio = std::make_unique<AudioMute>(muted);
}

void StopPlayerAudio() { g_audio.reset(); }

}  // namespace qorv::gamewindow

#include "gamewindow/settings_store.h"

#include <windows.h>

#include <string>

#include "base/win/handles.h"
#include "base/win/log.h"

namespace qorv::gamewindow {
namespace {

StoredDword ReadDword(HKEY key, const wchar_t* name) {
  DWORD value = 0, size = sizeof(value);
  // RRF_RT_REG_DWORD: a value of any other type (or size) is refused here, which reads as missing.
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

PlayerSettings LoadPlayerSettings(const wchar_t* subKey) {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return {};
  }
  StoredSettings stored;
  stored.muted = ReadDword(key.Get(), kMutedValue);
  stored.alwaysOnTop = ReadDword(key.Get(), kAlwaysOnTopValue);
  stored.gameZoom = ReadDword(key.Get(), kGameZoomValue);
  return ReadPlayerSettings(stored);
}

bool SavePlayerSettings(const PlayerSettings& settings, const wchar_t* subKey) {
  win::UniqueRegKey key;
  LONG rc = ::RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              key.Put(), nullptr);
  if (rc != ERROR_SUCCESS) {
    win::LogError(L"settings: the key could not be opened for writing, error " +
                  std::to_wstring(rc) + L"; the choice holds until the client ends");
    return false;
  }
  const StoredSettings stored = ToStored(settings);
  const std::pair<const wchar_t*, const StoredDword&> values[] = {
      {kMutedValue, stored.muted}, {kAlwaysOnTopValue, stored.alwaysOnTop},
      {kGameZoomValue, stored.gameZoom}};
  bool ok = true;
  for (const auto& [name, value] : values) {
    const DWORD data = value.value_or(0);
    rc = ::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data));
    if (rc != ERROR_SUCCESS) {
      win::LogError(std::wstring(L"settings: ") + name + L" was not written, error " +
                    std::to_wstring(rc) + L"; the choice holds until the client ends");
      ok = false;
    }
  }
  return ok;
}

}  // namespace qorv::gamewindow

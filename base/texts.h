// Texts that more than one window shows: the product's caption and the message boxes' title and
// warning. Each is written once here, byte for byte as the players have always seen it.
#pragma once

namespace qorv {

inline constexpr wchar_t kProductCaption[] = L"BrindleQorvane客户端";
inline constexpr wchar_t kMessageTitle[] = L"提示";
inline constexpr wchar_t kConnectionWarning[] = L"未能连接到服务器，请检查网络连接是否正常！";

}  // namespace qorv

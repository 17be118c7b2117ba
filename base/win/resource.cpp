#include "base/win/resource.h"

namespace qorv::win {

std::span<const std::byte> LoadCustomResource(int id, const wchar_t* typeName, HMODULE module) {
  if (!module) module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), typeName);
  if (!info) return {};
  DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  if (!loaded || size == 0) return {};
  const void* data = ::LockResource(loaded);
  if (!data) return {};
  return {static_cast<const std::byte*>(data), size};
}

}  // namespace qorv::win

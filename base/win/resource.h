// The bytes of the program's own custom resources ("PNG", "ICON", "UPDATE"), found by type name.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

namespace qorv::win {

// Empty when the resource is missing. The bytes live as long as the module.
std::span<const std::byte> LoadCustomResource(int id, const wchar_t* typeName,
                                              HMODULE module = nullptr);

}  // namespace qorv::win

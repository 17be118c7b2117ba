// The built programs as files: the updater carried inside the client is the updater that was
// built, both carry the build's one version, and the installer looks like the client it carries.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/version.h"
#include "base/win/environment.h"
#include "base/win/resource.h"

namespace qorv {
namespace {

// Test executables live in build/win/tests, the programs in build/win/bin.
std::wstring BuildPath(const std::wstring& relative) {
  return DirectoryOf(DirectoryOf(win::ExecutablePath())) + L"\\" + relative;
}
std::wstring ProgramPath(const wchar_t* name) { return BuildPath(std::wstring(L"bin\\") + name); }
std::wstring InstallerPath() {
  return BuildPath(L"installer\\BrindleQorvane-Setup-" + RunningVersion() + L".exe");
}

std::vector<char> ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Programs, TheEmbeddedUpdaterIsTheBuiltOne) {
  auto res = win::LoadCustomResource(101, L"UPDATE");
  auto* p = reinterpret_cast<const char*>(res.data());
  std::vector<char> embedded(p, p + res.size());
  std::vector<char> built = ReadAll(ProgramPath(L"Update.exe"));
  ASSERT_FALSE(built.empty());
  EXPECT_EQ(embedded, built);
  EXPECT_EQ(embedded[0], 'M');  // a PE image, not something else under the name
  EXPECT_EQ(embedded[1], 'Z');
}

std::wstring FileVersionOf(const std::wstring& path, const wchar_t* field) {
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return {};
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  if (!field) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len)) return {};
    return FormatVersion(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                         HIWORD(fixed->dwFileVersionLS));
  }
  wchar_t* value = nullptr;
  UINT len = 0;
  std::wstring key = std::wstring(L"\\StringFileInfo\\080404b0\\") + field;
  if (!::VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &len)) return {};
  return std::wstring(value, len ? len - 1 : 0);
}

TEST(Programs, BothCarryTheRunningVersion) {
  for (const wchar_t* name : {L"qorv.exe", L"Update.exe"}) {
    std::wstring path = ProgramPath(name);
    EXPECT_EQ(FileVersionOf(path, nullptr), RunningVersion()) << name;
    EXPECT_EQ(FileVersionOf(path, L"FileVersion"), RunningVersion()) << name;
    EXPECT_EQ(FileVersionOf(path, L"OriginalFilename"), name);
  }
}

// Every image of the program's icons, as bytes.
std::vector<std::vector<BYTE>> IconImagesOf(const std::wstring& path) {
  std::vector<std::vector<BYTE>> images;
  HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return images;
  auto collect = [](HMODULE m, LPCWSTR type, LPWSTR name, LONG_PTR out) -> BOOL {
    HRSRC info = ::FindResourceW(m, name, type);
    HGLOBAL data = info ? ::LoadResource(m, info) : nullptr;
    auto* bytes = static_cast<const BYTE*>(data ? ::LockResource(data) : nullptr);
    if (bytes) {
      reinterpret_cast<std::vector<std::vector<BYTE>>*>(out)->emplace_back(
          bytes, bytes + ::SizeofResource(m, info));
    }
    return TRUE;
  };
  ::EnumResourceNamesW(module, RT_ICON, collect, reinterpret_cast<LONG_PTR>(&images));
  ::FreeLibrary(module);
  return images;
}

TEST(Programs, TheInstallerCarriesTheClientsIconAndVersion) {
  std::wstring setup = InstallerPath();
  ASSERT_NE(::GetFileAttributesW(setup.c_str()), INVALID_FILE_ATTRIBUTES) << "no installer";
  std::wstring client = ProgramPath(L"qorv.exe");
  EXPECT_EQ(FileVersionOf(setup, nullptr), RunningVersion());
  for (const wchar_t* field : {L"CompanyName", L"ProductName", L"ProductVersion", L"FileVersion"}) {
    EXPECT_EQ(FileVersionOf(setup, field), FileVersionOf(client, field)) << field;
  }
  EXPECT_EQ(FileVersionOf(setup, L"FileDescription"), L"BrindleQorvane客户端安装程序");
  auto clientIcons = IconImagesOf(client);
  ASSERT_EQ(clientIcons.size(), 6u);
  auto setupIcons = IconImagesOf(setup);
  EXPECT_TRUE(std::is_permutation(setupIcons.begin(), setupIcons.end(), clientIcons.begin(),
                                  clientIcons.end()));
}

}  // namespace
}  // namespace qorv

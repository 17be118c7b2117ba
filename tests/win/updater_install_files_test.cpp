// The updater's look at the installation on disk: which directories it accepts, and files told
// apart by identity rather than by the spelling of their paths.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/win/handles.h"
#include "updater/install_files.h"
#include "win/download_test_server.h"

namespace qorv::updater {
namespace {

using test::ScratchDir;
using test::WriteWholeFile;

std::wstring ShortPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring Upper(std::wstring path) {
  for (auto& c : path) c = static_cast<wchar_t>(::towupper(c));
  return path;
}

TEST(FileIdentity, OneFileUnderEverySpellingAndNoOtherFile) {
  ScratchDir dir(L"identity");
  std::wstring client = dir / L"A Long Client Name.exe";
  std::wstring other = dir / L"A Long Client Name.exe.new";
  WriteWholeFile(client, "client");
  WriteWholeFile(other, "client");  // the same bytes: identity is not content
  std::wstring shortName = ShortPath(client);
  ASSERT_FALSE(shortName.empty());
  EXPECT_NE(Upper(shortName), Upper(client)) << "no 8.3 name to try";
  auto identity = FileIdentityOf(client);
  ASSERT_TRUE(identity);
  for (const std::wstring& spelling : {shortName, Upper(client), Upper(shortName)}) {
    EXPECT_EQ(FileIdentityOf(spelling), identity) << spelling.c_str();
  }
  EXPECT_NE(FileIdentityOf(other), identity);
  EXPECT_FALSE(FileIdentityOf(dir / L"missing.exe"));

  // The old client named by another spelling of the file the update brought: it stays.
  EXPECT_EQ(RemoveUnlessNew(Upper(shortName), {dir / L"x.dat", client}), RemoveResult::IsANewFile);
  EXPECT_NE(::GetFileAttributesW(client.c_str()), INVALID_FILE_ATTRIBUTES);
  // Not among the new files: it goes, and a second time there is nothing to remove.
  EXPECT_EQ(RemoveUnlessNew(Upper(client), {other}), RemoveResult::Removed);
  EXPECT_EQ(::GetFileAttributesW(client.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(RemoveUnlessNew(client, {other}), RemoveResult::Missing);
  EXPECT_NE(::GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(IsReplaceable, NotWhileAProgramHoldsItsFile) {
  ScratchDir dir(L"replaceable");
  std::wstring file = dir / L"game.dll";
  WriteWholeFile(file, "in use");
  EXPECT_TRUE(IsReplaceable(file));
  EXPECT_TRUE(IsReplaceable(dir / L"new.dll"));
  {
    // As the loader holds a running program's image: reading shared, deleting not.
    win::UniqueFile held(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(IsReplaceable(file));
  }
  EXPECT_TRUE(IsReplaceable(file));
}

TEST(InstallProblem, TheDirectoryMustExistLocallyAndHoldTheClient) {
  ScratchDir dir(L"install");
  WriteWholeFile(dir / L"qorv.exe", "client");
  ::CreateDirectoryW((dir / L"folder.exe").c_str(), nullptr);
  struct Case {
    std::wstring directory, client;
    const wchar_t* problem;  // nullptr: none
  } cases[] = {
      {dir.Path(), dir / L"qorv.exe", nullptr},
      {Upper(dir.Path()), Upper(dir / L"qorv.exe"), nullptr},
      {dir.Path(), dir / L"other.exe", L"the directory does not hold the client"},
      {dir.Path(), dir / L"folder.exe", L"the directory does not hold the client"},
      {dir / L"missing\\", dir / L"missing\\qorv.exe", L"the directory does not exist"},
      {dir / L"qorv.exe\\", dir / L"qorv.exe\\qorv.exe", L"the directory does not exist"},
  };
  for (const auto& c : cases) {
    auto problem = InstallProblem({c.directory, c.client});
    EXPECT_EQ(problem.value_or(L"none"), c.problem ? c.problem : L"none") << c.client.c_str();
  }
  // A letter no drive is mapped to.
  for (wchar_t letter = L'Y'; letter > L'D'; --letter) {
    std::wstring root = std::wstring(1, letter) + L":\\";
    if (::GetDriveTypeW(root.c_str()) != DRIVE_NO_ROOT_DIR) continue;
    EXPECT_EQ(InstallProblem({root, root + L"qorv.exe"}).value_or(L"none"),
              L"the directory's drive does not exist");
    break;
  }
}

}  // namespace
}  // namespace qorv::updater

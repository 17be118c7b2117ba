#include "updater/install_files.h"

#include <windows.h>

#include "base/win/handles.h"
#include "updater/command_line_check.h"

namespace qorv::updater {
namespace {

std::optional<FileIdentity> IdentityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Attributes only, sharing everything: looking must never get in anybody's way.
win::UniqueFile OpenToLookAt(const std::wstring& path, DWORD access) {
  return win::UniqueFile(::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
}

}  // namespace

std::optional<FileIdentity> FileIdentityOf(const std::wstring& path) {
  win::UniqueFile file = OpenToLookAt(path, 0);
  if (!file) return std::nullopt;
  return IdentityOf(file.Get());
}

std::optional<std::wstring> InstallProblem(const startup::UpdaterCommand& command) {
  // A mapped network drive passes the text's checks: only the system knows where it leads.
  switch (::GetDriveTypeW(DriveRootOf(command.directory).c_str())) {
    case DRIVE_REMOTE: return L"the directory is on a network drive";
    case DRIVE_NO_ROOT_DIR:
    case DRIVE_UNKNOWN: return L"the directory's drive does not exist";
    default: break;
  }
  DWORD dir = ::GetFileAttributesW(command.directory.c_str());
  if (dir == INVALID_FILE_ATTRIBUTES || !(dir & FILE_ATTRIBUTE_DIRECTORY)) {
    return L"the directory does not exist";
  }
  DWORD client = ::GetFileAttributesW(command.clientFile.c_str());
  if (client == INVALID_FILE_ATTRIBUTES || (client & FILE_ATTRIBUTE_DIRECTORY)) {
    return L"the directory does not hold the client";
  }
  return std::nullopt;
}

bool IsReplaceable(const std::wstring& path) {
  if (OpenToLookAt(path, DELETE)) return true;
  DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND;
}

RemoveResult RemoveUnlessNew(const std::wstring& path, const std::vector<std::wstring>& newFiles) {
  win::UniqueFile file = OpenToLookAt(path, DELETE);
  if (!file) {
    DWORD error = ::GetLastError();
    bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return gone ? RemoveResult::Missing : RemoveResult::Failed;
  }
  std::optional<FileIdentity> identity = IdentityOf(file.Get());
  if (!identity) return RemoveResult::Failed;
  for (const auto& newFile : newFiles) {
    if (FileIdentityOf(newFile) == identity) return RemoveResult::IsANewFile;
  }
  FILE_DISPOSITION_INFO dispose{TRUE};
  if (!::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof(dispose))) {
    return RemoveResult::Failed;
  }
  return RemoveResult::Removed;
}

}  // namespace qorv::updater

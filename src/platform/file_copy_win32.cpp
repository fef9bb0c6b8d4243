#include "platform/file_copy.h"

#include <optional>

#include "platform/win32_text.h"

namespace celshift {

namespace {

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Volume and file index: what tells two names of one file apart from two files. Folders need the backup
// flag to be opened at all.
std::optional<BY_HANDLE_FILE_INFORMATION> identity(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return std::nullopt;
    HANDLE handle = ::CreateFileW(wide->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool ok = ::GetFileInformationByHandle(handle, &information) != 0;
    ::CloseHandle(handle);
    if (!ok) return std::nullopt;
    return information;
}

}  // namespace

// CopyFileW with fail-if-exists keeps the contents, attributes (read-only among them) and modification time.
// "Already there" is what the system says, or anything of that name found before the copy (a folder makes
// it fail with "access denied"). A target that the system leaves behind after another failure is removed:
// an incomplete copy would make every later run skip this file.
CopyOutcome copyFileNoOverwrite(const std::string& source, const std::string& target) {
    const std::optional<std::wstring> from = toWide(source);
    const std::optional<std::wstring> to = toWide(target);
    if (!from || !to) return CopyOutcome::Failed;
    const DWORD sourceAttributes = ::GetFileAttributesW(from->c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES || (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return CopyOutcome::Failed;
    const bool targetExisted = exists(*to);
    if (::CopyFileW(from->c_str(), to->c_str(), /*bFailIfExists=*/TRUE)) return CopyOutcome::Copied;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || targetExisted) return CopyOutcome::AlreadyExists;
    if (exists(*to)) {
        ::SetFileAttributesW(to->c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(to->c_str());
    }
    return CopyOutcome::Failed;
}

bool isExistingFolder(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Windows tells rights only by trying: a file that is deleted when its handle closes.
bool isWritableFolder(const std::string& path) {
    if (!isExistingFolder(path)) return false;
    const std::optional<std::wstring> folder = toWide(path);
    if (!folder) return false;
    std::wstring probe = *folder;
    if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/') probe += L'\\';
    probe += L"celshift-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
    return true;
}

bool isSameFileSystemObject(const std::string& a, const std::string& b) {
    const auto first = identity(a);
    const auto second = identity(b);
    return first && second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh && first->nFileIndexLow == second->nFileIndexLow;
}

}  // namespace celshift

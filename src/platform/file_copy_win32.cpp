#include "platform/file_copy.h"

#include <cerrno>
#include <optional>

#include "platform/output_folder_native_win32.h"
#include "platform/win32_text.h"

namespace celshift {

namespace {

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

// What stands under a name that a copy must not replace (attributes of the entry itself: a link is not followed).
CopyResult existingEntry(DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return {CopyOutcome::Failed, fileError(FileProblem::LinkInTheWay)};
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {CopyOutcome::Failed, fileError(FileProblem::FolderInTheWay)};
    return {CopyOutcome::AlreadyExists, {}};
}

void removeFile(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

// A link that cannot be followed: a loop when the system says it cannot resolve the name (Windows gives up after 63
// links), else its target is missing.
FileError brokenLink(const std::wstring& path) {
    HANDLE handle = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return fileError(FileProblem::DanglingLink);
    }
    return fileError(::GetLastError() == ERROR_CANT_RESOLVE_FILENAME ? FileProblem::LinkLoop : FileProblem::DanglingLink);
}

}  // namespace

FileError errorOpening(const std::string& path, int errnoValue) {
    const std::optional<std::wstring> wide = toWide(path);
    if (errnoValue == ENOENT && wide) {
        const DWORD attributes = ::GetFileAttributesW(wide->c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return brokenLink(*wide);
    }
    return errorFromErrno(errnoValue);
}

std::FILE* openForReading(const std::string& path, FileError& error) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) {
        error = errorFromWin32(ERROR_INVALID_NAME);
        return nullptr;
    }
    std::FILE* stream = ::_wfopen(wide->c_str(), L"rb");
    if (stream == nullptr) {
        error = errorOpening(path, errno);
        return nullptr;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

// CopyFileExW into a new temporary name keeps the contents, attributes (read-only among them) and modification
// time; MoveFileExW without MOVEFILE_REPLACE_EXISTING then gives it its name unless something took that name.
CopyResult copyIntoFolder(const std::string& source, OutputFolder& folder, const std::string& name, bool sync) {
    const std::optional<std::wstring> from = toWide(source);
    const std::optional<std::wstring> wideName = toWide(name);
    if (!from || !wideName) return {CopyOutcome::Failed, errorFromWin32(ERROR_INVALID_NAME)};
    const DWORD sourceAttributes = ::GetFileAttributesW(from->c_str());
    if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return {CopyOutcome::Failed, errorFromWin32(::GetLastError())};
    if ((sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {CopyOutcome::Failed, fileError(FileProblem::NotRegularFile)};

    const std::wstring target = folder.native().folder + *wideName;
    if (folder.mayHold(name)) {
        const DWORD existing = ::GetFileAttributesW(target.c_str());
        if (existing != INVALID_FILE_ATTRIBUTES) return existingEntry(existing);
    }

    const std::wstring temporary = folder.native().folder + *toWide(temporaryFileName());
    if (!::CopyFileExW(from->c_str(), temporary.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) {
        const DWORD error = ::GetLastError();
        if (::GetFileAttributesW(temporary.c_str()) != INVALID_FILE_ATTRIBUTES) removeFile(temporary);
        // A link whose target is missing copies as "file not found" although it was listed.
        if (error == ERROR_FILE_NOT_FOUND && (sourceAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            return {CopyOutcome::Failed, brokenLink(*from)};
        return {CopyOutcome::Failed, errorFromWin32(error)};
    }
    if (sync) {
        HANDLE handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        const bool flushed = handle != INVALID_HANDLE_VALUE && ::FlushFileBuffers(handle);
        const DWORD error = ::GetLastError();
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
        if (!flushed) {
            removeFile(temporary);
            return {CopyOutcome::Failed, errorFromWin32(error)};
        }
    }
    if (moveFileRetrying(temporary, target, sync ? MOVEFILE_WRITE_THROUGH : 0)) return {CopyOutcome::Copied, {}};
    const DWORD error = ::GetLastError();
    removeFile(temporary);
    const DWORD now = ::GetFileAttributesW(target.c_str());
    if (now != INVALID_FILE_ATTRIBUTES) return existingEntry(now);
    return {CopyOutcome::Failed, errorFromWin32(error)};
}

bool isExistingFolder(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isLinkToFolder(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return false;
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    constexpr DWORD kFolderLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kFolderLink) == kFolderLink;
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
    const std::optional<FileIdentity> first = fileIdentity(a);
    return first && first == fileIdentity(b);
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    const auto information = identity(path);
    if (!information) return std::nullopt;
    return FileIdentity{information->dwVolumeSerialNumber,
                        std::uint64_t{information->nFileIndexHigh} << 32 | information->nFileIndexLow};
}

}  // namespace celshift

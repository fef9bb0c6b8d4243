#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/output_folder.h"
#include "platform/output_folder_native_win32.h"
#include "platform/output_folder_parts.h"

namespace celshift {

namespace {

// The lock file: opened without sharing, so that a second run cannot open it, and deleted by the system when its
// handle closes, which a killed process's handles do too.
constexpr const wchar_t* kLockName = L".celshift-lock";

std::string systemText(DWORD code) {
    ::SetLastError(code);
    return lastErrorText();
}

void removeFile(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

}  // namespace

FileError errorFromWin32(DWORD code) {
    FileError error{FileProblem::Other, static_cast<int>(code), systemText(code)};
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        error.problem = FileProblem::NotFound;
        break;
    case ERROR_DIRECTORY:
        error.problem = FileProblem::NotAFolderOnPath;
        break;
    case ERROR_CANT_RESOLVE_FILENAME:
        error.problem = FileProblem::LinkLoop;
        break;
    case ERROR_ACCESS_DENIED:
        error.problem = FileProblem::AccessDenied;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        error.problem = FileProblem::NoSpace;
        break;
    case ERROR_WRITE_PROTECT:
        error.problem = FileProblem::ReadOnly;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        error.problem = FileProblem::NameTooLong;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        error.problem = FileProblem::InUse;
        break;
    default:
        break;
    }
    return error;
}

BOOL moveFileRetrying(const std::wstring& from, const std::wstring& to, DWORD flags) {
    constexpr int kAttempts = 20;
    constexpr DWORD kPauseMilliseconds = 50;
    for (int attempt = 1;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), flags)) return TRUE;
        const DWORD error = ::GetLastError();
        bool transient = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (transient && error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = ::GetFileAttributesW(to.c_str());
            transient = attributes == INVALID_FILE_ATTRIBUTES ||
                        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
        }
        if (!transient || attempt == kAttempts) {
            ::SetLastError(error);
            return FALSE;
        }
        ::Sleep(kPauseMilliseconds);
    }
}

namespace detail {
std::uint64_t processNumber() { return ::GetCurrentProcessId(); }

// A process that cannot be opened for lack of rights still runs; no such process is ERROR_INVALID_PARAMETER. A
// handle may outlive its process: its exit code then tells.
bool processRuns(std::uint64_t number) {
    if (number == 0 || number > 0xFFFFFFFFu) return false;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(number));
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = !::GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    ::CloseHandle(process);
    return runs;
}

bool probeShowsIn(OutputFolder& output, const std::string& name, const std::string& path) {
    const std::optional<std::wstring> wideName = toWide(name);
    const std::optional<std::wstring> there = toWide(path);
    if (!wideName || !there) return false;
    const std::wstring probe = output.native().folder + *wideName;
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::wstring other = *there;
    if (other.back() != L'\\' && other.back() != L'/') other += L'\\';
    const bool shows = ::GetFileAttributesW((other + *wideName).c_str()) != INVALID_FILE_ATTRIBUTES;
    ::CloseHandle(handle);
    return shows;
}
}  // namespace detail

OutputFolder::OutputFolder() : native_(std::make_unique<Native>()) {}

OutputFolder::~OutputFolder() {
    if (native_->lock != INVALID_HANDLE_VALUE) ::CloseHandle(native_->lock);
}

FileError OutputFolder::open(const std::string& path, bool followLastLink) {
    path_ = path;
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return errorFromWin32(ERROR_INVALID_NAME);
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return errorFromWin32(::GetLastError());
    if (!followLastLink && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return fileError(FileProblem::LinkInTheWay);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return errorFromWin32(ERROR_DIRECTORY);
    native_->folder = *wide;
    if (native_->folder.back() != L'\\' && native_->folder.back() != L'/') native_->folder += L'\\';
    return {};
}

bool OutputFolder::isFolder(const std::string& path) const { return isSameFileSystemObject(path_, path); }

FileError OutputFolder::openSubfolder(const std::string& name, OutputFolder& sub) const {
    const std::optional<std::wstring> wide = toWide(name);
    if (!wide) return errorFromWin32(ERROR_INVALID_NAME);
    const std::wstring path = native_->folder + *wide;
    if (!::CreateDirectoryW(path.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS) return errorFromWin32(error);
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return errorFromWin32(::GetLastError());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return fileError(FileProblem::LinkInTheWay);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return errorFromWin32(ERROR_DIRECTORY);
    sub.path_ = joinPath(path_, name);
    sub.native_->folder = path + L'\\';
    return {};
}

FileError OutputFolder::lock() {
    const std::wstring lockPath = native_->folder + kLockName;
    HANDLE handle = ::CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return fileError(FileProblem::Busy);
        // Denied also answers for the lock file of a run that is closing it (its deletion pending), which reads as
        // denied again; a folder of that name, a read-only lock file or a folder that takes no new file do not.
        if (error == ERROR_ACCESS_DENIED && ::GetFileAttributesW(lockPath.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() == ERROR_ACCESS_DENIED)
            return fileError(FileProblem::Busy);
        return {};  // a folder that takes no lock file is written without one; its writes tell their own errors
    }
    native_->lock = handle;
    return {};
}

// Folders can be made case-sensitive one by one (for the Linux subsystem): asked, not assumed.
// Windows names a file without replacing in one call (MoveFileExW without MOVEFILE_REPLACE_EXISTING).
bool OutputFolder::namesTakenAfterALook() { return false; }

bool OutputFolder::foldsCase() {
    const std::string name = temporaryFileName();
    std::string capitals = name;
    for (char& c : capitals) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    const std::wstring probe = native_->folder + *toWide(name);
    HANDLE handle = ::CreateFileW(probe.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return true;  // the usual case on Windows
    const bool folds = ::GetFileAttributesW((native_->folder + *toWide(capitals)).c_str()) != INVALID_FILE_ATTRIBUTES;
    ::CloseHandle(handle);
    return folds;
}

void OutputFolder::syncEntries() {}

void OutputFolder::removeLeftovers() {
    WIN32_FIND_DATAW entry;
    const std::wstring pattern = native_->folder + L"*";
    entries_.clear();
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        entriesRead_ = ::GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty folder
        return;
    }
    do {
        std::string name = toUtf8(entry.cFileName);
        const bool ours = (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
                          isTemporaryFileName(name) && !temporaryFileInUse(name);
        if (ours) removeFile(native_->folder + entry.cFileName);
        else entries_.insert(std::move(name));  // a temporary name is never a copy's name
    } while (::FindNextFileW(search, &entry));
    // Read to its end, or looked at name by name. Names are kept as found: one that differs in case only is looked
    // for when the copy takes its name, which never replaces.
    entriesRead_ = ::GetLastError() == ERROR_NO_MORE_FILES;
    ::FindClose(search);
}

struct PendingFile::Native {
    std::string temporaryName;
    bool exists = false;
};

PendingFile::PendingFile(OutputFolder& folder) : folder_(folder), native_(std::make_unique<Native>()) {}

PendingFile::~PendingFile() { discard(); }

FileError PendingFile::create() {
    const std::wstring& folder = folder_.native().folder;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryFileName();
        const std::wstring path = folder + *toWide(name);
        HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return errorFromWin32(error);
        }
        native_->temporaryName = std::move(name);
        native_->exists = true;
        const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            ::CloseHandle(handle);
            discard();
            return errorFromErrno(EMFILE);
        }
        stream_ = ::_fdopen(fd, "wb");
        if (stream_ == nullptr) {
            const int error = errno;
            ::_close(fd);
            discard();
            return errorFromErrno(error);
        }
        return {};
    }
    return errorFromWin32(ERROR_FILE_EXISTS);
}

// The file is closed here: Windows renames only files that nobody holds open.
FileError PendingFile::finish(bool sync) {
    if (stream_ == nullptr) return errorFromErrno(EBADF);
    FileError error;
    if (std::fflush(stream_) != 0) error = errorFromErrno(errno);
    if (!error && sync) {
        HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream_)));
        if (!::FlushFileBuffers(handle)) error = errorFromWin32(::GetLastError());
    }
    if (std::fclose(stream_) != 0 && !error) error = errorFromErrno(errno);
    stream_ = nullptr;
    return error;
}

// MoveFileExW replaces the name's entry; a folder of that name, or a read-only file (which MoveFileExW never
// replaces), makes it fail, and is told as such: the earlier file stays.
FileError PendingFile::replace(const std::string& name) {
    const std::wstring& folder = folder_.native().folder;
    const std::optional<std::wstring> wideName = toWide(name);
    if (!wideName) return errorFromWin32(ERROR_INVALID_NAME);
    if (!native_->exists || stream_ != nullptr) return errorFromErrno(EBADF);
    const std::wstring from = folder + *toWide(native_->temporaryName);
    const std::wstring to = folder + *wideName;
    if (!moveFileRetrying(from, to, MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return fileError(FileProblem::FolderInTheWay);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return fileError(FileProblem::ReadOnlyInTheWay);
        return errorFromWin32(error);
    }
    native_->exists = false;
    return {};
}

void PendingFile::discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (native_->exists) removeFile(folder_.native().folder + *toWide(native_->temporaryName));
    native_->exists = false;
}

}  // namespace celshift

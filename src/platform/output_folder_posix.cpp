#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/output_folder.h"
#include "platform/output_folder_native_posix.h"
#include "platform/output_folder_parts.h"

namespace celshift {

namespace detail {
std::uint64_t processNumber() { return static_cast<std::uint64_t>(::getpid()); }
}  // namespace detail

OutputFolder::OutputFolder() : native_(std::make_unique<Native>()) {}

OutputFolder::~OutputFolder() {
    if (native_->fd >= 0) ::close(native_->fd);  // ends the lock too
}

FileError OutputFolder::open(const std::string& path) {
    path_ = path;
    if (native_->fd >= 0) ::close(native_->fd);
    native_->fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return native_->fd >= 0 ? FileError{} : errorFromErrno(errno);
}

bool OutputFolder::isFolder(const std::string& path) const {
    struct stat mine;
    struct stat other;
    return native_->fd >= 0 && ::fstat(native_->fd, &mine) == 0 && ::stat(path.c_str(), &other) == 0 &&
           mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

// A lock on the folder itself: no file is left in it, and the system releases it when the process ends, however.
// A file system without locks (some network shares) is written without one.
FileError OutputFolder::lock() {
    if (::flock(native_->fd, LOCK_EX | LOCK_NB) == 0) return {};
    if (errno == EWOULDBLOCK) return fileError(FileProblem::Busy);
    return {};
}

void OutputFolder::syncEntries() {
    if (native_->fd >= 0) ::fsync(native_->fd);
}

void OutputFolder::removeLeftovers() {
    const int listing = ::openat(native_->fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) return;
    DIR* directory = ::fdopendir(listing);
    if (directory == nullptr) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (!isTemporaryFileName(name)) continue;
        struct stat status;
        if (::fstatat(native_->fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
            ::unlinkat(native_->fd, name.c_str(), 0);
    }
    ::closedir(directory);
}

PendingFile::PendingFile(OutputFolder& folder) : folder_(folder) {}

PendingFile::~PendingFile() { discard(); }

FileError PendingFile::create() {
    const int folder = folder_.native().fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryFileName();
        // O_EXCL and O_NOFOLLOW: a new file of our own, never an entry that was there (a link left by anyone).
        const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errorFromErrno(errno);
        }
        temporaryName_ = std::move(name);
        exists_ = true;
        stream_ = ::fdopen(fd, "wb");
        if (stream_ == nullptr) {
            const int error = errno;
            ::close(fd);
            discard();
            return errorFromErrno(error);
        }
        return {};
    }
    return errorFromErrno(EEXIST);
}

FileError PendingFile::close(bool sync) {
    if (stream_ == nullptr) return errorFromErrno(EBADF);
    int error = 0;
    if (std::fflush(stream_) != 0) error = errno;
    if (error == 0 && sync && ::fsync(::fileno(stream_)) != 0) error = errno;
    if (std::fclose(stream_) != 0 && error == 0) error = errno;
    stream_ = nullptr;
    return error == 0 ? FileError{} : errorFromErrno(error);
}

FileError PendingFile::replace(const std::string& name) {
    const int folder = folder_.native().fd;
    if (::renameat(folder, temporaryName_.c_str(), folder, name.c_str()) != 0) {
        const int error = errno;
        if (error == EISDIR || error == ENOTEMPTY || error == EEXIST) return fileError(FileProblem::FolderInTheWay);
        return errorFromErrno(error);
    }
    exists_ = false;
    return {};
}

void PendingFile::discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (exists_) ::unlinkat(folder_.native().fd, temporaryName_.c_str(), 0);
    exists_ = false;
}

}  // namespace celshift

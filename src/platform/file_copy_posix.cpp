#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/output_folder_native_posix.h"

namespace celshift {

namespace {

// Closes a descriptor on every way out of the copy.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports the result: a close that fails may mean the data never reached the disk.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

// In-kernel copy from the current offsets, until `expected` bytes are copied or a call returns 0. A zero
// return is either the end of the source or a file system that cannot copy this way (proc and sys files
// report size 0), so the caller goes on with plain reads, which then find the true end. Sets `complete` when
// the expected size was reached: the file as it stood at fstat is copied, and no read is needed to find the
// end. Returns false on a real error.
bool copyInKernel(int source, int target, off_t expected, bool& complete) {
    off_t copied = 0;
    complete = false;
    for (;;) {
        if (expected > 0 && copied >= expected) {
            complete = true;
            return true;
        }
        const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, kChunkBytes, 0);
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0) return true;
        if (errno == EINTR) continue;
        // Not possible between these two files: the read and write loop does the rest.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) return true;
        return false;
    }
}

bool writeAll(int target, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(target, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// After the in-kernel copy this usually finds the end at once. The buffer is left uninitialised: zeroing
// 64 KiB for every file made a folder of thousands of small images a sixth slower to copy.
bool copyByReading(int source, int target) {
    constexpr std::size_t kBufferBytes = std::size_t{1} << 16;
    const std::unique_ptr<char[]> buffer(new char[kBufferBytes]);
    for (;;) {
        const ssize_t got = ::read(source, buffer.get(), kBufferBytes);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!writeAll(target, buffer.get(), static_cast<std::size_t>(got))) return false;
    }
}

// Everything after the new file was created but its name: contents, permission bits, times, and with sync the disk.
bool fillTarget(int source, int target, const struct stat& sourceStatus, bool modeSet, bool sync) {
    bool complete = false;
    if (!copyInKernel(source, target, sourceStatus.st_size, complete)) return false;
    if (!complete && !copyByReading(source, target)) return false;
    if (!modeSet && ::fchmod(target, sourceStatus.st_mode & 0777) != 0) return false;
    const struct timespec times[2] = {sourceStatus.st_atim, sourceStatus.st_mtim};
    if (::futimens(target, times) != 0) return false;
    return !sync || ::fsync(target) == 0;
}

// The process's file-creation mask. Asking for it means setting it for a moment, which no other thread may
// see, so it is read once at start, before main and before any thread.
mode_t readCreationMask() {
    const mode_t current = ::umask(0);
    ::umask(current);
    return current;
}
const mode_t kCreationMask = readCreationMask();

// What stands under a name that a copy must not replace: a regular file is simply kept; anything else is told.
CopyResult existingEntry(const struct stat& status) {
    if (S_ISREG(status.st_mode)) return {CopyOutcome::AlreadyExists, {}};
    if (S_ISDIR(status.st_mode)) return {CopyOutcome::Failed, fileError(FileProblem::FolderInTheWay)};
    if (S_ISLNK(status.st_mode)) return {CopyOutcome::Failed, fileError(FileProblem::LinkInTheWay)};
    return {CopyOutcome::Failed, fileError(FileProblem::SpecialInTheWay)};
}

CopyResult failure(int error) { return {CopyOutcome::Failed, errorFromErrno(error)}; }

CopyResult openFailure(const std::string& source, int error) { return {CopyOutcome::Failed, errorOpening(source, error)}; }

int descriptorOf(void* cookie) { return static_cast<int>(reinterpret_cast<std::intptr_t>(cookie)); }

// The stream takes a short count for an error, so the whole buffer is written here.
ssize_t writeDescriptor(void* cookie, const char* data, std::size_t size) {
    return writeAll(descriptorOf(cookie), data, size) ? static_cast<ssize_t>(size) : -1;
}

int closeDescriptor(void* cookie) { return ::close(descriptorOf(cookie)); }

}  // namespace

namespace detail {

std::FILE* writingStream(int fd) {
    cookie_io_functions_t functions{};
    functions.write = writeDescriptor;
    functions.close = closeDescriptor;
    return ::fopencookie(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), "wb", functions);
}

}  // namespace detail

FileError errorOpening(const std::string& path, int errnoValue) {
    struct stat status;
    if (errnoValue == ENOENT && ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
        return fileError(FileProblem::DanglingLink);
    return errorFromErrno(errnoValue);
}

std::FILE* openForReading(const std::string& path, FileError& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errorOpening(path, errno);
        return nullptr;
    }
    struct stat status;
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        error = statted ? fileError(FileProblem::NotRegularFile) : errorFromErrno(errno);
        ::close(fd);
        return nullptr;
    }
    // fdopen, not a stream of our own: an unbuffered stream of our own would read a byte at a time.
    std::FILE* stream = ::fdopen(fd, "rb");
    if (stream == nullptr) {
        error = errorFromErrno(errno);
        ::close(fd);
        return nullptr;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

CopyResult copyIntoFolder(const std::string& source, OutputFolder& folder, const std::string& name, bool sync) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer. fstat then refuses anything but a regular file,
    // whose reads O_NONBLOCK does not change, so the flag can stay.
    Descriptor input(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!input.valid()) return openFailure(source, errno);
    struct stat sourceStatus;
    if (::fstat(input.get(), &sourceStatus) != 0) return failure(errno);
    if (!S_ISREG(sourceStatus.st_mode)) return {CopyOutcome::Failed, fileError(FileProblem::NotRegularFile)};

    // Looked at first, so that a second run does not copy every file only to find it there.
    const int target = folder.native().fd;
    if (folder.mayHold(name)) {
        struct stat existing;
        if (::fstatat(target, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) return existingEntry(existing);
        if (errno != ENOENT) return failure(errno);
    }

    // Created with the source's permission bits; only when the creation mask takes some away are they set again.
    OutputFolder::Native& native = folder.native();
    const mode_t mode = sourceStatus.st_mode & 0777;
    detail::NewFile copy;
    if (const int error = detail::createNewFile(native, mode, copy); error != 0)
        return {CopyOutcome::Failed, detail::creationError(error)};
    errno = 0;
    const bool filled = fillTarget(input.get(), copy.fd, sourceStatus, (mode & kCreationMask) == 0, sync);
    int error = filled ? 0 : errno;
    // A file under a temporary name is closed before it takes its own, since a close that fails (a network file
    // system) means the data never arrived; a file without a name needs its descriptor to get one.
    const bool named = !copy.temporaryName.empty();
    if (named && ::close(copy.fd) != 0 && error == 0) error = errno;
    if (error == 0) error = detail::linkWithoutReplacing(native, copy, name);
    if (!named) ::close(copy.fd);
    if (error == 0) return {CopyOutcome::Copied, {}};
    detail::removeTemporaryName(native, copy);
    if (error == EEXIST) {  // something took the name meanwhile
        struct stat status;
        if (::fstatat(target, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return existingEntry(status);
    }
    return failure(error);
}

bool isExistingFolder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isLinkToFolder(const std::string& path) {
    struct stat own;
    struct stat target;
    return ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode) && ::stat(path.c_str(), &target) == 0 &&
           S_ISDIR(target.st_mode);
}

bool isWritableFolder(const std::string& path) {
    struct stat status;
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool isSameFileSystemObject(const std::string& a, const std::string& b) {
    const std::optional<FileIdentity> first = fileIdentity(a);
    return first && first == fileIdentity(b);
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

}  // namespace celshift

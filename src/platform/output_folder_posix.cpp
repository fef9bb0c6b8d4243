#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <mutex>

#include "platform/name_rules.h"
#include "platform/output_folder.h"
#include "platform/output_folder_native_posix.h"
#include "platform/output_folder_parts.h"

namespace celshift {

namespace detail {

std::uint64_t processNumber() { return static_cast<std::uint64_t>(::getpid()); }

// kill with no signal only asks: ESRCH when no such process exists; EPERM for another user's, which runs.
bool processRuns(std::uint64_t number) {
    if (number == 0 || number > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return false;
    return ::kill(static_cast<pid_t>(number), 0) == 0 || errno != ESRCH;
}

bool probeShowsIn(OutputFolder& output, const std::string& name, const std::string& path) {
    const int folder = output.native().fd;
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    struct stat status;
    const bool shows = ::lstat((path + "/" + name).c_str(), &status) == 0;
    ::unlinkat(folder, name.c_str(), 0);
    return shows;
}

namespace {

std::string procPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Links the descriptor of a file without a name under name, which must not exist.
int linkDescriptor(const OutputFolder::Native& folder, int fd, const std::string& name) {
    const int result = folder.naming == OutputFolder::Native::Naming::Descriptor
                           ? ::linkat(fd, "", folder.fd, name.c_str(), AT_EMPTY_PATH)
                           : ::linkat(AT_FDCWD, procPath(fd).c_str(), folder.fd, name.c_str(), AT_SYMLINK_FOLLOW);
    return result == 0 ? 0 : errno;
}

// Tries, once, a file without a name and the two ways of linking it; without both, files get temporary names.
void findNaming(OutputFolder::Native& folder) {
    folder.naming = OutputFolder::Native::Naming::TemporaryName;
    const int fd = ::openat(folder.fd, ".", O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const std::string probe = temporaryFileName();
    for (const auto naming : {OutputFolder::Native::Naming::Descriptor, OutputFolder::Native::Naming::ProcPath}) {
        folder.naming = naming;
        if (linkDescriptor(folder, fd, probe) == 0) {
            ::unlinkat(folder.fd, probe.c_str(), 0);
            ::close(fd);
            return;
        }
    }
    folder.naming = OutputFolder::Native::Naming::TemporaryName;
    ::close(fd);
}

// A temporary name for the file; with O_EXCL and O_NOFOLLOW it is a new file of our own, never an entry that was
// there (a link left by anyone).
int createNamed(const OutputFolder::Native& folder, mode_t mode, NewFile& file) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryFileName();
        const int fd = ::openat(folder.fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0) {
            file.fd = fd;
            file.temporaryName = std::move(name);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

// Gives a file without a name a temporary one, for a rename over an existing entry.
int nameTemporarily(const OutputFolder::Native& folder, NewFile& file) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryFileName();
        const int error = linkDescriptor(folder, file.fd, name);
        if (error == 0) {
            file.temporaryName = std::move(name);
            return 0;
        }
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

// Set once a file took its name by a look and a rename (no atomic way on that file system).
std::atomic<bool> namedAfterALook{false};
// The look and the rename of one file are one step for this process: two workers never both find a name free (on a
// disk that folds case, "readme.txt" and "README.TXT" are one name). Another program is not kept out.
std::mutex lookAndRename;

}  // namespace

int createNewFile(OutputFolder::Native& folder, mode_t mode, NewFile& file) {
    std::call_once(folder.namingFound, [&folder] { findNaming(folder); });
    if (folder.naming == OutputFolder::Native::Naming::TemporaryName) return createNamed(folder, mode, file);
    const int fd = ::openat(folder.fd, ".", O_WRONLY | O_TMPFILE | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0) return errno;
    file.fd = fd;
    return 0;
}

// The folder is open, so a name made in it cannot be missing: it was removed meanwhile, or it takes no new files
// (/proc).
FileError creationError(int errnoValue) {
    return errnoValue == ENOENT ? fileError(FileProblem::FolderTakesNoNewFile) : errorFromErrno(errnoValue);
}

// The rename that cannot replace is one call; a file system without it gets a hard link and an unlink, which
// cannot replace either; one without hard links (FUSE file systems such as fusefat) gets a look and a rename, one
// file at a time in this process, and the folder's lock keeps our own runs out of the gap.
int linkWithoutReplacing(OutputFolder::Native& folder, NewFile& file, const std::string& name) {
    if (file.temporaryName.empty()) return linkDescriptor(folder, file.fd, name);
    const char* from = file.temporaryName.c_str();
    if (::renameat2(folder.fd, from, folder.fd, name.c_str(), RENAME_NOREPLACE) == 0) {
        file.temporaryName.clear();
        return 0;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        if (::linkat(folder.fd, from, folder.fd, name.c_str(), 0) == 0) {
            ::unlinkat(folder.fd, from, 0);
            file.temporaryName.clear();
            return 0;
        }
        error = errno;
        if (error == EPERM || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS) {
            const std::lock_guard<std::mutex> one(lookAndRename);
            namedAfterALook.store(true);
            struct stat status;
            if (::fstatat(folder.fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
            if (errno != ENOENT) return errno;
            if (::renameat(folder.fd, from, folder.fd, name.c_str()) != 0) return errno;
            file.temporaryName.clear();
            return 0;
        }
    }
    return error;
}

// A file without a name goes straight to its name when nothing has it (a first run); otherwise it takes a
// temporary name and is renamed over the entry.
int linkReplacing(OutputFolder::Native& folder, NewFile& file, const std::string& name) {
    if (file.temporaryName.empty()) {
        const int error = linkDescriptor(folder, file.fd, name);
        if (error != EEXIST) return error;
        if (const int named = nameTemporarily(folder, file); named != 0) return named;
    }
    if (::renameat(folder.fd, file.temporaryName.c_str(), folder.fd, name.c_str()) != 0) return errno;
    file.temporaryName.clear();
    return 0;
}

void chooseNaming(OutputFolder::Native& folder, OutputFolder::Native::Naming naming) {
    std::call_once(folder.namingFound, [&folder, naming] { folder.naming = naming; });
}

void removeTemporaryName(OutputFolder::Native& folder, NewFile& file) {
    if (!file.temporaryName.empty()) ::unlinkat(folder.fd, file.temporaryName.c_str(), 0);
    file.temporaryName.clear();
}

}  // namespace detail

OutputFolder::OutputFolder() : native_(std::make_unique<Native>()) {}

OutputFolder::~OutputFolder() {
    if (native_->fd >= 0) ::close(native_->fd);  // ends the lock too
}

FileError OutputFolder::open(const std::string& path, bool followLastLink) {
    path_ = path;
    if (native_->fd >= 0) ::close(native_->fd);
    // O_NOFOLLOW decides in the same call that opens: a link put there after a look would not be followed either.
    native_->fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLastLink ? 0 : O_NOFOLLOW));
    if (native_->fd >= 0) return {};
    const int error = errno;
    struct stat status;
    if (!followLastLink && (error == ELOOP || error == ENOTDIR) && ::lstat(path.c_str(), &status) == 0 &&
        S_ISLNK(status.st_mode))
        return fileError(FileProblem::LinkInTheWay);
    return errorFromErrno(error);
}

bool OutputFolder::isFolder(const std::string& path) const {
    struct stat mine;
    struct stat other;
    return native_->fd >= 0 && ::fstat(native_->fd, &mine) == 0 && ::stat(path.c_str(), &other) == 0 &&
           mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

// Relative to this folder's descriptor: a link or rename on the way since the start redirects nothing.
FileError OutputFolder::openSubfolder(const std::string& name, OutputFolder& sub) const {
    if (::mkdirat(native_->fd, name.c_str(), 0777) != 0 && errno != EEXIST) return errorFromErrno(errno);
    const int fd = ::openat(native_->fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat entry;
        if (::fstatat(native_->fd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISLNK(entry.st_mode)) return fileError(FileProblem::LinkInTheWay);
            if (!S_ISREG(entry.st_mode)) return fileError(FileProblem::SpecialInTheWay);
        }
        return errorFromErrno(error);
    }
    if (sub.native_->fd >= 0) ::close(sub.native_->fd);
    sub.native_->fd = fd;
    sub.path_ = joinPath(path_, name);
    return {};
}

// A lock on the folder itself: no file is left in it, and the system releases it when the process ends, however.
// A file system without locks (some network shares) is written without one.
FileError OutputFolder::lock() {
    if (::flock(native_->fd, LOCK_EX | LOCK_NB) == 0) return {};
    if (errno == EWOULDBLOCK) return fileError(FileProblem::Busy);
    return {};
}

bool OutputFolder::namesTakenAfterALook() { return detail::namedAfterALook.load(); }

bool OutputFolder::foldsCase() {
    const std::string name = temporaryFileName();
    const int fd = ::openat(native_->fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::string capitals = name;
    for (char& c : capitals) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    // The probe's name is this process's own, so its capitals name nothing else: found at all, they found the probe.
    // (A FUSE file system may give each look a new inode number: comparing numbers would say it does not fold.)
    struct stat found;
    const bool folds = ::fstatat(native_->fd, capitals.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(fd);
    ::unlinkat(native_->fd, name.c_str(), 0);
    return folds;
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
    entries_.clear();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory);
        if (entry == nullptr) break;
        std::string name = entry->d_name;
        if (!isTemporaryFileName(name) || temporaryFileInUse(name)) {
            entries_.insert(std::move(name));
            continue;
        }
        struct stat status;
        if (::fstatat(native_->fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode))
            ::unlinkat(native_->fd, name.c_str(), 0);
        else
            entries_.insert(name);
    }
    entriesRead_ = errno == 0;  // a folder not read to its end is looked at name by name
    ::closedir(directory);
}

struct PendingFile::Native {
    detail::NewFile file;
};

PendingFile::PendingFile(OutputFolder& folder) : folder_(folder), native_(std::make_unique<Native>()) {}

PendingFile::~PendingFile() { discard(); }

FileError PendingFile::create() {
    if (const int error = detail::createNewFile(folder_.native(), 0666, native_->file); error != 0)
        return detail::creationError(error);
    stream_ = detail::writingStream(native_->file.fd);
    if (stream_ == nullptr) {
        const int error = errno;
        discard();
        return errorFromErrno(error);
    }
    return {};
}

FileError PendingFile::finish(bool sync) {
    if (stream_ == nullptr) return errorFromErrno(EBADF);
    if (std::fflush(stream_) != 0 || (sync && ::fsync(native_->file.fd) != 0)) return errorFromErrno(errno);
    return {};
}

// A file under a temporary name is closed before it takes its own, since a close that fails (a network file
// system) means the data never arrived; a file without a name needs its descriptor until it has one.
FileError PendingFile::replace(const std::string& name) {
    if (stream_ == nullptr) return errorFromErrno(EBADF);
    if (!native_->file.temporaryName.empty()) {
        const bool closed = std::fclose(stream_) == 0;
        stream_ = nullptr;
        native_->file.fd = -1;
        if (!closed) return errorFromErrno(errno);
    }
    const int error = detail::linkReplacing(folder_.native(), native_->file, name);
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
    native_->file.fd = -1;
    if (error == 0) return {};
    if (error == EISDIR || error == ENOTEMPTY || error == EEXIST) return fileError(FileProblem::FolderInTheWay);
    return errorFromErrno(error);
}

void PendingFile::discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    } else if (native_->file.fd >= 0) {
        ::close(native_->file.fd);
    }
    native_->file.fd = -1;
    detail::removeTemporaryName(folder_.native(), native_->file);
}

}  // namespace celshift

/* user-space-copy SOURCE TARGET: copies every regular file of the folder SOURCE into the existing folder
 * TARGET, in one process, with read and write through one 128 KiB buffer (the size cat and cp use when
 * they read and write). It is the benchmark's anchor for "the same bytes through user space": Debian's cat
 * and cp copy inside the kernel (copy_file_range), and one process per file would measure start-up.
 * Files whose names begin with a dot, folders, links to anything but a regular file and other entries are
 * left out. A file already present in TARGET is never overwritten. Exit status: 0 when every file was
 * copied, 1 when one failed (named on stderr; the copy stops there), 2 for bad arguments. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char buffer[128 * 1024];

static int failed(const char* what, const char* name) {
    fprintf(stderr, "user-space-copy: %s %s: %s\n", what, name, strerror(errno));
    return 1;
}

/* Copies one open file to another; 0 or the errno of the failing call. */
static int copyFile(int in, int out) {
    for (;;) {
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = write(out, buffer + done, (size_t)(got - done));
            if (written < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += written;
        }
    }
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fputs("usage: user-space-copy SOURCE TARGET (TARGET: an existing folder)\n", stderr);
        return 2;
    }
    DIR* folder = opendir(argv[1]);
    if (!folder) return failed("cannot open the folder", argv[1]);
    const int source = dirfd(folder);
    const int target = open(argv[2], O_RDONLY | O_DIRECTORY);
    if (target < 0) return failed("cannot open the folder", argv[2]);
    for (;;) {
        errno = 0;
        const struct dirent* entry = readdir(folder);
        if (!entry) {
            if (errno != 0) return failed("cannot list", argv[1]);
            break;
        }
        struct stat status;
        if (entry->d_name[0] == '.') continue;
        if (fstatat(source, entry->d_name, &status, 0) != 0) return failed("cannot look up", entry->d_name);
        if (!S_ISREG(status.st_mode)) continue;
        const int in = openat(source, entry->d_name, O_RDONLY);
        if (in < 0) return failed("cannot open", entry->d_name);
        const int out = openat(target, entry->d_name, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (out < 0) return failed("cannot create", entry->d_name);
        const int error = copyFile(in, out);
        if (error != 0) {
            errno = error;
            return failed("cannot copy", entry->d_name);
        }
        if (close(in) != 0) return failed("cannot close", entry->d_name);
        if (close(out) != 0) return failed("cannot write", entry->d_name);
    }
    closedir(folder);
    close(target);
    return 0;
}

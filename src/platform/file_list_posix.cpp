#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <unicode/ucol.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <memory>

#include "platform/file_list_parts.h"

namespace celshift::detail {

namespace {

enum class EntryKind { File, Folder, LeftOut };

// A link to a file counts as that file. FIFOs, sockets and devices are left out; opening a FIFO later would block the
// run. A link that leads nowhere (dangling, a loop) or to a folder is listed as a file, so that the run tells the user
// it could not copy it rather than leave it out without a word. The entry's own type settles most names without a
// stat call, which a folder of thousands of files would otherwise pay for each of them.
EntryKind entryKind(DIR* folder, const dirent& entry) {
#if defined(_DIRENT_HAVE_D_TYPE)
    if (entry.d_type == DT_REG) return EntryKind::File;
    if (entry.d_type == DT_DIR) return EntryKind::Folder;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return EntryKind::LeftOut;
#endif
    struct stat own;
    if (fstatat(dirfd(folder), entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::LeftOut;
    if (S_ISDIR(own.st_mode)) return EntryKind::Folder;
    if (S_ISREG(own.st_mode)) return EntryKind::File;
    if (!S_ISLNK(own.st_mode)) return EntryKind::LeftOut;
    struct stat target;
    if (fstatat(dirfd(folder), entry.d_name, &target, 0) != 0) return EntryKind::File;  // leads nowhere
    return S_ISREG(target.st_mode) || S_ISDIR(target.st_mode) ? EntryKind::File : EntryKind::LeftOut;
}

struct CollatorCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

}  // namespace

// Calls each(folder, entry) for every entry the folder holds; false when it cannot be read completely.
template <typename Each>
bool forEachEntry(const std::string& folder, Each each) {
    DIR* directory = opendir(folder.empty() ? "." : folder.c_str());
    if (!directory) return false;
    bool complete = true;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (!entry) {
            complete = errno == 0;
            break;
        }
        each(directory, *entry);
    }
    closedir(directory);
    return complete;
}

bool readAllNames(const std::string& folder, std::vector<std::string>& names) {
    return forEachEntry(folder, [&](DIR*, const dirent& entry) {
        const std::string_view name = entry.d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    });
}

// Names that begin with "." are the hidden files here (and the "." and ".." entries).
bool readFolder(const std::string& folder, FolderEntries& entries) {
    return forEachEntry(folder, [&](DIR* directory, const dirent& entry) {
        const std::string name = entry.d_name;
        if (name.empty() || name[0] == '.') return;
        switch (entryKind(directory, entry)) {
        case EntryKind::File: entries.files.push_back(name); break;
        case EntryKind::Folder: entries.folders.push_back(name); break;
        case EntryKind::LeftOut: break;
        }
    });
}

// ICU's collator for "ja" at secondary strength: case, kana type and width are tertiary differences.
bool sortJapanese(std::vector<std::string>& names) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollator, CollatorCloser> collator(ucol_open("ja", &status));
    if (U_FAILURE(status)) return false;
    ucol_setStrength(collator.get(), UCOL_SECONDARY);
    // Scripts in the order of the Windows sort tables: Latin, Greek, Cyrillic, then kana, then kanji. The "ja"
    // rules alone put Greek and Cyrillic after the kanji.
    static const int32_t kScriptOrder[] = {USCRIPT_LATIN, USCRIPT_GREEK, USCRIPT_CYRILLIC, USCRIPT_KATAKANA, USCRIPT_HAN};
    ucol_setReorderCodes(collator.get(), kScriptOrder, static_cast<int32_t>(std::size(kScriptOrder)), &status);
    if (U_FAILURE(status)) return false;
    std::sort(names.begin(), names.end(), [&collator](const std::string& a, const std::string& b) {
        UErrorCode compareStatus = U_ZERO_ERROR;
        const UCollationResult order = ucol_strcollUTF8(collator.get(), a.data(), static_cast<int32_t>(a.size()),
                                                        b.data(), static_cast<int32_t>(b.size()), &compareStatus);
        if (U_SUCCESS(compareStatus) && order != UCOL_EQUAL) return order == UCOL_LESS;
        return a < b;
    });
    return true;
}

}  // namespace celshift::detail

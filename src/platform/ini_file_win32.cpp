#include <optional>
#include <string>

#include "platform/ini_file_io.h"
#include "platform/win32_text.h"

namespace celshift::detail {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() {
        if (!valid()) return true;
        const bool ok = ::CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, const std::string& bytes) {
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(file, next, chunk, &written, nullptr) || written == 0) return false;
        next += written;
        left -= written;
    }
    return true;
}

}  // namespace

// Shared for reading, so that an editor holding the file open does not hide the settings.
std::string readWholeFile(const std::string& path) {
    const std::optional<std::wstring> wide = toWide(path);
    if (!wide) return {};
    FileHandle file(::CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || ::GetFileType(file.get()) != FILE_TYPE_DISK) return {};
    std::string bytes;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return {};
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return bytes;
}

// std::rename cannot replace an existing file here: MoveFileExW can, in one step. A read-only settings file
// makes the move fail, and the file stays as it was.
bool replaceFile(const std::string& path, const std::string& bytes) {
    const std::optional<std::wstring> target = toWide(path);
    if (!target) return false;
    // Checked here too: Wine, run as root, lets a move replace a read-only file.
    const DWORD existing = ::GetFileAttributesW(target->c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = *target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) break;
    }
    FileHandle file(created);
    if (!file.valid()) return false;
    bool ok = writeAll(file.get(), bytes);
    ok = ok && ::FlushFileBuffers(file.get()) != 0;
    ok = file.close() && ok;
    ok = ok && ::MoveFileExW(temporary.c_str(), target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) ::DeleteFileW(temporary.c_str());
    return ok;
}

}  // namespace celshift::detail

// Windows: what an OutputFolder holds (output_folder_win32.cpp, file_copy_win32.cpp), and Windows errors.
#pragma once

#include <string>

#include "platform/file_error.h"
#include "platform/output_folder.h"
#include "platform/win32_text.h"

namespace celshift {

struct OutputFolder::Native {
    std::wstring folder;                  // with a trailing separator
    HANDLE lock = INVALID_HANDLE_VALUE;   // the lock file, deleted when its handle closes
};

// MoveFileExW, retried for about a second while another program (a virus scanner, the indexer) holds either file
// open without delete sharing; GetLastError() tells why it failed in the end. A read-only file or a folder at to
// is not waited for.
BOOL moveFileRetrying(const std::wstring& from, const std::wstring& to, DWORD flags);

// The error for a GetLastError() value.
FileError errorFromWin32(DWORD code);

}  // namespace celshift

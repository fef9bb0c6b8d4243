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

// The error for a GetLastError() value.
FileError errorFromWin32(DWORD code);

}  // namespace celshift

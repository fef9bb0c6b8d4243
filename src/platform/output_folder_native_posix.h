// POSIX: what an OutputFolder holds (output_folder_posix.cpp, file_copy_posix.cpp).
#pragma once

#include "platform/output_folder.h"

namespace celshift {

struct OutputFolder::Native {
    int fd = -1;  // the folder itself: every write names its files relative to it
};

}  // namespace celshift

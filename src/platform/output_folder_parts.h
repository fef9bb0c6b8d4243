// What the POSIX and Windows parts of the output folder share.
#pragma once

#include <cstdint>

namespace celshift::detail {

// This process's number, for temporary names (output_folder_posix.cpp, output_folder_win32.cpp).
std::uint64_t processNumber();

}  // namespace celshift::detail

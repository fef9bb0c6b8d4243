// What the POSIX and Windows parts of the output folder share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/output_folder.h"

namespace celshift::detail {

// This process's number, for temporary names (output_folder_posix.cpp, output_folder_win32.cpp).
std::uint64_t processNumber();
// True when a process of that number runs (one of another user's too).
bool processRuns(std::uint64_t number);
// Makes a probe file of the given name in the output folder and tells whether the folder at path then holds an
// entry of that name; the probe is gone on return. False when no probe can be made.
bool probeShowsIn(OutputFolder& output, const std::string& name, const std::string& path);

}  // namespace celshift::detail

// Where the running program lies.
#pragma once

#include <string>

namespace celshift {

// The full path of the running executable. Throws std::runtime_error when it cannot be found.
std::string executablePath();

// The executable's folder, ending in a separator.
std::string executableFolder();

}  // namespace celshift

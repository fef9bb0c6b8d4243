#include "platform/executable_path.h"

#include "platform/name_rules.h"

namespace celshift {

// joinPath with an empty name adds the platform's separator unless the folder (a root) already ends in one.
std::string executableFolder() { return joinPath(parentFolder(executablePath()), ""); }

}  // namespace celshift

#include "platform/console.h"

namespace celshift {

void useUtf8Console() {}

}  // namespace celshift

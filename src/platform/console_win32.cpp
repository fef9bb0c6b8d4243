#include "platform/console.h"

#include "platform/win32_text.h"

namespace celshift {

// Output redirected to a file or a pipe takes the bytes as they are; only a real console needs the code page.
void useUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

}  // namespace celshift

// The console that the command line writes to.
#pragma once

namespace celshift {

// Makes the console show the UTF-8 that the program writes. Windows consoles start in the OEM code page
// (932 on Japanese systems), where UTF-8 text would show garbled; elsewhere there is nothing to do.
void useUtf8Console();

}  // namespace celshift

// The console that the command line writes to, and the requests to stop that reach it.
#pragma once

namespace celshift {

// Makes the console show the UTF-8 that the program writes. Windows consoles start in the OEM code page
// (932 on Japanese systems), where UTF-8 text would show garbled; elsewhere there is nothing to do.
void useUtf8Console();

// Calls handler, from a signal handler (it may only set flags), when the user or the system asks the program to
// stop: Ctrl+C (SIGINT), SIGTERM, a closed terminal (SIGHUP); on Windows Ctrl+C, Ctrl+Break and a closed console.
// signalNumber is the number to add to 128 for the exit status. A second request ends the program at once. A pipe
// on standard output whose reader went away then shows as a failed write instead of ending the program.
void onStopRequests(void (*handler)(int signalNumber));

// False when the program was started with its standard output closed. The standard output is then pointed at the
// null device, so that no file the program opens can take its place and receive its lines.
bool standardOutputIsOpen();

// The exit status of a program that ended because writing to its standard output failed with errnoValue: 141
// (as for SIGPIPE) when the reader went away, else 74 (an input/output error).
int standardOutputFailureStatus(int errnoValue);

}  // namespace celshift

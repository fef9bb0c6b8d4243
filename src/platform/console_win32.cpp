#include "platform/console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <io.h>

#include "platform/win32_text.h"

namespace celshift {

namespace {

void (*gHandler)(int) = nullptr;
volatile LONG gRequests = 0;

// The numbers a POSIX shell would report: SIGINT for Ctrl+C, SIGHUP (1) for a closed console; Ctrl+Break is
// SIGBREAK (21) in the C runtime.
BOOL WINAPI onConsoleEvent(DWORD event) {
    int signalNumber = SIGINT;
    if (event == CTRL_BREAK_EVENT) signalNumber = SIGBREAK;
    else if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) signalNumber = 1;
    if (::InterlockedIncrement(&gRequests) > 1) return FALSE;  // the second request: the default ends the program
    if (gHandler) gHandler(signalNumber);
    return TRUE;
}

}  // namespace

// Output redirected to a file or a pipe takes the bytes as they are; only a real console needs the code page.
void useUtf8Console() { ::SetConsoleOutputCP(CP_UTF8); }

void onStopRequests(void (*handler)(int signalNumber)) {
    gHandler = handler;
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool standardOutputIsOpen() {
    if (::_fileno(stdout) >= 0 && ::_get_osfhandle(::_fileno(stdout)) != -1) return true;
    std::freopen("NUL", "w", stdout);
    return false;
}

int standardOutputFailureStatus(int errnoValue) { return errnoValue == EPIPE ? 141 : 74; }

}  // namespace celshift

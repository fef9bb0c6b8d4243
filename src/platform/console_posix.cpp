#include "platform/console.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace celshift {

namespace {

void (*gHandler)(int) = nullptr;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onStopSignal(int signalNumber) {
    // The next request of any kind takes the default action: the program ends at once.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    for (const int s : kStopSignals) ::sigaction(s, &fallback, nullptr);
    if (gHandler) gHandler(signalNumber);
}

}  // namespace

void useUtf8Console() {}

void onStopRequests(void (*handler)(int signalNumber)) {
    gHandler = handler;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : kStopSignals) ::sigaction(s, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

bool standardOutputIsOpen() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1) return true;
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0 && null != STDOUT_FILENO) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    return false;
}

int standardOutputFailureStatus(int errnoValue) { return errnoValue == EPIPE ? 128 + SIGPIPE : 74; }

}  // namespace celshift

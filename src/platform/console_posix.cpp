#include "platform/console.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace celshift {

namespace {

void (*gHandler)(int) = nullptr;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The stop signals that have our handler: those that the caller did not set to be ignored.
volatile sig_atomic_t gHandled[std::size(kStopSignals)] = {};

extern "C" void onStopSignal(int signalNumber) {
    // The next request of any kind takes the default action: the program ends at once. A signal ignored from the
    // start stays ignored.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        if (gHandled[i]) ::sigaction(kStopSignals[i], &fallback, nullptr);
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
    // A signal that the caller ignores (nohup ignores SIGHUP; a shell's "&" without job control, SIGINT) is no
    // request to stop: it stays ignored.
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        struct sigaction current {};
        if (::sigaction(kStopSignals[i], nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        gHandled[i] = 1;
        ::sigaction(kStopSignals[i], &action, nullptr);
    }
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

#include "platform/large_stack.h"

#include "platform/large_stack_parts.h"

namespace celshift {

namespace {

thread_local std::size_t tStackBytes = 0;

}  // namespace

std::size_t largeStackOfThisThread() { return tStackBytes; }

void runOnLargeStack(std::size_t stackBytes, const std::function<void()>& work) {
    if (tStackBytes >= stackBytes) {
        work();
        return;
    }
    LargeStackThread thread(stackBytes, work);
    thread.join();
}

namespace detail {

void runLargeStackBody(std::size_t stackBytes, const std::function<void()>& work, std::exception_ptr& error) noexcept {
    tStackBytes = stackBytes;
    try {
        work();
    } catch (...) {
        error = std::current_exception();
    }
}

}  // namespace detail

}  // namespace celshift

#include "platform/large_stack.h"

#include "platform/large_stack_parts.h"

namespace celshift {

namespace {

// Room for kMaxNestingDepth walker levels of the largest frames (sanitizer builds at -O0 included).
constexpr std::size_t kStackBytes = std::size_t{2} << 30;

thread_local bool tOnLargeStack = false;

}  // namespace

std::size_t largeStackBytes() { return kStackBytes; }

bool onLargeStack() { return tOnLargeStack; }

void runOnLargeStack(const std::function<void()>& work) {
    if (tOnLargeStack) {
        work();
        return;
    }
    LargeStackThread thread(work);
    thread.join();
}

namespace detail {

void runLargeStackBody(const std::function<void()>& work, std::exception_ptr& error) noexcept {
    tOnLargeStack = true;
    try {
        work();
    } catch (...) {
        error = std::current_exception();
    }
}

}  // namespace detail

}  // namespace celshift

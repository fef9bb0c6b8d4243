#include "platform/large_stack.h"

#include "platform/large_stack_parts.h"
#include "transform/nesting_bound.h"

namespace celshift {

namespace {

// Room for kMaxNestingDepth walker levels (nesting_bound.h), and for the thread's own frames above the walk
// (the run's loop, the copier's callers).
constexpr std::size_t kCallerStackBytes = std::size_t{16} << 20;
constexpr std::size_t kStackBytes =
    static_cast<std::size_t>(kMaxNestingDepth) * kStackBytesPerNestingLevel + kCallerStackBytes;

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

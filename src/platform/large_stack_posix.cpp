#include <pthread.h>

#include <exception>
#include <system_error>
#include <utility>

#include "platform/large_stack.h"
#include "transform/nesting_bound.h"

namespace celshift {

namespace {

// Room for the thread's own frames above the walk (the run's loop, the copier's callers).
constexpr std::size_t kCallerStackBytes = std::size_t{16} << 20;
constexpr std::size_t kLargeStackBytes =
    static_cast<std::size_t>(kMaxNestingDepth) * kStackBytesPerNestingLevel + kCallerStackBytes;

thread_local bool tOnLargeStack = false;

}  // namespace

struct LargeStackThread::State {
    std::function<void()> work;
    std::exception_ptr error;
    pthread_t thread{};
    bool joined = false;
};

namespace {

void* runState(void* argument) {
    auto* state = static_cast<LargeStackThread::State*>(argument);
    tOnLargeStack = true;
    try {
        state->work();
    } catch (...) {
        state->error = std::current_exception();
    }
    return nullptr;
}

}  // namespace

std::size_t largeStackBytes() { return kLargeStackBytes; }

bool onLargeStack() { return tOnLargeStack; }

LargeStackThread::LargeStackThread(std::function<void()> work) : state_(std::make_unique<State>()) {
    state_->work = std::move(work);
    pthread_attr_t attributes;
    int rc = pthread_attr_init(&attributes);
    if (rc == 0) {
        rc = pthread_attr_setstacksize(&attributes, kLargeStackBytes);
        if (rc == 0) rc = pthread_create(&state_->thread, &attributes, runState, state_.get());
        pthread_attr_destroy(&attributes);
    }
    if (rc != 0) throw std::system_error(rc, std::generic_category(), "cannot start a thread with a large stack");
}

LargeStackThread::~LargeStackThread() {
    if (!state_->joined) pthread_join(state_->thread, nullptr);
}

void LargeStackThread::join() {
    if (state_->joined) return;
    pthread_join(state_->thread, nullptr);
    state_->joined = true;
    if (state_->error) std::rethrow_exception(std::exchange(state_->error, nullptr));
}

void runOnLargeStack(const std::function<void()>& work) {
    if (tOnLargeStack) {
        work();
        return;
    }
    LargeStackThread thread(work);
    thread.join();
}

}  // namespace celshift

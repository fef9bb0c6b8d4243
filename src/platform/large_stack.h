// A thread with a stack deep enough for the most deeply nested input that the walkers accept.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace celshift {

// Bytes of stack for the deepest accepted walk. Reserved, not committed: untouched pages cost nothing.
std::size_t largeStackBytes();

// True on a thread started by runOnLargeStack or LargeStackThread.
bool onLargeStack();

// Runs work on a thread with a large stack and waits for it. An exception that work throws is thrown again
// here. Throws std::system_error when the thread cannot be started. On a large stack already, runs work there.
void runOnLargeStack(const std::function<void()>& work);

// A large-stack thread that the caller joins later. join() throws again what work threw; the destructor
// joins and drops it. Throws std::system_error when the thread cannot be started.
class LargeStackThread {
public:
    explicit LargeStackThread(std::function<void()> work);
    ~LargeStackThread();  // joins
    void join();
    LargeStackThread(const LargeStackThread&) = delete;
    LargeStackThread& operator=(const LargeStackThread&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace celshift

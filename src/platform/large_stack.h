// Threads with a stack as large as their caller needs (the walk of deeply nested data takes far more than an
// ordinary thread has). The stack is reserved, not committed: untouched pages cost nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace celshift {

// The stack size of this thread when runOnLargeStack or LargeStackThread started it; 0 on any other thread.
std::size_t largeStackOfThisThread();
inline bool onLargeStack() { return largeStackOfThisThread() > 0; }

// Runs work on a thread with stackBytes of stack and waits for it. An exception that work throws is thrown again
// here. Throws std::system_error when the thread cannot be started. On a large stack of that size already, runs
// work there.
void runOnLargeStack(std::size_t stackBytes, const std::function<void()>& work);

// A large-stack thread that the caller joins later. join() throws again what work threw; the destructor
// joins and drops it. Throws std::system_error when the thread cannot be started.
class LargeStackThread {
public:
    LargeStackThread(std::size_t stackBytes, std::function<void()> work);
    ~LargeStackThread();  // joins
    void join();
    LargeStackThread(const LargeStackThread&) = delete;
    LargeStackThread& operator=(const LargeStackThread&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace celshift

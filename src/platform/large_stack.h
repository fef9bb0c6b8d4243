// Threads with a stack deep enough for the most deeply nested input that the transformer accepts.
// The walk itself starts no threads: a caller that raises DataFileCopier::nestingLimit to kMaxNestingDepth
// runs it on one of these.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace celshift {

// Bytes of stack a thread needs to walk the deepest input the transformer accepts.
std::size_t largeStackBytes();

// True on a thread started here.
bool onLargeStack();

// Runs work on a thread with a large stack (its untouched pages cost nothing) and waits for it; on such a
// thread already, runs it directly. An exception that work throws is thrown again here. Throws
// std::system_error when the thread cannot be started.
void runOnLargeStack(const std::function<void()>& work);

// A started thread with the large stack, running work; joins in its destructor.
class LargeStackThread {
public:
    // Throws std::system_error when the thread cannot be started.
    explicit LargeStackThread(std::function<void()> work);
    ~LargeStackThread();
    // Waits for work to end (once; later calls return at once) and throws again what work threw.
    void join();
    LargeStackThread(const LargeStackThread&) = delete;
    LargeStackThread& operator=(const LargeStackThread&) = delete;

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace celshift

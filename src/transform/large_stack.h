// A thread with a stack deep enough for the most deeply nested input that the walkers accept.
#pragma once

#include <functional>

namespace celshift {

// True on a thread started by runOnLargeStack.
bool onLargeStack();

// Runs work on a thread with a large stack (its untouched pages cost nothing) and waits for it. An exception
// that work throws is thrown again here. Throws std::system_error when the thread cannot be started.
void runOnLargeStack(const std::function<void()>& work);

}  // namespace celshift

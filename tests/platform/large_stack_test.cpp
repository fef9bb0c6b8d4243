#include "platform/large_stack.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace celshift {
namespace {

// Each level keeps 4 KiB on the stack; the volatile buffer stops the compiler from folding the recursion.
std::size_t descend(std::size_t levels) {
    volatile char frame[4096];
    std::memset(const_cast<char*>(frame), static_cast<int>(levels & 0x7F), sizeof frame);
    return levels == 0 ? frame[0] : descend(levels - 1) + frame[levels % sizeof frame];
}

constexpr std::size_t kStack = std::size_t{1} << 30;

TEST(LargeStack, HoldsFarMoreThanAnOrdinaryThreadStack) {
    // 64 MiB of frames: eight times Linux's default main stack, 64 times a Windows thread's.
    std::size_t result = 0;
    runOnLargeStack(kStack, [&] { result = descend(16 * 1024); });
    EXPECT_GT(result, 0u);
}

TEST(LargeStack, MarksItsThreadAndRunsNestedWorkInPlace) {
    EXPECT_FALSE(onLargeStack());
    bool outer = false;
    bool inner = false;
    std::size_t nestedSize = 0;
    std::size_t largerSize = 0;
    runOnLargeStack(kStack, [&] {
        outer = onLargeStack();
        runOnLargeStack(kStack / 2, [&] { inner = onLargeStack(); nestedSize = largeStackOfThisThread(); });
        runOnLargeStack(kStack * 2, [&] { largerSize = largeStackOfThisThread(); });  // needs a thread of its own
    });
    EXPECT_TRUE(outer);
    EXPECT_TRUE(inner);
    EXPECT_EQ(nestedSize, kStack);
    EXPECT_EQ(largerSize, kStack * 2);
    EXPECT_FALSE(onLargeStack());
}

TEST(LargeStack, ExceptionsComeBackToTheCaller) {
    EXPECT_THROW(runOnLargeStack(kStack, [] { throw std::runtime_error("from the walk"); }), std::runtime_error);
    LargeStackThread thread(kStack, [] { throw std::invalid_argument("later"); });
    EXPECT_THROW(thread.join(), std::invalid_argument);
    EXPECT_NO_THROW(thread.join());  // thrown once only
}

TEST(LargeStack, TheDestructorWaitsForTheWork) {
    std::atomic<bool> finished{false};
    {
        LargeStackThread thread(kStack, [&] {
            descend(1024);
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace celshift

// What the two large-stack thread implementations share (large_stack.cpp).
#pragma once

#include <cstddef>
#include <exception>
#include <functional>

namespace celshift::detail {

// The body of every large-stack thread: marks the thread with its stack size and keeps what work threw.
void runLargeStackBody(std::size_t stackBytes, const std::function<void()>& work, std::exception_ptr& error) noexcept;

}  // namespace celshift::detail

#pragma once
// Bounded polling for tests: never a fixed sleep, always a deadline.
#include <chrono>
#include <functional>

namespace quillet::test {

// Polls `cond` every millisecond until it holds or `timeout` passes; returns its last value.
bool WaitUntil(const std::function<bool()>& cond,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

}  // namespace quillet::test

#pragma once
#include <chrono>
#include <functional>

namespace veska_test {

// Polls `condition` every few milliseconds until it holds or `limit` passes.
// Returns whether it held. Tests use it instead of fixed sleeps.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace veska_test

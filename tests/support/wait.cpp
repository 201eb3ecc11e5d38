#include "tests/support/wait.h"

#include <chrono>
#include <thread>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

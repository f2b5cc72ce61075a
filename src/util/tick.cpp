#include "util/tick.h"

#include <chrono>

namespace tav {

std::uint32_t TickMilliseconds() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms) & 0xFFFFFFFFu);
}

std::uint32_t TickSpan(std::uint32_t oldTick, std::uint32_t newTick) {
  if (newTick == oldTick) return 0;
  // Shifting both by half the range keeps a wrapped-past-zero new tick ahead
  // of an old tick from the upper half.
  if (oldTick > newTick) {
    oldTick += 0x80000000u;
    newTick += 0x80000000u;
  }
  return oldTick > newTick ? oldTick - newTick : newTick - oldTick;
}

}  // namespace tav

#pragma once
#include <cstdint>

namespace tav {

// Milliseconds from an arbitrary origin, from a monotonic clock; wraps after
// about 49.7 days.
std::uint32_t TickMilliseconds();

// Elapsed milliseconds between two ticks, safe across the 32-bit wrap; a new
// tick slightly behind the old one gives their distance, never a huge value.
std::uint32_t TickSpan(std::uint32_t oldTick, std::uint32_t newTick);

}  // namespace tav

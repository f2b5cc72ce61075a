#include "net/low_speed_meter.h"

#include <algorithm>

#include "util/tick.h"

namespace tav {

namespace {
// Entries per period: the resolution of the sliding window.
constexpr int kSlotsPerPeriod = 64;
// Waits are cut into this many pieces per period.
constexpr int kChecksPerPeriod = 8;
}  // namespace

void TLowSpeedMeter::Start(std::int64_t MinBytes, int PeriodMs, std::uint32_t Now) {
  FMinBytes = MinBytes;
  FPeriod = PeriodMs;
  FStart = Now;
  FArrivals.clear();
  FBytes = 0;
}

void TLowSpeedMeter::Stop() { Start(0, 0, 0); }

void TLowSpeedMeter::Arrived(std::int64_t Bytes, std::uint32_t Now) {
  if (!Active() || Bytes <= 0) return;
  const std::uint32_t slot = static_cast<std::uint32_t>(std::max(FPeriod / kSlotsPerPeriod, 1));
  if (!FArrivals.empty() && TickSpan(FArrivals.back().First, Now) < slot) {
    FArrivals.back().Last = Now;
    FArrivals.back().Bytes += Bytes;
  } else {
    FArrivals.push_back({Now, Now, Bytes});
  }
  FBytes += Bytes;
  Forget(Now);
}

void TLowSpeedMeter::Forget(std::uint32_t Now) {
  while (!FArrivals.empty() && TickSpan(FArrivals.front().Last, Now) > static_cast<std::uint32_t>(FPeriod)) {
    FBytes -= FArrivals.front().Bytes;
    FArrivals.pop_front();
  }
}

bool TLowSpeedMeter::TooSlow(std::uint32_t Now) {
  if (!Active()) return false;
  if (TickSpan(FStart, Now) < static_cast<std::uint32_t>(FPeriod)) return false;
  Forget(Now);
  return FBytes < FMinBytes;
}

int TLowSpeedMeter::CheckInterval() const { return std::max(FPeriod / kChecksPerPeriod, 1); }

}  // namespace tav

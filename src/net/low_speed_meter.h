#pragma once
// Watches how fast data arrives while a socket receives: a server that keeps
// a connection alive with a byte now and then resets every time-out, so the
// meter judges the amount received over a sliding period instead.
#include <cstdint>
#include <deque>

namespace tav {

class TLowSpeedMeter {
 public:
  // Starts measuring at `Now` (a millisecond tick). MinBytes or PeriodMs of 0
  // or less switches the meter off.
  void Start(std::int64_t MinBytes, int PeriodMs, std::uint32_t Now);
  void Stop();
  bool Active() const { return FMinBytes > 0 && FPeriod > 0; }

  // Counts bytes that arrived at `Now`.
  void Arrived(std::int64_t Bytes, std::uint32_t Now);
  // True once a whole period has passed since Start and fewer than MinBytes
  // arrived during the last period.
  bool TooSlow(std::uint32_t Now);
  // How long a wait may last before the meter must be asked again, so that a
  // slow connection is found at most this late.
  int CheckInterval() const;

 private:
  // Arrivals close together share one entry, which keeps the list short
  // however many packets come; an entry leaves the window only when its
  // latest arrival does, so the meter never counts too little.
  struct TArrivals {
    std::uint32_t First;
    std::uint32_t Last;
    std::int64_t Bytes;
  };
  void Forget(std::uint32_t Now);

  std::int64_t FMinBytes = 0;
  int FPeriod = 0;
  std::uint32_t FStart = 0;
  std::deque<TArrivals> FArrivals;
  std::int64_t FBytes = 0;  // sum over FArrivals
};

}  // namespace tav

// The low-speed meter on made-up ticks: the sliding period, its start, and the
// 32-bit tick wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "net/low_speed_meter.h"

namespace tav {
namespace {

struct MeterCase {
  const char* Name;
  std::uint32_t Start;
  std::vector<std::pair<std::uint32_t, std::int64_t>> Arrivals;  // tick, bytes
  std::uint32_t AskAt;
  bool TooSlow;
};

TEST(LowSpeedMeter, JudgesTheLastPeriod) {
  // At least 100 bytes in every 1000 ms.
  const std::uint32_t wrap = 0xFFFFFF00u;
  const MeterCase cases[] = {
      {"nothing yet judged before one period", 0, {}, 999, false},
      {"a silent period", 0, {}, 1000, true},
      {"enough in the last period", 0, {{100, 60}, {900, 40}}, 1000, false},
      {"the early bytes have left the period", 0, {{100, 60}, {900, 40}}, 1101, true},
      {"a trickle", 0, {{0, 1}, {200, 1}, {400, 1}, {600, 1}, {800, 1}}, 1000, true},
      {"many small packets close together are all counted", 0,
       {{500, 10}, {501, 10}, {502, 10}, {503, 10}, {504, 10}, {505, 10}, {506, 10}, {507, 10}, {508, 10}, {509, 10}},
       1500, false},
      {"... until the last of them is older than the period", 0, {{500, 50}, {509, 50}}, 1510, true},
      {"across the tick wrap", wrap, {{wrap + 500, 100}}, wrap + 1200, false},
      {"across the tick wrap, later", wrap, {{wrap + 500, 100}}, wrap + 1501, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TLowSpeedMeter meter;
    meter.Start(100, 1000, c.Start);
    for (const auto& [tick, bytes] : c.Arrivals) meter.Arrived(bytes, tick);
    EXPECT_EQ(meter.TooSlow(c.AskAt), c.TooSlow);
  }
}

TEST(LowSpeedMeter, OffUnlessBothFiguresAreSet) {
  for (const auto& [bytes, period] : {std::pair{0, 1000}, std::pair{100, 0}, std::pair{-1, 1000}}) {
    TLowSpeedMeter meter;
    meter.Start(bytes, period, 0);
    EXPECT_FALSE(meter.Active());
    EXPECT_FALSE(meter.TooSlow(1000000));
  }
  TLowSpeedMeter meter;
  meter.Start(100, 1000, 0);
  EXPECT_TRUE(meter.Active());
  EXPECT_GE(meter.CheckInterval(), 1);
  EXPECT_LE(meter.CheckInterval(), 1000);
  meter.Stop();
  EXPECT_FALSE(meter.Active());
}

}  // namespace
}  // namespace tav

// Test entry for programs whose views run without a window system: a
// fixed-metrics device is the default device, so layout does not depend on
// the fonts installed.
#include <gtest/gtest.h>

#include "platform/testing/fixed_metrics_device.h"

int main(int argc, char** argv) {
  tav::TFixedMetricsDevice::InstallAsDefault();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

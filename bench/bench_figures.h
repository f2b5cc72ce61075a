#pragma once
// The figures every benchmark program prints: seconds since a point and
// the process's peak memory.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace tav::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Peak resident memory in MiB (VmHWM), -1 when it cannot be read.
inline long PeakRssMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
  return -1;
}

}  // namespace tav::bench

#include "http/page_prefetch.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace tav {

namespace {

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14 and later
#endif

}  // namespace

void TPagePrefetch::Start(char* begin, std::size_t size) {
  FBase = FDone = FLast = 0;
  if (size < kMinSize) return;
  FPage = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  FBase = reinterpret_cast<std::uintptr_t>(begin);
  // Whole pages inside the range only.
  FDone = (FBase + FPage - 1) / FPage * FPage;
  FLast = (FBase + size) / FPage * FPage;
  Advance(0);
}

void TPagePrefetch::Advance(std::size_t written) {
  if (FDone >= FLast) return;
  const std::uintptr_t want = std::min(FLast, (FBase + written + kWindow) / FPage * FPage);
  // Populate in window-sized steps once the writer has used half a window.
  if (FDone >= want || want - FDone < kWindow / 2) return;
  if (madvise(reinterpret_cast<void*>(FDone), want - FDone, kPopulateWrite) != 0) {
    FLast = 0;  // not offered here: stop trying
    return;
  }
  FDone = want;
}

}  // namespace tav

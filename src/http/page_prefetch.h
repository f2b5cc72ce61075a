#pragma once
// Large bodies land in freshly allocated memory, and the first write to each
// page costs a page fault with the page's clearing, one page at a time.
// TPagePrefetch asks the kernel to populate the pages a little ahead of the
// writer in bulk (a few MiB per call), which costs a fraction of the faults.
// It never touches the bytes, and it stays at most one window ahead of the
// writer, so a server that announces a huge body and sends little cannot make
// the engine hold much more than it received. Where the platform cannot
// populate, the writer simply faults as usual.
#include <cstddef>
#include <cstdint>

namespace tav {

class TPagePrefetch {
 public:
  // Smallest range worth populating ahead.
  static constexpr std::size_t kMinSize = std::size_t{8} << 20;
  // How far the populated pages run ahead of the writer.
  static constexpr std::size_t kWindow = std::size_t{8} << 20;

  // Covers [begin, begin + size); the range must stay allocated while the
  // writer calls Advance. Small ranges are left alone.
  void Start(char* begin, std::size_t size);
  // The writer has filled `written` bytes from begin.
  void Advance(std::size_t written);

 private:
  std::uintptr_t FBase = 0;
  std::uintptr_t FDone = 0;  // populated up to here
  std::uintptr_t FLast = 0;  // end of the whole pages of the range
  std::uintptr_t FPage = 4096;
};

}  // namespace tav

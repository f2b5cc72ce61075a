// Arbitrary bytes as a picture file on the fixed-metrics device: the front
// end's sniffing, minimum length, header size and pixel budget. Whatever
// comes back is a picture of a known format within the budget.
#include "fuzz_input.h"
#include "html/media/decode_picture.h"
#include "platform/testing/fixed_metrics_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static tav::TFixedMetricsDevice device;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto bitmap = tav::DecodePicture(device, bytes);
  if (bitmap) {
    Check(size >= tav::MinPictureBytes);
    Check(tav::SniffPicture(bytes) != tav::TImageFormat::ifUnknown);
    Check(tav::PictureSizeAllowed(bitmap->Width(), bitmap->Height()));
  }
  // The device's own reading of the header, with and without a check.
  int seenW = 0, seenH = 0;
  auto direct = device.DecodeOpaqueImage(bytes, tav::SniffPicture(bytes), [&](int w, int h) {
    seenW = w;
    seenH = h;
    return tav::PictureSizeAllowed(w, h);
  });
  if (direct) Check(direct->Width() == seenW && direct->Height() == seenH);
  return 0;
}

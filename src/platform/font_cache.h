#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <string>

#include "platform/surface.h"

namespace tav {

// The fonts a device has made, by everything their description holds, so
// that the same description gives the same shared handle while it is alive.
class TFontCache {
public:
  // The live handle made for `desc`, or a new one from make().
  template <class TMake>
  TFontRef Get(const TFontDesc& desc, TMake&& make) {
    std::weak_ptr<const TFontHandle>& slot = FFonts[Key(desc)];
    if (TFontRef font = slot.lock()) return font;
    TFontRef font = make();
    slot = font;
    if (FFonts.size() >= FSweepAt) Sweep();
    return font;
  }

  // Entries held, live or not.
  std::size_t Size() const { return FFonts.size(); }

private:
  static std::u16string Key(const TFontDesc& desc);
  // Drops the entries whose fonts are gone. Without it every description a
  // long-lived device was ever asked for stays, and lookups slow down with
  // them; sweeping when the map has doubled keeps the cost per font even.
  void Sweep();

  std::map<std::u16string, std::weak_ptr<const TFontHandle>> FFonts;
  std::size_t FSweepAt = 64;
};

}  // namespace tav

#pragma once
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
    return font;
  }

private:
  static std::u16string Key(const TFontDesc& desc);

  std::map<std::u16string, std::weak_ptr<const TFontHandle>> FFonts;
};

}  // namespace tav

#include "html/layout/images/background_picture.h"

#include "html/layout/document.h"
#include "html/layout/images/image_obj.h"

namespace tav {

void FetchBackgroundPicture(TSurface& surface, std::unique_ptr<TImageObj>& picture) {
  if (!picture || picture->State != TImageState::isNone) return;
  if (!picture->ParentSectionList.Pictures.ShowImages) return;
  picture->DrawLogic(surface, 0, 0, nullptr);
  if (picture->State != TImageState::isShown || !picture->Image) picture.reset();
}

TBitmap* ShownPicture(const std::unique_ptr<TImageObj>& picture) {
  if (!picture || picture->State != TImageState::isShown) return nullptr;
  if (!picture->ParentSectionList.Pictures.ShowImages) return nullptr;
  return picture->Image.get();
}

}  // namespace tav

#pragma once
// The images and form controls of a text section, by character position.
// Form controls are empty until they are built; layout asks them already.
#include <vector>

#include "html/image_obj.h"
#include "html/properties.h"

namespace tav {

class TFormControlList {
public:
  int Count() const { return 0; }
  int GetWidthAt(int pos, int& hSpace) const {
    (void)pos;
    hSpace = 0;
    return -1;
  }
  int GetHeightAt(int pos, AlignmentType& align) const {
    (void)pos;
    align = AlignmentType::ABottom;
    return -1;
  }
  int GetControlCountAt(int pos) const {
    (void)pos;
    return 9999;
  }
  void Decrement(int pos, int n) { (void)pos, (void)n; }
};

}  // namespace tav

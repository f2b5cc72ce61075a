#pragma once
// The images and form controls of a text section, by character position.
// Empty until pictures and controls are built; layout asks them already.
#include <vector>

#include "html/properties.h"

namespace tav {

class TImageObjList {
public:
  int Count() const { return 0; }
  // Width (spaces included) of the image at pos; floating ones report
  // their side. -1 when none is there.
  int GetWidthAt(int pos, bool& floating) const {
    (void)pos;
    floating = false;
    return -1;
  }
  // Height and vertical alignment of the image at pos.
  int GetHeightAt(int pos, AlignmentType& align, bool& floating) const {
    (void)pos;
    align = AlignmentType::ABottom;
    floating = false;
    return -1;
  }
  // Characters up to the next image from pos, at most 9999.
  int GetImageCountAt(int pos) const {
    (void)pos;
    return 9999;
  }
  // The positions after pos move back by n.
  void Decrement(int pos, int n) { (void)pos, (void)n; }
};

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

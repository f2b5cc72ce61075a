#pragma once
#include <stdexcept>
#include <string>

namespace tav {

// A misuse of the tab strip or page control, or a drawing resource the
// platform could not supply while painting it.
class ETabControlError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace tav

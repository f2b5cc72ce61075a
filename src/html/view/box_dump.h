#pragma once
// The laid-out document as text, one box or line a line: what tests and
// the headless renderer compare. Deterministic for a given layout.
#include <string>

namespace tav {

class TSectionList;

std::string DumpBoxes(TSectionList& document);

}  // namespace tav

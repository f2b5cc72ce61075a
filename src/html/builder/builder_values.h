#pragma once
// Attribute readings shared by the builder's files.
#include <optional>
#include <string>

#include "html/css/properties.h"
#include "html/parse/attributes.h"

namespace tav {

// The value text of the first attribute `which`, or null.
const std::u16string* AttrText(const TAttributeList& attrs, Symb which);

inline TPropValue TextValue(std::u16string s) { return TPropValue{std::move(s)}; }

// ALIGN as a text alignment: left, center, right or justify; "middle"
// means centre. False for anything else or no ALIGN.
bool AlignValue(const TAttributeList& attrs, std::u16string& out);

// BGCOLOR, when it reads as a colour, and BACKGROUND, a picture's name
// written as url(...), become the background colour and picture of
// `props` (a style of the element's own keeps its values). Returns the
// BGCOLOR colour.
std::optional<TColor> AssignBackgroundAttributes(TProperties& props, const TAttributeList& attrs);

}  // namespace tav

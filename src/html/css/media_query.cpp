#include "html/css/media_query.h"

#include <optional>
#include <string>
#include <vector>

#include "html/css/units.h"

namespace tav {

namespace {

// A query's words and parenthesised features, in order.
struct TQueryToken {
  std::u16string Text;
  bool Feature = false;  // "(...)", without the parentheses
};

// False when a feature's parenthesis is not closed.
bool Tokenize(std::u16string_view query, std::vector<TQueryToken>& tokens) {
  std::size_t i = 0;
  while (i < query.size()) {
    if (IsSpace(query[i])) {
      ++i;
    } else if (query[i] == u'(') {
      auto close = query.find(u')', i);
      if (close == std::u16string_view::npos) return false;
      tokens.push_back({std::u16string(query.substr(i + 1, close - i - 1)), true});
      i = close + 1;
    } else {
      std::size_t b = i;
      while (i < query.size() && !IsSpace(query[i]) && query[i] != u'(') ++i;
      tokens.push_back({std::u16string(query.substr(b, i - b)), false});
    }
  }
  return true;
}

// A width test's result; none for any other feature or an unreadable value.
std::optional<bool> FeatureHolds(const std::u16string& feature, const TMediaView& view) {
  auto colon = feature.find(u':');
  if (colon == std::u16string::npos) return std::nullopt;
  const std::u16string name = Trim(feature.substr(0, colon));
  const std::u16string value = Trim(feature.substr(colon + 1));
  const bool min = name == u"min-width";
  if (!min && name != u"max-width") return std::nullopt;
  double n;
  const std::size_t used = ReadLeadingNumber(value, n);
  if (used == 0) return std::nullopt;
  const std::u16string unit = value.substr(used);
  double pixels;
  if (unit == u"px" || (unit.empty() && n == 0)) pixels = n;
  else if (unit == u"em" || unit == u"rem") pixels = n * view.EmPixels;
  else return std::nullopt;
  if (view.Width <= 0) return std::nullopt;
  return min ? view.Width >= pixels : view.Width <= pixels;
}

// One query, lower-cased: [not|only] [type] (and (feature))*, or features
// joined by "and" without a type.
bool QueryHolds(std::u16string_view query, const TMediaView& view) {
  std::vector<TQueryToken> tokens;
  if (!Tokenize(query, tokens) || tokens.empty()) return false;
  std::size_t i = 0;
  bool negate = false;
  if (!tokens[0].Feature && (tokens[0].Text == u"not" || tokens[0].Text == u"only")) {
    negate = tokens[0].Text == u"not";
    ++i;
  }
  if (i >= tokens.size()) return false;
  bool holds = true;
  bool needAnd = false;
  if (!tokens[i].Feature) {
    const std::u16string& type = tokens[i].Text;
    if (type == u"and" || type == u"not" || type == u"only") return false;
    holds = type == u"screen" || type == u"all";
    needAnd = true;
    ++i;
  }
  for (; i < tokens.size(); ++i) {
    if (needAnd) {
      if (tokens[i].Feature || tokens[i].Text != u"and") return false;
      needAnd = false;
      continue;
    }
    if (!tokens[i].Feature) return false;
    auto feature = FeatureHolds(tokens[i].Text, view);
    if (!feature) return false;  // an unknown feature makes the whole query false
    holds = holds && *feature;
    needAnd = true;
  }
  if (!needAnd) return false;  // ends with "and"
  return negate ? !holds : holds;
}

}  // namespace

bool MediaListApplies(std::u16string_view list, const TMediaView& view) {
  const std::u16string lower = LowerCase(std::u16string(list));
  if (TrimView(lower).empty()) return true;
  std::size_t pos = 0;
  for (;;) {
    auto comma = lower.find(u',', pos);
    std::u16string_view query = std::u16string_view(lower).substr(
        pos, comma == std::u16string::npos ? std::u16string::npos : comma - pos);
    if (QueryHolds(query, view)) return true;
    if (comma == std::u16string::npos) return false;
    pos = comma + 1;
  }
}

}  // namespace tav

#include "html/css/charsets.h"

#include <algorithm>
#include <string>

#include "html/css/units.h"

namespace tav {
namespace {

struct TCharSetName {
  std::u16string_view Fragment;
  int CharSet;
};

constexpr TCharSetName CharSetNames[] = {
    {u"1252", 0},       {u"8859-1", 0},       {u"1253", 161},     {u"8859-7", 161},
    {u"1250", 238},     {u"8859-2", 31},      {u"1251", 204},     {u"8859-5", 204},
    {u"koi", 204},      {u"866", 204},        {u"1254", 162},     {u"8859-3", 162},
    {u"8859-9", 162},   {u"1257", 186},       {u"8859-4", 186},   {u"932", 128},
    {u"949", 129},      {u"936", 134},        {u"950", 136},      {u"1255", 177},
    {u"1256", 178},     {u"1258", 163},       {u"874", 222},      {u"ansi", 0},
    {u"default", 1},    {u"symbol", 2},       {u"shiftjis", 128}, {u"shift_jis", 128},
    {u"x-sjis", 128},   {u"hangeul", 129},    {u"gb2312", 134},   {u"big5", 136},
    {u"oem", 255},      {u"johab", 130},      {u"hebrew", 177},   {u"arabic", 178},
    {u"greek", 161},    {u"turkish", 162},    {u"vietnamese", 163}, {u"thai", 222},
    {u"easteurope", 238}, {u"russian", 204},  {u"euc-kr", 129},   {u"5601", 129},
    {u"euc-jp", 30},    {u"8859-15", 0},      {u"tis-620", 222},
};
static_assert(std::size(CharSetNames) == 47);

constexpr TCharSetCodePage CodePages[] = {
    {0, 1252},   {1, 0},      {2, 0},      {77, 2},     {128, 932},  {129, 949},  {130, 1361},
    {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
    {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {255, 1},
};
static_assert(std::size(CodePages) == 19);

}  // namespace

int CharSetFromName(std::u16string_view name) {
  std::u16string lower = LowerCase(std::u16string(name));
  for (const auto& row : CharSetNames)
    if (lower.find(row.Fragment) != std::u16string::npos) return row.CharSet;
  return -1;
}

TCharSetCodePage CodePageOfCharSet(int charSet) {
  if (charSet == 31) return {238, 28592};
  for (const auto& row : CodePages)
    if (row.CharSet == charSet) return row;
  return {charSet, 0};
}

void THtmlFontSizes::Build(double d) {
  constexpr double normal[7] = {8, 10, 12, 14, 18, 24, 36};
  constexpr double pre[7] = {7, 8, 10, 12, 15, 20, 30};
  for (int i = 0; i < 7; ++i) {
    Normal[static_cast<std::size_t>(i)] = d * normal[i] / 12;
    Pre[static_cast<std::size_t>(i)] = d * pre[i] / 12;
  }
}

double THtmlFontSizes::Size(int htmlSize, bool pre) const {
  auto i = static_cast<std::size_t>(std::clamp(htmlSize, 1, 7) - 1);
  return pre ? Pre[i] : Normal[i];
}

}  // namespace tav

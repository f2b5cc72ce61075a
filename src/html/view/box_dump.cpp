#include "html/view/box_dump.h"

#include <string>

#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/images/background_picture.h"
#include "html/layout/images/image_obj.h"
#include "html/layout/tables/table.h"
#include "html/layout/text/section.h"
#include "util/code_page.h"

namespace tav {

namespace {

using P = PropIndices;

const char* BulletName(ListBulletType t) {
  switch (t) {
    case ListBulletType::lbBlank: return "blank";
    case ListBulletType::lbCircle: return "circle";
    case ListBulletType::lbDecimal: return "decimal";
    case ListBulletType::lbDisc: return "disc";
    case ListBulletType::lbLowerAlpha: return "lower-alpha";
    case ListBulletType::lbLowerRoman: return "lower-roman";
    case ListBulletType::lbNone: return "none";
    case ListBulletType::lbSquare: return "square";
    case ListBulletType::lbUpperAlpha: return "upper-alpha";
    case ListBulletType::lbUpperRoman: return "upper-roman";
  }
  return "?";
}

// A short, printable excerpt of a line's characters.
std::string Excerpt(std::u16string_view text) {
  constexpr std::size_t kMax = 40;
  std::u16string shown;
  for (char16_t c : text.substr(0, kMax)) {
    if (c == ImageChar) shown += u"\\i";
    else if (c == FmCtlChar) shown += u"\\c";
    else if (c == BrkCh) shown += u"\\n";
    else if (c == u'"' || c == u'\\') shown += std::u16string(1, u'\\') + c;
    else if (c < 32) shown += u'?';
    else shown += c;
  }
  std::string r = "\"" + TextToUtf8(shown) + "\"";
  if (text.size() > kMax) r += "...";
  return r;
}

class TDumper {
public:
  std::string Out;

  void Cell(TCellBasic& cell, int depth) {
    for (auto& item : cell.Items) Item(*item, depth);
  }

  void ImageLine(const TFloatingObj& obj, const std::string& pad) {
    Out += pad + "image Pos=" + N(obj.Pos);
    if (auto* image = dynamic_cast<const TImageObj*>(&obj))
      Out += " ObjWidth=" + N(image->ObjWidth) + " ObjHeight=" + N(image->ObjHeight);
    Out += " ImageWidth=" + N(obj.ImageWidth) + " ImageHeight=" + N(obj.ImageHeight) +
           " HSpaceL=" + N(obj.HSpaceL) + " HSpaceR=" + N(obj.HSpaceR) + " VSpaceT=" +
           N(obj.VSpaceT) + " VSpaceB=" + N(obj.VSpaceB) + " BorderSize=" + N(obj.BorderSize) +
           " DrawXX=" + N(obj.DrawXX) + " DrawYY=" + N(obj.DrawYY);
    if (obj.Floating())
      Out += std::string(obj.HorzAlign == AlignmentType::ALeft ? " float=left" : " float=right") +
             " FloatX=" + N(obj.FloatX) + " FloatY=" + N(obj.FloatY);
    if (auto* image = dynamic_cast<const TImageObj*>(&obj)) {
      static const char* const states[] = {"unfetched", "shown", "broken", "pending"};
      Out += std::string(" ") + states[static_cast<int>(image->State)];
    } else {
      Out += " panel";
    }
    Out += "\n";
  }

  static std::string List(const std::vector<int>& values) {
    std::string r = "[";
    for (std::size_t i = 0; i < values.size(); ++i) r += (i ? " " : "") + N(values[i]);
    return r + "]";
  }

  void Table(ThtmlTable& t, const std::string& pad, int depth) {
    const char* mode = t.UseAbsolute && t.tblWidthAttr == 0 ? "absolute"
                       : t.tblWidthAttr > 0                 ? "percent-specified"
                                                            : "percent-not-specified";
    Out += pad + "table " + mode + " NumCols=" + N(t.NumCols) + " TableWidth=" + N(t.TableWidth) +
           " TableHeight=" + N(t.TableHeight) + " Y=" + N(t.YDraw) + " spacing=" + N(t.CellSpacing) +
           " border=" + N(t.BorderWidth) + " header=" + N(t.HeaderRowCount) + "/" +
           N(t.HeaderHeight) + " foot=" + N(t.FootStartRow) + "/" + N(t.FootHeight) + "\n";
    Out += pad + "  Widths=" + List(t.Widths) + " MinWidths=" + List(t.MinWidths) +
           " MaxWidths=" + List(t.MaxWidths) + " Percents=" + List(t.Percents) + "\n";
    Out += pad + "  Heights=" + List(t.Heights) + "\n";
    for (TCellObj* c : t.AllCells) {
      Out += pad + "  cell " + N(c->Row) + "," + N(c->Col) + " span=" + N(c->ColSpan) + "x" +
             N(c->RowSpan) + " rect=" + N(c->X) + "," + N(c->Y) + "," + N(c->Wd) + "x" + N(c->Ht) +
             " HzSpace=" + N(c->HzSpace) + " VrSpace=" + N(c->VrSpace) + " YIndent=" + N(c->YIndent) +
             "\n";
      Cell(*c->Cell, depth + 2);
    }
  }

  void Item(TSectionBase& item, int depth) {
    std::string pad(static_cast<std::size_t>(depth) * 2, ' ');
    if (auto* b = dynamic_cast<TBlock*>(&item)) {
      Out += pad + "block " + TextToUtf8(b->TagClass) + " X=" + N(b->X) + " DrawTop=" +
             N(b->DrawTop) + " ContentTop=" + N(b->ContentTop) + " ContentBot=" +
             N(b->ContentBot) + " DrawBot=" + N(b->DrawBot) + " width=" + N(b->NewWidth) +
             " margins=" + Box(*b) + "\n";
      if (const TBitmap* picture = ShownPicture(b->BGImage))
        Out += pad + "  " + Background(*picture, b->PRec) + "\n";
      if (auto* li = dynamic_cast<TBlockLI*>(b)) {
        Out += pad + "  marker " + BulletName(li->ListStyleType) + " " + N(li->ListNumb) +
               " baseline=" + N(li->FirstLineHt);
        if (const TBitmap* picture = ShownPicture(li->Image))
          Out += " picture=" + N(picture->Width()) + "x" + N(picture->Height());
        Out += "\n";
      }
      Cell(*b->MyCell, depth + 1);
      return;
    }
    if (auto* t = dynamic_cast<ThtmlTable*>(&item)) {
      Table(*t, pad, depth);
      return;
    }
    if (auto* h = dynamic_cast<THorzLine*>(&item)) {
      Out += pad + "rule Y=" + N(h->YDraw) + " X=" + N(h->XLeft) + " width=" + N(h->Width) +
             " size=" + N(h->VSize) + (h->NoShade ? " noshade" : "") + "\n";
      return;
    }
    if (auto* s = dynamic_cast<TSection*>(&item)) {
      Out += pad + (dynamic_cast<TPreFormated*>(s) ? "pre" : "section") + " Len=" + N(s->Len) +
             " StartCurs=" + N(s->StartCurs) + " Top=" + N(s->ContentTop) + " Bot=" +
             N(s->ContentBot) + "\n";
      for (const LineRec& l : s->Lines) {
        Out += pad + "  line Start=" + N(l.Start) + " Ln=" + N(l.Ln) + " Y=" + N(l.Y) +
               " LineHt=" + N(l.LineHt) + " Descent=" + N(l.Descent) + " SpaceBefore=" +
               N(l.SpaceBefore) + " SpaceAfter=" + N(l.SpaceAfter) + " DrawXX=" + N(l.DrawXX) +
               " DrawWidth=" + N(l.DrawWidth) + " Extra=" + N(l.Extra) + " Spaces=" +
               N(l.Spaces) + " " +
               Excerpt(std::u16string_view(s->Buff).substr(
                   static_cast<std::size_t>(std::min<int>(l.Start, static_cast<int>(s->Buff.size()))),
                   static_cast<std::size_t>(std::max(0, l.Ln)))) +
               "\n";
      }
      for (const auto& obj : s->Images.Items) ImageLine(*obj, pad + "  ");
      for (const TFormControlObj* c : s->FormControls.Items)
        Out += pad + "  control " + c->KindName() + " Pos=" + N(c->Pos) + " Width=" +
               N(c->Width) + " Height=" + N(c->Height) + " HSpaceL=" + N(c->HSpaceL) +
               " HSpaceR=" + N(c->HSpaceR) + " VSpaceT=" + N(c->VSpaceT) + " VSpaceB=" +
               N(c->VSpaceB) + " DrawX=" + N(c->DrawX) + " DrawY=" + N(c->DrawY) + "\n";
      return;
    }
    Out += pad + "item Y=" + N(item.YDraw) + " height=" + N(item.SectionHeight) + "\n";
  }

  // A background picture's size, place and repeat.
  static std::string Background(const TBitmap& picture, const TBackgroundPRec& prec) {
    auto at = [](int v, bool percent) { return N(v) + (percent ? "%" : "px"); };
    return "background " + N(picture.Width()) + "x" + N(picture.Height()) + " at " +
           at(prec.X, prec.XPercent) + " " + at(prec.Y, prec.YPercent) +
           (prec.RepeatX ? (prec.RepeatY ? " repeat" : " repeat-x")
                         : (prec.RepeatY ? " repeat-y" : " no-repeat")) +
           (prec.Fixed ? " fixed" : "");
  }

private:
  static std::string N(int v) { return std::to_string(v); }

  // Margins, padding and border widths (top right bottom left each).
  static std::string Box(const TBlock& b) {
    const TMarginArray& m = b.MargArray;
    auto v = [&](P p) { return N(m[static_cast<std::size_t>(p)]); };
    return "[" + v(P::MarginTop) + " " + v(P::MarginRight) + " " + v(P::MarginBottom) + " " +
           v(P::MarginLeft) + " | " + v(P::PaddingTop) + " " + v(P::PaddingRight) + " " +
           v(P::PaddingBottom) + " " + v(P::PaddingLeft) + " | " + v(P::BorderTopWidth) + " " +
           v(P::BorderRightWidth) + " " + v(P::BorderBottomWidth) + " " + v(P::BorderLeftWidth) +
           "]";
  }
};

}  // namespace

std::string DumpBoxes(TSectionList& document) {
  TDumper d;
  d.Cell(document, 0);
  if (const TBitmap* picture = document.BackgroundBitmap())
    d.Out += "page " + TDumper::Background(*picture, document.Looks.BackgroundPRec) + "\n";
  return d.Out;
}

}  // namespace tav

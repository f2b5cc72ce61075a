#include "html/layout/images/image_obj.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "html/base/sat_math.h"
#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/layout/font_obj.h"
#include "html/layout/forms/form_controls.h"
#include "html/media/decode_picture.h"
#include "html/parse/attributes.h"
#include "platform/child_controls.h"
#include "platform/colors.h"

namespace tav {

using P = PropIndices;

namespace {

int ClampExtent(int v) { return std::clamp(v, 0, MaxObjectExtent); }

int ClampSpace(long long v) {
  return static_cast<int>(std::min<long long>(v < 0 ? -v : v, MaxObjectSpace));
}

TFontDesc AltFont(TSurface& surface) {
  TFontDesc desc;
  desc.Face = u"Arial";
  desc.Height = PointsToHeight(8, surface.PixelsPerInch());
  desc.Weight = FW_NORMAL;
  return desc;
}

}  // namespace

// ---------------------------------------------------------------- TFloatingObj

TFloatingObj::TFloatingObj(TSectionList& document) : ParentSectionList(document) {}
TFloatingObj::~TFloatingObj() = default;

int TFloatingObj::TotalWidth() const {
  return std::max(0, SatAdd(SatAdd(ImageWidth, HSpaceL), HSpaceR));
}

int TFloatingObj::TotalHeight() const {
  return std::max(0, SatAdd(SatAdd(ImageHeight, VSpaceT), VSpaceB));
}

void TFloatingObj::ReadCommonAttributes(const TAttributeList& attributes) {
  bool hSpace = false;
  std::u16string title;
  bool hasTitle = false;
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case AltSy: {
        std::u16string alt = a.Name;
        while (!alt.empty() && (alt.back() == u'\r' || alt.back() == u'\n')) alt.pop_back();
        FAlt = alt;
        FAltW = alt;
        if (!hasTitle) ImageTitle = alt;
        break;
      }
      case TitleSy:
        title = a.Name;
        hasTitle = true;
        break;
      case AlignSy: {
        std::u16string v = UpperCase(Trim(a.Name));
        if (v == u"TOP") VertAlign = AlignmentType::ATop;
        else if (v == u"MIDDLE" || v == u"ABSMIDDLE") VertAlign = AlignmentType::AMiddle;
        else if (v == u"LEFT") HorzAlign = AlignmentType::ALeft;
        else if (v == u"RIGHT") HorzAlign = AlignmentType::ARight;
        break;
      }
      case WidthSy:
      case HeightSy: {
        const bool width = a.Which == WidthSy;
        int& given = width ? SpecWidth : SpecHeight;
        bool& percent = width ? PercentWidth : PercentHeight;
        // A negative size counts as not given.
        if (auto size = ReadSizeAttribute(a, Within(0, 100), AtLeastCutTo(0, MaxObjectExtent))) {
          given = size->Value;
          percent = size->Percent;
        }
        break;
      }
      case HSpaceSy:
        HSpaceL = HSpaceR = ClampSpace(a.Value);
        hSpace = true;
        break;
      case VSpaceSy:
        VSpaceT = ClampSpace(a.Value);
        break;
      default:
        break;
    }
  }
  if (hasTitle) ImageTitle = title;
  if (!hSpace && Floating()) HSpaceL = HSpaceR = 3;
  VSpaceB = VSpaceT;
}

void TFloatingObj::ProcessProperties(const TProperties& props) {
  auto alignments = [&]() {
    AlignmentType align;
    if (props.GetVertAlign(align)) VertAlign = align;
    if (props.GetFloat(align) && (align == AlignmentType::ALeft || align == AlignmentType::ARight)) {
      HorzAlign = align;
      return true;
    }
    return false;
  };
  if (alignments() && HSpaceR == 0) HSpaceL = HSpaceR = 3;
  if (ImageTitle.empty() && !props.PropTitle.empty()) ImageTitle = props.PropTitle;

  TMarginArray box{};
  int autoCount = 0;
  props.ConvMargArray(200, 200, box, autoCount);
  auto space = [&](P side, int& target) {
    if (IsValueSet(props.Get(side))) target = std::clamp(box[static_cast<std::size_t>(side)], 0, MaxObjectExtent);
  };
  space(P::MarginLeft, HSpaceL);
  space(P::MarginRight, HSpaceR);
  space(P::MarginTop, VSpaceT);
  space(P::MarginBottom, VSpaceB);
  const bool bordered = props.GetBorderStyle() != BorderStyleType::bssNone;
  if (bordered) {
    auto widen = [&](P width, int& target) {
      int w = std::clamp(box[static_cast<std::size_t>(width)], 0, MaxObjectExtent);
      target = std::min(SatAdd(target, w), MaxObjectExtent);
    };
    widen(P::BorderLeftWidth, HSpaceL);
    widen(P::BorderRightWidth, HSpaceR);
    widen(P::BorderTopWidth, VSpaceT);
    widen(P::BorderBottomWidth, VSpaceB);
    // The same widths are painted around the box; a side without a colour
    // takes the text colour.
    const TPropValue& text = props.Get(P::Color);
    const TColor textColor = IsInt(text) ? static_cast<TColor>(std::get<int>(text)) : clBlack;
    for (std::size_t k = 0; k < 4; ++k) {
      const auto side = [k](P first) { return static_cast<P>(static_cast<std::size_t>(first) + k); };
      StyleBorder.Width[k] =
          std::clamp(box[static_cast<std::size_t>(side(P::BorderTopWidth))], 0, MaxObjectExtent);
      const auto color = static_cast<TColor>(box[static_cast<std::size_t>(side(P::BorderTopColor))]);
      StyleBorder.Color[k] = color == clNone ? textColor : color;
      StyleBorder.Style[k] = BorderStyleOf(AsText(props.Get(side(P::BorderTopStyle))));
    }
  }
  auto size = [&](P which, int& given, bool& percent) {
    const TPropValue& v = props.Get(which);
    if (IsEmpty(v) || (IsInt(v) && std::get<int>(v) == IntNull)) return;
    std::u16string text = IsText(v) ? LowerCase(Trim(std::get<std::u16string>(v))) : u"";
    if (text == u"auto" || (IsInt(v) && std::get<int>(v) == Auto)) {
      given = -1;
      percent = false;
    } else if (!text.empty() && text.back() == u'%') {
      double n = 0;
      ReadLeadingNumber(text, n);
      given = std::clamp(SatRound(n), 0, 100);
      percent = true;
    } else {
      int px = box[static_cast<std::size_t>(which)];
      if (px == Auto || px == IntNull) return;
      given = px < 0 ? -1 : ClampExtent(px);
      percent = false;
    }
  };
  size(P::Width, SpecWidth, PercentWidth);
  size(P::Height, SpecHeight, PercentHeight);
  {
    const TPropValue& v = props.Get(P::MaxWidth);
    const std::u16string text = IsText(v) ? LowerCase(Trim(std::get<std::u16string>(v))) : u"";
    if (text == u"none") {
      MaxWidth = -1;
      PercentMaxWidth = false;
    } else if (!text.empty() && text.back() == u'%') {
      double n = 0;
      if (ReadLeadingNumber(text, n) > 0 && n >= 0) {
        MaxWidth = std::clamp(SatRound(n), 0, 100);
        PercentMaxWidth = true;
      }
    } else {
      const int px = box[static_cast<std::size_t>(P::MaxWidth)];
      if (px != Auto && px != IntNull && px >= 0) {
        MaxWidth = ClampExtent(px);
        PercentMaxWidth = false;
      }
    }
  }
  alignments();
  if (bordered) {
    NoBorder = true;
    BorderSize = 0;
  }
  DisplayNone = props.GetDisplay() == TPropDisplay::pdNone;
  if (DisplayNone) HorzAlign = AlignmentType::ANone;
}

bool TFloatingObj::HasStyleBorder() const {
  for (std::size_t k = 0; k < 4; ++k)
    if (StyleBorder.Width[k] > 0 && StyleBorder.Style[k] != BorderStyleType::bssNone) return true;
  return false;
}

void TFloatingObj::DrawStyleBorder(TSurface& surface, int x, int y) const {
  const auto& w = StyleBorder.Width;
  const TRect outer{SatAdd(x, -w[3]), SatAdd(y, -w[0]), SatAdd(SatAdd(x, ImageWidth), w[1]),
                    SatAdd(SatAdd(y, ImageHeight), w[2])};
  DrawBorder(surface, outer, StyleBorder);
}

bool TFloatingObj::SizeHidden() {
  if (!DisplayNone) return false;
  ImageWidth = ImageHeight = 0;
  HSpaceL = HSpaceR = VSpaceT = VSpaceB = 0;
  return true;
}

void TFloatingObj::SizeFromGiven(int naturalWidth, int naturalHeight, int availableWidth,
                                 int availableHeight, int& width, int& height) const {
  const int w = std::max(1, naturalWidth), h = std::max(1, naturalHeight);
  const int border2 = SatMul(2, BorderSize);
  const int roomW = SatAdd(availableWidth, -border2), roomH = SatAdd(availableHeight, -border2);
  if (PercentWidth) {
    width = SatMulDiv(roomW, SpecWidth, 100);
    height = SpecHeight < 0   ? SatMulDiv(width, h, w)
             : PercentHeight  ? SatMulDiv(roomH, SpecHeight, 100)
                              : SpecHeight;
  } else if (PercentHeight) {
    height = SatMulDiv(roomH, SpecHeight, 100);
    width = SpecWidth < 0 ? SatMulDiv(height, w, h) : SpecWidth;
  } else if (SpecWidth >= 0 && SpecHeight >= 0) {
    width = SpecWidth;
    height = SpecHeight;
  } else if (SpecHeight >= 0) {
    height = SpecHeight;
    width = SatMulDiv(SpecHeight, w, h);
  } else if (SpecWidth >= 0) {
    width = SpecWidth;
    height = SatMulDiv(SpecWidth, h, w);
  } else {
    width = w;
    height = h;
  }
  width = ClampExtent(width);
  height = ClampExtent(height);
  // A percentage limit counts only once there is room to take it of (the
  // minimum and maximum are measured without any).
  int limit = -1;
  if (MaxWidth >= 0 && !PercentMaxWidth) limit = MaxWidth;
  else if (MaxWidth >= 0 && availableWidth > 0) limit = std::max(0, SatMulDiv(roomW, MaxWidth, 100));
  if (limit >= 0 && width > limit) {
    const bool bothGiven = SpecWidth >= 0 && SpecHeight >= 0;
    if (!bothGiven) height = width > 0 ? SatMulDiv(height, limit, width) : height;
    width = limit;
  }
}

bool TFloatingObj::PtInObject(int x, int y, int& ix, int& iy) const {
  if (DisplayNone) return false;
  const long long rx = static_cast<long long>(x) - DrawXX;
  const long long ry = static_cast<long long>(y) - DrawYY;
  const long long w = static_cast<long long>(ImageWidth) - 2LL * BorderSize;
  const long long h = static_cast<long long>(ImageHeight) - 2LL * BorderSize;
  if (rx < 0 || ry < 0 || rx >= w || ry >= h) return false;
  ix = static_cast<int>(rx);
  iy = static_cast<int>(ry);
  return true;
}

int TFloatingObj::BoxTop(const TFontObj* font, int baseline, int topY) const {
  if (Floating() || VertAlign == AlignmentType::ATop) return SatAdd(topY, VSpaceT);
  if (VertAlign == AlignmentType::AMiddle) {
    const long long descent = font ? font->Descent : 0;
    const long long height = font ? font->FontHeight : 0;
    // Halves rounded toward zero, as C++ division rounds.
    const long long half = (static_cast<long long>(ImageHeight) + VSpaceB - VSpaceT) / 2;
    const long long top = baseline + descent - height / 2 - half;
    return static_cast<int>(std::clamp<long long>(top, INT_MIN, INT_MAX));
  }
  return static_cast<int>(std::clamp<long long>(
      static_cast<long long>(baseline) - ImageHeight - VSpaceB, INT_MIN, INT_MAX));
}

// ---------------------------------------------------------------- TImageObj

TImageObj::TImageObj(TSectionList& document, int pos, const TAttributeList& attributes)
    : TFloatingObj(document) {
  Pos = pos;
  ReadCommonAttributes(attributes);
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case SrcSy: Source = Trim(a.Name); break;
      case BorderSy:
        NoBorder = a.Value == 0;
        BorderSize = std::clamp(a.Value, 0, MaxImageBorder);
        break;
      case TranspSy: Transparent = TTransparency::LLCorner; break;
      case IsMapSy: IsMap = true; break;
      case UseMapSy: {
        UseMap = true;
        std::u16string name = UpperCase(Trim(a.Name));
        if (name.size() > 1 && name[0] == u'#') name.erase(0, 1);
        MapName = name;
        break;
      }
      default: break;
    }
  }
}

std::unique_ptr<TImageObj> TImageObj::SimpleCreate(TSectionList& document, const std::u16string& url) {
  auto obj = std::make_unique<TImageObj>(document, 0, TAttributeList());
  obj->Source = url;
  obj->NoBorder = true;
  obj->BorderSize = 0;
  return obj;
}

TImageObj::~TImageObj() {
  ReleasePicture();
  TSectionList& document = ParentSectionList;
  document.Pictures.MissingImages.Remove(this);
  if (document.Pictures.ActiveImage == this) document.Pictures.ActiveImage = nullptr;
}

void TImageObj::ReleasePicture() {
  if (FCachedUse && !FetchName.empty()) ParentSectionList.Pictures.BitmapList.DecUsage(FetchName);
  FCachedUse = false;
}

bool TImageObj::IsPlaceholder() const {
  return State != TImageState::isShown || !ParentSectionList.Pictures.ShowImages;
}

void TImageObj::Fetch() {
  TSectionList& document = ParentSectionList;
  const TImageIcons& icons = document.Icons();
  FetchName = document.ExpandImageName(Source);
  auto broken = [&]() {
    Image = icons.BrokenImageIcon;
    Mask = icons.BrokenImageMask;
    Transparent = TTransparency::LLCorner;
    State = TImageState::isBroken;
  };
  auto pending = [&]() {
    Image = icons.PendingImageIcon;
    Mask.reset();
    State = TImageState::isPending;
    Missing = true;
    document.Pictures.MissingImages.Add(FetchName, this);
  };
  if (FetchName.empty()) {
    broken();
    return;
  }
  if (document.Pictures.MissingImages.Contains(FetchName)) {
    pending();
    return;
  }
  TFetchedPicture picture = document.Pictures.Fetcher.GetTheBitmap(FetchName, Transparent);
  if (picture.Bitmap) {
    Image = OrigImage = picture.Bitmap;
    Mask = picture.Mask;
    State = TImageState::isShown;
    FCachedUse = true;
  } else if (picture.Delayed) {
    pending();
  } else {
    broken();
  }
}

void TImageObj::MeasureAlt(TSurface& surface) {
  if (FAltMeasured) return;
  surface.SaveDC();
  surface.SetFont(AltFont(surface));
  // The text with a line break after it: the box keeps an empty line below
  // the text.
  TRect r{0, 0, 0, 0};
  surface.DrawText(FAltW + u"\r\n", r, DT_CALCRECT | DT_NOPREFIX);
  surface.RestoreDC(-1);
  FAltTextW = std::max(0, r.Width());
  FAltTextH = std::max(0, r.Height());
  FAltMeasured = true;
}

void TImageObj::DrawLogic(TSurface& surface, int availableHeight, int availableWidth,
                          const TFontObj* font) {
  if (SizeHidden()) return;
  TSectionList& document = ParentSectionList;
  if (State == TImageState::isNone && !Missing) {
    if (!Source.empty()) {
      if (document.Pictures.ShowImages) Fetch();
    } else {
      const TImageIcons& icons = document.Icons();
      Image = icons.BrokenImageIcon;
      Mask = icons.BrokenImageMask;
      Transparent = TTransparency::LLCorner;
      State = TImageState::isBroken;
    }
  }
  const bool placeholder = IsPlaceholder();
  TBitmap* picture = document.Pictures.ShowImages && Image ? Image.get() : document.Icons().PendingImageIcon.get();
  const int naturalW = std::max(1, picture ? picture->Width() : ImageIconSize);
  const int naturalH = std::max(1, picture ? picture->Height() : ImageIconSize);

  if (!ImageKnown || PercentWidth || PercentHeight || PercentMaxWidth) {
    SizeFromGiven(naturalW, naturalH, availableWidth, availableHeight, ObjWidth, ObjHeight);
    // A placeholder's size is final only when both sides were given.
    ImageKnown = !PercentWidth && !PercentHeight &&
                 ((SpecWidth >= 0 && SpecHeight >= 0) || !placeholder);
  }

  if (placeholder) {
    if (SpecWidth >= 0 || SpecHeight >= 0) {
      AltWidth = ObjWidth;
      AltHeight = ObjHeight;
    } else if (!FAltW.empty()) {
      MeasureAlt(surface);
      AltWidth = ClampExtent(SatAdd(FAltTextW, 26));
      AltHeight = ClampExtent(std::max(FAltTextH, PlaceholderMinSide));
    } else {
      AltWidth = std::max(ObjWidth, PlaceholderMinSide);
      AltHeight = std::max(ObjHeight, PlaceholderMinSide);
    }
    ImageWidth = AltWidth;
    ImageHeight = AltHeight;
  } else {
    ImageWidth = ObjWidth;
    ImageHeight = ObjHeight;
  }
  if (font && font->UrlTarget && font->UrlTarget->HasUrl() && !NoBorder)
    BorderSize = std::max(BorderSize, 1);
  ImageWidth = SatAdd(ImageWidth, 2 * BorderSize);
  ImageHeight = SatAdd(ImageHeight, 2 * BorderSize);
}

void TImageObj::DrawAltText(TSurface& surface, const TFontObj* font, int left, int top) {
  if (FAltW.empty()) return;
  TRect r{SatAdd(left, 24), SatAdd(top, 4), SatAdd(left, AltWidth - 2), SatAdd(top, AltHeight - 1)};
  if (r.IsEmpty()) return;
  surface.SetTextColor(font ? font->TheFont.Color : clBlack);
  surface.SetBkMode(TBkMode::bkTransparent);
  surface.SetTextAlign(TA_LEFT | TA_TOP);
  surface.DrawText(FAltW, r, DT_WORDBREAK | DT_NOPREFIX);
}

void TImageObj::Draw(TSurface& surface, int x, const TFontObj* font, int baseline, int topY,
                     int docDX) {
  if (DisplayNone) return;
  TSectionList& document = ParentSectionList;
  surface.SaveDC();
  surface.SetBrush(TBrush{TBrushStyle::bsClear, clWhite});
  surface.SetFont(AltFont(surface));
  const int top = BoxTop(font, baseline, topY);
  DrawXX = SatAdd(x, BorderSize);
  DrawYY = SatAdd(top, BorderSize);
  const bool placeholder = IsPlaceholder();
  const TImageIcons& icons = document.Icons();
  std::shared_ptr<TBitmap> picture = document.Pictures.ShowImages ? Image : icons.PendingImageIcon;
  TBitmap* mask = document.Pictures.ShowImages ? Mask.get() : nullptr;
  if (!picture) picture = icons.BrokenImageIcon, mask = icons.BrokenImageMask.get();
  if (placeholder) {
    if (AltWidth >= PlaceholderMinSide && AltHeight >= PlaceholderMinSide)
      DoDraw(surface, SatAdd(DrawXX, 4), mask, *picture, SatAdd(DrawYY, 4));
  } else {
    DoDraw(surface, DrawXX, mask, *picture, DrawYY);
  }
  if (placeholder && BorderSize == 0) {
    DrawAltText(surface, font, x, top);
    // A one-pixel sunken frame around the box.
    const TRect box{x, top, SatAdd(x, AltWidth), SatAdd(top, AltHeight)};
    const bool light = document.PaintPass.Printing || ColorToRGB(document.Looks.Background) == 0xFFFFFF;
    const TColor shadow = ColorToRGB(clBtnShadow);
    const TColor highlight = light ? 0x00C0C0C0 : ColorToRGB(clBtnHighlight);
    if (!box.IsEmpty()) {
      surface.FillRect({box.Left, box.Top, box.Right, box.Top + 1}, shadow);
      surface.FillRect({box.Left, box.Top, box.Left + 1, box.Bottom}, shadow);
      surface.FillRect({box.Left + 1, box.Bottom - 1, box.Right, box.Bottom}, highlight);
      surface.FillRect({box.Right - 1, box.Top + 1, box.Right, box.Bottom}, highlight);
    }
  }
  if (BorderSize > 0) {
    if (placeholder) DrawAltText(surface, font, DrawXX, DrawYY);
    // A frame BorderSize wide inside the box, in the text colour.
    const TColor color = font ? ColorToRGB(font->TheFont.Color) : clBlack;
    for (int i = 0; i < BorderSize; ++i)
      surface.FrameRect({SatAdd(x, i), SatAdd(top, i), SatAdd(x, ImageWidth - i),
                         SatAdd(top, ImageHeight - i)},
                        color);
  }
  if (HasStyleBorder()) DrawStyleBorder(surface, x, top);
  if (MyFormControl && MyFormControl->HasFocus() && !document.PaintPass.NoFocusRect) {
    const TColor text = surface.TextColor();
    surface.SetTextColor(clBlack);
    surface.SetBkColor(clWhite);
    surface.DrawFocusRect({x, top, SatAdd(x, ImageWidth), SatAdd(top, ImageHeight)});
    surface.SetTextColor(text);
  }
  surface.RestoreDC(-1);
  // The image button's focus control is kept where Tab can reach it while
  // the picture is in view.
  if (MyFormControl) PlaceImageButton(document, *MyFormControl, top);
  DrawXX = SatAdd(DrawXX, docDX);
  DrawYY = SatAdd(DrawYY, document.PaintPass.YOff);
}

void TImageObj::DoDraw(TSurface& surface, int x, TBitmap* mask, TBitmap& picture, int y) {
  const TImageIcons& icons = ParentSectionList.Icons();
  const bool broken = &picture == icons.BrokenImageIcon.get();
  const bool icon = broken || &picture == icons.PendingImageIcon.get();
  const int pw = picture.Width(), ph = picture.Height();
  if ((mask && Transparent != TTransparency::NotTransp) || broken) {
    if (!mask) return;
    const int w = icon ? pw : ObjWidth, h = icon ? ph : ObjHeight;
    surface.MaskedStretchBlt(x, y, w, h, picture, *mask, 0, 0, pw, ph);
  } else if (icon) {
    surface.BitBlt(x, y, pw, ph, picture, 0, 0);
  } else {
    surface.StretchBlt(x, y, ObjWidth, ObjHeight, picture, 0, 0, pw, ph);
  }
}

void TImageObj::InsertImage(const std::string& name, bool error, bool& reformat) {
  reformat = false;
  if (!Missing || name != FetchName) return;
  Missing = false;
  ParentSectionList.Pictures.MissingImages.Remove(this);
  if (error) {
    const TImageIcons& icons = ParentSectionList.Icons();
    Image = icons.BrokenImageIcon;
    Mask = icons.BrokenImageMask;
    Transparent = TTransparency::LLCorner;
    State = TImageState::isBroken;
  } else {
    State = TImageState::isNone;
    Image.reset();
    Mask.reset();
    Fetch();
  }
  reformat = !ImageKnown;
}

bool TImageObj::ReplaceImage(std::string_view data) {
  std::unique_ptr<TBitmap> decoded = DecodePicture(ParentSectionList.Device, data);
  if (!decoded) return false;
  ReleasePicture();
  Image = OrigImage = std::shared_ptr<TBitmap>(std::move(decoded));
  Mask.reset();
  Transparent = TTransparency::NotTransp;
  Swapped = true;
  FBitmap.reset();
  Missing = false;
  ParentSectionList.Pictures.MissingImages.Remove(this);
  State = TImageState::isShown;
  return true;
}

std::shared_ptr<TBitmap> TImageObj::GetBitmap() {
  if (State != TImageState::isShown || !Image) return nullptr;
  if (!FBitmap) {
    std::shared_ptr<TBitmap> copy = ParentSectionList.Device.CreateBitmap(Image->Width(), Image->Height());
    copy->Canvas().BitBlt(0, 0, Image->Width(), Image->Height(), *Image, 0, 0);
    FBitmap = std::move(copy);
  }
  return FBitmap;
}

// ---------------------------------------------------------------- TPanelObj

TPanelObj::TPanelObj(TSectionList& document, int pos, const TAttributeList& attributes)
    : TFloatingObj(document) {
  Pos = pos;
  ReadCommonAttributes(attributes);
  for (const TAttribute& a : attributes) {
    switch (a.Which) {
      case NameSy: Name = a.Name; break;
      case SrcSy: Src = a.Name; break;
      case TypeSy: Type = a.Name; break;
      case WidthSy:
        // Only a percentage here; pixels are read with the image attributes.
        if (auto w = ReadSizeAttribute(a, ClampedTo(1, 100), Refused())) {
          SpecWidth = w->Value;
          PercentWidth = true;
        }
        break;
      case HeightSy: {
        // A percentage out of range leaves the height not given.
        const auto h = ReadSizeAttribute(a, Within(1, 100), ClampedTo(1, MaxObjectExtent));
        SpecHeight = h ? h->Value : -1;
        PercentHeight = h && h->Percent;
        break;
      }
      default: break;
    }
  }
  NoBorder = true;
  BorderSize = 0;
  if (document.Windows.ChildControls) {
    Panel = document.Windows.ChildControls->CreatePanel();
    if (Panel) {
      Panel->Hide();
      Panel->SetColor(Color);
      Panel->SetFrame(true);
      Panel->SetBounds({0, 0, DefaultWidth, DefaultHeight});
      // Mouse moves over the panel reach the viewer like moves over the page.
      Panel->SetOnMouseMove([&document](TChildControl& sender, TShiftState shift, int x, int y) {
        if (!document.Windows.OnControlMouseMove) return;
        const TRect bounds = sender.BoundsRect();
        document.Windows.OnControlMouseMove(shift, SatAdd(bounds.Left, x), SatAdd(bounds.Top, y));
      });
    }
  }
  if (document.Windows.OnPanelCreate) {
    document.Windows.OnPanelCreate(Name, Panel.get(), Src, Type);
    // What the owner made of the panel is its natural size.
    if (Panel) {
      const TRect r = Panel->BoundsRect();
      if (r.Width() > 0) NaturalWidth = r.Width();
      if (r.Height() > 0) NaturalHeight = r.Height();
    }
  }
  document.Windows.PanelList.push_back(this);
}

TPanelObj::~TPanelObj() {
  // A destructor cannot pass a failure on: the owner's handler is told,
  // and what it throws is dropped.
  if (ParentSectionList.Windows.OnPanelDestroy) {
    try {
      ParentSectionList.Windows.OnPanelDestroy(Name, Panel.get());
    } catch (...) {
    }
  }
  auto& list = ParentSectionList.Windows.PanelList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TPanelObj::DrawLogic(TSurface& surface, int availableHeight, int availableWidth,
                          const TFontObj* font) {
  (void)surface, (void)font;
  if (SizeHidden()) return;
  SizeFromGiven(NaturalWidth, NaturalHeight, availableWidth, availableHeight, ImageWidth,
                ImageHeight);
  ImageKnown = !PercentWidth && !PercentHeight;
}

void TPanelObj::Draw(TSurface& surface, int x, const TFontObj* font, int baseline, int topY,
                     int docDX) {
  if (DisplayNone) return;
  TSectionList& document = ParentSectionList;
  const int top = BoxTop(font, baseline, topY);
  DrawXX = SatAdd(x, docDX);
  DrawYY = SatAdd(top, document.PaintPass.YOff);
  if (Panel && !document.PaintPass.Printing && !document.PaintPass.IsCopy) {
    // The window panel moves after the paint, never inside it.
    document.Windows.WindowPlacements.push_back({this, TPoint{x, top}});
    return;
  }
  const TRect box{x, top, SatAdd(x, ImageWidth), SatAdd(top, ImageHeight)};
  if (box.IsEmpty()) return;
  surface.FillRect(box, ColorToRGB(Color));
  surface.FrameRect(box, clBlack);
  if (FAltW.empty()) return;
  surface.SaveDC();
  TFontDesc font8;
  font8.Face = u"Arial";
  font8.Height = PointsToHeight(8, surface.PixelsPerInch());
  surface.SetFont(font8);
  surface.SetTextColor(clBlack);
  surface.SetBkMode(TBkMode::bkTransparent);
  surface.SetTextAlign(TA_LEFT | TA_TOP);
  TRect text{SatAdd(box.Left, 5), SatAdd(box.Top, 5), SatAdd(box.Right, -5), SatAdd(box.Bottom, -5)};
  if (!text.IsEmpty()) surface.DrawText(FAltW, text, DT_WORDBREAK | DT_NOPREFIX);
  surface.RestoreDC(-1);
}

void TPanelObj::ShowAt(int x, int y) {
  if (!Panel) return;
  const TRect r{x, y, SatAdd(x, ImageWidth), SatAdd(y, ImageHeight)};
  if (!(Panel->BoundsRect() == r)) Panel->SetBounds(r);
  if (!Panel->Visible()) Panel->Show();
}

void TPanelObj::HidePanel() {
  if (Panel && Panel->Visible()) Panel->Hide();
}

// ---------------------------------------------------------------- TImageObjList

TImageObjList::TImageObjList() = default;
TImageObjList::~TImageObjList() = default;
TImageObjList::TImageObjList(TImageObjList&&) noexcept = default;
TImageObjList& TImageObjList::operator=(TImageObjList&&) noexcept = default;

std::size_t TImageObjList::LowerBound(int pos) const {
  auto it = std::lower_bound(Items.begin(), Items.end(), pos,
                             [](const std::unique_ptr<TFloatingObj>& o, int p) { return o->Pos < p; });
  return static_cast<std::size_t>(it - Items.begin());
}

TFloatingObj* TImageObjList::FindImage(int pos) const {
  std::size_t k = LowerBound(pos);
  return k < Items.size() && Items[k]->Pos == pos ? Items[k].get() : nullptr;
}

int TImageObjList::GetWidthAt(int pos, bool& floating) const {
  floating = false;
  TFloatingObj* obj = FindImage(pos);
  if (!obj) return -1;
  floating = obj->Floating();
  return obj->TotalWidth();
}

int TImageObjList::GetHeightAt(int pos, AlignmentType& align, bool& floating) const {
  align = AlignmentType::ABottom;
  floating = false;
  TFloatingObj* obj = FindImage(pos);
  if (!obj) return -1;
  align = obj->VertAlign;
  floating = obj->Floating();
  return obj->TotalHeight();
}

int TImageObjList::GetImageCountAt(int pos) const {
  std::size_t k = LowerBound(pos);
  return k < Items.size() ? Items[k]->Pos - pos : 99999999;
}

void TImageObjList::Decrement(int pos, int n) {
  for (std::size_t k = LowerBound(pos); k < Items.size(); ++k)
    if (Items[k]->Pos > pos) Items[k]->Pos -= n;
}

TFloatingObj* TImageObjList::PtInImage(int x, int y, int& ix, int& iy) const {
  for (const auto& obj : Items)
    if (obj->PtInObject(x, y, ix, iy)) return obj.get();
  return nullptr;
}

}  // namespace tav

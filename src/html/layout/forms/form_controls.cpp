// What every form control shares: its attributes and style, its native
// control and the events that come back from it, the section's control
// list, and the document-wide steps of sizing, tab order and placement.
#include "html/layout/forms/form_controls.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "html/base/sat_math.h"
#include "html/css/units.h"
#include "html/layout/document.h"
#include "html/layout/font_obj.h"
#include "html/layout/forms/form.h"
#include "html/layout/images/image_obj.h"
#include "html/parse/attributes.h"

namespace tav {

using P = PropIndices;

// ---------------------------------------------------------------- the object

TFormControlObj::TFormControlObj(TSectionList& document, ThtmlForm& form, int pos,
                                 const TAttributeList& attributes, const TProperties& props)
    : MasterList(document), MyForm(&form), Pos(pos) {
  for (const TAttribute& a : attributes) {
    AttributeList.push_back(a.WhichName + u"=" + a.Name);
    switch (a.Which) {
      case TitleSy: FTitle = a.Name; break;
      case NameSy: FName = a.Name; break;
      case ValueSy: Value = a.Name; break;
      case IDSy: FID = a.Name; break;
      case OnClickSy: OnClickMessage = a.Name; break;
      case OnFocusSy: OnFocusMessage = a.Name; break;
      case OnBlurSy: OnBlurMessage = a.Name; break;
      case OnChangeSy: OnChangeMessage = a.Name; break;
      case TabIndexSy:
        if (a.Value >= 1) TabIndex = a.Value;
        break;
      case DisabledSy: {
        std::u16string v = LowerCase(Trim(a.Name));
        Disabled = v != u"no" && v != u"0";
        break;
      }
      case ReadonlySy: Readonly = true; break;
      default: break;
    }
  }
  CodePage = props.CodePage;
  TMyFont font = props.GetFont();
  Font = font.Font;
  FontDesc = font.Desc;
  TextColor = font.Color;
}

TFormControlObj::~TFormControlObj() = default;

void TFormControlObj::ProcessProperties(const TProperties& props) {
  DisplayNone = props.GetDisplay() == TPropDisplay::pdNone;
  TMarginArray box{};
  int autoCount = 0;
  props.ConvMargArray(100, 100, box, autoCount);
  auto at = [&](P p) { return box[static_cast<std::size_t>(p)]; };
  auto space = [&](P side, int& target) {
    const int v = at(side);
    if (IsValueSet(props.Get(side)) && v != IntNull && v != Auto)
      target = std::clamp(v, 0, MaxObjectExtent);
  };
  space(P::MarginLeft, HSpaceL);
  space(P::MarginRight, HSpaceR);
  space(P::MarginTop, VSpaceT);
  space(P::MarginBottom, VSpaceB);
  if (props.GetBorderStyle() != BorderStyleType::bssNone) {
    auto width = [&](P p) { return std::clamp(at(p), 0, MaxObjectExtent); };
    HSpaceL = std::min(SatAdd(HSpaceL, width(P::BorderLeftWidth)), MaxObjectExtent);
    HSpaceR = std::min(SatAdd(HSpaceR, width(P::BorderRightWidth)), MaxObjectExtent);
    BordT = width(P::BorderTopWidth);
    BordB = width(P::BorderBottomWidth);
    VSpaceT = std::min(SatAdd(VSpaceT, BordT), MaxObjectExtent);
    VSpaceB = std::min(SatAdd(VSpaceB, BordB), MaxObjectExtent);
    OwnBorder = false;
    // Sides top, right, bottom, left as the box values keep them; a side
    // without a colour takes the text colour.
    constexpr P styles[4] = {P::BorderTopStyle, P::BorderRightStyle, P::BorderBottomStyle,
                             P::BorderLeftStyle};
    for (std::size_t k = 0; k < 4; ++k) {
      StyleBorder.Width[k] = width(static_cast<P>(static_cast<int>(P::BorderTopWidth) + static_cast<int>(k)));
      const auto color =
          static_cast<TColor>(at(static_cast<P>(static_cast<int>(P::BorderTopColor) + static_cast<int>(k))));
      StyleBorder.Color[k] = color == clNone ? TextColor : color;
      StyleBorder.Style[k] = BorderStyleOf(AsText(props.Get(styles[k])));
    }
  }
  auto size = [&](P which, bool allowPercent, int& target, bool* percent) {
    const TPropValue& v = props.Get(which);
    if (IsEmpty(v)) return;
    std::u16string text = IsText(v) ? LowerCase(Trim(std::get<std::u16string>(v))) : u"";
    if (!text.empty() && text.back() == u'%') {
      if (!allowPercent) return;
      double n = 0;
      ReadLeadingNumber(text, n);
      // Above 100 % the percentage is dropped.
      if (n > 0 && n <= 100) {
        target = SatRound(n);
        *percent = true;
      }
      return;
    }
    const int px = at(which);
    if (px > 0 && px != IntNull && px != Auto) target = std::min(px, MaxControlSide);
  };
  size(P::Width, true, FWidth, &PercentWidth);
  int height = 0;
  size(P::Height, false, height, nullptr);
  if (height > 0) FHeight = std::max(0, height - BordT - BordB);
  AlignmentType align;
  if (props.GetVertAlign(align)) FormAlign = align;
  const TColor bg = props.GetBackgroundColor();
  if (bg != clNone) BkColor = bg;
}

int TFormControlObj::TextHeight() const {
  return Font ? std::max(10, Font->Metrics().Height) : 10;
}

int TFormControlObj::TextWidth(const std::u16string& text) const {
  return Font ? Font->TextWidth(text) : 0;
}

bool TFormControlObj::HasStyleBorder() const {
  for (std::size_t k = 0; k < 4; ++k)
    if (StyleBorder.Width[k] > 0 && StyleBorder.Style[k] != BorderStyleType::bssNone) return true;
  return false;
}

void TFormControlObj::DrawStyleBorder(TSurface& surface, int x, int y) const {
  const auto& w = StyleBorder.Width;
  const TRect outer{SatAdd(x, -w[3]), SatAdd(y, -w[0]), SatAdd(SatAdd(x, Width), w[1]),
                    SatAdd(SatAdd(y, Height), w[2])};
  DrawBorder(surface, outer, StyleBorder);
}

bool TFormControlObj::HasFocus() const { return FControl && FControl->Focused(); }

TRect TFormControlObj::Insets() const {
  if (FControl) return FControl->FrameInsets();
  const int f = OwnBorder ? ImitationFrame : 0;
  return {f, f, f, f};
}

void TFormControlObj::SetPercentWidth(int availableWidth) {
  if (!PercentWidth) return;
  long long w = static_cast<long long>(FWidth) * std::max(availableWidth, 0) / 100;
  w = std::min<long long>(w, static_cast<long long>(availableWidth) - HSpaceL - HSpaceR);
  Width = static_cast<int>(std::clamp<long long>(w, 10, MaxControlSide));
}

int TFormControlObj::BoxTop(const TFontObj* font, int baseline, int topY) const {
  const long long total = static_cast<long long>(Height) + VSpaceT + VSpaceB;
  long long top;
  switch (FormAlign) {
    case AlignmentType::ATop: top = static_cast<long long>(topY) + VSpaceT; break;
    case AlignmentType::AMiddle: {
      const long long descent = font ? font->Descent : 0;
      const long long height = font ? font->FontHeight : 0;
      top = baseline + descent - height / 2 - total / 2 + VSpaceT;
      break;
    }
    default: top = static_cast<long long>(baseline) - Height - VSpaceB; break;
  }
  return static_cast<int>(std::clamp<long long>(top, INT_MIN, INT_MAX));
}

TChildControl* TFormControlObj::EnsureControl() {
  if (FControl) return FControl.get();
  TChildControlFactory* factory = MasterList.Windows.ChildControls;
  if (!factory || MasterList.PaintPass.Printing || MasterList.PaintPass.IsCopy) return nullptr;
  FControl = CreateControl(*factory);
  if (!FControl) return nullptr;
  FControl->SetFont(FontDesc);
  FControl->SetEnabled(!Disabled);
  FControl->SetBounds({ControlOffScreenX, 0, ControlOffScreenX + std::max(Width, 1),
                       std::max(Height, 1)});
  HookEvents(*FControl);
  return FControl.get();
}

void TFormControlObj::HookEvents(TChildControl& control) {
  control.SetOnFocus([this](TChildControl&) {
    SaveEnterState();
    Active = true;
    if (MasterList.Windows.OnControlFocusChange) MasterList.Windows.OnControlFocusChange();
    if (MasterList.Forms.FormEvents.OnObjectFocus && !OnFocusMessage.empty())
      MasterList.Forms.FormEvents.OnObjectFocus(*this, OnFocusMessage);
  });
  control.SetOnBlur([this](TChildControl&) {
    CheckChange();
    Active = false;
    if (MasterList.Windows.OnControlFocusChange) MasterList.Windows.OnControlFocusChange();
    if (MasterList.Forms.FormEvents.OnObjectBlur && !OnBlurMessage.empty())
      MasterList.Forms.FormEvents.OnObjectBlur(*this, OnBlurMessage);
  });
  control.SetOnClick([this](TChildControl&) {
    const std::weak_ptr<int> alive = FAlive;
    Clicked();
    if (alive.expired()) return;
    if (MasterList.Forms.FormEvents.OnObjectClick && !OnClickMessage.empty())
      MasterList.Forms.FormEvents.OnObjectClick(*this, OnClickMessage);
  });
  control.SetOnKeyDown([this](TChildControl&, int& key, TShiftState shift) { KeyDown(key, shift); });
  control.SetOnMouseMove([this](TChildControl& sender, TShiftState shift, int x, int y) {
    if (!MasterList.Windows.OnControlMouseMove) return;
    const TRect bounds = sender.BoundsRect();
    MasterList.Windows.OnControlMouseMove(shift, SatAdd(bounds.Left, x), SatAdd(bounds.Top, y));
  });
}

void TFormControlObj::CheckChange() {}

void TFormControlObj::ShowAt(int x, int y) {
  DrawX = x;
  DrawY = y;
  TChildControl* c = EnsureControl();
  if (!c) return;
  const TRect r{x, y, SatAdd(x, Width), SatAdd(y, Height)};
  if (!(c->BoundsRect() == r)) c->SetBounds(r);
  if (!c->Visible()) c->Show();
}

void TFormControlObj::HideControl() {
  if (FControl && FControl->Visible()) FControl->Hide();
}

// ---------------------------------------------------------------- section list

std::size_t TFormControlList::LowerBound(int pos) const {
  return static_cast<std::size_t>(
      std::lower_bound(Items.begin(), Items.end(), pos,
                       [](const TFormControlObj* c, int p) { return c->Pos < p; }) -
      Items.begin());
}

TFormControlObj* TFormControlList::FindControl(int pos) const {
  std::size_t k = LowerBound(pos);
  return k < Items.size() && Items[k]->Pos == pos ? Items[k] : nullptr;
}

int TFormControlList::GetWidthAt(int pos, int& hSpaceL, int& hSpaceR) const {
  hSpaceL = hSpaceR = 0;
  TFormControlObj* c = FindControl(pos);
  if (!c) return -1;
  hSpaceL = c->HSpaceL;
  hSpaceR = c->HSpaceR;
  return c->Width;
}

int TFormControlList::GetHeightAt(int pos, AlignmentType& align) const {
  align = AlignmentType::ABottom;
  TFormControlObj* c = FindControl(pos);
  if (!c) return -1;
  align = c->FormAlign;
  return static_cast<int>(std::min<long long>(
      static_cast<long long>(c->Height) + c->VSpaceT + c->VSpaceB, INT_MAX));
}

int TFormControlList::GetControlCountAt(int pos) const {
  std::size_t k = LowerBound(pos);
  return k < Items.size() ? Items[k]->Pos - pos : 9999;
}

void TFormControlList::Decrement(int pos, int n) {
  for (TFormControlObj* c : Items)
    if (c->Pos > pos) c->Pos -= n;
}

void TFormControlList::SetPercentWidths(int availableWidth) {
  for (TFormControlObj* c : Items) c->SetPercentWidth(availableWidth);
}

// ---------------------------------------------------------------- the document

std::vector<TFormControlObj*> FormTabSequence(const TSectionList& document) {
  std::vector<TFormControlObj*> seq(document.Forms.FormControlList.begin(),
                                    document.Forms.FormControlList.end());
  std::stable_sort(seq.begin(), seq.end(), [](const TFormControlObj* a, const TFormControlObj* b) {
    const long long ka = a->TabOrder >= 0 ? a->TabOrder : (1LL << 40) + a->DocIndex;
    const long long kb = b->TabOrder >= 0 ? b->TabOrder : (1LL << 40) + b->DocIndex;
    return ka < kb;
  });
  return seq;
}

void SizeFormControls(TSectionList& document, TSurface& surface) {
  for (auto& form : document.Forms.htmlFormList) form->SetSizes(surface);
  if (!document.Forms.TabOrderList.empty()) {
    int order = 0;
    for (auto& entry : document.Forms.TabOrderList) entry.second->TabOrder = order++;
    document.Forms.TabOrderList.clear();
  }
  if (document.Windows.ChildControls && !document.Forms.FormControlList.empty()) {
    std::vector<TChildControl*> order;
    for (TFormControlObj* c : FormTabSequence(document))
      if (TChildControl* native = c->GetTheControl()) order.push_back(native);
    document.Windows.ChildControls->SetTabOrder(order);
  }
}

void PaintFormControl(TSectionList& document, TFormControlObj& control, int x, int y) {
  control.FYValue = SatAdd(y, document.PaintPass.YOff);
  // A style border goes around the box: around the native control, or
  // around the imitation.
  TFormControlObj* c = &control;
  if (control.HasStyleBorder())
    document.PaintPass.DrawList.AddImage([c, x, y](TSurface& s) { c->DrawStyleBorder(s, x, y); });
  if (document.Windows.ChildControls && !document.PaintPass.Printing && !document.PaintPass.IsCopy) {
    document.Windows.WindowPlacements.push_back({&control, TPoint{x, y}});
    // A focused check box or radio button has no focus frame of its own:
    // the page draws one around it.
    const TFormControlKind kind = control.Kind();
    if (control.Active && !document.PaintPass.NoFocusRect &&
        (kind == TFormControlKind::fkCheckBox || kind == TFormControlKind::fkRadio)) {
      const TRect r{x - 2, y - 2, SatAdd(x, control.Width + 2), SatAdd(y, control.Height + 2)};
      document.PaintPass.DrawList.AddImage([r](TSurface& s) { s.DrawFocusRect(r); });
    }
    return;
  }
  control.DrawX = x;
  control.DrawY = y;
  document.PaintPass.DrawList.AddImage([c, x, y](TSurface& s) { c->Draw(s, x, y); });
}

void PlaceImageButton(TSectionList& document, TImageFormControlObj& control, int y) {
  control.FYValue = SatAdd(y, document.PaintPass.YOff);
  if (!document.Windows.ChildControls || document.PaintPass.Printing || document.PaintPass.IsCopy) return;
  // Placement adds the window origin: this keeps the control at the
  // off-screen X in the window.
  document.Windows.WindowPlacements.push_back(
      {&control, TPoint{SatAdd(ControlOffScreenX, -document.Windows.ControlOrigin.X), y}});
}

}  // namespace tav

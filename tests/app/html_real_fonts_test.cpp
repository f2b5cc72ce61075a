// Text sections with the fonts the window draws with: what layout measures
// for a line is what painting covers, whatever the faces and fallbacks.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/text/section.h"
#include "platform/surface.h"
#include "platform/testing/recording_surface.h"

namespace tav {
namespace {

TEST(HtmlRealFonts, EveryLineIsDrawnAsWideAsItWasMeasured) {
  TGraphicsDevice& device = DefaultDevice();
  const std::u16string pages[] = {
      u"Plain serif text with <b>bold words</b>, <i>italic ones</i>, <tt>monospaced code</tt>, "
      u"<font face=arial size=5>a larger sans-serif run</font> and "
      u"<span style='letter-spacing:2px'>spaced letters</span>; CJK \u4E2D\u6587\u6587\u672C "
      u"and an emoji \U0001F600 fall back to other faces. More words follow so that the text "
      u"wraps over several lines at this width.",
      u"<div style='text-align:justify'>Justified lines stretch their spaces so that both "
      u"edges line up, except for the last line of the block, which stays left.</div>",
      u"<p align=center>Centred <b>and bold</b> lines of text that wrap at the width.</p>",
  };
  for (const std::u16string& page : pages) {
    TSectionList document(device);
    {
      THtmlBuilder builder(document);
      builder.Parse(page);
    }
    auto bitmap = device.CreateBitmap(320, 400);
    int scrollWidth = 0;
    document.DoLogic(bitmap->Canvas(), 320, 400, scrollWidth);
    TRecordingSurface rec(bitmap->Canvas());
    document.Draw(rec, TRect{0, 0, 320, 400}, 6000, 0, 0);

    // Left and right ink extent by baseline, from the advances drawn.
    std::map<int, std::pair<int, int>> drawn;
    for (const TDrawCall& c : rec.Calls()) {
      if (c.Kind != TDrawCall::TKind::dcText || c.Points.empty()) continue;
      int w = 0;
      for (int a : c.Advances) w += a;
      auto [it, fresh] = drawn.try_emplace(c.Points[0].Y, c.Points[0].X, c.Points[0].X + w);
      if (!fresh) {
        it->second.first = std::min(it->second.first, c.Points[0].X);
        it->second.second = std::max(it->second.second, c.Points[0].X + w);
      }
    }
    // Every section's lines, with the x they were laid out at.
    int lines = 0;
    std::function<void(TCellBasic&, int)> walk = [&](TCellBasic& cell, int x) {
      for (auto& item : cell.Items) {
        if (auto* b = dynamic_cast<TBlock*>(item.get())) {
          walk(*b->MyCell, b->X);
        } else if (auto* s = dynamic_cast<TSection*>(item.get())) {
          for (const LineRec& l : s->Lines) {
            if (l.Ln == 0) continue;
            ++lines;
            // Sub- and superscripts aside, a line's runs share its baseline.
            auto e = drawn.find(l.Y + l.SpaceBefore + l.LineHt - l.Descent);
            ASSERT_NE(e, drawn.end()) << "line at " << l.Y;
            EXPECT_EQ(e->second.first, x + l.DrawXX) << "line at " << l.Y;
            EXPECT_EQ(e->second.second - e->second.first, l.DrawWidth) << "line at " << l.Y;
          }
        }
      }
    };
    walk(document, 0);
    EXPECT_GE(lines, 2);
  }
}

}  // namespace
}  // namespace tav

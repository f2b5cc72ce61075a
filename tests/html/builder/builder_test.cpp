// The document builder: which blocks and sections a page becomes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "html/builder/builder.h"
#include "html/layout/block.h"
#include "html/layout/document.h"
#include "html/layout/forms/form.h"
#include "html/layout/forms/form_controls.h"
#include "html/layout/text/section.h"
#include "platform/testing/fixed_metrics_device.h"
#include "temp_folder.h"
#include "util/code_page.h"

namespace tav {
namespace {

// The tree as one line: blocks as tag[...], sections as their quoted text
// (BR as |, no-break space as ~, a form control as #, an image as @), rules
// as "hr".
std::string Outline(TCellBasic& cell) {
  std::string r;
  for (auto& item : cell.Items) {
    if (!r.empty()) r += ' ';
    if (auto* b = dynamic_cast<TBlock*>(item.get())) {
      r += TextToUtf8(b->Props->PropTag) + "[" + Outline(*b->MyCell) + "]";
    } else if (auto* s = dynamic_cast<TSection*>(item.get())) {
      std::u16string t;
      for (char16_t c : s->Buff)
        t += c == BrkCh ? u'|' : c == u'\u00A0' ? u'~' : c == FmCtlChar ? u'#' : c == ImageChar ? u'@' : c;
      r += (dynamic_cast<TPreFormated*>(s) ? "pre'" : "'") + TextToUtf8(t) + "'";
    } else if (dynamic_cast<THorzLine*>(item.get())) {
      r += "hr";
    }
  }
  return r;
}

class HtmlBuilder : public testing::Test {
protected:
  std::string Build(const std::u16string& html) {
    Document.Clear();
    THtmlBuilder builder(Document);
    builder.Parse(html);
    Title = builder.Title;
    return Outline(Document);
  }
  TFixedMetricsDevice Device;
  TSectionList Document{Device};
  std::u16string Title;
};

TEST_F(HtmlBuilder, PagesBecomeBlocksAndSections) {
  const struct {
    const char16_t* html;
    const char* outline;
  } cases[] = {
      {u"plain text", "body['plain text ']"},
      {u"</br>a", "body['a ']"},
      {u"a<br>b<br>", "body['a|b ']"},
      {u"<p>one<p>two", "body[p['one '] p['two ']]"},
      {u"<p></p><p>x", "body[p['x ']]"},
      {u"<p>one</p>between<p>two", "body[p['one '] 'between ' p['two ']]"},
      {u"<div>a<p>b</div>c", "body[div['a ' p['b ']] 'c ']"},
      {u"<h2>Head</h2>text", "body[h2['Head '] 'text ']"},
      {u"<h1>a<p>b", "body[h1['a '] p['b ']]"},
      {u"a<hr>b", "body['a ' hr[hr] 'b ']"},
      {u"<center>c</center>d", "body['c ' 'd ']"},
      // Preformatted lines keep their spaces; the block ends at a table
      // start or a cell end as well as at its own end.
      {u"<pre>\na  b\n c</pre>d", "body[pre[pre'a  b ' pre' c '] 'd ']"},
      // PRE ends at a table; text before any cell goes before the table.
      {u"<pre>x<table>y", "body[pre[pre'x '] 'y ' table[]]"},
      {u"<pre>x</td>y", "body[pre[pre'x '] 'y ']"},
      {u"<pre>a<b>b</b>&amp;c</pre>", "body[pre[pre'ab&c ']]"},
      // Lists: items hold their content; an empty item gets a no-break
      // space so that its marker has a line.
      {u"<ul><li>a<li>b</ul>", "body[ul[li['a '] li['b ']]]"},
      {u"<ul><li></ul>", "body[ul[li['~ ']]]"},
      {u"<ul></ul>x", "body[ul[] 'x ']"},
      {u"<ul><li>a<ol><li>b</ol>c</ul>", "body[ul[li['a ' ol[li['b ']] 'c ']]]"},
      {u"<ul><li>a<ul><li>b</ul></ul>d", "body[ul[li['a ' ul[li['b ']]]] 'd ']"},
      {u"<dl><dt>t<dd>d</dl>", "body[dl[dt['t '] dd['d ']]]"},
      {u"<li>alone<li>again", "body[li['alone '] li['again ']]"},
      {u"<blockquote>q</blockquote>", "body[blockquote['q ']]"},
      // Head content produces nothing where it stands.
      {u"<title>T</title><style>p{color:red}</style><script>x<y</script>b",
       "body['b ']"},
      {u"<p>a<span>b</span><b>c</b>d", "body[p['abcd ']]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Build(c.html), c.outline) << TextToUtf8(c.html);
  }
}

TEST_F(HtmlBuilder, ElementsWithoutABuildOfTheirOwn) {
  const struct {
    const char16_t* html;
    const char* outline;
  } cases[] = {
      // Tags nothing is built for leave the paragraph open: their text stays
      // in its line.
      {u"<p>Press <button>OK</button> now</p>", "body[p['Press OK now ']]"},
      {u"<p>a <foo>b</foo> c<p>d", "body[p['a b c '] p['d ']]"},
      {u"<h3>a <button>b</button></h3>c", "body[h3['a b '] 'c ']"},
      // The later block elements are blocks as DIV is, and end a paragraph.
      {u"<section><h2>T</h2><p>x</section>y", "body[section[h2['T '] p['x ']] 'y ']"},
      {u"<p>a<article>b</article>c", "body[p['a '] article['b '] 'c ']"},
      {u"<header>h</header><nav>n</nav><main>m</main><aside>s</aside><footer>f</footer>",
       "body[header['h '] nav['n '] main['m '] aside['s '] footer['f ']]"},
      {u"<figure><img src=x><figcaption>c</figcaption></figure>",
       "body[figure['@ ' figcaption['c ']]]"},
      {u"<details><summary>s</summary>d</details>", "body[details[summary['s '] 'd ']]"},
      // An end tag of an enclosing block closes the blocks inside it.
      {u"<section><div>a</section>b", "body[section[div['a ']] 'b ']"},
      {u"<section><aside>a</section>b", "body[section[aside['a ']] 'b ']"},
      // A drawing in the page shows none of its content, nested or not.
      {u"<p>a<svg width=9><title>t</title><svg><text>x</text></svg>y</svg>b",
       "body[p['ab ']]"},
      {u"<p>a<svg/>b<svg width=1/>c<svg></svg>d", "body[p['abcd ']]"},
      {u"<pre>a<svg><text>x</text></svg>b</pre>", "body[pre[pre'ab ']]"},
      {u"<p>a<svg>b", "body[p['a ']]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Build(c.html), c.outline) << TextToUtf8(c.html);
  }
}

// Forms and controls: the outline, then each control as kind@form.
TEST_F(HtmlBuilder, FormsAndTheirControls) {
  const struct {
    const char16_t* html;
    const char* outline;
    const char* controls;
  } cases[] = {
      {u"<form action=a>x<input>y</form>z<input type=checkbox>", "body[form['x#y '] 'z# ']",
       "edit@0 checkbox@1"},
      {u"<form><input type=submit><input type=reset><input type=button><input type=radio>",
       "body[form['#### ']]", "button@0 button@0 button@0 radio@0"},
      {u"<select><option>a</select>b<textarea>t</textarea>c", "body['#b#c ']", "combo@0 textarea@0"},
      // A SELECT without its end tag ends at the next element.
      {u"<select size=2><option>x<p>b", "body['# ' p['b ']]", "listbox@0"},
      {u"<input type=hidden>x<input type=image src=x>", "body['x@ ']", "hidden@0 image@0"},
      {u"<input type=file>", "body['## ']", "edit@0 button@0"},
      {u"<pre>a<input>b</pre>", "body[pre[pre'a#b ']]", "edit@0"},
      // Inside PRE the options and the text area's text stay out of the
      // line; the characters after the end tags go on in it.
      {u"<pre>a<select><option>one\n<option>two</select>b\nc</pre>",
       "body[pre[pre'a#b ' pre'c ']]", "combo@0"},
      {u"<pre>a<textarea>t\nu</textarea>b</pre>", "body[pre[pre'a#b ']]", "textarea@0"},
      // Ended by another tag, which then counts as met in the PRE.
      {u"<pre>a<select size=2><option>x<b>y</b></pre>z", "body[pre[pre'a#y '] 'z ']",
       "listbox@0"},
      {u"<pre>a<select><option>x</pre>z", "body[pre[pre'a# '] 'z ']", "combo@0"},
      {u"<pre>a<textarea>t", "body[pre[pre'a# ']]", "textarea@0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Build(c.html), c.outline) << TextToUtf8(c.html);
    std::string controls;
    for (TFormControlObj* control : Document.Forms.FormControlList) {
      std::size_t form = 0;
      while (Document.Forms.htmlFormList.at(form).get() != control->MyForm) ++form;
      controls += (controls.empty() ? "" : " ") + std::string(control->KindName()) + "@" +
                  std::to_string(form);
    }
    EXPECT_EQ(controls, c.controls) << TextToUtf8(c.html);
  }
}

TEST_F(HtmlBuilder, ControlsReadTheirAttributesOptionsAndText) {
  Build(u"<form method=post action=/x target=t enctype=e>"
        u"<input name=n value=v title=hint id=Ed tabindex=3 onclick=c onfocus=f onblur=b "
        u"onchange=g readonly disabled=no>"
        u"<input disabled><select><option value=1>  two   words <option selected></select>"
        u"<textarea><b>x</b> &amp;</textarea></form>");
  const ThtmlForm& form = *Document.Forms.htmlFormList.at(0);
  EXPECT_EQ(form.Method, u"post");
  EXPECT_EQ(form.Action, u"/x");
  EXPECT_EQ(form.Target, u"t");
  EXPECT_EQ(form.EncType, u"e");
  EXPECT_EQ(form.NonHiddenCount, 4);
  const TFormControlObj& edit = *Document.Forms.FormControlList.at(0);
  EXPECT_EQ(edit.FName, u"n");
  EXPECT_EQ(edit.Value, u"v");
  EXPECT_EQ(edit.FTitle, u"hint");
  EXPECT_EQ(edit.TabIndex, 3);
  EXPECT_EQ(edit.OnClickMessage + edit.OnFocusMessage + edit.OnBlurMessage + edit.OnChangeMessage,
            u"cfbg");
  EXPECT_TRUE(edit.Readonly);
  EXPECT_FALSE(edit.Disabled);
  EXPECT_TRUE(Document.Forms.FormControlList.at(1)->Disabled);
  EXPECT_TRUE(Document.Links.IDNameList.count(u"ED"));
  EXPECT_EQ(Document.Forms.TabOrderList.size(), 1u);
  const auto& select = dynamic_cast<const TComboFormControlObj&>(*Document.Forms.FormControlList.at(2));
  ASSERT_EQ(select.Options.size(), 2u);
  EXPECT_EQ(select.Options[0].Text, u"two words");
  EXPECT_EQ(select.Options[0].Value, u"1");
  EXPECT_EQ(select.Options[1].Text, u" ");
  EXPECT_EQ(select.ItemIndex(), 1);
  const auto& area = dynamic_cast<const TTextAreaFormControlObj&>(*Document.Forms.FormControlList.at(3));
  EXPECT_EQ(area.Text(), u"<b>x</b> &amp;");  // raw: no tags, no references
}

TEST_F(HtmlBuilder, TitleIsJoinedAndTrimmed) {
  Build(u"<title> A <b>B</b> </title>x");
  EXPECT_EQ(Title, u"A");
  Build(u"<title>One two</title>");
  EXPECT_EQ(Title, u"One two");
}

TEST_F(HtmlBuilder, ListItemsAreNumberedFromStartAndValue) {
  Build(u"<ol type=i start=24><li>a<li>b<li value=-3>c<li>d</ol><ul><li>x<ul><li>y<ul><li>z"
        u"</ul></ul></ul><ul plain><li>p</ul>");
  auto& body = dynamic_cast<TBlock&>(*Document.Items[0]);
  auto& ol = dynamic_cast<TBlock&>(*body.MyCell->Items[0]);
  std::vector<int> numbers;
  for (auto& item : ol.MyCell->Items) {
    auto& li = dynamic_cast<TBlockLI&>(*item);
    EXPECT_EQ(li.ListStyleType, ListBulletType::lbLowerRoman);
    numbers.push_back(li.ListNumb);
  }
  EXPECT_EQ(numbers, (std::vector<int>{24, 25, -3, -2}));
  // Bullets by nesting level: disc, circle, square; a plain list none.
  TCellBasic* cell = body.MyCell.get();
  const ListBulletType levels[] = {ListBulletType::lbDisc, ListBulletType::lbCircle,
                                   ListBulletType::lbSquare};
  for (ListBulletType expected : levels) {
    auto& ul = dynamic_cast<TBlock&>(*cell->Items[1]);
    auto& li = dynamic_cast<TBlockLI&>(*ul.MyCell->Items[0]);
    EXPECT_EQ(li.ListStyleType, expected);
    cell = li.MyCell.get();
  }
  auto& plain = dynamic_cast<TBlock&>(*body.MyCell->Items[2]);
  EXPECT_EQ(dynamic_cast<TBlockLI&>(*plain.MyCell->Items[0]).ListStyleType, ListBulletType::lbBlank);
  // Numbers at the end of the int range stay there instead of wrapping.
  const struct {
    const char16_t* Html;
    std::size_t Items;
  } atTheEnd[] = {{u"<ol><li value=99999999999>a<li>b<li>c</ol>", 3},
                  {u"<ol start=2147483647><li>a<li>b</ol>", 2}};
  for (const auto& [html, items] : atTheEnd) {
    Build(html);
    std::vector<int> last;
    std::function<void(TCellBasic&)> collect = [&](TCellBasic& c) {
      for (auto& item : c.Items) {
        if (auto* li = dynamic_cast<TBlockLI*>(item.get())) last.push_back(li->ListNumb);
        if (auto* b = dynamic_cast<TBlock*>(item.get())) collect(*b->MyCell);
      }
    };
    collect(Document);
    EXPECT_EQ(last, std::vector<int>(items, INT_MAX)) << TextToUtf8(html);
  }
}

// Every list item's marker in document order.
void CollectMarkers(TCellBasic& cell, std::vector<ListBulletType>& out) {
  for (auto& item : cell.Items) {
    if (auto* li = dynamic_cast<TBlockLI*>(item.get())) out.push_back(li->ListStyleType);
    if (auto* b = dynamic_cast<TBlock*>(item.get())) CollectMarkers(*b->MyCell, out);
  }
}

// TYPE on a list chooses its items' marker; TYPE on an LI chooses its own
// and that of the items after it in the list.
TEST_F(HtmlBuilder, ListAndItemTypeChooseTheMarker) {
  using LB = ListBulletType;
  const struct {
    const char16_t* html;
    std::vector<LB> markers;
  } cases[] = {
      {u"<ul type=square><li>a<li>b</ul>", {LB::lbSquare, LB::lbSquare}},
      {u"<ul type=CIRCLE><li>a</ul>", {LB::lbCircle}},
      {u"<ul type=bogus><li>a</ul>", {LB::lbDisc}},
      {u"<ul type=none><li>a</ul>", {LB::lbBlank}},
      {u"<ul><li type=square>a<li>b</ul><ul><li>c</ul>", {LB::lbSquare, LB::lbSquare, LB::lbDisc}},
      {u"<ul><li>a<li type=circle>b<li type=i>c</ul>", {LB::lbDisc, LB::lbCircle, LB::lbCircle}},
      {u"<ol><li>a<li type=a>b<li>c<li type=I>d</ol>",
       {LB::lbDecimal, LB::lbLowerAlpha, LB::lbLowerAlpha, LB::lbUpperRoman}},
      {u"<ol type=A><li type=1>a<li type=disc>b</ol>", {LB::lbDecimal, LB::lbDecimal}},
      {u"<ol type=x><li>a</ol>", {LB::lbDecimal}},
      {u"<ul type=square><li>a<ul><li>nested</ul></ul>", {LB::lbSquare, LB::lbCircle}},
      {u"<li type=square>alone", {LB::lbSquare}},
  };
  for (const auto& c : cases) {
    Build(c.html);
    std::vector<LB> markers;
    CollectMarkers(Document, markers);
    EXPECT_EQ(markers, c.markers) << TextToUtf8(c.html);
  }
}

TEST_F(HtmlBuilder, FontSizesAreRelativeToTheBaseAndClamped) {
  const struct {
    const char16_t* html;
    double points;  // size 5 is 18 pt and size 7 36 pt at the default 12 pt
  } cases[] = {
      {u"a<font size=+2>b", 18},
      {u"a<font size=+9>b", 36},
      {u"a<font size=-9>b", 8},
      {u"<basefont size=5>a<font size=+1>b", 24},
      {u"a<font size=7>b", 36},
      // Sizes past the int range stay clamped instead of overflowing.
      {u"a<font size=+99999999999999>b", 36},
      {u"a<font size=-99999999999999>b", 8},
  };
  for (const auto& c : cases) {
    Build(c.html);
    auto& body = dynamic_cast<TBlock&>(*Document.Items[0]);
    auto& s = dynamic_cast<TSection&>(*body.MyCell->Items[0]);
    ASSERT_GE(s.Fonts.Count(), 2) << TextToUtf8(c.html);
    EXPECT_EQ(s.Fonts[s.Fonts.Count() - 1].TheFont.Desc.Height,
              -MulDiv(static_cast<int>(c.points), 96, 72))
        << TextToUtf8(c.html);
  }
}

// The text after BASEFONT takes its size (size 5 is 18 pt, 2 is 10 pt,
// 7 is 36 pt and 1 is 8 pt); the text before keeps the default 12 pt.
// (path of the section below the body, its run, points)
TEST_F(HtmlBuilder, BaseFontSizesTheTextAfterIt) {
  const struct {
    const char16_t* html;
    std::vector<int> path;  // block indices, then the section
    int run;                // -1: the last run
    int points;
  } cases[] = {
      {u"a<basefont size=5>b", {0}, 0, 12},
      {u"a<basefont size=5>b", {0}, -1, 18},
      {u"<basefont size=5><p>x</p>y", {0, 0}, 0, 18},
      {u"<basefont size=5><p>x</p>y", {1}, 0, 18},
      // It outlives the element it stood in, and the element's own look.
      {u"<b><basefont size=2>x</b>y", {0}, -1, 10},
      {u"<p><basefont size=2>x</p><h1>h</h1>", {1, 0}, 0, 24},
      // A later BASEFONT replaces the earlier one; one without a size does
      // nothing.
      {u"<basefont size=7><basefont size=1>x<basefont>y", {0}, -1, 8},
      {u"<basefont size=6><font size=-1>x</font>y", {0}, -1, 24},
  };
  for (const auto& c : cases) {
    Build(c.html);
    TCellBasic* cell = dynamic_cast<TBlock&>(*Document.Items.at(0)).MyCell.get();
    for (std::size_t k = 0; k + 1 < c.path.size(); ++k)
      cell = dynamic_cast<TBlock&>(*cell->Items.at(static_cast<std::size_t>(c.path[k]))).MyCell.get();
    auto* section = dynamic_cast<TSection*>(cell->Items.at(static_cast<std::size_t>(c.path.back())).get());
    ASSERT_NE(section, nullptr) << TextToUtf8(c.html);
    int run = c.run < 0 ? section->Fonts.Count() - 1 : c.run;
    EXPECT_EQ(section->Fonts[run].TheFont.Desc.Height, -MulDiv(c.points, 96, 72)) << TextToUtf8(c.html);
  }
}

// A text indent in em is the length of the element that gave it: the
// paragraph's even when its text starts inside CODE, an ancestor's when the
// paragraph inherits it. Percentages stay percentages.
TEST_F(HtmlBuilder, TextIndentIsMeasuredWhereItWasGiven) {
  const struct {
    const char16_t* html;
    int indent;
    bool percent;
  } cases[] = {
      {u"<p style='text-indent:2em'>text", 32, false},
      {u"<p style='text-indent:2em'><code>code</code> text", 32, false},
      {u"<p style='text-indent:2em'><small><b>x</b></small>", 32, false},
      {u"<p style='text-indent:1ex; font-size:24pt'><tt>x</tt>", 16, false},
      {u"<div style='text-indent:1em; font-size:24pt'><p style='font-size:12pt'>x", 32, false},
      {u"<p style='text-indent:10%'><code>x</code>", 10, true},
  };
  for (const auto& c : cases) {
    Build(c.html);
    TCellBasic* cell = &Document;
    TSection* section = nullptr;
    while (!section) {
      TSectionBase* first = cell->Items.at(0).get();
      if (auto* b = dynamic_cast<TBlock*>(first)) cell = b->MyCell.get();
      else section = dynamic_cast<TSection*>(first);
    }
    EXPECT_EQ(section->FirstLineIndent, c.indent) << TextToUtf8(c.html);
    EXPECT_EQ(section->FLPercent, c.percent) << TextToUtf8(c.html);
  }
}

// Text under white-space: pre and pre-wrap keeps its spaces, TABs and line
// ends (one line each); nowrap and normal fold white space as ever.
TEST_F(HtmlBuilder, WhiteSpaceKeepsOrFoldsText) {
  const struct {
    const char16_t* html;
    const char* outline;
  } cases[] = {
      {u"<div style='white-space:pre'>a  b\n c</div>d", "body[div[pre'a  b ' pre' c '] 'd ']"},
      {u"<div style='white-space:pre-wrap'>a  b\n\n c\n</div>", "body[div[pre'a  b ' pre' ' pre' c ']]"},
      {u"<div style='white-space:pre'>x\ty</div>", "body[div[pre'x       y ']]"},
      {u"<div style='white-space:pre'>a<b> b </b>c</div>", "body[div[pre'a b c ']]"},
      {u"<style>.k{white-space:pre}</style><div class=k><p>in  p</p></div>", "body[div[p[pre'in  p ']]]"},
      {u"<div style='white-space:nowrap'>a  b\n c</div>", "body[div['a b c ']]"},
      {u"<div style='white-space:normal'>a  b\n c</div>", "body[div['a b c ']]"},
      {u"<div style='white-space:pre'>a</div> b  c", "body[div[pre'a '] 'b c ']"},
      // Inside a line of ordinary text the kept spaces are no-break spaces
      // and a line end a break; under pre-wrap a run's last space breaks.
      {u"<p>a <span style='white-space:pre'>x  y\nz</span>  b", "body[p['a x~~y|z b ']]"},
      {u"<p>a <span style='white-space:pre-wrap'>x   y</span>", "body[p['a x~~ y ']]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Build(c.html), c.outline) << TextToUtf8(c.html);
  Build(u"<div style='white-space:pre-wrap'>a b</div><div style='white-space:pre'>c d</div>");
  auto& body = dynamic_cast<TBlock&>(*Document.Items[0]);
  auto line = [&](int i) -> TSection& {
    return dynamic_cast<TSection&>(*dynamic_cast<TBlock&>(*body.MyCell->Items.at(static_cast<std::size_t>(i))).MyCell->Items.at(0));
  };
  EXPECT_TRUE(line(0).WrapsLines);
  EXPECT_EQ(line(0).Brk.substr(0, 3), "yyy");
  EXPECT_FALSE(line(1).WrapsLines);
  EXPECT_EQ(line(1).Brk.substr(0, 3), "nnn");
}

// A TAB in preformatted text moves to the next multiple of 8 characters
// from the line's start, counting characters of every font alike; outside
// it a TAB is a space.
TEST_F(HtmlBuilder, TabsInPreformattedTextReachTheNextEighthColumn) {
  const struct {
    const char16_t* html;
    const char* outline;
  } cases[] = {
      {u"<pre>a\tb\n\tc\n1234567\tx\n12345678\ty</pre>",
       "body[pre[pre'a       b ' pre'        c ' pre'1234567 x ' pre'12345678        y ']]"},
      {u"<pre><b>ab</b>\t<i>c</i>\t\td</pre>", "body[pre[pre'ab      c               d ']]"},
      {u"<pre>a<br>\tb</pre>", "body[pre[pre'a ' pre'        b ']]"},
      {u"<pre>\t</pre>", "body[pre[pre'         ']]"},
      {u"a\tb", "body['a b ']"},
      {u"<pre wrap>a\tb</pre>", "body[pre['a b ']]"},
  };
  for (const auto& c : cases) EXPECT_EQ(Build(c.html), c.outline) << TextToUtf8(c.html);
}

TEST_F(HtmlBuilder, NamesAndIdsAreRegisteredUpperCased) {
  Build(u"<p id=Intro>a<a name='#Top'>t</a><div id=box>b</div>");
  EXPECT_EQ(Document.Links.IDNameList.count(u"INTRO"), 1u);
  EXPECT_EQ(Document.Links.IDNameList.count(u"TOP"), 1u);
  EXPECT_EQ(Document.Links.IDNameList.count(u"BOX"), 1u);
  // Any element's ID: inline ones name their place in the text.
  Build(u"<section id=s><h2 id=h>a <span id=sp>b</span><em id=em>c</em></h2>"
        u"<a id=an href=x>d</a><font id=f>e</font><foo id=u>f</foo><button id=bu>g</button>"
        u"</section>");
  for (const char16_t* id : {u"S", u"H", u"SP", u"EM", u"AN", u"F", u"U", u"BU"})
    EXPECT_EQ(Document.Links.IDNameList.count(id), 1u) << TextToUtf8(id);
  const TIDObject& span = Document.Links.IDNameList[u"SP"];
  ASSERT_NE(dynamic_cast<TSection*>(span.Item), nullptr);
  EXPECT_EQ(dynamic_cast<TSection*>(span.Item)->Buff.substr(static_cast<std::size_t>(span.ChPos), 1),
            u"b");
  // An anchor in an otherwise empty place keeps its section.
  Build(u"<a name=end></a>");
  ASSERT_EQ(Document.Links.IDNameList.count(u"END"), 1u);
  EXPECT_NE(Document.Links.IDNameList[u"END"].Item, nullptr);
}

TEST_F(HtmlBuilder, InlineSymbolsStayInsideAParagraph) {
  for (Symb s : {TextSy, BSy, BEndSy, SpanSy, SpanEndSy, ASy, AEndSy, FontSy, FontEndSy, BRSy,
                 ImageSy, InputSy, SelectSy, TextAreaSy, NoBrSy, WbrSy, ScriptSy, StyleSy, CommandSy})
    EXPECT_TRUE(InlineSymbols().Contains(s)) << SymbName(s);
  for (Symb s : {PSy, PEndSy, DivSy, DivEndSy, HeadingSy, TableSy, TDSy, LISy, ULSy, PreSy, HRSy,
                 Centersy, BlockQuoteSy, FormSy, EofSy})
    EXPECT_FALSE(InlineSymbols().Contains(s)) << SymbName(s);
}

// 100,000 nested DIVs: block tags beyond the nesting cap are ignored, so
// building, layout, painting and destruction stay within the stack.
TEST_F(HtmlBuilder, DeepNestingIsCapped) {
  std::u16string html;
  for (int i = 0; i < 100000; ++i) html += u"<div>";
  html += u"deep";
  for (int i = 0; i < 100000; ++i) html += u"</div>";
  const auto start = std::chrono::steady_clock::now();
  Build(html);
  int depth = 0;
  for (TCellBasic* cell = &Document; !cell->Items.empty();) {
    auto* b = dynamic_cast<TBlock*>(cell->Items[0].get());
    if (!b) break;
    cell = b->MyCell.get();
    ++depth;
  }
  EXPECT_LE(depth, MaxBlockNesting + 1);
  auto surface = Device.CreateSurface(300, 200);
  int scrollWidth = 0;
  Document.DoLogic(*surface, 300, 200, scrollWidth);
  Document.Draw(*surface, TRect{0, 0, 300, 200}, 6000, 0, 0);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

// A comment left open at the end stops the parse wherever it stands, also
// inside a table cell or a caption that is still being read and goes with
// the stop: what was built before stays, the text pending in the cell goes,
// and the document lays out and paints.
TEST_F(HtmlBuilder, OpenCommentAtTheEndStopsTheParse) {
  const struct {
    const char16_t* Html;
    const char* Outline;
  } cases[] = {
      {u"<p>before</p>text<!-- open", "body[p['before '] 'text ']"},
      {u"<p>before</p><table><tr><td>cell<!-- open", "body[p['before ']]"},
      {u"<p>before</p><table><caption>title<!-- open", "body[p['before ']]"},
      {u"<p>before</p><table><tr><td><table><tr><td>inner<!-- open", "body[p['before ']]"},
      {u"<p>before</p><table><tr><td><ul><li>item<!-- open", "body[p['before ']]"},
      {u"<ul><li>item<!-- open", "body[ul[li['item ']]]"},
  };
  for (const auto& [html, outline] : cases) {
    EXPECT_EQ(Build(html), outline) << TextToUtf8(html);
    auto surface = Device.CreateSurface(300, 200);
    int scrollWidth = 0;
    Document.DoLogic(*surface, 300, 200, scrollWidth);
    Document.Draw(*surface, TRect{0, 0, 300, 200}, 6000, 0, 0);
  }
}

// LINK style sheets are read from local files through the safe reader and
// decoded as local text: a UTF-8 sheet applies; a FIFO, a device or a
// missing file is ignored at once.
TEST_F(HtmlBuilder, LinkedStyleSheets) {
  test::TempFolder folder("tav-link");
  const std::u16string rule = u"p { color: #00ff00; font-family: Caf\u00E9 }";
  ASSERT_TRUE(test::WriteFile(folder.File("utf8.css"), TextToUtf8(rule)));
  ASSERT_TRUE(test::WriteFile(folder.File("ansi.css"), "p { color: #00ff00; font-family: Caf\xE9 }"));
  {
    // The same rule in UTF-16LE with its mark.
    std::string utf16 = "\xFF\xFE";
    for (char16_t ch : rule) {
      utf16 += static_cast<char>(ch & 0xFF);
      utf16 += static_cast<char>(ch >> 8);
    }
    ASSERT_TRUE(test::WriteFile(folder.File("utf16.css"), utf16));
  }
  ASSERT_EQ(::mkfifo(folder.File("fifo.css").c_str(), 0600), 0);
  const struct {
    std::string href;
    bool applied;
  } cases[] = {
      {folder.File("utf8.css"), true},
      {folder.File("ansi.css"), true},
      {folder.File("utf16.css"), true},
      {"file://" + folder.File("utf8.css"), true},
      {folder.File("fifo.css"), false},
      {"/dev/zero", false},
      {folder.File("missing.css"), false},
  };
  for (const auto& c : cases) {
    auto start = std::chrono::steady_clock::now();
    Build(u"<link rel=stylesheet href=\"" + Utf8ToText(c.href) + u"\"><p>x");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.href;
    auto& block = dynamic_cast<TBlock&>(*dynamic_cast<TBlock&>(*Document.Items.at(0)).MyCell->Items.at(0));
    const TMyFont& font = dynamic_cast<TSection&>(*block.MyCell->Items.at(0)).Fonts[0].TheFont;
    EXPECT_EQ(ColorToRGB(font.Color), c.applied ? 0x00FF00u : ColorToRGB(clBlack)) << c.href;
    EXPECT_EQ(font.Desc.Face == u"Caf\u00E9", c.applied) << c.href << " " << TextToUtf8(font.Desc.Face);
  }
}

// The first paragraph's property set (a P directly in the body).
const TProperties& FirstParagraph(TSectionList& document) {
  auto& body = dynamic_cast<TBlock&>(*document.Items.at(0));
  return *dynamic_cast<TBlock&>(*body.MyCell->Items.at(0)).Props;
}

std::string TextProp(const TProperties& props, PropIndices index) {
  return TextToUtf8(AsText(props.Get(index)));
}

// A LINK's MEDIA decides whether its sheet is read, tested against the
// width the document is built for; a local sheet's name is read without
// its query or fragment.
TEST_F(HtmlBuilder, LinkedSheetsForTheScreenOnly) {
  test::TempFolder folder("tav-link-media");
  ASSERT_TRUE(test::WriteFile(folder.File("s.css"), "p { text-indent: 4px }"));
  const std::u16string sheet = Utf8ToText(folder.File("s.css"));
  const struct {
    std::u16string attributes;
    int width;
    bool applied;
  } cases[] = {
      {u"href=\"" + sheet + u"\"", 800, true},
      {u"href=\"" + sheet + u"\" media=screen", 800, true},
      {u"href=\"" + sheet + u"\" media=all", 800, true},
      {u"href=\"" + sheet + u"\" MEDIA=\"print, Screen\"", 800, true},
      {u"href=\"" + sheet + u"\" media=print", 800, false},
      {u"href=\"" + sheet + u"\" media=handheld", 800, false},
      {u"href=\"" + sheet + u"\" media=\"screen and (max-width: 600px)\"", 500, true},
      {u"href=\"" + sheet + u"\" media=\"screen and (max-width: 600px)\"", 800, false},
      {u"href=\"" + sheet + u"?2022.1\"", 800, true},
      {u"href=\"" + sheet + u"#a\"", 800, true},
      {u"href=\"file://" + sheet + u"?v=1#x\"", 800, true},
  };
  for (const auto& c : cases) {
    Document.Styles.MediaWidth = c.width;
    Build(u"<link rel=stylesheet " + c.attributes + u"><p>x");
    EXPECT_EQ(TextProp(FirstParagraph(Document), PropIndices::TextIndent), c.applied ? "4px" : "")
        << TextToUtf8(c.attributes) << " at " << c.width;
  }
}

// @import reads local sheets relative to the sheet that names them, before
// that sheet's own rules, each file once and at most four deep; an import
// for other media, after a rule, remote or missing is ignored.
TEST_F(HtmlBuilder, ImportedSheets) {
  test::TempFolder folder("tav-import");
  ASSERT_EQ(::mkdir(folder.File("sub").c_str(), 0700), 0);
  const std::pair<const char*, const char*> files[] = {
      {"main.css",
       "@charset \"utf-8\"; @import url(sub/a.css); @import url(http://example.invalid/r.css);"
       "@import \"missing.css\"; p { font-family: Own }"},
      {"sub/a.css",
       "@import \"b.css\" screen; @import 'print.css' print;"
       "p { color: #00ff00; font-family: Imported; margin-top: 1px }"},
      // Back to the first sheet: read already, so the cycle ends here.
      {"sub/b.css", "@import url(\"../main.css\"); p { margin-left: 7px; margin-top: 2px }"},
      {"sub/print.css", "p { margin-right: 9px }"},
      {"late.css", "p { padding-left: 3px }"},
      {"q.css", "p { padding-right: 5px }"},
  };
  for (const auto& [name, text] : files) ASSERT_TRUE(test::WriteFile(folder.File(name), text));
  Document.CurrentFile = folder.File("page.html");
  Build(u"<link rel=stylesheet href=main.css><style>@import url(q.css?3); p { x: 1 }"
        u" @import 'late.css';</style><p>x");
  const TProperties& p = FirstParagraph(Document);
  EXPECT_EQ(ColorToRGB(static_cast<TColor>(std::get<int>(p.Get(PropIndices::Color)))), 0x00FF00u);
  EXPECT_EQ(TextProp(p, PropIndices::FontFamily), "own");       // the sheet's own rule last
  EXPECT_EQ(TextProp(p, PropIndices::MarginTop), "1px");        // a's rule after b's
  EXPECT_EQ(TextProp(p, PropIndices::MarginLeft), "7px");       // b beside a, not beside main
  EXPECT_EQ(TextProp(p, PropIndices::MarginRight), "");         // print only
  EXPECT_EQ(TextProp(p, PropIndices::PaddingRight), "5px");     // from a STYLE element
  EXPECT_EQ(TextProp(p, PropIndices::PaddingLeft), "");         // after a rule

  // A chain of imports: the fifth level down is not read.
  using P = PropIndices;
  const std::pair<const char*, P> properties[] = {
      {"margin-top", P::MarginTop},     {"margin-bottom", P::MarginBottom},
      {"margin-left", P::MarginLeft},   {"margin-right", P::MarginRight},
      {"padding-top", P::PaddingTop},   {"padding-bottom", P::PaddingBottom}};
  for (int level = 0; level < 6; ++level) {
    std::string text = "p { " + std::string(properties[level].first) + ": 1px }";
    if (level < 5) text = "@import \"d" + std::to_string(level + 1) + ".css\";" + text;
    ASSERT_TRUE(test::WriteFile(folder.File("d" + std::to_string(level) + ".css"), text));
  }
  Build(u"<link rel=stylesheet href=d0.css><p>x");
  const TProperties& q = FirstParagraph(Document);
  for (int level = 0; level < 6; ++level)
    EXPECT_EQ(TextProp(q, properties[level].second), level < 5 ? "1px" : "")
        << properties[level].first;
}

}  // namespace
}  // namespace tav

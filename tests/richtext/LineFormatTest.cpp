#include "richtext/LineFormat.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

#include "LogCapture.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "support/DynamicArrays.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int64_t kPt = 12700;
constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

CharProps Style(double points = 12) {
  CharProps props;
  props.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  props.size = int16_t(points * 4);
  props.color = kBlackKolor;
  return props;
}

double TextWidth(const QString& text) {
  return QFontMetricsF(FontForProperties(Style()), TextReferenceDevice()).horizontalAdvance(text);
}

struct Line {
  uint32_t first = 0, end = 0, reason = 0;
  float leftEdge = 0, textWidth = 0, rightEdge = 0, height = 0, baseline = 0;
  uint32_t lineKind = 0;
  QString text;  // the typeset text of its segments
};

class FormatLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }
  void TearDown() override { ReleaseLineFormat(&lf); }

  // A new document of the body text in DejaVu Sans 12, every paragraph
  // with the properties. (The builder adds the closing mark.)
  void Build(const QString& text, const std::function<void(ParaProps&)>& para = {}) {
    ReleaseLineFormat(&lf);
    made = std::make_unique<RichTextBuilder>();
    doc = made->doc();
    RichTextBuilder& builder = *made;
    builder.text(text);
    Properties chars;
    InitProperties(kCharProperties, &chars, nullptr);
    chars.body.charProps = Style();
    builder.charRun(kBody, IndexForProperties(doc, &chars));
    if (para) builder.paraRun(kBody, ParaIndex(para));
  }

  uint32_t ParaIndex(const std::function<void(ParaProps&)>& change) {
    Properties record;
    SetBaseProperties(kParaProperties, &record);
    change(record.body.para);
    return IndexForProperties(doc, &record);
  }

  Line Format(uint32_t cp, double width, uint32_t flags = kLineKeepRuns) {
    EXPECT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, flags));
    FormatLine(cp, int64_t(width * kPt), &lf);
    Line line{lf.firstCp, lf.endCp, lf.breakReason, lf.leftEdge, lf.textWidth, lf.rightEdge, lf.lineHeight,
              lf.baseline, lf.lineKind, {}};
    for (const LineRun& run : lf.runs) {
      if (run.head().kind == kRunText) line.text += LineSegmentTypesetText(&run.segment);
    }
    return line;
  }

  // Every line of the body.
  std::vector<Line> Lines(double width, uint32_t flags = kLineKeepRuns) {
    std::vector<Line> lines;
    uint32_t cp = kBody;
    while (cp < doc->textLimit && lines.size() < 1000) {
      lines.push_back(Format(cp, width, flags));
      if (lines.back().end <= cp) {
        ADD_FAILURE() << "no progress at " << cp;
        break;
      }
      cp = lines.back().end;
    }
    return lines;
  }

  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  LineFormat lf;
};

bool LetterOrDigit(char16_t c) { return QChar(c).isLetterOrNumber(); }

TEST_F(FormatLineTest, WordsBreakInsideOnlyAtTheStartOfALine) {
  const QString text = QStringLiteral(
      "Pack my box with 5 dozen liquor jugs, 1234 and 56789 more; the quick brown fox jumps over 42 lazy dogs.\n");
  Build(text);
  for (double width = 40; width <= 220; width += 9) {
    for (const Line& line : Lines(width)) {
      if (line.reason != kBreakWrapped) continue;
      const char16_t before = text.at(qsizetype(line.end - kBody - 1)).unicode();
      const char16_t after = text.at(qsizetype(line.end - kBody)).unicode();
      EXPECT_FALSE(LetterOrDigit(before) && LetterOrDigit(after)) << "width " << width << " breaks at " << line.end;
    }
  }
  // A word longer than the line is cut where the line is full.
  Build(QStringLiteral("Incomprehensibilities x\n"));
  const std::vector<Line> lines = Lines(60);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].reason, kBreakWrapped);
  EXPECT_GT(lines[0].end, kBody + 1);
  EXPECT_LT(lines[0].end, kBody + 21);
  EXPECT_LE(lines[0].textWidth, 60.0f);
}

// Each wrapped line is as full as it can be: the next word would not have
// fit. Narrow letters make lines of many units, typeset in several pieces.
TEST_F(FormatLineTest, WrappedLinesAreFull) {
  QString text;
  for (int i = 0; i < 120; ++i) text += QString(1 + i % 5, i % 3 ? u'i' : u'l') + u' ';
  text += u'\n';
  Build(text);
  for (double width : {150.0, 400.0, 900.0}) {
    const std::vector<Line> lines = Lines(width);
    ASSERT_GT(lines.size(), 1u);
    for (const Line& line : lines) {
      if (line.reason != kBreakWrapped) continue;
      const qsizetype at = qsizetype(line.end - kBody);
      const qsizetype next = text.indexOf(u' ', at);
      const double shown = TextWidth(text.mid(qsizetype(line.first - kBody), at - qsizetype(line.first - kBody)).trimmed());
      EXPECT_LE(shown, width + 0.01) << width;
      EXPECT_GT(shown + TextWidth(QStringLiteral(" ") + text.mid(at, next - at)), width - 0.5) << width << " at " << at;
    }
  }
}

TEST_F(FormatLineTest, BreakReasons) {
  Build(QStringLiteral("a\nb") + QChar(11) + QStringLiteral("c") + QChar(12) + QStringLiteral("d") + QChar(0x2028) +
        QStringLiteral("e\n"));
  std::vector<uint32_t> reasons;
  for (const Line& line : Lines(300)) reasons.push_back(line.reason);
  EXPECT_EQ(reasons, (std::vector<uint32_t>{kBreakLineFeed, kBreakVerticalTab, kBreakFormFeed,
                                             kBreakLineSeparator, kBreakDocumentEnd}));

  // 600 units without a break in a very wide line: 512 a line.
  Build(QString(600, u'x') + QStringLiteral("\n"));
  const std::vector<Line> lines = Lines(1e6);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].reason, kBreakCharLimit);
  EXPECT_EQ(lines[0].end - lines[0].first, kMaxLineChars);
}

TEST_F(FormatLineTest, TabStopsOfEachAlignment) {
  const TabStop decimal = 0x60000000;
  struct Case {
    const char* name;
    TabStop stop;
    QString text;
    uint32_t anchorCp;  // the cp that lines up
    double anchorX;     // where it lines up, or -1 for "ends at the stop"
  };
  const Case cases[] = {
      {"left", 100 * kPt, QStringLiteral("ab\tcd\n"), kBody + 3, 100},
      {"centre", kCenterTab | 200 * kPt, QStringLiteral("\tmiddle\n"), kBody + 1, 200 - TextWidth("middle") / 2},
      {"right", kRightTab | 200 * kPt, QStringLiteral("\tflush\n"), 0, -1},
      {"decimal", decimal | 200 * kPt, QStringLiteral("\t1234.56\n"), kBody + 5, 200},
  };
  for (const Case& c : cases) {
    Build(c.text, [&](ParaProps& p) { AddTab(&p, 0, c.stop); });
    const Line line = Format(kBody, 400);
    if (c.anchorX < 0) {
      EXPECT_NEAR(line.textWidth, 200, 0.01) << c.name;
    } else {
      EXPECT_NEAR(LineXFromCpCore(&lf, c.anchorCp, nullptr), c.anchorX, 0.01) << c.name;
    }
  }

  // A centred tab whose text would start left of the tab leaves it where it is.
  Build(QStringLiteral("a long beginning\tthe wide text after it\n"),
        [](ParaProps& p) { AddTab(&p, 0, kCenterTab | 110 * kPt); });
  Format(kBody, 400);
  EXPECT_NEAR(LineXFromCpCore(&lf, kBody + 17, nullptr), TextWidth("a long beginning"), 0.01);
}

TEST_F(FormatLineTest, HeaderTabsCentreTheMiddleAndFlushTheEnd) {
  // The paragraph's own left tab stays first; the centre and right tabs of
  // a header follow it.
  const auto build = [&](bool headerTabs) {
    Build(QStringLiteral("a\tb\tmiddle\tend\n"), [&](ParaProps& p) {
      p.indentr = 20 * kPt;
      p.hdrtab = headerTabs ? 1 : 0;
      AddTab(&p, 0, 30 * kPt);
    });
  };
  // A page 500 points wide with margins of 50 holds 400 points of text.
  constexpr double width = 400;
  const auto page = [&] {
    doc->pageWidth = 500;
    doc->docProps.left = doc->docProps.right = 50 * kPt;
    doc->docProps.mirrorl = 0;
    doc->docProps.ignorem = 0;
  };
  build(true);
  page();
  const Line line = Format(kBody, width);
  EXPECT_NEAR(LineXFromCpCore(&lf, kBody + 2, nullptr), 30, 0.01);
  EXPECT_NEAR(LineXFromCpCore(&lf, kBody + 4, nullptr), (width - 20) / 2 - TextWidth("middle") / 2, 0.01);
  EXPECT_NEAR(line.textWidth, width - 20, 0.01);

  // Without the switch the text after the left tab goes to default stops.
  build(false);
  page();
  Format(kBody, width);
  EXPECT_LT(LineXFromCpCore(&lf, kBody + 4, nullptr), (width - 20) / 2 - TextWidth("middle") / 2 - 1);
}

TEST_F(FormatLineTest, AFittedPictureKeepsToTheParagraphAndThePrintedHeight) {
  // Pages 500 points tall with margins of 50 print 400 points; the line is
  // 300 wide.
  struct Case {
    const char* name;
    QSize picture;
    uint32_t pageHeight;
    QSizeF shown;
  };
  const Case cases[] = {
      {"too tall", {600, 800}, 500, {300, 400}},
      {"too tall, in proportion", {300, 900}, 500, {133, 400}},
      {"too wide", {900, 300}, 500, {300, 100}},
      {"small enough", {20, 16}, 500, {20, 16}},
      {"no page height", {600, 800}, 0, {300, 400}},
      {"no page height, tall", {300, 900}, 0, {300, 900}},
  };
  for (const Case& c : cases) {
    Build(QString("a") + QChar(0) + "b\n");
    doc->pageHeight = c.pageHeight;
    doc->docProps.top = doc->docProps.bottom = c.pageHeight ? 50 * kPt : 0;
    QImage image(c.picture, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    const uint32_t picture = StorePicture(doc, CSImage::initWithCGImage(image, QSizeF(c.picture)), nullptr);
    made->knot(kBody + 1, kKnotPicture, kKinkSingle);
    uint32_t index = 0;
    KnotEntry entry;
    ASSERT_TRUE(KnotEntryAtCp(doc, kBody + 1, &entry, &index)) << c.name;
    auto* stored = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
    stored->word1 = picture;
    stored->word3 = 0x3FFF;
    Format(kBody, 300);
    const LineRun* shown = nullptr;
    for (const LineRun& run : lf.runs) {
      if (run.head().kind == kRunPicture) shown = &run;
    }
    ASSERT_NE(shown, nullptr) << c.name;
    EXPECT_FLOAT_EQ(shown->head().width, float(c.shown.width())) << c.name;
    EXPECT_FLOAT_EQ(shown->height, float(c.shown.height())) << c.name;
  }
}

TEST_F(FormatLineTest, WordMarksUnderlineTheirText) {
  Build(QStringLiteral("alpha beta gamma delta\n"));
  // "beta" and "delta", as {cp, length} entries.
  std::unique_ptr<CSArrayCP> marks(CreateDynamicCPArray(4, 4, doc->cpLimit, 0));
  const uint32_t lengths[] = {4, 5};
  ASSERT_TRUE(InsertInDynamicCPArray(marks.get(), 0, kBody + 6, &lengths[0]));
  ASSERT_TRUE(InsertInDynamicCPArray(marks.get(), 1, kBody + 17, &lengths[1]));
  using Spans = std::vector<std::pair<uint32_t, uint32_t>>;
  struct Case {
    const char* name;
    uint32_t first;
    bool shown;
    Spans underlined;
  };
  const Case cases[] = {
      {"whole line", kBody, true, {{kBody + 6, kBody + 10}, {kBody + 17, kBody + 22}}},
      {"starting inside a mark", kBody + 7, true, {{kBody + 7, kBody + 10}, {kBody + 17, kBody + 22}}},
      {"starting after a mark", kBody + 10, true, {{kBody + 17, kBody + 22}}},
      {"marks not shown", kBody, false, {}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, kLineKeepRuns));
    lf.settings.wordMarks = marks.get();
    lf.settings.showWordMarks = c.shown ? 1 : 0;
    FormatLine(c.first, int64_t(400 * kPt), &lf);
    Spans underlined;
    for (const LineRun& run : lf.runs) {
      if (run.head().kind == kRunUnderline && run.value == 8)
        underlined.emplace_back(uint32_t(run.head().firstCp), uint32_t(run.head().endCp));
    }
    EXPECT_EQ(underlined, c.underlined) << c.name;
  }
}

TEST_F(FormatLineTest, DefaultTabsAreNeverNarrowerThanTwoPoints) {
  bool skippedAStop = false;
  for (int n = 1; n <= 40; ++n) {
    const QString before(n, u'i');
    Build(before + QStringLiteral("\tx\n"));
    Format(kBody, 1000);
    const LineRun* tab = nullptr;
    for (const LineRun& run : lf.runs)
      if (run.head().kind == kRunTab) tab = &run;
    ASSERT_TRUE(tab) << n;
    EXPECT_GT(tab->head().width, 2.0f) << n;
    const double end = tab->head().x + tab->head().width;
    EXPECT_NEAR(std::fmod(end + 0.001, 36.0), 0.0, 0.01) << n;
    skippedAStop |= tab->head().width > 36.0f;
  }
  EXPECT_TRUE(skippedAStop);  // some text ended within 2 points of a stop
}

TEST_F(FormatLineTest, AlignmentTakesTheSlack) {
  const QString text = QStringLiteral("Centre me\n");
  const double natural = TextWidth(QStringLiteral("Centre me"));
  Build(text, [](ParaProps& p) { p.align = 1; });
  Line line = Format(kBody, 300);
  EXPECT_NEAR(line.leftEdge, (300 - natural) / 2, 0.01);
  EXPECT_NEAR(line.textWidth, line.leftEdge + natural, 0.01);
  Build(text, [](ParaProps& p) {
    p.align = 3;
    p.indentr = 20 * kPt;
  });
  line = Format(kBody, 300);
  EXPECT_NEAR(line.textWidth, 280, 0.01);
}

// The visible end of the last text segment on the line, from the left edge.
float VisibleEnd(const LineFormat& lf) {
  float end = 0;
  for (const LineRun& run : lf.runs) {
    if (run.head().kind == kRunText) end = run.head().x + run.head().width - run.segment.trailingWhitespace;
  }
  return end;
}

TEST_F(FormatLineTest, JustificationSparesLastLinesAndBreakCharacters) {
  Build(QStringLiteral("one two three four five six seven eight nine ten eleven twelve") + QChar(0x2028) +
            QStringLiteral("thirteen fourteen fifteen sixteen seventeen eighteen\n"),
        [](ParaProps& p) { p.align = 2; });
  bool sawJustified = false;
  for (const Line& line : Lines(150)) {
    Format(line.first, 150);
    if (line.reason == kBreakWrapped) {
      EXPECT_NEAR(VisibleEnd(lf), 150, 0.05) << "line at " << line.first;
      sawJustified = true;
    } else {
      EXPECT_LT(VisibleEnd(lf), 145) << "line at " << line.first << " reason " << line.reason;
    }
  }
  EXPECT_TRUE(sawJustified);
}

TEST_F(FormatLineTest, LineHeights) {
  const QString text = QStringLiteral("First line of text that wraps onto three lines here.\n\nx\n");
  Build(text);
  const std::vector<Line> plain = Lines(120);
  ASSERT_EQ(plain.size(), 5u);
  const float natural = plain[0].height;
  EXPECT_EQ(plain[3].height, natural);  // the empty paragraph: a space's height

  struct Case {
    const char* name;
    std::function<void(ParaProps&)> change;
    float first, middle, last;
  };
  const Case cases[] = {
      {"exact", [](ParaProps& p) { p.height = -30 * kPt; }, 30, 30, 30},
      {"exact and small", [](ParaProps& p) { p.height = -8 * kPt; }, 8, 8, 8},
      {"at least", [](ParaProps& p) { p.height = 40 * kPt; }, 40, 40, 40},
      {"multiple of one", [](ParaProps& p) { p.multiple = kPt; }, natural, natural, natural},
      {"space before and after", [](ParaProps& p) {
         p.before = 10 * kPt;
         p.after = 20 * kPt;
       }, natural + 10, natural, natural + 20},
  };
  for (const Case& c : cases) {
    Build(text, c.change);
    const std::vector<Line> lines = Lines(120);
    ASSERT_EQ(lines.size(), 5u) << c.name;
    EXPECT_EQ(lines[0].height, c.first) << c.name;
    EXPECT_EQ(lines[1].height, c.middle) << c.name;
    EXPECT_EQ(lines[2].height, c.last) << c.name;
    EXPECT_LE(lines[1].baseline, lines[1].height) << c.name;
  }
  Build(text, [](ParaProps& p) { p.multiple = 2 * kPt; });
  EXPECT_GE(Lines(120)[1].height, 2 * natural - 1);
}

TEST_F(FormatLineTest, BorderedParagraphMakesRoomForItsBox) {
  Build(QStringLiteral("A boxed paragraph whose words wrap onto three lines.\n"), [](ParaProps& p) {
    p.border.btype = 7;
    p.border.bwidth = 2 * kPt;
    p.border.boff = 3 * kPt;
    p.border.color = kBlackKolor;
  });
  const std::vector<Line> lines = Lines(120);
  ASSERT_GE(lines.size(), 3u);
  std::vector<float> above, below;
  for (const Line& line : lines) {
    Format(line.first, 120);
    EXPECT_EQ(line.leftEdge, 5.0f);   // offset and line
    EXPECT_EQ(line.rightEdge, 115.0f);
    EXPECT_TRUE(lf.framed);
    above.push_back(lf.spaceAbove);
    below.push_back(lf.spaceBelow);
  }
  // The top of the box on the first line, its bottom on the last.
  std::vector<float> expectAbove(lines.size(), 0), expectBelow(lines.size(), 0);
  expectAbove.front() = 5;
  expectBelow.back() = 5;
  EXPECT_EQ(above, expectAbove);
  EXPECT_EQ(below, expectBelow);
}

TEST_F(FormatLineTest, PositionsRiseAndAgreeWithTheSegments) {
  Build(QStringLiteral("Positions of every character, tab\tand all.\n"));
  Format(kBody, 1000);
  float previous = -1;
  for (uint32_t cp = kBody; cp < lf.endCp - 1; ++cp) {
    float right = 0;
    const float x = LineXFromCpCore(&lf, cp, &right);
    EXPECT_GT(x, previous) << cp;
    EXPECT_GE(right, x) << cp;
    previous = x;
    for (const LineRun& run : lf.runs) {
      const LineRunHead& head = run.head();
      if (head.kind != kRunText || cp < uint32_t(head.firstCp) || cp >= uint32_t(head.endCp)) continue;
      EXPECT_EQ(IndexOfLineSegmentPosition(&run.segment, x - head.x + 0.01f), cp - uint32_t(head.firstCp)) << cp;
    }
  }
}

TEST_F(FormatLineTest, KnotsOnTheLine) {
  //                          14-17 18 19 20 21-24 25 26-29 30 31-32 33 34 35-36 37 38-39 40
  Build(QStringLiteral("see \u0000u\u0000here\u0000 now\u0000ab\n\u0000cd\u0000ef\n"));
  made->knot(18, kKnotLink, kKinkBegin)
      .knot(20, kKnotLink, kKinkMiddle)
      .knot(25, kKnotLink, kKinkEnd)
      .knot(30, kKnotDivider, kKinkSingle)
      .knot(34, kKnotTag, kKinkBegin)
      .knot(37, kKnotTag, kKinkEnd);
  const std::vector<Line> lines = Lines(400);
  ASSERT_EQ(lines.size(), 4u);
  // The link shows its text; the line's cps run on past it.
  EXPECT_EQ(lines[0].text, QStringLiteral("see here now"));
  EXPECT_EQ(lines[0].end, 30u);
  EXPECT_EQ(lines[0].reason, kBreakWrapped);  // the divider takes a line of its own
  EXPECT_EQ(lines[1].lineKind, 2u);
  EXPECT_EQ(lines[1].end, 31u);
  EXPECT_EQ(lines[2].text, QStringLiteral("ab"));
  // A tag stands as a marker 16 points wide; its end mark takes no room.
  EXPECT_EQ(lines[3].text, QStringLiteral("cdef"));
  Format(lines[3].first, 400);
  EXPECT_NEAR(LineXFromCpCore(&lf, 35, nullptr) - LineXFromCpCore(&lf, 34, nullptr), 16, 0.01);
  EXPECT_NEAR(LineXFromCpCore(&lf, 38, nullptr) - LineXFromCpCore(&lf, 35, nullptr), TextWidth("cd"), 0.01);
  Format(kBody, 400);
  ASSERT_GE(lf.lineMarkCount, 1u);
  EXPECT_EQ(lf.lineMarks[0].cp, 18u);
  EXPECT_EQ(lf.lineMarks[0].code, 4u);  // a link
}

TEST_F(FormatLineTest, APaneThatShowsKnotsGivesEachMarkItsOwnPlace) {
  //                          14 15 16 17 18 19 20 21
  Build(QStringLiteral("a\u0000u\u0000b\u0000c\n"));
  made->knot(15, kKnotLink, kKinkBegin).knot(17, kKnotLink, kKinkMiddle).knot(19, kKnotLink, kKinkEnd);
  ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, kLineKeepRuns));
  lf.settings.showsKnots = 1;
  FormatLine(kBody, 400 * kPt, &lf);
  EXPECT_EQ(lf.endCp, 22u);
  const float a = LineXFromCpCore(&lf, 15, nullptr);
  EXPECT_NEAR(a, TextWidth("a"), 0.01);
  EXPECT_NEAR(LineXFromCpCore(&lf, 16, nullptr) - a, 20, 0.01);
  EXPECT_NEAR(LineXFromCpCore(&lf, 20, nullptr) - a, 60 + TextWidth("ub"), 0.01);
}

TEST_F(FormatLineTest, RunsOfStyleAndSelection) {
  Build(QStringLiteral("plain under plain\n"));
  Properties under;
  InitProperties(kCharProperties, &under, nullptr);
  under.body.charProps = Style();
  under.body.charProps.underline = 1;
  made->charRun(kBody + 6, IndexForProperties(doc, &under));
  Properties plain;
  InitProperties(kCharProperties, &plain, nullptr);
  plain.body.charProps = Style();
  made->charRun(kBody + 12, IndexForProperties(doc, &plain));
  Pane* pane = CurrentPane(doc);
  pane->anchor = int32_t(kBody + 2);
  pane->end = int32_t(kBody + 8);
  Format(kBody, 400);
  const LineRun* underline = nullptr;
  const LineRun* selection = nullptr;
  for (const LineRun& run : lf.runs) {
    if (run.head().kind == kRunUnderline) underline = &run;
    if (run.head().kind == kRunSelection) selection = &run;
  }
  ASSERT_TRUE(underline);
  EXPECT_EQ(underline->head().firstCp, int32_t(kBody + 6));
  EXPECT_EQ(underline->head().endCp, int32_t(kBody + 11));  // the trailing space is not underlined
  EXPECT_NEAR(underline->head().x, TextWidth("plain "), 0.01);
  EXPECT_NEAR(underline->head().width, TextWidth("under"), 0.01);
  ASSERT_TRUE(selection);
  EXPECT_NEAR(selection->head().x, TextWidth("pl"), 0.01);
  EXPECT_NEAR(selection->head().width, TextWidth("plain un") - TextWidth("pl"), 0.01);
  // Backgrounds and the selection sort before the text they lie under.
  EXPECT_EQ(lf.runs.front().head().kind, kRunSelection);
  EXPECT_EQ(lf.runs.back().head().kind, kRunUnderline);
}

class ListLineTest : public FormatLineTest {
 protected:
  void BuildList(const QString& text, uint32_t endMark) {
    Build(text);
    StyleEntry entry;
    entry.builtinId = kFirstListStyleId;
    entry.type = kParaProperties;
    Properties para;
    SetBaseProperties(kParaProperties, &para);
    para.body.para.style = uint16_t(SizeOfDynamicArray(doc->styles));
    entry.props = IndexForProperties(doc, &para);
    AppendToDynamicStringArray(doc->styles, QStringLiteral("list"), &entry);
    ListProps list;
    list.indent = 18 * kPt;
    list.mark[0] = ListMarker{kMarkerNumber, 0, 0, u'.'};
    Properties record;
    InitProperties(kListProperties, &record, &list);
    made->knot(kBody, kKnotList, kKinkBegin, IndexForProperties(doc, &record))
        .knot(endMark, kKnotList, kKinkEnd)
        .paraRun(kBody, entry.props);
  }
};

TEST_F(ListLineTest, AWordThatCannotFollowTheMarkerShowsAnError) {
  //                          14  15-29           30 31-36 37 38 39-43 44
  BuildList(QStringLiteral("\u0000Extraordinarily\nsecond\n\u0001after\n"), 38);
  LogCapture log;
  const std::vector<Line> lines = Lines(10);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, QStringLiteral("[error]"));
  EXPECT_EQ(lines[0].reason, kBreakLineFeed);
  EXPECT_EQ(lines[0].end, 31u);  // the paragraph is done
  // Level 1 without the first-level flag indents two steps (36 points); the
  // line is 18 points wide from there.
  EXPECT_EQ(lines[0].rightEdge, 54.0f);
  EXPECT_EQ(lines[1].text, QStringLiteral("[error]"));
  EXPECT_EQ(lines.back().text, QStringLiteral("after"));
  // Logged once a run: here, unless an earlier test of the run logged it;
  // formatting the lines again logs nothing more.
  const auto logged = [&] { return log.lines().filter(QStringLiteral("Nothing fit at start of line")).size(); };
  const qsizetype once = logged();
  EXPECT_LE(once, 1);
  Lines(10);
  EXPECT_EQ(logged(), once);

  // Without a marker, a line never gets narrower than 36 points, and long
  // words are cut to fit it.
  Build(QStringLiteral("Extraordinarily long words\n"));
  const std::vector<Line> plain = Lines(0.5);
  ASSERT_GE(plain.size(), 3u);
  for (const Line& line : plain) {
    EXPECT_EQ(line.rightEdge, 36.0f);
    EXPECT_FALSE(line.text.contains(QStringLiteral("[error]")));
  }
  EXPECT_EQ(plain[0].reason, kBreakWrapped);
  EXPECT_LT(plain[0].end, kBody + 15);
}

TEST_F(ListLineTest, TheMarkerStaysWholeAndTheListEndJoinsTheLastLine) {
  //                          14 15-17 18 19-21 22 23 24-28 29
  BuildList(QStringLiteral("\u0000one\ntwo\n\u0001after\n"), 23);
  const std::vector<Line> lines = Lines(300);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, QStringLiteral("1.one"));
  EXPECT_EQ(lines[1].text, QStringLiteral("2.two"));
  EXPECT_EQ(lines[1].end, 24u);  // over the list's end mark
  Format(lines[1].first, 300);
  EXPECT_TRUE(lf.endsParagraph);
  // The text starts at the list's indent, the marker hangs left of it.
  EXPECT_NEAR(LineXFromCpCore(&lf, 19, nullptr), 18, 0.01);
}

}  // namespace

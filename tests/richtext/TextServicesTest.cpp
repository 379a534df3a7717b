#include "richtext/TextServices.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "ImageCompare.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/FontNames.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"

namespace {

CharProps Style(double points = 12, bool bold = false, bool italic = false) {
  CharProps props;
  props.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  props.size = int16_t(points * 4);
  props.bold = bold;
  props.italic = italic;
  props.color = kBlackKolor;
  return props;
}

double TextWidth(const QString& text, const CharProps& props = Style()) {
  return QFontMetricsF(FontForProperties(props), TextReferenceDevice()).horizontalAdvance(text);
}

struct Piece {
  QString text;
  int32_t firstCp;  // -1: generated
};

// A segment of the pieces; cps run on from each piece's first cp.
struct Segment {
  LineSegment seg;
  Segment(std::initializer_list<Piece> pieces, uint32_t charIndex, int32_t firstCp) {
    seg.head.kind = kTextSegmentRunKind;
    seg.head.charIndex = charIndex;
    seg.head.firstCp = firstCp;
    BeginLineSegment(&seg);
    for (const Piece& piece : pieces) {
      const int32_t end = piece.firstCp < 0 ? piece.firstCp : piece.firstCp + int32_t(piece.text.size());
      AddRunToLineSegment(&seg, reinterpret_cast<const char16_t*>(piece.text.utf16()), uint32_t(piece.text.size()),
                          piece.firstCp, end, Style());
    }
  }
  ~Segment() { FreeLineSegment(&seg); }
  bool end(uint32_t lineFirstCp, double width) {
    return EndLineSegment(nullptr, &seg, lineFirstCp, nullptr, nullptr, float(width));
  }
};

TEST(TextServicesTest, EverythingFitsAndPositionsRise) {
  Segment s({{QStringLiteral("Hello world"), 20}}, 0, 20);
  ASSERT_TRUE(s.end(20, 1000));
  EXPECT_EQ(s.seg.fitCount, 11u);
  EXPECT_NEAR(s.seg.head.width, TextWidth(QStringLiteral("Hello world")), 0.01);
  EXPECT_GT(s.seg.ascent, 8);
  EXPECT_GT(s.seg.descent, 0.5);
  EXPECT_EQ(PositionOfLineSegmentIndex(&s.seg, 0), 0);
  float previous = 0;
  for (uint32_t i = 1; i <= 11; ++i) {
    const float x = PositionOfLineSegmentIndex(&s.seg, i);
    EXPECT_GT(x, previous) << i;
    previous = x;
    EXPECT_EQ(IndexOfLineSegmentPosition(&s.seg, x), i) << i;
  }
  EXPECT_FLOAT_EQ(PositionOfLineSegmentIndex(&s.seg, 99), s.seg.head.width);
}

TEST(TextServicesTest, TrailingBlanksAreMeasuredApart) {
  Segment s({{QStringLiteral("word   more"), 20}}, 0, 20);
  EXPECT_FALSE(s.end(20, TextWidth(QStringLiteral("word ")) + 1));
  EXPECT_EQ(s.seg.fitCount, 7u);  // the blanks hang past the width
  EXPECT_NEAR(s.seg.trailingWhitespace, TextWidth(QStringLiteral("   ")), 0.01);
}

TEST(TextServicesTest, NothingFitsOnlyGivesUpAwayFromTheLineStart) {
  // Not even one character fits: at the line's start something must go on
  // the line (one character of a piece of text), elsewhere nothing does.
  Segment away({{QStringLiteral("Wide"), 30}}, 4, 30);
  EXPECT_FALSE(away.end(20, 2));
  EXPECT_EQ(away.seg.fitCount, 0u);
  EXPECT_EQ(away.seg.line, nullptr);
  Segment start({{QStringLiteral("Wide"), 20}}, 0, 20);
  EXPECT_FALSE(start.end(20, 2));
  EXPECT_EQ(start.seg.fitCount, 1u);
  Segment generated({{QStringLiteral("[x]"), -1}, {QStringLiteral("Wide"), 20}}, 0, 20);
  EXPECT_FALSE(generated.end(20, 2));
  EXPECT_EQ(generated.seg.fitCount, 3u);  // the whole first piece
}

TEST(TextServicesTest, AMarkerRunNeverBreaks) {
  const QString marker = QStringLiteral("MMMMMMMM");
  const double room = TextWidth(QStringLiteral("MMMM"));
  // Starting the line, the marker goes whole and the text waits.
  Segment first({{marker, -1}, {QStringLiteral("xyz"), 40}}, 0, -1);
  EXPECT_FALSE(first.end(40, room));
  EXPECT_EQ(first.seg.fitCount, 8u);
  // Further on, the break moves before it: nothing of the segment stays.
  Segment later({{QStringLiteral("ab "), 30}, {marker, -1}, {QStringLiteral("xyz"), 40}}, 6, 30);
  EXPECT_FALSE(later.end(20, TextWidth(QStringLiteral("ab MMMM"))));
  EXPECT_EQ(later.seg.fitCount, 3u);
}

TEST(TextServicesTest, ASoftHyphenShowsOnlyAtABreak) {
  const QString text = QStringLiteral("extra\u00ADordinary");
  Segment inside({{text, 20}}, 0, 20);
  ASSERT_TRUE(inside.end(20, 1000));
  EXPECT_EQ(LineSegmentTypesetText(&inside.seg), text);
  EXPECT_NEAR(inside.seg.head.width, TextWidth(QStringLiteral("extraordinary")), 0.5);

  Segment broken({{text, 20}}, 0, 20);
  EXPECT_FALSE(broken.end(20, TextWidth(QStringLiteral("extra-ord"))));
  EXPECT_EQ(broken.seg.fitCount, 6u);
  EXPECT_EQ(LineSegmentTypesetText(&broken.seg), QStringLiteral("extra-"));
  EXPECT_NEAR(broken.seg.head.width, TextWidth(QStringLiteral("extra-")), 0.01);
}

TEST(TextServicesTest, ANonBreakingHyphenIsTypesetAsAHyphen) {
  Segment s({{QStringLiteral("e\u2011mail"), 20}}, 0, 20);
  ASSERT_TRUE(s.end(20, 1000));
  EXPECT_EQ(LineSegmentTypesetText(&s.seg), QStringLiteral("e-mail"));
}

TEST(TextServicesTest, ABreakInAWordMovesBackToTheLastSpaceUnlessTheSegmentStartsTheLine) {
  const QString text = QStringLiteral("aaa bbb\u2014ccc ddd");
  const double room = TextWidth(QStringLiteral("aaa bbb")) + 1;
  Segment later({{text, 30}}, 5, 30);
  EXPECT_FALSE(later.end(20, room));
  EXPECT_EQ(later.seg.fitCount, 4u);  // after "aaa "
  Segment starting({{text, 20}}, 0, 20);
  EXPECT_FALSE(starting.end(20, room));
  EXPECT_EQ(starting.seg.fitCount, 7u);  // before the dash
}

TEST(TextServicesTest, JustifyingWidensOnlyInnerBlanks) {
  Segment s({{QStringLiteral("one two three  "), 20}}, 0, 20);
  ASSERT_TRUE(s.end(20, 1000));
  const float before = PositionOfLineSegmentIndex(&s.seg, 13);
  JustifyLineSegment(&s.seg, s.seg.head.width + 20);
  EXPECT_NEAR(PositionOfLineSegmentIndex(&s.seg, 13), before + 20, 0.05);
  EXPECT_NEAR(PositionOfLineSegmentIndex(&s.seg, 3), TextWidth(QStringLiteral("one")), 0.05);
  LineSegment none;
  JustifyLineSegment(&none, 100);  // no line: nothing
  EXPECT_EQ(none.head.width, 0);
}

TEST(TextServicesTest, AFontIndexPastTheListGivesTheUserFont) {
  CharProps props = Style(18);
  props.font = uint16_t(g_fontNames.size() + 5);
  const QFont font = FontForProperties(props);
  EXPECT_EQ(QFontInfo(font).family(), QFontInfo(UserFont(18)).family());
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 18);
}

TEST(TextServicesTest, BoldAndItalicPickTheFamilysFaces) {
  bool bold = false, italic = false;
  EXPECT_TRUE(GetFontTraits(FontForProperties(Style(12, true)), &bold, &italic));
  EXPECT_FALSE(italic);
  EXPECT_TRUE(GetFontTraits(FontForProperties(Style(12, true, true)), &bold, &italic));
  EXPECT_TRUE(italic);
  EXPECT_FALSE(GetFontTraits(FontForProperties(Style()), &bold, &italic));
  CharProps boldFace = Style(12);
  boldFace.font = IndexOfFont(QStringLiteral("DejaVuSans-Bold"));
  boldFace.bold = 1;
  EXPECT_TRUE(GetFontTraits(FontForProperties(boldFace), &bold, &italic));
}

TEST(TextServicesTest, TheBoldMemberScanIsAFunctionOfTheNames) {
  struct Case {
    QStringList members;
    QString bold, boldItalic;
  };
  const Case cases[] = {
      {{"Fam-Regular", "Fam-Semibold", "Fam-Black", "Fam-Bold"}, "Fam-Black", ""},
      {{"Fam-Light", "Fam-DemiItalic", "Fam-Demi"}, "", "Fam-DemiItalic"},
      {{"Fam-SemiboldItalic", "Fam-Semibold"}, "", ""},
      {{"Fam-Regular", "Fam-Italic"}, "", ""},
      {{"Fam-BOLDOblique", "Fam-Bold"}, "", "Fam-BOLDOblique"},
      {{}, "", ""},
  };
  for (const Case& c : cases) {
    const BoldMembers found = ScanBoldMembers(c.members);
    EXPECT_EQ(found.bold, c.bold) << c.members.join(',').toStdString();
    EXPECT_EQ(found.boldItalic, c.boldItalic) << c.members.join(',').toStdString();
  }
}

TEST(TextServicesTest, FontNamesImplyWeightAndSlant) {
  struct Case {
    QString name;
    bool askVariant;
    bool bold, variant;
    QString stripped;
  };
  const Case cases[] = {
      {"Helvetica-Bold", false, true, false, "Helvetica"},
      {"Gill Sans Bold", true, true, false, "Gill Sans"},
      {"Bold Face", false, true, false, "Face"},
      {"Myriad-Semibold", true, false, true, "Myriad"},
      {"Myriad-Semibold", false, true, false, "Myriad-Semi"},  // from "bold" on
      {"Arial Black Italic", true, true, true, "Arial Italic"},
      {"Futura DemiBold", true, true, false, "Futura Demi"},  // "bold" comes before "demi"
      {"Futura Demi", true, true, true, "Futura"},
      {"Plain", true, false, false, "Plain"},
  };
  for (const Case& c : cases) {
    bool variant = false;
    QString stripped;
    EXPECT_EQ(FontNameImpliesBold(c.name, c.askVariant ? &variant : nullptr, &stripped), c.bold) << c.name.toStdString();
    if (c.askVariant) EXPECT_EQ(variant, c.variant) << c.name.toStdString();
    EXPECT_EQ(stripped, c.stripped) << c.name.toStdString();
  }
  QString stripped;
  EXPECT_TRUE(FontNameImpliesItalic(QStringLiteral("Times-Italic"), &stripped));
  EXPECT_EQ(stripped, QStringLiteral("Times"));
  EXPECT_TRUE(FontNameImpliesItalic(QStringLiteral("Serif Oblique Light"), &stripped));
  EXPECT_EQ(stripped, QStringLiteral("Serif Light"));
  EXPECT_FALSE(FontNameImpliesItalic(QStringLiteral("Upright"), &stripped));
}

TEST(TextServicesTest, SpaceAndLineMeasures) {
  const CharProps props = Style(20);
  EXPECT_GT(WidthOfSpace(props), 0);
  float ascent = 0;
  const float height = LineMetricsForFont(props, &ascent);
  const QFontMetricsF metrics(FontForProperties(props), TextReferenceDevice());
  EXPECT_NEAR(ascent, metrics.ascent(), 0.01);
  EXPECT_NEAR(height, metrics.ascent() + metrics.descent() + metrics.leading(), 0.01);
  float position = 0;
  EXPECT_GT(FontUnderlineMetrics(props, &position), 0);
  EXPECT_GT(position, 0);
}

TEST(TextServicesTest, GlyphGapsAreRecordedForSoftHyphens) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("ab\u00ADcd\n"));
  const uint32_t first = RichTextBuilder::kBodyStart;
  LineSegment seg;
  seg.head.firstCp = int32_t(first);
  BeginLineSegment(&seg);
  const QString text = QStringLiteral("ab\u00ADcd");
  AddRunToLineSegment(&seg, reinterpret_cast<const char16_t*>(text.utf16()), 5, int32_t(first), int32_t(first + 5),
                      Style());
  GlyphGap gaps[4];
  uint32_t count = 4;
  EXPECT_TRUE(EndLineSegment(builder.doc(), &seg, first, gaps, &count, 1000));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(gaps[0].cp, first + 2);
  EXPECT_EQ(gaps[0].kind, 3u);
  EXPECT_EQ(gaps[0].index, 2u);
  FreeLineSegment(&seg);
}

TEST(TextServicesTest, ASegmentIsDrawnOnItsBaselineWithItsShadowBelowRight) {
  QImage image(200, 60, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  Segment s({{QStringLiteral("HHHH"), 20}}, 0, 20);
  ASSERT_TRUE(s.end(20, 1000));
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    DrawLineSegment(&s.seg, 10, 0, 30);
  }
  const QRect ink = InkBounds(image);
  EXPECT_NEAR(ink.bottom(), 29, 1);
  EXPECT_NEAR(ink.left(), 11, 2);

  image.fill(Qt::white);
  s.seg.shadow = 1;
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    DrawLineSegment(&s.seg, 10, 0, 30);
  }
  const QRect withShadow = InkBounds(image);
  EXPECT_NEAR(withShadow.bottom(), ink.bottom() + 4, 1);
  EXPECT_NEAR(withShadow.right(), ink.right() + 4, 1);
}

TEST(TextServicesTest, TabLeadersStayBetweenTheirEnds) {
  QImage image(300, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    DrawTabLeader(Style(), u'.', 50, 200, 0, 30);
  }
  const QRect ink = InkBounds(image);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 49);
  EXPECT_LE(ink.right(), 200);
  EXPECT_GT(ink.width(), 100);
}

TEST(TextServicesTest, WordUnderlinesSkipBlanks) {
  RichTextBuilder builder;
  builder.text(QStringLiteral("ab  cd\n"));
  const uint32_t first = RichTextBuilder::kBodyStart;
  LineSegment seg;
  BeginLineSegment(&seg);
  const QString text = QStringLiteral("ab  cd");
  AddRunToLineSegment(&seg, reinterpret_cast<const char16_t*>(text.utf16()), 6, int32_t(first), int32_t(first + 6),
                      Style());
  ASSERT_TRUE(EndLineSegment(builder.doc(), &seg, first, nullptr, nullptr, 1000));
  QImage image(200, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    DrawWordUnderline(DocRange{builder.doc(), first, first + 6}, &seg, 10, 20, 2, kBlackKolor);
  }
  const int wordX = 10 + int(PositionOfLineSegmentIndex(&seg, 1));
  const int gapX = 10 + int((PositionOfLineSegmentIndex(&seg, 2) + PositionOfLineSegmentIndex(&seg, 4)) / 2);
  EXPECT_LT(qGray(image.pixel(wordX, 21)), 128);
  EXPECT_GT(qGray(image.pixel(gapX, 21)), 200);
  FreeLineSegment(&seg);
}

}  // namespace

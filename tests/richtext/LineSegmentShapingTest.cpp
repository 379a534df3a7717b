// A segment's answers must not depend on how much of its text was shaped to
// find the break, nor on whether the line made for the break is the one kept:
// each case is ended after a guess of the unit advance that shapes the whole
// text and after one that shapes only a head of it; both must agree, and
// match the part typeset alone.
#include <gtest/gtest.h>

#include <QTextLayout>
#include <vector>

#include "richtext/FontNames.h"
#include "richtext/TextServices.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"

namespace {

CharProps Style(int quarterPoints, bool bold = false, int64_t expand = 0) {
  CharProps props;
  props.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  props.size = int16_t(quarterPoints);
  props.bold = bold;
  props.expand = expand;
  props.color = kBlackKolor;
  return props;
}

struct Piece {
  QString text;
  CharProps props;
};

struct Answers {
  bool all = false;
  uint32_t fitCount = 0;
  float width = 0, trailing = 0, ascent = 0, descent = 0;
  QString typeset;
  std::vector<float> positions;
  std::vector<uint32_t> indexes;  // at x = -1, 0.7, 2.4, ... past the width
  bool operator==(const Answers&) const = default;
};

Answers End(const std::vector<Piece>& pieces, uint32_t charIndex, double width) {
  LineSegment segment;
  segment.head.kind = kTextSegmentRunKind;
  segment.head.charIndex = charIndex;
  segment.head.firstCp = 100;
  BeginLineSegment(&segment);
  int32_t cp = 100;
  for (const Piece& piece : pieces) {
    const auto count = int32_t(piece.text.size());
    AddRunToLineSegment(&segment, reinterpret_cast<const char16_t*>(piece.text.utf16()), uint32_t(count), cp,
                        cp + count, piece.props);
    cp += count;
  }
  Answers answers;
  answers.all = EndLineSegment(nullptr, &segment, 100, nullptr, nullptr, float(width));
  answers.fitCount = segment.fitCount;
  answers.width = segment.head.width;
  answers.trailing = segment.trailingWhitespace;
  answers.ascent = segment.ascent;
  answers.descent = segment.descent;
  answers.typeset = LineSegmentTypesetText(&segment);
  for (uint32_t i = 0; i <= segment.fitCount + 1; ++i)
    answers.positions.push_back(PositionOfLineSegmentIndex(&segment, i));
  for (float x = -1; x < segment.head.width + 6; x += 1.7f)
    answers.indexes.push_back(IndexOfLineSegmentPosition(&segment, x));
  FreeLineSegment(&segment);
  return answers;
}

// Sets the advance guess from a line that fits whole.
void Prime(const QString& sample) {
  End({{sample, Style(48)}}, 0, 1.0e6);
}

// A guess so small that every text is shaped whole.
void ShapeWhole() {
  Prime(QString(40, QChar(0x200B)) + u'i');
}
// A guess from ordinary words, so that long texts are shaped only in part.
void ShapeHead() {
  Prime(QStringLiteral("the formatting of a line breaks between words when text runs past"));
}

// The answers of the part typeset alone, over the same device and options.
void ExpectAsTypesetAlone(const Answers& answers, const std::vector<Piece>& pieces, const std::string& label) {
  if (answers.typeset.isEmpty()) return;
  const auto length = int(answers.typeset.size());
  QList<QTextLayout::FormatRange> formats;
  int start = 0;
  for (const Piece& piece : pieces) {
    if (start >= length) break;
    QTextCharFormat format;
    format.setFont(FontForProperties(piece.props), QTextCharFormat::FontPropertiesAll);
    if (piece.props.expand != 0) {
      format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
      format.setFontLetterSpacing(double(piece.props.expand) / double(kMeasurePerPoint));
    }
    formats.append({start, std::min(int(piece.text.size()), length - start), format});
    start += int(piece.text.size());
  }
  QTextLayout layout(answers.typeset, FontForProperties(pieces.front().props), TextReferenceDevice());
  QTextOption option(Qt::AlignLeft);
  option.setTabs({QTextOption::Tab(18.0, QTextOption::LeftTab)});
  option.setUseDesignMetrics(true);
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.setFormats(formats);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(1.0e7);
  layout.endLayout();
  EXPECT_EQ(answers.width, float(line.cursorToX(length))) << label;
  EXPECT_EQ(answers.ascent, float(line.ascent())) << label;
  for (int i = 1; i < int(answers.positions.size()); ++i)
    EXPECT_EQ(answers.positions[size_t(i)], float(line.cursorToX(std::min(i, length)))) << label << " index " << i;
  float x = -1;
  for (const uint32_t index : answers.indexes) {
    EXPECT_EQ(index, uint32_t(std::max(0, line.xToCursor(x)))) << label << " x " << x;
    x += 1.7f;
  }
}

TEST(LineSegmentShapingTest, AnswersDependOnNeitherTheShapedHeadNorTheKeptLine) {
  const CharProps plain = Style(48);
  const CharProps bold = Style(60, true);
  const CharProps spaced = Style(44, false, 6350);
  const CharProps small = Style(44);
  const CharProps smallBold = Style(44, true);
  const CharProps tall = Style(96);
  struct Case {
    const char* label;
    std::vector<Piece> pieces;
  };
  const std::vector<Case> cases = {
      {"words",
       {{QStringLiteral("the formatting of a line breaks between words when text runs past its right edge"), plain}}},
      {"blanks", {{QStringLiteral("word   more words    and   the rest of it goes on past the edge"), plain}}},
      {"punctuation",
       {{QStringLiteral(" ( x ) words et of ? once caf\u00E9 ! (y) \u00AB z \u00BB and 1,024 then more"), plain}}},
      {"marks and wide characters",
       {{QStringLiteral("e\u0301 a\u00A0b \u200B x \U0001F600 y \u6F22\u5B57\u304B\u306A z \u2014 w e\u0301 "),
         plain}}},
      {"right to left",
       {{QStringLiteral("words \u0645\u0631\u062D\u0628\u0627 1,024 and \u05E9\u05DC\u05D5\u05DD more words"), plain}}},
      {"joined by the rules of breaking", {{QStringLiteral(" ( x "), small}, {QStringLiteral(") words "), smallBold}}},
      {"spaced", {{QStringLiteral("et of ? "), spaced}, {QStringLiteral("once caf\u00E9   "), small}}},
      {"tall blanks",
       {{QStringLiteral("aaa bbb"), plain}, {QStringLiteral("  "), tall}, {QStringLiteral("ccc ddd eee"), plain}}},
      {"styles",
       {{QStringLiteral(" ( x"), plain},
        {QStringLiteral(") words and "), bold},
        {QStringLiteral("et of ? "), spaced},
        {QStringLiteral("once more words "), plain},
        {QStringLiteral(" tall blanks "), bold}}},
  };
  for (const Case& c : cases) {
    for (double width = 4; width < 480; width += width < 60 ? 0.7 : 1.9) {
      for (const uint32_t charIndex : {0u, 3u}) {
        const std::string label =
            std::string(c.label) + " width " + std::to_string(width) + " at " + std::to_string(charIndex);
        ShapeWhole();
        const Answers whole = End(c.pieces, charIndex, width);
        ShapeHead();
        const Answers head = End(c.pieces, charIndex, width);
        EXPECT_TRUE(whole == head) << label << ": fit " << whole.fitCount << " / " << head.fitCount << ", width "
                                   << whole.width << " / " << head.width;
        ExpectAsTypesetAlone(head, c.pieces, label);
      }
    }
  }
}

}  // namespace

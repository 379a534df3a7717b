#include <gtest/gtest.h>

#include <QLocale>

#include "QStringPrinter.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/Pictures.h"
#include "richtext/ReadClamps.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "richtext/Variables.h"
#include "support/DayNumbers.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

KnotEntry* EntryAtCp(CorvaneDoc* doc, uint32_t cp) {
  uint32_t index = 0;
  if (!KnotEntryAtCp(doc, cp, nullptr, &index)) return nullptr;
  return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

class ScopedLocale {
 public:
  explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~ScopedLocale() { QLocale::setDefault(m_saved); }

 private:
  QLocale m_saved;
};

constexpr uint32_t kFivePastOne = 13 * 3600 + 5 * 60;

TEST(VariableTimeTest, EachFormat) {
  struct Case {
    uint32_t seconds, format;
    bool upperCase;
    const char* expected;
  };
  const Case cases[] = {
      {0, 0, true, "12:00"},  // before 1 a.m. the hour is 12
      {kFivePastOne, 4, true, "13:05"},
      {kFivePastOne, 0, true, "1:05"},
      {kFivePastOne + 7, 1, true, "1:05:07"},
      {kFivePastOne + 7, 2, true, "1:05 PM"},
      {kFivePastOne + 7, 2, false, "1:05 pm"},
      {kFivePastOne + 7, 3, true, "1:05:07 PM"},
      {kFivePastOne + 7, 5, true, "13:05:07"},
      {kFivePastOne + 7, 6, true, "130507"},
      {1800, 2, true, "12:30 AM"},
      {43200, 2, true, "12:00 PM"},  // noon
      {43199, 3, false, "11:59:59 am"},
      {kFivePastOne, 99, true, "13:05"},  // the 12-hour clock is for formats below 4
      {86400 + 65, 0, true, "12:01"},     // taken modulo a day
      {0xFFFFFFFF, 5, true, "06:28:15"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatCorvaneTime(c.seconds, c.format, c.upperCase), QString::fromLatin1(c.expected))
        << c.seconds << " in format " << c.format;
}

TEST(ReadClampsTest, ValuesFromFilesAreKeptInRange) {
  struct Case {
    int64_t value;
    uint32_t columns, level, time;
  };
  const Case cases[] = {
      {-5, 0, 1, 86395},
      {0, 0, 1, 0},
      {4, 4, 4, 4},
      {12, 10, 9, 12},
      {86400 + 7, 10, 9, 7},
      {INT64_MIN, 0, 1, uint32_t((INT64_MIN % 86400 + 86400) % 86400)},
      {INT64_MAX, 10, 9, uint32_t(INT64_MAX % 86400)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClampChapterColumns(c.value), c.columns) << c.value;
    EXPECT_EQ(ClampListLevel(c.value), c.level) << c.value;
    EXPECT_EQ(ClampVariableTime(c.value), c.time) << c.value;
  }
}

TEST(VariableDateTest, EachFormat) {
  ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
  const DayIndex day = ComputeDayIndex(2005, 3, 7);
  struct Case {
    uint32_t format;
    bool shortYear;
    const char* expected;
  };
  const Case cases[] = {
      {0, false, "March 7, 2005"}, {0, true, "March 7, 05"}, {1, false, "Mar 7, 2005"}, {3, false, "07 Mar 2005"},
      {4, false, "07 March 2005"}, {5, false, "7/3/2005"},   {5, true, "7/3/05"},       {6, false, "2005/3/7"},
      {7, false, "20050307"},      {7, true, "050307"},      {2, true, "07 March 5"},   {40, false, "07 March 2005"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatCorvaneDate(day, c.format, c.shortYear), QString::fromLatin1(c.expected))
        << "format " << c.format << (c.shortYear ? " short" : "");
  EXPECT_EQ(FormatCorvaneDate(day, 2, false), FormatDayIndex(day, false));
  EXPECT_EQ(FormatCorvaneDate(0, 0, false), UnknownDateString());
  EXPECT_EQ(FormatCorvaneDate(ComputeDayIndex(2005, 13, 40), 5, false), UnknownDateString());
}

// "ab" link("u" | "cd") "e" variable "\n"
//  14 15 16 17 18 19 20 21 22 23 24
//   a  b L0  u M0  c  d E0  e V0 \n
class ShownKnotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    builder.text(Units(u"ab\u0000u\u0000cd\u0000e\u0000\n"))
        .knot(16, kKnotLink, kKinkBegin)
        .knot(18, kKnotLink, kKinkMiddle)
        .knot(21, kKnotLink, kKinkEnd)
        .knot(23, kKnotVariable, kKinkSingle);
    doc = builder.doc();
    KnotEntry* variable = EntryAtCp(doc, 23);
    variable->word1 = kVariableTime;
    variable->word3 = 4;
    doc->variableTime = kFivePastOne;
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
};

TEST_F(ShownKnotsTest, PlainTextShowsLinkAndVariableTexts) {
  EXPECT_EQ(ExtractPlainText(DocRange{doc, 14, 25}, false), QStringLiteral("abcde13:05\n"));
  KnotFormat link;
  FetchKnot(doc, 17, &link, kKnotLink);
  EXPECT_EQ(LinkAddressString(link), QStringLiteral("u"));
  EXPECT_EQ(LinkDisplayString(link), QStringLiteral("cd"));
  EXPECT_FALSE(DocContainsOnlyLink(doc, nullptr));

  // Kinds without a value of their own show "?"; so does a variable seen
  // as a counted string when its text is empty.
  KnotFormat variable;
  FetchKnot(doc, 23, &variable, kKnotVariable);
  CountedString counted;
  GetVariableUstring(variable, nullptr, &counted);
  EXPECT_EQ(QString::fromUtf16(counted.units, counted.length), QStringLiteral("13:05"));
  EntryAtCp(doc, 23)->word1 = kVariablePageCount;
  FetchKnot(doc, 23, &variable, kKnotVariable);
  EXPECT_EQ(VariableStringForKnot(variable, nullptr), QStringLiteral("?"));
  EXPECT_EQ(VariableStringForKnot(KnotFormat{}, nullptr), QStringLiteral("?"));
}

TEST(LinkOnlyTest, AWholeDocumentOfOneLink) {
  RichTextBuilder builder;
  builder.text(Units(u"\u0000u\u0000cd\u0000\n"))
      .knot(14, kKnotLink, kKinkBegin)
      .knot(16, kKnotLink, kKinkMiddle)
      .knot(19, kKnotLink, kKinkEnd);
  KnotFormat knot;
  ASSERT_TRUE(DocContainsOnlyLink(builder.doc(), &knot));
  EXPECT_EQ(LinkDisplayString(knot), QStringLiteral("cd"));
  // A link without its parts has no texts.
  EXPECT_EQ(LinkAddressString(KnotFormat{}), QStringLiteral(""));
}

CSImage SmallImage(int width) {
  QImage bitmap(width, 3, QImage::Format_ARGB32_Premultiplied);
  bitmap.fill(Qt::red);
  return CSImage::initWithCGImage(bitmap, QSizeF(0, 0));
}

TEST(PictureTableTest, StoringCopyingAndTheClipboard) {
  RichTextBuilder source, target;
  const QString given = QStringLiteral("photo.png");
  ASSERT_EQ(StorePicture(source.doc(), SmallImage(4), nullptr), 0u);
  ASSERT_EQ(StorePicture(source.doc(), SmallImage(5), &given), 1u);
  const PictureEntry* made = PictureAtIndex(source.doc(), 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->name->size(), 36);  // a new GUID string
  EXPECT_EQ(made->nameGiven, 0);
  EXPECT_EQ(*PictureAtIndex(source.doc(), 1)->name, given);
  EXPECT_EQ(PictureAtIndex(source.doc(), 1)->nameGiven, 1);
  EXPECT_EQ(PictureAtIndex(source.doc(), 2), nullptr);

  PictureEntry* withArray = PictureAtIndex(source.doc(), 1);
  withArray->arrays[0] = CreateDynamicArray(4, 2);
  const uint32_t word = 77;
  AppendToDynamicArray(withArray->arrays[0], &word);
  const uint32_t copied = CopyPictureInfo(target.doc(), source.doc(), 1);
  ASSERT_EQ(copied, 0u);
  const PictureEntry* copy = PictureAtIndex(target.doc(), copied);
  EXPECT_EQ(copy->image->size(), QSizeF(5, 3));
  EXPECT_EQ(*copy->name, given);
  ASSERT_NE(copy->arrays[0], withArray->arrays[0]);  // an array of its own
  EXPECT_EQ(SizeOfDynamicArray(copy->arrays[0]), 1u);
  EXPECT_EQ(CopyPictureInfo(target.doc(), source.doc(), 9), kNoCpValue);

  // The clipboard document hands its first picture over for kinds 1 and 2.
  CorvaneDoc* saved = g_clipboardDoc;
  g_clipboardDoc = source.doc();
  source.doc()->clipboardKind = 0;
  EXPECT_EQ(PictureIndexForClipboard(target.doc()), kNoCpValue);
  source.doc()->clipboardKind = 2;
  const uint32_t pasted = PictureIndexForClipboard(target.doc());
  g_clipboardDoc = saved;
  ASSERT_EQ(pasted, 1u);
  EXPECT_EQ(PictureAtIndex(target.doc(), pasted)->image->size(), QSizeF(4, 3));
  EXPECT_EQ(PictureAtIndex(target.doc(), pasted)->nameGiven, 0);  // a made-up name is not handed on
  EXPECT_NE(*PictureAtIndex(target.doc(), pasted)->name, *made->name);
}

}  // namespace

#include "richtext/CorvaneDoc.h"

#include <gtest/gtest.h>

#include <functional>

#include "QStringPrinter.h"
#include "richtext/Knots.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

template <size_t N>
QString Units(const char16_t (&units)[N]) {
  return QString::fromUtf16(units, qsizetype(N - 1));
}

// "ab" link("u" | "cd") "e\n": a document that passes.
void BuildValid(RichTextBuilder& builder) {
  builder.text(Units(u"ab\u0000u\u0000cd\u0000e\n"), 3)
      .knot(16, kKnotLink, kKinkBegin)
      .knot(18, kKnotLink, kKinkMiddle)
      .knot(21, kKnotLink, kKinkEnd);
}

KnotEntry* KnotAt(CorvaneDoc* doc, uint32_t index) {
  return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

TEST(ValidateDocumentTest, NewAndBuiltDocumentsPass) {
  for (int32_t kind = 0; kind <= 4; ++kind) {
    RichTextBuilder builder(kind);
    QString reason;
    EXPECT_TRUE(ValidateDocument(builder.doc(), &reason)) << kind << ": " << reason.toStdString();
  }
  RichTextBuilder builder;
  BuildValid(builder);
  QString reason;
  EXPECT_TRUE(ValidateDocument(builder.doc(), &reason)) << reason.toStdString();
  EXPECT_FALSE(ValidateDocument(nullptr, &reason));
}

TEST(ValidateDocumentTest, EachFaultIsRefusedWithAReason) {
  struct Case {
    const char* fault;
    std::function<void(CorvaneDoc*)> spoil;
  };
  const Case cases[] = {
      {"limits disagree", [](CorvaneDoc* d) { d->textLimit = d->cpLimit; }},
      {"no closing break", [](CorvaneDoc* d) { StoreCharacterAtCp(d, d->cpLimit - 1, u'x'); }},
      {"a piece outside its buffer",
       [](CorvaneDoc* d) {
         auto** text = static_cast<char16_t**>(DynamicCPArrayEntry(d->pieces, 2));
         *text += 1000;
       }},
      {"a sentinel short of the end", [](CorvaneDoc* d) { SetMaxCp(d->paraRuns, d->cpLimit - 1); }},
      {"knots out of order", [](CorvaneDoc* d) { ReplaceCp(d->knots, 9, 17); }},
      {"an entry off its mark", [](CorvaneDoc* d) { StoreCharacterAtCp(d, 18, u'x'); }},
      {"marks that do not nest", [](CorvaneDoc* d) { KnotAt(d, 9)->type = kKnotTag; }},
      {"an unknown knot type", [](CorvaneDoc* d) { KnotAt(d, 8)->type = 40; }},
      {"a knot without its end", [](CorvaneDoc* d) { KnotAt(d, 10)->role = kKinkMiddle; }},
      {"a one-mark type as a range", [](CorvaneDoc* d) { KnotAt(d, 8)->type = kKnotPicture; }},
      {"no chapter at 0", [](CorvaneDoc* d) { DeleteFromDynamicCPArray(d->knots, 0, 8); }},
      {"a chapter with a list's record", [](CorvaneDoc* d) { KnotAt(d, 0)->props = d->normalListIndex; }},
      {"a knot naming a missing record", [](CorvaneDoc* d) { KnotAt(d, 8)->props = 5000; }},
      {"a picture past the table",
       [](CorvaneDoc* d) {
         KnotAt(d, 8)->type = kKnotPicture;
         KnotAt(d, 8)->role = kKinkSingle;
         DeleteFromDynamicCPArray(d->knots, 9, 2);
         StoreCharacterAtCp(d, 16, 0);
         KnotAt(d, 8)->word1 = 3;
       }},
      {"a char run naming a para record",
       [](CorvaneDoc* d) {
         uint32_t para = 0;
         FetchDynamicCPArrayEntry(d->paraRuns, 0, &para);
         ReplaceDynamicCPArrayEntry(d->charRuns, 0, &para);
       }},
      {"runs not from 0", [](CorvaneDoc* d) { ReplaceCp(d->charRuns, 0, 3); }},
      {"a listed chapter that is not one", [](CorvaneDoc* d) { InsertInDynamicCPArray(d->chapterMarks, 1, 16, nullptr); }},
      {"the normal list missing", [](CorvaneDoc* d) { d->normalListIndex = 0xFFFFFFFF; }},
      {"styles in a circle",
       [](CorvaneDoc* d) {
         StyleEntry entry;
         FetchDynamicStringArrayEntry(d->styles, 0, &entry);
         entry.base = 0;
         ReplaceDynamicStringArrayData(d->styles, 0, &entry);
       }},
  };
  for (const Case& c : cases) {
    RichTextBuilder builder;
    BuildValid(builder);
    ASSERT_TRUE(ValidateDocument(builder.doc()));
    c.spoil(builder.doc());
    QString reason;
    EXPECT_FALSE(ValidateDocument(builder.doc(), &reason)) << c.fault;
    EXPECT_FALSE(reason.isEmpty()) << c.fault;
  }
}

}  // namespace

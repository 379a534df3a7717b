#include <gtest/gtest.h>

#include <set>

#include "QStringPrinter.h"
#include "richtext/Bookmarks.h"
#include "richtext/Knots.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Variables.h"
#include "support/DynamicArrays.h"

namespace {

KnotEntry* EntryAtCp(CorvaneDoc* doc, uint32_t cp) {
  uint32_t index = 0;
  if (!KnotEntryAtCp(doc, cp, nullptr, &index)) return nullptr;
  return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

// Lays down bookmarks "B<guid>M<name>E" one after another from cp 15 (after
// an "x"), then a bookmark-reference variable per entry of `refs`; answers
// each bookmark's begin cp in `begins` and each variable's cp in `vars`.
void BuildBookmarks(RichTextBuilder& builder, const QStringList& guids, const QStringList& names,
                    const std::vector<uint32_t>& refs, std::vector<uint32_t>* begins, std::vector<uint32_t>* vars) {
  QString text = QStringLiteral("x");
  struct Mark {
    uint32_t cp, type, role;
  };
  std::vector<Mark> marks;
  for (int i = 0; i < guids.size(); ++i) {
    const auto begin = uint32_t(RichTextBuilder::kBodyStart + text.size());
    begins->push_back(begin);
    text += QChar(0) + guids[i] + QChar(0) + names[i] + QChar(0);
    marks.push_back({begin, kKnotBookmark, kKinkBegin});
    marks.push_back({begin + 1 + uint32_t(guids[i].size()), kKnotBookmark, kKinkMiddle});
    marks.push_back({uint32_t(RichTextBuilder::kBodyStart + text.size() - 1), kKnotBookmark, kKinkEnd});
  }
  for (size_t i = 0; i < refs.size(); ++i) {
    vars->push_back(uint32_t(RichTextBuilder::kBodyStart + text.size()));
    marks.push_back({vars->back(), kKnotVariable, kKinkSingle});
    text += QChar(0);
  }
  builder.text(text + QStringLiteral("\n"));
  for (const Mark& m : marks) builder.knot(m.cp, m.type, m.role);
  for (size_t i = 0; i < refs.size(); ++i) {
    KnotEntry* entry = EntryAtCp(builder.doc(), (*vars)[i]);
    entry->word1 = kVariableBookmarkRef;
    entry->word2 = refs[i];
  }
}

QString ShownVariable(CorvaneDoc* doc, uint32_t cp) {
  KnotFormat knot;
  FetchKnot(doc, cp, &knot, kKnotVariable);
  return VariableStringForKnot(knot, nullptr);
}

// Every live entry names an existing bookmark whose GUID text it holds, no
// two name the same one, and every bookmark has one.
void ExpectGuidTableSound(CorvaneDoc* doc) {
  std::set<uint32_t> named;
  for (uint32_t i = 0; i < SizeOfDynamicArray(doc->bookmarkGuids); ++i) {
    uint32_t value = 0;
    const QString guid = FetchDynamicStringArrayEntry(doc->bookmarkGuids, i, &value);
    if (value == kNoBookmark) continue;
    ASSERT_LT(value, BookmarkCount(doc)) << "entry " << i;
    EXPECT_TRUE(named.insert(value).second) << "bookmark " << value << " named twice";
    EXPECT_EQ(guid, BookmarkGuid(doc, value)) << "entry " << i;
  }
  EXPECT_EQ(named.size(), BookmarkCount(doc));
}

class BookmarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildBookmarks(builder, {QStringLiteral("g1"), QStringLiteral("g2"), QStringLiteral("g3")},
                   {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}, {1, 2}, &begins, &vars);
    doc = builder.doc();
    IdentifyBookmarks(doc);
  }
  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  std::vector<uint32_t> begins, vars;
};

TEST_F(BookmarkTest, TheTableLinksGuidsAndBookmarks) {
  ASSERT_EQ(BookmarkCount(doc), 3u);
  EXPECT_EQ(BookmarkGuid(doc, 1), QStringLiteral("g2"));
  EXPECT_EQ(BookmarkDisplayString(doc, 2), QStringLiteral("Three"));
  EXPECT_EQ(BookmarkGuid(doc, 3), QStringLiteral(""));
  EXPECT_EQ(BookmarkIndexForGuid(doc, QStringLiteral("g3")), 2u);
  EXPECT_EQ(BookmarkIndexForGuid(doc, QStringLiteral("nope")), kNoBookmark);
  EXPECT_EQ(GuidIndexForBookmarkIndex(doc, 1), 1u);
  EXPECT_EQ(BookmarkIndexForGuidIndex(doc, 7), kNoBookmark);
  ExpectGuidTableSound(doc);
  EXPECT_EQ(ShownVariable(doc, vars[0]), QStringLiteral("Two"));
  EXPECT_EQ(ShownVariable(doc, vars[1]), QStringLiteral("Three"));

  // A second identification changes nothing; a missing GUID is appended
  // empty, a known one found.
  IdentifyBookmarks(doc);
  EXPECT_EQ(SizeOfDynamicArray(doc->bookmarkGuids), 3u);
  EXPECT_EQ(BookmarkGuidIndexForGuid(doc, QStringLiteral("g9"), kNoBookmark), 3u);
  EXPECT_EQ(BookmarkIndexForGuidIndex(doc, 3), kNoBookmark);
  EXPECT_EQ(BookmarkGuidIndexForGuid(doc, QStringLiteral("g2"), kNoBookmark), 1u);
}

TEST_F(BookmarkTest, DeletingKeepsLaterReferences) {
  // The marks of bookmark 1 go, as an edit that deletes its text would take them.
  DeleteBookmarks(doc, 1, 2);
  ASSERT_EQ(BookmarkCount(doc), 2u);
  ExpectGuidTableSound(doc);
  EXPECT_EQ(ShownVariable(doc, vars[0]), QStringLiteral("???"));  // its bookmark is gone
  EXPECT_EQ(ShownVariable(doc, vars[1]), QStringLiteral("Three"));
  EXPECT_EQ(BookmarkIndexForGuid(doc, QStringLiteral("g2")), kNoBookmark);
  EXPECT_EQ(BookmarkIndexForGuid(doc, QStringLiteral("g3")), 1u);

  DeleteBookmarks(doc, 1, 40);  // a limit past the end is kept to it
  EXPECT_EQ(BookmarkCount(doc), 1u);
  ExpectGuidTableSound(doc);
  DeleteBookmarks(doc, 3, 2);
  EXPECT_EQ(BookmarkCount(doc), 1u);
}

TEST_F(BookmarkTest, CopiesTakeTheSourceGuid) {
  // A target whose middle bookmark was just pasted: the table knows only
  // the outer two.
  RichTextBuilder target;
  std::vector<uint32_t> targetBegins, targetVars;
  BuildBookmarks(target, {QStringLiteral("t1"), QStringLiteral("g2"), QStringLiteral("t3")},
                 {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, {}, &targetBegins, &targetVars);
  CorvaneDoc* into = target.doc();
  BookmarkGuidIndexForGuid(into, QStringLiteral("t1"), 0);
  BookmarkGuidIndexForGuid(into, QStringLiteral("t3"), 1);
  CopyBookmarkGuid(into, targetBegins[1], doc, begins[1]);
  ExpectGuidTableSound(into);
  EXPECT_EQ(BookmarkIndexForGuid(into, QStringLiteral("t3")), 2u);
  EXPECT_EQ(BookmarkIndexForGuid(into, QStringLiteral("g2")), 1u);

  // A copy within one document: the GUID still names the original, so the
  // copy gets an entry of its own and the original keeps its.
  RichTextBuilder twice;
  std::vector<uint32_t> twiceBegins, twiceVars;
  BuildBookmarks(twice, {QStringLiteral("g1"), QStringLiteral("g1")}, {QStringLiteral("A"), QStringLiteral("A")}, {},
                 &twiceBegins, &twiceVars);
  CorvaneDoc* same = twice.doc();
  BookmarkGuidIndexForGuid(same, QStringLiteral("g1"), 0);
  CopyBookmarkGuid(same, twiceBegins[1], same, twiceBegins[0]);
  ExpectGuidTableSound(same);
  EXPECT_EQ(GuidIndexForBookmarkIndex(same, 0), 0u);
  EXPECT_EQ(GuidIndexForBookmarkIndex(same, 1), 1u);

  // A freed entry of the GUID is taken again rather than a new one added.
  DeleteBookmarks(into, 1, 2);
  const uint32_t freed = SizeOfDynamicArray(into->bookmarkGuids);
  // The bookmark comes back (its mark put back, as a paste would).
  ASSERT_TRUE(InsertInDynamicCPArray(into->bookmarkMarks, 1, targetBegins[1], nullptr));
  CopyBookmarkGuid(into, targetBegins[1], doc, begins[1]);
  ExpectGuidTableSound(into);
  EXPECT_EQ(SizeOfDynamicArray(into->bookmarkGuids), freed);
}

TEST_F(BookmarkTest, PastedReferencesFollowTheirGuids) {
  // The pasted text: a bookmark with GUID g3 and a reference that names the
  // source's entry 2 (g3). The target's table holds another GUID first.
  RichTextBuilder target;
  std::vector<uint32_t> targetBegins, targetVars;
  BuildBookmarks(target, {QStringLiteral("t1"), QStringLiteral("g3")}, {QStringLiteral("A"), QStringLiteral("Pasted")},
                 {2, 1}, &targetBegins, &targetVars);
  CorvaneDoc* into = target.doc();
  BookmarkGuidIndexForGuid(into, QStringLiteral("t1"), 0);
  CorrectBookmarkRefs(DocRange{into, RichTextBuilder::kBodyStart, into->textLimit}, doc);
  ExpectGuidTableSound(into);
  EXPECT_EQ(ShownVariable(into, targetVars[0]), QStringLiteral("Pasted"));
  // g2 names no bookmark of the target: an empty entry, shown as "???".
  EXPECT_EQ(ShownVariable(into, targetVars[1]), QStringLiteral("???"));
  EXPECT_EQ(EntryAtCp(into, targetVars[1])->word2, 2u);
  EXPECT_EQ(FetchDynamicStringArrayEntry(into->bookmarkGuids, 2, nullptr), QStringLiteral("g2"));

  // A reference the source cannot resolve is cut loose.
  EntryAtCp(into, targetVars[1])->word2 = 50;
  CorrectBookmarkRefs(DocRange{into, targetVars[1], targetVars[1] + 1}, doc);
  EXPECT_EQ(EntryAtCp(into, targetVars[1])->word2, kNoBookmark);
  EXPECT_EQ(ShownVariable(into, targetVars[1]), QStringLiteral("???"));
  EXPECT_TRUE(ValidateDocument(into));
}

TEST_F(BookmarkTest, PastedBookmarksWithoutGuidGetOne) {
  // Two pasted bookmarks with empty GUID texts and one with a GUID.
  RichTextBuilder target;
  std::vector<uint32_t> targetBegins, targetVars;
  BuildBookmarks(target, {QString(), QStringLiteral("g1"), QString()},
                 {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, {}, &targetBegins, &targetVars);
  CorvaneDoc* into = target.doc();
  CorrectBookmarkRefs(DocRange{into, RichTextBuilder::kBodyStart, into->textLimit}, doc);
  ASSERT_EQ(BookmarkCount(into), 3u);
  const QString first = BookmarkGuid(into, 0), last = BookmarkGuid(into, 2);
  EXPECT_EQ(first.size(), 36) << first.toStdString();
  EXPECT_EQ(last.size(), 36) << last.toStdString();
  EXPECT_NE(first, last);
  EXPECT_EQ(BookmarkGuid(into, 1), QStringLiteral("g1"));
  EXPECT_EQ(BookmarkDisplayString(into, 2), QStringLiteral("C"));
  ExpectGuidTableSound(into);
  EXPECT_TRUE(ValidateDocument(into));
}

}  // namespace

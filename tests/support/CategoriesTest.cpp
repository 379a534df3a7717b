#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/CSError.h"
#include "support/CSIndexSet.h"
#include "support/Categories.h"
#include "support/TextUtilities.h"
#include "testkit/QStringPrinter.h"

namespace {
QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}
}  // namespace

TEST(Categories, GuidStringIsUpperCaseAndUnique) {
  const QString a = GuidString();
  const QString b = GuidString();
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                  .match(a)
                  .hasMatch())
      << a.toStdString();
  EXPECT_NE(a, b);
}

TEST(Categories, FuzzyComparison) {
  EXPECT_TRUE(IsFuzzyEqualToString(U("TIFF"), U("tiff")));
  EXPECT_FALSE(IsFuzzyEqualToString(U("TIFF"), QString()));
  EXPECT_FALSE(IsFuzzyEqualToString(QString(), QString()));
  EXPECT_TRUE(HasFuzzyPrefix(U("Drawing.TWdraw"), U("drawing")));
  EXPECT_TRUE(HasFuzzySuffix(U("Drawing.TWdraw"), U(".twdraw")));
  EXPECT_FALSE(HasFuzzySuffix(U("Drawing"), QString()));
  EXPECT_FALSE(HasFuzzyPrefix(U("Drawing"), U("")));
  EXPECT_EQ(IndexOfStringStartingAt(u"abcABC", u"abc", 1), 3);
  EXPECT_EQ(IndexOfStringStartingAt(u"abc", u"abc", 3), kStringNotFound);
  EXPECT_EQ(IndexOfStringStartingAt(u"abc", u"", 0), kStringNotFound);
  EXPECT_EQ(NumberOfOccurrencesOfString(u"aaaa", u"aa"), 2);
}

TEST(Categories, SubstringsAndSpaces) {
  EXPECT_EQ(SubstringFrom(U("abcdef"), 2, 4), U("cd"));
  EXPECT_EQ(SubstringFrom(U("abcdef"), 2, 0xFFFFFFFF), U("cdef"));
  EXPECT_EQ(SubstringFrom(U("abcdef"), 2, kStringNotFound), U("cdef"));
  EXPECT_TRUE(SubstringFrom(U("abc"), 5, 9).isEmpty());
  EXPECT_TRUE(SubstringFrom(U("abc"), 2, 1).isEmpty());
  char16_t c = 0;
  EXPECT_EQ(NextNonSpace(u"a  \tb", 1, &c), 4);
  EXPECT_EQ(c, u'b');
  EXPECT_EQ(NextNonSpace(u"a  ", 1, &c), 3);
  EXPECT_EQ(c, u' ');
  EXPECT_EQ(ValidateFirstUnicodeCharacter(u"é"), u'é');
  EXPECT_EQ(ValidateFirstUnicodeCharacter(u"ab"), 0);
  EXPECT_EQ(ValidateFirstUnicodeCharacter(QStringView(u"\xD83D", 1)), 0);
}

TEST(Categories, Paths) {
  EXPECT_EQ(FileNameMinusExtension(U("/a/b/Drawing.TWdraw")), U("Drawing"));
  EXPECT_EQ(FileNameMinusExtension(U("/a/b/.hidden")), U(".hidden"));
  EXPECT_EQ(FileNameMinusExtension(U("/a/b.c/name")), U("name"));
  EXPECT_EQ(StringByAppendingFile(U("/tmp"), U("x"), U("svg")), U("/tmp/x.svg"));
  EXPECT_EQ(StringByAppendingFile(U("/tmp/"), U("x"), QString()), U("/tmp/x"));
  EXPECT_EQ(StringByReplacingExtension(U("/a/pic.png"), U("jpg")), U("/a/pic.jpg"));
  EXPECT_EQ(StringByReplacingExtension(U("/a/pic.png"), QString()), U("/a/pic"));
  EXPECT_EQ(StringByReplacingExtension(U("/a.b/pic"), U("jpg")), U("/a.b/pic.jpg"));
  EXPECT_EQ(StringByReplacingFile(U("/a/pic.png"), U("other"), U("tiff")), U("/a/other.tiff"));
  const QString home = QDir::homePath();
  EXPECT_EQ(AbbreviateHomeFolderPath(home + U("/Documents/x")), U("~/Documents/x"));
  EXPECT_EQ(AbbreviateHomeFolderPath(home), home);
  EXPECT_EQ(AbbreviateHomeFolderPath(home + U("/")), home + U("/"));  // still the home folder itself
  EXPECT_EQ(AbbreviateHomeFolderPath(U("/etc/hosts")), U("/etc/hosts"));
  EXPECT_EQ(AbbreviateHomeFolderPath(home + U("x/y")), home + U("x/y"));  // a sibling, not inside
}

TEST(Categories, PercentEscaping) {
  struct Row {
    const char* text;
    bool periods, returns;
    const char* escaped;
  } rows[] = {
      {"é", false, false, "%C3%A9"},        {"a.b", true, false, "a%2Eb"},       {"a.b", false, false, "a.b"},
      {"a b/c", false, false, "a%20b%2Fc"}, {"x\ny", false, false, "x\ny"},      {"x\ny", false, true, "x%0Ay"},
      {"-~_Az9", true, true, "-~_Az9"},     {"😀", false, false, "%F0%9F%98%80"},
  };
  for (const Row& r : rows) {
    const QString escaped = EncodeIncludingPeriods(U(r.text), r.periods, r.returns);
    EXPECT_EQ(escaped, U(r.escaped)) << r.text;
    EXPECT_EQ(DecodeString(escaped), U(r.text)) << r.text;
  }
  EXPECT_EQ(DecodeString(U("%c3%a9")), U("é"));
  EXPECT_TRUE(DecodeString(U("%C3")).isNull());  // not UTF-8
  EXPECT_TRUE(DecodeString(U("%4")).isNull());   // cut short
  EXPECT_TRUE(DecodeString(U("%ZZ")).isNull());
  EXPECT_EQ(DecodeString(U("plain")), U("plain"));
}

TEST(Categories, HtmlEscaping) {
  EXPECT_EQ(CreateEscapedStringForHtml(U("a<b>&\"c\"\x01\t")), U("a&lt;b&gt;&amp;&quot;c&quot; \t"));
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"&lt;b&gt; &amp; &quot;x&quot; &apos;y&apos;", "<b> & \"x\" 'y'"},
      {"a&nbsp;b", "a b"},
      {"&amp;lt;", "&lt;"},                                  // scanning goes on after the replacement
      {"x &#233; y", "x  y"},                                // other entities go
      {"AT&T and R&D", "AT&T and R&D"},                      // a blank before any ";"
      {"a&verylongentityname;b", "a&verylongentityname;b"},  // beyond 13 characters
      {"&<x>;", "&<x>;"},
      {"tail &", "tail &"},
  };
  for (const Row& r : rows) EXPECT_EQ(CreateUnescapedStringForHtml(U(r.in)), U(r.out)) << r.in;
}

TEST(Categories, TitleCase) {
  struct Row {
    const char* in;
    const char* out;
  } rows[] = {
      {"the cat's tale of the sea", "The Cat's Tale of the Sea"},
      {"THE END", "The End"},
      {"we'll be there", "We'll Be There"},
      {"it\u2019s a test", "It\u2019s a Test"},
      {"of mice and men", "Of Mice and Men"},
      {"3rd time", "3rd Time"},
      {"", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(TitleCase(U(r.in)), U(r.out)) << r.in;
  EXPECT_EQ(TitleCaseString(U("a b")), U("A B"));
  EXPECT_EQ(SortTitleString(U("The Lord of the Rings!")), U("lord rings"));
  EXPECT_EQ(SortTitleString(U("...")), U("..."));
}

TEST(Categories, CleanUpAndExtract) {
  EXPECT_EQ(CleanUp(U("  a\t\tb \n")), U("a b"));
  EXPECT_EQ(CleanUp(U("a\n\n\nb"), true, false), U("a\nb"));
  EXPECT_EQ(CleanUp(U("a\r\nb"), false, false), U("a b"));
  EXPECT_EQ(CleanUp(U("a,\x01 b!"), false, true), U("a b"));
  EXPECT_TRUE(CleanUp(U(" \n\t ")).isNull());
  EXPECT_TRUE(CleanUp(U("!?"), false, true).isNull());
  EXPECT_EQ(CleanUpString(U(" x "), false, false), U("x"));

  const QString text = U("first line\nsome words around the key here\nlast");
  const qsizetype key = text.indexOf(U("key"));
  EXPECT_EQ(Extract(text, key, 3), U("key here"));
  const qsizetype words = text.indexOf(U("words"));
  EXPECT_EQ(Extract(text, words, 5, 14), U("words around"));
  EXPECT_TRUE(Extract(text, 999, 3).isEmpty());
}

TEST(Categories, Quotes) {
  // The test locale gives straight marks, so the typographic defaults hold.
  EXPECT_EQ(QuoteForCurrentChar(u'"', u' ', u'a'), 0x201C);
  EXPECT_EQ(QuoteForCurrentChar(u'"', u'a', u' '), 0x201D);
  EXPECT_EQ(QuoteForCurrentChar(u'\'', u'(', u'a'), 0x2018);
  EXPECT_EQ(QuoteForCurrentChar(u'\'', u'n', u't'), 0x2019);
  EXPECT_EQ(QuoteForCurrentChar(u'\'', u' ', u'9'), 0x2019);   // '90s
  EXPECT_EQ(QuoteForCurrentChar(u'\'', u'\t', u'9'), 0x2018);  // only after a plain space
  EXPECT_EQ(QuoteForCurrentChar(u'x', u' ', u' '), u'x');
  EXPECT_EQ(SubstituteQuotes(u'"', 0x201C, u'a'), 0x201C);
  EXPECT_EQ(StringBySubstitutingQuotes(U("say \"it's\""), u' '), U("say “it’s”"));
  EXPECT_EQ(StringBySubstitutingQuotes(U("'quoted'"), 0), U("‘quoted’"));
  EXPECT_EQ(TypographicQuotesForLocale(QLocale::c()), U("“”‘’"));
  EXPECT_EQ(TypographicQuotesForLocale(QLocale(QStringLiteral("de_DE"))), U("„“‚‘"));
  EXPECT_EQ(TypographicQuotesForLocale(QLocale(QStringLiteral("fr_FR"))).size(), 4);
}

TEST(Categories, CamelCaseAndDeletion) {
  struct Row {
    const char* in;
    bool lower;
    const char* out;
    qsizetype space;
    bool inserted;
  } rows[] = {
      {"GillSansBold", false, "Gill Sans Bold", 4, true},
      {"GillSansBold", true, "Gill sans bold", 4, true},
      {"Times New", false, "Times New", 5, false},
      {"ABCdef", false, "ABCdef", 0, false},
      {"aB", true, "a B", 1, true},  // nothing lower-case follows: stays upper
  };
  for (const Row& r : rows) {
    QString s = U(r.in);
    qsizetype space = -1;
    EXPECT_EQ(RemoveCamelCase(s, r.lower, &space), r.inserted) << r.in;
    EXPECT_EQ(s, U(r.out)) << r.in;
    EXPECT_EQ(space, r.space) << r.in;
  }
  QString s = U("abcdef");
  DeleteCharactersFrom(s, 2, 100);
  EXPECT_EQ(s, U("ab"));
  DeleteCharactersFrom(s, 5, 6);  // outside: nothing
  DeleteCharactersFrom(s, 1, 0);  // inverted: nothing
  EXPECT_EQ(s, U("ab"));
}

TEST(Categories, EncodingsByNameAndUnknownData) {
  EXPECT_EQ(IdentifyStringEncoding(u"UTF-8"), kUTF8StringEncoding);
  EXPECT_EQ(IdentifyStringEncoding(u"Shift_JIS"), kShiftJISStringEncoding);
  EXPECT_EQ(IdentifyStringEncoding(u"windows-1254"), kWindowsCP1254StringEncoding);
  EXPECT_EQ(IdentifyStringEncoding(u"klingon"), kUnknownStringEncoding);
  // Every named encoding has a decoder.
  for (const char* name : {"utf-8", "utf-16", "iso-8859-1", "windows-1252", "us-ascii", "utf-16be", "utf-16le",
                           "iso-8859-2", "iso-2022-jp", "euc-jp", "shift_jis", "utf-32", "utf-32be", "utf-32le",
                           "windows-1250", "windows-1251", "windows-1253", "windows-1254"}) {
    const uint32_t e = IdentifyStringEncoding(QString::fromLatin1(name));
    ASSERT_NE(e, kUnknownStringEncoding) << name;
    EXPECT_FALSE(StringFromBytesInEncoding("ab", 2, e).isNull() && e != kUTF16StringEncoding &&
                 e != kUTF32StringEncoding && e != kUTF32BigEndianStringEncoding &&
                 e != kUTF32LittleEndianStringEncoding)
        << name;
  }
  uint32_t used = 0;
  EXPECT_EQ(StringFromDataInUnknownFormat(QByteArray("\xFF\xFE"
                                                     "a\0b\0",
                                                     6),
                                          QString(), &used),
            U("ab"));
  EXPECT_EQ(used, kUTF16LittleEndianStringEncoding);
  EXPECT_EQ(StringFromDataInUnknownFormat(QByteArray("\xFE\xFF\0a\0b", 6), QString(), &used), U("ab"));
  EXPECT_EQ(used, kUTF16BigEndianStringEncoding);
  EXPECT_EQ(StringFromDataInUnknownFormat(QByteArray("caf\xC3\xA9"), QString(), &used), U("café"));
  EXPECT_EQ(used, kUTF8StringEncoding);
  EXPECT_EQ(StringFromDataInUnknownFormat(QByteArray("caf\x8E"), QString(), &used), U("café"));
  EXPECT_EQ(used, kMacOSRomanStringEncoding);
}

TEST(Categories, Collections) {
  const QStringList sorted = {U("alpha"), U("Beta"), U("gamma")};
  qsizetype index = -1;
  EXPECT_TRUE(IsStringInSortedArray(sorted, U("BETA"), &index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(IsStringInSortedArray(sorted, U("delta"), &index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(IsStringInSortedArray({}, U("x"), &index));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(IndexOfStringInArray(sorted, U("GAMMA")), 2);
  EXPECT_EQ(IndexOfStringInArray(sorted, QString()), kStringNotFound);
  EXPECT_TRUE(ContainsString(sorted, U("Alpha")));
  EXPECT_FALSE(ContainsString(sorted, U("")));
  const QVariantMap map{{U("n"), 42}, {U("s"), U("17 apples")}, {U("yes"), U("YES")}, {U("f"), 2.5}};
  EXPECT_EQ(IntegerForKey(map, U("n")), 42);
  EXPECT_EQ(IntegerForKey(map, U("s")), 17);
  EXPECT_EQ(IntegerForKey(map, U("absent")), 0);
  EXPECT_TRUE(BoolForKey(map, U("yes")));
  EXPECT_FALSE(BoolForKey(map, U("absent")));
  EXPECT_DOUBLE_EQ(FloatForKey(map, U("f")), 2.5);
  EXPECT_EQ(IntegerAtIndex({1, U("8")}, 1), 8);
  EXPECT_EQ(IntegerAtIndex({1}, 5), 0);
}

TEST(Categories, ErrorReason) {
  EXPECT_EQ(CSError().reason(), U("An unknown error occurred."));
  EXPECT_EQ(CSError(CSError::kOSStatusDomain, -43, QString(), U("desc")).reason(), U("desc"));
  const CSError e = CSError::withReason(U("Can’t open “x”."), -50);
  EXPECT_EQ(e.reason(), U("Can't open \"x\"."));
  EXPECT_EQ(e.code(), -50);
  EXPECT_EQ(e.domain(), CSError::kOSStatusDomain);
}

TEST(CSIndexSet, ArchiveTable) {
  struct Row {
    const char* text;
    bool valid;
    const char* archived;  // written back
    int64_t count;
  } rows[] = {
      {"1-3 7", true, "1-3 7", 4},
      {"7 1 2 3", true, "1-3 7", 4},
      {"", true, "", 0},
      {"0", true, "0", 1},
      {"5-5", true, "5", 1},
      {"1-3 2-6", true, "1-6", 6},
      {"1  2", true, "1-2", 2},
      {"2147483647", true, "2147483647", 1},
      {"0-2147483647", true, "0-2147483647", 2147483648},
      {"2147483648", false, "", 0},
      {"99999999999999999999999", false, "", 0},
      {"5-2", false, "", 0},
      {"3-", false, "", 0},
      {"-3", false, "", 0},
      {"1-2-3", false, "", 0},
      {"1,2", false, "", 0},
      {"a", false, "", 0},
  };
  for (const Row& r : rows) {
    const std::optional<CSIndexSet> set = CSIndexSet::fromArchive(U(r.text));
    ASSERT_EQ(set.has_value(), r.valid) << r.text;
    if (!set) continue;
    EXPECT_EQ(set->archive(), U(r.archived)) << r.text;
    EXPECT_EQ(set->count(), r.count) << r.text;
  }
}

TEST(CSIndexSet, Editing) {
  CSIndexSet set;
  for (int64_t i : {1, 2, 3, 7}) set.addIndex(i);
  EXPECT_EQ(set.archive(), U("1-3 7"));
  EXPECT_EQ(CSIndexSet::fromArchive(set.archive()), set);
  set.removeIndex(2);
  EXPECT_EQ(set.archive(), U("1 3 7"));
  set.addRange(4, 6);
  EXPECT_EQ(set.archive(), U("1 3-7"));
  EXPECT_TRUE(set.containsIndex(5));
  EXPECT_FALSE(set.containsIndex(2));
  set.addRange(-1, 4);  // refused
  set.addRange(9, 8);   // refused
  EXPECT_EQ(set.archive(), U("1 3-7"));
  EXPECT_EQ(set.indexes(), (std::vector<int64_t>{1, 3, 4, 5, 6, 7}));
}

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QSettings>
#include <QStandardPaths>

#include "support/Fonts.h"
#include "testkit/LogCapture.h"

namespace {

// The fonts-dejavu-core faces are installed on every machine the tests run on.
const QString kSans = QStringLiteral("DejaVu Sans");

TEST(FontsTest, ExistenceIgnoresCaseAndHiddenNames) {
  for (const char* name :
       {"DejaVu Sans", "dejavu sans", "DEJAVUSANS-BOLD", "DejaVuSans", "DejaVu Sans Bold", "dejavu serif book"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(FontExists(QString::fromUtf8(name)));
  }
  for (const char* name : {"", ".DejaVu Sans", "NoSuchFontAnywhere", "DejaVu Sans-Heavy", "DejaVu"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(FontExists(QString::fromUtf8(name)));
  }
  EXPECT_FALSE(FontExists(QString(kMaxFontNameLength + 1, u'a')));
}

TEST(FontsTest, NamesResolveToTheirFaces) {
  const QFont bold = FontWithName(QStringLiteral("DejaVuSans-Bold"), 17.5);
  EXPECT_EQ(QFontInfo(bold).family(), kSans);
  EXPECT_TRUE(QFontInfo(bold).bold());
  EXPECT_EQ(bold.pointSizeF(), 17.5);
  EXPECT_EQ(FontName(bold), QStringLiteral("DejaVuSans-Bold"));
  EXPECT_EQ(FontName(FontWithName(kSans, 12)), QStringLiteral("DejaVuSans"));
  EXPECT_EQ(FontName(FontWithName(QStringLiteral("DejaVu Serif Bold Italic"), 12)),
            QStringLiteral("DejaVuSerif-BoldItalic"));
  // An unknown name still gives an installed face.
  EXPECT_TRUE(FontExists(FontName(FontWithName(QStringLiteral("Nope-Bold"), 12))));
}

TEST(FontsTest, MapFontNameAlwaysAnswersAnInstalledFace) {
  struct Case {
    const char* name;
    const char* expected;  // null: the user font, substituted
  };
  const Case cases[] = {
      {"DejaVuSans-Bold", "DejaVuSans-Bold"},
      {"DejaVu Sans", "DejaVu Sans"},
      {"dejavu sans mono", "dejavu sans mono"},
      // Style-suffixed names in other spellings find the face.
      {"DejaVu Sans-Bold", "DejaVuSans-Bold"},
      {"DejaVuSansMono Bold Oblique", "DejaVuSansMono-BoldOblique"},
      // A style the family lacks: the family's plain face.
      {"DejaVuSans-Heavy", "DejaVuSans"},
      {"DejaVuSerif-UltraWide", "DejaVuSerif"},
      {"NoSuchFont-Bold", nullptr},
      {"", nullptr},
      {"-", nullptr},
      {"Ω≈ç√", nullptr},
  };
  const QString userFont = FontName(UserFont(12));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool substituted = !c.expected;  // must be overwritten either way
    const QString mapped = MapFontName(QString::fromUtf8(c.name), &substituted);
    EXPECT_TRUE(FontExists(mapped)) << mapped.toStdString();
    EXPECT_EQ(mapped, c.expected ? QString::fromUtf8(c.expected) : userFont);
    EXPECT_EQ(substituted, c.expected == nullptr);
  }
  EXPECT_EQ(MapFontName(QString(1000, u'x')), userFont);
  // A family found by part of its name.
  EXPECT_TRUE(MapFontName(QStringLiteral("DejaVu")).startsWith(QStringLiteral("DejaVu")));
  EXPECT_TRUE(FontExists(MapFontName(QStringLiteral("Sans Serif"))));
}

TEST(FontsTest, UserAndDefaultFonts) {
  const QFont standard = DefaultUserFontOfSize(0);
  EXPECT_EQ(standard.pointSizeF(), 12);
  EXPECT_TRUE(FontExists(FontName(standard)));
  EXPECT_EQ(DefaultUserFontOfSize(20).pointSizeF(), 20);
  EXPECT_EQ(FontName(UserFont(14)), FontName(DefaultUserFontOfSize(14)));

  SetDefaultFontNameProvider([] { return QStringLiteral("DejaVu Serif"); });
  EXPECT_EQ(QFontInfo(UserFont(14)).family(), QStringLiteral("DejaVu Serif"));
  SetDefaultFontNameProvider([] { return QStringLiteral("NoSuchFontAnywhere"); });
  EXPECT_EQ(FontName(UserFont(14)), FontName(DefaultUserFontOfSize(14)));
  SetDefaultFontNameProvider(nullptr);

  EXPECT_GT(SystemFontSize(), 0);
  EXPECT_LT(SmallSystemFontSize(), SystemFontSize());
  EXPECT_EQ(SystemFont(24).pointSizeF(), 24);
}

TEST(FontsTest, NameComponentsAndTheirMatch) {
  const std::pair<const char*, QStringList> cases[] = {
      {"TimesNewRomanPS-BoldMT", {"times", "new", "roman", "ps", "bold", "mt"}},
      {"HTMLParser", {"html", "parser"}},
      {"Gill Sans  Light", {"gill", "sans", "light"}},
      {"DejaVuSans", {"deja", "vu", "sans"}},
      {"Font2-Bold", {"font2", "bold"}},
      {"--", {}},
      {"", {}},
  };
  for (const auto& [name, words] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FontNameComponents(QString::fromUtf8(name)), words);
  }
  EXPECT_EQ(MatchFontNameComponents({"a", "b", "c"}, {"a", "b"}), 9);
  EXPECT_EQ(MatchFontNameComponents({"bolder"}, {"bold"}), 1);
  EXPECT_EQ(MatchFontNameComponents({"x", "bold"}, {"bold", "y"}), 5);
  EXPECT_EQ(MatchFontNameComponents({}, {"a", "b"}), -2);
}

TEST(FontsTest, MutateFontFollowsTheBases) {
  const QFont oldBase = FontWithName(kSans, 12);
  const QFont newBase = FontWithName(QStringLiteral("DejaVu Serif"), 18);
  QFont boldSans = FontWithName(QStringLiteral("DejaVuSans-Bold"), 24);
  const QFont mutated = MutateFont(boldSans, oldBase, newBase);
  EXPECT_EQ(QFontInfo(mutated).family(), QStringLiteral("DejaVu Serif"));
  EXPECT_TRUE(mutated.bold());  // bold relative to two plain bases
  EXPECT_EQ(mutated.pointSizeF(), 36);

  const QFont other = FontWithName(QStringLiteral("DejaVu Sans Mono"), 10);
  const QFont resized = MutateFont(other, oldBase, newBase);
  EXPECT_EQ(QFontInfo(resized).family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(resized.pointSizeF(), 15);

  // Both bases bold, the font not: the new base made plain.
  const QFont plain = MutateFont(FontWithName(kSans, 12), FontWithName(QStringLiteral("DejaVuSans-Bold"), 12),
                                 FontWithName(QStringLiteral("DejaVuSerif-Bold"), 12));
  EXPECT_FALSE(plain.bold());
  EXPECT_EQ(plain.pointSizeF(), 12);
}

TEST(FontsTest, DescriptorsRoundTripAndRefuseBadText) {
  const QFont font = FontWithName(QStringLiteral("DejaVuSerif-Italic"), 17.5);
  QFont read;
  ASSERT_TRUE(FontFromDescriptor(FontDescriptor(font), &read));
  EXPECT_EQ(FontName(read), QStringLiteral("DejaVuSerif-Italic"));
  EXPECT_EQ(read.pointSizeF(), 17.5);

  // A family not installed here is mapped to one that is.
  ASSERT_TRUE(FontFromDescriptor(QStringLiteral("NoSuchFamily,13"), &read));
  EXPECT_TRUE(FontExists(read.family()));
  EXPECT_EQ(read.pointSizeF(), 13);

  const QString bad[] = {QString(),
                         QStringLiteral("x"),
                         QStringLiteral(",12"),
                         QStringLiteral("DejaVu Sans,abc"),
                         QStringLiteral("DejaVu Sans,0"),
                         QStringLiteral("DejaVu Sans,-1"),
                         QStringLiteral("DejaVu Sans,99999"),
                         QStringLiteral("DejaVu Sans,nan"),
                         QStringLiteral("DejaVu Sans,12,1,2"),
                         QStringLiteral("A,12") + QString(600, u' ')};
  for (const QString& text : bad) {
    SCOPED_TRACE(text.left(40).toStdString());
    QString reason;
    EXPECT_FALSE(FontFromDescriptor(text, &read, &reason));
    EXPECT_FALSE(reason.isEmpty());
  }
}

class FontPrefsTest : public testing::Test {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);
    QSettings().remove(kKey);
  }
  void TearDown() override {
    QSettings().remove(kKey);
    QStandardPaths::setTestModeEnabled(false);
  }
  const QString kKey = QStringLiteral("fontsTest/textFont");
};

TEST_F(FontPrefsTest, StoredFontOrFallback) {
  const QFont fallback = FontWithName(QStringLiteral("DejaVu Sans Mono"), 9);
  {
    LogCapture log;
    EXPECT_EQ(LoadFontFromPrefs(kKey, &fallback), fallback);
    EXPECT_EQ(LoadFontFromPrefs(kKey).pointSizeF(), 12);
    EXPECT_TRUE(log.lines().isEmpty());  // missing is not a failure
  }
  QSettings().setValue(kKey, FontDescriptor(FontWithName(QStringLiteral("DejaVuSerif-Bold"), 31)));
  const QFont stored = LoadFontFromPrefs(kKey, &fallback);
  EXPECT_EQ(FontName(stored), QStringLiteral("DejaVuSerif-Bold"));
  EXPECT_EQ(stored.pointSizeF(), 31);

  for (const QVariant& unreadable : {QVariant(QStringLiteral("DejaVu Sans,oops")), QVariant(QVariantList{1, 2})}) {
    QSettings().setValue(kKey, unreadable);
    LogCapture log;
    EXPECT_EQ(LoadFontFromPrefs(kKey, &fallback), fallback);
    EXPECT_EQ(FontName(LoadFontFromPrefs(kKey)), FontName(DefaultUserFontOfSize(12)));
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("LoadFontFromPrefs failed"))) << log.text().toStdString();
  }
}

}  // namespace

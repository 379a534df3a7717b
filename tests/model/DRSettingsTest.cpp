#include "model/DRSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "model/DRKeyTable.h"
#include "platform/NotificationCenter.h"

namespace {

// A settings store of its own in a temporary folder, so the tests neither
// read nor change the user's.
class DRSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateXmlDecoder();
    ASSERT_TRUE(m_dir.isValid());
    m_store = std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
  }
  void TearDown() override {
    // Leave the shared instance as a fresh launch would find it.
    m_store->clear();
    settings().loadSettings(*m_store);
  }
  static DRSettings& settings() { return DRSettings::sharedInstance(); }

  // How often the signal fires while the fixture lives.
  template <typename Signal>
  std::shared_ptr<int> Count(Signal signal) {
    auto count = std::make_shared<int>(0);
    m_connections.push_back(QObject::connect(&settings(), signal, [count] { ++*count; }));
    return count;
  }
  ~DRSettingsTest() override {
    for (const auto& connection : m_connections) QObject::disconnect(connection);
  }
  std::vector<QMetaObject::Connection> m_connections;

  QTemporaryDir m_dir;
  std::unique_ptr<QSettings> m_store;
};

}  // namespace

TEST_F(DRSettingsTest, AbsentAndZeroValuesFallBack) {
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().regularPolyVertexCount(), 6u);
  EXPECT_EQ(settings().cornerRadius(), 101600);
  EXPECT_EQ(settings().polygonTolerance(), 38100);
  EXPECT_EQ(settings().brushSizeExponent(), 2u);
  EXPECT_DOUBLE_EQ(settings().checkerboardExponent(), 2.0);
  EXPECT_DOUBLE_EQ(settings().blurStrength(), 1.0);
  EXPECT_TRUE(settings().shrinkSelection());
  EXPECT_TRUE(settings().blendPixels());
  EXPECT_EQ(settings().fillKolor(), g_nilKolor);
  EXPECT_EQ(settings().swapKolor(), g_blackKolor);
  EXPECT_FALSE(settings().arrow().has_value());
  EXPECT_EQ(settings().lineInfo(), DRLineInfo());

  // A stored 0 falls back for the shape settings only.
  m_store->setValue("twdraw.vertexCount", 0);
  m_store->setValue("twdraw.cornerRadius", 0);
  m_store->setValue("twdraw.brushSize", 0);
  m_store->setValue("twdraw.shrinkSelection", false);
  m_store->setValue("twdraw.fillKolor", NewKolorString(0x64FF0000));
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().regularPolyVertexCount(), 6u);
  EXPECT_EQ(settings().cornerRadius(), 101600);
  EXPECT_EQ(settings().brushSizeExponent(), 0u);
  EXPECT_FALSE(settings().shrinkSelection());
  EXPECT_EQ(settings().fillKolor(), Kolor(0x64FF0000));
}

TEST_F(DRSettingsTest, AVertexCountBelowOneFallsBackLikeAStoredZero) {
  for (const QVariant& stored : {QVariant(-1), QVariant(qlonglong(-9000000000)), QVariant(QStringLiteral("-3"))}) {
    m_store->setValue("twdraw.vertexCount", stored);
    settings().loadSettings(*m_store);
    EXPECT_EQ(settings().regularPolyVertexCount(), 6u) << stored.toString().toStdString();
  }
  m_store->setValue("twdraw.vertexCount", 1);
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().regularPolyVertexCount(), 1u);
  m_store->setValue("twdraw.vertexCount", 12);
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().regularPolyVertexCount(), 12u);
}

TEST_F(DRSettingsTest, OnlyWidthAndColourOfTheLineStyleCarryOver) {
  DRLineInfo line;
  line.setWidth(25400);
  line.setKolorWithoutRegistering(0x640000FF);
  line.setCapStyle(kLineCapRound);
  line.setLineStyle(kLineStyleDash);
  line.setPhase(1270);
  settings().setLineInfo(line);
  settings().saveSettings(*m_store);
  EXPECT_TRUE(m_store->value("twdraw.line").toString().contains("<cap>round</cap>"));

  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().lineInfo().width(), 25400);
  EXPECT_EQ(settings().lineInfo().kolor(), Kolor(0x640000FF));
  EXPECT_EQ(settings().lineInfo().capStyle(), kLineCapButt);
  EXPECT_EQ(settings().lineInfo().lineStyle(), kLineStyleSolid);
  EXPECT_EQ(settings().lineInfo().phase(), 0);
}

TEST_F(DRSettingsTest, RecordsAndValuesRoundTrip) {
  settings().loadSettings(*m_store);
  DRTextInfo text;
  text.setTextKolor(0x64123456);
  text.setAlignment(kTextAlignCenter);
  settings().setTextInfo(text);
  settings().setArrowOnEnd(true);
  settings().setFillArrow(true);
  settings().setSwapKolor(0x32FFFFFF);
  settings().setBlurStrength(0.5);
  settings().setPixelSelector(2);
  settings().saveSettings(*m_store);
  const auto arrow = settings().arrow();

  settings().setTextInfo(DRTextInfo());
  settings().setArrow(std::nullopt);
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().textInfo().textKolor(), Kolor(0x64123456));
  EXPECT_EQ(settings().textInfo().alignment(), kTextAlignCenter);
  ASSERT_TRUE(settings().arrow().has_value());
  EXPECT_EQ(*settings().arrow(), *arrow);
  EXPECT_EQ(settings().swapKolor(), Kolor(0x32FFFFFF));
  EXPECT_DOUBLE_EQ(settings().blurStrength(), 0.5);
  EXPECT_EQ(settings().pixelSelector(), 2);

  // Unreadable records give the default styles.
  m_store->setValue("twdraw.line", "<?xml version=\"1.0\"?><lineinfo><width>12");
  m_store->setValue("twdraw.text", 42);
  m_store->setValue("twdraw.arrow", "not xml");
  settings().loadSettings(*m_store);
  EXPECT_EQ(settings().lineInfo(), DRLineInfo());
  EXPECT_EQ(settings().textInfo(), DRTextInfo());
  EXPECT_FALSE(settings().arrow().has_value());
}

TEST_F(DRSettingsTest, ArrowToggles) {
  settings().loadSettings(*m_store);
  const auto arrowChanged = Count(&DRSettings::arrowChanged);

  // Filling with no head on switches the end head on.
  settings().setFillArrow(true);
  ASSERT_TRUE(settings().arrow().has_value());
  EXPECT_TRUE(settings().arrowOnEnd());
  EXPECT_FALSE(settings().arrowOnStart());
  EXPECT_EQ(settings().arrow()->type(), kArrowTypeOpen);
  EXPECT_FALSE(settings().fillArrow());  // an open head cannot be filled

  settings().setArrowOnStart(true);
  EXPECT_TRUE(settings().arrowOnStart());
  settings().setArrowOnEnd(false);
  EXPECT_TRUE(settings().arrow().has_value());
  // The last head off removes the arrow, and the next save its key.
  settings().setArrowOnStart(false);
  EXPECT_FALSE(settings().arrow().has_value());
  EXPECT_GE(*arrowChanged, 4);

  m_store->setValue("twdraw.arrow", "stale");
  settings().saveSettings(*m_store);
  EXPECT_FALSE(m_store->contains("twdraw.arrow"));
}

TEST_F(DRSettingsTest, CopiedStyleBecomesCurrentAndRedrawsTheInfoBar) {
  settings().loadSettings(*m_store);
  int posts = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      this, "twdraw.infoBar", nullptr, [&](const CSNotification&) { ++posts; });
  DRCopiedStyle style;
  style.fillKolor = 0x6400FF00;
  style.lineInfo.setWidth(12700);
  style.arrow = DRArrow::standardArrow(kArrowTypeClosed);
  style.shadow = DRShadow();
  settings().setCopiedStyle(style);
  NotificationCenter::defaultCenter().removeObserver(token);

  EXPECT_EQ(posts, 1);
  EXPECT_TRUE(settings().haveCopiedStyle());
  EXPECT_EQ(settings().fillKolor(), Kolor(0x6400FF00));
  EXPECT_EQ(settings().lineInfo().width(), 12700);
  EXPECT_EQ(settings().arrow(), style.arrow);
  EXPECT_EQ(settings().copiedStyle().shadow, style.shadow);
}

TEST_F(DRSettingsTest, FontAndPixelSelectorChangesAreAnnounced) {
  settings().loadSettings(*m_store);
  const auto fontChanged = Count(&DRSettings::textInfoFontChanged);
  const auto selectorChanged = Count(&DRSettings::pixelSelectorChanged);

  settings().textInfo().setBold(1);  // changes the font in place
  EXPECT_EQ(*fontChanged, 1);
  QFont font("DejaVu Serif", 30);
  settings().textInfo().setFont(font);
  EXPECT_EQ(*fontChanged, 2);
  DRTextInfo other;
  other.setFont(QFont("DejaVu Sans Mono", 9));
  settings().setTextInfo(other);
  EXPECT_EQ(*fontChanged, 3);
  settings().textInfo().setItalic(1);  // the hook survives replacing the style
  EXPECT_EQ(*fontChanged, 4);

  settings().setPixelSelector(1);
  settings().setPixelSelector(1);
  EXPECT_EQ(*selectorChanged, 1);
}

// The preferences: reading a settings file once, writing it back, the
// preference window's actions and their notifications.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>

#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/DRPrefController.h"

namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    savedOverride = CSWindowTabManager::sharedInstance().tabOverride();
    for (const QString& name : {g_autosaveNotification, g_favoriteCountNotification, g_redrawDrawingNotification}) {
      NotificationCenter::defaultCenter().addObserver(this, name, nullptr,
                                                      [this](const CSNotification& n) { posted << n.name; });
    }
  }
  void TearDown() override {
    NotificationCenter::defaultCenter().removeObserver(this);
    CSWindowTabManager::sharedInstance().setTabOverride(savedOverride);
  }

  // A settings file holding the values.
  std::unique_ptr<QSettings> settingsWith(const QVariantMap& values) {
    auto settings =
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("prefs%1.ini").arg(++files)), QSettings::IniFormat);
    settings->clear();
    for (auto it = values.begin(); it != values.end(); ++it) settings->setValue(it.key(), it.value());
    settings->sync();
    return settings;
  }
  std::unique_ptr<DRPrefController> read(const QVariantMap& values) {
    auto settings = settingsWith(values);
    return std::make_unique<DRPrefController>(*settings);
  }

  QTemporaryDir dir;
  int files = 0;
  int savedOverride = 0;
  QStringList posted;
};

TEST_F(PreferencesTest, EmptySettingsGiveTheDefaults) {
  CSWindowTabManager::sharedInstance().setTabOverride(2);
  auto prefs = read({});
  EXPECT_FALSE(prefs->showDragLines());
  EXPECT_FALSE(prefs->showDrawGrid());
  EXPECT_EQ(prefs->drawGridKolor(), 0x64E0E0E0u);
  EXPECT_EQ(prefs->drawGridSpacing(), 914400);
  EXPECT_EQ(prefs->jpegCompression(), 10u);
  EXPECT_TRUE(prefs->tiffCompression());
  EXPECT_TRUE(prefs->keepBackups());
  EXPECT_TRUE(prefs->propOpenStatus().isEmpty());
  EXPECT_EQ(prefs->distanceUnit(), kDistanceUnitPoints);
  EXPECT_EQ(prefs->favoriteColorCount(), -1);
  EXPECT_TRUE(prefs->autosave());
  EXPECT_TRUE(prefs->centerPainting());
  EXPECT_TRUE(prefs->checkSpelling());
  EXPECT_TRUE(prefs->exportPdf());
  EXPECT_FALSE(prefs->openImageTab());
  EXPECT_FALSE(prefs->maximizeNewDocs());
  EXPECT_TRUE(prefs->centerMovedBitmap());
  EXPECT_TRUE(prefs->scaleGrabDots());
  EXPECT_TRUE(prefs->showRecentColors());
  EXPECT_FALSE(prefs->resetTool());
  EXPECT_EQ(CSWindowTabManager::sharedInstance().tabOverride(), 0);
}

TEST_F(PreferencesTest, StoredValuesAreReadWithTheirRules) {
  struct Row {
    const char* name;
    QVariantMap stored;
    std::function<bool(const DRPrefController&)> holds;
  };
  const Row rows[] = {
      {"spacing 0 is the default",
       {{"twdraw.drawGridSpacing", 0}},
       [](const DRPrefController& p) { return p.drawGridSpacing() == 914400; }},
      {"JPEG quality 0 stays",
       {{"twdraw.jpegCompression", 0}},
       [](const DRPrefController& p) { return p.jpegCompression() == 0; }},
      {"count 0 stays",
       {{"twdraw.favoriteColorCount", 0}},
       [](const DRPrefController& p) { return p.favoriteColorCount() == 0; }},
      {"unknown unit",
       {{"twdraw.units", "furlong"}},
       [](const DRPrefController& p) { return p.distanceUnit() == kDistanceUnitPoints; }},
      {"millimetres",
       {{"twdraw.units", "mm"}},
       [](const DRPrefController& p) { return p.distanceUnit() == kDistanceUnitMillimetres; }},
      {"a unit that is no string",
       {{"twdraw.units", 5}},
       [](const DRPrefController& p) { return p.distanceUnit() == kDistanceUnitPoints; }},
      {"mistyped boolean",
       {{"twdraw.autosave", "sometimes"}, {"twdraw.showDrawGrid", "often"}},
       [](const DRPrefController& p) { return !p.autosave() && !p.showDrawGrid(); }},
      {"mistyped integer",
       {{"twdraw.jpegCompression", "high"}},
       [](const DRPrefController& p) { return p.jpegCompression() == 0; }},
      {"unreadable Kolor",
       {{"twdraw.drawGridKolor", "grey"}},
       [](const DRPrefController& p) { return p.drawGridKolor() == g_nilKolor; }},
      {"Kolor",
       {{"twdraw.drawGridKolor", NewKolorString(0x64102030)}},
       [](const DRPrefController& p) { return p.drawGridKolor() == 0x64102030u; }},
      // Hand-edited values outside the controls' ranges are held inside them.
      {"tiny spacing",
       {{"twdraw.drawGridSpacing", 3}},
       [](const DRPrefController& p) { return p.drawGridSpacing() == 12700; }},
      {"negative spacing",
       {{"twdraw.drawGridSpacing", -914400}},
       [](const DRPrefController& p) { return p.drawGridSpacing() == 12700; }},
      {"huge spacing",
       {{"twdraw.drawGridSpacing", qlonglong(1) << 50}},
       [](const DRPrefController& p) { return p.drawGridSpacing() == 144 * 12700; }},
      {"JPEG quality 40",
       {{"twdraw.jpegCompression", 40}},
       [](const DRPrefController& p) { return p.jpegCompression() == 10; }},
      {"negative JPEG quality",
       {{"twdraw.jpegCompression", -3}},
       [](const DRPrefController& p) { return p.jpegCompression() == 0; }},
      {"count -7",
       {{"twdraw.favoriteColorCount", -7}},
       [](const DRPrefController& p) { return p.favoriteColorCount() == -1; }},
      {"count 100000",
       {{"twdraw.favoriteColorCount", 100000}},
       [](const DRPrefController& p) { return p.favoriteColorCount() == DRPrefController::kMaximumFavoriteCount; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto prefs = read(row.stored);
    EXPECT_TRUE(row.holds(*prefs));
  }
}

TEST_F(PreferencesTest, WrittenPreferencesReadBackEqual) {
  auto prefs = read({});
  prefs->setShowDragLines(true);
  prefs->setShowDrawGrid(true);
  prefs->setDrawGridKolor(0x32FF0000);
  prefs->setDrawGridSpacing(25400 * 10);
  prefs->setJpegCompression(0);
  prefs->setTiffCompression(false);
  prefs->setKeepBackups(false);
  prefs->propOpenStatus().insert(QStringLiteral("PropertyNotes"), true);
  prefs->setDistanceUnit(kDistanceUnitCentimetres);
  prefs->setFavoriteColorCount(0);
  prefs->setAutosave(false);
  prefs->setCenterPainting(false);
  prefs->setCheckSpelling(false);
  prefs->setExportPdf(false);
  prefs->setOpenImageTab(true);
  prefs->setMaximizeNewDocs(true);
  prefs->setCenterMovedBitmap(false);
  prefs->setScaleGrabDots(false);
  prefs->setShowRecentColors(false);
  prefs->setResetTool(true);
  CSWindowTabManager::sharedInstance().setTabOverride(2);
  auto settings = settingsWith({});
  prefs->savePreferences(*settings);
  settings->sync();
  EXPECT_EQ(settings->allKeys().size(), 21);
  CSWindowTabManager::sharedInstance().setTabOverride(0);

  QSettings again(settings->fileName(), QSettings::IniFormat);
  DRPrefController back(again);
  EXPECT_EQ(back.showDragLines(), true);
  EXPECT_EQ(back.showDrawGrid(), true);
  EXPECT_EQ(back.drawGridKolor(), 0x32FF0000u);
  EXPECT_EQ(back.drawGridSpacing(), 254000);
  EXPECT_EQ(back.jpegCompression(), 0u);
  EXPECT_FALSE(back.tiffCompression());
  EXPECT_FALSE(back.keepBackups());
  EXPECT_EQ(back.propOpenStatus(), prefs->propOpenStatus());
  EXPECT_EQ(back.distanceUnit(), kDistanceUnitCentimetres);
  EXPECT_EQ(back.favoriteColorCount(), 0);
  EXPECT_FALSE(back.autosave());
  EXPECT_FALSE(back.centerPainting());
  EXPECT_FALSE(back.checkSpelling());
  EXPECT_FALSE(back.exportPdf());
  EXPECT_TRUE(back.openImageTab());
  EXPECT_TRUE(back.maximizeNewDocs());
  EXPECT_FALSE(back.centerMovedBitmap());
  EXPECT_FALSE(back.scaleGrabDots());
  EXPECT_FALSE(back.showRecentColors());
  EXPECT_TRUE(back.resetTool());
  EXPECT_EQ(CSWindowTabManager::sharedInstance().tabOverride(), 2);

  // An empty pane dictionary removes the key rather than storing nothing.
  back.propOpenStatus().clear();
  back.savePreferences(again);
  again.sync();
  EXPECT_FALSE(again.contains(QStringLiteral("twdraw.openProperty")));
  EXPECT_EQ(again.allKeys().size(), 20);
}

TEST_F(PreferencesTest, EveryUnitSurvivesTheNextLaunch) {
  for (DistanceUnit unit = 0; unit < kDistanceUnitCount; ++unit) {
    SCOPED_TRACE(unit);
    auto prefs = read({});
    prefs->setDistanceUnit(unit);
    auto settings = settingsWith({});
    prefs->savePreferences(*settings);
    DRPrefController back(*settings);
    EXPECT_EQ(back.distanceUnit(), unit);
  }
}

TEST_F(PreferencesTest, ZoomForGrabDots) {
  struct Row {
    double zoom;
    bool scale;
    double expected;
  };
  const Row rows[] = {{0.5, true, 1.0}, {0.5, false, 1.0}, {4.0, true, 1.0}, {4.0, false, 4.0}, {1.0, false, 1.0}};
  auto prefs = read({});
  for (const Row& row : rows) {
    prefs->setScaleGrabDots(row.scale);
    EXPECT_EQ(prefs->zoomForGrabDots(row.zoom), row.expected) << row.zoom << " " << row.scale;
  }
}

TEST_F(PreferencesTest, TheSpacingIsRoundedToATenthOfAPointAndRedrawsOnlyAVisibleGrid) {
  auto prefs = read({});
  prefs->showPreferences();
  CSDoubleSlider* slider = prefs->gridSpacingSlider();
  ASSERT_NE(slider, nullptr);
  struct Row {
    double points;
    bool gridShown;
    MeasureUnit stored;
    int redraws;
  };
  const Row rows[] = {
      {12.34, false, 156210, 0},
      {12.34, true, 156210, 1},
      {12.35, true, 157480, 1},  // half-way rounds away from zero
      {500.0, true, 144 * 12700, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.points);
    posted.clear();
    prefs->setShowDrawGrid(row.gridShown);
    slider->setDoubleValue(row.points);
    prefs->changeDrawGridSpacing(slider);
    EXPECT_EQ(prefs->drawGridSpacing(), row.stored);
    EXPECT_EQ(prefs->gridSpacingField()->measureValue(), row.stored);
    EXPECT_EQ(posted.count(g_redrawDrawingNotification), row.redraws);
  }
  posted.clear();
  prefs->setShowDrawGrid(false);
  prefs->changeDrawGridColor(0x64FF0000);
  EXPECT_EQ(prefs->drawGridKolor(), 0x64FF0000u);
  EXPECT_TRUE(posted.isEmpty());
  prefs->setShowDrawGrid(true);
  prefs->changeDrawGridColor(0x6400FF00);
  EXPECT_EQ(posted, QStringList{g_redrawDrawingNotification});
}

TEST_F(PreferencesTest, AutomaticCountTogglesTheFieldAndComesBackAtTen) {
  auto prefs = read({{"twdraw.favoriteColorCount", 4}});
  prefs->showPreferences();
  EXPECT_FALSE(prefs->automaticCheckbox()->isChecked());
  EXPECT_TRUE(prefs->countField()->isEnabled());
  EXPECT_EQ(prefs->displayedCount(), 4u);
  prefs->setAutomatic(true);
  EXPECT_EQ(prefs->favoriteColorCount(), -1);
  EXPECT_FALSE(prefs->countField()->isEnabled());
  EXPECT_EQ(prefs->displayedCount(), 0u);
  prefs->setAutomatic(false);
  EXPECT_EQ(prefs->favoriteColorCount(), 10);
  EXPECT_EQ(prefs->displayedCount(), 10u);
  EXPECT_EQ(posted, (QStringList{g_favoriteCountNotification, g_favoriteCountNotification}));
  // The field edits the count; another sender only announces it.
  prefs->setDisplayedCount(7);
  prefs->changeColorCount(nullptr);
  EXPECT_EQ(prefs->favoriteColorCount(), 10);
  prefs->changeColorCount(prefs->countField());
  EXPECT_EQ(prefs->favoriteColorCount(), 7);
  EXPECT_EQ(posted.count(g_favoriteCountNotification), 4);
}

}  // namespace

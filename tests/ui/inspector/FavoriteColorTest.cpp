// The favourite colours: the class-wide list and its rules, the colour
// pull-down's rows and commands, and the list in the settings file.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>

#include "ui/NotificationRecorder.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/CSPullDownButton.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kGreen = 0x6400FF00;
constexpr Kolor kBlue = 0x64FF0000;
constexpr Kolor kHalfRed = 0x320000FF;
constexpr Kolor kPurple = 0x64FF00FF;
const QString kKey = QStringLiteral("twdraw.favoriteColors");

// A pane's side of a pull-down: the colour it stands for, its default and
// the colours applied.
class Pane : public CSFavoriteColorDelegate {
 public:
  Kolor current = kRed;
  Kolor fallback = kGreen;
  std::vector<Kolor> changed;

  Kolor kolorForPopup(QToolButton*) override { return current; }
  Kolor defaultKolorForPopup(QToolButton*) override { return fallback; }
  void changeKolor(Kolor kolor, QToolButton*) override { changed.push_back(kolor); }
};

// One pull-down as a pane builds it.
struct PullDown {
  PullDown() {
    manager.setDelegate(&pane);
    manager.setPopupButton(&button);
  }
  QList<QAction*> open() {
    emit button.menu()->aboutToShow();
    return button.menu()->actions();
  }
  void choose(int row) { button.menu()->actions().at(row)->trigger(); }

  CSPullDownButton button;
  Pane pane;
  CSFavoriteColorManager manager;
};

// The colour in the middle of a row's swatch.
QRgb Center(const QAction* row) {
  return row->icon().pixmap(QSize(15, 15)).toImage().pixel(7, 7);
}

QRgb Rgb(Kolor kolor) {
  return ColorFromKolor(kolor).rgb();
}

class FavoriteColorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSFavoriteColorManager::resetForTesting();
    ASSERT_TRUE(home.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
  }
  void TearDown() override {
    SetFavoriteColorManager(nullptr);
    CSFavoriteColorManager::resetForTesting();
  }
  static void setFavorites(const QList<Kolor>& kolors) {
    for (Kolor kolor : kolors) CSFavoriteColorManager::addFavorite(kolor, true);
  }
  static QList<Kolor> favorites() { return CSFavoriteColorManager::favoriteColors(); }

  QTemporaryDir home;
};

TEST_F(FavoriteColorTest, AddingMovesAnEqualFavoriteAndRefusedColoursPostNothing) {
  struct Row {
    const char* name;
    Kolor kolor;
    bool atEnd;
    QList<Kolor> expected;
    bool posts;
  } rows[] = {
      {"new at the end", kHalfRed, true, {kRed, kGreen, kBlue, kHalfRed}, true},
      {"new at the front", kHalfRed, false, {kHalfRed, kRed, kGreen, kBlue}, true},
      {"again to the end", kRed, true, {kGreen, kBlue, kRed}, true},
      {"again to the front", kBlue, false, {kBlue, kRed, kGreen}, true},
      {"black", g_blackKolor, true, {kRed, kGreen, kBlue}, false},
      {"white", g_whiteKolor, false, {kRed, kGreen, kBlue}, false},
      {"no colour", g_nilKolor, true, {kRed, kGreen, kBlue}, false},
      {"transparent", g_transparentKolor, true, {kRed, kGreen, kBlue}, false},
      {"invisible red", 0x000000FF, true, {kRed, kGreen, kBlue}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CSFavoriteColorManager::resetForTesting();
    setFavorites({kRed, kGreen, kBlue});
    NotificationRecorder recorder({g_favoriteColorNotification});
    CSFavoriteColorManager::addFavorite(row.kolor, row.atEnd);
    EXPECT_EQ(favorites(), row.expected);
    EXPECT_EQ(recorder.count(g_favoriteColorNotification), row.posts ? 1 : 0);
  }

  // Deleting posts only when a favourite went.
  NotificationRecorder recorder({g_favoriteColorNotification});
  EXPECT_FALSE(CSFavoriteColorManager::deleteFavorite(kHalfRed));
  EXPECT_EQ(recorder.count(g_favoriteColorNotification), 0);
  EXPECT_TRUE(CSFavoriteColorManager::deleteFavorite(kGreen));
  EXPECT_EQ(favorites(), (QList<Kolor>{kRed, kBlue}));
  EXPECT_EQ(recorder.count(g_favoriteColorNotification), 1);
}

TEST_F(FavoriteColorTest, TheInstalledManagerServesTheInfoBarsSeam) {
  CSFavoriteColorManager::install();
  DRFavoriteColorManager& seam = FavoriteColorManager();
  seam.addKolor(kRed, false);
  seam.addKolor(kBlue, false);
  seam.addKolor(g_whiteKolor, true);
  EXPECT_EQ(favorites(), (QList<Kolor>{kBlue, kRed}));
  ASSERT_EQ(seam.kolorCount(), 2);
  EXPECT_EQ(seam.kolorAtIndex(1), kRed);
  seam.deleteKolor(kBlue);
  EXPECT_EQ(favorites(), (QList<Kolor>{kRed}));
}

TEST_F(FavoriteColorTest, TheMenuHasTwelveFixedRowsThenTheFavorites) {
  PullDown pullDown;
  QList<QAction*> rows = pullDown.open();
  ASSERT_EQ(rows.size(), 12);
  EXPECT_EQ(pullDown.button.text(), QStringLiteral("\u2605"));
  const char* const titles[] = {"\u2605", "Add to Favorites", "Delete From Favorites", "Color Value", "",
                                "Copy Color", "Paste Color", "", "Black", "White", "Transparent", "Default"};
  for (int row = 0; row < 12; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(rows[row]->isSeparator(), row == 4 || row == 7);
    if (!rows[row]->isSeparator()) EXPECT_EQ(rows[row]->text(), QString::fromUtf8(titles[row]));
  }
  EXPECT_FALSE(rows[0]->isVisible());
  EXPECT_EQ(Center(rows[CSFavoriteColorManager::kRowBlack]), qRgb(0, 0, 0));
  EXPECT_EQ(Center(rows[CSFavoriteColorManager::kRowWhite]), qRgb(255, 255, 255));
  EXPECT_EQ(Center(rows[CSFavoriteColorManager::kRowDefault]), Rgb(kGreen));
  // The crossed box: dark on its diagonal, white beside it.
  const QImage crossed = rows[CSFavoriteColorManager::kRowTransparent]->icon().pixmap(QSize(15, 15)).toImage();
  EXPECT_LT(crossed.pixelColor(7, 7).lightness(), 200);
  EXPECT_EQ(crossed.pixel(7, 3), qRgb(255, 255, 255));

  // A favourite added anywhere shows the next time the menu opens.
  setFavorites({kBlue, kHalfRed});
  rows = pullDown.open();
  ASSERT_EQ(rows.size(), 15);
  EXPECT_TRUE(rows[12]->isSeparator());
  EXPECT_EQ(rows[13]->text(), ColorDisplayString(kBlue, 1));
  EXPECT_EQ(rows[14]->text(), ColorDisplayString(kHalfRed, 1));
  EXPECT_EQ(Center(rows[13]), Rgb(kBlue));
  EXPECT_EQ(CSFavoriteColorManager::standardItemIndex(kHalfRed), 14);
  pullDown.choose(14);
  EXPECT_EQ(pullDown.pane.changed, std::vector<Kolor>{kHalfRed});

  CSFavoriteColorManager::deleteFavorite(kBlue);
  CSFavoriteColorManager::deleteFavorite(kHalfRed);
  EXPECT_EQ(pullDown.open().size(), 12);
}

TEST_F(FavoriteColorTest, TheCommandsApplyTheirColours) {
  setFavorites({kBlue});
  struct Row {
    int row;
    std::vector<Kolor> applied;
    QList<Kolor> favorites;
  } rows[] = {
      {CSFavoriteColorManager::kRowTitle, {}, {kBlue}},
      {CSFavoriteColorManager::kRowAdd, {}, {kBlue, kRed}},
      {CSFavoriteColorManager::kRowDelete, {}, {kBlue}},
      {CSFavoriteColorManager::kRowCopy, {}, {kBlue}},
      {CSFavoriteColorManager::kRowBlack, {g_blackKolor}, {kBlue}},
      {CSFavoriteColorManager::kRowWhite, {g_whiteKolor}, {kBlue}},
      {CSFavoriteColorManager::kRowTransparent, {g_nilKolor}, {kBlue}},
      {CSFavoriteColorManager::kRowDefault, {kGreen}, {kBlue}},
      {CSFavoriteColorManager::kRowFirstFavorite, {kBlue}, {kBlue}},
  };
  PullDown pullDown;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.row);
    pullDown.pane.changed.clear();
    pullDown.open();
    pullDown.choose(row.row);
    EXPECT_EQ(pullDown.pane.changed, row.applied);
    EXPECT_EQ(favorites(), row.favorites);
  }
}

TEST_F(FavoriteColorTest, PasteWithoutCopyTakesTheDefaultAndCopyCarriesAcrossMenus) {
  PullDown fill;
  PullDown shadow;
  fill.pane.fallback = kGreen;
  shadow.pane.fallback = kBlue;
  // The Paste swatch shows what Paste would apply.
  EXPECT_EQ(Center(fill.open().at(CSFavoriteColorManager::kRowPaste)), Rgb(kGreen));

  fill.choose(CSFavoriteColorManager::kRowPaste);
  EXPECT_EQ(fill.pane.changed, std::vector<Kolor>{kGreen});
  // The default became the copied colour, for every menu.
  shadow.open();
  shadow.choose(CSFavoriteColorManager::kRowPaste);
  EXPECT_EQ(shadow.pane.changed, std::vector<Kolor>{kGreen});

  shadow.pane.current = kPurple;
  shadow.choose(CSFavoriteColorManager::kRowCopy);
  EXPECT_EQ(shadow.pane.changed.size(), 1u);  // copying applies nothing
  const QList<QAction*> rows = fill.open();
  EXPECT_EQ(Center(rows.at(CSFavoriteColorManager::kRowPaste)), Rgb(kPurple));
  fill.choose(CSFavoriteColorManager::kRowPaste);
  EXPECT_EQ(fill.pane.changed.back(), kPurple);
}

TEST_F(FavoriteColorTest, TheSwatchesOfCopyAndTheValueRowsFollowTheCurrentColour) {
  PullDown pullDown;
  EXPECT_EQ(Center(pullDown.open().at(CSFavoriteColorManager::kRowCopy)), Rgb(kRed));
  pullDown.pane.current = kBlue;
  EXPECT_EQ(Center(pullDown.open().at(CSFavoriteColorManager::kRowCopy)), Rgb(kBlue));

  QMenu* values = pullDown.manager.colorValueMenu();
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(pullDown.button.menu()->actions().at(CSFavoriteColorManager::kRowColorValue)->menu(), values);
  emit values->aboutToShow();
  ASSERT_EQ(values->actions().size(), 3);
  for (int style = 1; style <= 3; ++style) {
    EXPECT_EQ(values->actions().at(style - 1)->text(), ColorDisplayString(kBlue, style));
  }
  // Choosing a value row applies nothing.
  values->actions().at(0)->trigger();
  EXPECT_TRUE(pullDown.pane.changed.empty());
}

TEST_F(FavoriteColorTest, TheSettingsKeepWhatTheListWouldTake) {
  {
    QSettings settings;
    settings.setValue(kKey, QStringList{NewKolorString(kRed), QStringLiteral("not a colour"), QStringLiteral("{1, 2"),
                                        NewKolorString(g_blackKolor), NewKolorString(g_whiteKolor),
                                        NewKolorString(0x000000FF), NewKolorString(kHalfRed), NewKolorString(kRed)});
  }
  QSettings settings;
  CSFavoriteColorManager::loadColors(settings, kKey);
  EXPECT_EQ(favorites(), (QList<Kolor>{kRed, kHalfRed}));
  // Only the first load reads.
  settings.setValue(kKey, QStringList{NewKolorString(kBlue)});
  CSFavoriteColorManager::loadColors(settings, kKey);
  EXPECT_EQ(favorites(), (QList<Kolor>{kRed, kHalfRed}));

  // What is written is what was kept, and reads back the same, one
  // favourite as well as several.
  const QString other = QStringLiteral("elsewhere");
  for (const QList<Kolor>& kept : {QList<Kolor>{kRed, kHalfRed}, QList<Kolor>{kHalfRed}}) {
    SCOPED_TRACE(kept.size());
    settings.remove(other);
    CSFavoriteColorManager::resetForTesting();
    CSFavoriteColorManager::loadColors(settings, other);
    setFavorites(kept);
    CSFavoriteColorManager::saveColors(settings);
    settings.sync();
    CSFavoriteColorManager::resetForTesting();
    QSettings reread;
    CSFavoriteColorManager::loadColors(reread, other);
    EXPECT_EQ(favorites(), kept);
  }

  // An empty list removes the key.
  CSFavoriteColorManager::resetForTesting();
  CSFavoriteColorManager::loadColors(settings, kKey);
  for (Kolor kolor : favorites()) CSFavoriteColorManager::deleteFavorite(kolor);
  CSFavoriteColorManager::saveColors(settings);
  EXPECT_FALSE(settings.contains(kKey));
}

TEST_F(FavoriteColorTest, AtMostAThousandFavoritesAreRead) {
  QStringList strings;
  for (int i = 0; i < 1500; ++i) strings << NewKolorString(MakeKolor(i % 256, i / 256, 7));
  QSettings settings;
  settings.setValue(kKey, strings);
  CSFavoriteColorManager::loadColors(settings, kKey);
  ASSERT_EQ(favorites().size(), CSFavoriteColorManager::kMaximumLoadedColors);
  EXPECT_EQ(favorites().back(), MakeKolor(999 % 256, 999 / 256, 7));
}

}  // namespace

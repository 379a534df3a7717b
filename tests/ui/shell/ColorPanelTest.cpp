// The shared colour panel serving one swatch from opening until it loses
// key status, its "No color" box, and the font panel's changes; neither
// panel reaches a client that has gone.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QWidget>
#include <memory>
#include <vector>

#include "ShellTestSupport.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/EventDriver.h"
#include "ui/editor/DRColorChangeDelegate.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/shell/DRAppController.h"

namespace {

class SwatchClient : public QObject, public DRColorChangeDelegate {
 public:
  struct Change {
    Kolor kolor;
    int swatch;
  };
  std::vector<Change> changes;
  void setKolor(Kolor kolor, int swatch) override { changes.push_back({kolor, swatch}); }
};

class FontClient : public QObject, public DRFontPanelDelegate {
 public:
  std::vector<FontConverter> changes;
  void changeFont(const FontConverter& convert) override { changes.push_back(convert); }
};

#define EXPECT_CHANGE(client, expectedKolor, expectedSwatch)     \
  do {                                                           \
    ASSERT_FALSE((client).changes.empty());                      \
    EXPECT_EQ((client).changes.back().kolor, (expectedKolor));   \
    EXPECT_EQ((client).changes.back().swatch, (expectedSwatch)); \
  } while (0)

class ColorPanelTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    controller = std::make_unique<DRAppController>();
    panel = SharedColorDialog();
    ASSERT_NE(panel, nullptr);
    // The offscreen platform keeps a hidden window focused; start from
    // another one so that showing a panel activates it.
    activateAnotherWindow();
  }
  void TearDown() override {
    ClosePanels();
    controller.reset();
    Spin();
    ShellTest::TearDown();
  }

  // The "No color" boxes the panel's window shows.
  QList<QCheckBox*> shownBoxes() const {
    QList<QCheckBox*> boxes;
    for (QCheckBox* box : panel->findChildren<QCheckBox*>()) {
      if (box->text() == QStringLiteral("No color") && !box->isHidden()) boxes << box;
    }
    return boxes;
  }
  static void click(QCheckBox* box) { EventDriver(box).click(QPointF(box->height() / 2.0, box->height() / 2.0)); }

  // Another window takes the activation from the panel.
  void activateAnotherWindow() {
    other = std::make_unique<QWidget>();
    other->resize(200, 100);
    other->show();
    other->activateWindow();
    Spin();
  }

  std::unique_ptr<DRAppController> controller;
  QColorDialog* panel = nullptr;
  std::unique_ptr<QWidget> other;
};

TEST_F(ColorPanelTest, EachSwatchHasItsTitleAndNoColorBox) {
  struct Row {
    int swatch;
    const char* title;
    const char* tip;  // null: no box
  };
  // In this order each swatch replaces the accessory of the one before.
  const Row rows[] = {
      {0, "Line and Text Color", "Don't outline shapes; makes text invisible"},
      {3, "Fill Color", "Don't fill shapes"},
      {4, "Swap Color", nullptr},
      {10, "Shadow Color", nullptr},
      {12, "Text Background Color", "Let background show through text"},
      {11, "Text Color", nullptr},
  };
  SwatchClient client;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.swatch);
    const Kolor kolor = MakeKolor(row.swatch * 20, 200, 30, 60);
    controller->openColorPanel(row.swatch, kolor, &client);
    Spin();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowTitle(), QString::fromUtf8(row.title));
    EXPECT_EQ(panel->testOption(QColorDialog::ShowAlphaChannel), row.swatch != 4);
    // Without the alpha slider the panel's colour is opaque.
    EXPECT_EQ(KolorFromColor(panel->currentColor()), row.swatch == 4 ? MakeKolor(80, 200, 30) : kolor);
    EXPECT_TRUE(client.changes.empty());  // setting the panel up sends nothing

    const QList<QCheckBox*> boxes = shownBoxes();
    if (row.tip) {
      ASSERT_EQ(boxes.size(), 1);
      EXPECT_EQ(boxes[0], controller->noColorBox());
      EXPECT_EQ(boxes[0]->window(), panel);
      EXPECT_EQ(boxes[0]->toolTip(), QString::fromUtf8(row.tip));
      EXPECT_FALSE(boxes[0]->isChecked());
    } else {
      EXPECT_TRUE(boxes.isEmpty());
      EXPECT_EQ(controller->noColorBox(), nullptr);
    }

    panel->setCurrentColor(QColor(1, 2, 3));
    EXPECT_CHANGE(client, MakeKolor(1, 2, 3), row.swatch);
    client.changes.clear();
  }
}

TEST_F(ColorPanelTest, NoColourShowsWhiteWithTheBoxOn) {
  SwatchClient client;
  controller->openColorPanel(3, g_nilKolor, &client);
  Spin();
  QCheckBox* box = controller->noColorBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(KolorFromColor(panel->currentColor()), g_whiteKolor);
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(client.changes.empty());

  click(box);  // off: the panel's colour
  EXPECT_FALSE(box->isChecked());
  EXPECT_CHANGE(client, g_whiteKolor, 3);
  click(box);  // on: no colour
  EXPECT_CHANGE(client, g_nilKolor, 3);
  EXPECT_EQ(client.changes.size(), 2u);

  panel->setCurrentColor(Qt::red);
  EXPECT_CHANGE(client, MakeKolor(255, 0, 0), 3);
  EXPECT_FALSE(box->isChecked());
  panel->setCurrentColor(QColor(0, 0, 255, 0));  // zero opacity is no colour
  EXPECT_CHANGE(client, g_nilKolor, 3);
  EXPECT_TRUE(box->isChecked());
}

TEST_F(ColorPanelTest, AfterResigningOrClosingChangesGoNowhere) {
  SwatchClient client;
  controller->openColorPanel(0, MakeKolor(9, 9, 9), &client);
  Spin();
  ASSERT_EQ(QApplication::activeWindow(), panel);

  activateAnotherWindow();
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(panel->windowTitle(), QStringLiteral("Colors"));
  EXPECT_FALSE(panel->testOption(QColorDialog::ShowAlphaChannel));
  EXPECT_TRUE(shownBoxes().isEmpty());
  EXPECT_TRUE(controller->ignoreColorChange());
  EXPECT_EQ(controller->colorDelegate(), nullptr);
  panel->show();
  panel->setCurrentColor(Qt::green);
  controller->changeColor(panel);
  EXPECT_TRUE(client.changes.empty());

  // Each opening serves again, and closing the panels ends it as well.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    controller->openColorPanel(3, MakeKolor(9, 9, 9), &client);
    panel->setCurrentColor(Qt::blue);
    EXPECT_CHANGE(client, MakeKolor(0, 0, 255), 3);
    client.changes.clear();
    ClosePanels();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(shownBoxes().isEmpty());
    panel->setCurrentColor(Qt::yellow);
    controller->changeColor(panel);
    EXPECT_TRUE(client.changes.empty());
  }
}

TEST_F(ColorPanelTest, AClientThatHasGoneHearsNothing) {
  auto* client = new SwatchClient;
  controller->openColorPanel(12, MakeKolor(1, 1, 1), client);
  Spin();
  QPointer<QCheckBox> box = controller->noColorBox();
  ASSERT_NE(box, nullptr);
  delete client;
  EXPECT_EQ(controller->colorDelegate(), nullptr);
  panel->setCurrentColor(Qt::cyan);  // would reach freed memory
  click(box);
  EXPECT_TRUE(box->isChecked());  // the panel itself still works
}

TEST_F(ColorPanelTest, AnotherSwatchShowsThePanelAndIgnoresChanges) {
  SwatchClient client;
  controller->openColorPanel(5, MakeKolor(1, 1, 1), &client);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(shownBoxes().isEmpty());
  panel->setCurrentColor(Qt::magenta);
  EXPECT_TRUE(client.changes.empty());

  // Opened over a swatch that was being served: nothing gets through either.
  controller->openColorPanel(3, MakeKolor(1, 1, 1), &client);
  controller->openColorPanel(7, MakeKolor(2, 2, 2), &client);
  EXPECT_TRUE(panel->isVisible());
  panel->setCurrentColor(Qt::darkRed);
  for (QCheckBox* box : shownBoxes()) click(box);
  EXPECT_TRUE(client.changes.empty());
}

TEST_F(ColorPanelTest, TheFontPanelSendsFaceOrSizeChanges) {
  FontClient client;
  controller->openFontPanel(QFont(QStringLiteral("DejaVu Sans"), 12), false, &client);
  Spin();
  QFontDialog* fonts = SharedFontDialog(false);
  ASSERT_NE(fonts, nullptr);
  EXPECT_TRUE(fonts->isVisible());
  EXPECT_EQ(QApplication::activeWindow(), fonts);
  EXPECT_EQ(fonts->currentFont().family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(fonts->currentFont().pointSize(), 12);
  EXPECT_EQ(fonts->currentFont().style(), QFont::StyleNormal);
  EXPECT_EQ(fonts->currentFont().weight(), QFont::Normal);
  EXPECT_TRUE(client.changes.empty());

  QFont serifItalic(QStringLiteral("DejaVu Serif"), 9);
  serifItalic.setItalic(true);
  QFont chosen = fonts->currentFont();
  chosen.setPointSize(20);
  fonts->setCurrentFont(chosen);
  ASSERT_EQ(client.changes.size(), 1u);
  const QFont resized = client.changes.back()(serifItalic);
  EXPECT_EQ(resized.family(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(resized.pointSize(), 20);
  EXPECT_TRUE(resized.italic());

  chosen = fonts->currentFont();
  chosen.setFamily(QStringLiteral("DejaVu Serif"));
  fonts->setCurrentFont(chosen);
  ASSERT_EQ(client.changes.size(), 2u);
  const QFont refaced = client.changes.back()(QFont(QStringLiteral("DejaVu Sans"), 7));
  EXPECT_EQ(refaced.family(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(refaced.pointSize(), 7);

  // Closed panels and clients that have gone hear nothing.
  ClosePanels();
  EXPECT_FALSE(fonts->isVisible());
  chosen.setPointSize(30);
  fonts->setCurrentFont(chosen);
  EXPECT_EQ(client.changes.size(), 2u);
  auto* gone = new FontClient;
  controller->openFontPanel(QFont(QStringLiteral("DejaVu Sans"), 12), true, gone);
  delete gone;
  chosen.setPointSize(14);
  fonts->setCurrentFont(chosen);
  EXPECT_EQ(client.changes.size(), 2u);
  controller->openFontPanel(QFont(QStringLiteral("DejaVu Sans"), 12), false, &client);
  chosen.setPointSize(16);
  fonts->setCurrentFont(chosen);
  ASSERT_EQ(client.changes.size(), 3u);
  EXPECT_EQ(client.changes.back()(serifItalic).pointSize(), 16);

  // A receiver that connected itself to the panel (an inspector pane) is cut
  // when the panel opens for another, before the new font shows.
  QObject pane;
  int paneHeard = 0;
  QObject::connect(fonts, &QFontDialog::currentFontChanged, &pane, [&paneHeard] { ++paneHeard; });
  controller->openFontPanel(QFont(QStringLiteral("DejaVu Serif"), 11), false, &client);
  chosen.setPointSize(18);
  fonts->setCurrentFont(chosen);
  EXPECT_EQ(paneHeard, 0);
  EXPECT_EQ(client.changes.size(), 4u);
}

}  // namespace

TEST_F(ColorPanelTest, ASwatchTakesThePanelFromAnActiveColorWell) {
  QWidget host;
  auto* well = new CSColorWell(&host);
  host.show();
  well->activate();
  ASSERT_TRUE(well->isActive());
  std::vector<Kolor> wellColors;
  QObject::connect(well, &CSColorWell::kolorChanged, &host, [&wellColors](Kolor kolor) { wellColors.push_back(kolor); });

  SwatchClient client;
  controller->openColorPanel(3, 0x64FF0000, &client);
  EXPECT_FALSE(well->isActive());
  panel->setCurrentColor(QColor(255, 0, 0));
  EXPECT_CHANGE(client, MakeKolor(255, 0, 0), 3);
  EXPECT_TRUE(wellColors.empty());
}

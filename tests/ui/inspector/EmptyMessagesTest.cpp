// The inspector's "No Selection" and the tool strip's "No options for this
// tool." read on their panel in light and dark mode: their colour comes
// from the palette, not a fixed grey.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPalette>
#include <cmath>

#include "model/DRTool.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Kolor.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSPropertyView.h"
#include "ui/inspector/DRToolOptionsVC.h"

namespace {

double Luminance(QRgb pixel) {
  auto channel = [](int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

// The contrast ratio of the pixel in the area that differs most from the
// background with the background.
double InkContrast(const QImage& image, const QRect& area, QRgb background) {
  const double base = Luminance(background);
  double best = 1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const double ink = Luminance(image.pixel(x, y));
      best = std::max(best, (std::max(ink, base) + 0.05) / (std::min(ink, base) + 0.05));
    }
  }
  return best;
}

QPalette ModePalette(bool dark) {
  QPalette palette;
  if (!dark) return palette;
  palette.setColor(QPalette::Window, QColor(0x26, 0x26, 0x26));
  palette.setColor(QPalette::WindowText, Qt::white);
  palette.setColor(QPalette::Text, Qt::white);
  palette.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 128));
  return palette;
}

class EmptyMessagesTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    m_dark = g_darkMode;
    m_background = g_formatPanelBackground;
    g_darkMode = GetParam();
    g_formatPanelBackground = ColorFromKolor(GetParam() ? 0x64262626 : 0x64E6E6E6);
  }
  void TearDown() override {
    g_darkMode = m_dark;
    g_formatPanelBackground = m_background;
  }
  QRgb background() const { return g_formatPanelBackground.rgb(); }

  bool m_dark = false;
  QColor m_background;
};

// Large text: a ratio of 3 reads.
constexpr double kLegibleContrast = 3;

TEST_P(EmptyMessagesTest, NoSelectionReadsOnTheInspector) {
  CSPropertyView view;
  view.setPalette(ModePalette(GetParam()));
  view.resize(246, 300);
  const QImage image = HarnessWindow::grabView(&view);
  EXPECT_GE(InkContrast(image, image.rect(), background()), kLegibleContrast);
}

TEST_P(EmptyMessagesTest, NoOptionsReadsOnTheToolStrip) {
  HarnessWindow window;
  window.setPalette(ModePalette(GetParam()));
  auto* container = new DRToolOptionsContainer(&window);
  container->setGeometry(0, 0, 260, 200);
  FakeEditorContent drawing{DRContentKind::kDrawing};
  FakeEditorWindowHost host{&window, &drawing};
  container->setWindowHost(&host);
  container->awakeFromNib();
  DRToolOptionsVC options(container, &host);
  options.awakeFromNib();
  window.show();
  NotificationCenter::defaultCenter().post(g_toolChangedNotification, &window, {{g_toolKey, int(kToolSelect)}});
  QCoreApplication::processEvents();
  ASSERT_EQ(container->selectedIdentifier(), QStringLiteral("no"));
  QLabel* message = options.noToolMessage();
  ASSERT_TRUE(message->isVisible());
  const QImage image = HarnessWindow::grabView(container);
  const QRect area(message->mapTo(container, QPoint(0, 0)), message->size());
  // The label is transparent: the strip's panel colour shows around the text.
  EXPECT_EQ(QColor(image.pixel(area.topLeft())), g_formatPanelBackground);
  EXPECT_GE(InkContrast(image, area, background()), kLegibleContrast);
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, EmptyMessagesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

}  // namespace

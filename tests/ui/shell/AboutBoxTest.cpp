// The about box: one window however often it is asked for, filled from the
// bundle keys, the build falling back to the bundle version.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>

#include "ShellTestSupport.h"
#include "support/CSKernel.h"
#include "ui/FakeWorkspace.h"
#include "ui/shell/CSAboutController.h"
#include "ui/shell/CSActionHandler.h"
#include "ui/shell/CSBundleKeys.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/ShellResources.h"

namespace {

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_version = g_appVersionString;
    g_appVersionString = QStringLiteral("2.1.3");
  }
  void TearDown() override {
    if (CSAboutController* open = CSAboutController::openController()) open->window()->close();
    Spin();
    CSAboutController::setInfoDictionary({});
    g_appVersionString = m_version;
  }
  static int aboutWindowCount() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      count += widget->objectName() == QLatin1String(kAboutInterface) && widget->isVisible() ? 1 : 0;
    }
    return count;
  }
  static QString labelText(const char* name) {
    const auto* label = CSAboutController::openController()->window()->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
  }

 private:
  QString m_version;
};

TEST_F(AboutBoxTest, TwoRequestsGiveOneWindowWithTheFirstDescription) {
  CSActionHandler::sharedInstance().showAbout(nullptr);
  CSAboutController* first = CSAboutController::openController();
  ASSERT_NE(first, nullptr);
  CSAboutController::introduceTindleApp(QStringLiteral("Another text"));
  EXPECT_EQ(CSAboutController::openController(), first);
  EXPECT_EQ(aboutWindowCount(), 1);
  EXPECT_EQ(first->description(), QStringLiteral("A TindleWick app."));
  EXPECT_EQ(labelText("description"), QStringLiteral("A TindleWick app."));
  EXPECT_EQ(labelText("appName"), QString::fromUtf8(kBundleName));

  // Closed, the next request makes a new window with its own text.
  first->window()->close();
  Spin();
  EXPECT_EQ(CSAboutController::openController(), nullptr);
  EXPECT_EQ(aboutWindowCount(), 0);
  CSAboutController::introduceTindleApp(QStringLiteral("Another text"));
  ASSERT_NE(CSAboutController::openController(), nullptr);
  EXPECT_EQ(CSAboutController::openController()->description(), QStringLiteral("Another text"));
  EXPECT_EQ(aboutWindowCount(), 1);
}

TEST_F(AboutBoxTest, TheBuildIsTWBuildOrElseTheBundleVersion) {
  const struct {
    QVariantMap info;
    const char* version;
  } rows[] = {
      {{{QStringLiteral("CFBundleName"), QStringLiteral("TWdraw")},
        {QStringLiteral("CFBundleVersion"), QStringLiteral("77")}},
       "2.1.3 (77)"},
      {{{QStringLiteral("CFBundleName"), QStringLiteral("TWdraw")},
        {QStringLiteral("CFBundleVersion"), QStringLiteral("77")},
        {QStringLiteral("TWBuild"), QStringLiteral("2105")}},
       "2.1.3 (2105)"},
  };
  for (const auto& row : rows) {
    CSAboutController::setInfoDictionary(row.info);
    CSAboutController::introduceTindleApp(QStringLiteral("x"));
    ASSERT_NE(CSAboutController::openController(), nullptr);
    EXPECT_EQ(CSAboutController::openController()->version(), QLatin1String(row.version));
    EXPECT_EQ(labelText("version"), QLatin1String(row.version));
    CSAboutController::openController()->window()->close();
    Spin();
  }
  // The build's own keys carry no build number.
  CSAboutController::setInfoDictionary({});
  CSAboutController::introduceTindleApp(QStringLiteral("x"));
  EXPECT_EQ(CSAboutController::openController()->version(),
            QStringLiteral("2.1.3 (") + QString::fromUtf8(kBundleVersion) + QStringLiteral(")"));
}

TEST_F(AboutBoxTest, TheLinksFitTheirTextAndOpenThroughTheDesktop) {
  FakeWorkspace workspace;
  CSAboutController::introduceTindleApp(QStringLiteral("x"));
  CSAboutController* about = CSAboutController::openController();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->link().string().startsWith(SiteHostName()));
  for (QTextBrowser* view : {about->linkView(), about->licenseLinkView()}) {
    EXPECT_TRUE(view->isReadOnly());
    // Fitted around the text, centred in its strip.
    const int strip = view->parentWidget()->width();
    EXPECT_LT(view->width(), strip);
    EXPECT_NEAR(view->x() + view->width() / 2.0, strip / 2.0, 1.0);
    EXPECT_LE(view->document()->size().width(), view->width() + 1);
  }
  emit about->licenseLinkView()->anchorClicked(LicensePageUrl());
  EXPECT_EQ(workspace.openedUrls, QList<QUrl>{LicensePageUrl()});
}

TEST_F(AboutBoxTest, EscapeClosesItAndItShowsTheCopyright) {
  CSAboutController::introduceTindleApp(QStringLiteral("x"));
  CSAboutController* about = CSAboutController::openController();
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(about->copyright().isEmpty());
  EXPECT_EQ(labelText("copyright"), QString::fromUtf8(kBundleCopyright));
  QWidget* window = about->window();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  // Even while a link has the focus.
  about->linkView()->setFocus();
  QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
  Spin();
  EXPECT_EQ(CSAboutController::openController(), nullptr);
  EXPECT_EQ(aboutWindowCount(), 0);
}

}  // namespace

#include "platform/NotificationCenter.h"
#include "support/CSAppDelegate.h"
#include "support/CSKernel.h"
#include "support/Kolor.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QSettings>
#include <QTemporaryDir>

namespace {

// Every kernel test runs with the XDG folders in a scratch folder, so that
// nothing of the real home is read or written.
class CSKernelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_scratch.isValid());
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
      m_saved.emplace_back(name, qgetenv(name));
      const QString folder = m_scratch.filePath(QString::fromLatin1(name));
      QDir().mkpath(folder);
      qputenv(name, QFile::encodeName(folder));
    }
    m_savedPalette = QGuiApplication::palette();
    m_token = NotificationCenter::defaultCenter().addObserver(this, g_darkModeChangedNotification, nullptr,
                                                              [this](const CSNotification&) { ++m_posts; });
  }
  void TearDown() override {
    NotificationCenter::defaultCenter().removeObserver(m_token);
    QGuiApplication::setPalette(m_savedPalette);
    for (const auto& [name, value] : m_saved) {
      if (value.isNull()) {
        qunsetenv(name);
      } else {
        qputenv(name, value);
      }
    }
  }

  QString writeFile(const QString& name, const QByteArray& contents) {
    const QString path = m_scratch.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
  }
  QString dataHome() const { return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")); }

  static QPalette paletteWithWindow(const QColor& window) {
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Window, window);
    return palette;
  }

  QTemporaryDir m_scratch;
  std::vector<std::pair<const char*, QByteArray>> m_saved;
  QPalette m_savedPalette;
  NotificationCenter::Token m_token = 0;
  int m_posts = 0;
};

TEST_F(CSKernelTest, SystemVersionStringFromOsRelease) {
  struct Row {
    const char* contents;
    const char* expected;
  } rows[] = {
      {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nVERSION_ID=\"12\"\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME=Arch\n", "Arch"},
      {"# comment\n  PRETTY_NAME='Fedora Linux 39'  \n", "Fedora Linux 39"},
      {"PRETTY_NAME=\"Say \\\"hi\\\" \\$HOME\"\n", "Say \"hi\" $HOME"},
      {"PRETTY_NAME=\"Unterminated\n", "Unterminated"},
      {"NAME=Debian\nVERSION_ID=12\n", "Unknown"},  // no PRETTY_NAME
      {"PRETTY_NAME=\"\"\n", "Unknown"},
      {"", "Unknown"},
  };
  for (const Row& row : rows) {
    const QString path = writeFile(QStringLiteral("os-release"), row.contents);
    EXPECT_EQ(CSKernel::SystemVersionStringFromFile(path), QString::fromUtf8(row.expected)) << row.contents;
  }
  EXPECT_EQ(CSKernel::SystemVersionStringFromFile(m_scratch.filePath(QStringLiteral("missing"))),
            QStringLiteral("Unknown"));
  // A huge file is not an os-release file.
  QByteArray huge = "PRETTY_NAME=Big\n";
  huge += QByteArray(100 * 1024, '#');
  EXPECT_EQ(CSKernel::SystemVersionStringFromFile(writeFile(QStringLiteral("huge"), huge)), QStringLiteral("Unknown"));
}

TEST_F(CSKernelTest, CreationFillsGlobalsAndReadsMarkerOnce) {
  QGuiApplication::setPalette(paletteWithWindow(QColor(240, 240, 240)));
  const QString marker = writeFile(QStringLiteral("XDG_DATA_HOME/TindleWick/TindleWick Advanced User"), "");
  struct TestDelegate : CSAppDelegate {
    int currentDistanceUnit() const override { return 3; }
  } delegate;
  QCoreApplication::setApplicationVersion(QStringLiteral("2.5.1"));

  CSKernelOptions options;
  options.osReleasePath = writeFile(QStringLiteral("os-release"), "PRETTY_NAME=\"Test OS 7\"\nVERSION_ID=7.1\n");
  options.appDelegate = &delegate;
  {
    m_posts = 0;
    CSKernel kernel(options);
    EXPECT_EQ(g_systemVersionString, QStringLiteral("Test OS 7"));
    // The number never follows the distribution's version text.
    EXPECT_EQ(g_systemVersion, kLinuxSystemVersion);
    EXPECT_EQ(g_appVersionString, QStringLiteral("2.5.1"));
    EXPECT_EQ(g_appName, QCoreApplication::applicationName());
    EXPECT_FALSE(g_bootVolumeName.isEmpty());
    EXPECT_TRUE(g_advancedUser);
    EXPECT_EQ(kernel.appDelegate()->currentDistanceUnit(), 3);
    // The appearance is read, and announced, once at creation.
    EXPECT_EQ(m_posts, 1);
    EXPECT_FALSE(g_darkMode);
    EXPECT_EQ(KolorFromColor(g_formatPanelBackground), 0x64E6E6E6u);
    EXPECT_EQ(KolorFromColor(g_outlineViewBackground), 0x64F8ECE5u);

    // Read once: removing the marker later changes nothing.
    ASSERT_TRUE(QFile::remove(marker));
    QGuiApplication::setPalette(paletteWithWindow(QColor(250, 250, 250)));
    EXPECT_TRUE(g_advancedUser);
  }

  // Without the marker and without os-release: NO, "Unknown", and the
  // version number still above every threshold.
  options.osReleasePath = m_scratch.filePath(QStringLiteral("no-such-file"));
  options.appDelegate = nullptr;
  CSKernel bare(options);
  EXPECT_FALSE(g_advancedUser);
  EXPECT_EQ(g_systemVersionString, QStringLiteral("Unknown"));
  EXPECT_EQ(g_systemVersion, kLinuxSystemVersion);
  EXPECT_GT(g_systemVersion, kSystemVersion10_14);
  EXPECT_EQ(bare.appDelegate(), nullptr);
}

TEST_F(CSKernelTest, DarkPalettePostsOnceAndDarkensPanels) {
  QGuiApplication::setPalette(paletteWithWindow(QColor(236, 236, 236)));
  CSKernel kernel(CSKernelOptions{m_scratch.filePath(QStringLiteral("none")), QString(), nullptr});
  ASSERT_EQ(m_posts, 1);
  ASSERT_FALSE(g_darkMode);

  QGuiApplication::setPalette(paletteWithWindow(QColor(30, 30, 30)));
  QCoreApplication::processEvents();
  EXPECT_EQ(m_posts, 2);
  EXPECT_TRUE(g_darkMode);
  EXPECT_EQ(KolorFromColor(g_formatPanelBackground), 0x64262626u);
  EXPECT_EQ(KolorFromColor(g_outlineViewBackground), 0x64262626u);

  // Another dark palette does not turn the appearance over: no post.
  QGuiApplication::setPalette(paletteWithWindow(QColor(50, 40, 40)));
  QCoreApplication::processEvents();
  EXPECT_EQ(m_posts, 2);

  QGuiApplication::setPalette(paletteWithWindow(QColor(236, 236, 236)));
  QCoreApplication::processEvents();
  EXPECT_EQ(m_posts, 3);
  EXPECT_FALSE(g_darkMode);
  EXPECT_EQ(KolorFromColor(g_outlineViewBackground), 0x64F8ECE5u);
}

TEST_F(CSKernelTest, SharedInstanceIsMadeOnce) {
  CSKernel* shared = CSKernel::sharedInstance();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(CSKernel::sharedInstance(), shared);
  EXPECT_EQ(CSKernel::createSharedInstance(CSKernelOptions()), nullptr);
}

TEST_F(CSKernelTest, ToolTemplateNames) {
  const QStringList& names = CSKernel::toolTemplateNames();
  ASSERT_EQ(names.size(), 19);
  EXPECT_EQ(names.front(), QStringLiteral("TextAlignCenter"));
  EXPECT_EQ(names[11], QStringLiteral("MoveBottom"));
  EXPECT_EQ(names.back(), QStringLiteral("UndoTool"));
}

TEST_F(CSKernelTest, DefaultYesBoolForKey) {
  const QString path = m_scratch.filePath(QStringLiteral("settings.ini"));
  {
    QSettings settings(path, QSettings::IniFormat);
    EXPECT_TRUE(DefaultYesBoolForKey(settings, QStringLiteral("twdraw.autosave")));
    settings.setValue(QStringLiteral("twdraw.autosave"), false);
    settings.setValue(QStringLiteral("twdraw.exportPdf"), true);
  }
  // Read back from the file, where booleans are stored as text.
  const QSettings reread(path, QSettings::IniFormat);
  EXPECT_FALSE(DefaultYesBoolForKey(reread, QStringLiteral("twdraw.autosave")));
  EXPECT_TRUE(DefaultYesBoolForKey(reread, QStringLiteral("twdraw.exportPdf")));
  EXPECT_TRUE(DefaultYesBoolForKey(reread, QStringLiteral("twdraw.never")));
}

}  // namespace

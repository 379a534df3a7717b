#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

#include "support/SharedPreferences.h"
#include "testkit/QStringPrinter.h"

namespace {
// Points the user's configuration folder at a temporary one for the test.
class SharedPreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    // QSettings reads the folder once per process; tell it again.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
  }
  void TearDown() override {
    if (m_oldXdg.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", m_oldXdg);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }
  QTemporaryDir m_dir;
  QByteArray m_oldXdg;
};
}  // namespace

TEST_F(SharedPreferencesTest, WrittenSuiteReadsBackThroughAnotherSettings) {
  const QString path = TindleWickPrefsPath();
  EXPECT_EQ(path, m_dir.path() + QStringLiteral("/TindleWick/TindleWick.conf"));
  SetTindleWickBoolean(kAutoUpdateKey, true);
  SetTindleWickBoolean(kAutoUpdateMonthlyKey, false);
  SetTindleWickInteger(kLastNewsCheckKey, 1234567890123);
  SetTindleWickObject(kHelpFontKey, QStringLiteral("DejaVu Sans 12"));
  EXPECT_TRUE(SyncTindleWickPrefs());

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray contents = file.readAll();
  EXPECT_TRUE(contents.contains("autoUpdate=true")) << contents.toStdString();
  EXPECT_TRUE(contents.contains("lastNewsCheck=1234567890123")) << contents.toStdString();

  QSettings other(path, QSettings::NativeFormat);
  EXPECT_TRUE(other.value(kAutoUpdateKey).toBool());
  EXPECT_FALSE(other.value(kAutoUpdateMonthlyKey).toBool());
  EXPECT_EQ(other.value(kLastNewsCheckKey).toLongLong(), 1234567890123);
  EXPECT_EQ(other.value(kHelpFontKey).toString(), QStringLiteral("DejaVu Sans 12"));

  // And what another writer leaves is read through the suite's functions.
  other.setValue(kAutoNewsCheckKey, false);
  other.setValue(kLastNewsDateKey, 20261210);
  other.sync();
  EXPECT_FALSE(TindleWickBoolean(kAutoNewsCheckKey, true));
  EXPECT_EQ(TindleWickInteger(kLastNewsDateKey), 20261210);
  EXPECT_TRUE(TindleWickBoolean(kAutoUpdateKey, false));
  EXPECT_EQ(CopyTindleWickObject(kHelpFontKey).toString(), QStringLiteral("DejaVu Sans 12"));
}

TEST_F(SharedPreferencesTest, UnwrittenOrForeignValuesGiveTheDefault) {
  EXPECT_TRUE(TindleWickBoolean(QStringLiteral("neverWritten"), true));
  EXPECT_FALSE(TindleWickBoolean(QStringLiteral("neverWritten"), false));
  EXPECT_EQ(TindleWickInteger(QStringLiteral("neverWritten")), 0);
  EXPECT_FALSE(CopyTindleWickObject(QStringLiteral("neverWritten")).isValid());
  SetTindleWickObject(QStringLiteral("word"), QStringLiteral("banana"));
  EXPECT_TRUE(TindleWickBoolean(QStringLiteral("word"), true));
  EXPECT_FALSE(TindleWickBoolean(QStringLiteral("word"), false));
  EXPECT_EQ(TindleWickInteger(QStringLiteral("word")), 0);
  SetTindleWickObject(QStringLiteral("word"), QVariant());  // removes it
  EXPECT_FALSE(CopyTindleWickObject(QStringLiteral("word")).isValid());
}

#include "richtext/SystemServices.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QObject>

#include "QStringPrinter.h"
#include "platform/NotificationCenter.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "support/DayNumbers.h"
#include "support/Fonts.h"

namespace {

Pane* const kPane = reinterpret_cast<Pane*>(uintptr_t(0x2000));

TEST(SystemServicesTest, DecimalSeparatorFollowsTheLocaleOfTheFirstCall) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(DecimalSeparator(), u',');
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(DecimalSeparator(), u',');  // kept for the whole process
  QLocale::setDefault(saved);
}

TEST(SystemServicesTest, DayAndTimeAreTodayAndSecondsSinceMidnight) {
  DayAndTime record{7, 7};
  const uint32_t before = CurrentTime();
  SetDayAndTime(&record);
  const DayIndex today = DayIndexForToday();
  EXPECT_LT(CurrentTime(), 86400u);
  // Around midnight the day may change between the calls.
  if (record.time >= before) {
    EXPECT_EQ(record.day, uint32_t(today));
    EXPECT_LE(record.time - before, 2u);
  }
  SetDayAndTime(nullptr);
}

TEST(SystemServicesTest, ShorthandKeepsTheCaseRules) {
  FakeCorvaneHost host;
  host.replacements = ShorthandDictionary{
      {QStringLiteral("ty"), QStringLiteral("thank you")},
      {QStringLiteral("btw"), QStringLiteral("by the way")},
      {QStringLiteral("NYC"), QStringLiteral("new york city")},
      {QStringLiteral("x"), QStringLiteral("y")},
  };
  struct Case {
    const char16_t* typed;
    const char* expected;  // null: no replacement
  };
  const Case cases[] = {
      {u"btw", "by the way"},
      {u"Btw", "By the way"},
      {u"BTW", "BY THE WAY"},
      {u"bTw", "by the way"},          // another mix: as it is
      {u"BtW", "by the way"},
      {u"nyc", "new york city"},       // a key with capitals: as it is
      {u"Nyc", "new york city"},
      {u"X", "Y"},                     // one capital letter
      {u"x", "y"},
      {u"bt", nullptr},                // another length
      {u"btx", nullptr},
  };
  for (const Case& c : cases) {
    const QString typed = QString::fromUtf16(c.typed);
    const QString result = ExpandSystemShorthand(c.typed, uint32_t(typed.size()));
    if (c.expected) {
      EXPECT_EQ(result, QString::fromLatin1(c.expected)) << typed.toStdString();
    } else {
      EXPECT_TRUE(result.isNull()) << typed.toStdString();
    }
  }
  EXPECT_TRUE(ExpandSystemShorthand(nullptr, 3).isNull());
  EXPECT_TRUE(ExpandSystemShorthand(u"btw", 0).isNull());
  host.replacements.reset();
  EXPECT_TRUE(ExpandSystemShorthand(u"btw", 3).isNull());
}

TEST(SystemServicesTest, ToolNotificationsNameThePanesWindowController) {
  FakeCorvaneHost host;
  QObject controller;
  host.windowController = &controller;
  QStringList seen;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &seen, QString(), &controller, [&](const CSNotification& n) { seen << n.name; });
  UpdateTableBoundsTool(kPane);
  UpdateShowMarksTool(kPane);
  NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_EQ(seen, (QStringList{QStringLiteral("cvb.boundsTool"), QStringLiteral("cvb.marksTool")}));
}

TEST(SystemServicesTest, ObscureCursorHidesItUntilTheMouseMoves) {
  ObscureCursor();
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
  ObscureCursor();  // hidden once, not stacked
  QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), QPointF(1, 1), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QObject target;
  QCoreApplication::sendEvent(&target, &move);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// ---- The font-name list ------------------------------------------------------------

TEST(FontNamesTest, NamesAreAppendedOnceAndLookedUpByIndex) {
  const uint16_t times = IndexOfFont(QStringLiteral("Times New Roman"));
  const uint16_t unknown = IndexOfFont(QStringLiteral("No Such Font Face"));
  EXPECT_NE(times, unknown);
  EXPECT_EQ(IndexOfFont(QStringLiteral("Times New Roman")), times);
  EXPECT_EQ(FontName(nullptr, times), QStringLiteral("Times New Roman"));
  EXPECT_EQ(FontName(nullptr, unknown), QStringLiteral("No Such Font Face"));

  const uint32_t count = uint32_t(g_fontNames.size());
  EXPECT_TRUE(FontName(nullptr, count).isEmpty());
  EXPECT_TRUE(FontName(nullptr, 0xFFFFFFFF).isEmpty());

  // An empty name is the installed face that stands in for "Helvetica".
  const uint16_t empty = IndexOfFont(QString());
  EXPECT_EQ(FontName(nullptr, empty), MapFontName(QStringLiteral("Helvetica")));
  EXPECT_EQ(IndexOfFont(QString()), empty);
}

TEST(FontNamesTest, DisplayNamesComeFromInstalledFacesOnly) {
  const uint16_t unknown = IndexOfFont(QStringLiteral("No Such Font Face"));
  EXPECT_EQ(FontDisplayName(nullptr, unknown), QStringLiteral("No Such Font Face"));
  const uint16_t bold = IndexOfFont(QStringLiteral("DejaVuSans-Bold"));
  ASSERT_TRUE(FontExists(QStringLiteral("DejaVuSans-Bold")));
  EXPECT_EQ(FontDisplayName(nullptr, bold), QStringLiteral("DejaVu Sans Bold"));
  const uint16_t plain = IndexOfFont(QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(FontDisplayName(nullptr, plain), QStringLiteral("DejaVu Sans"));
  EXPECT_TRUE(FontDisplayName(nullptr, uint32_t(g_fontNames.size())).isEmpty());
}

}  // namespace

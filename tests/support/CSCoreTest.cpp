#include "support/CSAlertPresenter.h"
#include "support/CSCore.h"
#include "support/NumberText.h"
#include "testkit/LogCapture.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QThread>
#include <cmath>
#include <thread>

TEST(CSCore, ImpossibleAllocationLogsSizeAndBacktrace) {
  LogCapture log;
  const uint64_t huge = uint64_t(1) << 62;
  EXPECT_EQ(AllocateMemory(huge), nullptr);
  EXPECT_EQ(AllocateAndClearMemory(huge), nullptr);
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 4);  // message and backtrace, twice
  EXPECT_EQ(lines[0], QStringLiteral("Allocation failed for 4611686018427387904 bytes."));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("   "))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].endsWith(QLatin1Char('\n')));
}

TEST(CSCore, AllocationBasics) {
  LogCapture log;
  FreeMemory(nullptr);
  void* empty = AllocateMemory(0);  // a valid, freeable pointer; not a failure
  EXPECT_NE(empty, nullptr);
  FreeMemory(empty);
  auto* cleared = static_cast<unsigned char*>(AllocateAndClearMemory(4096));
  ASSERT_NE(cleared, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(cleared[i], 0);
  FreeMemory(cleared);
  EXPECT_TRUE(log.lines().isEmpty());
}

TEST(CSCore, LogExceptionForms) {
  LogCapture log;
  LogException(QStringLiteral("disk full"), QStringLiteral("Autosave failed"));
  try {
    throw std::runtime_error("bad thing");
  } catch (const std::exception& e) {
    LogException(e, QStringLiteral("Copy failed"));
  }
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("Autosave failed: disk full"));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Copy failed: std::runtime_error: bad thing\n"))) << lines[1].toStdString();
}

TEST(CSCore, ObjectDescriptionNamesClassAndAddress) {
  struct Probe {
    virtual ~Probe() = default;
  } probe;
  const QString text = ObjectDescription(&probe);
  EXPECT_TRUE(text.contains(QStringLiteral("Probe 0x"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith(QString::number(reinterpret_cast<uintptr_t>(&probe), 16)));
}

TEST(CSCore, EncodeDottedVersionNumber) {
  struct Row {
    const char* text;
    uint32_t value;
  } rows[] = {{"11", 0}, {"11.2", 0x0B0200}, {"11.2.3.4", 0x0B0203}, {"10.15.7", 0x0A0F07},
              {"2.0", 0x020000}, {"", 0}, {"a.b", 0}, {"12.x.1", 0x0C0001}};
  for (const Row& row : rows) EXPECT_EQ(EncodeDottedVersionNumber(row.text), row.value) << row.text;
  EXPECT_GT(g_systemVersion, kSystemVersion10_14);
}

TEST(CSCore, ThreadStorageIsPerThreadAndStable) {
  uint8_t* mine = GetCSThreadStorage();
  EXPECT_EQ(mine, GetCSThreadStorage());
  mine[0] = 7;
  uint8_t* other = nullptr;
  uint8_t otherFirst = 0xFF;
  std::thread t([&] {
    other = GetCSThreadStorage();
    otherFirst = other[0];
  });
  t.join();
  EXPECT_NE(mine, other);
  EXPECT_EQ(otherFirst, 0);
  EXPECT_EQ(GetCSThreadStorage()[0], 7);
  mine[0] = 0;
}

TEST(CSCore, SetThreadNameNamesQtAndSystemThread) {
  QString qtName;
  char systemName[32] = {};
  std::thread t([&] {
    SetThreadName(QStringLiteral("twdraw.a-rather-long-thread-näme"));
    qtName = QThread::currentThread()->objectName();
    pthread_getname_np(pthread_self(), systemName, sizeof systemName);
  });
  t.join();
  EXPECT_EQ(qtName, QStringLiteral("twdraw.a-rather-long-thread-näme"));
  EXPECT_STREQ(systemName, "twdraw.a-rather");
}

TEST(CSCore, TimeAndTaskTime) {
  // Counted from 2001-01-01T00:00:00Z, not from the Unix epoch.
  const double expected = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - 978307200.0;
  EXPECT_NEAR(TimeSinceSystemRef(), expected, 5.0);
  // A start subtracts the time it reads and counts a call; a finish adds its
  // time: the record accumulates exactly the user time between the pairs.
  TaskTimeRecord record;
  int64_t spent = 0;
  for (int round = 0; round < 2; ++round) {
    const int64_t start = RecordTaskTime(&record, true);
    volatile double sink = 0;
    for (int i = 0; i < 2000000; ++i) sink = sink + i * 0.5;
    const int64_t finish = RecordTaskTime(&record, false);
    EXPECT_GT(start, 0);  // the process has used user time by now
    EXPECT_GE(finish, start);
    spent += finish - start;
  }
  EXPECT_EQ(record.count, 2u);
  EXPECT_EQ(record.time, spent);
}

TEST(CSCore, AlertFacadeReachesThePresenter) {
  CSRecordingAlertPresenter presenter;
  CSAlertPresenter* old = SetAlertPresenter(&presenter);
  EXPECT_EQ(GiveSimpleAlert("Can't open file.", "Because."), 0);
  EXPECT_TRUE(OkToProceed("Proceed?", ""));
  presenter.setAnswer(1);
  EXPECT_FALSE(OkToProceed("Proceed?", ""));
  const char* const none[] = {nullptr};
  bool suppress = false;
  presenter.setSuppressAnswer(true);
  GiveAlert("m", "i", none, &suppress);
  EXPECT_TRUE(suppress);
  const auto alerts = presenter.alerts();
  ASSERT_EQ(alerts.size(), 4u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
  EXPECT_TRUE(alerts[0].buttons.isEmpty());
  EXPECT_EQ(alerts[1].buttons, (QStringList{"OK", "Cancel"}));
  EXPECT_TRUE(alerts[3].buttons.isEmpty());
  EXPECT_TRUE(alerts[3].offeredSuppression);
  EXPECT_FALSE(alerts[0].offeredSuppression);
  EXPECT_EQ(SetAlertPresenter(old), &presenter);
}

TEST(NumberText, LenientValues) {
  EXPECT_EQ(IntValue(u"  42abc"), 42);
  EXPECT_EQ(IntValue(u"-7"), -7);
  EXPECT_EQ(IntValue(u"abc"), 0);
  EXPECT_EQ(IntValue(u"99999999999"), INT32_MAX);
  EXPECT_EQ(LongLongValue(u"-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(LongLongValue(u"99999999999999999999999"), INT64_MAX);
  EXPECT_DOUBLE_EQ(DoubleValue(u" 1.5e3x"), 1500.0);
  EXPECT_DOUBLE_EQ(DoubleValue(u"2e"), 2.0);
  EXPECT_DOUBLE_EQ(DoubleValue(u"."), 0.0);
}

TEST(NumberText, StoredValuesAsIntegers) {
  EXPECT_EQ(VariantLongLongValue(QVariant()), 0);
  EXPECT_EQ(VariantLongLongValue(QVariant(QStringLiteral(" 42x"))), 42);
  EXPECT_EQ(VariantLongLongValue(QVariant(true)), 1);
  EXPECT_EQ(VariantLongLongValue(QVariant(-2.9)), -2);
  EXPECT_EQ(VariantLongLongValue(QVariant(1e30)), INT64_MAX);
  EXPECT_EQ(VariantLongLongValue(QVariant(-1e30)), INT64_MIN);
  EXPECT_EQ(VariantLongLongValue(QVariant(std::nan(""))), 0);
  EXPECT_EQ(VariantLongLongValue(QVariant(qulonglong(UINT64_MAX))), INT64_MAX);
  EXPECT_EQ(VariantLongLongValue(QVariant(qlonglong(INT64_MIN))), INT64_MIN);
}

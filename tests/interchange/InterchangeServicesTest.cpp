#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "interchange/DRInterchangeServices.h"
#include "platform/ExtendedAttributes.h"
#include "support/CSAlertPresenter.h"
#include "support/Files.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

std::vector<CSRecordingAlertPresenter::Alert> TakeAlerts() {
  CSRecordingAlertPresenter& presenter = CSRecordingAlertPresenter::shared();
  std::vector<CSRecordingAlertPresenter::Alert> alerts = presenter.alerts();
  presenter.clear();
  return alerts;
}

}  // namespace

TEST(InterchangeServices, QuickdrawFilesByExtensionOrFileType) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const DRInterchangeServices services;
  for (const char* name : {"a.pict", "B.PIC", "c.Pict"}) {
    EXPECT_TRUE(services.isQuickdrawFile(folder.filePath(QString::fromLatin1(name)))) << name;
  }
  for (const char* name : {"a.png", "pict", "a.pict.txt", "a.picture"}) {
    EXPECT_FALSE(services.isQuickdrawFile(folder.filePath(QString::fromLatin1(name)))) << name;
  }

  const QString typed = folder.filePath(QStringLiteral("Picture"));
  WriteBytes(typed, QByteArray(600, '\0'));
  EXPECT_FALSE(services.isQuickdrawFile(typed));
  if (!UserAttributesWork(folder.path())) GTEST_SKIP() << "no user extended attributes here";
  QByteArray info(32, '\0');
  info.replace(0, 8, "PICTttxt");
  ASSERT_TRUE(SetExtendedAttribute(typed, kFinderInfoAttribute, info));
  EXPECT_TRUE(services.isQuickdrawFile(typed));
  // The type counts only for a file without an extension.
  const QString named = folder.filePath(QStringLiteral("Picture.dat"));
  WriteBytes(named, QByteArray(600, '\0'));
  ASSERT_TRUE(SetExtendedAttribute(named, kFinderInfoAttribute, info));
  EXPECT_FALSE(services.isQuickdrawFile(named));
}

TEST(InterchangeServices, SvgFilesGoToTheReaderOtherKindsFailWithTheAlert) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString svg = folder.filePath(QStringLiteral("Shapes.svg"));
  WriteBytes(svg, "<svg xmlns='http://www.w3.org/2000/svg'><rect width='8' height='4'/></svg>");
  DRInterchangeServices services;
  TakeAlerts();
  const std::optional<DRElementList> elements = services.loadElementsFromSvgFile(svg);
  ASSERT_TRUE(elements);
  ASSERT_EQ(elements->size(), 1u);
  EXPECT_EQ(elements->front()->frame(), (CSRect{0, 0, 8 * 9525, 4 * 9525}));
  EXPECT_FALSE(services.loadElementsFromEmfFile(QStringLiteral("/tmp/Old.emf")).has_value());
  const auto alerts = TakeAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("I can't import the file Old.emf. I can't read the EMF file."));
}

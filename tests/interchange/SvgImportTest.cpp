#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include "interchange/SvgImport.h"
#include "model/DRElementClosed.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "support/CSAlertPresenter.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

QString FixtureFolder() {
  return QStringLiteral(TWDRAW_TEST_DATA "/interchange/svg");
}

// "type x y width height" in points with up to two decimals, one line an
// element; or "error <reason>".
QString Describe(const std::optional<DRElementList>& elements, const QString& reason) {
  if (!elements) return QStringLiteral("error ") + reason;
  QStringList lines;
  auto points = [](MeasureUnit value) { return QString::number(std::round(double(value) / 127.0) / 100.0); };
  for (const auto& element : *elements) {
    const CSRect frame = element->frame();
    lines << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(element->elementType())
                 .arg(points(frame.x), points(frame.y), points(frame.width), points(frame.height));
  }
  return lines.join(QLatin1Char('\n'));
}

QStringList Fixtures() {
  QStringList names;
  for (const QString& name : QDir(FixtureFolder()).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name))
    names << name;
  return names;
}

class SvgFixtureTest : public ::testing::TestWithParam<QString> {};

}  // namespace

TEST_P(SvgFixtureTest, ReadsAsExpected) {
  const QString path = QDir(FixtureFolder()).filePath(GetParam());
  const QString expected =
      QString::fromUtf8(ReadBytes(QFileInfo(path).path() + QLatin1Char('/') + QFileInfo(path).completeBaseName() +
                                  QStringLiteral(".expected")))
          .trimmed();
  QString reason;
  const std::optional<DRElementList> elements = ReadSvgFile(path, &reason);
  EXPECT_EQ(Describe(elements, reason), expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SvgFixtureTest, ::testing::ValuesIn(Fixtures()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                           return QFileInfo(info.param).completeBaseName().toStdString();
                         });

TEST(SvgImport, FixturesArePresent) {
  EXPECT_GE(Fixtures().size(), 8);
}

TEST(SvgImport, StopsGiveStartOneStopAndEnd) {
  const QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg">
    <defs><linearGradient id="g" x1="0" x2="0" y1="0" y2="1">
      <stop offset="0" stop-color="red"/>
      <stop offset="40%" style="stop-color: blue; stop-opacity: 0.5"/>
      <stop offset="1" stop-color="#0f0"/>
    </linearGradient>
    <linearGradient id="h" xlink:href="#g"/></defs>
    <rect width="10" height="10" fill="url(#g)"/>
    <rect width="10" height="10" fill="url(#h)"/>
  </svg>)svg";
  QString reason;
  const std::optional<DRElementList> elements = ReadSvgElements(svg, &reason);
  ASSERT_TRUE(elements) << reason.toStdString();
  ASSERT_EQ(elements->size(), 2u);
  const auto* rectangle = dynamic_cast<const DRElementClosed*>((*elements)[0].get());
  ASSERT_TRUE(rectangle && rectangle->gradient());
  const std::vector<CSGradientStop> expected = {
      {0, MakeKolor(255, 0, 0)}, {5080, MakeKolor(0, 0, 255, 50)}, {12700, MakeKolor(0, 255, 0)}};
  EXPECT_EQ(rectangle->gradient()->stops(), expected);
  // Pointing down: 90 degrees from east, plus 270.
  EXPECT_EQ(rectangle->gradient()->linearAngle(), 0);
  // A gradient with only a base keeps the base's angle.
  const auto* second = dynamic_cast<const DRElementClosed*>((*elements)[1].get());
  ASSERT_TRUE(second && second->gradient());
  EXPECT_EQ(second->gradient()->linearAngle(), rectangle->gradient()->linearAngle());
  EXPECT_EQ(second->gradient()->stops(), expected);
}

TEST(SvgImport, NotesAndColours) {
  const QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg">
    <desc>the document</desc>
    <color id="c">rgb(0,0,255)</color>
    <desc>a note</desc>
    <rect width="10" height="10" fill="currentColor"/>
    <rect width="10" height="10" fill="url(#c)"/>
  </svg>)svg";
  QString reason;
  const std::optional<DRElementList> elements = ReadSvgElements(svg, &reason);
  ASSERT_TRUE(elements) << reason.toStdString();
  ASSERT_EQ(elements->size(), 2u);
  EXPECT_EQ((*elements)[0]->notes(), QStringLiteral("a note"));
  EXPECT_TRUE((*elements)[1]->notes().isEmpty());
  EXPECT_EQ((*elements)[0]->fillKolor(), MakeKolor(0, 0, 255));
  EXPECT_EQ((*elements)[1]->fillKolor(), MakeKolor(0, 0, 255));
}

TEST(SvgImport, UsedShapesAreReadAgainWithTheUsesStyle) {
  const QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg">
    <defs>
      <g id="pair" stroke="blue"><rect width="10" height="10"/><circle cx="30" cy="5" r="5" fill="lime"/></g>
    </defs>
    <use href="#pair" fill="red"/>
    <use href="#pair" x="50"/>
  </svg>)svg";
  QString reason;
  const std::optional<DRElementList> elements = ReadSvgElements(svg, &reason);
  ASSERT_TRUE(elements) << reason.toStdString();
  ASSERT_EQ(elements->size(), 4u);
  // The use's attributes come last, over the shape's own; the group's stroke stays.
  EXPECT_EQ((*elements)[0]->fillKolor(), MakeKolor(255, 0, 0));
  EXPECT_EQ((*elements)[1]->fillKolor(), MakeKolor(255, 0, 0));
  EXPECT_EQ((*elements)[0]->lineStyle().kolor(), MakeKolor(0, 0, 255));
  EXPECT_EQ((*elements)[2]->fillKolor(), g_blackKolor);
  EXPECT_EQ((*elements)[3]->fillKolor(), MakeKolor(0, 255, 0));
  EXPECT_EQ((*elements)[2]->frame().x - (*elements)[0]->frame().x, 50 * 9525);
}

TEST(SvgImport, TextAlongAPath) {
  const QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg">
    <defs><path id="curve" d="M 0 0 C 20 40 60 40 80 0"/><g id="two"><path d="M0 0 L5 5"/><path d="M0 5 L5 0"/></g></defs>
    <text fill="red"><textPath href="#curve">along the curve</textPath></text>
    <text stroke="green" fill="none"><textPath path="M 0 100 L 100 100">own path</textPath></text>
    <text><textPath href="#two">two paths</textPath></text>
    <text><textPath href="#missing">nothing</textPath></text>
  </svg>)svg";
  QString reason;
  const std::optional<DRElementList> elements = ReadSvgElements(svg, &reason);
  ASSERT_TRUE(elements) << reason.toStdString();
  ASSERT_EQ(elements->size(), 2u);
  for (const auto& element : *elements) EXPECT_EQ(element->elementType(), kElementPolygon);
  const auto& first = static_cast<const DRElementPolygon&>(*(*elements)[0]);
  EXPECT_EQ(first.text(), QStringLiteral("along the curve"));
  EXPECT_EQ(first.lineStyle().kolor(), MakeKolor(255, 0, 0));
  // Closed only so that the fill showed: open again.
  EXPECT_FALSE(first.isClosed());
  const auto& second = static_cast<const DRElementPolygon&>(*(*elements)[1]);
  EXPECT_EQ(second.text(), QStringLiteral("own path"));
  EXPECT_EQ(second.lineStyle().kolor(), MakeKolor(0, 128, 0));
}

TEST(SvgImport, UseChainsThatExplodeAreRefusedAtTheElementCap) {
  QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg'><defs><g id='g0'><rect width='1' height='1'/></g>";
  for (int level = 1; level <= 21; ++level)
    svg += QStringLiteral("<g id='g%1'><use href='#g%2'/><use href='#g%2'/></g>").arg(level).arg(level - 1).toUtf8();
  svg += "</defs><use href='#g21'/></svg>";
  QElapsedTimer timer;
  timer.start();
  QString reason;
  EXPECT_FALSE(ReadSvgElements(svg, &reason));
  EXPECT_EQ(reason, g_svgFormatReason);
}

TEST(SvgImport, DeepNestingIsRefused) {
  QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg'>";
  for (int i = 0; i < 1100; ++i) svg += "<g>";
  svg += "<rect width='1' height='1'/>";
  for (int i = 0; i < 1100; ++i) svg += "</g>";
  svg += "</svg>";
  QString reason;
  EXPECT_FALSE(ReadSvgElements(svg, &reason));
  EXPECT_EQ(reason, g_svgFormatReason);

  // A little less deep reads.
  QByteArray shallow = "<svg xmlns='http://www.w3.org/2000/svg'>";
  for (int i = 0; i < 100; ++i) shallow += "<g transform='translate(1)'>";
  shallow += "<rect width='1' height='1'/>";
  for (int i = 0; i < 100; ++i) shallow += "</g>";
  shallow += "</svg>";
  const std::optional<DRElementList> elements = ReadSvgElements(shallow, &reason);
  ASSERT_TRUE(elements);
  EXPECT_EQ(elements->size(), 1u);
}

TEST(SvgImport, FailuresAlertWithTheReason) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  CSRecordingAlertPresenter::shared().clear();
  const QString path = folder.filePath(QStringLiteral("Drawing.svg"));
  WriteBytes(path, "<svg version='2.0'/>");
  EXPECT_FALSE(LoadElementsFromSvgFile(path));
  EXPECT_FALSE(LoadElementsFromSvgFile(folder.filePath(QStringLiteral("Missing.svg"))));
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  CSRecordingAlertPresenter::shared().clear();
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("I can't open the file Drawing because I don't understand its format."));
  EXPECT_TRUE(alerts[1].moreInfo.startsWith(QStringLiteral("I can't open the file Missing because ")));

  // An empty drawing is no failure.
  WriteBytes(path, "<svg xmlns='http://www.w3.org/2000/svg'/>");
  const std::optional<DRElementList> empty = LoadElementsFromSvgFile(path);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  EXPECT_TRUE(CSRecordingAlertPresenter::shared().alerts().empty());
}

TEST(SvgImport, CorpusFilesReadWithinTheirTime) {
  const QString corpus = QStringLiteral(TWDRAW_SOURCE_DIR "/../shared/corpora/svg/resvg-test-suite/tests");
  if (!QDir(corpus).exists()) GTEST_SKIP() << "no SVG corpus at " << corpus.toStdString();
  QDirIterator files(corpus, {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
  int read = 0;
  while (files.hasNext()) {
    const QString path = files.next();
    QElapsedTimer timer;
    timer.start();
    QString reason;
    ReadSvgFile(path, &reason);
    EXPECT_LT(timer.elapsed(), 2000) << path.toStdString();
    ++read;
  }
  EXPECT_GT(read, 0);
}

// The element clipboard against the system clipboard of a real X display:
// what other programs see after a copy, and an image another program put
// there pasted and handed back as elements. The test starts this program
// again under a virtual X server with the xcb platform; xclip plays the
// other program, run while the event loop turns, since this process owns
// the clipboard it answers for.

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ShellTestSupport.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "ui/editor/DrawVCFixture.h"
#include "ui/shell/DRAppClipboardServices.h"
#include "ui/shell/DRPrefController.h"

namespace {

constexpr char kChildVariable[] = "TWDRAW_XCLIP_CHILD";

// Runs xclip on the clipboard with the arguments, turning the event loop
// until it ends; its standard output, or nullopt when it failed.
std::optional<QByteArray> RunXclip(const QStringList& arguments) {
  QProcess xclip;
  xclip.start(QStringLiteral("xclip"), QStringList{QStringLiteral("-selection"), QStringLiteral("clipboard")} + arguments);
  if (!xclip.waitForStarted(10000)) return std::nullopt;
  xclip.closeWriteChannel();
  if (!SpinUntil([&] { return xclip.state() == QProcess::NotRunning; })) {
    xclip.kill();
    xclip.waitForFinished();
    return std::nullopt;
  }
  if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0) return std::nullopt;
  return xclip.readAllStandardOutput();
}

// The platform claims the clipboard with the time of the last X event it
// saw; a paste follows the user's key press, which tells it a time after
// the other program's claim. A property change of the window stands in
// for that key press here.
void SeeTheServersTime(QWidget* window) {
  static int count = 0;
  window->setWindowTitle(QStringLiteral("clipboard %1").arg(++count));
  for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

class ClipboardXvfbTest : public DrawVCFixture {
 public:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "runs under ClipboardOnXServer";
    DrawVCFixture::SetUp();
    CreateXmlDecoder();
    SetClipboardServices(&appClipboard);
  }
  void TearDown() override {
    // The window goes last and may still tell the canvas of its focus.
    if (canvas) canvas->setDrawing(nullptr);
    SetClipboardServices(nullptr);
    QApplication::clipboard()->clear();
  }

  DRAppClipboardServices appClipboard;
};

}  // namespace

TEST_F(ClipboardXvfbTest, CopyOffersElementsTiffAndPngToOtherPrograms) {
  addRect(QRectF(10, 10, 60, 40));
  select({0});
  vc.copy(nullptr);
  std::optional<QByteArray> targets = RunXclip({QStringLiteral("-o"), QStringLiteral("-t"), QStringLiteral("TARGETS")});
  ASSERT_TRUE(targets.has_value());
  const QList<QByteArray> lines = targets->split('\n');
  for (const char* type : {"twdraw.elements", "image/tiff", "image/png"}) EXPECT_TRUE(lines.contains(type)) << type;
  // Another program reads the picture.
  std::optional<QByteArray> png = RunXclip({QStringLiteral("-o"), QStringLiteral("-t"), QStringLiteral("image/png")});
  ASSERT_TRUE(png.has_value());
  EXPECT_FALSE(QImage::fromData(*png, "PNG").isNull());
}

TEST_F(ClipboardXvfbTest, AnImageFromAnotherProgramPastesOnceAndComesBackAsElements) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("file.png"));
  QImage image(30, 20, QImage::Format_ARGB32);
  image.fill(qRgb(0, 120, 255));
  ASSERT_TRUE(image.save(path, "PNG"));
  // xclip keeps serving the selection in the background once it has it.
  ASSERT_TRUE(RunXclip({QStringLiteral("-t"), QStringLiteral("image/png"), QStringLiteral("-i"), path}));
  ASSERT_TRUE(SpinUntil([] {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(QStringLiteral("image/png")) && !data->hasFormat(QStringLiteral("twdraw.elements"));
  }));

  SeeTheServersTime(&harness);
  vc.paste(nullptr);
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* bitmap = dynamic_cast<DRElementBitmap*>(drawing.elements()[0].get());
  ASSERT_TRUE(bitmap && bitmap->painting());
  EXPECT_EQ(bitmap->painting()->originalSize(), QSizeF(30, 20));
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("twdraw.elements")));
  std::optional<QByteArray> targets = RunXclip({QStringLiteral("-o"), QStringLiteral("-t"), QStringLiteral("TARGETS")});
  ASSERT_TRUE(targets.has_value());
  EXPECT_TRUE(targets->split('\n').contains("twdraw.elements"));

  // The second paste takes the own elements: an independent copy.
  vc.paste(nullptr);
  ASSERT_EQ(drawing.elements().size(), 2u);
  auto* second = dynamic_cast<DRElementBitmap*>(drawing.elements()[1].get());
  ASSERT_TRUE(second && second->painting());
  EXPECT_NE(second->painting()->guid(), bitmap->painting()->guid());
}

TEST_F(ClipboardXvfbTest, OneTextOffersElementsRtfStringPdfAndTiffInThatOrder) {
  DRPrefController::sharedInstance().setExportPdf(true);
  auto text = std::make_unique<DRElementText>();
  text->setFrame(ConvertViewRect(QRectF(20, 20, 120, 0)));
  text->setText(QStringLiteral("Offered"));
  add(std::move(text));
  select({0});
  vc.copy(nullptr);
  std::optional<QByteArray> targets = RunXclip({QStringLiteral("-o"), QStringLiteral("-t"), QStringLiteral("TARGETS")});
  ASSERT_TRUE(targets.has_value());
  const QList<QByteArray> lines = targets->split('\n');
  qsizetype previous = -1;
  for (const char* type : {"twdraw.elements", "text/rtf", "text/plain", "application/pdf", "image/tiff"}) {
    const qsizetype at = lines.indexOf(type);
    EXPECT_GT(at, previous) << type << "\n" << targets->constData();
    previous = at;
  }
  std::optional<QByteArray> rtf = RunXclip({QStringLiteral("-o"), QStringLiteral("-t"), QStringLiteral("text/rtf")});
  ASSERT_TRUE(rtf.has_value());
  EXPECT_TRUE(rtf->startsWith("{\\rtf1")) << rtf->constData();
  EXPECT_TRUE(rtf->contains("Offered")) << rtf->constData();
}

TEST_F(ClipboardXvfbTest, RtfFromAnotherProgramPastesAsTextInItsFirstCharactersStyle) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("text.rtf"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss DejaVu Serif;}}{\\colortbl;\\red200\\green0\\blue100;}"
      "\\pard\\qr\\f0\\fs40\\cf1 Pasted {\\cf0 rest}\\par}");
  file.close();
  ASSERT_TRUE(RunXclip({QStringLiteral("-t"), QStringLiteral("text/rtf"), QStringLiteral("-i"), path}));
  ASSERT_TRUE(SpinUntil([] {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(QStringLiteral("text/rtf")) && !data->hasFormat(QStringLiteral("twdraw.elements"));
  }));

  SeeTheServersTime(&harness);
  vc.paste(nullptr);
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* text = dynamic_cast<DRElementText*>(drawing.elements()[0].get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), QStringLiteral("Pasted rest"));
  EXPECT_EQ(text->textInfo().fontValue().family(), QStringLiteral("DejaVu Serif"));
  EXPECT_DOUBLE_EQ(text->textInfo().fontValue().pointSizeF(), 20);
  EXPECT_EQ(text->textInfo().textKolor(), KolorFromColor(QColor(200, 0, 100)));
  EXPECT_EQ(text->textInfo().alignment(), kTextAlignRight);
}

// Starts the tests above in this program again, on a virtual X server.
TEST(ClipboardOnXServer, RunsTheClipboardTestsUnderXvfb) {
  if (!qEnvironmentVariableIsEmpty(kChildVariable)) GTEST_SKIP() << "the child itself";
  const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
  if (xvfbRun.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
    GTEST_SKIP() << "needs xvfb-run and xclip (scripts/install-deps)";
  QProcess child;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  environment.remove(QStringLiteral("GTEST_TOTAL_SHARDS"));
  environment.remove(QStringLiteral("GTEST_SHARD_INDEX"));
  child.setProcessEnvironment(environment);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24"),
                        QCoreApplication::applicationFilePath(), QStringLiteral("--gtest_filter=ClipboardXvfbTest.*")});
  ASSERT_TRUE(child.waitForStarted(30000));
  ASSERT_TRUE(child.waitForFinished(180000));
  const QByteArray output = child.readAll();
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 4 tests")) << output.toStdString();
}

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <memory>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementArc.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementGroup.h"
#include "model/DRElementLine.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DrawingPainter.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeDocumentHost.h"
#include "model/FakeModelServices.h"
#include "platform/AtomicSwap.h"
#include "support/CSAlertPresenter.h"
#include "support/CSLogger.h"
#include "support/Fonts.h"
#include "testkit/ImageCompare.h"
#include "testkit/LogCapture.h"
#include "testkit/ScopedEnvironment.h"
#include "testkit/TestFiles.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;
constexpr Kolor kHalfGreen = 0x3200FF00;

const char* const kKillChildVariable = "TWDRAW_PACKAGE_KILL_CHILD";

QImage PatternImage(int width, int height, int seed) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgba((x * 37 + seed) % 256, (y * 53 + seed * 3) % 256, (x + y) * 29 % 256, 255));
  return image;
}

// A painting read from an image file of that format, as an import makes it.
std::shared_ptr<DRPainting> PaintingFromFile(const QString& folder, const char* format, int seed) {
  const QString path =
      QDir(folder).filePath(QStringLiteral("source-%1-%2.%1").arg(QString::fromLatin1(format)).arg(seed));
  WriteBytes(path, EncodeImage(PatternImage(24, 16, seed), format));
  bool canceled = false;
  return DRPainting::paintingFromFile(path, &canceled);
}

template <typename T>
std::unique_ptr<T> Placed(std::unique_ptr<T> element, const CSRect& frame) {
  element->setFrame(frame);
  element->setOriginalSize(CSPoint{frame.width, frame.height});
  return element;
}

std::unique_ptr<DRElementRectangle> FilledRect(double x, double y, Kolor fill) {
  auto rect = Placed(std::make_unique<DRElementRectangle>(), PtRect(x, y, 30, 20));
  rect->setFillKolor(fill);
  return rect;
}

std::unique_ptr<DRElementText> TextBox(double x, double y, const QString& text, const QFont& font) {
  auto box = std::make_unique<DRElementText>();
  DRTextInfo info = box->textInfo();
  info.setFont(font);
  box->setTextInfo(info);
  box->setFrame(PtRect(x, y, 120, 20));
  box->setText(text);
  return box;
}

// Every element kind, two texts in one font, a PNG and a JPEG painting.
void FillWithEveryKind(DRDrawing& drawing, const QString& sourceFolder) {
  DRElementList& elements = drawing.elements();
  auto arc = Placed(std::make_unique<DRElementArc>(), PtRect(10, 10, 60, 40));
  arc->setStartAngle(30 * kMeasurePerPoint);
  arc->setEndAngle(200 * kMeasurePerPoint);
  elements.push_back(std::move(arc));

  auto bent = std::make_unique<DRElementBentLine>();
  bent->setFrame(bent->setNewPointsForRect(PtRect(80, 10, 60, 40), CSPoint{Pt(80), Pt(10)}));
  elements.push_back(std::move(bent));

  auto ellipse = Placed(std::make_unique<DRElementEllipse>(), PtRect(150, 10, 50, 30));
  ellipse->setFillKolor(kBlue);
  elements.push_back(std::move(ellipse));

  DRElementList members;
  members.push_back(FilledRect(210, 10, kRed));
  members.push_back(FilledRect(230, 25, kHalfGreen));
  elements.push_back(std::make_unique<DRElementGroup>(std::move(members)));

  auto line = std::make_unique<DRElementLine>();
  line->setFrame(PtRect(10, 70, 60, 30));
  line->setStartPoint(CSPoint{0, 0});
  line->setEndPoint(CSPoint{Pt(60), Pt(30)});
  elements.push_back(std::move(line));

  DRElementList paths;
  paths.push_back(Placed(std::make_unique<DRElementEllipse>(), PtRect(80, 70, 30, 30)));
  paths.push_back(Placed(std::make_unique<DRElementRectangle>(), PtRect(100, 80, 30, 30)));
  auto multi = std::make_unique<DRElementMultipath>(std::move(paths));
  multi->setFillKolor(kRed);
  elements.push_back(std::move(multi));

  auto polygon = std::make_unique<DRElementPolygon>();
  polygon->setPoints({CSPoint{Pt(150), Pt(70)}, CSPoint{Pt(190), Pt(80)}, CSPoint{Pt(160), Pt(110)}});
  polygon->setFrameFromPoints();
  polygon->setFillKolor(kHalfGreen);
  elements.push_back(std::move(polygon));

  elements.push_back(FilledRect(210, 70, kBlue));

  auto regular = Placed(std::make_unique<DRElementRegularPoly>(), PtRect(250, 70, 40, 40));
  regular->setVertexCount(6);
  elements.push_back(std::move(regular));

  auto round = Placed(std::make_unique<DRElementRoundRect>(), PtRect(10, 120, 50, 30));
  round->setCornerRadius(Pt(8));
  elements.push_back(std::move(round));

  auto scribble = std::make_unique<DRElementScribble>();
  scribble->setPoints(
      {CSPoint{Pt(70), Pt(120)}, CSPoint{Pt(90), Pt(150)}, CSPoint{Pt(110), Pt(125)}, CSPoint{Pt(130), Pt(145)}});
  scribble->setFrameFromPoints();
  elements.push_back(std::move(scribble));

  const QFont font = DefaultUserFontOfSize(14);
  elements.push_back(TextBox(10, 160, QStringLiteral("First text"), font));
  elements.push_back(TextBox(10, 190, QStringLiteral("Second text"), font));

  for (const char* format : {"png", "jpg"}) {
    std::shared_ptr<DRPainting> painting = PaintingFromFile(sourceFolder, format, format[0]);
    ASSERT_TRUE(painting) << format;
    auto bitmap = std::make_unique<DRElementBitmap>(painting);
    bitmap->setFrame(PtRect(format[0] == 'p' ? 150 : 190, 160, 24, 16));
    elements.push_back(std::move(bitmap));
  }
}

// The records of the top-level elements as a package stores them.
QStringList Records(const DRDrawing& drawing) {
  QStringList records;
  for (const auto& element : drawing.elements()) {
    const bool saving = element->isSaving();
    element->setSaving(true);
    records.append(RecordOf(*element));
    element->setSaving(saving);
  }
  return records;
}

QImage Rendering(const DRDrawing& drawing) {
  return RenderDrawing(drawing, QRectF(0, 0, 320, 240), QSize(320, 240), DRPaintMode::Image, nullptr, nullptr,
                       Qt::white);
}

std::vector<CSRecordingAlertPresenter::Alert> TakeAlerts() {
  CSRecordingAlertPresenter& presenter = CSRecordingAlertPresenter::shared();
  std::vector<CSRecordingAlertPresenter::Alert> alerts = presenter.alerts();
  presenter.clear();
  return alerts;
}

DRElementBitmap* BitmapAt(DRDrawing& drawing, size_t index) {
  return index < drawing.elements().size() ? dynamic_cast<DRElementBitmap*>(drawing.elements()[index].get()) : nullptr;
}

QString XmlOf(const QString& package) {
  return QString::fromUtf8(ReadBytes(package + QStringLiteral("/drawing.xml")));
}

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    TakeAlerts();
    services.autosavePreference = false;
  }
  void TearDown() override { TakeAlerts(); }

  // A document in a window with its canvas.
  struct Window {
    std::unique_ptr<DRDrawing> drawing = std::make_unique<DRDrawing>();
    FakeCanvasHost canvas{drawing.get()};
    FakeDocumentHost host{&canvas};
    Window() { drawing->setDocumentHost(&host); }
    ~Window() { drawing->setDocumentHost(nullptr); }
  };

  QString path(const QString& name) const { return folder.filePath(name); }

  // A package of the text and the image files (name -> bytes).
  QString makePackage(const QString& name, const QString& xml, const QList<QPair<QString, QByteArray>>& images = {}) {
    const QString package = path(name);
    QDir().mkpath(package + QStringLiteral("/Images"));
    WriteBytes(package + QStringLiteral("/drawing.xml"), xml.toUtf8());
    for (const auto& [file, bytes] : images) WriteBytes(package + QStringLiteral("/Images/") + file, bytes);
    return package;
  }

  FakeModelServices services;
  SettingsScope settings;
  QTemporaryDir folder;
};

TEST_F(PackageTest, AFullDrawingReadsBackAsItWasWritten) {
  Window original;
  DRDrawing& drawing = *original.drawing;
  FillWithEveryKind(drawing, folder.path());
  ASSERT_EQ(drawing.elements().size(), 15u);
  drawing.setBackgroundImage(CSImage::initWithCGImage(PatternImage(40, 30, 7), QSizeF(0, 0)));
  drawing.setBackgroundLocation(PtRect(200, 120, 40, 30));
  drawing.setBackgroundOpacity(0.5);
  CSPrintInfo print = drawing.printInfo();
  print.leftMargin = 20;
  print.topMargin = 50;
  print.scale = 0.75;
  print.orientation = CSPrintInfo::Landscape;
  drawing.setPrintInfo(print);
  drawing.setShowPageBreaks(true);
  drawing.setScaleToFit(true);
  drawing.recentColors() = {kRed, kBlue, kHalfGreen};
  const QString tabGuid = BitmapAt(drawing, 14)->guid();
  drawing.bitmapGuids() = {BitmapAt(drawing, 13)->guid(), tabGuid};
  original.host.tabGuid = tabGuid;
  original.host.frame = QRect(40, 60, 800, 600);
  original.host.infoOpen = true;
  original.canvas.zoom = 1.5;
  original.canvas.origin = QPointF(12, 34.5);
  const QStringList records = Records(drawing);
  const QImage rendering = Rendering(drawing);

  const QString package = path(QStringLiteral("Full.TWdraw"));
  CSError error;
  ASSERT_TRUE(drawing.saveNative(package, false, &error)) << error.reason().toStdString();

  const QString xml = XmlOf(package);
  EXPECT_EQ(xml.count(QStringLiteral("<font>")), 1) << xml.toStdString();
  EXPECT_EQ(xml.count(QStringLiteral("<fontnum>0</fontnum>")), 2);
  // Fonts, then images, both before the print options; elements last.
  EXPECT_LT(xml.indexOf(QStringLiteral("<fonts>")), xml.indexOf(QStringLiteral("<images>")));
  EXPECT_LT(xml.indexOf(QStringLiteral("<images>")), xml.indexOf(QStringLiteral("<print>")));
  EXPECT_LT(xml.indexOf(QStringLiteral("<print>")), xml.indexOf(QStringLiteral("<elements>")));
  EXPECT_TRUE(QFileInfo(package + QStringLiteral("/Images/background.tiff")).isFile());
  const QStringList imageFiles = QDir(package + QStringLiteral("/Images")).entryList(QDir::Files);
  EXPECT_EQ(imageFiles.size(), 3) << imageFiles.join(u' ').toStdString();
  // The paintings' files are carried over as they are.
  const QStringList jpegs = imageFiles.filter(QStringLiteral(".jpg"));
  ASSERT_EQ(jpegs.size(), 1);
  EXPECT_EQ(ReadBytes(package + QStringLiteral("/Images/") + jpegs[0]),
            ReadBytes(path(QStringLiteral("source-jpg-%1.jpg").arg(int('j')))));
  EXPECT_TRUE(QFileInfo(package + QStringLiteral("/QuickLook/Preview.jpg")).isFile());
  EXPECT_FALSE(QFileInfo::exists(package + QStringLiteral("/path.txt")));

  const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
  if (!xmllint.isEmpty()) {
    QProcess lint;
    lint.start(xmllint, {QStringLiteral("--noout"), package + QStringLiteral("/drawing.xml")});
    ASSERT_TRUE(lint.waitForFinished(60000));
    EXPECT_EQ(lint.exitCode(), 0) << lint.readAllStandardError().toStdString();
  }

  Window reopened;
  DRDrawing& read = *reopened.drawing;
  ASSERT_TRUE(read.loadNativeFile(package));
  EXPECT_TRUE(TakeAlerts().empty());
  EXPECT_EQ(Records(read), records);
  EXPECT_TRUE(ImagesMatch(Rendering(read), rendering, 0, QStringLiteral("package-roundtrip")));
  EXPECT_FALSE(read.backgroundImage().isNull());
  EXPECT_EQ(read.backgroundLocation(), drawing.backgroundLocation());
  EXPECT_DOUBLE_EQ(read.backgroundOpacity(), 0.5);
  EXPECT_EQ(read.printInfo().leftMargin, 20);
  EXPECT_EQ(read.printInfo().topMargin, 50);
  EXPECT_EQ(read.printInfo().scale, 0.75);
  EXPECT_EQ(read.printInfo().orientation, CSPrintInfo::Landscape);
  EXPECT_FALSE(read.printInfo().horizontallyCentered);
  EXPECT_TRUE(read.showPageBreaks());
  EXPECT_TRUE(read.scaleToFit());
  EXPECT_FALSE(read.centerOnPage());
  EXPECT_EQ(read.recentColors(), (QList<Kolor>{kRed, kBlue, kHalfGreen}));
  EXPECT_EQ(read.bitmapGuids(), drawing.bitmapGuids());
  EXPECT_EQ(reopened.host.frame, QRect(40, 60, 800, 600));
  EXPECT_EQ(reopened.host.toggleInfoCount, 0);
  ASSERT_FALSE(reopened.canvas.zoomsSet.empty());
  EXPECT_DOUBLE_EQ(reopened.canvas.zoomsSet.back(), 1.5);
  ASSERT_FALSE(reopened.canvas.originsSet.empty());
  EXPECT_EQ(reopened.canvas.originsSet.back(), QPointF(12, 34.5));
  EXPECT_EQ(reopened.host.paintTabsAdded.size(), 2u);
  ASSERT_EQ(reopened.host.setupTabsCalls.size(), 1u);
  EXPECT_EQ(reopened.host.setupTabsCalls[0].first, tabGuid);
  EXPECT_EQ(read.filePath(), package);
  EXPECT_TRUE(read.newPaintings().isEmpty());
  // Each painting now lives in the package.
  for (size_t index : {13u, 14u}) {
    DRElementBitmap* bitmap = BitmapAt(read, index);
    ASSERT_TRUE(bitmap && bitmap->painting());
    EXPECT_TRUE(bitmap->painting()->filePath().startsWith(package + QStringLiteral("/Images/")));
  }
}

TEST_F(PackageTest, AnEmptyDrawingWritesEmptyListsAndNoFonts) {
  DRDrawing drawing;
  const QString package = path(QStringLiteral("Empty.TWdraw"));
  ASSERT_TRUE(drawing.saveNative(package, false, nullptr));
  const QString xml = XmlOf(package);
  EXPECT_TRUE(xml.contains(QStringLiteral("<images></images>"))) << xml.toStdString();
  EXPECT_TRUE(xml.contains(QStringLiteral("<elements></elements>")));
  EXPECT_FALSE(xml.contains(QStringLiteral("fonts")));
  // Without a window: no frame, no scroll, 100 %.
  EXPECT_TRUE(xml.contains(QStringLiteral("<zoom>100</zoom>")));
  EXPECT_TRUE(QFileInfo(package + QStringLiteral("/Images")).isDir());

  Window window;
  window.drawing->elements().push_back(FilledRect(1, 1, kRed));
  ASSERT_TRUE(window.drawing->loadNativeFile(package));
  EXPECT_TRUE(window.drawing->elements().empty());
  // The zero frame of a drawing saved without a window is not applied.
  EXPECT_EQ(window.host.contentFrameSets, 0);
}

TEST_F(PackageTest, SavingIntoAnExistingItemFails) {
  DRDrawing drawing;
  const QString package = path(QStringLiteral("Taken.TWdraw"));
  QDir().mkpath(package);
  CSError error;
  EXPECT_FALSE(drawing.saveNative(package, false, &error));
  EXPECT_EQ(error.code(), EEXIST);
}

TEST_F(PackageTest, APaintingThatCannotBeWrittenFailsTheSave) {
  DRDrawing drawing;
  drawing.elements().push_back(FilledRect(5, 5, kRed));
  // A painting with neither pixels nor a file has nothing to write.
  auto bitmap = std::make_unique<DRElementBitmap>(std::make_shared<DRPainting>(QSizeF(0, 0)));
  bitmap->setFrame(PtRect(50, 5, 10, 10));
  drawing.elements().push_back(std::move(bitmap));
  CSError error;
  EXPECT_FALSE(drawing.saveNative(path(QStringLiteral("Unwritable.TWdraw")), false, &error));
  EXPECT_TRUE(error.reason().contains(QStringLiteral("cannot be saved"))) << error.reason().toStdString();
  EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("Unwritable.TWdraw/drawing.xml"))));
}

TEST_F(PackageTest, AutosaveCopiesRecordThePathAndOpenLockedAsRecovery) {
  Window window;
  window.drawing->elements().push_back(FilledRect(5, 5, kRed));
  services.supportFolderPath = path(QStringLiteral("Support"));
  services.autosavePreference = true;
  QDir().mkpath(services.supportFolderPath);
  window.drawing->setDirty(true);
  window.drawing->setDirtySinceAutoSave(true);
  services.now = 5000;
  window.drawing->forceAutosave();
  const QString copy = window.drawing->autosaveFile();
  ASSERT_FALSE(copy.isEmpty());
  EXPECT_EQ(ReadBytes(copy + QStringLiteral("/path.txt")), QByteArray("untitled"));

  // The copy as a recovery finds it after a crash.
  const QString recovered = path(QStringLiteral("x.TWdraw_autosave"));
  ASSERT_TRUE(CopyItemTree(copy, recovered));
  Window reopened;
  ASSERT_TRUE(reopened.drawing->loadNativeFile(recovered));
  EXPECT_TRUE(reopened.drawing->autosaveRecoveryDoc());
  EXPECT_TRUE(reopened.drawing->isLocked());
  EXPECT_EQ(Records(*reopened.drawing), Records(*window.drawing));

  // A plain drawing opens unlocked.
  const QString plain = path(QStringLiteral("x.TWdraw"));
  ASSERT_TRUE(CopyItemTree(copy, plain));
  Window other;
  ASSERT_TRUE(other.drawing->loadNativeFile(plain));
  EXPECT_FALSE(other.drawing->autosaveRecoveryDoc());
  EXPECT_FALSE(other.drawing->isLocked());
}

// ---- The reader ----

struct ReaderCase {
  const char* name;
  const char* xml;  // after the XML declaration
  bool opens;
  const char* reason;  // the refusal's reason, or a part of it
};

const QString kRect = QStringLiteral(
    "<element><type>rect</type><frame>{12700,12700,254000,254000}</frame>"
    "<original>{254000,254000}</original></element>");

TEST_F(PackageTest, TheReaderAcceptsAndRefusesAsTheTableSays) {
  const ReaderCase cases[] = {
      {"version-2", "<drawing><version>2</version><images/><elements>%1</elements></drawing>", false,
       "the file was created by a later version of Draw"},
      {"version-1", "<drawing><version>1</version><images/><elements>%1</elements></drawing>", true, ""},
      {"no-version", "<drawing><images/><elements>%1</elements></drawing>", true, ""},
      {"wrong-root", "<picture><images/><elements>%1</elements></picture>", false,
       "this doesn't appear to be a valid drawing file"},
      {"not-an-element", "<drawing><images/><elements>%1<rect/></elements></drawing>", false,
       "the drawing's elements can't be read"},
      {"cut-in-tag", "<drawing><images/><elements>%1<elem", false, "not a valid XML file"},
      {"cut-in-value", "<drawing><images/><elements>%1</elements><zoom>15", false, "not a valid XML file"},
      {"cut-between-tags", "<drawing><images/><elements>%1</elements>", false,
       "this doesn't appear to be a valid drawing file"},
      {"cut-in-deferred-elements", "<drawing><elements>%1", false, "this doesn't appear to be a valid drawing file"},
      {"wrong-end-tag", "<drawing><images/><elements>%1</elements></picture>", false,
       "this doesn't appear to be a valid drawing file"},
      {"unknown-subtree", "<drawing><images/><future><elements>%1</elements></future><elements>%1</elements></drawing>",
       true, ""},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString package = makePackage(QString::fromLatin1(c.name) + QStringLiteral(".TWdraw"),
                                        g_xmlPrefix + QString::fromLatin1(c.xml).arg(kRect));
    Window window;
    // What the document holds before must survive a refusal.
    window.drawing->elements().push_back(FilledRect(100, 100, kBlue));
    window.drawing->elements().push_back(FilledRect(150, 100, kBlue));
    window.drawing->recentColors() = {kBlue};
    const bool opened = window.drawing->loadNativeFile(package);
    EXPECT_EQ(opened, c.opens);
    const auto alerts = TakeAlerts();
    if (c.opens) {
      EXPECT_TRUE(alerts.empty());
      ASSERT_EQ(window.drawing->elements().size(), 1u);
      EXPECT_EQ(window.drawing->elements()[0]->elementType(), kElementRectangle);
      EXPECT_TRUE(window.drawing->recentColors().isEmpty());
      EXPECT_EQ(window.drawing->filePath(), package);
    } else {
      ASSERT_EQ(alerts.size(), 1u);
      EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
      EXPECT_TRUE(alerts[0].moreInfo.startsWith(QStringLiteral("I can't open the file \"") +
                                                QString::fromLatin1(c.name) + QStringLiteral(".TWdraw\"; ")))
          << alerts[0].moreInfo.toStdString();
      EXPECT_TRUE(alerts[0].moreInfo.contains(QString::fromLatin1(c.reason))) << alerts[0].moreInfo.toStdString();
      EXPECT_TRUE(alerts[0].moreInfo.endsWith(QLatin1Char('.')));
      EXPECT_FALSE(alerts[0].moreInfo.endsWith(QStringLiteral("..")));
      EXPECT_EQ(window.drawing->elements().size(), 2u);
      EXPECT_EQ(window.drawing->recentColors(), QList<Kolor>{kBlue});
      EXPECT_TRUE(window.drawing->filePath().isEmpty());
      EXPECT_TRUE(window.canvas.zoomsSet.empty());
      EXPECT_EQ(window.host.toggleInfoCount, 0);
    }
  }
}

TEST_F(PackageTest, AMissingDrawingFileIsRefused) {
  const QString package = path(QStringLiteral("Hollow.TWdraw"));
  QDir().mkpath(package + QStringLiteral("/Images"));
  Window window;
  EXPECT_FALSE(window.drawing->loadNativeFile(package));
  const auto alerts = TakeAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't open file."));
  EXPECT_TRUE(alerts[0].moreInfo.startsWith(QStringLiteral("I can't open the file \"Hollow.TWdraw\"; ")));
}

TEST_F(PackageTest, TheWindowStateIsReadAndTheZoomKeptInRange) {
  struct ZoomCase {
    const char* body;
    double zoom;
    int toggles;
  };
  const ZoomCase cases[] = {
      {"<zoom>150</zoom><info>1</info>", 1.5, 0},
      {"", 1.0, 1},
      {"<zoom>0</zoom>", 0.1, 1},
      {"<zoom>-300</zoom><info>0</info>", 0.1, 1},
      {"<zoom>99999999999</zoom>", 16.0, 1},
  };
  int index = 0;
  for (const ZoomCase& c : cases) {
    SCOPED_TRACE(c.body);
    const QString package = makePackage(
        QStringLiteral("Zoom%1.TWdraw").arg(index++),
        g_xmlPrefix + QStringLiteral("<drawing>") + QString::fromLatin1(c.body) + QStringLiteral("</drawing>"));
    Window window;
    ASSERT_TRUE(window.drawing->loadNativeFile(package));
    ASSERT_EQ(window.canvas.zoomsSet.size(), 1u);
    EXPECT_DOUBLE_EQ(window.canvas.zoomsSet[0], c.zoom);
    EXPECT_EQ(window.host.toggleInfoCount, c.toggles);
  }
  // A root with nothing at all in it.
  const QString bare = makePackage(QStringLiteral("Bare.TWdraw"), g_xmlPrefix + QStringLiteral("<drawing/>"));
  Window window;
  ASSERT_TRUE(window.drawing->loadNativeFile(bare));
  ASSERT_EQ(window.canvas.zoomsSet.size(), 1u);
  EXPECT_DOUBLE_EQ(window.canvas.zoomsSet[0], 1.0);
  EXPECT_EQ(window.host.toggleInfoCount, 1);
}

TEST_F(PackageTest, BackgroundOpacityIsKeptBetweenNoneAndFull) {
  const QByteArray tiff = EncodeImage(PatternImage(8, 8, 1), "tiff");
  for (const auto& [stored, expected] : {std::pair{"250", 1.0}, std::pair{"-20", 0.0}, std::pair{"40", 0.4}}) {
    const QString package = makePackage(
        QStringLiteral("Back%1.TWdraw").arg(QString::fromLatin1(stored)),
        g_xmlPrefix + QStringLiteral("<drawing><background>1</background><backrect>{0,0,127000,127000}</backrect>"
                                     "<backopacity>%1</backopacity></drawing>")
                          .arg(QString::fromLatin1(stored)),
        {{QStringLiteral("background.tiff"), tiff}});
    Window window;
    ASSERT_TRUE(window.drawing->loadNativeFile(package));
    EXPECT_DOUBLE_EQ(window.drawing->backgroundOpacity(), expected);
    EXPECT_FALSE(window.drawing->backgroundImage().isNull());
    EXPECT_EQ(window.drawing->backgroundLocation(), (CSRect{0, 0, 127000, 127000}));
  }
  // A background without the image folder cannot be read.
  const QString package = path(QStringLiteral("NoImages.TWdraw"));
  QDir().mkpath(package);
  WriteBytes(package + QStringLiteral("/drawing.xml"),
             (g_xmlPrefix + QStringLiteral("<drawing><background>1</background></drawing>")).toUtf8());
  Window window;
  EXPECT_FALSE(window.drawing->loadNativeFile(package));
  const auto alerts = TakeAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("I can't open the file \"NoImages.TWdraw\"; missing images."));
}

// A saved drawing with one bitmap, and the name of its image file.
QString SaveBitmapDrawing(const QString& package, const QString& sourceFolder, QString* imageName) {
  DRDrawing drawing;
  std::shared_ptr<DRPainting> painting = PaintingFromFile(sourceFolder, "png", 3);
  if (!painting) return {};
  auto bitmap = std::make_unique<DRElementBitmap>(painting);
  bitmap->setFrame(PtRect(10, 10, 24, 16));
  drawing.elements().push_back(std::move(bitmap));
  drawing.elements().push_back(FilledRect(50, 10, kRed));
  if (!drawing.saveNative(package, false, nullptr)) return {};
  const QStringList files = QDir(package + QStringLiteral("/Images")).entryList(QDir::Files);
  if (files.size() != 1) return {};
  *imageName = files[0];
  return package;
}

TEST_F(PackageTest, ElementsBeforeImagesStillFindTheirPaintings) {
  QString image;
  const QString package = SaveBitmapDrawing(path(QStringLiteral("Order.TWdraw")), folder.path(), &image);
  ASSERT_FALSE(package.isEmpty());
  QString xml = XmlOf(package);
  const qsizetype start = xml.indexOf(QStringLiteral("<images>"));
  const qsizetype end = xml.indexOf(QStringLiteral("</images>")) + 9;
  ASSERT_GT(start, 0);
  const QString images = xml.mid(start, end - start);
  xml.remove(start, end - start);
  xml.replace(QStringLiteral("</drawing>"), images + QStringLiteral("</drawing>"));
  ASSERT_GT(xml.indexOf(QStringLiteral("<images>")), xml.indexOf(QStringLiteral("<elements>")));
  WriteBytes(package + QStringLiteral("/drawing.xml"), xml.toUtf8());

  Window window;
  ASSERT_TRUE(window.drawing->loadNativeFile(package));
  EXPECT_TRUE(TakeAlerts().empty());
  ASSERT_EQ(window.drawing->elements().size(), 2u);
  DRElementBitmap* bitmap = BitmapAt(*window.drawing, 0);
  ASSERT_TRUE(bitmap && bitmap->painting());
  EXPECT_FALSE(bitmap->painting()->image().isNull());
  EXPECT_TRUE(
      ImagesMatch(bitmap->painting()->image().renderedBitmap(QSize(24, 16)).convertToFormat(QImage::Format_ARGB32),
                  PatternImage(24, 16, 3), 0, QStringLiteral("package-deferred-bitmap")));
}

TEST_F(PackageTest, ABrokenImageOpensWithAWarningAndIsSavedAsItWas) {
  QString image;
  const QString package = SaveBitmapDrawing(path(QStringLiteral("Broken.TWdraw")), folder.path(), &image);
  ASSERT_FALSE(package.isEmpty());
  const QByteArray garbage("this is no picture at all");
  WriteBytes(package + QStringLiteral("/Images/") + image, garbage);

  Window window;
  ASSERT_TRUE(window.drawing->loadNativeFile(package));
  const auto alerts = TakeAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Missing image."));
  EXPECT_EQ(alerts[0].moreInfo,
            QStringLiteral("One or more images could not be loaded from the file. It will be opened anyway."));
  ASSERT_EQ(window.drawing->elements().size(), 2u);
  DRElementBitmap* bitmap = BitmapAt(*window.drawing, 0);
  ASSERT_TRUE(bitmap && bitmap->painting());
  EXPECT_TRUE(bitmap->painting()->loadFailed());
  EXPECT_EQ(bitmap->painting()->filePath(), package + QStringLiteral("/Images/") + image);

  // Saved again, the file is carried over as it is, never as a blank image.
  const QString again = path(QStringLiteral("Again.TWdraw"));
  CSError error;
  ASSERT_TRUE(window.drawing->saveNative(again, false, &error)) << error.reason().toStdString();
  EXPECT_EQ(ReadBytes(again + QStringLiteral("/Images/") + image), garbage);
}

TEST_F(PackageTest, ABitmapOfAPackageWithoutImagesFolderKeepsItsPictureOverASave) {
  QString image;
  const QString package = SaveBitmapDrawing(path(QStringLiteral("Folderless.TWdraw")), folder.path(), &image);
  ASSERT_FALSE(package.isEmpty());
  ASSERT_TRUE(RemoveItemTree(package + QStringLiteral("/Images")));
  const QString guid = image.section(QLatin1Char('.'), 0, 0);

  const QString again = path(QStringLiteral("FolderlessAgain.TWdraw"));
  {
    Window window;
    ASSERT_TRUE(window.drawing->loadNativeFile(package));
    const auto alerts = TakeAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Missing image."));
    DRElementBitmap* bitmap = BitmapAt(*window.drawing, 0);
    ASSERT_TRUE(bitmap && bitmap->painting());
    EXPECT_EQ(bitmap->painting()->guid(), guid);
    EXPECT_TRUE(bitmap->painting()->loadFailed());
    CSError error;
    ASSERT_TRUE(window.drawing->saveNative(again, false, &error)) << error.reason().toStdString();
  }
  // The saved drawing still names the picture, so it still misses it.
  const QString xml = XmlOf(again);
  EXPECT_TRUE(xml.contains(QStringLiteral("id=\"") + guid + QStringLiteral("\""))) << xml.toStdString();
  EXPECT_TRUE(xml.contains(QStringLiteral("<id>") + guid + QStringLiteral("</id>"))) << xml.toStdString();
  Window reopened;
  ASSERT_TRUE(reopened.drawing->loadNativeFile(again));
  const auto alerts = TakeAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Missing image."));
  DRElementBitmap* bitmap = BitmapAt(*reopened.drawing, 0);
  ASSERT_TRUE(bitmap && bitmap->painting());
  EXPECT_EQ(bitmap->painting()->guid(), guid);
}

TEST_F(PackageTest, ASaveUnderAnyCaseOfTheExtensionRelinksThePaintings) {
  for (const char* extension : {"TWdraw", "twdraw", "TWDRAW"}) {
    SCOPED_TRACE(extension);
    Window window;
    std::shared_ptr<DRPainting> painting = PaintingFromFile(folder.path(), "png", 5);
    ASSERT_TRUE(painting);
    auto bitmap = std::make_unique<DRElementBitmap>(painting);
    bitmap->setFrame(PtRect(10, 10, 24, 16));
    window.drawing->elements().push_back(std::move(bitmap));
    const QString package = path(QStringLiteral("Case.") + QString::fromLatin1(extension));
    RemoveItemTree(package);
    ASSERT_TRUE(window.drawing->saveTo(package, false, false));
    // The painting now stands for its file inside the new package.
    EXPECT_EQ(painting->filePath(), package + QStringLiteral("/Images/") + painting->fileName());
    EXPECT_TRUE(QFileInfo::exists(painting->filePath()));
  }
}

// Every item under the path, the path itself included, that the group or
// others may write.
QStringList WritableByOthers(const QString& root) {
  QStringList found;
  auto check = [&found](const QString& path) {
    struct stat info {};
    if (lstat(QFile::encodeName(path).constData(), &info) != 0) {
      found.append(path + QStringLiteral(" (unreadable)"));
    } else if (!S_ISLNK(info.st_mode) && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
      found.append(path + QStringLiteral(" ") + QString::number(info.st_mode & 07777, 8));
    }
  };
  check(root);
  QDirIterator walk(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
  while (walk.hasNext()) check(walk.next());
  return found;
}

TEST_F(PackageTest, NothingASaveOrTheLogMakesIsWritableByOthers) {
  // The usual mask: what the program adds on its own is what is checked.
  struct Mask {
    mode_t previous = umask(022);
    ~Mask() { umask(previous); }
  } mask;
  Window window;
  FillWithEveryKind(*window.drawing, folder.path());
  window.drawing->setBackgroundImage(CSImage::initWithCGImage(PatternImage(40, 30, 7), QSizeF(0, 0)));
  window.drawing->setCreatePreview(true);
  const QString package = path(QStringLiteral("Private.TWdraw"));
  CSError error;
  ASSERT_TRUE(window.drawing->saveNative(package, false, &error)) << error.reason().toStdString();
  ASSERT_TRUE(QFileInfo(package + QStringLiteral("/QuickLook/Preview.jpg")).isFile());
  EXPECT_EQ(WritableByOthers(package), QStringList());

  ScopedEnvironment environment;
  environment.set("XDG_STATE_HOME", folder.filePath(QStringLiteral("state")));
  CSLogger* logger = CSLogger::sharedInstance();
  logger->shutDown();
  logger->logString(QStringLiteral("a line"));
  logger->shutDown();
  ASSERT_TRUE(QFileInfo(logger->logFilePath()).isFile()) << logger->logFilePath().toStdString();
  EXPECT_EQ(WritableByOthers(CSLogger::logFolderPath()), QStringList());
}

TEST_F(PackageTest, AFileNameOutsideTheImageFolderIsNeverRead) {
  QString image;
  const QString package = SaveBitmapDrawing(path(QStringLiteral("Escape.TWdraw")), folder.path(), &image);
  ASSERT_FALSE(package.isEmpty());
  // A perfectly good picture beside the folder, named by a path that leaves it.
  ASSERT_TRUE(QFile::copy(package + QStringLiteral("/Images/") + image, package + QStringLiteral("/x")));
  QFile::remove(package + QStringLiteral("/Images/") + image);
  for (const char* name : {"../x", "/x", "..", "a/../../x", "x\\y"}) {
    SCOPED_TRACE(name);
    QString xml = XmlOf(package);
    xml.replace(QRegularExpression(QStringLiteral("<file>[^<]*</file>")),
                QStringLiteral("<file>") + QString::fromLatin1(name).toHtmlEscaped() + QStringLiteral("</file>"));
    WriteBytes(package + QStringLiteral("/drawing.xml"), xml.toUtf8());
    Window window;
    ASSERT_TRUE(window.drawing->loadNativeFile(package));
    const auto alerts = TakeAlerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Missing image."));
    DRElementBitmap* bitmap = BitmapAt(*window.drawing, 0);
    ASSERT_TRUE(bitmap && bitmap->painting());
    EXPECT_TRUE(bitmap->painting()->image().isNull());
    EXPECT_TRUE(bitmap->painting()->loadFailed());
    EXPECT_TRUE(bitmap->painting()->filePath().isEmpty());
  }
}

TEST_F(PackageTest, AFontRecordThatFailsFallsBackAndIsLogged) {
  const QString xml = g_xmlPrefix + QStringLiteral(
                                        "<drawing><fonts><font>!!not base64!!</font><oldfont><size>0</size></oldfont>"
                                        "</fonts><images/><elements>"
                                        "<element><type>text</type><frame>{0,0,1270000,254000}</frame>"
                                        "<string>a</string><textinfo><fontnum>0</fontnum></textinfo></element>"
                                        "<element><type>text</type><frame>{0,0,1270000,254000}</frame>"
                                        "<string>b</string><textinfo><fontnum>7</fontnum></textinfo></element>"
                                        "</elements></drawing>");
  const QString package = makePackage(QStringLiteral("Fonts.TWdraw"), xml);
  LogCapture log;
  Window window;
  ASSERT_TRUE(window.drawing->loadNativeFile(package));
  EXPECT_TRUE(log.text().contains(QStringLiteral("Font load failed")));
  ASSERT_EQ(window.drawing->elements().size(), 2u);
  auto* first = dynamic_cast<DRElementText*>(window.drawing->elements()[0].get());
  auto* second = dynamic_cast<DRElementText*>(window.drawing->elements()[1].get());
  ASSERT_TRUE(first && second && first->textInfo().font() && second->textInfo().font());
  EXPECT_EQ(*first->textInfo().font(), DefaultUserFontOfSize(12));
  EXPECT_EQ(*second->textInfo().font(), SystemFont(SystemFontSize()));
}

TEST_F(PackageTest, ARevertThatFailsKeepsTheDrawing) {
  QString image;
  const QString package = SaveBitmapDrawing(path(QStringLiteral("Revert.TWdraw")), folder.path(), &image);
  ASSERT_FALSE(package.isEmpty());
  Window window;
  ASSERT_TRUE(window.drawing->loadNativeFile(package));
  const QStringList records = Records(*window.drawing);
  // The file is damaged after it was opened.
  QString xml = XmlOf(package);
  WriteBytes(package + QStringLiteral("/drawing.xml"), xml.left(xml.size() / 2).toUtf8());
  EXPECT_FALSE(window.drawing->loadNativeFile(package));
  EXPECT_EQ(TakeAlerts().size(), 1u);
  EXPECT_EQ(Records(*window.drawing), records);
  DRElementBitmap* bitmap = BitmapAt(*window.drawing, 0);
  ASSERT_TRUE(bitmap && bitmap->painting());
  EXPECT_FALSE(bitmap->painting()->image().isNull());
}

// ---- Saves interrupted ----

// Version `v` of a small drawing: a rectangle placed by the version, a text
// and a painting of its own.
void MakeVersion(DRDrawing& drawing, int version, const QString& sourceFolder) {
  drawing.elements().clear();
  drawing.elements().push_back(FilledRect(10 + 20 * version, 10, kRed));
  drawing.elements().push_back(TextBox(10, 60, QStringLiteral("Version %1").arg(version), DefaultUserFontOfSize(12)));
  std::shared_ptr<DRPainting> painting =
      DRPainting::paintingFromImage(CSImage::initWithCGImage(PatternImage(10 + version, 10, version), QSizeF(0, 0)));
  // Known GUIDs, so that every making of a version has the same records.
  painting->setGuid(QStringLiteral("painting-%1").arg(version));
  auto bitmap = std::make_unique<DRElementBitmap>(painting);
  bitmap->setGuid(QStringLiteral("bitmap-%1").arg(version));
  bitmap->setFrame(PtRect(100, 10, 10 + version, 10));
  drawing.elements().push_back(std::move(bitmap));
  (void)sourceFolder;
}

// The version a whole package holds, or -1 when it does not read whole.
int VersionOf(const QString& package, const std::vector<QStringList>& versions) {
  DRDrawing drawing;
  TakeAlerts();
  if (!drawing.loadNativeFile(package) || !TakeAlerts().empty()) return -1;
  const QStringList records = Records(drawing);
  for (size_t v = 0; v < versions.size(); ++v)
    if (versions[v] == records) return int(v);
  return -1;
}

std::vector<QStringList> AllVersions(int count) {
  std::vector<QStringList> versions;
  for (int v = 0; v < count; ++v) {
    DRDrawing drawing;
    MakeVersion(drawing, v, QString());
    versions.push_back(Records(drawing));
  }
  return versions;
}

// Counts the steps of the child's saves, the writer's and the swap's, and
// dies at the chosen one.
int g_killAtStep = 0;
int g_stepsTaken = 0;
void CountStep() {
  if (++g_stepsTaken == g_killAtStep) raise(SIGKILL);
}

TEST(PackageKill, ChildSaveLoop) {
  const QString folder = qEnvironmentVariable(kKillChildVariable);
  if (folder.isEmpty()) GTEST_SKIP() << "run by PackageKill.OldOrNewPackageIsWhole";
  FakeModelServices services;
  SettingsScope settings;
  g_killAtStep = qEnvironmentVariableIntValue("TWDRAW_PACKAGE_KILL_STEP");
  SetPackageSaveStepHook([](int) { CountStep(); });
  SetAtomicSwapFaultHook([](AtomicSwapStep) {
    CountStep();
    return 0;
  });
  DRDrawing drawing;
  const QString target = folder + QStringLiteral("/art.TWdraw");
  for (int version = 1; version <= 4; ++version) {
    MakeVersion(drawing, version, folder);
    if (!drawing.saveTo(target, true, false)) std::_Exit(4);
  }
  std::_Exit(0);
}

TEST(PackageKill, OldOrNewPackageIsWhole) {
  FakeModelServices services;
  SettingsScope settings;
  QTemporaryDir dir;
  const std::vector<QStringList> versions = AllVersions(5);
  const QString target = dir.filePath(QStringLiteral("art.TWdraw"));
  const QByteArray self = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
  const QByteArray filter = "--gtest_filter=PackageKill.ChildSaveLoop";
  const QByteArray variable = QByteArray(kKillChildVariable) + "=" + QFile::encodeName(dir.path());
  int lastVersion = 0;
  for (int step = 1; step <= 20; ++step) {
    SCOPED_TRACE(step);
    // Every round starts from version 0 on the disk.
    RemoveItemTree(target);
    RemoveItemTree(dir.filePath(QStringLiteral("art~.TWdraw")));
    {
      DRDrawing drawing;
      MakeVersion(drawing, 0, dir.path());
      ASSERT_TRUE(drawing.saveNative(target, false, nullptr));
    }
    const QByteArray stepVariable = "TWDRAW_PACKAGE_KILL_STEP=" + QByteArray::number(step);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 1);
      dup2(quiet, 2);
      putenv(const_cast<char*>(variable.constData()));
      putenv(const_cast<char*>(stepVariable.constData()));
      char* argv[] = {const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr};
      execv(self.constData(), argv);
      _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child ended with " << status;
    const int version = VersionOf(target, versions);
    EXPECT_GE(version, 0) << "the package at the target is not whole";
    // The saves go forward one version at a time: the kill leaves the
    // version before the save or the one it wrote.
    EXPECT_TRUE(version == lastVersion || version == lastVersion + 1) << version << " after " << lastVersion;
    lastVersion = std::max(lastVersion, version);
  }
  // The kills reached into the later saves.
  EXPECT_GE(lastVersion, 2);
}

int g_armSwapFaultAtStep = 0;
bool g_swapFaultArmed = false;

TEST(PackageSwapFault, EachFailedSwapStepLeavesOneWholePackage) {
  FakeModelServices services;
  SettingsScope settings;
  const std::vector<QStringList> versions = AllVersions(2);
  const AtomicSwapStep steps[] = {AtomicSwapStep::Copy,     AtomicSwapStep::MoveIn,    AtomicSwapStep::Replace,
                                  AtomicSwapStep::Exchange, AtomicSwapStep::MoveAside, AtomicSwapStep::MoveInAfterAside,
                                  AtomicSwapStep::Restore};
  for (const bool backups : {true, false}) {
    services.keepBackupsPreference = backups;
    for (const AtomicSwapStep failing : steps) {
      for (const bool whileWriting : {false, true}) {
        SCOPED_TRACE(int(failing));
        SCOPED_TRACE(whileWriting);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("art.TWdraw"));
        DRDrawing drawing;
        MakeVersion(drawing, 0, dir.path());
        ASSERT_TRUE(drawing.saveNative(target, false, nullptr));
        drawing.setFilePath(target);
        MakeVersion(drawing, 1, dir.path());
        // Either the images of the new package fail to be written (the fault
        // armed from the start), or the swap of the packages fails (armed once
        // "drawing.xml" is written).
        g_armSwapFaultAtStep = 2 + int(drawing.elements().size()) + 1;
        g_swapFaultArmed = whileWriting;
        SetPackageSaveStepHook([](int step) { g_swapFaultArmed = g_swapFaultArmed || step == g_armSwapFaultAtStep; });
        SetAtomicSwapFaultHook(
            [failing](AtomicSwapStep step) { return g_swapFaultArmed && step == failing ? EIO : 0; });
        drawing.saveTo(target, true, false);
        SetAtomicSwapFaultHook(nullptr);
        SetPackageSaveStepHook(nullptr);
        TakeAlerts();
        EXPECT_GE(VersionOf(target, versions), 0);
      }
    }
  }
}

}  // namespace

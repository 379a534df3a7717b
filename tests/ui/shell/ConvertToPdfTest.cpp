// Converting a file to PDF: drawings and pictures become one-page PDFs that
// the desktop is asked to show; a failure says why in one alert and keeps
// whatever the destination held.

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>

#include "ShellTestSupport.h"
#include "interchange/Clipping.h"
#include "model/DRDrawing.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "platform/AtomicSwap.h"
#include "support/CSAlertPresenter.h"
#include "testkit/ResourceForkBuilder.h"
#include "testkit/TestFiles.h"
#include "ui/FakeWorkspace.h"
#include "ui/ScriptedDialogs.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/DRAppController.h"

namespace {

// The page count pdfinfo reads from the file; -1 when it can't.
int PdfPageCount(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdfinfo"), {path});
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return -1;
  const QString output = QString::fromUtf8(process.readAllStandardOutput());
  const QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption).match(output);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ConvertToPdfTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    CSRecordingAlertPresenter::shared().clear();
    m_openTypes = g_openTypeArray;
    folder = home() + QStringLiteral("/files");
  }
  void TearDown() override {
    ShellTest::TearDown();
    g_openTypeArray = m_openTypes;
    CSRecordingAlertPresenter::shared().clear();
  }

  // A drawing package holding one rectangle, or nothing.
  QString package(const QString& name, bool empty = false) {
    const QString path = folder + QLatin1Char('/') + name;
    DRDrawing drawing;
    if (!empty) {
      auto rectangle = std::make_unique<DRElementRectangle>();
      rectangle->setFrame(PtRect(10, 20, 200, 100));
      drawing.elements().push_back(std::move(rectangle));
    }
    CSError error;
    EXPECT_TRUE(drawing.saveNative(path, false, &error)) << error.reason().toStdString();
    return path;
  }
  QString png(const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    QImage image(60, 40, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
  }
  QString withBytes(const QString& name, const QByteArray& bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    return path;
  }
  // A picture clipping whose fork (in its sidecar file) holds one resource.
  QString clipping(const QString& name, uint32_t type, const QByteArray& data) {
    const QString path = withBytes(name, QByteArray());
    withBytes(LastPathComponent(SidecarPath(path)), BuildSidecarFile(BuildResourceFork({{type, 256, data}})));
    return path;
  }
  static QByteArray OnePagePdf() {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.fillRect(QRect(0, 0, 100, 100), Qt::blue);
    painter.end();
    return pdf;
  }
  QStringList folderContents() const {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  }
  static std::vector<CSRecordingAlertPresenter::Alert> alerts() { return CSRecordingAlertPresenter::shared().alerts(); }

  FakeModelServices services;
  FakeWorkspace workspace;
  SettingsScope settings;
  DRAppController app;
  QString folder;

 private:
  QStringList m_openTypes;
};

TEST_F(ConvertToPdfTest, DrawingsAndPicturesBecomeOnePagePdfs) {
  struct Case {
    const char* kind;
    std::function<QString()> make;
  };
  const std::vector<Case> cases = {
      {"drawing", [&] { return package(QStringLiteral("Plan.TWdraw")); }},
      {"picture", [&] { return png(QStringLiteral("Photo.png")); }},
      {"clipping of a TIFF",
       [&] {
         QImage image(30, 20, QImage::Format_RGB32);
         image.fill(Qt::red);
         return clipping(QStringLiteral("Tiff.pictClipping"), 0x54494646, EncodeImage(image, "tiff"));
       }},
      {"clipping of a PDF", [&] { return clipping(QStringLiteral("Pdf.pictClipping"), 0x50444620, OnePagePdf()); }},
      // A QuickDraw picture of one painted rectangle, drawn into a PDF on the way.
      {"clipping of a QuickDraw picture",
       [&] {
         return clipping(QStringLiteral("Pict.pictClipping"), 0x50494354,
                         QByteArray::fromHex("0017000000000028003c110131000000000014001eff"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    workspace.revealedPaths.clear();
    const QString source = c.make();
    const QString destination = folder + QStringLiteral("/Converted.pdf");
    // Replacing an older conversion.
    withBytes(QStringLiteral("Converted.pdf"), "old");
    const QStringList before = folderContents();

    EXPECT_EQ(app.convertFile(source, destination), QString());
    Spin();
    EXPECT_EQ(PdfPageCount(destination), 1);
    EXPECT_EQ(workspace.revealedPaths, QStringList{destination});
    EXPECT_TRUE(alerts().empty());
    // Nothing left beside it, and the drawing's window is gone.
    EXPECT_EQ(folderContents(), before);
    EXPECT_TRUE(OrderedControllers().isEmpty());
  }
}

TEST_F(ConvertToPdfTest, FailureAlertsAndKeepsOldDestination) {
  struct Case {
    const char* name;
    std::function<QString()> make;
    QString message;  // null: the writer's own reason
  };
  const std::vector<Case> cases = {
      {"Garbage.png", [&] { return withBytes(QStringLiteral("Garbage.png"), "not a picture at all"); },
       QStringLiteral("I can't read the file.")},
      {"Notes.foo", [&] { return withBytes(QStringLiteral("Notes.foo"), "plain words"); },
       QStringLiteral("I can't read the file.")},
      {"Missing.png", [&] { return folder + QStringLiteral("/Missing.png"); },
       QStringLiteral("I can't read the file.")},
      {"Shapes.svg", [&] { return withBytes(QStringLiteral("Shapes.svg"), "<svg/>"); },
       QStringLiteral("I can't read the file.")},
      {"Picture.emf", [&] { return withBytes(QStringLiteral("Picture.emf"), QByteArray(64, '\1')); },
       QStringLiteral("The EMF file has no usable image data.")},
      {"Clip.pictClipping", [&] { return withBytes(QStringLiteral("Clip.pictClipping"), "clip"); },
       QStringLiteral("I can't read the file.")},
      {"Broken.TWdraw",
       [&] {
         const QString path = folder + QStringLiteral("/Broken.TWdraw");
         QDir().mkpath(path);
         return path;
       },
       QStringLiteral("I can't read the file.")},
      // Read, but nothing to draw: the save itself fails.
      {"Empty.TWdraw", [&] { return package(QStringLiteral("Empty.TWdraw"), true); }, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CSRecordingAlertPresenter::shared().clear();
    workspace.revealedPaths.clear();
    const QString source = c.make();
    const QString destination = withBytes(QStringLiteral("Out.pdf"), "the old PDF");
    const QStringList before = folderContents();

    const QString message = app.convertFile(source, destination);
    Spin();
    if (c.message.isNull()) {
      EXPECT_FALSE(message.isEmpty());
      EXPECT_NE(message, QStringLiteral("I can't read the file."));
    } else {
      EXPECT_EQ(message, c.message);
    }
    ASSERT_FALSE(alerts().empty());
    const CSRecordingAlertPresenter::Alert alert = alerts().back();
    EXPECT_EQ(alert.message, QStringLiteral("Can't convert file."));
    EXPECT_EQ(alert.moreInfo,
              QStringLiteral("I can't convert \"%1\" to \"Out.pdf\". %2").arg(QString::fromLatin1(c.name), message));
    EXPECT_TRUE(workspace.revealedPaths.isEmpty());
    EXPECT_EQ(Contents(destination), QByteArray("the old PDF"));
    EXPECT_EQ(folderContents(), before);
    EXPECT_TRUE(OrderedControllers().isEmpty());
  }
}

TEST_F(ConvertToPdfTest, FailedReplaceKeepsOldDestination) {
  const QString source = png(QStringLiteral("Photo.png"));
  const QString destination = withBytes(QStringLiteral("Photo.pdf"), "the old PDF");
  const QStringList before = folderContents();
  int replaces = 0;
  // The PDF is written to a new name, then replaces the old file: only that
  // last step fails.
  AtomicSwapFaultHook previous = SetAtomicSwapFaultHook([&](AtomicSwapStep step) {
    if (step != AtomicSwapStep::Replace) return 0;
    ++replaces;
    return EACCES;
  });
  const QString message = app.convertFile(source, destination);
  SetAtomicSwapFaultHook(previous);

  EXPECT_FALSE(message.isEmpty());
  EXPECT_EQ(replaces, 1);
  ASSERT_EQ(alerts().size(), 1u);
  EXPECT_EQ(alerts()[0].message, QStringLiteral("Can't convert file."));
  EXPECT_EQ(Contents(destination), QByteArray("the old PDF"));
  EXPECT_EQ(folderContents(), before);
  EXPECT_TRUE(workspace.revealedPaths.isEmpty());
}

TEST_F(ConvertToPdfTest, PanelsChooseSourceAndDestination) {
  g_openTypeArray = {QStringLiteral("png"), QStringLiteral("pdf"), QStringLiteral("PDF"), QStringLiteral("TWdraw"),
                     QStringLiteral("svg")};
  const QString source = package(QStringLiteral("Plan.TWdraw"));
  const QString destination = folder + QStringLiteral("/Chosen.pdf");
  ScriptedDialogs dialogs;
  QStringList filters;
  QString offered;
  dialogs.push([&](QDialog* dialog) {
    auto* panel = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(panel, nullptr);
    filters = panel->nameFilters();
    panel->setDirectory(folder);
    panel->selectFile(source);
    static_cast<QDialog*>(panel)->accept();
  });
  dialogs.push([&](QDialog* dialog) {
    auto* panel = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(panel, nullptr);
    offered = LastPathComponent(panel->selectedFiles().value(0));
    panel->selectFile(destination);
    static_cast<QDialog*>(panel)->accept();
  });

  app.convertToPdf(nullptr);
  Spin();
  ASSERT_EQ(dialogs.seen().size(), 2u);
  EXPECT_EQ(dialogs.seen()[0].title, QStringLiteral("Select a file to convert"));
  EXPECT_EQ(dialogs.seen()[1].title, QStringLiteral("Select a location and a name for the converted file"));
  // A PDF can't be chosen as the source.
  ASSERT_EQ(filters.size(), 1);
  EXPECT_TRUE(filters[0].contains(QStringLiteral("*.png")));
  EXPECT_TRUE(filters[0].contains(QStringLiteral("*.TWdraw")));
  EXPECT_FALSE(filters[0].contains(QStringLiteral("pdf"), Qt::CaseInsensitive));
  EXPECT_EQ(offered, QStringLiteral("Plan.pdf"));
  EXPECT_EQ(PdfPageCount(destination), 1);
  EXPECT_EQ(workspace.revealedPaths, QStringList{destination});
  EXPECT_TRUE(alerts().empty());
}

TEST_F(ConvertToPdfTest, CancelledPanelConvertsNothing) {
  g_openTypeArray = {QStringLiteral("png")};
  const QStringList before = folderContents();
  ScriptedDialogs dialogs;
  app.convertToPdf(nullptr);  // no answer: the open panel is cancelled
  Spin();
  EXPECT_EQ(dialogs.seen().size(), 1u);
  EXPECT_EQ(folderContents(), before);
  EXPECT_TRUE(workspace.revealedPaths.isEmpty());
  EXPECT_TRUE(alerts().empty());
}

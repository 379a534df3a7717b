// Files opened through the application controller by their kind: the kind
// a name (or, without an extension, the classic file type) gives, and each
// kind reaching its reader and opening one window.

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QtEndian>

#include "ResourceForkBuilder.h"
#include "ShellTestSupport.h"
#include "TestFiles.h"
#include "interchange/Clipping.h"
#include "interchange/DRInterchangeServices.h"
#include "model/DRKeyTable.h"
#include "model/ElementTestSupport.h"
#include "platform/ExtendedAttributes.h"
#include "support/CSAlertPresenter.h"
#include "support/Files.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DROpenFiles.h"
#include "ui/shell/DRPrefController.h"
#include "ui/shell/DRWindowController.h"

namespace {

QByteArray Le32(quint32 value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  return QByteArray(bytes, 4);
}

// An EMF of a header and the end record: a picture of nothing.
QByteArray EmptyEmf() {
  QByteArray header;
  header += Le32(1) + Le32(108);                       // EMR_HEADER
  header += Le32(0) + Le32(0) + Le32(100) + Le32(100);  // bounds
  header += Le32(0) + Le32(0) + Le32(2540) + Le32(2540);  // frame, 0.01 mm
  header += Le32(0x464D4520) + Le32(0x10000);           // " EMF", version
  header += Le32(108 + 20) + Le32(2);                   // bytes, records
  header += QByteArray(4, '\0');                        // handles, reserved
  header += Le32(0) + Le32(0) + Le32(0);                // description, palette
  header += Le32(1024) + Le32(768) + Le32(320) + Le32(240);
  header += QByteArray(20, '\0');  // pixel format, OpenGL, micrometres
  QByteArray end = Le32(14) + Le32(20) + Le32(0) + Le32(16) + Le32(20);
  return header + end;
}

// A sidecar file holding the resource fork (the Finder information entry
// left empty).
QByteArray Sidecar(const QByteArray& fork) {
  QByteArray header(26 + 24, '\0');
  PutBigEndian(header, 0, kSidecarMagic, 4);
  PutBigEndian(header, 4, kSidecarVersion, 4);
  PutBigEndian(header, 24, 2, 2);
  PutBigEndian(header, 26, 9, 4);
  PutBigEndian(header, 30, uint32_t(header.size()), 4);
  PutBigEndian(header, 34, 32, 4);
  PutBigEndian(header, 38, kSidecarResourceForkEntry, 4);
  PutBigEndian(header, 42, uint32_t(header.size() + 32), 4);
  PutBigEndian(header, 46, uint32_t(fork.size()), 4);
  return header + QByteArray(32, '\0') + fork;
}

QByteArray TiffOf(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(qRgb(30, 90, 200));
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "TIFF");
  return data;
}

DRWindowController* ControllerOfWindow(QWidget* window) {
  return window ? qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(window)) : nullptr;
}

}  // namespace

class OpenByKindTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    CreateXmlDecoder();
    SetModelServices(&services);
    CSRecordingAlertPresenter::shared().clear();
    m_maximize = DRPrefController::sharedInstance().maximizeNewDocs();
    DRPrefController::sharedInstance().setMaximizeNewDocs(false);
  }
  void TearDown() override {
    ShellTest::TearDown();
    SetModelServices(nullptr);
    DRPrefController::sharedInstance().setMaximizeNewDocs(m_maximize);
    CSRecordingAlertPresenter::shared().clear();
  }

  QString path(const QString& name) {
    QDir().mkpath(home() + QStringLiteral("/files"));
    return home() + QStringLiteral("/files/") + name;
  }
  static std::vector<CSRecordingAlertPresenter::Alert> alerts() { return CSRecordingAlertPresenter::shared().alerts(); }

  DRInterchangeServices services;
  DRAppController controller;
  SettingsScope settings;

 private:
  bool m_maximize = false;
};

TEST_F(OpenByKindTest, TheKindComesFromTheNameOrTheClassicFileType) {
  const struct {
    const char* name;
    DRDrawFileType kind;
  } names[] = {
      {"Photo.JPG", kDrawFileImage},      {"Drawing.TWDRAW", kDrawFileNative}, {"x.SvG", kDrawFileSvg},
      {"a.TWdraw_autosave", kDrawFileNative}, {"y.pictClipping", kDrawFileClipping}, {"x.foo", kDrawFileUnknown},
      {"d.emf", kDrawFileEmf},            {"e.ai", kDrawFileImage},            {"f.EPS", kDrawFileImage},
      {"notes", kDrawFileUnknown},
  };
  for (const auto& row : names) {
    EXPECT_EQ(ClipboardServices().GetDrawFileType(path(QString::fromLatin1(row.name))), row.kind) << row.name;
  }

  if (!UserAttributesWork(home())) GTEST_SKIP() << "no user extended attributes here";
  const QString notes = path(QStringLiteral("notes"));
  WriteBytes(notes, "data");
  const struct {
    const char* code;
    DRDrawFileType kind;
  } codes[] = {{"PNGf", kDrawFileImage}, {"PDF ", kDrawFileImage}, {"TIFF", kDrawFileImage},
               {"TEXT", kDrawFileUnknown}, {"png ", kDrawFileUnknown}};
  for (const auto& row : codes) {
    QByteArray info(32, '\0');
    info.replace(0, 4, row.code);
    ASSERT_TRUE(SetExtendedAttribute(notes, kFinderInfoAttribute, info));
    EXPECT_EQ(ClipboardServices().GetDrawFileType(notes), row.kind) << row.code;
  }
  // A file type does not count when the name has an extension.
  const QString named = path(QStringLiteral("notes.txt"));
  WriteBytes(named, "data");
  QByteArray info(32, '\0');
  info.replace(0, 4, "PNGf");
  ASSERT_TRUE(SetExtendedAttribute(named, kFinderInfoAttribute, info));
  EXPECT_EQ(ClipboardServices().GetDrawFileType(named), kDrawFileUnknown);
}

TEST_F(OpenByKindTest, EachKindOpensOneWindowThroughItsReader) {
  const QString svg = path(QStringLiteral("Shapes.svg"));
  WriteBytes(svg, ReadBytes(QStringLiteral(TWDRAW_TEST_DATA "/interchange/svg/rect_ry.svg")));
  QWidget* window = controller.openFileWithTabIdentifier(svg, QString());
  DRWindowController* opened = ControllerOfWindow(window);
  ASSERT_NE(opened, nullptr);
  EXPECT_FALSE(opened->drawing()->elements().empty());
  EXPECT_EQ(opened->drawing()->filePath(), svg);
  EXPECT_EQ(OrderedControllers().size(), 1);

  const QString emf = path(QStringLiteral("Nothing.emf"));
  WriteBytes(emf, EmptyEmf());
  opened = ControllerOfWindow(controller.openFileWithTabIdentifier(emf, QString()));
  ASSERT_NE(opened, nullptr) << (alerts().empty() ? std::string() : alerts()[0].moreInfo.toStdString());
  EXPECT_TRUE(opened->drawing()->elements().empty());
  EXPECT_EQ(OrderedControllers().size(), 2);

  // A clipping whose picture is a TIFF resource, in a sidecar file.
  const QString clipping = path(QStringLiteral("Clip.pictClipping"));
  WriteBytes(clipping, QByteArray());
  WriteBytes(SidecarPath(clipping), Sidecar(BuildResourceFork({{0x54494646, 256, TiffOf(24, 16)}})));
  window = controller.openFileWithTabIdentifier(clipping, QString());
  opened = ControllerOfWindow(window);
  ASSERT_NE(opened, nullptr);
  ASSERT_EQ(opened->drawing()->elements().size(), 1u);
  EXPECT_EQ(opened->drawing()->elements()[0]->frame(), (CSRect{0, 0, 24 * 12700, 16 * 12700}));
  EXPECT_EQ(opened->drawing()->filePath(), clipping);
  EXPECT_EQ(opened->miniaturizedTitle(), QStringLiteral("Clip.pictClipping"));
  EXPECT_EQ(window->windowFilePath(), clipping);
  EXPECT_EQ(OrderedControllers().size(), 3);
  EXPECT_TRUE(alerts().empty());
}

TEST_F(OpenByKindTest, UnreadableFilesShowOneAlertAndOpenNothing) {
  const struct {
    const char* name;
    QByteArray data;
    const char* moreInfo;  // null: the reader's own text
  } rows[] = {
      {"Broken.svg", "<svg", nullptr},
      {"Broken.png", "not a picture", "I can't open the file Broken.png because I don't understand its format."},
      {"Empty.pictClipping", "", "I can't open the file Empty.pictClipping because I don't understand its format."},
  };
  for (const auto& row : rows) {
    CSRecordingAlertPresenter::shared().clear();
    const QString file = path(QString::fromLatin1(row.name));
    WriteBytes(file, row.data);
    EXPECT_EQ(controller.openFileWithTabIdentifier(file, QString()), nullptr) << row.name;
    Spin();
    ASSERT_EQ(alerts().size(), 1u) << row.name;
    EXPECT_EQ(alerts()[0].message, QStringLiteral("Can't open file.")) << row.name;
    if (row.moreInfo) EXPECT_EQ(alerts()[0].moreInfo, QString::fromLatin1(row.moreInfo)) << row.name;
    EXPECT_TRUE(OrderedControllers().isEmpty()) << row.name;
  }
}

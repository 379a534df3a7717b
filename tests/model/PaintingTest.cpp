#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "model/DRKeyTable.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "model/GraphicHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/CSError.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"
#include "support/ImageSaving.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"
#include "testkit/TestFiles.h"

namespace {

constexpr Kolor kOpaqueRed = 0x640000FF;
constexpr Kolor kOpaqueBlue = 0x64FF0000;

// A white picture with a black 16 x 16 square whose edges fall on JPEG's
// 8-pixel blocks, so that a JPEG of it decodes to exactly white and black.
QImage BlockImage(int width = 48, int height = 32) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.fillRect(QRect(16, 8, 16, 16), Qt::black);
  return image;
}

QImage Solid(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

std::shared_ptr<DRPainting> PaintingOf(const QImage& image) {
  return DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0)));
}

// Counts the edit notifications of one painting.
class EditCounter {
 public:
  explicit EditCounter(const DRPainting* painting) {
    m_token = NotificationCenter::defaultCenter().addObserver(this, g_editPaintNotification, painting,
                                                              [this](const CSNotification&) { ++count; });
  }
  ~EditCounter() { NotificationCenter::defaultCenter().removeObserver(m_token); }
  EditCounter(const EditCounter&) = delete;
  EditCounter& operator=(const EditCounter&) = delete;
  int count = 0;

 private:
  NotificationCenter::Token m_token;
};

// The painting's record inside "image" tags, read back.
std::shared_ptr<DRPainting> ReadPaintingRecord(const QString& children) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(g_xmlPrefix + "<image>" + children + "</image>");
  if (!decoder || !decoder->getNextTag()) return nullptr;
  return DRPainting::paintingFromXml(*decoder);
}

QString RecordText(DRPainting& painting, bool forSave) {
  CSXmlEncoder encoder;
  encoder.openTag("image");
  painting.archiveToXml(encoder, forSave);
  encoder.closeTag("image");
  return encoder.xml();
}

// Puts the painting tool settings back.
class PaintSettingsScope {
 public:
  PaintSettingsScope()
      : m_fill(DRSettings::sharedInstance().fillKolor()),
        m_tolerance(DRSettings::sharedInstance().paintTolerance()),
        m_blur(DRSettings::sharedInstance().blurStrength()) {}
  ~PaintSettingsScope() {
    DRSettings& settings = DRSettings::sharedInstance();
    settings.setFillKolor(m_fill);
    settings.setPaintTolerance(m_tolerance);
    settings.setBlurStrength(m_blur);
  }
  PaintSettingsScope(const PaintSettingsScope&) = delete;
  PaintSettingsScope& operator=(const PaintSettingsScope&) = delete;

 private:
  Kolor m_fill;
  uint64_t m_tolerance;
  double m_blur;
};

}  // namespace

// ---- Paint operations ----

TEST(DRPainting, EachPaintOperationAnswersWhetherItChangedAndPostsOneEdit) {
  PaintSettingsScope settingsScope;
  DRSettings::sharedInstance().setFillKolor(kOpaqueBlue);
  DRSettings::sharedInstance().setPaintTolerance(0);
  DRSettings::sharedInstance().setBlurStrength(1.0);

  struct Case {
    const char* name;
    std::function<QImage()> picture;
    std::function<bool(DRPainting&)> operation;
    bool changes;
  };
  const auto block = [] { return BlockImage(); };
  const auto red = [] { return Solid(20, 10, Qt::red); };
  const auto corner = [] {  // red with a blue top-left corner: no flip or turn leaves it alone
    QImage image = Solid(20, 10, Qt::red);
    QPainter(&image).fillRect(QRect(0, 0, 4, 3), Qt::blue);
    return image;
  };
  const auto framed = [] {  // opaque red inside a transparent margin
    QImage image = Solid(20, 20, Qt::transparent);
    QPainter(&image).fillRect(QRect(5, 5, 8, 6), Qt::red);
    return image;
  };
  const std::vector<Case> cases = {
      {"blur", block, [](DRPainting& p) { return p.blur(); }, true},
      {"crop inside", block, [](DRPainting& p) { return p.crop(QRect(2, 2, 5, 5)); }, true},
      {"crop outside", block, [](DRPainting& p) { return p.crop(QRect(-1, 0, 5, 5)); }, false},
      {"brush", red,
       [](DRPainting& p) {
         return p.drawWithBrush(kBrushSquare, 1, {2, 2}, {6, 6}, kOpaqueBlue);
       },
       true},
      {"brush, same colour", red,
       [](DRPainting& p) {
         return p.drawWithBrush(kBrushSquare, 1, {2, 2}, {6, 6}, kOpaqueRed);
       },
       false},
      {"pencil", red,
       [](DRPainting& p) {
         return p.drawWithPencil({1, 1}, {8, 1}, kOpaqueBlue);
       },
       true},
      {"pencil, same colour", red,
       [](DRPainting& p) {
         return p.drawWithPencil({1, 1}, {8, 1}, kOpaqueRed);
       },
       false},
      {"flip horizontal", corner, [](DRPainting& p) { return p.flipHorizontal(); }, true},
      {"flip vertical", corner, [](DRPainting& p) { return p.flipVertical(); }, true},
      {"flood", block,
       [](DRPainting& p) {
         return p.floodPixelsFromPoint({1, 1});
       },
       true},
      {"flood outside", block,
       [](DRPainting& p) {
         return p.floodPixelsFromPoint({-5, -5});
       },
       false},
      {"merge", red,
       [](DRPainting& p) {
         auto other = CSPixmap::initWithRect(QSizeF(4, 4), kOpaqueBlue);
         return p.mergeWithPixmap(*other, {1, 1}, kPixmapBlendSourceOver);
       },
       true},
      {"merge outside", red,
       [](DRPainting& p) {
         auto other = CSPixmap::initWithRect(QSizeF(4, 4), kOpaqueBlue);
         return p.mergeWithPixmap(*other, {100, 100}, kPixmapBlendSourceOver);
       },
       false},
      {"resize", red, [](DRPainting& p) { return p.resizeWidth(Pt(30), Pt(30), true); }, true},
      {"rotate 90", corner, [](DRPainting& p) { return p.rotate(90); }, true},
      {"rotate 180", corner, [](DRPainting& p) { return p.rotate(180); }, true},
      {"rotate 45", red, [](DRPainting& p) { return p.rotate(45); }, false},
      {"shrink", framed, [](DRPainting& p) { return p.shrinkToFit(); }, true},
      {"shrink, nothing to trim", red, [](DRPainting& p) { return p.shrinkToFit(); }, false},
      {"grey", red, [](DRPainting& p) { return p.convertToGray(nullptr, {}); }, true},
      {"monochrome", red, [](DRPainting& p) { return p.convertToMonochrome(true, nullptr, {}); }, true},
      {"fill", red, [](DRPainting& p) { return p.fillWithColor(kOpaqueBlue, nullptr, {}); }, true},
      {"invert", red, [](DRPainting& p) { return p.invertColors(nullptr, {}); }, true},
      {"replace", red, [](DRPainting& p) { return p.replaceKolor(kOpaqueRed, kOpaqueBlue, nullptr, {}); }, true},
      {"replace, colour absent", red,
       [](DRPainting& p) { return p.replaceKolor(kOpaqueBlue, 0x6400FF00, nullptr, {}); }, false},
      {"replace from mask", red,
       [](DRPainting& p) {
         auto mask = CSPixmap::initWithRect(QSizeF(3, 3), 0x64000000);
         return p.replaceColorsFromMask(mask.get(), {0, 0}, kOpaqueBlue, nullptr);
       },
       true},
      {"toggle alpha", block, [](DRPainting& p) { return p.toggleAlpha(false); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<DRPainting> painting = PaintingOf(c.picture());
    ASSERT_TRUE(painting);
    const QImage before = painting->image().renderedBitmap(painting->originalSize().toSize());
    EditCounter edits(painting.get());
    EXPECT_EQ(c.operation(*painting), c.changes);
    EXPECT_EQ(painting->edited(), c.changes);
    EXPECT_EQ(painting->matchesFile(), !c.changes);
    EXPECT_EQ(edits.count, c.changes ? 1 : 0);
    // The image shows the pixels as they are now.
    const QImage after = painting->image().renderedBitmap(painting->originalSize().toSize());
    EXPECT_EQ(after.convertToFormat(QImage::Format_ARGB32) != before.convertToFormat(QImage::Format_ARGB32), c.changes);
  }
}

TEST(DRPainting, StartingAStrokeIsNoEdit) {
  PaintSettingsScope settingsScope;
  std::shared_ptr<DRPainting> painting = PaintingOf(BlockImage());
  EditCounter edits(painting.get());
  painting->startBlur({4, 4});
  painting->startSmudge({4, 4});
  EXPECT_FALSE(painting->edited());
  EXPECT_TRUE(painting->matchesFile());
  EXPECT_EQ(edits.count, 0);
  painting->startSmudge({-1, -1});  // ends the stroke
}

TEST(DRPainting, FurtherEditsPostOnlyWhenTransparencyChanges) {
  std::shared_ptr<DRPainting> painting = PaintingOf(BlockImage());
  EXPECT_FALSE(painting->hasAlpha());  // now known
  EditCounter edits(painting.get());
  EXPECT_TRUE(painting->flipHorizontal());
  EXPECT_TRUE(painting->flipVertical());
  EXPECT_EQ(edits.count, 1);  // already edited, transparency unchanged
  EXPECT_TRUE(painting->toggleAlpha(false));
  EXPECT_TRUE(painting->hasAlpha());
  EXPECT_EQ(edits.count, 2);
  EXPECT_TRUE(painting->toggleAlpha(false));
  EXPECT_FALSE(painting->hasAlpha());
  EXPECT_EQ(edits.count, 3);

  // While the transparency is not known, every edit is told.
  std::shared_ptr<DRPainting> unknown = PaintingOf(BlockImage());
  EditCounter unknownEdits(unknown.get());
  unknown->flipHorizontal();
  unknown->flipHorizontal();
  EXPECT_EQ(unknownEdits.count, 2);
}

TEST(DRPainting, ResizeMeasuresRoundUpToAtLeastOnePoint) {
  std::shared_ptr<DRPainting> painting = PaintingOf(Solid(10, 10, Qt::red));
  ASSERT_TRUE(painting->resizeWidth(0, 12701, false));
  EXPECT_EQ(painting->pixmap()->size(), QSizeF(1, 2));
  EXPECT_EQ(painting->originalSize(), QSizeF(1, 2));
  ASSERT_TRUE(painting->resizeWidth(-Pt(5), Pt(3), false));
  EXPECT_EQ(painting->originalSize(), QSizeF(1, 3));
  ASSERT_TRUE(painting->resizeWidth(Pt(7), 12700 * 4, false));
  EXPECT_EQ(painting->originalSize(), QSizeF(7, 4));
}

TEST(DRPainting, FloodFillsWithTheSettingsColourAndRegistersIt) {
  PaintSettingsScope settingsScope;
  FakeModelServices services;
  DRSettings::sharedInstance().setFillKolor(kOpaqueBlue);
  std::vector<std::pair<QString, Kolor>> posts;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      &posts, QString(), services.mainWindow(), [&](const CSNotification& n) {
        if (n.name.startsWith("twdraw.register")) posts.emplace_back(n.name, KolorValue(n.userInfo.value("color")));
      });
  std::shared_ptr<DRPainting> painting = PaintingOf(BlockImage());
  ASSERT_TRUE(painting->floodPixelsFromPoint({1, 1}));
  EXPECT_EQ(painting->kolorAtPoint({1, 1}), kOpaqueBlue);
  EXPECT_EQ(painting->kolorAtPoint({20, 12}), Kolor(0x64000000));  // the black square is another region
  QCoreApplication::processEvents();
  NotificationQueue::defaultQueue().flush();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0], std::make_pair(QString("twdraw.registerColor"), kOpaqueBlue));

  // In mask mode the colour's grey is what fills.
  std::shared_ptr<DRPainting> mask = PaintingOf(BlockImage());
  mask->setPixmapMode(kPixmapModeMask);
  ASSERT_TRUE(mask->floodPixelsFromPoint({1, 1}));
  mask->setPixmapMode(kPixmapModeColor);
  EXPECT_NE(mask->kolorAtPoint({1, 1}), kOpaqueBlue);
  NotificationCenter::defaultCenter().removeObserver(token);
  QCoreApplication::processEvents();
  NotificationQueue::defaultQueue().flush();
}

// ---- Identity and copies ----

TEST(DRPainting, CopiesShareTheGuidButNotThePixels) {
  std::shared_ptr<DRPainting> painting = PaintingOf(Solid(8, 8, Qt::red));
  painting->setFilePath("/somewhere/a.png");
  painting->setFileDimensions(QSizeF(8, 8));
  painting->setInUse(true);
  painting->setLoadFailed(true);
  painting->setSaveImageFormat(kImageFormatPNG);
  ASSERT_TRUE(painting->pixmap());
  std::shared_ptr<DRPainting> copy = painting->copy();
  EXPECT_TRUE(copy->isEqual(*painting));
  EXPECT_EQ(copy->guid(), painting->guid());
  EXPECT_EQ(copy->filePath(), painting->filePath());
  EXPECT_EQ(copy->fileDimensions(), QSizeF(8, 8));
  EXPECT_TRUE(copy->inUse());
  EXPECT_TRUE(copy->loadFailed());
  EXPECT_TRUE(copy->matchesFile());
  EXPECT_EQ(copy->saveImageFormat(), kImageFormatPNG);
  ASSERT_TRUE(copy->hasPixmap());
  EXPECT_NE(copy->pixmap(), painting->pixmap());

  // Pixels may differ: the GUID alone decides equality.
  EXPECT_TRUE(copy->fillWithColor(kOpaqueBlue, nullptr, {}));
  EXPECT_TRUE(copy->isEqual(*painting));
  EXPECT_EQ(painting->kolorAtPoint({3, 3}), kOpaqueRed);
  EXPECT_EQ(copy->kolorAtPoint({3, 3}), kOpaqueBlue);
  EXPECT_FALSE(PaintingOf(Solid(8, 8, Qt::red))->isEqual(*painting));
}

TEST(DRPainting, AnEmptyPaintingOfASizeIsClear) {
  DRPainting painting(QSizeF(5, 3));
  EXPECT_TRUE(painting.image().isNull());  // nothing drawn yet
  ASSERT_TRUE(painting.pixmap());
  EXPECT_EQ(painting.pixmap()->size(), QSizeF(5, 3));
  EXPECT_TRUE(painting.hasAlpha());
  EXPECT_EQ(painting.fileDimensions(), QSizeF(-1, -1));
  EXPECT_FALSE(painting.guid().isEmpty());
  EXPECT_NE(painting.guid(), DRPainting(QSizeF(5, 3)).guid());
  EXPECT_EQ(DRPainting::paintingFromImage(CSImage()), nullptr);
}

// ---- Records ----

TEST(DRPainting, RecordRoundTripsGuidSizeAndPath) {
  std::shared_ptr<DRPainting> painting = PaintingOf(Solid(10, 10, Qt::red));
  painting->replacePixmap(CSPixmap::initWithSize(QSizeF(12, 7)));
  painting->setFilePath("/pictures/holiday.jpg");
  const QString text = RecordText(*painting, false);
  EXPECT_TRUE(text.contains("<original>{12, 7}</original>")) << text.toStdString();

  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(g_xmlPrefix + "<r>" + text + "<after/></r>");
  ASSERT_TRUE(decoder->getNextTag() && decoder->getNextTag());
  std::shared_ptr<DRPainting> read = DRPainting::paintingFromXml(*decoder);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->guid(), painting->guid());
  EXPECT_EQ(read->originalSize(), QSizeF(12, 7));
  EXPECT_EQ(read->filePath(), "/pictures/holiday.jpg");
  EXPECT_TRUE(read->matchesFile());
  EXPECT_FALSE(read->hasPixmap());
  // The reader stopped at the record's end.
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->xmlTag(), "after");

  // Fractions of a point survive exactly.
  std::shared_ptr<DRPainting> odd = ReadPaintingRecord("<id>ABC-123</id><original>{0.1, 1234.5678}</original>");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->originalSize(), QSizeF(0.1, 1234.5678));
  EXPECT_EQ(ReadPaintingRecord(RecordText(*odd, false).section("<image>", 1).section("</image>", 0, 0))->originalSize(),
            QSizeF(0.1, 1234.5678));
}

TEST(DRPainting, RecordForSaveNamesTheFileInThePackage) {
  std::shared_ptr<DRPainting> painting = PaintingOf(Solid(4, 4, Qt::red));
  EXPECT_TRUE(RecordText(*painting, true).contains("<file>" + painting->guid() + ".png</file>"));
  EXPECT_FALSE(RecordText(*painting, false).contains("<file>"));  // no path, no file
}

TEST(DRPainting, GuidsThatCouldLeaveTheImageFolderAreRefused) {
  const struct {
    const char* id;
    bool accepted;
  } cases[] = {
      {"7A1B2C3D-0000-4E5F-8899-AABBCCDDEEFF", true},
      {"abc-DEF-123", true},
      {"../../outside", false},
      {"a/b", false},
      {"..", false},
      {"with space", false},
      {"name.png", false},
      {"back\\slash", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    std::shared_ptr<DRPainting> read = ReadPaintingRecord(QString("<id>%1</id><original>{4, 4}</original>").arg(c.id));
    EXPECT_EQ(read != nullptr, c.accepted);
  }
  EXPECT_EQ(ReadPaintingRecord("<original>{4, 4}</original>"), nullptr);  // no id at all
  EXPECT_EQ(ReadPaintingRecord(QString("<id>%1</id>").arg(QString(129, 'A'))), nullptr);
  // Malformed sizes read as nothing, not as garbage.
  EXPECT_EQ(ReadPaintingRecord("<id>A</id><original>{nan, 3}</original>")->originalSize(), QSizeF(0, 0));
  EXPECT_EQ(ReadPaintingRecord("<id>A</id><original>12, 3</original>")->originalSize(), QSizeF(0, 0));
}

// ---- Saving ----

TEST(DRPainting, AJpegGivenTransparencySavesAsPngElseKeepsJpeg) {
  QTemporaryDir dir;
  const QString source = dir.filePath("photo.jpg");
  WriteBytes(source, EncodeImage(BlockImage(), "jpeg"));
  const QByteArray sourceBytes = ReadBytes(source);

  // Unedited: copied byte for byte under the GUID, keeping "jpg".
  std::shared_ptr<DRPainting> plain = DRPainting::paintingFromFile(source, nullptr);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->fileDimensions(), QSizeF(48, 32));
  QDir(dir.path()).mkdir("a");
  EXPECT_EQ(plain->fileName(), plain->guid() + ".jpg");
  CSError error;
  ASSERT_TRUE(plain->saveTo(dir.filePath("a"), &error)) << error.reason().toStdString();
  const QString copied = dir.filePath("a/" + plain->guid() + ".jpg");
  EXPECT_EQ(ReadBytes(copied), sourceBytes);
  EXPECT_EQ(plain->filePath(), copied);

  // Edited without transparency: still "jpg", now written from the pixels.
  std::shared_ptr<DRPainting> flipped = DRPainting::paintingFromFile(source, nullptr);
  ASSERT_TRUE(flipped->flipHorizontal());
  EXPECT_EQ(flipped->fileName(), flipped->guid() + ".jpg");

  // Given transparency: "png", and the file holds it.
  std::shared_ptr<DRPainting> clear = DRPainting::paintingFromFile(source, nullptr);
  ASSERT_TRUE(clear->toggleAlpha(false));
  ASSERT_TRUE(clear->hasAlpha());
  EXPECT_EQ(clear->fileName(), clear->guid() + ".png");
  QDir(dir.path()).mkdir("b");
  ASSERT_TRUE(clear->saveTo(dir.filePath("b"), &error)) << error.reason().toStdString();
  const QString written = dir.filePath("b/" + clear->guid() + ".png");
  EXPECT_EQ(clear->filePath(), written);
  const QImage reread(written);
  ASSERT_FALSE(reread.isNull());
  EXPECT_EQ(qAlpha(reread.pixel(1, 1)), 0);
  EXPECT_EQ(qAlpha(reread.pixel(20, 12)), 255);
  EXPECT_EQ(clear->fileDimensions(), QSizeF(48, 32));
}

TEST(DRPainting, APaintingThatFailedToLoadIsNeverSavedBlank) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("old");
  QDir(dir.path()).mkdir("new");
  const QByteArray unreadable("\x89PNG but not really an image");

  const auto failed = [&](const QString& path) {
    std::shared_ptr<DRPainting> painting =
        ReadPaintingRecord("<id>0A0B0C0D-1111-2222-3333-444455556666</id><original>{30, 20}</original>");
    painting->setFilePath(path);
    painting->setLoadFailed(true);
    return painting;
  };

  // The file is still there: copied as it stands, whatever it holds.
  const QString oldFile = dir.filePath("old/0A0B0C0D-1111-2222-3333-444455556666.jpg");
  WriteBytes(oldFile, unreadable);
  std::shared_ptr<DRPainting> present = failed(oldFile);
  EXPECT_EQ(present->fileName(), present->guid() + ".jpg");
  EXPECT_FALSE(present->hasPixmap());  // the name never asked for pixels
  CSError error;
  ASSERT_TRUE(present->saveTo(dir.filePath("new"), &error));
  EXPECT_EQ(ReadBytes(dir.filePath("new/" + present->fileName())), unreadable);

  // Saved in place onto itself: nothing to do, the file is untouched.
  std::shared_ptr<DRPainting> inPlace = failed(oldFile);
  ASSERT_TRUE(inPlace->saveTo(dir.filePath("old"), &error));
  EXPECT_EQ(ReadBytes(oldFile), unreadable);

  // The file is gone: nothing is written, and the drawing still saves.
  QDir(dir.path()).mkdir("gone");
  std::shared_ptr<DRPainting> gone = failed(dir.filePath("missing.jpg"));
  ASSERT_TRUE(gone->pixmap());  // the painting editor showed it: a blank stand-in exists
  ASSERT_TRUE(gone->saveTo(dir.filePath("gone"), &error));
  EXPECT_TRUE(QDir(dir.filePath("gone")).entryList(QDir::Files | QDir::Hidden).isEmpty());
  std::shared_ptr<DRPainting> noPath = failed(QString());
  EXPECT_TRUE(noPath->saveTo(dir.filePath("gone"), &error));
  EXPECT_TRUE(QDir(dir.filePath("gone")).entryList(QDir::Files | QDir::Hidden).isEmpty());

  // Nor is a link that stands where the unreadable image was: it could
  // lead to any file of the user's.
  const QString secret = dir.filePath("secret.txt");
  WriteBytes(secret, "not for the package");
  ASSERT_TRUE(QFile::link(secret, dir.filePath("link.png")));
  std::shared_ptr<DRPainting> linked = failed(dir.filePath("link.png"));
  ASSERT_TRUE(linked->saveTo(dir.filePath("gone"), &error));
  EXPECT_TRUE(QDir(dir.filePath("gone")).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());

  // Any other failure is one.
  error = CSError();
  std::shared_ptr<DRPainting> blocked = failed(oldFile);
  EXPECT_FALSE(blocked->saveTo(dir.filePath("no-such-folder"), &error));
  EXPECT_NE(error.code(), 0);

  // Once painted on, the pixels are the user's and are saved.
  std::shared_ptr<DRPainting> painted = failed(dir.filePath("missing.png"));
  ASSERT_TRUE(painted->fillWithColor(kOpaqueRed, nullptr, {}));
  ASSERT_TRUE(painted->saveTo(dir.filePath("gone"), &error));
  const QImage written(dir.filePath("gone/" + painted->fileName()));
  ASSERT_FALSE(written.isNull());
  EXPECT_EQ(written.size(), QSize(30, 20));
  EXPECT_EQ(written.pixel(3, 3), QColor(Qt::red).rgba());
}

TEST(DRPainting, SavingFailuresAnswerNoWithAnError) {
  QTemporaryDir dir;
  std::shared_ptr<DRPainting> painting = PaintingOf(Solid(6, 6, Qt::red));
  CSError error;
  EXPECT_FALSE(painting->saveTo(dir.filePath("no-such-folder"), &error));
  EXPECT_EQ(error.code(), kImageSaveErrorCode);
  EXPECT_TRUE(painting->filePath().isEmpty());

  // A copy that cannot be made falls back on writing the pixels.
  const QString source = dir.filePath("a.png");
  WriteBytes(source, EncodeImage(Solid(6, 6, Qt::blue), "png"));
  std::shared_ptr<DRPainting> fromFile = DRPainting::paintingFromFile(source, nullptr);
  ASSERT_TRUE(fromFile);
  QFile::remove(source);
  ASSERT_TRUE(fromFile->saveTo(dir.path(), &error));
  EXPECT_EQ(QImage(dir.filePath(fromFile->guid() + ".png")).pixel(2, 2), QColor(Qt::blue).rgba());
}

TEST(DRPainting, FileCompressionFollowsTheFile) {
  QTemporaryDir dir;
  const QImage picture = BlockImage();
  std::shared_ptr<DRPainting> none = PaintingOf(picture);
  EXPECT_EQ(none->fileCompression(), -1.0);

  const QString png = dir.filePath("p.png");
  WriteBytes(png, EncodeImage(picture, "png"));
  EXPECT_EQ(DRPainting::paintingFromFile(png, nullptr)->fileCompression(), -1.0);

  // TIFF: compressed or not, as the file is.
  for (const bool lzw : {true, false}) {
    SCOPED_TRACE(lzw);
    const QString tiff = dir.filePath(lzw ? "c.tiff" : "u.tif");
    std::shared_ptr<DRPainting> painting = PaintingOf(picture);
    const QString saved = SaveImage(painting->image(), tiff, kImageFormatTIFF, false, nullptr, 0, 0, lzw ? 1.0 : 0.0);
    ASSERT_FALSE(saved.isEmpty());
    painting->setFilePath(saved);
    EXPECT_EQ(painting->fileCompression(), lzw ? 1.0 : 0.0);
  }

  // JPEG: the file's quality, once its dimensions are known.
  const QString jpeg = dir.filePath("q.jpg");
  WriteBytes(jpeg, EncodeImage(picture, "jpeg"));
  std::shared_ptr<DRPainting> photo = DRPainting::paintingFromFile(jpeg, nullptr);
  EXPECT_EQ(photo->fileCompression(), JpegCompression(jpeg, 48, 32));
  EXPECT_GE(photo->fileCompression(), 0.0);
  photo->setFileDimensions(QSizeF(-1, -1));
  EXPECT_EQ(photo->fileCompression(), -1.0);
}

TEST(DRPainting, TiffDataFollowsThePreference) {
  class Services : public FakeModelServices {
   public:
    bool tiffCompression() const override { return lzw; }
    bool lzw = true;
  } services;
  QTemporaryDir dir;
  std::shared_ptr<DRPainting> painting = PaintingOf(BlockImage());
  for (const bool lzw : {true, false}) {
    SCOPED_TRACE(lzw);
    services.lzw = lzw;
    const QByteArray data = painting->tiffData();
    ASSERT_FALSE(data.isEmpty());
    const QString path = dir.filePath(lzw ? "lzw.tiff" : "plain.tiff");
    WriteBytes(path, data);
    EXPECT_EQ(IsTiffCompressed(path), lzw);
    EXPECT_EQ(QImage(path).size(), QSize(48, 32));
  }
}

// ---- Reading files ----

namespace {

// Services that take every file for a QuickDraw picture and render it.
class PictureServices : public FakeModelServices {
 public:
  bool isQuickdrawFile(const QString&) const override { return quickdraw; }
  CSImage createImageFromQuickdrawPict(const QByteArray& data, bool hasHeader, QString* pdfPath) override {
    ++pictCalls;
    pictBytes = data.size();
    pictHeader = hasHeader;
    *pdfPath = "/tmp/rendered-pict.pdf";
    return CSImage::initWithCGImage(Solid(9, 7, Qt::green), QSizeF(0, 0));
  }
  CSImage createImageFromEmf(const QByteArray& data, QString* pdfPath) override {
    ++emfCalls;
    *pdfPath = "/tmp/rendered-emf.pdf";
    return data.isEmpty() ? CSImage() : CSImage::initWithCGImage(Solid(3, 5, Qt::green), QSizeF(0, 0));
  }
  CSImage scalableImage(const QString& path, bool* canceled) override {
    scalablePaths.append(QFileInfo(path).fileName());
    if (cancel) {
      *canceled = true;
      return {};
    }
    return CSImage::initWithCGImage(Solid(11, 13, Qt::green), QSizeF(0, 0));
  }
  CSImage largestIconImage(const QString&) override {
    return icon ? CSImage::initWithCGImage(Solid(16, 16, Qt::green), QSizeF(0, 0)) : CSImage();
  }

  bool quickdraw = false;
  bool cancel = false;
  bool icon = true;
  int pictCalls = 0;
  qsizetype pictBytes = 0;
  bool pictHeader = false;
  int emfCalls = 0;
  QStringList scalablePaths;
};

}  // namespace

TEST(DRPainting, AQuickdrawFileTooShortForAPictureGivesNothing) {
  PictureServices services;
  services.quickdraw = true;
  QTemporaryDir dir;
  const QString path = dir.filePath("picture.pict");
  WriteBytes(path, QByteArray(531, '\0'));
  EXPECT_EQ(DRPainting::paintingFromFile(path, nullptr), nullptr);
  EXPECT_EQ(services.pictCalls, 0);

  WriteBytes(path, QByteArray(532, '\0'));
  std::shared_ptr<DRPainting> painting = DRPainting::paintingFromFile(path, nullptr);
  ASSERT_TRUE(painting);
  EXPECT_EQ(services.pictBytes, 532);
  EXPECT_TRUE(services.pictHeader);
  EXPECT_EQ(painting->filePath(), "/tmp/rendered-pict.pdf");
  EXPECT_EQ(painting->originalSize(), QSizeF(9, 7));
  EXPECT_EQ(painting->fileDimensions(), QSizeF(9, 7));
}

TEST(DRPainting, ScalableFilesGoThroughTheSizeDialog) {
  PictureServices services;
  QTemporaryDir dir;
  for (const char* name : {"doc.pdf", "art.AI", "old.eps"}) WriteBytes(dir.filePath(name), "%PDF-1.4 not really");

  bool canceled = true;
  std::shared_ptr<DRPainting> pdf = DRPainting::paintingFromFile(dir.filePath("doc.pdf"), &canceled);
  ASSERT_TRUE(pdf);
  EXPECT_FALSE(canceled);
  EXPECT_EQ(pdf->originalSize(), QSizeF(11, 13));
  EXPECT_EQ(pdf->filePath(), dir.filePath("doc.pdf"));
  EXPECT_TRUE(DRPainting::paintingFromFile(dir.filePath("art.AI"), &canceled));
  // EPS cannot be read, so the dialog is not even shown.
  EXPECT_EQ(DRPainting::paintingFromFile(dir.filePath("old.eps"), &canceled), nullptr);
  EXPECT_EQ(services.scalablePaths, (QStringList{"doc.pdf", "art.AI"}));

  services.cancel = true;
  EXPECT_EQ(DRPainting::paintingFromFile(dir.filePath("doc.pdf"), &canceled), nullptr);
  EXPECT_TRUE(canceled);
}

TEST(DRPainting, EmfIconAndImageFiles) {
  PictureServices services;
  QTemporaryDir dir;
  WriteBytes(dir.filePath("a.emf"), "some bytes");
  std::shared_ptr<DRPainting> emf = DRPainting::paintingFromFile(dir.filePath("a.emf"), nullptr);
  ASSERT_TRUE(emf);
  EXPECT_EQ(emf->filePath(), "/tmp/rendered-emf.pdf");
  EXPECT_EQ(DRPainting::paintingFromFile(dir.filePath("missing.emf"), nullptr), nullptr);
  EXPECT_EQ(services.emfCalls, 1);

  WriteBytes(dir.filePath("a.icns"), "icns");
  std::shared_ptr<DRPainting> icon = DRPainting::paintingFromFile(dir.filePath("a.icns"), nullptr);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->originalSize(), QSizeF(16, 16));
  services.icon = false;  // no icon: read as any image, which this is not
  EXPECT_EQ(DRPainting::paintingFromFile(dir.filePath("a.icns"), nullptr), nullptr);

  WriteBytes(dir.filePath("junk.png"), "not an image at all");
  EXPECT_EQ(DRPainting::paintingFromFile(dir.filePath("junk.png"), nullptr), nullptr);
}

// ---- Drawing ----

TEST(DRPainting, DrawsTheWholePictureIntoTheRectangleAtTheOpacity) {
  QImage picture = Solid(10, 10, Qt::red);
  QPainter(&picture).fillRect(QRect(0, 0, 10, 5), Qt::blue);  // blue on top
  std::shared_ptr<DRPainting> painting = PaintingOf(picture);
  for (const double alpha : {1.0, 0.5}) {
    SCOPED_TRACE(alpha);
    const QImage image =
        RenderInContext(QSize(40, 40), [&](QPainter&) { painting->drawInRect(QRectF(10, 10, 20, 20), alpha); });
    EXPECT_EQ(InkBounds(image), QRect(10, 10, 20, 20));
    const int faded = alpha == 1.0 ? 0 : 128;
    EXPECT_TRUE(ColorNear(image.pixel(20, 12), QColor(faded, faded, 255), 3));  // upright: blue on top
    EXPECT_TRUE(ColorNear(image.pixel(20, 27), QColor(255, faded, faded), 3));
  }
}

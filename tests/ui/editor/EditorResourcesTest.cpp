#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include "support/CSKernel.h"
#include "support/ImageFunctions.h"
#include "testkit/QStringPrinter.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorSetup.h"

namespace {

// The mean lightness of the opaque pixels of an image, and how many there are.
std::pair<double, int> OpaqueInk(const CSImage& image) {
  const QImage pixels = image.renderedBitmap(image.size().toSize());
  double lightness = 0;
  int count = 0;
  for (int y = 0; y < pixels.height(); ++y) {
    for (int x = 0; x < pixels.width(); ++x) {
      const QColor pixel = pixels.pixelColor(x, y);
      if (pixel.alpha() < 200) continue;
      lightness += pixel.lightness();
      ++count;
    }
  }
  return {count ? lightness / count : 0, count};
}

TEST(EditorResources, SetUpLoadsEveryTemplateImage) {
  const int loaded = SetupEditorResources();
  EXPECT_EQ(loaded, 19);
  EXPECT_EQ(loaded, CSKernel::toolTemplateNames().size());
  for (const QString& name : CSKernel::toolTemplateNames()) {
    EXPECT_TRUE(IsTemplateImage(name)) << name.toStdString();
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/images/%1.png").arg(name))) << name.toStdString();
    EXPECT_GT(OpaqueInk(ImageNamed(name)).second, 8) << name.toStdString();
  }
  EXPECT_EQ(SetupEditorResources(), loaded);  // once only
  // Names without an image are skipped, not counted.
  EXPECT_EQ(LoadTemplateImages({QStringLiteral("UndoTool"), QStringLiteral("NoSuchTemplate")}), 1);
}

TEST(EditorResources, EveryToolHasItsImageAndTheLinePictogramsALightVariant) {
  SetupEditorResources();
  QSet<QByteArray> seen;
  for (int tool = 0; tool < DRToolbarView::kToolCount; ++tool) {
    const DRToolDescription& row = DRToolbarView::toolDescription(DRTool(tool));
    ASSERT_FALSE(row.lightImage.isNull()) << row.imageName.toStdString();
    EXPECT_EQ(row.lightImage.size(), QSizeF(24, 24)) << row.imageName.toStdString();
    const auto ink = OpaqueInk(row.lightImage);
    EXPECT_GT(ink.second, 20) << row.imageName.toStdString();
    // No two tools share a picture.
    const QImage bits = row.lightImage.renderedBitmap(QSize(24, 24));
    const QByteArray key(reinterpret_cast<const char*>(bits.constBits()), bits.sizeInBytes());
    EXPECT_FALSE(seen.contains(key)) << row.imageName.toStdString();
    seen.insert(key);

    const bool hasDark = tool == kToolSelect || tool == kToolText || tool == kToolLine || tool == kToolCurvedLine;
    EXPECT_EQ(!row.darkImage.isNull(), hasDark) << row.imageName.toStdString();
    if (hasDark) {
      EXPECT_LT(ink.first, 90) << row.imageName.toStdString() << " should be dark ink";
      EXPECT_GT(OpaqueInk(row.darkImage).first, 180) << row.imageName.toStdString() << "W should be light ink";
    }
  }
  for (const char* name : {"ToolLinePaint", "ToolLinePaintW", "ToolSave"}) {
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)))) << name;
    EXPECT_GT(OpaqueInk(ImageNamed(QString::fromLatin1(name))).second, 10) << name;
  }
}

TEST(EditorResources, AMissingNameGivesTheStopImage) {
  SetupEditorResources();
  const QList<CSImage> images =
      ImagesFromNames({QStringLiteral("ToolCrop"), QStringLiteral("ToolNoSuchThing"), QStringLiteral("ToolSave")});
  ASSERT_EQ(images.size(), 3);
  EXPECT_EQ(images[0].size(), QSizeF(24, 24));
  EXPECT_EQ(images[1].size(), StopProgressTemplateImage().size());
  EXPECT_EQ(images[2].size(), QSizeF(16, 16));
  EXPECT_TRUE(ImageNamed(QStringLiteral("ToolNoSuchThing")).isNull());
}

TEST(EditorResources, CursorsComeFromTheirImagesWithTheirHotSpots) {
  SetupEditorResources();
  EXPECT_EQ(CreateEditorCursors(), 6);
  for (const DREditorCursorImage& entry : g_editorCursorImages) {
    ASSERT_TRUE(entry.cursor->has_value()) << entry.imageName;
    EXPECT_EQ((*entry.cursor)->hotSpot(), QPoint(entry.hotX, entry.hotY)) << entry.imageName;
    EXPECT_EQ((*entry.cursor)->pixmap().size(), QSize(16, 16)) << entry.imageName;
  }
  EXPECT_EQ(g_rotateCursor->hotSpot(), QPoint(8, 6));
  EXPECT_EQ(g_eyedropperCursor->hotSpot(), QPoint(0, 15));
  EXPECT_FALSE(CreateCursorFromImage(QStringLiteral("NoSuchCursor"), 0, 0).has_value());
}

}  // namespace

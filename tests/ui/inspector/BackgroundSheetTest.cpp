// The background sheet on a real drawing window: what it shows of the
// drawing's picture, how an opened or dropped picture is sized, the scale
// field's whole percents, and what OK, Delete and Reset leave in the
// drawing and on its undo stack; and the picture well's drawing.

#include <QBuffer>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

#include "DrawingSheetTest.h"
#include "model/DRDrawing.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/ScriptedDialogs.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRBackgroundDialog.h"
#include "ui/inspector/DRBackgroundImageCell.h"

namespace {

// A red picture of that many pixels at 72 pixels an inch, as PNG data.
QByteArray PngData(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::red);
  image.setDotsPerMeterX(2835);
  image.setDotsPerMeterY(2835);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return data;
}

class BackgroundSheetTest : public DrawingSheetTest {
 protected:
  DRBackgroundDialog* openSheet() {
    drawVC()->setBackground(nullptr);
    return shownSheet<DRBackgroundDialog>();
  }
  QString writePicture(const QString& name, const QByteArray& data) {
    const QString path = m_files.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(data);
    return path;
  }
  // The drawing shows a picture of that size in pixels at the place.
  void giveBackground(int width, int height, const CSRect& location, double opacity) {
    drawing()->setBackgroundImage(CSImage::initWithData(PngData(width, height)));
    drawing()->setBackgroundLocation(location);
    drawing()->setBackgroundOpacity(opacity);
  }
  static MeasureUnit pt(double points) { return MeasureUnit(points * kMeasurePerPoint); }

  QTemporaryDir m_files;
};

TEST_F(BackgroundSheetTest, WithoutAPictureTheSheetShowsNothingAtScaleZeroAndFullOpacity) {
  drawing()->setBackgroundOpacity(0.3);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->image().isNull());
  EXPECT_TRUE(sheet->originalField()->text().isEmpty());
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("0"));
  EXPECT_EQ(sheet->scale(), 0);
  EXPECT_DOUBLE_EQ(sheet->opacity(), 1.0);
  EXPECT_DOUBLE_EQ(sheet->opacitySlider()->doubleValue(), 1.0);
  for (CSMeasureField* field : {sheet->leftField(), sheet->topField(), sheet->widthField(), sheet->heightField()})
    EXPECT_EQ(field->measureValue(), 0) << field->objectName().toStdString();
  help.shown.clear();
  sheet->helpButton()->click();
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0].first, 62);
  sheet->cancelButton()->click();
}

TEST_F(BackgroundSheetTest, AnOpenedPictureTakesItsOwnSizeAndOKWritesItAsOneUndoStep) {
  ASSERT_TRUE(m_files.isValid());
  const QString path = writePicture(QStringLiteral("picture.png"), PngData(200, 100));
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  ScriptedDialogs script;
  QString filter;
  script.push([&](QDialog* dialog) {
    auto* panel = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(panel, nullptr);
    filter = panel->nameFilters().join(QLatin1Char(';'));
    panel->selectFile(path);
    static_cast<QDialog*>(panel)->accept();
  });
  sheet->openButton()->click();
  settle();
  EXPECT_TRUE(filter.contains(QStringLiteral("*.png")));
  EXPECT_TRUE(filter.contains(QStringLiteral("*.tiff")) || filter.contains(QStringLiteral("*.tif")));
  ASSERT_FALSE(sheet->image().isNull());
  EXPECT_EQ(sheet->originalField()->text(), QStringLiteral("200 x 100"));
  EXPECT_EQ(sheet->pictureWidth(), pt(200));
  EXPECT_EQ(sheet->pictureHeight(), pt(100));
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("100"));
  type(sheet->leftField(), QStringLiteral("5"));

  sheet->okButton()->click();
  settle();
  EXPECT_FALSE(shownSheet<DRBackgroundDialog>());
  EXPECT_FALSE(drawing()->backgroundImage().isNull());
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{pt(5), 0, pt(200), pt(100)}));
  EXPECT_DOUBLE_EQ(drawing()->backgroundOpacity(), 1.0);
  QString title;
  undo().validateState(true, &title);
  EXPECT_EQ(title, QStringLiteral("Undo Background Picture"));
  drawVC()->resetCurrentUndoID();
  undo().undo();
  EXPECT_TRUE(drawing()->backgroundImage().isNull());
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(BackgroundSheetTest, ATypedScaleSizesThePictureInWholePercentsOfAtLeastOne) {
  giveBackground(200, 100, CSRect{0, 0, pt(200), pt(100)}, 1.0);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  struct Row {
    const char* typed;
    double width, height;
    const char* shown;
  };
  const Row rows[] = {
      {"50", 100, 50, "50"},
      {"12.5", 24, 12, "12.5"},  // cut to 12 %; the field keeps what was typed
      {"0.5", 2, 1, "1"},        // a picture is never cut to nothing
      {"1000", 2000, 1000, "1000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    type(sheet->scaleField(), QString::fromLatin1(row.typed));
    EXPECT_EQ(sheet->pictureWidth(), pt(row.width));
    EXPECT_EQ(sheet->pictureHeight(), pt(row.height));
    EXPECT_EQ(sheet->widthField()->measureValue(), pt(row.width));
    EXPECT_EQ(sheet->scaleField()->text(), QString::fromLatin1(row.shown));
  }
  sheet->okButton()->click();
  settle();
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{0, 0, pt(2000), pt(1000)}));
}

TEST_F(BackgroundSheetTest, OKWithoutAWidthOrHeightRemovesThePicture) {
  for (CSMeasureField* (DRBackgroundDialog::*field)() const :
       {&DRBackgroundDialog::widthField, &DRBackgroundDialog::heightField}) {
    giveBackground(200, 100, CSRect{pt(10), pt(10), pt(200), pt(100)}, 0.5);
    DRBackgroundDialog* sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    type((sheet->*field)(), QStringLiteral("0"));
    sheet->okButton()->click();
    settle();
    EXPECT_TRUE(drawing()->backgroundImage().isNull());
    EXPECT_EQ(drawing()->backgroundLocation(), CSRect{});
  }
}

TEST_F(BackgroundSheetTest, DeleteRemovesThePictureAndClosesAsOneUndoStep) {
  giveBackground(200, 100, CSRect{pt(10), pt(20), pt(100), pt(50)}, 0.5);
  QPointer<DRBackgroundDialog> sheet = openSheet();
  ASSERT_TRUE(sheet);
  sheet->deleteButton()->click();
  settle();
  EXPECT_FALSE(sheet);
  EXPECT_TRUE(drawing()->backgroundImage().isNull());
  EXPECT_EQ(drawing()->backgroundLocation(), CSRect{});
  drawVC()->resetCurrentUndoID();
  undo().undo();
  EXPECT_FALSE(drawing()->backgroundImage().isNull());
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{pt(10), pt(20), pt(100), pt(50)}));
  EXPECT_DOUBLE_EQ(drawing()->backgroundOpacity(), 0.5);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(BackgroundSheetTest, ADroppedPictureTakesItsOwnSizeInPlaceAndResetMovesItHome) {
  giveBackground(200, 100, CSRect{pt(30), pt(40), pt(50), pt(25)}, 0.4);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("25"));
  EXPECT_DOUBLE_EQ(sheet->opacity(), 0.4);
  EXPECT_DOUBLE_EQ(sheet->imageView()->opacity(), 0.4);

  // Data that holds no picture is refused and changes nothing.
  QMimeData junk;
  junk.setData(QStringLiteral("image/png"), QByteArray("not a picture"));
  EXPECT_FALSE(sheet->imageView()->dropPicture(&junk));
  EXPECT_EQ(sheet->pictureWidth(), pt(50));

  QMimeData mime;
  mime.setData(QStringLiteral("image/png"), PngData(60, 30));
  ASSERT_TRUE(sheet->imageView()->dropPicture(&mime));
  EXPECT_EQ(sheet->originalField()->text(), QStringLiteral("60 x 30"));
  EXPECT_EQ((CSRect{sheet->pictureLeft(), sheet->pictureTop(), sheet->pictureWidth(), sheet->pictureHeight()}),
            (CSRect{pt(30), pt(40), pt(60), pt(30)}));
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("100"));
  EXPECT_DOUBLE_EQ(sheet->opacity(), 0.4);

  sheet->resetButton()->click();
  EXPECT_TRUE(sheet->isVisible()) << "Reset resets the sheet only";
  EXPECT_EQ((CSRect{sheet->pictureLeft(), sheet->pictureTop(), sheet->pictureWidth(), sheet->pictureHeight()}),
            (CSRect{0, 0, pt(60), pt(30)}));
  EXPECT_DOUBLE_EQ(sheet->opacity(), 1.0);
  EXPECT_DOUBLE_EQ(sheet->opacitySlider()->doubleValue(), 1.0);
  EXPECT_DOUBLE_EQ(sheet->imageView()->opacity(), 1.0);
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{pt(30), pt(40), pt(50), pt(25)}));
  sheet->cancelButton()->click();
}

TEST_F(BackgroundSheetTest, AFileThatDoesNotLoadLeavesNoPicture) {
  ASSERT_TRUE(m_files.isValid());
  giveBackground(200, 100, CSRect{0, 0, pt(200), pt(100)}, 1.0);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  sheet->openPictureFile(writePicture(QStringLiteral("broken.png"), QByteArray("\x89PNG broken")));
  EXPECT_TRUE(sheet->image().isNull());
  EXPECT_EQ(sheet->pictureWidth(), 0);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("0"));
  sheet->okButton()->click();
  settle();
  EXPECT_TRUE(drawing()->backgroundImage().isNull());
}

TEST_F(BackgroundSheetTest, ALockedDrawingClosesTheSheetWithNothingChanged) {
  giveBackground(200, 100, CSRect{0, 0, pt(200), pt(100)}, 1.0);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  type(sheet->scaleField(), QStringLiteral("50"));
  drawing()->setLocked(true);
  sheet->okButton()->click();
  settle();
  EXPECT_FALSE(shownSheet<DRBackgroundDialog>());
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{0, 0, pt(200), pt(100)}));
}

TEST_F(BackgroundSheetTest, TypingThatDoesNotReadKeepsTheSheetOpenOnOK) {
  giveBackground(200, 100, CSRect{0, 0, pt(200), pt(100)}, 1.0);
  QPointer<DRBackgroundDialog> sheet = openSheet();
  ASSERT_TRUE(sheet);
  typeOnly(sheet->leftField(), QStringLiteral("1/0"));
  sheet->okButton()->click();
  settle();
  ASSERT_TRUE(sheet);
  EXPECT_TRUE(sheet->isVisible());
  const auto asked = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].message, QStringLiteral("Invalid value."));
  EXPECT_FALSE(undo().isUndoAvailable());
  EXPECT_EQ(drawing()->backgroundLocation(), (CSRect{0, 0, pt(200), pt(100)}));
  sheet->cancelButton()->click();
}

TEST_F(BackgroundSheetTest, AUnitChangeShowsTheFieldsInTheNewUnit) {
  SetDistanceUnitProvider([] { return kDistanceUnitPoints; });
  giveBackground(144, 72, CSRect{0, 0, pt(144), pt(72)}, 1.0);
  DRBackgroundDialog* sheet = openSheet();
  ASSERT_NE(sheet, nullptr);
  const QString before = sheet->widthField()->text();
  SetDistanceUnitProvider([] { return kDistanceUnitInches; });
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification);
  EXPECT_NE(sheet->widthField()->text(), before);
  EXPECT_EQ(sheet->widthField()->measureValue(), pt(144));
  EXPECT_EQ(sheet->heightField()->measureValue(), pt(72));
  sheet->cancelButton()->click();
  SetDistanceUnitProvider(nullptr);
}

TEST(BackgroundImageCellTest, ThePictureIsFittedInsideTheMarginAndCentredOnWholePoints) {
  struct Row {
    QSizeF picture;
    QRectF expected;
  };
  const QRectF frame(0, 0, 116, 96);  // 100 x 80 inside the margin
  const Row rows[] = {
      {QSizeF(50, 40), QRectF(33, 28, 50, 40)},     // smaller: kept, centred
      {QSizeF(200, 80), QRectF(8, 28, 100, 40)},    // too wide: halved
      {QSizeF(100, 160), QRectF(33, 8, 50, 80)},    // too high: halved
      {QSizeF(51, 41), QRectF(32, 27, 51, 41)},     // centred on whole points
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.picture.width());
    EXPECT_EQ(DRBackgroundImageCell::imageRectForFrame(frame, row.picture), row.expected);
  }
}

TEST(BackgroundImageCellTest, ThePictureIsDrawnOnWhiteAtTheOpacity) {
  const CSImage picture = CSImage::initWithData(PngData(20, 20));
  ASSERT_FALSE(picture.isNull());
  QImage canvas(36, 36, QImage::Format_ARGB32);
  canvas.fill(Qt::transparent);
  {
    QPainter painter(&canvas);
    DRBackgroundImageCell::drawInteriorWithFrame(&painter, QRectF(0, 0, 36, 36), picture, 0.5);
  }
  EXPECT_EQ(canvas.pixel(2, 2), QColor(Qt::transparent).rgba()) << "the margin is left alone";
  const QColor inside = canvas.pixelColor(18, 18);
  EXPECT_EQ(inside.alpha(), 255) << "erased to white under the picture";
  EXPECT_EQ(inside.red(), 255);
  EXPECT_NEAR(inside.green(), 128, 2);
  EXPECT_NEAR(inside.blue(), 128, 2);
}

}  // namespace

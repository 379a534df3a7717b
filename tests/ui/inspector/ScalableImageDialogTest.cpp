// The scalable-image dialog on PDFs written here: the factor's limits per
// page, typing a percent, a width or a height, the stored factor (and bad
// stored values), OK and Cancel through the modal run, files that give no
// picture, and a page too large to scale up.

#include <cmath>

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "../shell/ShellTestSupport.h"
#include "ImageCompare.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/FakeHelpViewer.h"
#include "ui/inspector/DRScalableImageDialog.h"

namespace {

// A PDF whose pages have the sizes (points), each filled with a colour.
bool WritePdf(const QString& path, const std::vector<QSizeF>& pages) {
  QPdfWriter writer(path);
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(pages.front(), QPageSize::Point));
  QPainter painter(&writer);
  if (!painter.isActive()) return false;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) {
      writer.setPageSize(QPageSize(pages[i], QPageSize::Point));
      if (!writer.newPage()) return false;
    }
    painter.fillRect(QRectF(QPointF(0, 0), pages[i]), i % 2 ? Qt::blue : Qt::green);
  }
  return painter.end();
}

class ScalableImageDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_TRUE(folder.isValid());
    twoPages = folder.filePath(QStringLiteral("two.pdf"));
    ASSERT_TRUE(WritePdf(twoPages, {QSizeF(8000, 2000), QSizeF(500, 500)}));
    square = folder.filePath(QStringLiteral("square.pdf"));
    ASSERT_TRUE(WritePdf(square, {QSizeF(500, 500)}));
    QSettings().remove(DRScalableImageDialog::kImageScaleKey);
  }

  static void type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
    emit field->editingFinished();
  }
  static qint64 storedScale() { return QSettings().value(DRScalableImageDialog::kImageScaleKey, -1).toLongLong(); }

  // Runs the modal dialog for the file; `act` gets it once it is up.
  static CSImage runModal(const QString& path, bool* canceled, std::function<void(DRScalableImageDialog*)> act) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<DRScalableImageDialog*>(QApplication::activeModalWidget());
      ran = dialog != nullptr;
      if (dialog) {
        act(dialog);
      } else if (QWidget* other = QApplication::activeModalWidget()) {
        other->close();
      }
    });
    CSImage image = DRScalableImageDialog::scalableImage(path, canceled);
    Spin();
    EXPECT_TRUE(ran || image.isNull());
    return image;
  }

  QTemporaryDir folder;
  QString twoPages;
  QString square;
};

TEST_F(ScalableImageDialogTest, EachPageHasItsOwnLimit) {
  DRScalableImageDialog dialog(twoPages);
  ASSERT_TRUE(dialog.isLoaded());
  EXPECT_EQ(dialog.pageCount(), 2u);
  EXPECT_EQ(dialog.pageIndex(), 1u);
  EXPECT_FALSE(dialog.pageSpinner()->isHidden());
  EXPECT_EQ(dialog.pageCountLabel()->text(), QStringLiteral("of 2"));
  EXPECT_EQ(dialog.trueSize(), QSizeF(8000, 2000));
  EXPECT_DOUBLE_EQ(dialog.maxScale(), 2.0);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("two.pdf"));

  EXPECT_EQ(dialog.pageSpinner()->maximum(), 2);

  // Page two, typed: the limit is recomputed and the stepper follows.
  type(dialog.pageField(), QStringLiteral("2"));
  EXPECT_EQ(dialog.pageIndex(), 2u);
  EXPECT_EQ(dialog.trueSize(), QSizeF(500, 500));
  EXPECT_DOUBLE_EQ(dialog.maxScale(), 32.0);
  EXPECT_EQ(dialog.pageSpinner()->value(), 2);
  ASSERT_FALSE(dialog.image().isNull());
  EXPECT_EQ(dialog.image().size(), QSizeF(500, 500));
  EXPECT_TRUE(ColorNear(dialog.image().renderedBitmap(QSize(500, 500)).pixel(250, 250), QColor(Qt::blue)));
}

TEST_F(ScalableImageDialogTest, TypedValuesSetTheFactorWithinItsLimits) {
  DRScalableImageDialog dialog(square);
  dialog.show();
  ASSERT_TRUE(dialog.isLoaded());
  // One page: no page controls.
  EXPECT_TRUE(dialog.pageSpinner()->isHidden());
  EXPECT_TRUE(dialog.pageField()->isHidden());
  struct Case {
    const char* what;
    int field;  // 0 scale, 1 width, 2 height
    QString text;
    double factor;
  };
  const Case cases[] = {
      {"200 %", 0, QStringLiteral("200"), 2.0},
      {"50 %: never below the own size", 0, QStringLiteral("50"), 1.0},
      {"a doubled width", 1, QStringLiteral("1000"), 2.0},
      {"a width of 0 changes nothing", 1, QStringLiteral("0"), 2.0},
      {"a tripled height", 2, QStringLiteral("1500"), 3.0},
      {"beyond the largest factor", 0, QStringLiteral("9000"), 32.0},
  };
  CSMeasureField* fields[] = {dialog.scaleField(), dialog.widthField(), dialog.heightField()};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    type(fields[c.field], c.text);
    EXPECT_DOUBLE_EQ(dialog.scale(), c.factor);
    EXPECT_EQ(dialog.size(), QSizeF(500 * c.factor, 500 * c.factor));
    EXPECT_EQ(dialog.image().size(), dialog.size());
    EXPECT_EQ(dialog.heightField()->measureValue(), MeasureUnit(500 * c.factor * kMeasurePerPoint));
    EXPECT_DOUBLE_EQ(dialog.scaleSlider()->doubleValue(), c.factor);
  }
}

TEST_F(ScalableImageDialogTest, TheSliderRendersWhenItIsLetGo) {
  DRScalableImageDialog dialog(square);
  dialog.show();
  dialog.scaleSlider()->setSliderDown(true);
  dialog.scaleSlider()->setDoubleValue(4);  // as a drag moves it
  EXPECT_DOUBLE_EQ(dialog.scale(), 4.0);
  EXPECT_EQ(dialog.widthField()->measureValue(), MeasureUnit(2000 * kMeasurePerPoint));
  EXPECT_TRUE(dialog.renderPending());
  EXPECT_EQ(dialog.image().size(), QSizeF(500, 500));
  dialog.scaleSlider()->setSliderDown(false);
  EXPECT_FALSE(dialog.renderPending());
  EXPECT_EQ(dialog.image().size(), QSizeF(2000, 2000));
}

TEST_F(ScalableImageDialogTest, TheStoredFactorIsReadWithinLimits) {
  struct Case {
    QVariant stored;
    double factor;
  };
  const Case cases[] = {
      {QVariant(), 1.0},           // absent
      {qint64(0), 1.0},            // 0 means 1
      {qint64(2500), 2.5},         //
      {qint64(500), 1.0},          // below the own size
      {qint64(-3000), 1.0},        // negative
      {qint64(100000), 10.0},      // beyond 16,000 points
  };
  // A strip, so that the largest factor renders few pixels.
  const QString strip = folder.filePath(QStringLiteral("strip.pdf"));
  ASSERT_TRUE(WritePdf(strip, {QSizeF(1600, 10)}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.toString().toStdString());
    if (c.stored.isValid()) {
      QSettings().setValue(DRScalableImageDialog::kImageScaleKey, c.stored);
    } else {
      QSettings().remove(DRScalableImageDialog::kImageScaleKey);
    }
    DRScalableImageDialog dialog(strip);
    EXPECT_DOUBLE_EQ(dialog.scale(), c.factor);
    EXPECT_EQ(dialog.image().size(), QSizeF(std::floor(1600 * c.factor), std::floor(10 * c.factor)));
  }
}

TEST_F(ScalableImageDialogTest, OkKeepsTheFactorAndCancelLeavesIt) {
  QSettings().setValue(DRScalableImageDialog::kImageScaleKey, qint64(1500));
  bool canceled = false;
  CSImage image = runModal(square, &canceled, [](DRScalableImageDialog* dialog) {
    dialog->scaleSlider()->setDoubleValue(3);
    dialog->cancel();
  });
  EXPECT_TRUE(canceled);
  EXPECT_TRUE(image.isNull());
  EXPECT_EQ(storedScale(), 1500);

  image = runModal(square, &canceled, [](DRScalableImageDialog* dialog) {
    dialog->scaleSlider()->setDoubleValue(2.5);
    dialog->ok();
  });
  EXPECT_FALSE(canceled);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSizeF(1250, 1250));
  EXPECT_EQ(storedScale(), 2500);

  FakeHelpViewer help;
  runModal(square, &canceled, [](DRScalableImageDialog* dialog) {
    dialog->giveHelp();
    dialog->reject();  // Escape
  });
  EXPECT_TRUE(canceled);
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0].first, DRScalableImageDialog::kHelpTopic);
}

TEST_F(ScalableImageDialogTest, FilesWithoutAPictureAnswerNothingWithoutAsking) {
  const QString junk = folder.filePath(QStringLiteral("junk.pdf"));
  QFile file(junk);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4 this is not a document");
  file.close();
  const QString eps = folder.filePath(QStringLiteral("picture.eps"));
  ASSERT_TRUE(QFile::copy(square, eps));
  for (const QString& path : {junk, eps, folder.filePath(QStringLiteral("missing.pdf"))}) {
    SCOPED_TRACE(path.toStdString());
    bool asked = false;
    bool canceled = true;
    const CSImage image = runModal(path, &canceled, [&](DRScalableImageDialog* dialog) {
      asked = true;
      dialog->cancel();
    });
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(canceled);
    EXPECT_FALSE(asked);
  }
}

TEST_F(ScalableImageDialogTest, APageTooLargeToScaleKeepsItsOwnSize) {
  const QString wide = folder.filePath(QStringLiteral("wide.pdf"));
  ASSERT_TRUE(WritePdf(wide, {QSizeF(20000, 100)}));
  QSettings().setValue(DRScalableImageDialog::kImageScaleKey, qint64(3000));
  DRScalableImageDialog dialog(wide);
  ASSERT_TRUE(dialog.isLoaded());
  EXPECT_DOUBLE_EQ(dialog.maxScale(), 1.0);
  EXPECT_DOUBLE_EQ(dialog.scale(), 1.0);
  EXPECT_FALSE(dialog.scaleField()->isEnabled());
  EXPECT_FALSE(dialog.scaleSlider()->isEnabled());
  EXPECT_FALSE(dialog.widthField()->isEnabled());
  EXPECT_EQ(dialog.instructionLabel()->text(), QStringLiteral("This image is scalable but it's too large to scale up."));
  DRScalableImageDialog small(square);
  EXPECT_EQ(small.instructionLabel()->text(),
            QStringLiteral("This image is scalable. Specify the size at which to import it."));
}

}  // namespace

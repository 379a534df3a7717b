// The stock-shape sheet: categories and their order from the shapes'
// notes, the stock look, the category kept between runs, inserting with
// the current tool settings, a missing or useless package, and the package
// the build ships beside the executable.

#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "DrawingSheetTest.h"
#include "model/DRElementEllipse.h"
#include "model/DRSettings.h"
#include "ui/EventDriver.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRShapeDialog.h"

namespace {

struct Shape {
  int32_t type;  // rectangle or ellipse
  QString notes;
  double width;
  double height;
};

// Writes a drawing package of the shapes.
bool WritePackage(const QString& path, const std::vector<Shape>& shapes) {
  DRDrawing drawing;
  drawing.setCreatePreview(false);
  double x = 10;
  for (const Shape& shape : shapes) {
    std::unique_ptr<DRElement> element;
    if (shape.type == kElementEllipse) {
      element = std::make_unique<DRElementEllipse>();
    } else {
      element = std::make_unique<DRElementRectangle>();
    }
    element->setFrame(PtRect(x, 10, shape.width, shape.height));
    element->setOriginalSize(CSPoint{Pt(shape.width), Pt(shape.height)});
    element->setNotes(shape.notes);
    drawing.elements().push_back(std::move(element));
    x += 80;
  }
  CSError error;
  return drawing.saveCore(path, false, &error);
}

int OpaquePixels(const CSImage& image) {
  const QImage bitmap = image.renderedBitmap(QSize(100, 100));
  int count = 0;
  for (int y = 0; y < bitmap.height(); ++y) {
    for (int x = 0; x < bitmap.width(); ++x) count += qAlpha(bitmap.pixel(x, y)) > 0;
  }
  return count;
}

class StockShapeDialogTest : public DrawingSheetTest {
 protected:
  void SetUp() override {
    DrawingSheetTest::SetUp();
    ASSERT_TRUE(folder.isValid());
    DRShapeDialog::resetStockShapes();
    DRShapeDialog::setBeepFunction([this] { ++beeps; });
  }
  void TearDown() override {
    DrawingSheetTest::TearDown();
    DRShapeDialog::resetStockShapes();
    DRShapeDialog::setStockShapesPath(QString());
    DRShapeDialog::setBeepFunction(nullptr);
  }

  // The package with two "Lines" shapes (3 before 1 in the file), a shape
  // without a category and two categories that sort around it by case.
  void useFixture() {
    const QString path = folder.filePath(QStringLiteral("Fixture.TWdraw"));
    ASSERT_TRUE(WritePackage(path, {{kElementEllipse, QStringLiteral("Lines-3"), 50, 40},
                                    {kElementRectangle, QStringLiteral("Junk"), 30, 30},
                                    {kElementRectangle, QStringLiteral("Lines-1"), 30, 20},
                                    {kElementRectangle, QStringLiteral("basic-1"), 20, 20},
                                    {kElementRectangle, QStringLiteral("Arcs-1"), 20, 20}}));
    DRShapeDialog::setStockShapesPath(path);
  }
  DRShapeDialog* open() {
    DRShapeDialog* sheet = DRShapeDialog::runSheetForWindow(controller);
    settle();
    return sheet ? shownSheet<DRShapeDialog>() : nullptr;
  }
  int segmentOf(const QString& name) const { return int(DRShapeDialog::categoryNames().indexOf(name)); }

  QTemporaryDir folder;
  int beeps = 0;
};

TEST_F(StockShapeDialogTest, CategoriesComeFromTheNotesInOrder) {
  useFixture();
  ASSERT_TRUE(DRShapeDialog::loadStockShapes());
  EXPECT_EQ(DRShapeDialog::categoryNames(),
            (QStringList{QStringLiteral("Arcs"), QStringLiteral("basic"), QStringLiteral("Lines")}));

  DRShapeDialog* sheet = open();
  ASSERT_NE(sheet, nullptr);
  const int lines = segmentOf(QStringLiteral("Lines"));
  sheet->changeCategory(lines);
  CSPictureCollection* list = sheet->shapeList();
  ASSERT_EQ(list->pictureCount(), 2);  // "Junk" is not shown
  // Ordered by the number after the hyphen: 1 (the rectangle), then 3.
  EXPECT_EQ(list->selectedIndexes(), std::set<int64_t>{0});
  ASSERT_NE(sheet->currentElement(), nullptr);
  EXPECT_EQ(sheet->currentElement()->elementType(), kElementRectangle);
  sheet->selectElement(1);
  EXPECT_EQ(sheet->currentElement()->elementType(), kElementEllipse);

  // Shown in the stock look, whatever the file said.
  const DRElementClosed* shown = sheet->currentElement();
  ASSERT_TRUE(shown->gradient().has_value());
  EXPECT_EQ(shown->gradient()->kolorAtStopIndex(0), DRShapeDialog::kStockGradientStart);
  EXPECT_EQ(shown->gradient()->kolorAtStopIndex(1), DRShapeDialog::kStockGradientEnd);
  EXPECT_EQ(shown->fillKolor(), g_nilKolor);
  ASSERT_TRUE(shown->lineInfo().has_value());
  EXPECT_EQ(shown->lineInfo()->kolor(), g_blackKolor);
  EXPECT_EQ(shown->lineInfo()->width(), DRShapeDialog::kStockLineWidth);
  EXPECT_GT(OpaquePixels(list->dragPicture(1)), 0);
}

TEST_F(StockShapeDialogTest, TheLastCategoryIsChosenAgain) {
  useFixture();
  DRShapeDialog* sheet = open();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->categoryControl()->segmentCount(), 3);
  EXPECT_EQ(sheet->categoryControl()->selectedSegment(), 0);
  const int lines = segmentOf(QStringLiteral("Lines"));
  sheet->categoryControl()->segmentButton(lines)->click();
  EXPECT_EQ(DRShapeDialog::currentCategory(), lines);
  sheet->cancelButton()->click();
  settle();
  ASSERT_EQ(shownSheet<DRShapeDialog>(), nullptr);

  sheet = open();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->categoryControl()->selectedSegment(), lines);
  EXPECT_EQ(sheet->categoryControl()->label(lines), QStringLiteral("Lines"));
  EXPECT_EQ(sheet->shapeList()->pictureCount(), 2);
  sheet->helpButton()->click();
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown[0].first, DRShapeDialog::kHelpTopic);
  EXPECT_NE(shownSheet<DRShapeDialog>(), nullptr);  // help leaves it open
}

TEST_F(StockShapeDialogTest, ADoubleClickInsertsTheShapeWithTheCurrentStyle) {
  useFixture();
  DRSettings& tools = DRSettings::sharedInstance();
  tools.setFillKolor(0x64FF0000);
  DRLineInfo line = tools.lineInfo();
  line.setWidth(Pt(3));
  line.setKolorWithoutRegistering(0x640000FF);
  tools.setLineInfo(line);

  DRShapeDialog* sheet = open();
  ASSERT_NE(sheet, nullptr);
  sheet->categoryControl()->segmentButton(segmentOf(QStringLiteral("Lines")))->click();
  CSPictureCollection* list = sheet->shapeList();
  EventDriver mouse(list);
  const QPointF ellipse = list->rectForPicture(1).center();
  mouse.click(ellipse);
  mouse.doubleClick(ellipse);
  mouse.release(ellipse);
  settle();
  EXPECT_EQ(shownSheet<DRShapeDialog>(), nullptr);

  ASSERT_EQ(drawing()->elements().size(), 1u);
  auto* inserted = dynamic_cast<DRElementClosed*>(element(0));
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(inserted->elementType(), kElementEllipse);
  EXPECT_EQ(inserted->fillKolor(), 0x64FF0000u);
  EXPECT_FALSE(inserted->gradient().has_value());
  ASSERT_TRUE(inserted->lineInfo().has_value());
  EXPECT_EQ(inserted->lineInfo()->width(), Pt(3));
  EXPECT_EQ(inserted->lineInfo()->kolor(), 0x640000FFu);
  EXPECT_TRUE(inserted->notes().isEmpty());
  EXPECT_TRUE(inserted->isConstrained());
  // The stock shapes themselves keep their look.
  sheet = open();
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(sheet->currentElement()->gradient().has_value());
  sheet->cancelButton()->click();
  settle();
  // One paste, undone in one step.
  ASSERT_TRUE(undo().isUndoAvailable());
  undo().undo();
  EXPECT_TRUE(drawing()->elements().empty());
}

TEST_F(StockShapeDialogTest, WithoutUsableShapesTheSheetBeepsAndStaysClosed) {
  const QString onlyJunk = folder.filePath(QStringLiteral("Junk.TWdraw"));
  ASSERT_TRUE(WritePackage(onlyJunk, {{kElementRectangle, QStringLiteral("Junk"), 30, 30}}));
  const QString notAPackage = folder.filePath(QStringLiteral("Broken.TWdraw"));
  ASSERT_TRUE(QDir().mkpath(notAPackage));
  const QString paths[] = {folder.filePath(QStringLiteral("Missing.TWdraw")), onlyJunk, notAPackage};
  int expectedBeeps = 0;
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    DRShapeDialog::resetStockShapes();
    DRShapeDialog::setStockShapesPath(path);
    EXPECT_EQ(DRShapeDialog::runSheetForWindow(controller), nullptr);
    settle();
    EXPECT_EQ(beeps, ++expectedBeeps);
    EXPECT_EQ(shownSheet<DRShapeDialog>(), nullptr);
  }
  CSRecordingAlertPresenter::shared().clear();
}

// The package is found beside the program (a build folder) before
// ../share/twdraw (an installed tree).
TEST(StockShapesPath, BesideTheProgramThenInTheInstalledShareFolder) {
  const struct {
    bool beside;
    bool installed;
    const char* expected;  // relative to the temporary folder
  } cases[] = {
      {true, true, "bin/Stock Shapes.TWdraw"},
      {false, true, "share/twdraw/Stock Shapes.TWdraw"},
      {true, false, "bin/Stock Shapes.TWdraw"},
      {false, false, "bin/Stock Shapes.TWdraw"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    QTemporaryDir root;
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
    if (c.beside) ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("bin/Stock Shapes.TWdraw"))));
    if (c.installed) ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("share/twdraw/Stock Shapes.TWdraw"))));
    EXPECT_EQ(DRShapeDialog::stockShapesPathFor(root.filePath(QStringLiteral("bin"))),
              root.filePath(QString::fromLatin1(c.expected)));
  }
}

TEST_F(StockShapeDialogTest, TheShippedPackageLoadsThroughTheModel) {
  DRShapeDialog::setStockShapesPath(QStringLiteral(TWDRAW_BINARY_DIR "/") + DRShapeDialog::stockShapesName());
  ASSERT_TRUE(DRShapeDialog::loadStockShapes()) << DRShapeDialog::stockShapesPath().toStdString();
  const QStringList names = DRShapeDialog::categoryNames();
  ASSERT_FALSE(names.isEmpty());
  DRShapeDialog* sheet = open();
  ASSERT_NE(sheet, nullptr);
  for (int i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i].toStdString());
    sheet->changeCategory(i);
    CSPictureCollection* list = sheet->shapeList();
    ASSERT_GT(list->pictureCount(), 0);
    for (int64_t shape = 0; shape < list->pictureCount(); ++shape) EXPECT_GT(OpaquePixels(list->dragPicture(shape)), 0);
  }
}

}  // namespace

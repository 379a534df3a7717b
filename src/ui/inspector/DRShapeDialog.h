#pragma once
// The stock-shape sheet: ready-made shapes from the "Stock Shapes" drawing
// shipped beside the application, grouped into categories (a segmented
// control) and shown in a picture collection. OK pastes a copy of the
// chosen shape, styled with the current tool settings, into the drawing.
// The shapes are loaded once per process; the chosen category is kept
// between runs.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/DRGradient.h"
#include "support/CSImage.h"
#include "ui/inspector/CSPictureCollection.h"
#include "ui/inspector/DRSheetController.h"

class CSSegmentedControl;
class DRElement;
class DRElementClosed;

class DRShapeDialog : public DRSheetController, public CSPictureCollectionDelegate {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 71;
  static constexpr double kPictureSize = 100;
  // The shapes' display look.
  static constexpr Kolor kStockGradientStart = 0x64C80F0D;
  static constexpr Kolor kStockGradientEnd = 0x64FFC1C0;
  static constexpr MeasureUnit kStockLineWidth = 6350;

  // The package's name beside the executable.
  static QString stockShapesName();  // "Stock Shapes.TWdraw"

  // Opens the sheet on the window; null, after a beep, when the stock
  // shapes cannot be had (and nothing when the window cannot show it).
  static DRShapeDialog* runSheetForWindow(DREditorWindowHost* drawController);

  // ---- The class-wide shapes ----
  // Loads the stock shapes once; false when there is no file, it does not
  // load, or it holds no categorised closed shape.
  static bool loadStockShapes();
  // The category names in their shown order.
  static QStringList categoryNames();
  static int64_t currentCategory();
  // The shapes of a category in their order (owned by the class; valid
  // until resetStockShapes); none for an index out of range.
  static std::vector<DRElementClosed*> shapesInCategory(int64_t category);
  // Where the shapes are read from: stockShapesPathFor the executable's
  // folder unless a path is set (an empty path restores that).
  static QString stockShapesPath();
  // The package beside the program (a build folder) or, when there is none,
  // in ../share/twdraw from it (an installed tree: PREFIX/bin and
  // PREFIX/share/twdraw); the path beside the program when neither exists.
  static QString stockShapesPathFor(const QString& programFolder);
  static void setStockShapesPath(const QString& path);
  // Forgets the loaded shapes and the chosen category.
  static void resetStockShapes();
  // The sound of a sheet that cannot open. Null restores the platform's.
  static void setBeepFunction(std::function<void()> function);

  ~DRShapeDialog() override;

  CSSegmentedControl* categoryControl() const { return m_categoryControl; }
  CSPictureCollection* shapeList() const { return m_shapeList; }
  const DRElementClosed* currentElement() const { return m_currentElement.get(); }

  void changeCategory(int segment);
  void selectElement(int64_t index);

  // ---- CSPictureCollectionDelegate ----
  int64_t numberOfPicturesInCollection(CSPictureCollection* collection) override;
  CSImage pictureCollectionPictureAtIndex(CSPictureCollection* collection, int64_t index) override;
  double pictureCollectionImageSize(CSPictureCollection* collection) override;
  void pictureCollectionSelectionChanged(CSPictureCollection* collection) override;
  void pictureCollectionDoubleClick(CSPictureCollection* collection) override;

  // The sample of a shape as the collection shows it.
  static CSImage sampleForShape(DRElementClosed* shape);

 protected:
  explicit DRShapeDialog(DREditorWindowHost* drawController);
  void apply(bool reset) override;

 private:
  friend class DRSheetController;

  void awakeFromNib();
  std::vector<DRElementClosed*> currentShapes() const;

  CSSegmentedControl* m_categoryControl = nullptr;
  CSPictureCollection* m_shapeList = nullptr;
  std::unique_ptr<DRElementClosed> m_currentElement;
  // The samples of the current category, made when first drawn.
  std::vector<std::optional<CSImage>> m_samples;
};

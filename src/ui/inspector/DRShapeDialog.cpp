#include "ui/inspector/DRShapeDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "model/DRDrawing.h"
#include "model/DRElementClosed.h"
#include "model/DRLineInfo.h"
#include "model/DRSettings.h"
#include "support/ImageFunctions.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/inspector/CSSegmentedControl.h"

namespace {

struct StockCategory {
  QString name;
  std::vector<std::unique_ptr<DRElementClosed>> shapes;
};

struct StockShapes {
  bool loaded = false;
  std::vector<StockCategory> categories;
  int64_t currentCategory = 0;
  QString path;  // empty: beside the executable
  std::function<void()> beep;
};

StockShapes& Stock() {
  static StockShapes stock;
  return stock;
}

void Beep() {
  if (Stock().beep) {
    Stock().beep();
  } else {
    QApplication::beep();
  }
}

DRGradient StockGradient() {
  DRGradient gradient;
  gradient.setKolor(DRShapeDialog::kStockGradientStart, 0);
  gradient.setKolor(DRShapeDialog::kStockGradientEnd, 1);
  return gradient;
}

// The shapes of a drawing grouped by the category their notes name
// ("category-order"); elements without a hyphen or that are not closed
// shapes are left out.
std::vector<StockCategory> CategoriesOfDrawing(DRDrawing& drawing) {
  std::vector<StockCategory> categories;
  const DRGradient gradient = StockGradient();
  for (std::unique_ptr<DRElement>& element : drawing.elements()) {
    const QStringList parts = element->notes().split(QLatin1Char('-'));
    if (parts.size() < 2) continue;
    auto* closed = dynamic_cast<DRElementClosed*>(element.get());
    if (!closed) continue;
    auto found = std::find_if(categories.begin(), categories.end(),
                              [&](const StockCategory& category) { return category.name == parts[0]; });
    if (found == categories.end()) {
      categories.push_back(StockCategory{parts[0], {}});
      found = categories.end() - 1;
    }
    bool ok = false;
    const qulonglong order = parts[1].trimmed().toULongLong(&ok);
    closed->setSortIndex(ok ? order : 0);
    closed->setGradient(gradient);
    closed->setFillKolor(g_nilKolor);
    DRLineInfo line = closed->lineInfo().value_or(DRLineInfo());
    line.setKolorWithoutRegistering(g_blackKolor);
    line.setWidth(DRShapeDialog::kStockLineWidth);
    closed->setLineInfo(line);
    element.release();
    found->shapes.emplace_back(closed);
  }
  std::stable_sort(categories.begin(), categories.end(), [](const StockCategory& a, const StockCategory& b) {
    return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
  });
  for (StockCategory& category : categories) {
    std::stable_sort(category.shapes.begin(), category.shapes.end(),
                     [](const auto& a, const auto& b) { return a->sortIndex() < b->sortIndex(); });
  }
  return categories;
}

}  // namespace

// ---- Class-wide shapes ----------------------------------------------------------

QString DRShapeDialog::stockShapesName() {
  return QStringLiteral("Stock Shapes.") + g_drawingExtension;
}

QString DRShapeDialog::stockShapesPath() {
  if (!Stock().path.isEmpty()) return Stock().path;
  return stockShapesPathFor(QCoreApplication::applicationDirPath());
}

QString DRShapeDialog::stockShapesPathFor(const QString& programFolder) {
  const QDir folder(programFolder);
  const QString beside = folder.filePath(stockShapesName());
  if (QFileInfo::exists(beside)) return beside;
  const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral("../share/twdraw/") + stockShapesName()));
  return QFileInfo::exists(installed) ? installed : beside;
}

void DRShapeDialog::setStockShapesPath(const QString& path) {
  Stock().path = path;
}

void DRShapeDialog::resetStockShapes() {
  Stock().loaded = false;
  Stock().categories.clear();
  Stock().currentCategory = 0;
}

void DRShapeDialog::setBeepFunction(std::function<void()> function) {
  Stock().beep = std::move(function);
}

bool DRShapeDialog::loadStockShapes() {
  StockShapes& stock = Stock();
  if (stock.loaded) return true;
  const QString path = stockShapesPath();
  // A missing package is no error to report: the sheet just does not open.
  if (!QFileInfo::exists(path)) return false;
  auto drawing = std::make_unique<DRDrawing>();
  if (!drawing->loadNativeFile(path)) return false;
  std::vector<StockCategory> categories = CategoriesOfDrawing(*drawing);
  if (categories.empty()) return false;
  stock.categories = std::move(categories);
  stock.currentCategory = std::clamp<int64_t>(stock.currentCategory, 0, int64_t(stock.categories.size()) - 1);
  stock.loaded = true;
  return true;
}

QStringList DRShapeDialog::categoryNames() {
  QStringList names;
  for (const StockCategory& category : Stock().categories) names << category.name;
  return names;
}

int64_t DRShapeDialog::currentCategory() {
  return Stock().currentCategory;
}

DRShapeDialog* DRShapeDialog::runSheetForWindow(DREditorWindowHost* drawController) {
  if (!loadStockShapes()) {
    Beep();
    return nullptr;
  }
  return runSheet<DRShapeDialog>(drawController);
}

// ---- The sheet ------------------------------------------------------------------

DRShapeDialog::DRShapeDialog(DREditorWindowHost* drawController) : DRSheetController(drawController, kHelpTopic) {
  setWindowTitle(tr("Insert Shape"));
  auto* layout = new QVBoxLayout(this);
  m_categoryControl = new CSSegmentedControl(this);
  m_categoryControl->setTrackingMode(CSSegmentedControl::TrackingMode::kSelectOne);
  layout->addWidget(m_categoryControl, 0, Qt::AlignHCenter);
  m_shapeList = new CSPictureCollection;
  QScrollArea* area = m_shapeList->placeInScrollArea(this);
  area->setMinimumSize(4 * int(kPictureSize + CSPictureCollection::kGap) + 2 +
                           style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2,
                       int(2.5 * (kPictureSize + CSPictureCollection::kGap)));
  layout->addWidget(area, 1);
  addButtonRow(layout);
  connect(m_categoryControl, &CSSegmentedControl::activated, this, &DRShapeDialog::changeCategory);
  resize(sizeHint());
  m_shapeList->setDelegate(this);
  awakeFromNib();
  m_shapeList->setFocus();
}

DRShapeDialog::~DRShapeDialog() {
  // The collection may still paint or ask while it goes.
  if (m_shapeList) m_shapeList->setDelegate(nullptr);
}

void DRShapeDialog::awakeFromNib() {
  const StockShapes& stock = Stock();
  m_categoryControl->setSegmentCount(int(stock.categories.size()));
  for (size_t i = 0; i < stock.categories.size(); ++i) m_categoryControl->setLabel(stock.categories[i].name, int(i));
  m_categoryControl->setSelectedSegment(int(stock.currentCategory));
  m_samples.assign(currentShapes().size(), std::nullopt);
  m_shapeList->reloadData();
  selectElement(0);
}

std::vector<DRElementClosed*> DRShapeDialog::shapesInCategory(int64_t category) {
  std::vector<DRElementClosed*> shapes;
  const StockShapes& stock = Stock();
  if (category < 0 || category >= int64_t(stock.categories.size())) return shapes;
  for (const auto& shape : stock.categories[size_t(category)].shapes) shapes.push_back(shape.get());
  return shapes;
}

std::vector<DRElementClosed*> DRShapeDialog::currentShapes() const {
  return shapesInCategory(Stock().currentCategory);
}

void DRShapeDialog::changeCategory(int segment) {
  if (segment < 0 || segment >= int(Stock().categories.size())) return;
  Stock().currentCategory = segment;
  m_samples.assign(currentShapes().size(), std::nullopt);
  m_shapeList->reloadData();
  selectElement(0);
}

void DRShapeDialog::selectElement(int64_t index) {
  const std::vector<DRElementClosed*> shapes = currentShapes();
  if (index < 0 || index >= int64_t(shapes.size())) return;
  std::unique_ptr<DRElement> copy = shapes[size_t(index)]->copy();
  if (auto* closed = dynamic_cast<DRElementClosed*>(copy.get())) {
    copy.release();
    m_currentElement.reset(closed);
  }
}

void DRShapeDialog::apply(bool reset) {
  (void)reset;
  if (m_currentElement) {
    auto* drawVC = dynamic_cast<DRDrawVC*>(currentVC());
    if (drawVC && drawVC->view()) {
      std::unique_ptr<DRElementClosed> shape(static_cast<DRElementClosed*>(m_currentElement->copy().release()));
      DRSettings& settings = DRSettings::sharedInstance();
      shape->setGradient(std::nullopt);
      shape->setLineInfo(settings.lineInfo());
      shape->setFillKolor(settings.fillKolor());
      shape->setNotes(QString());
      shape->setConstrained(true);
      const CSRect frame = shape->frame();
      DRElementList elements;
      elements.push_back(std::move(shape));
      drawVC->view()->pasteElements(std::move(elements), QPointF(-1, -1), frame);
    }
  }
  finish();
}

// ---- Collection delegate --------------------------------------------------------

int64_t DRShapeDialog::numberOfPicturesInCollection(CSPictureCollection* collection) {
  (void)collection;
  return int64_t(currentShapes().size());
}

CSImage DRShapeDialog::sampleForShape(DRElementClosed* shape) {
  CSImage image = CSImage::initWithSize(QSizeF(kPictureSize, kPictureSize));
  if (image.isNull() || !shape) return {};
  if (!LockImageFocus(&image)) return {};
  // The image's painter is already y-down, as the drawing is.
  shape->drawSampleInRect(QRectF(0, 0, kPictureSize, kPictureSize));
  UnlockImageFocus(&image);
  return image;
}

CSImage DRShapeDialog::pictureCollectionPictureAtIndex(CSPictureCollection* collection, int64_t index) {
  (void)collection;
  const std::vector<DRElementClosed*> shapes = currentShapes();
  if (index < 0 || index >= int64_t(shapes.size())) return {};
  if (m_samples.size() != shapes.size()) m_samples.assign(shapes.size(), std::nullopt);
  std::optional<CSImage>& sample = m_samples[size_t(index)];
  if (!sample) sample = sampleForShape(shapes[size_t(index)]);
  return *sample;
}

double DRShapeDialog::pictureCollectionImageSize(CSPictureCollection* collection) {
  (void)collection;
  return kPictureSize;
}

void DRShapeDialog::pictureCollectionSelectionChanged(CSPictureCollection* collection) {
  const std::set<int64_t> selection = collection->selectedIndexes();
  if (!selection.empty()) selectElement(*selection.begin());
}

void DRShapeDialog::pictureCollectionDoubleClick(CSPictureCollection* collection) {
  (void)collection;
  handleOK();
}

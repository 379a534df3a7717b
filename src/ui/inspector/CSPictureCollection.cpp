#include "ui/inspector/CSPictureCollection.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <exception>

#include "support/CSCore.h"
#include "support/GraphicsHelpers.h"
#include "support/ImageSaving.h"
#include "support/Kolor.h"
#include "support/widgets/CSDragPasteboard.h"
#include "support/widgets/DragItem.h"
#include "ui/editor/DRClipboardServices.h"

namespace {

CSPictureCollection* s_dragSource = nullptr;

const QString kFileNamesType = QStringLiteral("text/uri-list");
constexpr Kolor kExternalDragKolor = 0x6493FFFF;

}  // namespace

CSPictureCollection::CSPictureCollection(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  setFocusPolicy(Qt::StrongFocus);
  m_dragStartTimer = new QTimer(this);
  m_dragStartTimer->setSingleShot(true);
  m_dragStartTimer->setInterval(kDragDelayMs);
  connect(m_dragStartTimer, &QTimer::timeout, this, &CSPictureCollection::startExternalDrag);
}

CSPictureCollection::~CSPictureCollection() {
  if (s_dragSource == this) s_dragSource = nullptr;
}

QScrollArea* CSPictureCollection::placeInScrollArea(QWidget* parent) {
  auto* area = new QScrollArea(parent);
  area->setWidgetResizable(false);
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setFocusPolicy(Qt::NoFocus);
  area->setWidget(this);
  area->installEventFilter(this);
  return area;
}

QScrollArea* CSPictureCollection::scrollArea() const {
  QWidget* viewport = parentWidget();
  return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

void CSPictureCollection::setDelegate(CSPictureCollectionDelegate* delegate) {
  m_delegate = delegate;
  m_mutable = delegate && delegate->answersAddPictures() && delegate->pictureCollectionIsMutable(this);
  m_allowMultiple = delegate && delegate->pictureCollectionAllowsMultipleSelection(this);
  m_requireEmptyLastCell = m_mutable && delegate->pictureCollectionRequireEmptyLastCell(this);
  m_dragTypes.clear();
  if (m_mutable) {
    m_dragTypes = ClipboardServices().PasteboardImageTypes();
    m_dragTypes << kFileNamesType;
  }
  setAcceptDrops(m_mutable);
}

// ---- Geometry -------------------------------------------------------------------

double CSPictureCollection::usableWidth() const {
  QScrollArea* area = scrollArea();
  if (!area) return width();
  return area->width() - 2 - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area->verticalScrollBar());
}

double CSPictureCollection::pictureSize() const {
  return m_pictureSize;
}

int64_t CSPictureCollection::rowCount(int64_t columns) const {
  int64_t rows = (m_count + columns - 1) / columns;
  if (m_requireEmptyLastCell && m_count == rows * columns) ++rows;
  return rows;
}

QSize CSPictureCollection::gridSize(QSizeF* cellSize) const {
  const double s = m_pictureSize;
  const int64_t columns = std::max<int64_t>(1, int64_t(std::floor(usableWidth() / (s + kGap))));
  const int64_t rows = rowCount(columns);
  if (cellSize) {
    const double cellWidth = std::floor((width() - kGap * double(columns)) / double(columns));
    *cellSize = QSizeF(std::max(0.0, cellWidth), s);
  }
  return QSize(int(std::min<int64_t>(columns, INT32_MAX)), int(std::min<int64_t>(rows, INT32_MAX)));
}

QRectF CSPictureCollection::rectForPicture(int64_t index) const {
  QSizeF cell;
  const int64_t columns = gridSize(&cell).width();
  return QRectF((cell.width() + kGap) * double(index % columns) + kMargin,
                (cell.height() + kGap) * double(index / columns) + kMargin, cell.width(), cell.height());
}

int64_t CSPictureCollection::indexForPoint(QPointF point) const {
  if (point.x() < 0 || point.y() < 0) return -1;
  QSizeF cell;
  const int64_t columns = gridSize(&cell).width();
  const int64_t column = std::min<int64_t>(int64_t(point.x() / (cell.width() + kGap)), columns - 1);
  const int64_t row = int64_t(point.y() / (cell.height() + kGap));
  const int64_t index = row * columns + column;
  return index < m_count ? index : -1;
}

QRectF CSPictureCollection::visibleArea() const {
  QScrollArea* area = scrollArea();
  if (!area) return QRectF(rect());
  const QSize viewport = area->viewport()->size();
  return QRectF(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value(), viewport.width(),
                viewport.height());
}

void CSPictureCollection::reloadData(bool liveResize) {
  m_canBadgeImage = m_delegate && m_delegate->answersBadges();
  m_count = m_delegate ? std::max<int64_t>(0, m_delegate->numberOfPicturesInCollection(this)) : 0;
  const double size = m_delegate ? m_delegate->pictureCollectionImageSize(this) : 0;
  m_pictureSize = size > 0 && std::isfinite(size) ? size : kDefaultPictureSize;

  const double usable = std::max(1.0, usableWidth());
  const int64_t columns = std::max<int64_t>(1, int64_t(std::floor(usable / (m_pictureSize + kGap))));
  const int64_t rows = rowCount(columns);
  const float gridHeight = float(m_pictureSize + kGap) * float(rows) + 1.0f;
  const double visibleHeight = scrollArea() ? scrollArea()->viewport()->height() : 0;
  const double height = std::min(double(QWIDGETSIZE_MAX), std::max(visibleHeight, double(gridHeight)));
  resize(int(usable), int(std::ceil(height)));

  if (!liveResize) {
    m_selection.clear();
    if (rows - 1 + (m_requireEmptyLastCell ? 0 : 1) > 0 && m_count > 0) {
      m_selection.insert(0);
      ensureSelectionVisible();
    }
  }
  update();
}

bool CSPictureCollection::eventFilter(QObject* object, QEvent* event) {
  // The scroll area resized: the columns follow, the selection stays.
  if (object == scrollArea() && event->type() == QEvent::Resize) reloadData(true);
  return QWidget::eventFilter(object, event);
}

// ---- Selection ------------------------------------------------------------------

void CSPictureCollection::selectIndex(int64_t index) {
  if (index < 0 || index >= m_count) return;
  m_selection = {index};
  ensureSelectionVisible();
  update();
  if (m_delegate) m_delegate->pictureCollectionSelectionChanged(this);
}

void CSPictureCollection::selectIndexes(const std::set<int64_t>& indexes) {
  std::set<int64_t> valid;
  for (int64_t index : indexes) {
    if (index >= 0 && index < m_count) valid.insert(index);
  }
  m_selection.clear();
  if (indexes.empty()) {
    if (m_count > 0) m_selection.insert(0);
  } else if (m_allowMultiple) {
    m_selection = valid;
  } else if (!valid.empty()) {
    m_selection.insert(*valid.begin());
  }
  update();
  ensureSelectionVisible();
}

void CSPictureCollection::extendSelectionFrom(int64_t from, int64_t to) {
  for (int64_t index = std::max<int64_t>(0, from); index < std::min(to, m_count); ++index) {
    if (!m_selection.erase(index)) m_selection.insert(index);
  }
  if (m_firstClick >= 0) m_selection.insert(m_firstClick);
  update();
  ensureSelectionVisible();
}

void CSPictureCollection::setSelectionRange(int64_t from, int64_t to) {
  m_selection.clear();
  for (int64_t index = std::max<int64_t>(0, std::min(from, to)); index < std::min(std::max(from, to), m_count);
       ++index)
    m_selection.insert(index);
}

void CSPictureCollection::invalidatePicture(int64_t index) {
  update(rectForPicture(index).adjusted(-kMargin, -kMargin, kMargin, kMargin).toAlignedRect());
}

void CSPictureCollection::ensureSelectionVisible() {
  QScrollArea* area = scrollArea();
  if (m_selection.empty() || !area) return;
  const QRectF visible = visibleArea();
  for (int64_t index : m_selection) {
    if (visible.contains(rectForPicture(index))) return;
  }
  const QRectF first = rectForPicture(*m_selection.begin()).adjusted(-kMargin, -kMargin, kMargin, kMargin);
  double y = 0;
  if (first.bottom() > visible.height()) {
    const double k = std::floor((std::floor(visible.height() / first.height()) - 1) / 2);
    y = std::min(first.top() - std::max(0.0, k) * first.height(), height() - visible.height());
  }
  area->verticalScrollBar()->setValue(int(std::max(0.0, y)));
}

// ---- Drawing --------------------------------------------------------------------

void CSPictureCollection::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRectF dirty = event->rect();
  QColor background = g_darkMode ? GrayColor(4) : GrayColor(1);
  if (m_externalDragging) background = ColorFromKolor(kExternalDragKolor);
  painter.fillRect(dirty, background);

  const int64_t start = indexForPoint(dirty.topLeft());
  if (start < 0 || !m_delegate) return;
  const QColor selectedColor = palette().color(QPalette::Active, QPalette::Highlight);
  const double rightEdge = width() - kMargin;
  QSizeF cell;
  const int64_t columns = gridSize(&cell).width();
  for (int64_t index = start; index < m_count; ++index) {
    QRectF cellRect = rectForPicture(index);
    if (cellRect.top() > dirty.bottom() + kMargin) break;
    if (index % columns == columns - 1) cellRect.setRight(std::max(cellRect.right(), rightEdge));
    const QRectF grown = cellRect.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    if (!grown.intersects(dirty)) continue;
    const bool selected = m_selection.count(index) != 0;
    if (selected) painter.fillRect(grown, selectedColor);
    const CSImage picture = m_delegate->pictureCollectionPictureAtIndex(this, index);
    if (picture.isNull()) continue;
    const QSizeF size = picture.size();
    if (size.isEmpty()) continue;
    QRectF drawn(QPointF(0, 0), size);
    CenterRectangle(&drawn, cellRect);
    painter.setOpacity(selected ? 0.9 : 1.0);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    picture.drawInRectNormally(&painter, drawn);
    if (m_canBadgeImage) {
      const CSImage badge = m_delegate->pictureCollectionBadgeForPictureAtIndex(this, index);
      if (!badge.isNull()) {
        const QSizeF badgeSize = badge.size();
        badge.drawInRectNormally(&painter, QRectF(drawn.right() - badgeSize.width(),
                                                  drawn.bottom() - badgeSize.height(), badgeSize.width(),
                                                  badgeSize.height()));
      }
    }
    painter.setOpacity(1.0);
  }
}

void CSPictureCollection::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (QScrollArea* area = scrollArea()) area->update();
  update();
}

void CSPictureCollection::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  if (QScrollArea* area = scrollArea()) area->update();
  update();
}

// ---- Mouse ----------------------------------------------------------------------

bool CSPictureCollection::dragPending() const {
  return m_dragStartTimer->isActive();
}

void CSPictureCollection::cancelDragStart() {
  m_dragStartTimer->stop();
}

void CSPictureCollection::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  mouseDown(event, 1);
}

void CSPictureCollection::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  mouseDown(event, 2);
}

void CSPictureCollection::mouseDown(QMouseEvent* event, int clickCount) {
  m_clickOnSelected = false;
  const int64_t index = indexForPoint(event->position());
  m_firstClick = index;
  if (index < 0) {
    m_anchor = -1;
    return;
  }
  cancelDragStart();
  m_hasDragEvent = false;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (clickCount > 1) {
    if (!m_selection.empty() && m_delegate) m_delegate->pictureCollectionDoubleClick(this);
    return;
  }
  if (modifiers & Qt::ControlModifier) {
    m_firstClick = -1;
    if (m_selection.count(index)) {
      // The only selected picture stays: the selection is never emptied here.
      if (m_selection.size() > 1) m_selection.erase(index);
    } else {
      if (!m_allowMultiple) m_selection.clear();
      m_selection.insert(index);
    }
  } else if ((modifiers & Qt::ShiftModifier) && m_allowMultiple && !m_selection.empty()) {
    const int64_t first = *m_selection.begin();
    const int64_t last = *m_selection.rbegin();
    if (index < first) {
      m_anchor = int32_t(last + 1);
      for (int64_t i = index; i < first; ++i) {
        if (!m_selection.erase(i)) m_selection.insert(i);
      }
      m_selection.insert(index);
      m_firstClick = last;
    } else {
      m_anchor = int32_t(first);
      for (int64_t i = last + 1; i <= index; ++i) {
        if (!m_selection.erase(i)) m_selection.insert(i);
      }
      m_firstClick = first;
    }
  } else {
    if (m_allowMultiple) m_anchor = int32_t(index);
    if (!m_selection.count(index)) m_selection = {index};
    if (m_mutable) {
      m_hasDragEvent = true;
      m_dragEventPoint = event->position();
      m_dragStartTimer->start();
    }
    m_clickOnSelected = true;
  }
  update();
}

void CSPictureCollection::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  if (dragPending()) {
    cancelDragStart();
    if (m_firstClick >= 0) m_selection = {m_firstClick};
    if (!m_allowMultiple) m_firstClick = -1;
    update();
  }
  if (m_firstClick < 0) return;
  int64_t index = indexForPoint(event->position());
  if (index < 0) index = m_count;
  if (!m_allowMultiple) {
    if (index < m_count) {
      m_selection = {index};
      ensureSelectionVisible();
      update();
    }
  } else {
    const int64_t anchor = std::max<int64_t>(0, m_anchor);
    const int64_t end = index >= anchor ? index + 1 : index;
    setSelectionRange(anchor, end);
    m_selection.insert(m_firstClick);
    ensureSelectionVisible();
    update();
  }
  if (index != m_firstClick) m_clickOnSelected = false;
}

void CSPictureCollection::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  cancelDragStart();
  m_hasDragEvent = false;
  if (m_allowMultiple && m_clickOnSelected && m_selection.size() > 1 && m_firstClick >= 0) {
    m_selection = {m_firstClick};
    update();
  }
  if (m_delegate) m_delegate->pictureCollectionSelectionChanged(this);
}

// ---- Keyboard -------------------------------------------------------------------

void CSPictureCollection::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  // The sheet's default and cancel buttons keep their keys.
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    event->ignore();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    if (canPaste()) paste();
    return;
  }
  const bool modify = event->modifiers() & Qt::ShiftModifier;
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
      moveBy(key, modify);
      return;
    case Qt::Key_PageUp:
      scrollPage(-1);
      return;
    case Qt::Key_PageDown:
      scrollPage(1);
      return;
    default:
      event->ignore();
  }
}

void CSPictureCollection::selectAndShow(int64_t index) {
  if (m_selection.size() == 1 && *m_selection.begin() == index) {
    ensureSelectionVisible();
  } else {
    selectIndex(index);
  }
}

void CSPictureCollection::moveBy(int key, bool modify) {
  const int64_t n = m_count;
  if (n == 0) return;
  QSizeF cell;
  const int64_t columns = gridSize(&cell).width();
  const bool empty = m_selection.empty();
  const int64_t first = empty ? 0 : *m_selection.begin();
  const int64_t last = empty ? n - 1 : *m_selection.rbegin();
  if (modify && m_allowMultiple && !empty) {
    switch (key) {
      case Qt::Key_Left:
        return modifySelection(last + 1, std::max<int64_t>(0, first - 1), key);
      case Qt::Key_Right:
        return modifySelection(first, std::min(n, last + 2), key);
      case Qt::Key_Up:
        return modifySelection(last + 1, std::max<int64_t>(0, first - columns), key);
      case Qt::Key_Down:
        return modifySelection(first, std::min(n, last + 1 + columns), key);
      case Qt::Key_Home:
        return modifySelection(last + 1, 0, key);
      case Qt::Key_End:
        return modifySelection(first, n, key);
      default:
        return;
    }
  }
  switch (key) {
    case Qt::Key_Left:
      return selectAndShow(empty ? 0 : std::max<int64_t>(0, first - 1));
    case Qt::Key_Right:
      return selectAndShow(empty ? n - 1 : std::min(n - 1, last + 1));
    case Qt::Key_Up:
      return selectAndShow(empty ? 0 : std::max<int64_t>(0, first - columns));
    case Qt::Key_Down:
      return selectAndShow(empty ? n - 1 : std::min(n - 1, last + columns));
    case Qt::Key_Home:
      return selectAndShow(0);
    case Qt::Key_End:
      return selectAndShow(n - 1);
    default:
      return;
  }
}

void CSPictureCollection::modifySelection(int64_t anchor, int64_t end, int key) {
  (void)key;
  m_firstClick = -1;
  setSelectionRange(anchor, end);
  update();
  ensureSelectionVisible();
}

void CSPictureCollection::scrollPage(int direction) {
  QScrollArea* area = scrollArea();
  if (!area) return;
  const double row = m_pictureSize + kGap;
  const double rows = std::max(1.0, std::floor(visibleArea().height() / row));
  QScrollBar* bar = area->verticalScrollBar();
  bar->setValue(bar->value() + direction * int(rows * row));
}

// ---- Paste and drop -------------------------------------------------------------

bool CSPictureCollection::offersImage(const QMimeData* data) const {
  if (!data) return false;
  const QStringList types = ClipboardServices().PasteboardImageTypes();
  return std::any_of(types.begin(), types.end(), [data](const QString& type) { return data->hasFormat(type); }) ||
         data->hasImage();
}

bool CSPictureCollection::canPaste() const {
  return m_mutable && offersImage(QApplication::clipboard()->mimeData());
}

void CSPictureCollection::paste() {
  if (!m_mutable || !m_delegate) return;
  const CSImage image = CSImage::initWithPasteboard(QApplication::clipboard()->mimeData());
  if (image.isNull()) return;
  m_delegate->pictureCollectionAddPictures(this, {CSPictureInfo{image, QString()}});
}

QList<CSPictureInfo> CSPictureCollection::picturesFromDrop(const QMimeData* data) const {
  QList<CSPictureInfo> pictures;
  if (!data) return pictures;
  if (offersImage(data)) {
    const CSImage image = CSImage::initWithPasteboard(data);
    if (!image.isNull()) pictures.append({image, QString()});
    return pictures;
  }
  if (data->hasUrls()) {
    for (const QUrl& url : data->urls()) {
      if (!url.isLocalFile()) continue;
      const QString path = url.toLocalFile();
      // Files that do not load as pictures are skipped.
      const CSImage image = CSImage::initWithContentsOfFile(path);
      if (!image.isNull()) pictures.append({image, path});
    }
  }
  return pictures;
}

void CSPictureCollection::dragEnterEvent(QDragEnterEvent* event) {
  // A picture of this collection cannot be dropped back onto it.
  if (!m_mutable || s_dragSource == this) {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    return;
  }
  const QMimeData* data = event->mimeData();
  if (!offersImage(data) && !(data && data->hasUrls())) {
    event->ignore();
    return;
  }
  m_externalDragging = true;
  update();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CSPictureCollection::dragMoveEvent(QDragMoveEvent* event) {
  if (!m_externalDragging) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void CSPictureCollection::dragLeaveEvent(QDragLeaveEvent* event) {
  (void)event;
  m_externalDragging = false;
  update();
}

void CSPictureCollection::dropEvent(QDropEvent* event) {
  const bool accepted = m_externalDragging;
  m_externalDragging = false;
  update();
  if (!accepted || !m_delegate) {
    event->ignore();
    return;
  }
  const QList<CSPictureInfo> pictures = picturesFromDrop(event->mimeData());
  if (pictures.isEmpty()) {
    event->ignore();
    return;
  }
  m_delegate->pictureCollectionAddPictures(this, pictures);
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

// ---- Drag-out -------------------------------------------------------------------

CSPictureCollection* CSPictureCollection::dragSource() {
  return s_dragSource;
}

CSImage CSPictureCollection::dragPicture(int64_t index) {
  if (!m_delegate || index < 0 || index >= m_count) return {};
  return m_delegate->pictureCollectionPictureAtIndex(this, index);
}

QImage CSPictureCollection::createDragImage(int64_t index, QRectF* imageRect) {
  const QRectF cell = dragRectForPicture(index);
  if (imageRect) *imageRect = cell;
  const CSImage picture = dragPicture(index);
  const QSize pixels(int(std::ceil(cell.width())), int(std::ceil(cell.height())));
  if (picture.isNull() || pixels.isEmpty() || picture.size().isEmpty()) return {};
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  image.fill(Qt::transparent);
  QRectF drawn(QPointF(0, 0), picture.size());
  CenterRectangle(&drawn, QRectF(QPointF(0, 0), cell.size()));
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.setOpacity(0.5);
  picture.drawInRectNormally(&painter, drawn);
  return image;
}

void CSPictureCollection::startExternalDrag() {
  const int64_t index = m_firstClick;
  m_firstClick = -1;
  cancelDragStart();
  if (!m_hasDragEvent) return;
  m_hasDragEvent = false;
  try {
    const QByteArray tiff = TiffFromImage(dragPicture(index));
    if (tiff.isEmpty()) {
      // No data to hand over: no drag.
      LogException(QStringLiteral("no TIFF data for picture %1").arg(index), QStringLiteral("startExternalDrag failed"));
      return;
    }
    std::unique_ptr<CSDragPasteboard> data = CSDragPasteboard::dragPasteboard();
    data->setData(tiff, QString::fromLatin1(kTiffType));
    addDragTypes(data.get());
    QRectF frame;
    const QImage dragImage = createDragImage(index, &frame);
    CSDragItem item =
        CreateDragItem(this, std::move(data), CSImage::initWithCGImage(dragImage, frame.size()), frame, 1.0);
    item.image = dragImage;
    const QPoint hotSpot = (m_dragEventPoint - frame.topLeft()).toPoint();
    QDrag* drag = item.createDrag(this, hotSpot);
    if (!drag) return;
    s_dragSource = this;
    m_dragPasteboard = drag->mimeData();
    runDrag(drag);
    s_dragSource = nullptr;
    m_dragPasteboard = nullptr;
  } catch (const std::exception& exception) {
    s_dragSource = nullptr;
    m_dragPasteboard = nullptr;
    LogException(exception, QStringLiteral("startExternalDrag failed"));
  }
}

void CSPictureCollection::runDrag(QDrag* drag) {
  drag->exec(Qt::CopyAction);
}

#pragma once
// A scrolling grid of pictures supplied by a delegate. One or several
// pictures are selected with the mouse and the keyboard; when the delegate
// allows, pictures can be pasted or dropped onto it, and a picture held
// down for a moment is dragged out as TIFF. It lives in a QScrollArea (put
// it there with placeInScrollArea) whose width decides the columns.

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <set>

#include "support/CSImage.h"

class CSPictureCollection;
class QDrag;
class QMimeData;
class QScrollArea;
class QTimer;

// A pasted or dropped picture; `file` is the path of a dropped file.
struct CSPictureInfo {
  CSImage image;
  QString file;
};

class CSPictureCollectionDelegate {
 public:
  virtual ~CSPictureCollectionDelegate() = default;

  virtual int64_t numberOfPicturesInCollection(CSPictureCollection* collection) = 0;
  // The picture, or a nil image.
  virtual CSImage pictureCollectionPictureAtIndex(CSPictureCollection* collection, int64_t index) = 0;

  // Optional operations. A delegate that takes pasted or dropped pictures
  // answers true from answersAddPictures.
  virtual bool answersAddPictures() const { return false; }
  virtual void pictureCollectionAddPictures(CSPictureCollection* collection, const QList<CSPictureInfo>& pictures) {
    (void)collection, (void)pictures;
  }
  virtual bool pictureCollectionAllowsMultipleSelection(CSPictureCollection* collection) {
    (void)collection;
    return false;
  }
  // A delegate that draws badges answers true from answersBadges.
  virtual bool answersBadges() const { return false; }
  virtual CSImage pictureCollectionBadgeForPictureAtIndex(CSPictureCollection* collection, int64_t index) {
    (void)collection, (void)index;
    return {};
  }
  virtual void pictureCollectionDoubleClick(CSPictureCollection* collection) { (void)collection; }
  // The picture height in points; 0 keeps the standard 120.
  virtual double pictureCollectionImageSize(CSPictureCollection* collection) {
    (void)collection;
    return 0;
  }
  // Only counted when the delegate also answers addPictures.
  virtual bool pictureCollectionIsMutable(CSPictureCollection* collection) {
    (void)collection;
    return false;
  }
  // Asked only of a mutable collection.
  virtual bool pictureCollectionRequireEmptyLastCell(CSPictureCollection* collection) {
    (void)collection;
    return false;
  }
  virtual void pictureCollectionSelectionChanged(CSPictureCollection* collection) { (void)collection; }
};

class CSPictureCollection : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kGap = 10;
  static constexpr double kMargin = 5;
  static constexpr double kDefaultPictureSize = 120;
  static constexpr int kDragDelayMs = 750;
  static constexpr const char* kTiffType = "image/tiff";

  explicit CSPictureCollection(QWidget* parent = nullptr);
  ~CSPictureCollection() override;

  // A scroll area (legacy scroller always shown) holding the collection.
  QScrollArea* placeInScrollArea(QWidget* parent);
  QScrollArea* scrollArea() const;

  CSPictureCollectionDelegate* delegate() const { return m_delegate; }
  // Takes the delegate's answers (mutable, multiple selection, empty last
  // cell) as waking does.
  void setDelegate(CSPictureCollectionDelegate* delegate);

  // Re-reads counts and sizes; clears the selection and selects picture 0
  // (unless the grid holds only the empty cell). With `liveResize` the
  // selection stays.
  void reloadData(bool liveResize = false);

  void selectIndex(int64_t index);
  void selectIndexes(const std::set<int64_t>& indexes);
  std::set<int64_t> selectedIndexes() const { return m_selection; }
  // Toggles from..to-1, then adds firstClick when it is not negative.
  void extendSelectionFrom(int64_t from, int64_t to);
  void invalidatePicture(int64_t index);

  // ---- Geometry (points, y down) ----
  double usableWidth() const;
  double pictureSize() const;
  // Columns and rows; the cell size through `cellSize`.
  QSize gridSize(QSizeF* cellSize) const;
  QRectF rectForPicture(int64_t index) const;
  QRectF dragRectForPicture(int64_t index) const { return rectForPicture(index); }
  int64_t indexForPoint(QPointF point) const;
  int64_t pictureCount() const { return m_count; }
  // The part of the collection shown in its scroll area.
  QRectF visibleArea() const;
  // Scrolls the first selected picture into view unless one is in view.
  void ensureSelectionVisible();

  bool allowsMultiple() const { return m_allowMultiple; }
  bool isMutable() const { return m_mutable; }
  bool requiresEmptyLastCell() const { return m_requireEmptyLastCell; }
  bool externalDragging() const { return m_externalDragging; }
  int64_t firstClick() const { return m_firstClick; }
  int32_t anchor() const { return m_anchor; }
  bool dragPending() const;
  // The types accepted by drop: image types and file names.
  const QStringList& dragTypes() const { return m_dragTypes; }

  // ---- Paste ----
  // Paste is offered only by a mutable collection over an image.
  bool canPaste() const;
  void paste();

  // ---- Drag-out ----
  CSImage dragPicture(int64_t index);
  // The picture fitted into its cell at half opacity; the cell rectangle
  // comes back through `imageRect`.
  QImage createDragImage(int64_t index, QRectF* imageRect);
  // Begun by the hold timer while the button is down.
  void startExternalDrag();
  // The collection whose drag is in progress, or null.
  static CSPictureCollection* dragSource();

 protected:
  // Adds more types to a drag-out's data; nothing here.
  virtual void addDragTypes(QMimeData* data) { (void)data; }
  // Runs the drag; the platform's drag loop, copy only.
  virtual void runDrag(QDrag* drag);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  void mouseDown(QMouseEvent* event, int clickCount);
  void cancelDragStart();
  void selectAndShow(int64_t index);
  void moveBy(int key, bool modify);
  void modifySelection(int64_t anchor, int64_t end, int key);
  void scrollPage(int direction);
  void setSelectionRange(int64_t from, int64_t to);
  bool offersImage(const QMimeData* data) const;
  QList<CSPictureInfo> picturesFromDrop(const QMimeData* data) const;
  int64_t rowCount(int64_t columns) const;

  CSPictureCollectionDelegate* m_delegate = nullptr;
  std::set<int64_t> m_selection;
  int32_t m_anchor = -1;
  int64_t m_firstClick = -1;
  bool m_clickOnSelected = false;
  bool m_allowMultiple = false;
  bool m_mutable = false;
  bool m_requireEmptyLastCell = false;
  bool m_canBadgeImage = false;
  bool m_externalDragging = false;
  QStringList m_dragTypes;
  QTimer* m_dragStartTimer = nullptr;
  bool m_hasDragEvent = false;
  QPointF m_dragEventPoint;
  QMimeData* m_dragPasteboard = nullptr;  // owned by the drag in progress
  int64_t m_count = 0;
  double m_pictureSize = kDefaultPictureSize;
};

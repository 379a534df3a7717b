#pragma once
// A row of 50 x 50 gradient samples: the application's favourite gradients
// (inside a scroll area, growing with the list) or its recent ones (a fixed
// strip). A click on a sample loads it into the gradient well; a sample can
// be dragged away. Favourites take dropped gradients at the front and lose
// a sample released outside the window.

#include <QList>
#include <QMimeData>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

#include "model/DRGradient.h"

class DRGradientWell;
class QDrag;
class QScrollArea;

class DRGradientCollectionView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kSampleSize = 50;
  static constexpr double kFavoriteSpacing = 6;
  static constexpr double kDragThreshold = 3;
  // How long a removed favourite takes to fade.
  static constexpr int kFadeMilliseconds = 200;

  explicit DRGradientCollectionView(QWidget* parent = nullptr);
  ~DRGradientCollectionView() override;

  // Sets the view up once it is placed: inside a scroll area it shows the
  // favourites, else the recents. The list is the application controller's
  // own (favourite or recent gradients) unless one is given; it is not a
  // copy, so what the view changes the list's owner sees. The recents strip
  // lays its samples out for its size now and cuts the list to what fits.
  void awakeFromNib(QList<DRGradient>* gradients = nullptr);

  // The well a clicked sample is loaded into (not owned).
  DRGradientWell* gradientWell() const { return m_gradientWell; }
  void setGradientWell(DRGradientWell* well) { m_gradientWell = well; }

  bool favorites() const { return m_favorites; }
  const QList<DRGradient>* gradients() const { return m_gradients; }
  double spaceBetween() const { return m_spaceBetween; }
  qsizetype sampleCount() const { return m_sampleCount; }
  qsizetype clickedSample() const { return m_clickedSample; }
  bool isDraggingIn() const { return m_draggingIn; }
  bool isDeleting() const { return m_deleting; }
  // The pasteboard of the drag in progress; null between drags.
  QMimeData* dragPasteboard() const { return m_dragPasteboard; }

  QRectF rectForSample(qsizetype index) const;
  // Removes the pressed favourite (when the press is still valid), then
  // forgets the press and ends the deleting state.
  void deleteAfterDrag();
  // Favourites: width for every sample, at least the scroll area's visible
  // width; the height stays.
  void updateFrame();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The favourites follow their scroll area's width.
  bool eventFilter(QObject* watched, QEvent* event) override;

  // Runs the drag to its end: the operation it ended with and where the
  // pointer was then (global). Tests replace it.
  virtual Qt::DropAction runDragSession(QDrag* drag, QPoint* endPoint);
  // After the drag: favourites released outside the window fade and go.
  void draggingSessionEnded(QPoint endPoint, Qt::DropAction operation);

 private:
  QScrollArea* enclosingScrollArea() const;
  void layOutRecents();
  void beginDrag();
  bool acceptsDrop(const QMimeData* pasteboard) const;
  qsizetype shownCount() const;
  void redisplaySample(qsizetype index);

  QPointer<DRGradientWell> m_gradientWell;
  QList<DRGradient>* m_gradients = nullptr;
  double m_spaceBetween = kFavoriteSpacing;
  qsizetype m_sampleCount = 0;
  bool m_favorites = false;
  bool m_draggingIn = false;
  bool m_deleting = false;
  qsizetype m_clickedSample = -1;
  std::optional<QPointF> m_dragEvent;
  QPointer<QMimeData> m_dragPasteboard;
  QPointer<QVariantAnimation> m_fade;
  double m_fadeOpacity = 1;
};

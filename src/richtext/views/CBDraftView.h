#pragma once
// The widget that shows one pane of a CBDocument as a continuous ("draft")
// view. It draws through the document, turns mouse and key events into the
// engine's selection calls, shows the selection flash and the drag rule and
// keeps the table-hover timer. It asks its host for services through a
// CBViewService. Its own co-ordinates (the "bounds") are the widget's
// divided by the zoom: painting scales by the zoom and event points are
// divided by it. Main thread only.

#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "platform/NotificationCenter.h"
#include "richtext/CBDocument.h"
#include "richtext/views/CBViewService.h"

class QKeyEvent;
struct Pane;

// The selection keys of CBDocument::performSelectionKey.
enum CBSelectionKey : int32_t {
  kSelectionKeyDown = 0,
  kSelectionKeyLeft = 1,
  kSelectionKeyRight = 2,
  kSelectionKeyUp = 3,
  kSelectionKeyPageDown = 4,
  kSelectionKeyPageUp = 5,
  kSelectionKeyEnd = 6,
  kSelectionKeyHome = 7,
};

class CBDraftView : public QWidget, public CBDocumentView {
 public:
  // How long the pointer rests on a table column edge before the column
  // cursor shows, and how long the selection flash lasts.
  static constexpr int kTableHoverMilliseconds = 750;
  static constexpr double kFlashSeconds = 0.2;

  explicit CBDraftView(QWidget* parent = nullptr);
  ~CBDraftView() override;

  CBDocument* document() const { return m_document; }
  void setDocument(CBDocument* document);
  CorvaneDoc* corvaneDoc() const { return m_corvaneDoc; }
  CBViewService* viewService() const { return m_service.service(); }
  void setViewService(CBViewService* service);
  // The document's pane for this view, or null.
  Pane* pane() const;

  double zoomValue() const { return m_zoomValue; }
  virtual void setZoomValue(double zoom);
  int32_t zoomType() const { return m_zoomType; }
  void setZoomType(int32_t type) { m_zoomType = type; }
  // The view's own co-ordinates: the widget's size over the zoom.
  QRectF bounds() const;
  // Redraws a rectangle given in bounds co-ordinates.
  void invalidateBoundsRect(const QRectF& rect);

  // The drag rule; NaN for a co-ordinate that shows none.
  QPointF rulePosition() const { return m_rulePosition; }
  void setRulePosition(QPointF position);

  int32_t selectionType() const { return m_selectionType; }
  bool initialClick() const { return m_initialClick; }
  void setInitialClick(bool click) { m_initialClick = click; }
  bool selectionInProgress() const { return m_selectionType != 0; }
  bool columnResizeInProgress() const { return m_selectionType == 10; }
  bool tableHover() const { return m_tableHover; }
  bool isHoverTimerActive() const { return m_tableHoverTimer.isActive(); }
  bool shouldTrashOnResize() const;

  // The flash of the selection: runs to its end (kFlashSeconds) before it
  // returns, holding back the user's input meanwhile.
  void flashSelection();
  QRectF flashRect() const { return m_flashRect; }
  float flashProgress() const { return m_flashProgress; }
  void setFlashProgress(float progress);

  // Steps the help view refines.
  virtual void drawSetup(const QRectF& rect);
  virtual void setScrollLimits();

  // ---- CBDocumentView ----
  bool isFocusView() const override;
  void makeFocusView() override;
  void setViewCursor(Qt::CursorShape shape) override;
  void redisplay() override;
  void setSelectionType(int32_t type) override { m_selectionType = type; }

  // The movement actions: a selection key with engine modifier bits (0:
  // the event's own).
  void performSelectionKey(int32_t key, uint32_t modifiers);
  void selectAll();
  void showSelection();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

  // Gaining and losing the focus; the help view adds its window's part.
  virtual void becomeFirstResponder();
  virtual void resignFirstResponder();
  // The pane's display is discarded when the width decides the lines.
  virtual void didResize();
  // A point of a mouse event in bounds co-ordinates, floored to whole points.
  QPointF viewPoint(const QMouseEvent* event) const;
  // Stores the zoom alone, for setZoomValue overrides.
  void setZoomValueCore(double zoom) { m_zoomValue = zoom; }

 private:
  void mouseDown(const QMouseEvent* event, int clickCount);
  void mouseMoved(QPointF point);
  void tableHovering();
  bool isOnTableColumnEdge(QPointF point, uint32_t mode) const;
  void engineKey(QKeyEvent* event);
  void systemKey(QKeyEvent* event);
  bool standardMovement(QKeyEvent* event);
  void pageKey(bool down);
  void shutDown();
  void invalidateDragRule();
  QRectF grownFlashRect() const;
  void drawFlash(QPainter& painter);
  void activate();
  void deactivate();

  QPointer<CBDocument> m_document;
  CorvaneDoc* m_corvaneDoc = nullptr;
  CBViewServiceLink m_service;
  double m_zoomValue = 1.0;
  int32_t m_zoomType = 0;
  QPointF m_rulePosition;
  QRectF m_flashRect;
  float m_flashProgress = 0;
  bool m_fakeResignRequest = false;
  int32_t m_selectionType = 0;
  bool m_initialClick = false;
  bool m_tableHover = false;
  QTimer m_tableHoverTimer;
  // Clicks in a row at one place, as the platform counts them.
  int m_clickCount = 0;
  bool m_pressPending = false;  // a left press not yet released
  qint64 m_lastClickTime = 0;
  QPointF m_lastClickPoint;
  NotificationCenter::Token m_closingToken = 0;
  NotificationCenter::Token m_cursorToken = 0;
  NotificationCenter::Token m_flashToken = 0;
};

#pragma once
// The container around a draft view. It is no scroll area: the draft view
// always fills the space beside its scroll bars, the engine scrolls the pane
// itself, and this view keeps the bars in step and hands the user's bar
// actions to the document. The vertical position counts cps from the first
// cp the pane shows; the horizontal one (when there is a horizontal bar)
// counts points. Main thread only.

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "platform/NotificationCenter.h"

class CBDocument;
class CBDraftView;
class QScrollBar;

class CBDraftScrollView : public QWidget {
 public:
  // A bar's state. The bar itself is a QScrollBar whose range counts the
  // effective maximum in whole units and whose page step sizes the knob.
  struct ScrollerState {
    QScrollBar* scroller = nullptr;
    double currentPosition = -1.0;
    double maxPosition = 0;
    double visiblePortion = 0;
    double knobFraction = 0;
    double maxForKnob = 0;  // the maximum knobFraction was sized for; 0 unset
  };

  // The parts of a bar a user hits.
  enum ScrollerPart : int32_t {
    kNoPart = 0,
    kDecrementPage = 1,
    kKnob = 2,
    kIncrementPage = 3,
    kDecrementLine = 4,
    kIncrementLine = 5,
    kKnobSlot = 6,
  };

  explicit CBDraftScrollView(QWidget* parent = nullptr);
  ~CBDraftScrollView() override;

  // The bars' thickness, the same for every scroll view.
  static int scrollerWidth();

  // Makes the bars (the horizontal one only when asked) and lays out.
  void setup(bool withHorizontal);
  CBDraftView* documentView() const { return m_documentView; }
  void setDocumentView(CBDraftView* view);
  CBDocument* document() const { return m_document; }
  void setDocument(CBDocument* document);
  bool drawLineAbove() const { return m_drawLineAbove; }
  void setDrawLineAbove(bool draw);

  double currentPosition(bool vertical) const;
  const ScrollerState& state(bool vertical) const { return vertical ? m_vertical : m_horizontal; }
  // Takes the range the document reports: the position (clamped to the
  // effective maximum), the maximum and the visible amount; redisplays and
  // scrolls the pane when the position moved.
  void setScrollPosition(double position, double max, double visible, bool vertical);
  // The knobs are sized afresh at the next change.
  void resetKnobs();
  void scrollToHorizontal(double value, bool relative, bool redraw);
  void scrollToVertical(double value, bool relative, bool redraw);
  // Codes 0 and 2 a line forwards, 1 and 3 a line back, 4 a page forwards,
  // 5 a page back; others nothing.
  void autoScroll(int32_t code, bool vertical);
  // A hit on a bar's part, as if the user had clicked it.
  void handleVerticalScroll(int32_t part);
  void handleHorizontalScroll(int32_t part);
  // The keyboard's moves of the vertical position.
  void scrollLineDown();
  void scrollLineUp();
  void scrollPageDown();
  void scrollPageUp();
  void scrollToBeginningOfDocument();
  void scrollToEndOfDocument();
  // Redraws the document view and posts "tindlewick.vscroll" or
  // "tindlewick.hscroll" with it.
  void redisplayDocument(bool vertical);
  void layoutView();
  // The square between two bars; empty unless both exist.
  QRect cornerRect() const;
  void redrawCornerRect();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  ScrollerState& stateFor(bool vertical) { return vertical ? m_vertical : m_horizontal; }
  QScrollBar* makeScroller(Qt::Orientation orientation);
  void scrollerAction(bool vertical, int action);
  bool scroll(ScrollerState& state, bool vertical, double position);
  void placeScroller(ScrollerState& state, double fraction);
  void applyKnob(ScrollerState& state, double fraction, double proportion);
  void shutDown();

  QPointer<CBDocument> m_document;
  QPointer<CBDraftView> m_documentView;
  ScrollerState m_horizontal;
  ScrollerState m_vertical;
  bool m_drawLineAbove = false;
  bool m_placing = false;  // a bar moves because this view moves it
  NotificationCenter::Token m_closingToken = 0;
};

#pragma once
// The colour well of the inspector panes (fill, line, shadow and text
// colours). A click asks the application for the shared colour panel on the
// well's swatch; every colour then picked there comes back through
// setKolor(kolor, swatch), which stores it as the tool default, opens or
// continues the well's undo entry, posts it to the selection and shows it.
// A run of colours from the panel thus makes one undo step, as long as
// nothing else opens an entry in between.

#include <QAbstractButton>
#include <QPointer>
#include <cstdint>

#include "support/Kolor.h"
#include "ui/editor/DRColorChangeDelegate.h"

class DRWindowController;
class QPainter;

class DRColorWell : public QAbstractButton, public DRColorChangeDelegate {
  Q_OBJECT

 public:
  explicit DRColorWell(QWidget* parent = nullptr);
  ~DRColorWell() override;

  // The document window the well edits (not owned; set by the pane).
  DRWindowController* windowController() const;
  void setWindowController(DRWindowController* controller);

  // The DRSwatchIndex the well edits: 0 line, 3 fill (the start), 4 swap,
  // 10 shadow, 11 text, 12 text background.
  int32_t swatchIndex() const { return m_swatchIndex; }
  void setSwatchIndex(int32_t swatch) { m_swatchIndex = swatch; }

  // The colour shown; no colour (g_nilKolor) shows the cross. Sends nothing.
  Kolor trueKolor() const { return m_trueKolor; }
  void setTrueKolor(Kolor kolor);

  // The undo id of the well's last change, reused while it is still the
  // content controller's current id.
  uint32_t undoID() const { return m_undoID; }
  void setUndoID(uint32_t undoId) { m_undoID = undoId; }

  // A colour chosen in the panel. The well's own swatchIndex decides what
  // changes; the swatch argument is not consulted. Swatches other than 0,
  // 3, 4, 10, 11 and 12 are ignored.
  void setKolor(Kolor kolor, int swatch) override;

  // Paints a colour into the rectangle: no colour (or opacity 0) as the
  // grey no-colour cross, a translucent colour over a backdrop split along
  // the diagonal from bottom-left to top-right (black above, white below),
  // an opaque colour as a plain fill.
  static void drawWellInside(QPainter* painter, const QRectF& rect, Kolor kolor);

  QSize sizeHint() const override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QPointer<DRWindowController> m_windowController;
  int32_t m_swatchIndex = 3;
  Kolor m_trueKolor = g_whiteKolor;
  uint32_t m_undoID = 0;
};

#pragma once
// What a print job draws: one drawing laid out on the pages of a page
// set-up, either tiled across and then down at the print scale or scaled
// to fit one page, a one-page drawing optionally centred. It hosts the
// elements it prints with fixed answers: nothing is selected, no casings.
//
// Coordinates ("view units") are points of the drawing, y growing down.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cstdint>

#include "model/DRElementHostingView.h"
#include "support/CSPrintInfo.h"

class DRCanvasHost;
class DRDrawing;
class QPagedPaintDevice;

// The print scale a page set-up prints at: its scale, or 1.0 where that is
// not a positive finite number.
double EffectivePrintScale(const CSPrintInfo& info);

// The part of the drawing one printed page shows when not scaled to fit, in
// view units: the paper less its margins, divided by the print scale. The
// canvas draws its page breaks at this size so that they fall where the
// pages do. Empty when the margins leave no room.
QSizeF PrintablePageSize(const CSPrintInfo& info);

class DRPrintView : public DRElementHostingView {
 public:
  // A drawing that would need more pages than this prints only this many
  // (across first, then down): a stray element far away or a tiny page must
  // not start an endless job.
  static constexpr uint64_t kMaxPrintPages = 10000;

  struct PageRange {
    uint64_t location = 1;  // the first page, from 1
    uint64_t length = 0;    // the number of pages
  };

  DRPrintView();
  ~DRPrintView() override;
  DRPrintView(const DRPrintView&) = delete;
  DRPrintView& operator=(const DRPrintView&) = delete;

  DRDrawing* drawing() const { return m_drawing; }
  void setDrawing(DRDrawing* drawing) { m_drawing = drawing; }
  // The window's canvas, which measures the drawing's extent.
  DRCanvasHost* drawView() const { return m_drawView; }
  void setDrawView(DRCanvasHost* drawView) { m_drawView = drawView; }

  bool isFlipped() const { return true; }

  // Paginates the drawing for the page set-up: sets the page scale, page
  // rectangle, pages across, page count, offset, frame and bounds, and
  // fills the range (from page 1). Without a drawing, a canvas, content or
  // room on the paper there are no pages.
  bool knowsPageRange(const CSPrintInfo& info, PageRange* range);
  // Page `page` (from 1, across and then down) in view units; empty outside
  // the pages of the last pagination.
  QRectF rectForPage(uint64_t page) const;
  // Paints the background picture and the elements that reach `dirty`
  // (view units) on the current painter, which is set up in view units.
  void drawRect(const QRectF& dirty);

  // Paginates for `info` and prints every page on the device (a printer,
  // or a PDF writer), after giving it the set-up's paper and margins. Each
  // page maps onto the area inside the margins at the page scale, centred
  // on the axes the set-up centres where it is smaller. Answers the number
  // of pages printed: 0 when there are none or the device cannot be
  // painted on.
  uint64_t print(QPagedPaintDevice* device, const CSPrintInfo& info);

  // ---- The last pagination ----
  double pageScale() const { return m_pageScale; }
  QRectF pageRect() const { return m_pageRect; }
  uint64_t pagesAcross() const { return m_pagesAcross; }
  uint64_t totalPages() const { return m_totalPages; }
  QPointF drawOffset() const { return m_drawOffset; }
  // The printed size of the bounds (bounds times the page scale), and the
  // part of the drawing that prints.
  QRectF frame() const { return m_frame; }
  QRectF bounds() const { return m_bounds; }

  // ---- DRElementHostingView ----
  void invalidateElement(DRElement* element) override { (void)element; }
  bool isElementSelected(const DRElement* element) const override {
    (void)element;
    return false;
  }
  bool showCasings() const override { return false; }
  bool noHairlines() const override { return false; }

 private:
  void resetPagination();

  DRDrawing* m_drawing = nullptr;
  DRCanvasHost* m_drawView = nullptr;
  double m_pageScale = 1.0;
  QRectF m_pageRect;
  uint64_t m_pagesAcross = 0;
  uint64_t m_totalPages = 0;
  QPointF m_drawOffset;
  // Where page 1 starts, view units; the others follow across and down.
  QPointF m_pageOrigin;
  QRectF m_frame;
  QRectF m_bounds;
  // One page and the drawing asks to be centred: drawn moved by drawOffset.
  bool m_centered = false;
};

#include "ui/editor/DRPrintView.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "model/DRCanvasHost.h"
#include "model/DRDrawing.h"
#include "model/DrawingPainter.h"
#include "support/GraphicsContext.h"
#include "support/Measure.h"

namespace {

// The smallest rectangle of whole points that holds `rect`; the zero
// rectangle for an empty one.
QRectF IntegralRect(const QRectF& rect) {
  if (!(rect.width() > 0) || !(rect.height() > 0)) return {};
  const double left = std::floor(rect.left());
  const double top = std::floor(rect.top());
  return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

// Pages needed to reach `far` from 0 with pages of `page`, as the tiling
// counts them; 0 when nothing reaches past 0, kMaxPrintPages at most.
uint64_t PagesToReach(double far, double page) {
  const double count = std::trunc((far + page - 1) / page);
  if (!(count >= 1)) return 0;
  return count >= double(DRPrintView::kMaxPrintPages) ? DRPrintView::kMaxPrintPages : uint64_t(count);
}

}  // namespace

double EffectivePrintScale(const CSPrintInfo& info) {
  // Pagination works with the scale as a float: a scale that is not a
  // positive float (NaN, 0, below zero, or lost in the conversion) is none.
  const float scale = float(info.scale);
  return std::isfinite(scale) && scale > 0 ? double(scale) : 1.0;
}

QSizeF PrintablePageSize(const CSPrintInfo& info) {
  const QRectF imageable = info.imageableRect();
  if (imageable.isEmpty()) return {};
  const double scale = EffectivePrintScale(info);
  return QSizeF(imageable.width() / scale, imageable.height() / scale);
}

DRPrintView::DRPrintView() = default;
DRPrintView::~DRPrintView() = default;

void DRPrintView::resetPagination() {
  m_pageScale = 1.0;
  m_pageRect = QRectF();
  m_pagesAcross = 0;
  m_totalPages = 0;
  m_drawOffset = QPointF();
  m_pageOrigin = QPointF();
  m_frame = QRectF();
  m_bounds = QRectF();
  m_centered = false;
}

bool DRPrintView::knowsPageRange(const CSPrintInfo& info, PageRange* range) {
  resetPagination();
  if (range) *range = PageRange{1, 0};

  const QRectF imageable = info.imageableRect();
  if (!m_drawing || !m_drawView || imageable.isEmpty()) return true;
  const QRectF extent = IntegralRect(ConvertMeasureRect(m_drawView->drawingExtent(false, true)));
  if (extent.isEmpty()) return true;

  const bool fit = m_drawing->scaleToFit();
  QRectF page = imageable;
  double scale = 1.0;
  uint64_t across = 1;
  uint64_t total = 1;
  QRectF bounds = extent;
  QPointF origin;

  if (fit) {
    if (page.width() < extent.width() || page.height() < extent.height())
      scale = double(float(std::min(page.width() / extent.width(), page.height() / extent.height())));
    // A drawing too large for a float scale has nothing to print at any size.
    if (!(scale > 0)) return true;
    page.setSize(QSizeF(std::rint(float(page.width() / scale)), std::rint(float(page.height() / scale))));
    if (page.isEmpty()) return true;
    // On each axis the page starts at 0, keeping the drawing's place on
    // paper, unless the content would then run off the page; then it starts
    // where the content does.
    origin = QPointF(extent.right() <= page.width() ? 0.0 : extent.left(),
                     extent.bottom() <= page.height() ? 0.0 : extent.top());
  } else {
    scale = EffectivePrintScale(info);
    page.setSize(QSizeF(page.width() / scale, page.height() / scale));
    if (page.isEmpty()) return true;
    const double right = extent.right();
    const double bottom = extent.bottom();
    across = PagesToReach(right, page.width());
    const uint64_t down = PagesToReach(bottom, page.height());
    if (across == 0 || down == 0) return true;
    total = std::min(across * down, kMaxPrintPages);
    bounds = QRectF(0, 0, right, bottom);
  }

  m_centered = m_drawing->centerOnPage() && total == 1;
  const bool fittedSmaller = fit && scale != 1.0;
  if (m_centered) {
    if (!fit) bounds = extent;
    const double width = bounds.width();
    const double height = bounds.height();
    const double dx = std::floor(float((page.width() - width) / 2));
    const double dy = std::floor(float((page.height() - height) / 2));
    if (fittedSmaller) {
      m_drawOffset = QPointF(page.left() + dx - extent.left(), page.top() + dy - extent.top());
      bounds = page;
      origin = page.topLeft();
    } else {
      m_drawOffset = QPointF(dx, dy);
      bounds.setSize(QSizeF(width + dx, height + dy));
      origin = extent.topLeft();
    }
  }

  m_pageScale = scale;
  m_pageRect = page;
  m_pagesAcross = across;
  m_totalPages = total;
  m_pageOrigin = origin;
  m_bounds = bounds;
  m_frame = QRectF(0, 0, scale * bounds.width(), scale * bounds.height());
  if (range) range->length = total;
  return true;
}

QRectF DRPrintView::rectForPage(uint64_t page) const {
  if (page < 1 || page > m_totalPages || m_pagesAcross == 0) return {};
  const uint64_t column = (page - 1) % m_pagesAcross;
  const uint64_t row = (page - 1) / m_pagesAcross;
  const double width = m_pageRect.width();
  const double height = m_pageRect.height();
  return QRectF(m_pageOrigin.x() + double(column) * width, m_pageOrigin.y() + double(row) * height, width, height);
}

void DRPrintView::drawRect(const QRectF& dirty) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !m_drawing) return;
  if (!m_centered) {
    PaintDrawing(*m_drawing, dirty, DRPaintMode::Print, nullptr, this);
    return;
  }
  // A centred drawing is drawn moved onto the middle of its page.
  painter->save();
  painter->translate(m_drawOffset);
  PaintDrawing(*m_drawing, dirty.translated(-m_drawOffset), DRPaintMode::Print, nullptr, this);
  painter->restore();
}

uint64_t DRPrintView::print(QPagedPaintDevice* device, const CSPrintInfo& info) {
  if (!device) return 0;
  // Without room on the paper there is nothing to print, whatever paper
  // the device has now.
  if (info.imageableRect().isEmpty()) {
    resetPagination();
    return 0;
  }
  // The device may keep other margins (a printer's least margins): paginate
  // for the paper and margins it really prints on.
  device->setPageLayout(info.toPageLayout());
  CSPrintInfo used = info;
  used.applyPageLayout(device->pageLayout());
  PageRange range;
  knowsPageRange(used, &range);
  if (range.length == 0) return 0;

  const QRectF imageable = used.imageableRect();
  const double dotsX = device->logicalDpiX() / 72.0;
  const double dotsY = device->logicalDpiY() / 72.0;
  if (!(dotsX > 0) || !(dotsY > 0)) return 0;
  // A device left in full-page mode (one that refused the new layout)
  // paints from the corner of the sheet, otherwise from inside the margins.
  QPointF sheetOrigin;
  if (device->pageLayout().mode() == QPageLayout::FullPageMode) sheetOrigin = imageable.topLeft();

  QPainter painter;
  if (!painter.begin(device)) return 0;
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
  uint64_t printed = 0;
  for (uint64_t page = range.location; page < range.location + range.length; ++page) {
    if (page > range.location && !device->newPage()) break;
    const QRectF rect = rectForPage(page);
    const QSizeF printedSize = rect.size() * m_pageScale;
    QPointF place = sheetOrigin;
    if (used.horizontallyCentered) place.rx() += std::max(0.0, (imageable.width() - printedSize.width()) / 2);
    if (used.verticallyCentered) place.ry() += std::max(0.0, (imageable.height() - printedSize.height()) / 2);

    painter.save();
    painter.scale(dotsX, dotsY);
    painter.translate(place);
    painter.scale(m_pageScale, m_pageScale);
    painter.translate(-rect.topLeft());
    painter.setClipRect(rect);
    {
      GraphicsContextScope context(&painter);
      drawRect(rect);
    }
    painter.restore();
    ++printed;
  }
  painter.end();
  return printed;
}

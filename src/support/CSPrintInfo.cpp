#include "support/CSPrintInfo.h"

#include <QLocale>
#include <QMutex>
#include <QPageSize>
#include <QRectF>

namespace {

QMutex g_sharedLock;
CSPrintInfo* g_sharedInfo = nullptr;  // made on first use, lives for the run

}  // namespace

CSPrintInfo CSPrintInfo::defaultPrintInfo() {
  const bool usPaper = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
  const QPageSize page(usPaper ? QPageSize::Letter : QPageSize::A4);
  CSPrintInfo info;
  info.paperName = page.name();
  info.paperSize = page.size(QPageSize::Point);
  return info;
}

CSPrintInfo CSPrintInfo::sharedPrintInfo() {
  QMutexLocker lock(&g_sharedLock);
  if (!g_sharedInfo) g_sharedInfo = new CSPrintInfo(defaultPrintInfo());
  return *g_sharedInfo;
}

void CSPrintInfo::setSharedPrintInfo(const CSPrintInfo& info) {
  QMutexLocker lock(&g_sharedLock);
  if (!g_sharedInfo) {
    g_sharedInfo = new CSPrintInfo(info);
  } else {
    *g_sharedInfo = info;
  }
}

QSizeF CSPrintInfo::orientedPaperSize() const {
  return orientation == Landscape ? paperSize.transposed() : paperSize;
}

QRectF CSPrintInfo::imageableRect() const {
  const QSizeF sheet = orientedPaperSize();
  const QRectF rect(leftMargin, topMargin, sheet.width() - leftMargin - rightMargin,
                    sheet.height() - topMargin - bottomMargin);
  return rect.isValid() ? rect : QRectF();
}

void CSPrintInfo::setAllMargins(double points) {
  leftMargin = rightMargin = topMargin = bottomMargin = points;
}

QPageLayout CSPrintInfo::toPageLayout() const {
  const QPageSize page(paperSize, QPageSize::Point, paperName, QPageSize::FuzzyMatch);
  return QPageLayout(page, orientation == Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(leftMargin, topMargin, rightMargin, bottomMargin), QPageLayout::Point);
}

void CSPrintInfo::applyPageLayout(const QPageLayout& layout) {
  paperName = layout.pageSize().name();
  paperSize = layout.pageSize().size(QPageSize::Point);
  orientation = layout.orientation() == QPageLayout::Landscape ? Landscape : Portrait;
  const QMarginsF margins = layout.margins(QPageLayout::Point);
  leftMargin = margins.left();
  rightMargin = margins.right();
  topMargin = margins.top();
  bottomMargin = margins.bottom();
}

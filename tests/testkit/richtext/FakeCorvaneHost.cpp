#include "richtext/FakeCorvaneHost.h"

FakeCorvaneHost::FakeCorvaneHost() : m_previous(&CurrentCorvaneHost()) { SetCorvaneHost(this); }

FakeCorvaneHost::~FakeCorvaneHost() { SetCorvaneHost(m_previous); }

void FakeCorvaneHost::getViewRect(QRectF* rect, CorvaneDoc*, Pane* pane) {
  if (rect) *rect = pane ? viewRect : QRectF();
}

void FakeCorvaneHost::getVisibleViewRect(QRectF* rect, Pane* pane) {
  if (rect) *rect = pane ? visibleRect : QRectF();
}

bool FakeCorvaneHost::viewIsFocused(QObject*) { return focused; }

void FakeCorvaneHost::invalView(Pane* pane) {
  if (pane) invalidations.append(viewRect);
}

void FakeCorvaneHost::invalViewRect(Pane* pane, const QRectF& rect) {
  if (pane) invalidations.append(rect);
}

void FakeCorvaneHost::autoScroll(Pane* pane, bool vertical, int32_t amount) {
  if (pane) scrolls.append({pane, vertical, double(amount), true});
}

double FakeCorvaneHost::scrollPosition(Pane* pane, bool vertical) {
  if (!pane) return 0;
  return vertical ? verticalPosition : horizontalPosition;
}

void FakeCorvaneHost::scrollToPosition(Pane* pane, bool vertical, double position) {
  if (!pane || !vertical) return;
  verticalPosition = position;
  scrolls.append({pane, vertical, position, false});
}

void FakeCorvaneHost::setStatusMessage(CorvaneDoc*, const QString& message, bool) { statusTexts.append(message); }

void FakeCorvaneHost::followHelpLink(CorvaneDoc*, uint32_t cp) { helpLinks.append(cp); }

QObject* FakeCorvaneHost::notificationObject(CorvaneDoc*) { return windowController; }

QObject* FakeCorvaneHost::windowControllerForPane(Pane* pane) { return pane ? windowController : nullptr; }

std::optional<ShorthandDictionary> FakeCorvaneHost::userReplacements() { return replacements; }

void FakeCorvaneHost::beep() { ++beeps; }

bool FakeCorvaneHost::openUrl(const QUrl& url) {
  openedUrls.append(url);
  return openSucceeds;
}

bool FakeCorvaneHost::revealFile(const QString& path) {
  revealedPaths.append(path);
  return openSucceeds;
}

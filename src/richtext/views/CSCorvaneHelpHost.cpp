#include "richtext/views/CSCorvaneHelpHost.h"

#include <QApplication>
#include <QRectF>

#include "platform/NotificationCenter.h"
#include "richtext/CBDocument.h"
#include "richtext/FontNames.h"
#include "richtext/Panes.h"
#include "richtext/views/CBDraftScrollView.h"
#include "richtext/views/CSCorvaneHelpView.h"
#include "support/DynamicArrays.h"
#include "support/Fonts.h"

namespace {

CBDraftScrollView* ScrollViewForPane(const Pane* pane) {
  CBDraftView* view = CSCorvaneHelpHost::viewForPane(pane);
  return view ? dynamic_cast<CBDraftScrollView*>(view->parentWidget()) : nullptr;
}

}  // namespace

CBDraftView* CSCorvaneHelpHost::viewForPane(const Pane* pane) {
  return pane ? dynamic_cast<CBDraftView*>(pane->view) : nullptr;
}

CSCorvaneHelpView* CSCorvaneHelpHost::helpViewForDoc(CorvaneDoc* doc) {
  if (!doc || doc->paneCount == 0) return nullptr;
  return dynamic_cast<CSCorvaneHelpView*>(viewForPane(CurrentPane(doc)));
}

void CSCorvaneHelpHost::setDefaultFont(CorvaneDoc* doc, CharProps* props) {
  if (!props) return;
  uint16_t index = 0;
  int16_t size = 48;
  if (doc && doc->paneCount > 0) {
    auto* view = dynamic_cast<CSCorvaneHelpView*>(viewForPane(PaneAtIndex(doc, 0)));
    CSCorvaneHelpViewOwner* owner = view ? view->windowController() : nullptr;
    if (const std::optional<QFont> font = owner ? owner->font() : std::nullopt) {
      const qsizetype position = g_fontNames.indexOf(FontName(*font));
      index = position < 0 ? 0 : uint16_t(position);
      size = int16_t(std::clamp(font->pointSizeF() * 4.0, 0.0, 32767.0));
    }
  }
  props->font = index;
  props->size = size;
}

void CSCorvaneHelpHost::getViewRect(QRectF* rect, CorvaneDoc*, Pane* pane) {
  if (!rect) return;
  const CBDraftView* view = viewForPane(pane);
  *rect = view ? view->bounds() : QRectF();
}

void CSCorvaneHelpHost::getVisibleViewRect(QRectF* rect, Pane* pane) {
  // The draft view always lies whole inside its scroll view.
  getViewRect(rect, nullptr, pane);
}

bool CSCorvaneHelpHost::viewIsFocused(QObject* view) {
  auto* widget = dynamic_cast<QWidget*>(view);
  return widget && widget->window()->focusWidget() == widget && widget->window()->isActiveWindow();
}

void CSCorvaneHelpHost::invalView(Pane* pane) {
  if (CBDraftView* view = viewForPane(pane)) view->update();
}

void CSCorvaneHelpHost::invalViewRect(Pane* pane, const QRectF& rect) {
  if (CBDraftView* view = viewForPane(pane)) view->invalidateBoundsRect(rect);
}

void CSCorvaneHelpHost::autoScroll(Pane* pane, bool vertical, int32_t amount) {
  if (CBDraftScrollView* scrollView = ScrollViewForPane(pane)) scrollView->autoScroll(amount, vertical);
}

void CSCorvaneHelpHost::noteNewScrollPosition(CorvaneDoc* doc, Pane* pane) {
  CBDraftView* view = viewForPane(pane);
  if (!doc || !view) return;
  view->setScrollLimits();
  DocRange shown;
  GetPaneRange(doc, pane, &shown);
  double position = double(pane->firstCp) - double(shown.first);
  if (pane->topOffset != 0 && pane->displayLines && SizeOfDynamicCPArray(pane->displayLines) == 1) {
    DisplayLine line;
    FetchDynamicCPArrayEntry(pane->displayLines, 0, &line);
    // A line without height has no fraction to add.
    if (line.height != 0) position += double(pane->topOffset) / line.height;
  }
  if (CBDraftScrollView* scrollView = ScrollViewForPane(pane)) scrollView->scrollToVertical(position, false, false);
}

double CSCorvaneHelpHost::scrollPosition(Pane* pane, bool vertical) {
  const CBDraftScrollView* scrollView = ScrollViewForPane(pane);
  return scrollView ? scrollView->currentPosition(vertical) : 0.0;
}

void CSCorvaneHelpHost::scrollToPosition(Pane* pane, bool vertical, double position) {
  if (!vertical) return;
  if (CBDraftScrollView* scrollView = ScrollViewForPane(pane)) scrollView->scrollToVertical(position, false, true);
}

void CSCorvaneHelpHost::flashSelection(Pane* pane) {
  if (!pane || !pane->view) return;
  NotificationCenter::defaultCenter().post(g_flashNotification, pane->view);
}

void CSCorvaneHelpHost::saveHelpSelection(CorvaneDoc* doc) {
  CSCorvaneHelpView* view = helpViewForDoc(doc);
  if (view && view->windowController()) view->windowController()->saveSelection();
}

void CSCorvaneHelpHost::followHelpLink(CorvaneDoc* doc, uint32_t cp) {
  CSCorvaneHelpView* view = helpViewForDoc(doc);
  if (view && view->windowController()) view->windowController()->followLink(int32_t(cp));
}

QObject* CSCorvaneHelpHost::notificationObject(CorvaneDoc* doc) { return doc ? doc->hostWindow : nullptr; }

QObject* CSCorvaneHelpHost::windowControllerForPane(Pane* pane) {
  CBDraftView* view = viewForPane(pane);
  return view && view->corvaneDoc() ? view->corvaneDoc()->hostWindow : nullptr;
}

void CSCorvaneHelpHost::beep() {
  CorvaneHost::beep();
  QApplication::beep();
}

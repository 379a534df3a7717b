#pragma once
// The engine's host while the help window shows the help: the view hooks
// answer from the pane's CBDraftView and its CBDraftScrollView, a clicked
// help link and a saved selection go to the help window through
// CSCorvaneHelpViewOwner, new text takes the window's help font, and the
// beep sounds (and is counted). The help window registers one for its life.

#include "richtext/CorvaneHost.h"

class CBDraftView;
class CSCorvaneHelpView;

class CSCorvaneHelpHost : public CorvaneHost {
 public:
  // The draft view of a pane, or null.
  static CBDraftView* viewForPane(const Pane* pane);
  // The help view of the document's current pane, or null.
  static CSCorvaneHelpView* helpViewForDoc(CorvaneDoc* doc);

  void setDefaultFont(CorvaneDoc* doc, CharProps* props) override;
  void getViewRect(QRectF* rect, CorvaneDoc* doc, Pane* pane) override;
  void getVisibleViewRect(QRectF* rect, Pane* pane) override;
  bool viewIsFocused(QObject* view) override;
  void invalView(Pane* pane) override;
  void invalViewRect(Pane* pane, const QRectF& rect) override;
  void autoScroll(Pane* pane, bool vertical, int32_t amount) override;
  // Recomputes the scroll limits and moves the vertical bar to the pane's
  // first shown cp (with the part of a lone tall line scrolled off).
  void noteNewScrollPosition(CorvaneDoc* doc, Pane* pane) override;
  double scrollPosition(Pane* pane, bool vertical) override;
  void scrollToPosition(Pane* pane, bool vertical, double position) override;
  // Posts "cvb.flash" with the pane's view.
  void flashSelection(Pane* pane) override;
  void saveHelpSelection(CorvaneDoc* doc) override;
  void followHelpLink(CorvaneDoc* doc, uint32_t cp) override;
  QObject* notificationObject(CorvaneDoc* doc) override;
  QObject* windowControllerForPane(Pane* pane) override;
  void beep() override;
};

#pragma once
// The draft view of the help window: it maps its size to the zoom, keeps
// the scroll limits of its CBDraftScrollView in step and tells the window
// when it gains the focus. The window reaches it, and it the window, through
// CSCorvaneHelpViewOwner, so that this target needs nothing of the shell.

#include <QFont>
#include <optional>

#include "richtext/views/CBDraftView.h"

class CBDraftScrollView;

// What the help view and the help host ask of the window that owns the view.
class CSCorvaneHelpViewOwner {
 public:
  virtual ~CSCorvaneHelpViewOwner() = default;
  // The view gained the focus: the document is focused on it.
  virtual void focusView(CBDraftView* view) = 0;
  // A link to a cp of the help was clicked.
  virtual void followLink(int32_t cp) = 0;
  // Records the selection in the window's history.
  virtual void saveSelection() = 0;
  // The help font in force; none until one is applied.
  virtual std::optional<QFont> font() const = 0;
};

class CSCorvaneHelpView : public CBDraftView {
 public:
  explicit CSCorvaneHelpView(QWidget* parent = nullptr);
  ~CSCorvaneHelpView() override;

  CSCorvaneHelpViewOwner* windowController() const { return m_windowController; }
  void setWindowController(CSCorvaneHelpViewOwner* owner) { m_windowController = owner; }
  // The scroll view holding the view, or null.
  CBDraftScrollView* enclosingScrollView() const;

  // Both the view's and the pane's zoom; the same zoom again does nothing.
  // The scroll limits follow 0.1 seconds later.
  void setZoomValue(double zoom) override;
  // Hands the pane's vertical extent in cps to the scroll view.
  void setScrollLimits() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void becomeFirstResponder() override;
  void resignFirstResponder() override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void horizontalScrolling();

  CSCorvaneHelpViewOwner* m_windowController = nullptr;
  bool m_mouseFocus = false;
  NotificationCenter::Token m_scrollDoneToken = 0;
  NotificationCenter::Token m_horizontalToken = 0;
};

#pragma once
// The data source of a CSPropertyView: how many levels there are, which
// pane serves each, what its header says and whether it starts open; it is
// told of every open and close. Only the first three must be answered.

#include <QString>

class CSPropertyView;
class QWidget;

class CSPropertyViewDelegate {
 public:
  virtual ~CSPropertyViewDelegate() = default;

  virtual int numberOfLevels(CSPropertyView* view) = 0;
  // A new pane for the level, made as a child of `parent`; the view owns it
  // from then on. Null leaves the level empty.
  virtual QWidget* controllerForLevel(CSPropertyView* view, int level, QWidget* parent) = 0;
  // The header's title; a null string takes the pane's tool tip as the
  // title and clears the tool tip.
  virtual QString nameForLevel(CSPropertyView* view, int level) = 0;

  // Shown when there are no levels.
  virtual QString emptyMessage(CSPropertyView* view);
  virtual void didCloseLevel(CSPropertyView* view, int level) { (void)view, (void)level; }
  virtual void didOpenLevel(CSPropertyView* view, int level) { (void)view, (void)level; }
  // The view came into a window (its top-level widget).
  virtual void didMoveToWindow(CSPropertyView* view, QWidget* window) { (void)view, (void)window; }
  // False keeps the level open for good: its header has no triangle and
  // ignores clicks.
  virtual bool mayCloseLevel(CSPropertyView* view, int level) {
    (void)view, (void)level;
    return true;
  }
  virtual bool shouldOpenLevel(CSPropertyView* view, int level) {
    (void)view, (void)level;
    return true;
  }
  // Whether a line is drawn above the first header.
  virtual bool shouldDrawTopLine(CSPropertyView* view) {
    (void)view;
    return true;
  }
};

#pragma once
// The inspector's place in a drawing window: a scroll area on the format
// panel's background holding the window's property view, whose levels are
// the panes of the current content controller (the drawing's or a
// painting's), asked for afresh on every rebuild.

#include <QWidget>
#include <functional>

#include "ui/inspector/CSPropertyViewDelegate.h"

class CSPropertyView;
class DRContentVC;
class QScrollArea;

class DRPropertyContainerView : public QWidget, public CSPropertyViewDelegate {
  Q_OBJECT

 public:
  using ContentSource = std::function<DRContentVC*()>;

  explicit DRPropertyContainerView(QWidget* parent = nullptr);
  ~DRPropertyContainerView() override;

  CSPropertyView* propertyView() const { return m_propertyView; }
  QScrollArea* propertyScrollView() const { return m_scrollView; }
  // Where the panes come from: the window's current content controller.
  // Null (as the window goes) leaves the view with no levels.
  void setContentSource(ContentSource source);

  // ---- CSPropertyViewDelegate, answered by the current content controller ----
  int numberOfLevels(CSPropertyView* view) override;
  QWidget* controllerForLevel(CSPropertyView* view, int level, QWidget* parent) override;
  QString nameForLevel(CSPropertyView* view, int level) override;
  bool shouldOpenLevel(CSPropertyView* view, int level) override;
  void didOpenLevel(CSPropertyView* view, int level) override;
  void didCloseLevel(CSPropertyView* view, int level) override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  DRContentVC* content() const;
  void darkModeChanged();

  QScrollArea* m_scrollView = nullptr;
  CSPropertyView* m_propertyView = nullptr;
  ContentSource m_source;
};

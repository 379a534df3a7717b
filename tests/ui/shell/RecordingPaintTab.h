#pragma once
// A painting tab's controller for the drawing window's tests: it answers
// the commands it is given, valid while `enabled`, notes each one it is
// sent with the sender's tag ("swapColors: 3"), and counts the window's
// calls.

#include <QAction>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "ui/editor/DRDrawVC.h"
#include "ui/shell/DRWindowController.h"

class RecordingPaintTab : public DRPaintTabController {
 public:
  explicit RecordingPaintTab(QStringList answered = {QStringLiteral("swapColors:"), QStringLiteral("invert:")})
      : m_view(std::make_unique<QWidget>()), m_answered(std::move(answered)) {}
  ~RecordingPaintTab() override { destroyedWriteBacks = writeBacks; }

  QWidget* view() const override { return m_view.get(); }
  bool respondsToSelector(const QString& selector) const override { return m_answered.contains(selector); }
  bool performAction(const QString& selector, QObject* sender) override {
    received << QStringLiteral("%1 %2").arg(selector).arg(DRDrawVC::senderTag(sender));
    return true;
  }
  bool validateMenuItem(const QString&, QAction*) override { return enabled; }
  bool isDirty() const override { return dirty; }
  void updateBimapElement() override { ++writeBacks; }
  void bitmapDidResize() override { ++resizes; }
  void deleteSelectionForMove() override { ++selectionDeletes; }

  static inline int destroyedWriteBacks = -1;
  QStringList received;
  bool enabled = true;
  bool dirty = false;
  int writeBacks = 0;
  int resizes = 0;
  int selectionDeletes = 0;

 private:
  std::unique_ptr<QWidget> m_view;
  QStringList m_answered;
};

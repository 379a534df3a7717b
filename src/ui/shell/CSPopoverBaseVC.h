#pragma once
// The base of the controllers that show a view in a popup. Every controller
// counts as open from its making until its popup closes, and all open ones
// close together when "cs.86popovers" is posted (closePopovers), which the
// field editor, the undo menu and the key handling of several views do
// before acting.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

class QEvent;

// Told when the popup of the controller it depends on closes.
class CSPopoverDependent {
 public:
  virtual ~CSPopoverDependent() = default;
  virtual void popoverWillClose() = 0;
};

class CSPopoverBaseVC : public QObject {
 public:
  static const QString kClosePopoversNotification;  // "cs.86popovers"

  explicit CSPopoverBaseVC(QObject* parent = nullptr);
  ~CSPopoverBaseVC() override;
  CSPopoverBaseVC(const CSPopoverBaseVC&) = delete;
  CSPopoverBaseVC& operator=(const CSPopoverBaseVC&) = delete;

  // The popup showing this controller's view. The controller takes it over
  // (it becomes a Qt::Popup window) and lets it go, deleted once the
  // current event is handled, when it closes.
  QWidget* popover() const { return m_popover; }
  void setPopover(QWidget* popover);
  CSPopoverDependent* dependent() const { return m_dependent; }
  void setDependent(CSPopoverDependent* dependent) { m_dependent = dependent; }

  // The popup is closing (however it was closed).
  void popoverWillClose();
  void closePopover();

  static void forgetLastCloseEvent();
  // Posts "cs.86popovers" (no object) when any controller is open.
  static void closePopovers();
  static bool arePopoversRegistered();
  static uint64_t openCount();
  // The input event that closed the last popup (a click outside it, a
  // key), kept until the event loop's next turn; null otherwise.
  static const QEvent* lastCloseEvent();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> m_popover;
  CSPopoverDependent* m_dependent = nullptr;
  bool m_counted = false;
};

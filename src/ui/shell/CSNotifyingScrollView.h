#pragma once
// A scroll area that announces each scroll the user makes with its scroll
// bars: "tindlewick.vscroll" or "tindlewick.hscroll", with the document
// view (the area's widget) as object, once the view has moved.

#include <QMetaObject>
#include <QScrollArea>
#include <QString>

class CSNotifyingScrollView : public QScrollArea {
 public:
  static const QString kVerticalScrollNotification;    // "tindlewick.vscroll"
  static const QString kHorizontalScrollNotification;  // "tindlewick.hscroll"

  explicit CSNotifyingScrollView(QWidget* parent = nullptr);

  // Watches the scroll bars the area has now; call it again after giving
  // the area other scroll bars.
  void awakeFromNib();

 private:
  void watch(QScrollBar* bar, bool vertical);

  QMetaObject::Connection m_connections[4];
  bool m_pending[2] = {false, false};  // horizontal, vertical
};

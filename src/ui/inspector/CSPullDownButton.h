#pragma once
// A button that drops down a menu of commands: it shows its own title or
// icon, never a chosen item, and each item carries a tag (the "tag"
// property that command handlers read from their sender). `itemChosen`
// tells of the item picked.

#include <QString>
#include <QToolButton>

class QAction;
class QMenu;

class CSPullDownButton : public QToolButton {
  Q_OBJECT

 public:
  explicit CSPullDownButton(QWidget* parent = nullptr);

  QMenu* pullDownMenu() const { return m_menu; }
  QAction* addItem(const QString& title, int tag);
  void addSeparator();
  // The first item with the tag, or null.
  QAction* itemWithTag(int tag) const;
  int itemCount() const;
  void removeAllItems();

  static int tagOf(const QObject* item);

 signals:
  void itemChosen(QAction* item);

 private:
  QMenu* m_menu;
};

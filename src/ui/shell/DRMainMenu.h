#pragma once
// The menu bar of a drawing window, built in code. Each item names its
// command by selector text (DRActionRouter::kSelectorProperty) and, where
// the command reads one, a tag (DRDrawVC::kTagProperty); the window's
// command chain performs and validates it. The menu also answers the
// window commands nothing earlier in the chain does (close, minimise, zoom
// and quit), as the chain's last link, and keeps the Open Recent submenu
// and the Window menu's list of document windows.

#include <QObject>
#include <QPointer>
#include <QString>

#include "ui/editor/DRActionRouter.h"

class DRWindowController;
class QAction;
class QMenu;
class QMenuBar;

class DRMainMenu : public QObject, public DRActionTarget {
  Q_OBJECT
 public:
  // The top-level menus' titles, left to right.
  static const QString kFileMenu;     // "&File"
  static const QString kEditMenu;     // "&Edit"
  static const QString kArrangeMenu;  // "&Arrange"
  static const QString kTextMenu;     // "&Text"
  static const QString kDrawMenu;     // "&Draw"
  static const QString kPaintMenu;    // "&Paint"
  static const QString kViewMenu;     // "&View"
  static const QString kWindowMenu;   // "&Window"
  static const QString kHelpMenu;     // "&Help"

  // Fills the window's menu bar and joins the window's command chain. The
  // controller owns the result. Without the advanced-user switch the Draw
  // menu has no "Combine Shapes" and the Edit menu no element stepping.
  static DRMainMenu* install(DRWindowController* controller);
  // The menu installed in the controller's window, or null.
  static DRMainMenu* of(const DRWindowController* controller);
  ~DRMainMenu() override;

  QMenuBar* menuBar() const;
  // The top-level menu of a title above, or null.
  QMenu* menu(const QString& title) const;
  QMenu* recentMenu() const;
  // Lists the application's recent documents again, most recent first,
  // then "Clear Menu"; the submenu does it each time it is about to show.
  void rebuildRecentMenu();
  // Lists the open document windows at the end of the Window menu, this
  // menu's window checked; choosing one brings it forward. The menu does it
  // each time it is about to show.
  void rebuildWindowList(QMenu* menu);

  // ---- DRActionTarget: performClose:, performMiniaturize:, performZoom:, terminate: ----
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  bool validateMenuItem(const QString& selector, QAction* item) override;

 private:
  explicit DRMainMenu(DRWindowController* controller);
  void build();
  void buildFileMenu();
  void buildEditMenu();
  void buildArrangeMenu();
  void buildTextMenu();
  void buildDrawMenu();
  void buildPaintMenu();
  void buildViewMenu();
  void buildWindowMenu();
  void buildHelpMenu();
  QMenu* addMenu(const QString& title);

  DRWindowController* m_controller;  // the owner
  QPointer<QMenu> m_recentMenu;
  QPointer<QAction> m_infoPanelItem;
};

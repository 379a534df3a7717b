#pragma once
// Makes the inspector's panes by controller class name. The inspector
// registers its factory at start-up; a class no factory knows gets a plain
// widget named after its interface file, so a missing pane leaves a gap
// rather than a hole in the code. Tests use FakePaneFactory
// (tests/testkit/ui).

#include <QString>

class QWidget;

class DRPaneFactory {
 public:
  virtual ~DRPaneFactory() = default;
  // A new pane of that class built from the interface file, or null when
  // the class is unknown.
  virtual QWidget* makePane(const QString& className, const QString& interfaceName, QWidget* parent) = 0;
};

void SetPaneFactory(DRPaneFactory* factory);  // not owned; null: none
DRPaneFactory* PaneFactory();

// The pane from the registered factory, else a plain widget whose
// objectName is the interface file's name. Never null.
QWidget* CreatePane(const QString& className, const QString& interfaceName, QWidget* parent);

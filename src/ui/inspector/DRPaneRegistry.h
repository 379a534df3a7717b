#pragma once
// The inspector's pane factory: each pane class registers how it is made
// under its class name, and the content controllers' requests for panes
// (CreatePane) are answered from here once it is installed. A class that
// is not registered gets the plain pane of CreatePane.

#include <QHash>
#include <QString>
#include <functional>

#include "ui/editor/DRPaneFactory.h"

class DRPaneRegistry : public DRPaneFactory {
 public:
  // Makes a pane from its interface file's name, as a child of `parent`.
  using Maker = std::function<QWidget*(const QString& interfaceName, QWidget* parent)>;

  static DRPaneRegistry& shared();

  // A second registration of a class replaces the first.
  void registerPane(const QString& className, Maker maker);
  bool knows(const QString& className) const { return m_makers.contains(className); }

  QWidget* makePane(const QString& className, const QString& interfaceName, QWidget* parent) override;

 private:
  QHash<QString, Maker> m_makers;
};

// Makes the registry the pane factory, unless another factory (a test's)
// is installed.
void InstallInspectorPaneFactory();

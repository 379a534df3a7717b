#pragma once
// Makes a plain widget for each class it is told it knows (its objectName
// "<class>:<interface file>") and records every request; registered while
// the fake lives.

#include <QStringList>
#include <QWidget>

#include "ui/editor/DRPaneFactory.h"

class FakePaneFactory : public DRPaneFactory {
 public:
  explicit FakePaneFactory(QStringList knownClasses = {}) : known(std::move(knownClasses)) { SetPaneFactory(this); }
  ~FakePaneFactory() override { SetPaneFactory(nullptr); }
  FakePaneFactory(const FakePaneFactory&) = delete;
  FakePaneFactory& operator=(const FakePaneFactory&) = delete;

  QStringList known;
  QStringList requested;  // class names, in order

  QWidget* makePane(const QString& className, const QString& interfaceName, QWidget* parent) override {
    requested << className;
    if (!known.contains(className)) return nullptr;
    auto* pane = new QWidget(parent);
    pane->setObjectName(className + QLatin1Char(':') + interfaceName);
    return pane;
  }
};

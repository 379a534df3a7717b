#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "testkit/QStringPrinter.h"
#include "ui/editor/DRActionRouter.h"

namespace {

// A link that performs "copy:" always, and "paste:" only while it has
// something to paste; it logs what it did under its name.
class Link : public DRActionTarget {
 public:
  Link(QString name, QStringList* log) : m_name(std::move(name)), m_log(log) {}

  bool canPaste = false;

  bool respondsToSelector(const QString& selector) const override { return table().contains(selector); }
  bool performAction(const QString& selector, QObject* sender) override {
    return table().perform(this, selector, sender);
  }
  bool validateMenuItem(const QString& selector, QAction* item) override {
    return table().validate(this, selector, item);
  }

 private:
  static const DRActionTable<Link>& table() {
    static const DRActionTable<Link> actions = [] {
      DRActionTable<Link> made;
      made.add(QStringLiteral("copy:"), &Link::copy).add(QStringLiteral("paste:"), &Link::paste, &Link::validatePaste);
      return made;
    }();
    return actions;
  }
  void copy(QObject*) { m_log->append(m_name + QStringLiteral(" copy")); }
  void paste(QObject*) { m_log->append(m_name + QStringLiteral(" paste")); }
  bool validatePaste(QAction*) { return canPaste; }

  QString m_name;
  QStringList* m_log;
};

// A link that answers only "toggleInfo:".
class WindowLink : public DRActionTarget {
 public:
  explicit WindowLink(QStringList* log) : m_log(log) {}
  bool respondsToSelector(const QString& selector) const override { return selector == QLatin1String("toggleInfo:"); }
  bool performAction(const QString& selector, QObject*) override {
    if (!respondsToSelector(selector)) return false;
    m_log->append(QStringLiteral("window toggleInfo"));
    return true;
  }

 private:
  QStringList* m_log;
};

QAction* Item(QMenu* menu, const char* selector) {
  QAction* item = menu->addAction(QString::fromLatin1(selector));
  item->setProperty(DRActionRouter::kSelectorProperty, QString::fromLatin1(selector));
  return item;
}

TEST(ActionRouter, TheFirstLinkAnsweringASelectorPerformsIt) {
  QStringList log;
  Link canvas(QStringLiteral("canvas"), &log);
  WindowLink window(&log);
  Link* current = &canvas;
  DRActionRouter router([&] { return std::vector<DRActionTarget*>{current, nullptr, &window}; });

  EXPECT_TRUE(router.sendAction(QStringLiteral("copy:"), nullptr));
  EXPECT_TRUE(router.sendAction(QStringLiteral("toggleInfo:"), nullptr));
  EXPECT_FALSE(router.sendAction(QStringLiteral("selectAll:"), nullptr));
  EXPECT_FALSE(router.sendAction(QString(), nullptr));
  // The chain is asked afresh: with no canvas the command finds nobody.
  current = nullptr;
  EXPECT_FALSE(router.sendAction(QStringLiteral("copy:"), nullptr));
  EXPECT_EQ(log, (QStringList{QStringLiteral("canvas copy"), QStringLiteral("window toggleInfo")}));
}

TEST(ActionRouter, MenuItemsAreEnabledByTheLinkThatWouldPerformThem) {
  QStringList log;
  Link canvas(QStringLiteral("canvas"), &log);
  WindowLink window(&log);
  DRActionRouter router([&] { return std::vector<DRActionTarget*>{&canvas, &window}; });
  QMenu menu;
  QAction* copy = Item(&menu, "copy:");
  QAction* paste = Item(&menu, "paste:");
  QAction* unknown = Item(&menu, "frobnicate:");
  QAction* plain = menu.addAction(QStringLiteral("no selector"));
  plain->setEnabled(true);

  QMenu* sub = menu.addMenu(QStringLiteral("More"));
  QAction* info = Item(sub, "toggleInfo:");
  info->setEnabled(false);

  router.attachMenu(&menu);
  emit menu.aboutToShow();
  emit sub->aboutToShow();
  EXPECT_TRUE(copy->isEnabled());
  EXPECT_FALSE(paste->isEnabled());
  EXPECT_FALSE(unknown->isEnabled());
  EXPECT_TRUE(plain->isEnabled());
  EXPECT_TRUE(info->isEnabled());

  canvas.canPaste = true;
  emit menu.aboutToShow();
  EXPECT_TRUE(paste->isEnabled());

  // Triggering sends each item's selector once.
  emit menu.triggered(paste);
  emit menu.triggered(plain);
  EXPECT_EQ(log, QStringList{QStringLiteral("canvas paste")});
}

}  // namespace

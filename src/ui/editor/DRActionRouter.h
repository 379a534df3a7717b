#pragma once
// Sends a menu command, named by its selector text ("copy:", "alignLeft:"),
// along the chain of the window: canvas, content controller, window
// controller, application controller. The first target that answers the
// selector performs it and validates its menu item; an item nobody answers
// is disabled.

#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QObject;

// A link of the chain.
class DRActionTarget {
 public:
  virtual ~DRActionTarget() = default;
  virtual bool respondsToSelector(const QString& selector) const = 0;
  // Performs the selector's member; false when the target has none.
  virtual bool performAction(const QString& selector, QObject* sender) = 0;
  // Whether the item is enabled (a target may also retitle or check it);
  // asked only of a target that answers the selector.
  virtual bool validateMenuItem(const QString& selector, QAction* item) {
    (void)selector, (void)item;
    return true;
  }
};

// Selector text to member of a class T, with an optional validator per
// selector; a target keeps one table for all its instances.
template <typename T>
class DRActionTable {
 public:
  using Action = void (T::*)(QObject* sender);
  using Validator = bool (T::*)(QAction* item);

  DRActionTable& add(const QString& selector, Action action, Validator validator = nullptr) {
    m_entries.insert(selector, Entry{action, validator});
    return *this;
  }
  bool contains(const QString& selector) const { return m_entries.contains(selector); }
  bool perform(T* target, const QString& selector, QObject* sender) const {
    const auto found = m_entries.constFind(selector);
    if (found == m_entries.constEnd() || !found->action) return false;
    (target->*(found->action))(sender);
    return true;
  }
  // True for a selector without a validator.
  bool validate(T* target, const QString& selector, QAction* item) const {
    const auto found = m_entries.constFind(selector);
    if (found == m_entries.constEnd()) return false;
    return found->validator ? (target->*(found->validator))(item) : true;
  }

 private:
  struct Entry {
    Action action;
    Validator validator;
  };
  QHash<QString, Entry> m_entries;
};

class DRActionRouter {
 public:
  // The chain, first asked first; made afresh for every command so it
  // follows the selected tab. Null links are skipped.
  using ChainProvider = std::function<std::vector<DRActionTarget*>()>;

  // The property of a QAction that holds its selector text.
  static const char* const kSelectorProperty;

  explicit DRActionRouter(ChainProvider chain) : m_chain(std::move(chain)) {}

  // Adds a link asked after the chain's own, for commands nothing else
  // answers; not owned, it must outlive the router or be removed first.
  void addTrailingTarget(DRActionTarget* target);
  void removeTrailingTarget(DRActionTarget* target);

  // The first target answering the selector, or null.
  DRActionTarget* targetForAction(const QString& selector) const;
  // Performs the selector on that target; false when nobody answers it.
  bool sendAction(const QString& selector, QObject* sender);
  // Enables the item when a target answers its selector and validates it.
  bool validateMenuItem(QAction* item) const;
  // Validates the item and sends its selector only when it is valid; false
  // when nothing was sent. The item is left enabled, so that its shortcut
  // keeps firing once the command is possible again.
  bool performMenuItem(QAction* item);
  // Validates every item of the menu and of its submenus when they are
  // about to show and enables them again when they hide (a disabled item's
  // shortcut would never fire), and performs an item when it is triggered,
  // from the menu or by its shortcut. For top-level menus only; the router
  // must outlive them.
  void attachMenu(QMenu* menu);

 private:
  void validateOnShow(QMenu* menu);

  ChainProvider m_chain;
  std::vector<DRActionTarget*> m_trailing;
};

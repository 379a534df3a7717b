// The window order and its tab groups, on plain windows.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWindow>
#include <memory>
#include <vector>

#include "platform/WindowOrder.h"

namespace {

class WindowOrderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    m_windows.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    WindowOrder::setTabbingPreferenceSource(nullptr);
  }
  QWindow* make(const QString& identifier = QStringLiteral("doc")) {
    m_windows.push_back(std::make_unique<QWindow>());
    QWindow* window = m_windows.back().get();
    window->resize(200, 100);
    WindowOrder::setTabbingIdentifier(window, identifier);
    WindowOrder::shared().track(window);
    return window;
  }
  void show(QWindow* window) {
    window->show();
    WindowOrder::shared().orderFront(window);
  }
  // The windows of `all` in the order given, as indices.
  static std::vector<int> Indices(const QList<QWindow*>& order, const std::vector<QWindow*>& all) {
    std::vector<int> indices;
    for (QWindow* window : order) {
      for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == window) indices.push_back(int(i));
      }
    }
    return indices;
  }
  std::vector<std::unique_ptr<QWindow>> m_windows;
};

TEST_F(WindowOrderTest, OrdersByActivationWithHiddenTabsAfterTheirShownOne) {
  WindowOrder& order = WindowOrder::shared();
  QWindow* a = make();
  QWindow* b = make();
  QWindow* c = make();
  QWindow* d = make();
  for (QWindow* w : {a, b, c}) {
    WindowOrder::setTabbingMode(w, WindowOrder::TabbingMode::Disallowed);
    show(w);
  }
  const std::vector<QWindow*> all{a, b, c, d};
  EXPECT_EQ(Indices(order.orderedWindows(), all), (std::vector<int>{2, 1, 0}));
  // d joins a's group hidden, before a; a stays the shown tab.
  order.addTabbedWindow(a, d, WindowOrder::Ordering::Below);
  EXPECT_EQ(order.tabbedWindows(a), (QList<QWindow*>{d, a}));
  EXPECT_EQ(order.tabGroup(d)->selectedWindow(), a);
  order.orderFront(a);
  EXPECT_EQ(Indices(order.orderedWindows(), all), (std::vector<int>{0, 3, 2, 1}));
  // A hidden window of no group is not ordered.
  b->hide();
  EXPECT_EQ(Indices(order.orderedWindows(), all), (std::vector<int>{0, 3, 2}));
  // Forgetting the shown tab selects its neighbour.
  order.forget(a);
  EXPECT_EQ(order.tabGroup(d)->selectedWindow(), d);
  EXPECT_TRUE(order.tabbedWindows(d).isEmpty());
  EXPECT_EQ(order.tabGroup(a), nullptr);
  // A destroyed window leaves the order by itself.
  m_windows[2].reset();
  EXPECT_EQ(order.windows().size(), 2);
}

TEST_F(WindowOrderTest, ANewWindowJoinsTheFrontOneByItsModeAndThePreference) {
  using Mode = WindowOrder::TabbingMode;
  using Pref = WindowOrder::TabbingPreference;
  struct {
    Mode mode;
    Pref preference;
    bool sameIdentifier;
    bool joins;
  } cases[] = {
      {Mode::Preferred, Pref::InFullScreen, true, true}, {Mode::Preferred, Pref::Manual, true, false},
      {Mode::Preferred, Pref::Always, false, false},     {Mode::Disallowed, Pref::Always, true, false},
      {Mode::Automatic, Pref::Always, true, true},       {Mode::Automatic, Pref::InFullScreen, true, false},
      {Mode::Automatic, Pref::Manual, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.mode) << " " << int(c.preference) << " " << c.sameIdentifier);
    m_windows.clear();
    Pref preference = c.preference;
    WindowOrder::setTabbingPreferenceSource([&] { return preference; });
    QWindow* front = make();
    WindowOrder::setTabbingMode(front, Mode::Disallowed);
    show(front);
    QWindow* late = make(c.sameIdentifier ? QStringLiteral("doc") : QStringLiteral("other"));
    WindowOrder::setTabbingMode(late, c.mode);
    show(late);
    EXPECT_EQ(WindowOrder::shared().tabbedWindows(front), c.joins ? (QList<QWindow*>{front, late}) : QList<QWindow*>{});
    if (c.joins) EXPECT_EQ(WindowOrder::shared().tabGroup(front)->selectedWindow(), late);
  }
}

}  // namespace

#pragma once
// A host for engine tests, registered for its life: panes show a view of the
// rectangles set here, and everything the core asks of the desktop is
// recorded instead of done (invalidations, scrolls, links, beeps, status
// texts). File links can be told to fail with `openSucceeds`.

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"

class FakeCorvaneHost : public CorvaneHost {
 public:
  FakeCorvaneHost();
  ~FakeCorvaneHost() override;
  FakeCorvaneHost(const FakeCorvaneHost&) = delete;
  FakeCorvaneHost& operator=(const FakeCorvaneHost&) = delete;

  struct Scroll {
    Pane* pane;
    bool vertical;
    double value;  // the amount code of an auto-scroll, else the position
    bool automatic;
    bool operator==(const Scroll&) const = default;
  };

  void getViewRect(QRectF* rect, CorvaneDoc* doc, Pane* pane) override;
  void getVisibleViewRect(QRectF* rect, Pane* pane) override;
  bool viewIsFocused(QObject* view) override;
  void invalView(Pane* pane) override;
  void invalViewRect(Pane* pane, const QRectF& rect) override;
  void autoScroll(Pane* pane, bool vertical, int32_t amount) override;
  double scrollPosition(Pane* pane, bool vertical) override;
  void scrollToPosition(Pane* pane, bool vertical, double position) override;
  void setStatusMessage(CorvaneDoc* doc, const QString& message, bool priority) override;
  void followHelpLink(CorvaneDoc* doc, uint32_t cp) override;
  QObject* notificationObject(CorvaneDoc* doc) override;
  QObject* windowControllerForPane(Pane* pane) override;
  std::optional<ShorthandDictionary> userReplacements() override;
  void beep() override;
  bool openUrl(const QUrl& url) override;
  bool revealFile(const QString& path) override;

  // The view every pane shows, and its visible part; a null pane has none.
  QRectF viewRect{0, 0, 400, 300};
  QRectF visibleRect{0, 0, 400, 300};
  bool focused = true;
  double verticalPosition = 0;
  double horizontalPosition = 0;
  // The window controller of every pane's view and the notification object.
  QObject* windowController = nullptr;
  std::optional<ShorthandDictionary> replacements;
  bool openSucceeds = true;

  // What was asked. An invalidation of the whole view records its rect.
  QList<QRectF> invalidations;
  QList<Scroll> scrolls;
  QStringList statusTexts;
  QList<uint32_t> helpLinks;
  QList<QUrl> openedUrls;
  QStringList revealedPaths;
  int beeps = 0;

 private:
  CorvaneHost* m_previous;
};

// Keeps the engine's configuration as it was for the life of the guard.
class ScopedCorvaneConfig {
 public:
  ScopedCorvaneConfig() : m_saved(g_corvaneConfig) {}
  ~ScopedCorvaneConfig() { g_corvaneConfig = m_saved; }
  ScopedCorvaneConfig(const ScopedCorvaneConfig&) = delete;
  ScopedCorvaneConfig& operator=(const ScopedCorvaneConfig&) = delete;

 private:
  CorvaneConfig m_saved;
};

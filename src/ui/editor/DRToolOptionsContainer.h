#pragma once
// The tool-options container of the format panel: a stack of option panes,
// one per options identifier of the tool table, under a title band. It
// follows "twdraw.toolChanged" of its window and shows the pane of the
// tool, for the drawing or a painting tab as the window's current tab is.

#include <QString>
#include <QWidget>

#include "model/DRTool.h"

class DREditorWindowHost;
class QStackedWidget;

class DRToolOptionsContainer : public QWidget {
  Q_OBJECT

 public:
  // The height of the title band, and the margin under a pane's controls,
  // in points.
  static constexpr int kTitleBandHeight = 20;
  static constexpr int kPaneMargin = 6;

  explicit DRToolOptionsContainer(QWidget* parent = nullptr);
  ~DRToolOptionsContainer() override;

  void setWindowHost(DREditorWindowHost* host) { m_host = host; }
  // Observes "twdraw.toolChanged" of the window (the host's, else the
  // container's own top-level widget).
  void awakeFromNib();

  // The stack of panes below the title band; a pane's objectName is its
  // options identifier. It starts with an empty "no" pane.
  QStackedWidget* tabView() const { return m_tabView; }
  // Adds a pane under its identifier (taking ownership).
  void addPane(const QString& identifier, QWidget* pane);
  // Takes the height the shown pane's controls need; the strip of a pane
  // without controls is only its band.
  void fitToPane();
  // The identifier of the pane shown.
  QString selectedIdentifier() const;

  DRTool currentTool() const { return m_currentTool; }
  bool inDraw() const { return m_inDraw; }
  // The title drawn in the band, empty when the band is clear.
  QString title() const;

  // Shows the options of the tool of a "twdraw.toolChanged" user
  // information; a tool number outside 0-19 changes nothing.
  void toolChanged(const QVariantMap& userInfo);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool inDrawingTab() const;
  QObject* notificationWindow() const;

  DREditorWindowHost* m_host = nullptr;
  QStackedWidget* m_tabView = nullptr;
  DRTool m_currentTool = kToolNone;
  bool m_inDraw = false;
};

#pragma once
// The tool palette of a document window: a narrow strip of square tool
// cells beside the canvas, showing the drawing tools in the drawing tab and
// the painting tools in a painting tab. It owns the tool table and announces
// every tool chosen by "twdraw.toolChanged"; the canvases set its tool back
// through setSelectedTool when they switch tools themselves.

#include <QString>
#include <QWidget>
#include <span>

#include "model/DRTool.h"
#include "support/CSImage.h"

class DREditorWindowHost;

// A row of the tool table.
struct DRToolDescription {
  QString imageName;
  CSImage lightImage;
  CSImage darkImage;  // the "W" image of the line pictograms; null for the others
  QString optionsID;  // the tab of the tool's options pane, "no" for none
  QString optionsTitle;
  QString toolTip;
};

// The inset of a tool image inside its cell, in points.
constexpr double g_imageToolOffset = 5.0;

class DRToolbarView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kToolCount = 20;

  explicit DRToolbarView(QWidget* parent = nullptr);
  ~DRToolbarView() override;

  // Loads the tool table's images and the painting line images once.
  static void initialize();
  // The row of a tool 0-19.
  static const DRToolDescription& toolDescription(DRTool tool);
  // The options pane of a tool: "no" (no title) above 19 and for the select
  // tool in the drawing tab, else the table's row.
  static QString idForToolOptions(DRTool tool, bool inDraw);
  static QString titleForToolOptions(DRTool tool, bool inDraw);
  // The tool of a "twdraw.toolChanged" user information: kToolNone when the
  // number is missing, not a number or outside 0-19.
  static DRTool toolFromUserInfo(const QVariantMap& userInfo);

  // The window the palette serves: its current content controller picks
  // the tool list; not owned.
  void setWindowHost(DREditorWindowHost* host) { m_host = host; }
  DREditorWindowHost* windowHost() const { return m_host; }

  // Once placed in its window: observes the window's tab changes and
  // selects the select tool from the event loop.
  void awakeFromNib();
  void initialSelect() { setSelectedTool(kToolSelect); }

  DRTool selectedTool() const { return m_selectedTool; }
  // Selects and announces a tool; tool 0 only asks for the format panel.
  void setSelectedTool(DRTool tool);

  // The tools of the cells from the top, for the current tab.
  std::span<const DRTool> toolList() const;
  // A tool's cell, or the empty rectangle when it has none in this tab.
  QRectF rectForTool(DRTool tool) const;
  // The tool whose cell holds the point (separator lines excluded), else
  // kToolNone.
  DRTool toolAtPoint(QPointF point) const;
  // Redraws a tool's cell (the whole palette when it has none).
  void invalTool(DRTool tool);
  // The tooltip of a tool's cell in the current tab.
  QString stringForToolTip(DRTool tool) const;

  // The window is closing: nothing is drawn from now on.
  void shutDown() { m_shutDown = true; }
  void tabChanged();

  // The object of the palette's notifications: the host's window, else the
  // palette's own top-level widget.
  QObject* notificationWindow() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  bool inDrawingTab() const;
  bool inPaintingTab() const;
  void redrawTrackedCell();

  DREditorWindowHost* m_host = nullptr;
  DRTool m_selectedTool = kToolNone;
  DRTool m_trackingTool = kToolNone;
  bool m_highlightTrack = false;
  bool m_shutDown = false;
};

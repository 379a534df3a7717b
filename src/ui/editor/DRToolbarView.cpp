#include "ui/editor/DRToolbarView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolTip>
#include <array>
#include <cmath>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/GraphicsHelpers.h"
#include "support/ImageFunctions.h"
#include "support/Kolor.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

constexpr std::array<DRTool, 14> kDrawTools = {
    kToolFormatPanel, kToolSelect,  kToolEyedropper, kToolZoom,        kToolLine,    kToolCurvedLine, kToolRectangle,
    kToolRoundRect,   kToolEllipse, kToolArc,        kToolRegularPoly, kToolPolygon, kToolScribble,   kToolText,
};
constexpr std::array<DRTool, 13> kPaintTools = {
    kToolFormatPanel, kToolSelect, kToolEyedropper, kToolZoom,   kToolLine,   kToolRectangle, kToolEllipse,
    kToolBrush,       kToolPencil, kToolBlur,       kToolBucket, kToolEraser, kToolCrop,
};

struct ToolTable {
  std::array<DRToolDescription, DRToolbarView::kToolCount> rows;
  CSImage lineImagePaint;
  CSImage darkLineImagePaint;
};

ToolTable& Table() {
  static ToolTable table = [] {
    struct Row {
      const char* image;
      const char* options;
      const char* title;
      const char* tip;
    };
    static const Row kRows[DRToolbarView::kToolCount] = {
        {"ToolInfo", "no", nullptr, "Open or close the format panel"},
        {"ToolSelect", "sel", "Select Options", "Select part of the document"},
        {"ToolEyedropper", "color", "Eyedropper Options", "Pick up a color"},
        {"ToolZoom", "no", nullptr, "Zoom in or out"},
        {"ToolText", "text", "Text Options", "Text"},
        {"ToolLine", "line", "Line Options", "Lines, with or without arrows"},
        {"ToolCurveLine", "cline", "Curved Line Options", "Curved or angled lines, with or without arrows"},
        {"ToolRectangle", "rect", "Rectangle Options", "Rectangles and squares"},
        {"ToolRoundRect", "rrect", "Rounded Rectangle Options", "Rounded-corner rectangles and squares"},
        {"ToolEllipse", "oval", "Ellipse Options", "Ellipses and circles"},
        {"ToolArc", "no", nullptr, "Arc of a circle"},
        {"ToolRegularPoly", "regpoly", "Regular Polygon Options", "Regular polygons"},
        {"ToolPolygon", "poly", "Polygon Options", "Custom polygons and curves"},
        {"ToolScribble", "scribble", "Scribble Options", "Scribbles (free-form polygons)"},
        {"ToolBrush", "brush", "Brush Options", "Brush"},
        {"ToolPencil", "pencil", "Pencil Options", "Pencil: single-pixel line"},
        {"ToolBlur", "blur", "Blur Options", "Blur and smudge"},
        {"ToolBucket", "bucket", "Bucket Options", "Paint bucket"},
        {"ToolEraser", "brush", "Eraser Options", "Eraser"},
        {"ToolCrop", "crop", "Crop Actions", "Crop"},
    };
    ToolTable made;
    for (int tool = 0; tool < DRToolbarView::kToolCount; ++tool) {
      const Row& row = kRows[tool];
      DRToolDescription& description = made.rows[size_t(tool)];
      description.imageName = QString::fromLatin1(row.image);
      description.optionsID = QString::fromLatin1(row.options);
      if (row.title) description.optionsTitle = QString::fromLatin1(row.title);
      description.toolTip = QString::fromLatin1(row.tip);
    }
    return made;
  }();
  return table;
}

bool g_imagesLoaded = false;

bool IsTool(DRTool tool) {
  return tool >= 0 && tool < DRToolbarView::kToolCount;
}

}  // namespace

// ---- The tool table ----------------------------------------------------------------

void DRToolbarView::initialize() {
  if (g_imagesLoaded) return;
  g_imagesLoaded = true;
  SetupEditorResources();
  ToolTable& table = Table();
  // The dark variants exist for the line pictograms only; the others read on
  // both backgrounds.
  for (int tool = 0; tool < kToolCount; ++tool) {
    DRToolDescription& row = table.rows[size_t(tool)];
    row.lightImage = ImageNamed(row.imageName);
    if (tool == kToolSelect || tool == kToolText || tool == kToolLine || tool == kToolCurvedLine)
      row.darkImage = ImageNamed(row.imageName + QStringLiteral("W"));
  }
  table.lineImagePaint = ImageNamed(QStringLiteral("ToolLinePaint"));
  table.darkLineImagePaint = ImageNamed(QStringLiteral("ToolLinePaintW"));
}

const DRToolDescription& DRToolbarView::toolDescription(DRTool tool) {
  initialize();
  static const DRToolDescription none;
  return IsTool(tool) ? Table().rows[size_t(tool)] : none;
}

QString DRToolbarView::idForToolOptions(DRTool tool, bool inDraw) {
  if (!IsTool(tool) || (tool == kToolSelect && inDraw)) return QStringLiteral("no");
  return Table().rows[size_t(tool)].optionsID;
}

QString DRToolbarView::titleForToolOptions(DRTool tool, bool inDraw) {
  if (!IsTool(tool) || (tool == kToolSelect && inDraw)) return QString();
  return Table().rows[size_t(tool)].optionsTitle;
}

DRTool DRToolbarView::toolFromUserInfo(const QVariantMap& userInfo) {
  const QVariant value = userInfo.value(g_toolKey);
  bool ok = false;
  const qlonglong number = value.toLongLong(&ok);
  if (!value.isValid() || !ok || number < 0 || number >= kToolCount) return kToolNone;
  return DRTool(number);
}

// ---- The palette -----------------------------------------------------------------

DRToolbarView::DRToolbarView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  setMouseTracking(false);
}

DRToolbarView::~DRToolbarView() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

QObject* DRToolbarView::notificationWindow() const {
  if (m_host) {
    if (QObject* window = m_host->window()) return window;
  }
  return window();
}

void DRToolbarView::awakeFromNib() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  center.addObserver(this, g_tabChangeNotification, notificationWindow(),
                     [this](const CSNotification&) { tabChanged(); });
  QTimer::singleShot(10, this, [this] { initialSelect(); });
}

void DRToolbarView::tabChanged() {
  // Tooltips are looked up per event, so only the cells need redrawing.
  update();
}

bool DRToolbarView::inDrawingTab() const {
  return m_host && IsDrawContent(m_host->currentVC());
}

bool DRToolbarView::inPaintingTab() const {
  return m_host && IsPaintContent(m_host->currentVC());
}

std::span<const DRTool> DRToolbarView::toolList() const {
  if (inDrawingTab()) return kDrawTools;
  return kPaintTools;
}

QRectF DRToolbarView::rectForTool(DRTool tool) const {
  const std::span<const DRTool> list = toolList();
  const double side = width();
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == tool) return QRectF(0, double(i) * side, side, side - 1);
  }
  return QRectF();
}

DRTool DRToolbarView::toolAtPoint(QPointF point) const {
  const double side = width();
  // A palette without width has no cells, and a point above it no row: both
  // would otherwise make a row number that is not one.
  if (!(side > 0) || !std::isfinite(point.y()) || point.y() < 0) return kToolNone;
  const double row = std::trunc(point.y() / side);
  const std::span<const DRTool> list = toolList();
  if (row >= double(list.size())) return kToolNone;
  const DRTool candidate = list[size_t(row)];
  // Half-open cells: the separator line below each belongs to no tool.
  const QRectF cell = rectForTool(candidate);
  if (point.x() >= cell.left() && point.x() < cell.right() && point.y() >= cell.top() && point.y() < cell.bottom())
    return candidate;
  return kToolNone;
}

void DRToolbarView::invalTool(DRTool tool) {
  if (tool == kToolNone) return;
  const QRectF cell = rectForTool(tool);
  if (cell.isEmpty()) {
    update();
  } else {
    update(cell.toAlignedRect());
  }
}

QString DRToolbarView::stringForToolTip(DRTool tool) const {
  if (!IsTool(tool)) return QString();
  if (tool == kToolLine && inPaintingTab()) return QStringLiteral("Lines");
  return Table().rows[size_t(tool)].toolTip;
}

void DRToolbarView::setSelectedTool(DRTool tool) {
  if (tool == m_selectedTool) return;
  invalTool(tool);
  NotificationCenter& center = NotificationCenter::defaultCenter();
  if (tool == kToolFormatPanel) {
    center.post(g_toggleInfoNotification, notificationWindow());
    return;
  }
  invalTool(m_selectedTool);
  m_selectedTool = tool;
  center.post(g_toolChangedNotification, notificationWindow(), {{g_toolKey, int(tool)}});
}

// ---- Drawing ---------------------------------------------------------------------

void DRToolbarView::paintEvent(QPaintEvent* event) {
  if (m_shutDown) return;
  initialize();
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QRectF dirty = event->rect();
  const double side = width();
  const double height = this->height();
  const bool dark = g_darkMode;
  painter.fillRect(dirty, GrayColor(dark ? 5 : 1));

  const std::span<const DRTool> list = toolList();
  QPainterPath lines;
  lines.moveTo(side - 0.5, 0);
  lines.lineTo(side - 0.5, height);
  for (size_t i = 0; i < list.size(); ++i) {
    const double y = double(i + 1) * side - 0.5;
    lines.moveTo(0, y);
    lines.lineTo(side, y);
  }
  const double listBottom = double(list.size()) * side;
  const QRectF below(0, listBottom, side - 1, height - listBottom);
  if (below.isValid() && below.intersects(dirty)) painter.fillRect(below, GrayColor(dark ? 6 : 2));
  painter.setPen(QPen(GrayColor(dark ? 4 : 3), 1.0));
  painter.drawPath(lines);

  const ToolTable& table = Table();
  const bool plainPainting = m_host && IsPlainPaintContent(m_host->currentVC());
  for (const DRTool tool : list) {
    const QRectF cell = rectForTool(tool);
    if (!cell.intersects(dirty)) continue;
    const bool highlighted = tool == m_selectedTool || (tool == m_trackingTool && m_highlightTrack);
    if (highlighted) painter.fillRect(cell, palette().color(QPalette::Active, QPalette::Highlight));
    const DRToolDescription& row = table.rows[size_t(tool)];
    // The light-on-dark images are for cells on the dark background only.
    const bool useDark = dark && !highlighted;
    CSImage image;
    if (plainPainting && tool == kToolLine) {
      image = useDark && !table.darkLineImagePaint.isNull() ? table.darkLineImagePaint : table.lineImagePaint;
    } else {
      image = useDark && !row.darkImage.isNull() ? row.darkImage : row.lightImage;
    }
    if (image.isNull()) continue;
    QRectF imageRect(QPointF(0, 0), image.size());
    CenterRectangle(&imageRect,
                    cell.adjusted(g_imageToolOffset, g_imageToolOffset, -g_imageToolOffset, -g_imageToolOffset));
    image.drawInRectNormally(&painter, imageRect);
  }
}

// ---- Mouse tracking and tooltips ---------------------------------------------------

void DRToolbarView::redrawTrackedCell() {
  invalTool(m_trackingTool);
}

void DRToolbarView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  m_trackingTool = toolAtPoint(event->position());
  if (m_trackingTool == kToolNone) return;
  if (m_trackingTool == m_selectedTool) {
    m_trackingTool = kToolNone;
    return;
  }
  m_highlightTrack = true;
  redrawTrackedCell();
}

void DRToolbarView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other.
  mousePressEvent(event);
}

void DRToolbarView::mouseMoveEvent(QMouseEvent* event) {
  if (m_trackingTool == kToolNone) return;
  const bool inside = toolAtPoint(event->position()) == m_trackingTool;
  if (inside != m_highlightTrack) {
    m_highlightTrack = inside;
    redrawTrackedCell();
  }
}

void DRToolbarView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (m_highlightTrack) {
    m_highlightTrack = false;
    const DRTool tool = m_trackingTool;
    m_trackingTool = kToolNone;
    invalTool(tool);
    if (tool != kToolNone) setSelectedTool(tool);
  }
  m_trackingTool = kToolNone;
}

void DRToolbarView::leaveEvent(QEvent* event) {
  if (m_trackingTool != kToolNone && m_highlightTrack) {
    m_highlightTrack = false;
    redrawTrackedCell();
  }
  QWidget::leaveEvent(event);
}

bool DRToolbarView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const DRTool tool = toolAtPoint(help->pos());
    const QString text = stringForToolTip(tool);
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this, rectForTool(tool).toAlignedRect());
    }
    return true;
  }
  return QWidget::event(event);
}

#include "ui/inspector/DRColorWell.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/GraphicHelpers.h"
#include "support/GraphicsContext.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/shell/DRWindowController.h"

namespace {

// What a swatch changes: the selection's key path and the undo descriptor
// (0: the change opens no undo entry).
struct SwatchRoute {
  int32_t swatch;
  const QString* keyPath;
  int descriptor;
};

const QString& SwapKolorKeyPath() {
  static const QString path = QStringLiteral("swapKolor");
  return path;
}

const QString& ShadowKolorKeyPath() {
  static const QString path = QStringLiteral("shadow.kolor");
  return path;
}

const SwatchRoute* RouteForSwatch(int32_t swatch) {
  static const SwatchRoute kRoutes[] = {
      {kSwatchLine, &g_lineKolorKeyPath, kUndoLineColor},
      {kSwatchFill, &g_fillKolorKeyPath, kUndoFillColor},
      {kSwatchSwap, &SwapKolorKeyPath(), 0},
      {kSwatchShadow, &ShadowKolorKeyPath(), kUndoShadowColor},
      {kSwatchTextColor, &g_textKolorKeyPath, kUndoTextColor},
      {kSwatchTextBackground, &g_textBackKolorKeyPath, kUndoTextBackground},
  };
  for (const SwatchRoute& route : kRoutes) {
    if (route.swatch == swatch) return &route;
  }
  return nullptr;
}

// The new default of the tool settings; the shadow colour has none.
void StoreToolSetting(int32_t swatch, Kolor kolor) {
  DRSettings& settings = DRSettings::sharedInstance();
  switch (swatch) {
    case kSwatchLine:
      settings.lineInfo().setKolor(kolor);
      break;
    case kSwatchFill:
      settings.setFillKolor(kolor);
      break;
    case kSwatchSwap:
      settings.setSwapKolor(kolor);
      break;
    case kSwatchTextColor:
      settings.textInfo().setTextKolor(kolor);
      break;
    case kSwatchTextBackground:
      settings.textInfo().setBackKolor(kolor);
      break;
    default:
      break;
  }
}

}  // namespace

DRColorWell::DRColorWell(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::TabFocus);
}

DRColorWell::~DRColorWell() = default;

DRWindowController* DRColorWell::windowController() const {
  return m_windowController;
}

void DRColorWell::setWindowController(DRWindowController* controller) {
  m_windowController = controller;
}

void DRColorWell::setTrueKolor(Kolor kolor) {
  if (kolor == m_trueKolor) return;
  m_trueKolor = kolor;
  update();
}

void DRColorWell::setKolor(Kolor kolor, int swatch) {
  (void)swatch;  // the well's own swatch decides
  const SwatchRoute* route = RouteForSwatch(m_swatchIndex);
  if (!route) return;
  StoreToolSetting(m_swatchIndex, kolor);
  QObject* window = m_windowController ? static_cast<QObject*>(m_windowController->window()) : nullptr;
  if (route->descriptor != 0) {
    DRContentVC* controller = m_windowController ? m_windowController->currentContent() : nullptr;
    if (!controller) return;
    if (!controller->isUndoIDCurrent(m_undoID)) m_undoID = controller->newUndoID();
    // A locked drawing refuses: the default changed, the drawing did not.
    if (!controller->setUndoID(m_undoID, kUndoActionChange, route->descriptor)) return;
  }
  if (window) {
    // A plain fill colour replaces a gradient fill.
    if (m_swatchIndex == kSwatchFill) ChangeSelectionObject(window, g_gradientKeyPath, QString(), QVariant());
    ChangeSelectionColor(window, *route->keyPath, QString(), m_swatchIndex, kolor);
  }
  setTrueKolor(kolor);
}

void DRColorWell::drawWellInside(QPainter* painter, const QRectF& rect, Kolor kolor) {
  if (!painter || rect.isEmpty()) return;
  if (!IsValidKolor(kolor) || KolorOpacity(kolor) == 0) {
    const GraphicsContextScope scope(painter);
    QPainterPath cross;
    DrawNoColorCross(&cross, rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(GrayColor(3), 1));
    painter->drawPath(cross);
    painter->restore();
    return;
  }
  if (KolorOpacity(kolor) < 100) {
    // Black above the diagonal from bottom-left to top-right, white below,
    // so that the translucency shows against both.
    QPainterPath dark;
    dark.moveTo(rect.left(), rect.top());
    dark.lineTo(rect.right(), rect.top());
    dark.lineTo(rect.left(), rect.bottom());
    dark.closeSubpath();
    QPainterPath light;
    light.moveTo(rect.left(), rect.bottom());
    light.lineTo(rect.right(), rect.top());
    light.lineTo(rect.right(), rect.bottom());
    light.closeSubpath();
    painter->fillPath(dark, Qt::black);
    painter->fillPath(light, Qt::white);
  }
  painter->fillRect(rect, ColorFromKolor(kolor));
}

QSize DRColorWell::sizeHint() const {
  return QSize(44, 23);
}

void DRColorWell::mousePressEvent(QMouseEvent* event) {
  // The shared panel is asked for the well's swatch; the platform's own
  // well mechanism is never used.
  if (!isEnabled() || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  EditorAppServices().openColorPanel(m_swatchIndex, m_trueKolor, this);
}

void DRColorWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPalette& colors = palette();
  painter.setPen(QPen(colors.color(QPalette::Mid), 1));
  painter.setBrush(colors.color(QPalette::Button));
  painter.drawRect(bounds);
  const QRectF inside = QRectF(rect()).adjusted(4, 4, -4, -4);
  drawWellInside(&painter, inside, m_trueKolor);
  painter.setPen(QPen(GrayColor(4), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(inside.adjusted(0, 0, -1, -1));
}

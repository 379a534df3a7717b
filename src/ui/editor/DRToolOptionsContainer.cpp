#include "ui/editor/DRToolOptionsContainer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QStackedWidget>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Fonts.h"
#include "support/Kolor.h"
#include "support/TextDrawing.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr Kolor kBandLightTop = 0x64E6E6E6;
constexpr Kolor kBandGreen = 0x6444A915;

}  // namespace

DRToolOptionsContainer::DRToolOptionsContainer(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  m_tabView = new QStackedWidget(this);
  auto* none = new QWidget;
  none->setObjectName(QStringLiteral("no"));
  m_tabView->addWidget(none);
}

DRToolOptionsContainer::~DRToolOptionsContainer() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

QObject* DRToolOptionsContainer::notificationWindow() const {
  if (m_host) {
    if (QObject* window = m_host->window()) return window;
  }
  return window();
}

void DRToolOptionsContainer::awakeFromNib() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  center.addObserver(this, g_toolChangedNotification, notificationWindow(),
                     [this](const CSNotification& notification) { toolChanged(notification.userInfo); });
}

void DRToolOptionsContainer::addPane(const QString& identifier, QWidget* pane) {
  if (!pane) return;
  pane->setObjectName(identifier);
  m_tabView->addWidget(pane);
  fitToPane();
}

void DRToolOptionsContainer::fitToPane() {
  // The band, the pane's controls with a margin below them, and the line
  // under the strip: the inspector below gets the rest of the panel.
  const QWidget* pane = m_tabView->currentWidget();
  const QRect controls = pane ? pane->childrenRect() : QRect();
  setFixedHeight(kTitleBandHeight + (controls.isEmpty() ? 0 : controls.bottom() + 1 + kPaneMargin) + 1);
}

QString DRToolOptionsContainer::selectedIdentifier() const {
  const QWidget* pane = m_tabView->currentWidget();
  return pane ? pane->objectName() : QString();
}

bool DRToolOptionsContainer::inDrawingTab() const {
  return m_host && IsDrawContent(m_host->currentVC());
}

QString DRToolOptionsContainer::title() const {
  return DRToolbarView::titleForToolOptions(m_currentTool, inDrawingTab());
}

void DRToolOptionsContainer::toolChanged(const QVariantMap& userInfo) {
  const DRTool tool = DRToolbarView::toolFromUserInfo(userInfo);
  if (tool == kToolNone) return;
  const bool inDraw = inDrawingTab();
  if (tool == m_currentTool && inDraw == m_inDraw) return;
  m_currentTool = tool;
  m_inDraw = inDraw;
  const QString identifier = DRToolbarView::idForToolOptions(tool, inDraw);
  QWidget* shown = m_tabView->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
  // A pane not supplied (yet) shows as no options rather than as stale ones.
  if (!shown || m_tabView->indexOf(shown) < 0)
    shown = m_tabView->findChild<QWidget*>(QStringLiteral("no"), Qt::FindDirectChildrenOnly);
  if (shown) m_tabView->setCurrentWidget(shown);
  fitToPane();
  update(0, 0, width(), kTitleBandHeight);
  NotificationCenter::defaultCenter().post(g_activateCropNotification, notificationWindow(), {{g_cropKey, false}});
}

void DRToolOptionsContainer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_tabView->setGeometry(0, kTitleBandHeight, width(), std::max(0, height() - kTitleBandHeight - 1));
}

void DRToolOptionsContainer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const bool dark = g_darkMode;
  const QRectF bounds = rect();
  QColor background = g_formatPanelBackground;
  if (!background.isValid()) background = ColorFromKolor(dark ? 0x64262626 : 0x64E6E6E6);
  painter.fillRect(bounds, background);
  painter.setPen(QPen(GrayColor(dark ? 5 : 3), 1.0));
  painter.drawLine(QPointF(0, bounds.height() - 0.5), QPointF(bounds.width(), bounds.height() - 0.5));

  const QString text = title();
  if (text.isEmpty()) return;
  const QRectF band(0, 0, bounds.width(), kTitleBandHeight);
  // From the top of the band down.
  QLinearGradient gradient(band.topLeft(), band.bottomLeft());
  gradient.setColorAt(0, dark ? ColorFromKolor(kBandGreen) : ColorFromKolor(kBandLightTop));
  gradient.setColorAt(1, dark ? GrayColor(6) : ColorFromKolor(kBandGreen));
  painter.fillRect(band, gradient);
  QFont font = SystemFont(SmallSystemFontSize());
  font.setBold(true);
  DrawCenteredString(&painter, text, font, QColor(), false, band);
}

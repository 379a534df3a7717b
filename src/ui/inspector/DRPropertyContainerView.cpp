#include "ui/inspector/DRPropertyContainerView.h"

#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Kolor.h"
#include "ui/editor/DRContentVC.h"
#include "ui/inspector/CSPropertyView.h"
#include "ui/inspector/DRPaneRegistry.h"

namespace {

QColor PanelBackground() {
  if (g_formatPanelBackground.isValid()) return g_formatPanelBackground;
  return ColorFromKolor(g_darkMode ? 0x64262626 : 0x64E6E6E6);
}

}  // namespace

DRPropertyContainerView::DRPropertyContainerView(QWidget* parent) : QWidget(parent) {
  InstallInspectorPaneFactory();
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_scrollView = new QScrollArea(this);
  m_scrollView->setObjectName(QStringLiteral("propertyScrollView"));
  m_scrollView->setFrameShape(QFrame::NoFrame);
  m_scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_scrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The property view sizes itself to its panes.
  m_scrollView->setWidgetResizable(false);
  m_scrollView->viewport()->setAutoFillBackground(true);
  darkModeChanged();
  NotificationCenter::defaultCenter().addObserver(this, g_darkModeChangedNotification, nullptr,
                                                  [this](const CSNotification&) { darkModeChanged(); });
  m_propertyView = new CSPropertyView;
  m_propertyView->setObjectName(QStringLiteral("properties"));
  m_propertyView->setDelegate(this);
  m_scrollView->setWidget(m_propertyView);
  layout->addWidget(m_scrollView);
}

DRPropertyContainerView::~DRPropertyContainerView() {
  NotificationCenter::defaultCenter().removeObserver(this);
  m_source = nullptr;
  if (m_propertyView) m_propertyView->setDelegate(nullptr);
}

void DRPropertyContainerView::darkModeChanged() {
  // Below the last pane the scroll area shows through.
  QPalette palette = m_scrollView->viewport()->palette();
  palette.setColor(QPalette::Window, PanelBackground());
  m_scrollView->viewport()->setPalette(palette);
  update();
}

void DRPropertyContainerView::setContentSource(ContentSource source) {
  m_source = std::move(source);
}

DRContentVC* DRPropertyContainerView::content() const {
  return m_source ? m_source() : nullptr;
}

int DRPropertyContainerView::numberOfLevels(CSPropertyView*) {
  DRContentVC* controller = content();
  return controller ? controller->numberOfLevels() : 0;
}

QWidget* DRPropertyContainerView::controllerForLevel(CSPropertyView*, int level, QWidget* parent) {
  DRContentVC* controller = content();
  return controller ? controller->controllerForLevel(level, parent) : nullptr;
}

QString DRPropertyContainerView::nameForLevel(CSPropertyView*, int level) {
  DRContentVC* controller = content();
  return controller ? controller->nameForLevel(level) : QString();
}

bool DRPropertyContainerView::shouldOpenLevel(CSPropertyView*, int level) {
  DRContentVC* controller = content();
  return !controller || controller->shouldOpenLevel(level);
}

void DRPropertyContainerView::didOpenLevel(CSPropertyView*, int level) {
  if (DRContentVC* controller = content()) controller->didOpenLevel(level);
}

void DRPropertyContainerView::didCloseLevel(CSPropertyView*, int level) {
  if (DRContentVC* controller = content()) controller->didCloseLevel(level);
}

void DRPropertyContainerView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), PanelBackground());
}

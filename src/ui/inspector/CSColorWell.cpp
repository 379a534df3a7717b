#include "ui/inspector/CSColorWell.h"

#include "ui/inspector/DRColorWell.h"

#include <QColorDialog>
#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>

#include "support/widgets/InterfaceHelpers.h"

namespace {

QPointer<CSColorWell>& ActiveSlot() {
  static QPointer<CSColorWell> well;
  return well;
}

QColor PanelColor(Kolor kolor) {
  return IsValidKolor(kolor) ? ColorFromKolor(kolor) : QColor(Qt::white);
}

}  // namespace

CSColorWell::CSColorWell(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::TabFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (isActive()) {
      deactivate();
    } else {
      activate();
    }
  });
}

CSColorWell::~CSColorWell() {
  deactivate();
}

CSColorWell* CSColorWell::activeWell() {
  return ActiveSlot();
}

void CSColorWell::setKolor(Kolor kolor) {
  if (kolor == m_kolor) return;
  m_kolor = kolor;
  if (m_panel) {
    const QSignalBlocker blocker(m_panel);
    m_panel->setCurrentColor(PanelColor(kolor));
  }
  update();
}

void CSColorWell::activate() {
  if (isActive()) return;
  if (CSColorWell* other = ActiveSlot(); other && other != this) other->deactivate();
  QColorDialog* panel = SharedColorDialog();
  // The panel serves this well alone from now on.
  QObject::disconnect(panel, &QColorDialog::currentColorChanged, nullptr, nullptr);
  {
    const QSignalBlocker blocker(panel);
    panel->setCurrentColor(PanelColor(m_kolor));
  }
  m_panel = panel;
  m_connection = connect(panel, &QColorDialog::currentColorChanged, this, &CSColorWell::panelColorChanged);
  panel->installEventFilter(this);
  ActiveSlot() = this;
  setProperty(kActiveColorWellProperty, true);
  setDown(false);
  update();
  panel->show();
  panel->raise();
}

void CSColorWell::deactivate() {
  if (!isActive() && ActiveSlot() != this) return;
  disconnect(m_connection);
  if (m_panel) m_panel->removeEventFilter(this);
  m_panel = nullptr;
  if (ActiveSlot() == this) ActiveSlot() = nullptr;
  setProperty(kActiveColorWellProperty, false);
  update();
}

bool CSColorWell::eventFilter(QObject* watched, QEvent* event) {
  // The panel closed (by the user or because the shared panels were put
  // away): the well hears no more.
  if (watched == m_panel && event->type() == QEvent::Hide) deactivate();
  return QAbstractButton::eventFilter(watched, event);
}

void CSColorWell::panelColorChanged(const QColor& color) {
  if (!isActive()) return;
  m_kolor = KolorFromColor(color);
  update();
  emit kolorChanged(m_kolor);
}

QSize CSColorWell::sizeHint() const {
  return QSize(44, 23);
}

void CSColorWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const QPalette& colors = palette();
  painter.setPen(QPen(isActive() ? colors.color(QPalette::Highlight) : colors.color(QPalette::Mid), 1));
  painter.setBrush(isDown() ? colors.color(QPalette::Midlight) : colors.color(QPalette::Button));
  painter.drawRect(bounds);
  if (isActive()) {
    painter.setPen(QPen(colors.color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(1, 1, -1, -1));
  }
  const QRectF swatch = QRectF(rect()).adjusted(4, 4, -4, -4);
  if (swatch.isEmpty()) return;
  // The swatch is drawn as the inspector's wells draw theirs.
  DRColorWell::drawWellInside(&painter, swatch, m_kolor);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(GrayColor(4), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

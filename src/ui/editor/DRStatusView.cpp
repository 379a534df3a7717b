#include "ui/editor/DRStatusView.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <optional>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Fonts.h"
#include "support/Kolor.h"
#include "ui/editor/DRTabBandPainter.h"

namespace {

// What every status line draws with, made for the appearance in force.
struct StatusLook {
  QColor top;
  QColor bottom;
  QFont font;
  QColor textColor;
  double lineHeight = 0;
};

std::optional<StatusLook>& SharedLook() {
  static std::optional<StatusLook> look;
  return look;
}

const StatusLook& Look() {
  std::optional<StatusLook>& look = SharedLook();
  if (!look) {
    StatusLook made;
    if (g_darkMode) {
      made.top = GrayColor(5);
      made.bottom = GrayColor(6);
    } else {
      made.top = ColorFromKolor(0x64ECE8F1);
      made.bottom = GrayColor(3);
    }
    made.font = SystemFont(SmallSystemFontSize());
    const QPalette palette =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette() : QPalette();
    made.textColor = palette.color(QPalette::Active, QPalette::WindowText);
    made.lineHeight = QFontMetricsF(made.font).height();
    look = made;
  }
  return *look;
}

}  // namespace

DRStatusView::DRStatusView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

DRStatusView::~DRStatusView() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRStatusView::awakeFromNib() {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  center.addObserver(this, g_darkModeChangedNotification, nullptr,
                     [this](const CSNotification&) { darkModeChanged(); });
}

void DRStatusView::setStatus(const QString& status) {
  m_statusString = status;
  update();
}

void DRStatusView::darkModeChanged() {
  SharedLook().reset();
  update();
}

void DRStatusView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const StatusLook& look = Look();
  const QRectF bounds = rect();
  QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
  gradient.setColorAt(0, look.top);
  gradient.setColorAt(1, look.bottom);
  painter.fillRect(bounds, gradient);
  if (DRTabBandPainter* bands = TabBandPainter()) {
    painter.save();
    bands->drawBandsInRect(&painter, bounds, nullptr);
    painter.restore();
  }
  if (m_statusString.isEmpty()) return;

  QRectF text = bounds.adjusted(kTextInset, 0, -kTextInset, 0);
  text.setTop(text.top() + std::floor((bounds.height() - look.lineHeight) / 2));
  text.setHeight(look.lineHeight);
  painter.setFont(look.font);
  painter.setPen(look.textColor);
  const QStringList parts = m_statusString.split(QLatin1Char('\t'));
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  if (parts.size() == 1) {
    painter.drawText(text, flags, m_statusString);
    return;
  }
  const double columnWidth = std::floor(text.width() / double(parts.size()));
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QRectF column(text.x() + double(i) * columnWidth, text.y(), columnWidth, text.height());
    painter.save();
    painter.setClipRect(column);
    painter.drawText(column, flags, parts[i]);
    painter.restore();
  }
}

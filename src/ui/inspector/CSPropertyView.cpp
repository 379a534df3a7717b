#include "ui/inspector/CSPropertyView.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"
#include "support/TextDrawing.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSPropertyPane.h"
#include "ui/inspector/CSPropertyViewDelegate.h"
#include "ui/shell/CSDocumentWC.h"

const QString g_repositionPropertiesNotification = QStringLiteral("cs.repositionProperties");

QString CSPropertyViewDelegate::emptyMessage(CSPropertyView* view) {
  (void)view;
  return QStringLiteral("No Selection");
}

namespace {

// The header bands' colours for the appearance in force, shared by every
// property view and made again when the appearance changes.
struct HeaderLook {
  QColor headerTop;
  QColor headerBottom;
  QColor pressedTop;
  QColor pressedBottom;
};

std::optional<HeaderLook>& SharedLook() {
  static std::optional<HeaderLook> look;
  return look;
}

const HeaderLook& Look() {
  std::optional<HeaderLook>& look = SharedLook();
  if (!look) {
    HeaderLook made;
    const QColor accent = AccentColor(false, 0);
    if (accent.isValid()) {
      const QColor lightened = AccentColor(true, 0);
      if (g_darkMode) {
        made.headerTop = accent;
        made.headerBottom = GrayColor(6);
        made.pressedTop = GrayColor(6);
        made.pressedBottom = accent;
      } else {
        made.headerTop = GrayColor(1);
        made.headerBottom = lightened;
        made.pressedTop = lightened;
        made.pressedBottom = GrayColor(1);
      }
    } else {
      made.headerTop = ColorFromKolor(0x64E6E6E6);
      made.headerBottom = ColorFromKolor(g_darkMode ? GrayscaleKolor(0x64E27C7C) : 0x64E27C7C);
      made.pressedTop = GrayColor(1);
      made.pressedBottom = ColorFromKolor(g_darkMode ? 0x64B4B4B4 : 0x642BCDF3);
    }
    look = made;
  }
  return *look;
}

QColor PanelBackground() {
  if (g_formatPanelBackground.isValid()) return g_formatPanelBackground;
  return ColorFromKolor(g_darkMode ? 0x64262626 : 0x64E6E6E6);
}

// Forgets what was typed into the field since its value was last shown
// (showing a value clears the field's undo history) and leaves it
// unmodified, so the end of this edit sends nothing.
void AbortEditing(QLineEdit* field) {
  while (field->isUndoAvailable()) field->undo();
  field->setModified(false);
  field->selectAll();
}

void AbortEditing(QAbstractItemView* table, QWidget* editor) {
  // Only a widget the table opened as its editor is closed.
  if (!editor || editor == table) return;
  QMetaObject::invokeMethod(table, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                            Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::RevertModelCache));
}

}  // namespace

CSPropertyView::CSPropertyView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // Header colours follow whether the application is active.
    connect(application, &QGuiApplication::applicationStateChanged, this, [this] { update(); });
  }
}

CSPropertyView::~CSPropertyView() {
  NotificationCenter::defaultCenter().removeObserver(this);
  if (m_animation) m_animation->stop();
}

// ---- Window ----------------------------------------------------------------------------------

QAbstractScrollArea* CSPropertyView::enclosingScrollArea() const {
  QWidget* viewport = parentWidget();
  auto* area = qobject_cast<QAbstractScrollArea*>(viewport ? viewport->parentWidget() : nullptr);
  return area && area->viewport() == viewport ? area : nullptr;
}

bool CSPropertyView::stretchesLastView() const {
  return !enclosingScrollArea();
}

void CSPropertyView::observeWindow() {
  QAbstractScrollArea* area = enclosingScrollArea();
  if (QWidget* viewport = area ? area->viewport() : nullptr; viewport != m_filteredViewport) {
    if (m_filteredViewport) m_filteredViewport->removeEventFilter(this);
    m_filteredViewport = viewport;
    if (viewport) viewport->installEventFilter(this);
  }
  QWidget* window = this->window();
  if (window == m_observedWindow) return;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.removeObserver(this);
  m_observedWindow = window;
  const void* object = static_cast<QObject*>(window);
  center.addObserver(this, g_reloadPropertiesNotification, object,
                     [this](const CSNotification&) { reloadProperties(); });
  center.addObserver(this, g_repositionPropertiesNotification, object,
                     [this](const CSNotification&) { repositionSubviews(); });
  center.addObserver(this, g_darkModeChangedNotification, nullptr, [this](const CSNotification&) {
    SharedLook().reset();
    update();
  });
  reloadProperties();
  if (m_delegate) m_delegate->didMoveToWindow(this, window);
}

void CSPropertyView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A view shown in another window than before follows the new one; one
  // put back into its window catches up on a rebuild it missed.
  const bool moved = window() != m_observedWindow;
  observeWindow();
  if (!moved && m_missedReload) reloadProperties();
}

void CSPropertyView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) SharedLook().reset();
  if (event->type() == QEvent::ActivationChange || event->type() == QEvent::PaletteChange) update();
}

// ---- Levels ----------------------------------------------------------------------------------

const CSPropertyView::Level* CSPropertyView::level(int index) const {
  return index >= 0 && index < levelCount() ? &m_levels[size_t(index)] : nullptr;
}

QWidget* CSPropertyView::paneForLevel(int index) const {
  const Level* found = level(index);
  return found ? found->pane.data() : nullptr;
}

bool CSPropertyView::isLevelOpen(int index) const {
  const Level* found = level(index);
  return found && found->opened;
}

void CSPropertyView::retirePanes() {
  std::vector<Level> levels;
  levels.swap(m_levels);
  for (Level& level : levels) {
    QWidget* pane = level.pane;
    if (!pane) continue;
    if (auto* client = dynamic_cast<CSPropertyPane*>(pane)) client->paneWillRetire();
    pane->hide();
    // Not at once: the rebuild may come from the pane's own handler.
    pane->deleteLater();
  }
}

void CSPropertyView::reloadProperties() {
  if (!m_delegate) return;
  // Taken out of its window (the info panel put away), the view has no
  // window to build for until it is back.
  if (!m_observedWindow || window() != m_observedWindow) {
    m_missedReload = true;
    return;
  }
  if (!m_initialized) m_drawTopLine = m_delegate->shouldDrawTopLine(this);
  if (m_reloadingProps) return;
  m_reloadingProps = true;
  m_missedReload = false;
  stopAnimation();
  m_isPressed = false;
  m_pressedLevel = -1;
  // No shared panel may keep talking to a pane that is going.
  ClosePanels();
  retirePanes();

  const QSizeF working = workingSize();
  const bool stretch = stretchesLastView();
  QObject* controller = CSDocumentWC::controllerOf(window());
  const int count = std::max(0, m_delegate->numberOfLevels(this));
  double y = 0;
  for (int index = 0; index < count; ++index) {
    Level level;
    QWidget* pane = m_delegate->controllerForLevel(this, index, this);
    if (pane && pane->parentWidget() != this) pane->setParent(this);
    if (auto* client = dynamic_cast<CSPropertyPane*>(pane)) client->setWindowController(controller);
    level.pane = pane;
    level.name = m_delegate->nameForLevel(this, index);
    if (level.name.isNull() && pane) {
      level.name = pane->toolTip();
      pane->setToolTip(QString());
    }
    y += kHeaderHeight;
    if (pane) {
      // A pane laid out in its interface file keeps its size; one built by
      // code without a size takes what its layout asks for.
      level.height = pane->testAttribute(Qt::WA_Resized) ? pane->height() : std::max(0, pane->sizeHint().height());
    }
    if (!m_delegate->mayCloseLevel(this, index)) {
      level.stayOpen = true;
      level.opened = true;
    } else {
      level.opened = m_delegate->shouldOpenLevel(this, index);
    }
    double height = 0;
    if (level.opened) {
      if (index == count - 1 && stretch) level.height = std::max(0.0, working.height() - y - kBottomMargin);
      height = level.height;
    }
    if (pane) {
      pane->setGeometry(0, qRound(y), qRound(working.width()), qRound(height));
      pane->setVisible(level.opened);
    }
    y += height;
    m_levels.push_back(level);
  }
  if (!stretch) resize(qRound(working.width()), qRound(count > 0 ? y + kBottomMargin : working.height()));
  update();
  m_initialized = true;
  m_reloadingProps = false;
}

void CSPropertyView::repositionSubviews() {
  if (!m_delegate || m_reloadingProps || m_levels.empty() || stretchesLastView() || isAnimating()) return;
  double y = 0;
  for (Level& level : m_levels) {
    y += kHeaderHeight;
    if (!level.opened) continue;
    if (level.pane) {
      level.height = level.pane->height();
      level.pane->move(0, qRound(y));
    }
    y += level.height;
  }
  resize(qRound(workingSize().width()), qRound(y + kBottomMargin));
  update();
}

double CSPropertyView::visibleHeight(int index) const {
  const Level& level = m_levels[size_t(index)];
  if (index == m_pressedLevel && m_animationPosition >= 0) return std::floor(level.height * m_animationPosition);
  return level.opened ? level.height : 0;
}

double CSPropertyView::contentBottom() const {
  double y = 0;
  for (int index = 0; index < levelCount(); ++index) y += kHeaderHeight + visibleHeight(index);
  return y;
}

void CSPropertyView::layoutAnimatedLevels() {
  double y = 0;
  const int width = this->width();
  for (int index = 0; index < levelCount(); ++index) {
    y += kHeaderHeight;
    const double height = visibleHeight(index);
    if (QWidget* pane = m_levels[size_t(index)].pane) pane->setGeometry(0, qRound(y), width, qRound(height));
    y += height;
  }
}

// ---- Geometry --------------------------------------------------------------------------------

QSizeF CSPropertyView::workingSize() const {
  if (QAbstractScrollArea* area = enclosingScrollArea()) {
    // Room for a vertical scroll bar is always kept, so panes do not change
    // width as one comes and goes.
    const QSize visible = area->maximumViewportSize();
    const int bar = area->verticalScrollBar() ? area->verticalScrollBar()->sizeHint().width() : 0;
    return QSizeF(std::max(0, visible.width() - bar), visible.height());
  }
  return QSizeF(size());
}

void CSPropertyView::stretchLastView() {
  if (m_levels.empty() || !stretchesLastView()) return;
  Level& last = m_levels.back();
  if (!last.opened) return;
  const double top = contentBottom() - visibleHeight(levelCount() - 1);
  // A view shorter than its headers leaves the last pane empty, never
  // upside down.
  last.height = std::max(0.0, double(height()) - top - kBottomMargin);
  if (last.pane) last.pane->setGeometry(0, qRound(top), width(), qRound(last.height));
  update();
}

void CSPropertyView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (stretchesLastView() && !m_reloadingProps && !isAnimating()) stretchLastView();
}

bool CSPropertyView::eventFilter(QObject* watched, QEvent* event) {
  // The scroll area changed size: the panes take its new width.
  if (event->type() == QEvent::Resize && m_filteredViewport && watched == m_filteredViewport && !m_reloadingProps &&
      !isAnimating()) {
    const QSizeF working = workingSize();
    if (qRound(working.width()) != width() || m_levels.empty()) {
      layoutAnimatedLevels();
      resize(qRound(working.width()), qRound(m_levels.empty() ? working.height() : contentBottom() + kBottomMargin));
      layoutAnimatedLevels();
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Opening and closing ---------------------------------------------------------------------

double CSPropertyView::disclosureDuration(double height, bool slowly) {
  const double seconds = std::min(std::max(height, 0.0), 400.0) * 0.2 / 240;
  return slowly ? seconds * 10 : seconds;
}

bool CSPropertyView::isAnimating() const {
  return m_animation && m_animation->state() == QAbstractAnimation::Running;
}

void CSPropertyView::toggleLevelOpen(int index, bool slowly) {
  if (index < 0 || index >= levelCount() || isAnimating() || m_reloadingProps) return;
  Level& level = m_levels[size_t(index)];
  if (level.stayOpen) return;
  if (!stretchesLastView()) {
    const QSizeF working = workingSize();
    resize(qRound(working.width()), qRound(std::max(working.height(), contentBottom() + kBottomMargin)));
  }
  m_animatedWasOpen = level.opened;
  m_pressedLevel = index;
  m_animationPosition = level.opened ? 1 : 0;
  // Shown while it slides; its frame clips it.
  if (level.pane) level.pane->show();
  const int milliseconds = qRound(disclosureDuration(level.height, slowly) * 1000);
  if (milliseconds <= 0) {
    setDisclosurePosition(1);
    finishToggle();
    return;
  }
  if (!m_animation) {
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setEasingCurve(QEasingCurve::Linear);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setDisclosurePosition(value.toDouble()); });
    connect(m_animation, &QVariantAnimation::finished, this, [this] { finishToggle(); });
  }
  m_animation->setDuration(milliseconds);
  m_animation->start();
}

void CSPropertyView::setDisclosurePosition(double progress) {
  if (m_pressedLevel < 0 || m_pressedLevel >= levelCount()) return;
  progress = std::clamp(progress, 0.0, 1.0);
  m_animationPosition = m_animatedWasOpen ? 1 - progress : progress;
  layoutAnimatedLevels();
  update();
}

void CSPropertyView::finishToggle() {
  const int index = m_pressedLevel;
  if (index < 0 || index >= levelCount()) return;
  Level& level = m_levels[size_t(index)];
  m_animationPosition = -1;
  m_pressedLevel = -1;
  level.opened = !m_animatedWasOpen;
  if (level.pane) level.pane->setVisible(level.opened);
  layoutAnimatedLevels();
  if (!stretchesLastView()) {
    resize(width(), qRound(contentBottom() + kBottomMargin));
  } else {
    stretchLastView();
  }
  update();
  if (m_delegate) {
    if (m_animatedWasOpen) {
      m_delegate->didCloseLevel(this, index);
    } else {
      m_delegate->didOpenLevel(this, index);
    }
  }
}

void CSPropertyView::stopAnimation() {
  if (!isAnimating()) return;
  // The levels are about to go: the toggle is dropped, not finished.
  const QSignalBlocker blocker(m_animation);
  m_animation->stop();
  m_animationPosition = -1;
  m_pressedLevel = -1;
}

int CSPropertyView::levelForPoint(QPointF point, QRectF* headerRect) const {
  double y = 0;
  for (int index = 0; index < levelCount(); ++index) {
    const QRectF header(0, y, width(), kHeaderHeight);
    if (header.contains(point)) {
      if (m_levels[size_t(index)].stayOpen) return -1;
      if (headerRect) *headerRect = header;
      return index;
    }
    y += kHeaderHeight + visibleHeight(index);
  }
  return -1;
}

// ---- Mouse and keys --------------------------------------------------------------------------

void CSPropertyView::redrawHeaderBand() {
  update(QRect(0, int(std::floor(m_topOfPressedHeader)), width(), int(kHeaderHeight) + 1));
}

void CSPropertyView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || isAnimating()) return;
  QRectF header;
  const int index = levelForPoint(event->position(), &header);
  if (index < 0) return;
  m_pressedLevel = index;
  m_topOfPressedHeader = header.top();
  m_isPressed = true;
  redrawHeaderBand();
}

void CSPropertyView::mouseMoveEvent(QMouseEvent* event) {
  if (m_pressedLevel < 0 || isAnimating()) return;
  const QRectF band(0, m_topOfPressedHeader, width(), kHeaderHeight);
  const bool inside = band.contains(event->position());
  if (inside == m_isPressed) return;
  m_isPressed = inside;
  redrawHeaderBand();
}

void CSPropertyView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_pressedLevel < 0 || isAnimating()) return;
  const QRectF band(0, m_topOfPressedHeader, width(), kHeaderHeight);
  const bool inside = m_isPressed && band.contains(event->position());
  const int index = m_pressedLevel;
  m_isPressed = false;
  m_pressedLevel = -1;
  redrawHeaderBand();
  if (inside) toggleLevelOpen(index, event->modifiers().testFlag(Qt::ShiftModifier));
}

void CSPropertyView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (!m_isPressed) return;
  m_isPressed = false;
  redrawHeaderBand();
}

void CSPropertyView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    cancelOperation();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CSPropertyView::cancelOperation() {
  // The window's focus widget serves while the window is not active.
  QWidget* focus = QApplication::focusWidget();
  if (!focus || !isAncestorOf(focus)) focus = window()->focusWidget();
  if (!focus || focus == this || !isAncestorOf(focus)) return;
  for (QWidget* widget = focus; widget && widget != this; widget = widget->parentWidget()) {
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
      AbortEditing(field);
      return;
    }
    if (auto* table = qobject_cast<QAbstractItemView*>(widget)) {
      AbortEditing(table, focus);
      return;
    }
  }
}

// ---- Drawing ---------------------------------------------------------------------------------

void CSPropertyView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF bounds = rect();
  painter.fillRect(bounds, PanelBackground());
  if (m_levels.empty()) {
    const QString message = m_delegate ? m_delegate->emptyMessage(this) : QStringLiteral("No Selection");
    GraphicsContextScope scope(&painter);
    // The palette's placeholder colour reads on the panel in light and dark mode.
    DrawEmptySelectionString(message, palette().color(QPalette::PlaceholderText), bounds);
    return;
  }

  const HeaderLook& look = Look();
  const bool active = IsActiveWindow(this);
  const QFont font = SystemFont(SmallSystemFontSize());
  const double textHeight = QFontMetricsF(font, this).height();
  const QSizeF disclosure = CSDisclosureCell::bestSize();
  const QColor textColor = g_darkMode ? GrayColor(2) : palette().color(QPalette::Active, QPalette::WindowText);
  const double width = bounds.width();
  painter.setFont(font);

  QPainterPath lines;
  double y = bounds.top();
  for (int index = 0; index < levelCount(); ++index) {
    const Level& level = m_levels[size_t(index)];
    // Lines fall on whole pixel rows.
    if (index == 0 && !m_drawTopLine) {
      y -= 1;
    } else {
      lines.moveTo(0, y);
      lines.lineTo(width, y);
    }
    const QRectF band(0, y + 1, width, kHeaderHeight - 1);
    if (!active) {
      painter.fillRect(band, g_darkMode ? GrayColor(5) : GrayColor(2));
    } else {
      const bool pressed = index == m_pressedLevel && m_isPressed;
      QLinearGradient gradient(band.topLeft(), band.bottomLeft());
      gradient.setColorAt(0, pressed ? look.pressedTop : look.headerTop);
      gradient.setColorAt(1, pressed ? look.pressedBottom : look.headerBottom);
      painter.fillRect(band, gradient);
    }
    if (!level.stayOpen) {
      const bool animated = index == m_pressedLevel && m_animationPosition >= 0;
      CSDisclosureCell cell = m_disclosureCell;
      cell.setValue(animated ? m_animationPosition : level.opened ? 1 : 0);
      const QRectF frame(bounds.left() + 4, y + std::floor((kHeaderHeight - disclosure.height()) / 2),
                         disclosure.width(), disclosure.height());
      cell.drawInteriorWithFrame(&painter, frame);
    }
    const double x = disclosure.width() + 8;
    const QRectF titleRect(x, y + std::floor((kHeaderHeight - textHeight) / 2), std::max(0.0, width - x - 4),
                           textHeight);
    painter.setPen(textColor);
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(level.name, Qt::ElideRight, int(titleRect.width())));
    y += kHeaderHeight + visibleHeight(index);
  }
  for (const double offset : {1.0, 3.0}) {
    lines.moveTo(0, y + offset);
    lines.lineTo(width, y + offset);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(g_darkMode ? GrayColor(5) : GrayColor(3), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(lines);
}

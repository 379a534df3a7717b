#include "ui/shell/CSToolbarSegments.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <algorithm>
#include <cmath>

#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/ImageFunctions.h"
#include "support/Kolor.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/FlippedArc.h"

namespace {

// The space each boundary between two segments takes from the shared width.
constexpr double kSegmentGap = 17.0;
constexpr Kolor kSelectionBlue = 0x64C35F59;
constexpr double kImageInset = 3.0;
constexpr double kDisabledImageOpacity = 0.25;

struct SegmentFonts {
  QFont normal;
  QFont small;
  double normalLineHeight = 0;
  double smallLineHeight = 0;
};

const SegmentFonts& Fonts() {
  static const SegmentFonts fonts = [] {
    SegmentFonts made;
    made.normal = SystemFont(SystemFontSize());
    made.small = SystemFont(SmallSystemFontSize());
    made.normalLineHeight = QFontMetricsF(made.normal).height();
    made.smallLineHeight = QFontMetricsF(made.small).height();
    return made;
  }();
  return fonts;
}

const QColor& CachedSelectionBlue() {
  static const QColor blue = ColorFromKolor(kSelectionBlue);
  return blue;
}

}  // namespace

CSToolbarSegments::CSToolbarSegments(uint64_t selectStyle, bool roundEndcaps, QWidget* parent)
    : QWidget(parent), m_selectStyle(selectStyle), m_roundEndcaps(roundEndcaps) {
  if (m_selectStyle == kMultipleSelection) m_selectedTabs.emplace();
  m_useNormalFont = !m_roundEndcaps;
  if (!m_setUp) setup();
}

CSToolbarSegments::~CSToolbarSegments() = default;

CSToolbarSegments* CSToolbarSegments::tabsforToolbarItem(QWidget* itemWidget) {
  if (!itemWidget) return nullptr;
  if (auto* segments = dynamic_cast<CSToolbarSegments*>(itemWidget)) return segments;
  for (QObject* child : itemWidget->children()) {
    if (auto* widget = qobject_cast<QWidget*>(child)) return dynamic_cast<CSToolbarSegments*>(widget);
  }
  return nullptr;
}

CSToolbarSegments* CSToolbarSegments::tabsforController(QWidget* window, uint64_t barTag, QAction** item) {
  if (!window) return nullptr;
  for (QToolBar* toolbar : window->findChildren<QToolBar*>()) {
    const QList<QAction*> actions = toolbar->actions();
    for (qsizetype i = actions.size() - 1; i >= 0; --i) {
      CSToolbarSegments* segments = tabsforToolbarItem(toolbar->widgetForAction(actions[i]));
      if (segments && segments->barTag() == barTag) {
        if (item) *item = actions[i];
        return segments;
      }
    }
  }
  return nullptr;
}

void CSToolbarSegments::setup() {
  Fonts();
  m_tabs.clear();
  m_tabWidths.clear();
  m_setUp = true;
  m_tabEnabledMask = ~uint64_t(0);
  m_pressedTab = -1;
  setSelectedTab(-1);
  QWidget::setEnabled(true);
}

void CSToolbarSegments::reloadTabs() {
  m_tabs.clear();
  m_selectedTab = -1;
}

void CSToolbarSegments::layoutTabs() {
  if (!m_setUp) setup();
  const double width = this->width();
  const double height = this->height();
  m_endcapWidth = m_roundEndcaps ? height * 0.5 - 0.5 : std::max(2.0, std::floor((height + 1.0) * 0.25));
  m_tabs = m_delegate ? m_delegate->tabsForSegments(this) : QList<CSSegmentContent>();
  m_tabWidths.clear();

  const int64_t count = int64_t(m_tabs.size());
  if (count < 2) {
    m_tabWidths.push_back(std::max(0.0, width));
  } else {
    const double endcap = std::ceil(m_endcapWidth);
    double available = width - 2 * endcap - kSegmentGap * double(count - 1);
    int64_t middle = -1;
    if (m_extraCenterTabWidth != 0) {
      available -= m_extraCenterTabWidth;
      middle = count / 2;
      m_useNormalFont = false;
    }
    const double base = std::floor(available / double(count));
    double remainder = std::trunc(available - double(count) * base);
    m_tabWidths.resize(size_t(count));
    m_tabWidths[0] = endcap + base + 9;
    for (int64_t i = 1; i < count - 1; ++i)
      m_tabWidths[size_t(i)] = base + kSegmentGap + (i == middle ? m_extraCenterTabWidth : 0);
    m_tabWidths[size_t(count - 1)] = endcap + base + 8;
    for (int64_t i = 0; i < count - 1 && remainder > 0; ++i, remainder -= 1) m_tabWidths[size_t(i)] += 1;
    m_tabWidths[size_t(count - 1)] += remainder;
    // A control too narrow for its segments would give negative widths.
    for (double& segment : m_tabWidths) segment = std::max(0.0, segment);
  }
  if (!(m_selectedTab == 0 || uint64_t(m_selectedTab) < uint64_t(count))) setSelectedTab(-1);
}

void CSToolbarSegments::selectTab(int64_t index) {
  if (m_tabs.isEmpty()) layoutTabs();
  m_selectedTab = index >= 0 && index < segmentCount() ? index : -1;
  update();
}

void CSToolbarSegments::setSelectedTab(int64_t index) {
  if (m_selectStyle == kMultipleSelection) {
    if (m_selectedTabs) m_selectedTabs->clear();
  } else {
    m_selectedTab = index;
  }
}

int64_t CSToolbarSegments::selectedTabIndex() const {
  return m_isPressed ? m_pressedTab : m_selectedTab;
}

bool CSToolbarSegments::isTabSelected(int64_t index) const {
  if (!isEnabled() || m_selectStyle == kMomentary) return false;
  if (m_selectStyle == kSingleSelection) return index == m_selectedTab;
  return m_selectedTabs && m_selectedTabs->count(index) != 0;
}

void CSToolbarSegments::setSelected(bool selected, int64_t index) {
  if (m_selectedTabs) {
    if (selected)
      m_selectedTabs->insert(index);
    else
      m_selectedTabs->erase(index);
  }
  update();
}

void CSToolbarSegments::setEnabledForTab(bool enabled, int64_t index) {
  const uint64_t bit = uint64_t(1) << (uint64_t(index) % 32);
  if (enabled)
    m_tabEnabledMask |= bit;
  else
    m_tabEnabledMask &= ~bit;
  update();
}

bool CSToolbarSegments::isSegmentEnabled(int64_t index) const {
  if (!isEnabled()) return false;
  if (index < 0 || index >= 64) return true;
  return (m_tabEnabledMask >> uint64_t(index)) & 1;
}

void CSToolbarSegments::updateContent(const CSSegmentContent& content, int64_t index) {
  if (index >= 0 && index < segmentCount()) m_tabs[index] = content;
  update();
}

int64_t CSToolbarSegments::tabFromPoint(QPointF point) const {
  if (point.y() < 0 || point.y() > height()) return -1;
  const int64_t count = segmentCount();
  if (count < 2) return 0;
  double start = 0;
  for (int64_t i = 0; i < count - 1 && i < int64_t(m_tabWidths.size()); ++i) {
    const double width = m_tabWidths[size_t(i)];
    if (point.x() >= start && point.x() < start + width) return i;
    start += width;
  }
  return count - 1;
}

// ---- Shapes --------------------------------------------------------------------

void CSToolbarSegments::setLeftBezier(QPainterPath& path, double width, double height) const {
  const double e = m_endcapWidth;
  path.moveTo(width - e, 0.5);
  AppendFlippedArc(path, QPointF(e, e + 0.5), e, 270, m_roundEndcaps ? 90 : 180, true);
  if (!m_roundEndcaps) AppendFlippedArc(path, QPointF(e, height - e), e, 180, 90, true);
}

void CSToolbarSegments::setRightBezier(QPainterPath& path, double width) const {
  const double e = m_endcapWidth;
  const QPointF current = path.currentPosition();
  AppendFlippedArc(path, QPointF(width - e, current.y() - e), e, 90, m_roundEndcaps ? 270 : 0, true);
  if (!m_roundEndcaps) AppendFlippedArc(path, QPointF(width - e, e + 0.5), e, 0, 270, true);
}

void CSToolbarSegments::setWholeBezier(QPainterPath& path, const QRectF& rect) const {
  if (m_roundEndcaps) {
    setLeftBezier(path, rect.width() - m_endcapWidth, rect.height());
    setRightBezier(path, rect.width());
    path.closeSubpath();
  } else {
    path.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), m_endcapWidth, m_endcapWidth);
  }
}

void CSToolbarSegments::setBezier(QPainterPath& path, int64_t index, int64_t count, const QRectF& rect) const {
  path = QPainterPath();
  if (index < 0 || index >= int64_t(m_tabWidths.size())) return;
  const double height = rect.height();
  double x = 0;
  for (int64_t i = 0; i < index; ++i) x += m_tabWidths[size_t(i)];
  const double width = m_tabWidths[size_t(index)];
  if (index == 0) {
    setLeftBezier(path, width, height);
    path.lineTo(width, height - 0.5);
    path.lineTo(width, 0.5);
    path.closeSubpath();
  } else if (index < count - 1) {
    path.addRect(QRectF(x, rect.y() + 1.0, width - 1.0, height - 2.0));
  } else {
    path.moveTo(x, height - 0.5);
    setRightBezier(path, rect.width());
    path.lineTo(x, 0.5);
    path.closeSubpath();
  }
}

// ---- Drawing -------------------------------------------------------------------

void CSToolbarSegments::changeEvent(QEvent* event) {
  // The selection colour follows the window's active state.
  if (event->type() == QEvent::ActivationChange || event->type() == QEvent::PaletteChange) update();
  QWidget::changeEvent(event);
}

void CSToolbarSegments::paintEvent(QPaintEvent*) {
  if (m_tabs.isEmpty()) layoutTabs();
  const int64_t count = segmentCount();
  if (count == 0) return;

  const SegmentFonts& fonts = Fonts();
  const QFont& titleFont = m_useNormalFont ? fonts.normal : fonts.small;
  const double lineHeight = m_useNormalFont ? fonts.normalLineHeight : fonts.smallLineHeight;
  const double width = this->width();
  const double height = this->height();
  const QRectF bounds(0, 0, width, height);
  double titleTop = std::floor((height - lineHeight) * 0.5);
  if (m_extraCenterTabWidth == 0) titleTop -= 1.0;

  const QPalette& colors = palette();
  const QColor secondary = colors.color(QPalette::Inactive, QPalette::Highlight);
  QColor selection;
  if (!IsActiveWindow(window())) {
    selection = secondary;
  } else if (!g_darkMode) {
    selection = colors.color(QPalette::Active, QPalette::Highlight);
  } else {
    selection = AccentColor(false, kSelectionBlue);
    if (!selection.isValid()) selection = CachedSelectionBlue();
  }

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath whole;
  setWholeBezier(whole, bounds);
  painter.fillPath(whole, colors.color(QPalette::Active, QPalette::Button));

  double x = bounds.x() + m_endcapWidth;
  for (int64_t i = 0; i < count; ++i) {
    double drawn = (i < int64_t(m_tabWidths.size()) ? m_tabWidths[size_t(i)] : 0) - 1.0;
    if (i == 0) drawn -= m_endcapWidth;
    if (i == count - 1) drawn -= m_endcapWidth - 1.0;
    drawn = std::max(0.0, drawn);

    const bool enabled = isSegmentEnabled(i);
    const bool pressed = enabled && m_isPressed && i == m_pressedTab;
    const bool selected = enabled && !pressed && isTabSelected(i);
    QColor text = colors.color(QPalette::Active, QPalette::ButtonText);
    if (!enabled) {
      text = colors.color(QPalette::Disabled, QPalette::ButtonText);
    } else if (pressed || selected) {
      QPainterPath shape;
      if (count == 1)
        shape = whole;
      else
        setBezier(shape, i, count, bounds);
      painter.fillPath(shape, pressed ? secondary : selection);
      if (selected) text = colors.color(QPalette::Active, QPalette::HighlightedText);
    }

    const CSSegmentContent& content = m_tabs[i];
    if (content.isImage()) {
      CSImage image = content.image;
      if (g_darkMode && content.isTemplate) image = InvertTemplateImage(image);
      const QRectF box(x, bounds.y() + kImageInset, drawn, height - 2 * kImageInset);
      QSizeF size = image.size();
      if (size.width() > box.width() || size.height() > box.height()) size.scale(box.size(), Qt::KeepAspectRatio);
      const QRectF target(box.x() + (box.width() - size.width()) / 2, box.y() + (box.height() - size.height()) / 2,
                          size.width(), size.height());
      // Drawn here rather than by drawInRectNormally, which is always fully
      // opaque.
      const QImage pixels = image.bitmapForRect(&painter, target);
      if (!pixels.isNull()) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setOpacity(enabled ? 1.0 : kDisabledImageOpacity);
        painter.drawImage(target, pixels);
        painter.restore();
      }
    } else if (!content.title.isEmpty()) {
      const double textWidth = QFontMetricsF(titleFont).horizontalAdvance(content.title);
      painter.setFont(titleFont);
      painter.setPen(text);
      painter.drawText(QRectF(x + (drawn - textWidth) / 2, titleTop, textWidth, lineHeight),
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, content.title);
    }
    x += drawn + 1.0;
  }

  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(GrayColor(g_darkMode ? 5 : 3), 1.0));
  painter.drawPath(whole);
  if (count > 1) {
    painter.setPen(QPen(colors.color(QPalette::Active, QPalette::Mid), 1.0, Qt::SolidLine, Qt::FlatCap));
    double boundary = 0;
    for (int64_t i = 0; i < count - 1 && i < int64_t(m_tabWidths.size()); ++i) {
      boundary += m_tabWidths[size_t(i)];
      painter.drawLine(QLineF(boundary - 0.5, 1.0, boundary - 0.5, height - 1.0));
    }
  }
}

// ---- Mouse ---------------------------------------------------------------------

void CSToolbarSegments::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) {
    QWidget::mousePressEvent(event);
    return;
  }
  m_pressedTab = tabFromPoint(event->position());
  if (m_pressedTab >= 0 && isSegmentEnabled(m_pressedTab)) {
    m_isPressed = true;
    update();
  } else {
    m_pressedTab = -1;
  }
}

void CSToolbarSegments::mouseMoveEvent(QMouseEvent* event) {
  if (m_pressedTab < 0) return;
  const bool over = tabFromPoint(event->position()) == m_pressedTab;
  if (over != m_isPressed) {
    m_isPressed = over;
    update();
  }
}

void CSToolbarSegments::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || m_pressedTab < 0) return;
  const int64_t pressed = m_pressedTab;
  if (m_isPressed) {
    switch (m_selectStyle) {
      case kSingleSelection:
        if (isTabSelected(pressed)) {
          if (m_delegate && m_delegate->answersSameTabWasSelected())
            m_delegate->sameTabWasSelected(uint64_t(m_selectedTab), this);
        } else {
          selectTab(pressed);
          if (m_delegate) m_delegate->tabWasSelected(uint64_t(m_selectedTab), this);
        }
        break;
      case kMultipleSelection:
        setSelected(!isTabSelected(pressed), pressed);
        if (m_delegate) m_delegate->tabWasSelected(uint64_t(pressed), this);
        m_selectedTab = -1;
        break;
      default:
        if (m_delegate) m_delegate->tabWasSelected(uint64_t(pressed), this);
        m_selectedTab = -1;
        break;
    }
  }
  m_pressedTab = -1;
  m_isPressed = false;
  update();
}

void CSToolbarSegments::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (m_isPressed) {
    m_isPressed = false;
    update();
  }
}

#include "ui/inspector/DRBarEditor.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolTip>
#include <QVariant>
#include <algorithm>

#include "model/GraphicHelpers.h"
#include "support/Fonts.h"
#include "support/Kolor.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "ui/editor/ControlSupport.h"

namespace {

double g_barHeights[2] = {0, 0};

std::function<void()>& BeepFunction() {
  static std::function<void()> function;
  return function;
}

int KindIndex(DRBarEditor::BarKind kind) {
  return kind == DRBarEditor::BarKind::ColorStops ? 0 : 1;
}

// The space between a cell's frame and its text.
constexpr double kCellTextInset = 3;

}  // namespace

DRBarEditor::DRBarEditor(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  setFocusPolicy(Qt::TabFocus);
}

DRBarEditor::~DRBarEditor() = default;

double DRBarEditor::barHeight(BarKind kind) {
  return g_barHeights[KindIndex(kind)];
}

double DRBarEditor::adoptBarHeight(BarKind kind, double height) {
  double& stored = g_barHeights[KindIndex(kind)];
  if (stored <= 0) stored = std::max(1.0, height);
  return stored;
}

void DRBarEditor::resetBarHeights() {
  g_barHeights[0] = 0;
  g_barHeights[1] = 0;
}

void DRBarEditor::setBeepFunction(std::function<void()> function) {
  BeepFunction() = std::move(function);
}

void DRBarEditor::beep() {
  if (BeepFunction()) {
    BeepFunction()();
  } else {
    QApplication::beep();
  }
}

void DRBarEditor::setFormatter(CSMeasureFormatter* formatter) {
  m_formatter = formatter;
  update();
}

void DRBarEditor::refreshFocusPolicy() {
  setFocusPolicy(acceptsKeyboardFocus() ? Qt::TabFocus : Qt::NoFocus);
}

void DRBarEditor::typedValueChanged(int64_t /*index*/) {}

// ---- Typing ----

void DRBarEditor::beginEditing() {
  const int64_t count = cellCount();
  if (count <= 0 || m_focusedTextCell < 0 || m_focusedTextCell >= count) return;
  takeFocusBack();
  removeField();

  auto* field = new QLineEdit(this);
  SetupPositionTextCell(field);
  field->setGeometry(textCellRect(m_focusedTextCell).toAlignedRect());
  field->setText(FormatMeasure(cellValue(m_focusedTextCell), true, false, kCurrentDistanceUnit));
  field->installEventFilter(this);
  m_positionField = field;
  field->show();
  field->raise();
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
  m_editingText = true;
  update();
}

bool DRBarEditor::normalize() {
  if (!m_editingText || !m_positionField) return true;
  return endFieldEditing(false);
}

void DRBarEditor::cancelEditing() {
  if (!m_positionField && !m_editingText) return;
  if (m_positionField && window()->focusWidget() == m_positionField) takeFocusBack();
  removeField();
  m_editingText = false;
  update();
}

bool DRBarEditor::endFieldEditing(bool fromFieldFocusLoss) {
  if (!m_positionField) return true;
  if (!m_fieldDetached) {
    MeasureUnit typed = 0;
    if (!ParseMeasure(m_positionField->text(), true, kCurrentDistanceUnit, &typed, nullptr)) {
      beep();
      return false;
    }
    const int64_t index = m_focusedTextCell;
    const CommitResult result =
        (index >= 0 && index < cellCount()) ? commitCellValue(index, typed) : CommitResult::Unchanged;
    if (result == CommitResult::Refused) {
      beep();
      return false;
    }
    if (result == CommitResult::Changed) {
      m_editChangedValue = true;
      QTimer::singleShot(0, this, [this, index] { typedValueChanged(index); });
    }
  }
  if (!fromFieldFocusLoss) takeFocusBack();
  removeField();
  m_editingText = false;
  update();
  return true;
}

void DRBarEditor::removeField() {
  m_fieldDetached = false;
  QLineEdit* field = m_positionField;
  m_positionField = nullptr;
  if (!field) return;
  field->removeEventFilter(this);
  field->hide();
  field->deleteLater();
}

void DRBarEditor::takeFocusBack() {
  if (m_positionField && m_editingText && window()->focusWidget() == m_positionField) m_fieldDetached = true;
  m_suppressFocusChange = true;
  setFocus(Qt::OtherFocusReason);
  m_suppressFocusChange = false;
}

bool DRBarEditor::isFocusOwner() const {
  return window()->focusWidget() == this;
}

// ---- Tab and Shift-Tab ----

void DRBarEditor::insertTab() {
  if (!normalize()) return;
  if (!isFocusOwner()) return;
  const int64_t first = firstTabCell();
  const int64_t last = lastTabCell();
  if (!acceptsKeyboardFocus() || last < first) {
    leaveEditor(true);
    return;
  }
  if (m_focusedTextCell >= last) {
    leaveEditor(true);
    return;
  }
  m_focusedTextCell = m_focusedTextCell < first ? first : m_focusedTextCell + 1;
  QTimer::singleShot(0, this, [this] { beginEditing(); });
}

void DRBarEditor::insertBacktab() {
  if (!normalize()) return;
  if (!isFocusOwner()) return;
  const int64_t first = firstTabCell();
  const int64_t last = lastTabCell();
  if (!acceptsKeyboardFocus() || last < first) {
    leaveEditor(false);
    return;
  }
  if (m_focusedTextCell < 0) {
    m_focusedTextCell = last;
  } else if (m_focusedTextCell <= first) {
    leaveEditor(false);
    return;
  } else {
    m_focusedTextCell = std::min(m_focusedTextCell - 1, last);
  }
  QTimer::singleShot(0, this, [this] { beginEditing(); });
}

void DRBarEditor::leaveEditor(bool next) {
  if (isSignalConnected(QMetaMethod::fromSignal(&DRBarEditor::selectTextField))) {
    emit selectTextField(next);
  } else {
    focusNextPrevChild(next);
  }
}

// ---- Events ----

QString DRBarEditor::toolTipAt(QPointF point) const {
  for (const auto& [area, tip] : m_toolTipAreas) {
    if (area.contains(point)) return tip;
  }
  return QString();
}

bool DRBarEditor::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString tip = toolTipAt(help->pos());
    if (tip.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      if (!isDragging()) {
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        if (back) {
          insertBacktab();
        } else {
          insertTab();
        }
      }
      return true;
    }
  }
  return QWidget::event(event);
}

void DRBarEditor::keyPressEvent(QKeyEvent* event) {
  if (isDragging()) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void DRBarEditor::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (m_suppressFocusChange) return;
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
  if (!acceptsKeyboardFocus() || cellCount() <= 0) return;
  const int64_t first = firstTabCell();
  const int64_t last = lastTabCell();
  if (last < first) return;
  m_focusedTextCell = reason == Qt::BacktabFocusReason ? last : first;
  beginEditing();
}

bool DRBarEditor::eventFilter(QObject* watched, QEvent* event) {
  if (!m_positionField || watched != m_positionField) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      switch (key->key()) {
        case Qt::Key_Tab:
          if (key->modifiers() & Qt::ShiftModifier) {
            insertBacktab();
          } else {
            insertTab();
          }
          return true;
        case Qt::Key_Backtab:
          insertBacktab();
          return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
          normalize();
          return true;
        default:
          break;
      }
      break;
    }
    case QEvent::FocusIn:
      // A field left on screen by takeFocusBack is live again once clicked.
      m_fieldDetached = false;
      break;
    case QEvent::FocusOut: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (m_suppressFocusChange || m_fieldDetached || !m_editingText) break;
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
      if (!endFieldEditing(true)) {
        // Refused: the text stays to be mended, so the field keeps the focus.
        QPointer<QLineEdit> field = m_positionField;
        QTimer::singleShot(0, this, [field] {
          if (field) field->setFocus(Qt::OtherFocusReason);
        });
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Drawing ----

void DRBarEditor::drawCellText(QPainter& painter, const QRectF& rect, MeasureUnit value) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(rect, Qt::white);
  painter.setPen(QPen(GrayColor(4), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
  const QString text = m_formatter ? m_formatter->stringForObjectValue(QVariant(qlonglong(value)))
                                   : FormatMeasure(value, true, false, kCurrentDistanceUnit);
  painter.setFont(SystemFont(SmallSystemFontSize()));
  painter.setPen(Qt::black);
  painter.drawText(rect.adjusted(kCellTextInset, 0, -kCellTextInset, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(text, Qt::ElideRight, int(rect.width() - 2 * kCellTextInset)));
  painter.restore();
}

void DRBarEditor::drawTriangle(QPainter& painter, const QRectF& rect, const QColor& fill, const QColor& stroke) {
  QPainterPath path;
  MakeTriangleBezier(&path, rect);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillPath(path, fill);
  painter.strokePath(path, QPen(stroke, 1));
  painter.restore();
}

#include "ui/inspector/DRPropRegularPolyVC.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <optional>

#include "model/DRElementRegularPoly.h"
#include "model/DRSettings.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"

DRPropRegularPolyVC::DRPropRegularPolyVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Regular Polygon"));
  m_countSlider = new QSlider(Qt::Horizontal, this);
  m_countSlider->setRange(kMinimumCount, kMaximumCount);
  m_countSlider->setGeometry(8, 6, 150, 20);
  m_countField = new QLineEdit(this);
  m_countField->setGeometry(166, 5, 50, 22);
  resize(260, 34);
  connect(m_countSlider, &QSlider::valueChanged, this, [this] { setCount(m_countSlider); });
  watchTextField(m_countField, [this](QLineEdit* field) { setCount(field); });
}

void DRPropRegularPolyVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  std::optional<uint64_t> count;
  bool mixed = false;
  for (const DRElement* element : elements) {
    if (element->elementType() != kElementRegularPoly) continue;
    const uint64_t value = static_cast<const DRElementRegularPoly*>(element)->vertexCount();
    if (!count) {
      count = value;
    } else if (*count != value) {
      mixed = true;
    }
  }
  if (!count) return;
  showCount(int(std::min<uint64_t>(*count, kMaximumCount)), mixed);
}

void DRPropRegularPolyVC::showCount(int count, bool mixed) {
  {
    const QSignalBlocker blocker(m_countSlider);
    m_countSlider->setValue(mixed ? kMinimumCount : count);
  }
  m_countField->setText(mixed ? QStringLiteral("-") : QString::number(count));
  m_countField->setModified(false);
  m_countField->update();
}

void DRPropRegularPolyVC::setCount(QWidget* sender) {
  long long typed = 0;
  if (sender == m_countSlider) {
    typed = m_countSlider->value();
  } else {
    bool ok = false;
    typed = m_countField->text().trimmed().toLongLong(&ok);
    if (!ok) typed = 0;
  }
  if (typed == 0) return;
  // The element draws at most 16 corners and fewer than 3 make no polygon.
  const int count = int(std::clamp<long long>(typed, kMinimumCount, kMaximumCount));
  DRSettings::sharedInstance().setRegularPolyVertexCount(uint64_t(count));
  YankFocusForSliderPair(sender, m_countField);
  if (openUndoEntry(&m_undoId, kUndoPolygonType)) {
    ChangeSelectionNumber(notificationWindow(), QStringLiteral("vertexCount"), QString(), count);
  }
  showCount(count, false);
}

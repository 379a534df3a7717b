#include "ui/inspector/DRPropPolygonVC.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <optional>

#include "model/DRElementPolygon.h"
#include "support/Measure.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"

DRPropPolygonVC::DRPropPolygonVC(QWidget* parent) : DRPropScribbleVC(parent) {
  setToolTip(tr("Polygon"));
  m_curvesButton = new CSCheckBox(tr("Curves"), this);
  m_lengthField = new QLineEdit(this);
  m_lengthField->setReadOnly(true);
  m_lengthField->setFocusPolicy(Qt::NoFocus);
  // The field takes the column's width, whatever the pane's.
  m_lengthField->setMinimumWidth(60);
  grid()->addWidget(m_curvesButton, kFirstFreeRow, 0);
  grid()->addWidget(m_lengthField, kFirstFreeRow, 1);
  connect(m_curvesButton, &QCheckBox::clicked, this, [this] { setCurves(); });
}

void DRPropPolygonVC::awakeFromNib() {
  DRPropScribbleVC::awakeFromNib();
  observe(
      g_unitsChangedNotification, [this](const CSNotification&) { updatePathLength(); }, true);
  observe(g_polyReshapeNotification, [this](const CSNotification&) { updatePathLength(); });
}

void DRPropPolygonVC::selectionChanged() {
  DRPropScribbleVC::selectionChanged();
  m_onlyPolygon = nullptr;
  std::optional<bool> curves;
  bool mixed = false;
  bool first = true;
  for (DRElement* element : selection()) {
    const int32_t type = element->elementType();
    if (type != kElementPolygon && type != kElementBentLine) continue;
    const bool value = static_cast<const DRElementPolygon*>(element)->curves();
    if (first) {
      if (type == kElementPolygon) m_onlyPolygon = element;
      curves = value;
      first = false;
      continue;
    }
    if (*curves != value) mixed = true;
    m_onlyPolygon = nullptr;
  }
  if (!curves) return;
  {
    const QSignalBlocker blocker(m_curvesButton);
    if (mixed) {
      m_curvesButton->setMixed();
    } else {
      m_curvesButton->setChecked(*curves);
    }
  }
  updatePathLength();
}

void DRPropPolygonVC::setCurves() {
  if (!openUndoEntry(kUndoPolygonOption)) return;
  ChangeSelectionBool(notificationWindow(), QStringLiteral("curves"), QString(), checkboxValue(m_curvesButton));
  updatePathLength();
}

void DRPropPolygonVC::updatePathLength() {
  double sum = 0;
  const std::vector<DRElement*>& elements = selection();
  const bool selected = m_onlyPolygon && std::find(elements.begin(), elements.end(), m_onlyPolygon) != elements.end();
  if (selected) {
    auto* polygon = static_cast<DRElementPolygon*>(m_onlyPolygon);
    // The path as drawn while it is being built: the plain points.
    const bool wasUnderConstruction = polygon->isUnderConstruction();
    polygon->setUnderConstruction(true);
    const std::vector<QPointF> points = polygon->copyPathPoints(QRectF());
    polygon->setUnderConstruction(wasUnderConstruction);
    for (size_t i = 1; i < points.size(); ++i) {
      sum += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
    }
    sum = std::round(sum);
  }
  if (sum > 0 && std::isfinite(sum) && sum * kMeasurePerPoint < double(kMixedMeasure)) {
    m_lengthField->setText(FormatMeasure(MeasureUnit(sum) * kMeasurePerPoint, false, true, kCurrentDistanceUnit));
  } else {
    m_lengthField->setText(QStringLiteral("—"));
  }
}

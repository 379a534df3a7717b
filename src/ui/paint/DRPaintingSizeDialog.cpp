#include "ui/paint/DRPaintingSizeDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QVBoxLayout>
#include <cmath>

#include "platform/NotificationCenter.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRPropPaintSizeVC.h"

QSizeF DRPaintingSizeDialog::s_size;

DRPaintingSizeDialog* DRPaintingSizeDialog::getSize(DREditorWindowHost* window, QSizeF size, SizeHandler done) {
  s_size = size;
  if (!windowOf(window)) {
    if (done) done(false, QSizeF());
    return nullptr;
  }
  auto* sheet = new DRPaintingSizeDialog(window, std::move(done));
  // A sheet that cannot begin is deleted, which answers a cancel.
  return sheet->beginSheet() ? sheet : nullptr;
}

DRPaintingSizeDialog::DRPaintingSizeDialog(DREditorWindowHost* window, SizeHandler done)
    : DRDrawingSheet(window, kHelpTopic), m_done(std::move(done)) {
  setWindowTitle(tr("Painting Size"));
  setObjectName(QStringLiteral("PaintingSizeDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_widthField = NewPaintingSizeField(this, "widthField");
  m_heightField = NewPaintingSizeField(this, "heightField");
  form->addRow(tr("Width:"), m_widthField);
  form->addRow(tr("Height:"), m_heightField);
  layout->addLayout(form);
  m_centerCheckbox = new QCheckBox(tr("Center picture"), this);
  m_centerCheckbox->setObjectName(QStringLiteral("centerCheckbox"));
  layout->addWidget(m_centerCheckbox);
  addButtonRow(layout);

  setWidth(MeasureUnit(std::llround(s_size.width() * double(kMeasurePerPoint))));
  setHeight(MeasureUnit(std::llround(s_size.height() * double(kMeasurePerPoint))));
  if (g_centerFlag == kHideCenterBox) {
    m_centerCheckbox->hide();
  } else {
    m_centerCheckbox->setChecked(g_centerFlag != 0);
  }
  connect(m_centerCheckbox, &QCheckBox::toggled, this, [this] { setCenter(); });
  watchField(m_widthField, [this] { setWidth(m_widthField->measureValue()); });
  watchField(m_heightField, [this] { setHeight(m_heightField->measureValue()); });
  NotificationCenter::defaultCenter().addObserver(this, g_unitsChangedNotification, nullptr,
                                                  [this](const CSNotification&) { unitsChanged(); });
}

DRPaintingSizeDialog::~DRPaintingSizeDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // A sheet that goes without an answer (its window closed) is a cancel.
  answer(false);
}

void DRPaintingSizeDialog::setWidth(MeasureUnit width) {
  if (width == kMixedMeasure || width <= 0) return;
  m_width = width;
  m_widthField->setMeasureValue(width);
}

void DRPaintingSizeDialog::setHeight(MeasureUnit height) {
  if (height == kMixedMeasure || height <= 0) return;
  m_height = height;
  m_heightField->setMeasureValue(height);
}

void DRPaintingSizeDialog::setCenter() {
  g_centerFlag = m_centerCheckbox->isChecked() ? 1 : 0;
}

void DRPaintingSizeDialog::unitsChanged() {
  m_widthField->setMeasureValue(m_width);
  m_heightField->setMeasureValue(m_height);
}

void DRPaintingSizeDialog::apply(bool reset) {
  (void)reset;
  if (!endTyping()) return;
  // A field typed into and left without its edit ending keeps its text.
  for (CSMeasureField* field : {m_widthField, m_heightField}) {
    if (!field->isModified()) continue;
    field->setModified(false);
    if (field == m_widthField)
      setWidth(field->measureValue());
    else
      setHeight(field->measureValue());
  }
  s_size = QSizeF(double(m_width) / double(kMeasurePerPoint), double(m_height) / double(kMeasurePerPoint));
  answer(true);
  finish();
}

void DRPaintingSizeDialog::handleCancel() {
  answer(false);
  endSheet(0);
}

void DRPaintingSizeDialog::answer(bool success) {
  // The handler hears one answer, and is let go before it runs: it may
  // open another sheet.
  SizeHandler done = std::move(m_done);
  m_done = nullptr;
  if (done) done(success, success ? s_size : QSizeF());
}

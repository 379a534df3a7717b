#include "ui/paint/DRColorAdjustDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "model/DRPainting.h"
#include "pixmap/CSPixmap.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/paint/DRPaintView.h"
#include "ui/shell/ShellSeams.h"

bool DRColorAdjustDialog::adjustColor(const CSPixmap* basePixmap, DRPainting* painting, DRPaintView* paintView,
                                      const CSPixmap* maskPixmap, QPointF maskOrigin) {
  if (!basePixmap || !painting || !painting->pixmap()) return false;
  DRColorAdjustDialog dialog(basePixmap, painting, paintView, maskPixmap, maskOrigin,
                             paintView ? paintView->window() : nullptr);
  return dialog.exec() == 1;
}

DRColorAdjustDialog::DRColorAdjustDialog(const CSPixmap* basePixmap, DRPainting* painting, DRPaintView* paintView,
                                         const CSPixmap* maskPixmap, QPointF maskOrigin, QWidget* parent)
    : QDialog(parent),
      m_basePixmap(basePixmap),
      m_maskPixmap(maskPixmap),
      m_painting(painting),
      m_paintView(paintView),
      m_maskOrigin(maskOrigin) {
  setObjectName(QStringLiteral("ColorAdjustDialog"));
  setWindowTitle(tr("Adjust Color"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_redSlider = newSlider("redSlider");
  m_greenSlider = newSlider("greenSlider");
  m_blueSlider = newSlider("blueSlider");
  form->addRow(tr("Red:"), m_redSlider);
  form->addRow(tr("Green:"), m_greenSlider);
  form->addRow(tr("Blue:"), m_blueSlider);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(this);
  m_okButton = buttons->addButton(QDialogButtonBox::Ok);
  m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
  m_helpButton = buttons->addButton(QDialogButtonBox::Help);
  m_okButton->setDefault(true);
  connect(m_okButton, &QPushButton::clicked, this, [this] { ok(); });
  connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
  connect(m_helpButton, &QPushButton::clicked, this, [this] { giveHelp(); });
  layout->addWidget(buttons);
}

QSlider* DRColorAdjustDialog::newSlider(const char* name) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setObjectName(QLatin1String(name));
  slider->setRange(-kMaxSteps, kMaxSteps);
  slider->setValue(0);
  slider->setPageStep(1);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setMinimumWidth(200);
  connect(slider, &QSlider::valueChanged, this, [this] { setDelta(); });
  return slider;
}

void DRColorAdjustDialog::setDelta() {
  CSPixmap* pixels = m_painting ? m_painting->pixmap() : nullptr;
  if (!pixels || !m_basePixmap) return;
  pixels->copyPixelsFromBitmap(m_basePixmap->bitmap());
  pixels->increaseRed(m_redSlider->value(), m_greenSlider->value(), m_blueSlider->value(), m_maskPixmap,
                      m_maskOrigin);
  m_painting->setEdited();
  if (m_paintView) m_paintView->redraw();
}

void DRColorAdjustDialog::giveHelp() {
  HelpViewer().displayHelp(kHelpTopic);
}

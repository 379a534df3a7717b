#include "ui/inspector/DRPropShadowVC.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>
#include <optional>

#include "model/DRElement.h"
#include "model/ModelSupport.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kBlurStep = 3175;    // 0.25 point
constexpr MeasureUnit kOffsetStep = 1270;  // 0.1 point
constexpr MeasureUnit kAngleLimit = 360 * kMeasurePerPoint;
// The slider ranges, in degrees and points; the fields take their limits
// from them.
constexpr double kBlurMaximum = 20;
constexpr double kOffsetMaximum = 30;

const QString kShadowKeyPath = QStringLiteral("shadow");
const QString kLockKeyPath = QStringLiteral("shadow.lockXY");
const QString kAngleKeyPath = QStringLiteral("shadow.angle");
const QString kBlurKeyPath = QStringLiteral("shadow.blur");
const QString kXOffsetKeyPath = QStringLiteral("shadow.xOffset");
const QString kYOffsetKeyPath = QStringLiteral("shadow.yOffset");
const QString kKolorKeyPath = QStringLiteral("shadow.kolor");

CSMeasureField* PointField(QWidget* parent, double maximum, const char* name) {
  auto* field = new CSMeasureField(parent);
  field->setObjectName(QLatin1String(name));
  field->formatter()->setMinimum(0);
  field->formatter()->setMaximum(MeasureUnit(maximum * kMeasurePerPoint));
  return field;
}

CSDoubleSlider* Slider(QWidget* parent, double minimum, double maximum, const char* name) {
  auto* slider = new CSDoubleSlider(Qt::Horizontal, parent);
  slider->setObjectName(QLatin1String(name));
  slider->setDoubleRange(minimum, maximum);
  return slider;
}

void ShowBox(CSCheckBox* box, Qt::CheckState state) {
  const QSignalBlocker blocker(box);
  if (state == Qt::PartiallyChecked) {
    box->setMixed();
  } else {
    box->setCheckState(state);
  }
}

}  // namespace

DRPropShadowVC::DRPropShadowVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Shadow"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  m_hasShadowButton = new CSCheckBox(tr("Shadow"), this);
  m_hasShadowButton->setObjectName(QStringLiteral("hasShadowButton"));
  m_lockXYButton = new CSCheckBox(tr("Lock X and Y"), this);
  m_lockXYButton->setObjectName(QStringLiteral("lockXYButton"));
  layout->addWidget(m_hasShadowButton, 0, 0, 1, 2);
  layout->addWidget(m_lockXYButton, 0, 2, 1, 2);

  m_angleSlider = Slider(this, 0, 360, "angleSlider");
  m_angleField = new CSMeasureField(this);
  m_angleField->setObjectName(QStringLiteral("angleField"));
  m_angleField->formatter()->setScalar(true);
  m_angleField->formatter()->setMinimum(-kAngleLimit);
  m_angleField->formatter()->setMaximum(kAngleLimit);

  m_blurSlider = Slider(this, 0, kBlurMaximum, "blurSlider");
  m_blurField = PointField(this, kBlurMaximum, "blurField");
  m_blurField->formatter()->setScalar(true);
  m_xOffsetSlider = Slider(this, 0, kOffsetMaximum, "xOffsetSlider");
  m_xOffsetField = PointField(this, kOffsetMaximum, "xOffsetField");
  m_yOffsetSlider = Slider(this, 0, kOffsetMaximum, "yOffsetSlider");
  m_yOffsetField = PointField(this, kOffsetMaximum, "yOffsetField");

  const struct {
    QString title;
    CSDoubleSlider* slider;
    CSMeasureField* field;
  } rows[] = {
      {tr("Angle"), m_angleSlider, m_angleField},
      {tr("Blur"), m_blurSlider, m_blurField},
      {tr("X offset"), m_xOffsetSlider, m_xOffsetField},
      {tr("Y offset"), m_yOffsetSlider, m_yOffsetField},
  };
  int row = 1;
  for (const auto& entry : rows) {
    auto* label = new QLabel(entry.title, this);
    label->setBuddy(entry.field);
    layout->addWidget(label, row, 0);
    layout->addWidget(entry.slider, row, 1, 1, 2);
    layout->addWidget(entry.field, row, 3);
    ++row;
  }

  auto* colorLabel = new QLabel(tr("Color"), this);
  m_colorPicker = new DRColorWell(this);
  m_colorPicker->setObjectName(QStringLiteral("colorPicker"));
  m_colorPicker->setSwatchIndex(kSwatchShadow);
  m_favorites = new QToolButton(this);
  m_favorites->setObjectName(QStringLiteral("favorites"));
  m_favoriteManager = new CSFavoriteColorManager(this);
  m_favoriteManager->setPopupButton(m_favorites);
  m_favoriteManager->setDelegate(this);
  layout->addWidget(colorLabel, row, 0);
  layout->addWidget(m_colorPicker, row, 1);
  layout->addWidget(m_favorites, row, 2, Qt::AlignLeft);
}

void DRPropShadowVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropShadowVC"), [](const QString&, QWidget* parent) {
    return static_cast<QWidget*>(new DRPropShadowVC(parent));
  });
}

void DRPropShadowVC::awakeFromNib() {
  m_colorPicker->setWindowController(windowController());
  DRPropBaseVC::awakeFromNib();
  connect(m_hasShadowButton, &QCheckBox::clicked, this, [this] { setShadow(); });
  connect(m_lockXYButton, &QCheckBox::clicked, this, [this] { setLockXY(); });
  connect(m_angleSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setRotation(m_angleSlider); });
  connect(m_blurSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setBlur(m_blurSlider); });
  connect(m_xOffsetSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setXOffset(m_xOffsetSlider); });
  connect(m_yOffsetSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setYOffset(m_yOffsetSlider); });
  watchTextField(m_angleField, [this](QLineEdit* field) { setRotation(field); });
  watchTextField(m_blurField, [this](QLineEdit* field) { setBlur(field); });
  watchTextField(m_xOffsetField, [this](QLineEdit* field) { setXOffset(field); });
  watchTextField(m_yOffsetField, [this](QLineEdit* field) { setYOffset(field); });
}

void DRPropShadowVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty() || isRetired()) return;

  Qt::CheckState box = Qt::Unchecked;
  Qt::CheckState lock = Qt::Unchecked;
  std::optional<DRShadow> shown;
  size_t firstWithShadow = elements.size();
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i] && elements[i]->shadow()) {
      firstWithShadow = i;
      break;
    }
  }
  if (firstWithShadow == 0) {
    shown = *elements.front()->shadow();
    box = Qt::Checked;
    lock = shown->lockXY() ? Qt::Checked : Qt::Unchecked;
    for (size_t i = 1; i < elements.size(); ++i) {
      const std::optional<DRShadow>& other = elements[i] ? elements[i]->shadow() : std::nullopt;
      if (!other) {
        box = lock = Qt::PartiallyChecked;
        shown.reset();
        break;
      }
      if (other->lockXY() != shown->lockXY()) lock = Qt::PartiallyChecked;
      shown->intersectWith(*other);
    }
  } else if (firstWithShadow < elements.size()) {
    box = lock = Qt::PartiallyChecked;
  }

  enableFields(box == Qt::Checked);
  ShowBox(m_hasShadowButton, box);
  ShowBox(m_lockXYButton, lock);
  showPairValue(m_angleSlider, m_angleField, shown ? shown->angle() : 0);
  showPairValue(m_blurSlider, m_blurField, shown ? shown->blur() : 0);
  showPairValue(m_xOffsetSlider, m_xOffsetField, shown ? shown->xOffset() : 0);
  showPairValue(m_yOffsetSlider, m_yOffsetField, shown ? shown->yOffset() : 0);
  m_compositeKolor = shown ? shown->kolor() : g_nilKolor;
  m_colorPicker->setTrueKolor(m_compositeKolor);
}

void DRPropShadowVC::enableFields(bool enabled) {
  QWidget* const controls[] = {m_lockXYButton, m_angleSlider,   m_angleField,   m_blurSlider,
                               m_blurField,    m_xOffsetSlider, m_xOffsetField, m_yOffsetSlider,
                               m_yOffsetField, m_colorPicker,   m_favorites};
  for (QWidget* control : controls) control->setEnabled(enabled);
}

void DRPropShadowVC::setShadow() {
  const bool on = checkboxValue(m_hasShadowButton);
  std::optional<DRShadow> shadow;
  if (on) {
    const std::vector<DRElement*>& elements = selection();
    const DRElement* first = elements.empty() ? nullptr : elements.front();
    shadow = first && first->shadow() ? *first->shadow() : DRShadow();
  } else {
    // An edit under way in one of the fields ends without being sent: the
    // shadow it belongs to is going.
    QWidget* focus = QApplication::focusWidget();
    for (QLineEdit* field : {static_cast<QLineEdit*>(m_angleField), static_cast<QLineEdit*>(m_blurField),
                             static_cast<QLineEdit*>(m_xOffsetField), static_cast<QLineEdit*>(m_yOffsetField)}) {
      if (focus != field) continue;
      field->setModified(false);
      if (QWidget* window = notificationWindow() ? qobject_cast<QWidget*>(notificationWindow()) : nullptr) {
        window->setFocus(Qt::OtherFocusReason);
      } else {
        field->clearFocus();
      }
    }
  }
  enableFields(on);
  if (!openUndoEntry(&m_undoID, kUndoShadow)) {
    selectionChanged();
    return;
  }
  ChangeSelectionObject(notificationWindow(), kShadowKeyPath, QString(),
                        shadow ? QVariant::fromValue(*shadow) : QVariant());
  if (isRetired()) return;
  selectionChanged();
  if (on) stopTyping();
}

void DRPropShadowVC::setLockXY() {
  const bool on = checkboxValue(m_lockXYButton);
  if (!openUndoEntry(&m_undoID, kUndoShadow)) return;
  ChangeSelectionBool(notificationWindow(), kLockKeyPath, QString(), on);
  if (isRetired() || !on) return;
  const MeasureUnit x = MeasureValue(m_xOffsetField);
  if (m_xOffsetField->text() != QStringLiteral("-") && x != kMixedMeasure) {
    showPairValue(m_yOffsetSlider, m_yOffsetField, x);
  }
}

bool DRPropShadowVC::postMeasure(const QString& keyPath, MeasureUnit value) {
  // A field left showing "-" changes nothing.
  if (value == kMixedMeasure) return false;
  if (!openUndoEntry(&m_undoID, kUndoShadow)) return false;
  ChangeSelectionMeasure(notificationWindow(), keyPath, QString(), kSwatchNone, value);
  return !isRetired();
}

void DRPropShadowVC::setRotation(QWidget* sender) {
  const MeasureUnit angle = rotationFromPair(sender, m_angleSlider, m_angleField);
  if (angle == kMixedMeasure) return;
  if (!postMeasure(kAngleKeyPath, angle)) return;
  showPairValue(m_angleSlider, m_angleField, angle);
}

void DRPropShadowVC::setBlur(QWidget* sender) {
  const MeasureUnit blur = valueFromPair(sender, m_blurField, kBlurStep);
  if (!postMeasure(kBlurKeyPath, blur)) return;
  showPairValue(m_blurSlider, m_blurField, blur);
}

void DRPropShadowVC::setXOffset(QWidget* sender) {
  const MeasureUnit offset = valueFromPair(sender, m_xOffsetField, kOffsetStep);
  if (!postMeasure(kXOffsetKeyPath, offset)) return;
  showPairValue(m_xOffsetSlider, m_xOffsetField, offset);
  if (isLocked()) showPairValue(m_yOffsetSlider, m_yOffsetField, offset);
}

void DRPropShadowVC::setYOffset(QWidget* sender) {
  const MeasureUnit offset = valueFromPair(sender, m_yOffsetField, kOffsetStep);
  if (!postMeasure(kYOffsetKeyPath, offset)) return;
  showPairValue(m_yOffsetSlider, m_yOffsetField, offset);
  if (isLocked()) showPairValue(m_xOffsetSlider, m_xOffsetField, offset);
}

bool DRPropShadowVC::isLocked() const {
  return m_lockXYButton->checkState() == Qt::Checked;
}

void DRPropShadowVC::stopTyping() {
  DRWindowController* window = windowController();
  if (window && window->drawView()) window->drawView()->stopTyping();
}

// ---- The favourite-colour pull-down ----------------------------------------------------------

Kolor DRPropShadowVC::kolorForPopup(QToolButton*) {
  return m_compositeKolor;
}

Kolor DRPropShadowVC::defaultKolorForPopup(QToolButton*) {
  return g_blackKolor;
}

void DRPropShadowVC::changeKolor(Kolor kolor, QToolButton*) {
  // The pull-down continues the well's run of colours.
  uint32_t undoId = m_colorPicker->undoID();
  const bool opened = openUndoEntry(&undoId, kUndoShadowColor);
  m_colorPicker->setUndoID(undoId);
  if (!opened) return;
  ChangeSelectionColor(notificationWindow(), kKolorKeyPath, QString(), kSwatchShadow, kolor);
  if (!isRetired()) selectionChanged();
}

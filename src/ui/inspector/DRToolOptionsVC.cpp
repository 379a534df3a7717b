#include "ui/inspector/DRToolOptionsVC.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Kolor.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DREditorContent.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRArrowDialog.h"
#include "ui/inspector/DRBrushExample.h"
#include "ui/inspector/DRPropTextVC.h"
#include "ui/inspector/DRToolCells.h"

namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 22;
constexpr int kFieldWidth = 56;
constexpr int kSliderWidth = 150;
constexpr int kPageWidth = 260;

// The kinds of option cells.
enum CellKind { kBrushCell, kPolygonCell, kSelectionCell };

QAbstractButton* MakeCell(int kind, int tag, QWidget* parent) {
  switch (kind) {
    case kBrushCell:
      return new DRBrushCell(tag, parent);
    case kPolygonCell:
      return new DRPolygonCell(tag, parent);
    default:
      return new DRSelectionCell(tag, parent);
  }
}

void SelectTag(QButtonGroup* group, int tag) {
  if (!group) return;
  QAbstractButton* button = group->button(tag);
  if (button) {
    const QSignalBlocker blocker(group);
    button->setChecked(true);
    return;
  }
  // No cell of the value: none is on.
  const bool exclusive = group->exclusive();
  group->setExclusive(false);
  for (QAbstractButton* cell : group->buttons()) {
    const QSignalBlocker blocker(cell);
    cell->setChecked(false);
  }
  group->setExclusive(exclusive);
}

QCheckBox* MakeBox(const QString& title, QWidget* page, int top) {
  auto* box = new QCheckBox(title, page);
  box->setGeometry(kMargin, top, kPageWidth - 2 * kMargin, kRowHeight);
  return box;
}

}  // namespace

DRToolOptionsVC::DRToolOptionsVC(DRToolOptionsContainer* container, DREditorWindowHost* windowController,
                                 QObject* parent)
    : QObject(parent), m_container(container), m_windowController(windowController) {
  if (m_windowController) m_window = m_windowController->window();
  buildPages();
}

DRToolOptionsVC::~DRToolOptionsVC() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

QObject* DRToolOptionsVC::notificationWindow() const {
  if (m_window) return m_window;
  return m_container ? m_container->window() : nullptr;
}

// ---- Pages ------------------------------------------------------------------------------------

QWidget* DRToolOptionsVC::addPage(const QString& identifier) {
  auto* page = new QWidget;
  page->resize(kPageWidth, 120);
  if (m_container) m_container->addPane(identifier, page);
  return page;
}

QButtonGroup* DRToolOptionsVC::cellGroup(QWidget* page, int kind, int firstTag, int count, int columns, int top,
                                         int side) {
  auto* group = new QButtonGroup(page);
  group->setExclusive(true);
  for (int index = 0; index < count; ++index) {
    QAbstractButton* cell = MakeCell(kind, firstTag + index, page);
    cell->setCheckable(true);
    cell->setGeometry(kMargin + (index % columns) * (side + 2), top + (index / columns) * (side + 2), side, side);
    group->addButton(cell, firstTag + index);
  }
  return group;
}

QWidget* DRToolOptionsVC::shapeBoxes(QWidget* page, int top) {
  DRSettings& settings = DRSettings::sharedInstance();
  QCheckBox* center = MakeBox(tr("Draw from center"), page, top);
  center->setObjectName(QStringLiteral("drawFromCenter"));
  QCheckBox* constrain = MakeBox(tr("Constrain (Alt reverses)"), page, top + kRowHeight);
  constrain->setObjectName(QStringLiteral("constrain"));
  connect(center, &QCheckBox::toggled, this, [&settings](bool on) { settings.setDrawFromCenter(on); });
  connect(constrain, &QCheckBox::toggled, this, [&settings](bool on) { settings.setConstrain(on); });
  return page;
}

QCheckBox* DRToolOptionsVC::drawFromCenterButton(const QString& page) const {
  QWidget* shown = m_container ? m_container->tabView()->findChild<QWidget*>(page, Qt::FindDirectChildrenOnly) : nullptr;
  return shown ? shown->findChild<QCheckBox*>(QStringLiteral("drawFromCenter")) : nullptr;
}

QCheckBox* DRToolOptionsVC::constrainButton(const QString& page) const {
  QWidget* shown = m_container ? m_container->tabView()->findChild<QWidget*>(page, Qt::FindDirectChildrenOnly) : nullptr;
  return shown ? shown->findChild<QCheckBox*>(QStringLiteral("constrain")) : nullptr;
}

void DRToolOptionsVC::buildPages() {
  DRSettings& settings = DRSettings::sharedInstance();

  // Tools without options.
  QWidget* none = m_container ? m_container->tabView()->findChild<QWidget*>(QStringLiteral("no"), Qt::FindDirectChildrenOnly)
                              : nullptr;
  m_noToolMessage = new QLabel(tr("No options for this tool."), none);
  m_noToolMessage->setAlignment(Qt::AlignCenter);
  m_noToolMessage->setGeometry(kMargin, kMargin, kPageWidth - 2 * kMargin, kRowHeight);

  // Regular polygons: the count pair and the stock polygons 3 to 8.
  QWidget* regpoly = addPage(QStringLiteral("regpoly"));
  m_polyCountSlider = new QSlider(Qt::Horizontal, regpoly);
  m_polyCountSlider->setRange(kMinimumVertexCount, kMaximumVertexCount);
  m_polyCountSlider->setGeometry(kMargin, kMargin, kSliderWidth, kRowHeight);
  m_polyCountField = new QLineEdit(regpoly);
  m_polyCountField->setGeometry(kMargin + kSliderWidth + 8, kMargin, kFieldWidth, kRowHeight);
  connect(m_polyCountSlider, &QSlider::valueChanged, this, [this] { changePolyCount(m_polyCountSlider); });
  watchField(m_polyCountField, &DRToolOptionsVC::changePolyCount);
  m_stockRegPolygons = cellGroup(regpoly, kPolygonCell, 3, 6, 3, kMargin + kRowHeight + 6, 30);
  connect(m_stockRegPolygons, &QButtonGroup::idClicked, this, &DRToolOptionsVC::stockPolygonSelected);
  shapeBoxes(regpoly, kMargin + kRowHeight + 6 + 2 * 32 + 4);

  // Rounded rectangles: the corner radius pair.
  QWidget* rrect = addPage(QStringLiteral("rrect"));
  m_cornerRadiusSlider = new CSDoubleSlider(Qt::Horizontal, rrect);
  m_cornerRadiusSlider->setDoubleRange(0, kMaximumCornerRadius);
  m_cornerRadiusSlider->setGeometry(kMargin, kMargin, kSliderWidth, kRowHeight);
  m_cornerRadiusField = new CSMeasureField(rrect);
  m_cornerRadiusField->setGeometry(kMargin + kSliderWidth + 8, kMargin, kFieldWidth + 20, kRowHeight);
  m_cornerRadiusField->formatter()->setMaximum(MeasureUnit(kMaximumCornerRadius * kMeasurePerPoint));
  connect(m_cornerRadiusSlider, &CSDoubleSlider::doubleValueChanged, this,
          [this] { changeRadius(m_cornerRadiusSlider); });
  watchField(m_cornerRadiusField, &DRToolOptionsVC::changeRadius);
  shapeBoxes(rrect, kMargin + kRowHeight + 6);

  for (const char* identifier : {"rect", "oval"}) shapeBoxes(addPage(QString::fromLatin1(identifier)), kMargin);

  // Polygons: the closing tolerance in points.
  QWidget* poly = addPage(QStringLiteral("poly"));
  m_polygonToleranceSlider = new CSDoubleSlider(Qt::Horizontal, poly);
  m_polygonToleranceSlider->setDoubleRange(kMinimumTolerance, kMaximumTolerance);
  m_polygonToleranceSlider->setGeometry(kMargin, kMargin, kSliderWidth, kRowHeight);
  m_polygonToleranceField = new CSMeasureField(poly);
  m_polygonToleranceField->setGeometry(kMargin + kSliderWidth + 8, kMargin, kFieldWidth + 20, kRowHeight);
  m_polygonToleranceField->formatter()->setMinimum(MeasureUnit(kMinimumTolerance * kMeasurePerPoint));
  m_polygonToleranceField->formatter()->setMaximum(MeasureUnit(kMaximumTolerance * kMeasurePerPoint));
  m_polygonToleranceField->formatter()->setPreferredUnit(DistanceUnit(0));
  connect(m_polygonToleranceSlider, &CSDoubleSlider::doubleValueChanged, this,
          [this] { changeTolerance(m_polygonToleranceSlider); });
  watchField(m_polygonToleranceField, &DRToolOptionsVC::changeTolerance);

  // Scribbles close by the same tolerance as polygons: a second slider on it.
  QWidget* scribble = addPage(QStringLiteral("scribble"));
  auto* scribbleLabel = new QLabel(tr("Close when the ends are this near:"), scribble);
  scribbleLabel->setGeometry(kMargin, kMargin, kPageWidth - 2 * kMargin, kRowHeight);
  m_scribbleToleranceSlider = new CSDoubleSlider(Qt::Horizontal, scribble);
  m_scribbleToleranceSlider->setDoubleRange(kMinimumTolerance, kMaximumTolerance);
  m_scribbleToleranceSlider->setGeometry(kMargin, kMargin + kRowHeight, kSliderWidth, kRowHeight);
  connect(m_scribbleToleranceSlider, &CSDoubleSlider::doubleValueChanged, this,
          [this] { changeTolerance(m_scribbleToleranceSlider); });

  // The eyedropper: where a picked colour goes without a modifier key.
  QWidget* color = addPage(QStringLiteral("color"));
  m_colorTargets = new QButtonGroup(color);
  const QString targetTitles[] = {tr("Pick the fill color"), tr("Pick the line and text color"),
                                  tr("Pick the swap color")};
  for (int target = 0; target < 3; ++target) {
    auto* button = new QRadioButton(targetTitles[target], color);
    button->setGeometry(kMargin, kMargin + target * kRowHeight, kPageWidth - 2 * kMargin, kRowHeight);
    m_colorTargets->addButton(button, target);
  }
  connect(m_colorTargets, &QButtonGroup::idClicked, this, [&settings](int target) { settings.setColorTarget(target); });

  // Text: the default font.
  QWidget* text = addPage(QStringLiteral("text"));
  m_fontDisplayField = new QLabel(text);
  m_fontDisplayField->setGeometry(kMargin, kMargin, kPageWidth - 2 * kMargin - 90, 2 * kRowHeight);
  auto* fontButton = new QPushButton(tr("Font…"), text);
  fontButton->setGeometry(kPageWidth - kMargin - 84, kMargin + 8, 84, kRowHeight + 4);
  connect(fontButton, &QPushButton::clicked, this, &DRToolOptionsVC::setFont);

  // Lines and curved lines: the default arrow, as two sets of controls that
  // show the same setting.
  buildArrowPage(QStringLiteral("line"), 0);
  buildArrowPage(QStringLiteral("cline"), 1);

  // Painting: brush shapes (the brush and eraser), with the preview.
  QWidget* brush = addPage(QStringLiteral("brush"));
  m_brushShapes = cellGroup(brush, kBrushCell, 0, 8, 4, kMargin, 28);
  connect(m_brushShapes, &QButtonGroup::idClicked, this, [&settings](int tag) { settings.setBrush(tag); });
  auto* example = new DRBrushExample(brush);
  example->setNotificationWindow(notificationWindow());
  example->setGeometry(kMargin + 4 * 30 + 12, kMargin, 58, 58);

  // Blur and smudge: the choice, the brush and the strength pair.
  QWidget* blur = addPage(QStringLiteral("blur"));
  auto* blurButton = new QRadioButton(tr("Blur"), blur);
  blurButton->setGeometry(kMargin, kMargin, 80, kRowHeight);
  auto* smudgeButton = new QRadioButton(tr("Smudge"), blur);
  smudgeButton->setGeometry(kMargin + 84, kMargin, 90, kRowHeight);
  m_smudgeChoice = new QButtonGroup(blur);
  m_smudgeChoice->addButton(blurButton, 0);
  m_smudgeChoice->addButton(smudgeButton, 1);
  connect(m_smudgeChoice, &QButtonGroup::idClicked, this, [&settings](int id) { settings.setSmudgeBlur(id == 1); });
  m_blurBrushShapes = cellGroup(blur, kBrushCell, 0, 8, 8, kMargin + kRowHeight + 4, 28);
  connect(m_blurBrushShapes, &QButtonGroup::idClicked, this, [this, &settings](int tag) {
    settings.setBrush(tag);
    changeBlurBrush();
  });
  const int strengthTop = kMargin + kRowHeight + 4 + 32;
  m_blurStrengthSlider = new CSDoubleSlider(Qt::Horizontal, blur);
  m_blurStrengthSlider->setDoubleRange(kMinimumBlurStrength, kMaximumBlurStrength);
  m_blurStrengthSlider->setGeometry(kMargin, strengthTop, kSliderWidth, kRowHeight);
  m_blurStrengthField = new QLineEdit(blur);
  m_blurStrengthField->setGeometry(kMargin + kSliderWidth + 8, strengthTop, kFieldWidth, kRowHeight);
  connect(m_blurStrengthSlider, &CSDoubleSlider::doubleValueChanged, this,
          [this] { changeBlurStrength(m_blurStrengthSlider); });
  watchField(m_blurStrengthField, &DRToolOptionsVC::changeBlurStrength);

  // The pencil's colour rule.
  QWidget* pencil = addPage(QStringLiteral("pencil"));
  m_pencilOptions = new QButtonGroup(pencil);
  const QString pencilTitles[] = {tr("Always draw in the fill color"), tr("Draw white over the fill color"),
                                  tr("Erase over the fill color")};
  for (int option = 0; option < 3; ++option) {
    auto* button = new QRadioButton(pencilTitles[option], pencil);
    button->setGeometry(kMargin, kMargin + option * kRowHeight, kPageWidth - 2 * kMargin, kRowHeight);
    m_pencilOptions->addButton(button, option);
  }
  connect(m_pencilOptions, &QButtonGroup::idClicked, this, [&settings](int option) { settings.setPencilOption(option); });

  // The selection's shape in a painting.
  QWidget* selection = addPage(QStringLiteral("sel"));
  m_selectionShapes = cellGroup(selection, kSelectionCell, 0, 3, 3, kMargin, 30);
  connect(m_selectionShapes, &QButtonGroup::idClicked, this, [&settings](int tag) { settings.setPixelSelector(tag); });

  // Cropping a painting.
  QWidget* crop = addPage(QStringLiteral("crop"));
  m_cropButton = new QPushButton(tr("Crop"), crop);
  m_cropButton->setGeometry(kMargin, kMargin, 100, kRowHeight + 4);
  m_cancelCropButton = new QPushButton(tr("Cancel"), crop);
  m_cancelCropButton->setGeometry(kMargin + 108, kMargin, 100, kRowHeight + 4);
  m_cropButton->setEnabled(false);
  m_cancelCropButton->setEnabled(false);
  connect(m_cropButton, &QPushButton::clicked, this, &DRToolOptionsVC::acceptCrop);
  connect(m_cancelCropButton, &QPushButton::clicked, this, &DRToolOptionsVC::cancelCrop);
}

void DRToolOptionsVC::buildArrowPage(const QString& identifier, int set) {
  DRSettings& settings = DRSettings::sharedInstance();
  QWidget* page = addPage(identifier);
  m_arrowOnStart[set] = MakeBox(tr("Arrow at start"), page, kMargin);
  m_arrowOnEnd[set] = MakeBox(tr("Arrow at end"), page, kMargin + kRowHeight);
  m_arrowFill[set] = MakeBox(tr("Fill arrowhead"), page, kMargin + 2 * kRowHeight);
  m_arrowStyle[set] = new QPushButton(tr("Arrow Style…"), page);
  m_arrowStyle[set]->setGeometry(kMargin, kMargin + 3 * kRowHeight + 4, 120, kRowHeight + 4);
  m_arrowInstructions[set] = new QLabel(tr("New lines have no arrows. Choose Arrow Style to add them."), page);
  m_arrowInstructions[set]->setWordWrap(true);
  m_arrowInstructions[set]->setGeometry(kMargin, kMargin + 4 * kRowHeight + 10, kPageWidth - 2 * kMargin,
                                        2 * kRowHeight);
  // Clicks only: showing the setting sends nothing.
  connect(m_arrowOnStart[set], &QCheckBox::clicked, this, [&settings](bool on) { settings.setArrowOnStart(on); });
  connect(m_arrowOnEnd[set], &QCheckBox::clicked, this, [&settings](bool on) { settings.setArrowOnEnd(on); });
  connect(m_arrowFill[set], &QCheckBox::clicked, this, [&settings](bool on) { settings.setFillArrow(on); });
  connect(m_arrowStyle[set], &QPushButton::clicked, this, &DRToolOptionsVC::changeArrow);
}

// ---- Set-up -----------------------------------------------------------------------------------

void DRToolOptionsVC::awakeFromNib() {
  if (m_awake) return;
  m_awake = true;
  DRSettings& settings = DRSettings::sharedInstance();
  {
    const QSignalBlocker blocker(this);
    m_suppressTextChange = true;
    showCount(settings.regularPolyVertexCount());
    showRadius(settings.cornerRadius());
    showTolerance(settings.polygonTolerance());
    showBlurStrength(settings.blurStrength());
    showBoundSettings();
    m_suppressTextChange = false;
  }
  setFontDescription();
  QTimer::singleShot(0, this, &DRToolOptionsVC::enableArrows);

  connect(&settings, &DRSettings::textInfoFontChanged, this, &DRToolOptionsVC::setFontDescription);
  connect(&settings, &DRSettings::arrowChanged, this, &DRToolOptionsVC::enableArrows);

  NotificationCenter& center = NotificationCenter::defaultCenter();
  QObject* window = notificationWindow();
  center.addObserver(this, g_activateCropNotification, window, [this](const CSNotification& notification) {
    cropActivated(notification.userInfo.value(g_cropKey).toBool());
  });
  center.addObserver(this, g_tabChangeNotification, window, [this](const CSNotification&) { enableArrows(); });
  center.addObserver(this, g_arrowChangeNotification, window, [this](const CSNotification&) { enableArrows(); });
  center.addObserver(this, g_unitsChangedNotification, nullptr, [this](const CSNotification&) { unitsChanged(); });
  // The window closing for good is the document closing.
  center.addObserver(this, g_windowWillCloseNotification, window,
                     [this](const CSNotification&) { documentClosing(); });
  center.addObserver(this, g_darkModeChangedNotification, nullptr,
                     [this](const CSNotification&) { darkModeChanged(); });
  darkModeChanged();
  if (m_container) m_container->fitToPane();
}

void DRToolOptionsVC::showBoundSettings() {
  DRSettings& settings = DRSettings::sharedInstance();
  for (const QString& page : {QStringLiteral("regpoly"), QStringLiteral("rrect"), QStringLiteral("rect"),
                              QStringLiteral("oval")}) {
    if (QCheckBox* box = drawFromCenterButton(page)) {
      const QSignalBlocker blocker(box);
      box->setChecked(settings.drawFromCenter());
    }
    if (QCheckBox* box = constrainButton(page)) {
      const QSignalBlocker blocker(box);
      box->setChecked(settings.constrain());
    }
  }
  SelectTag(m_brushShapes, settings.brush());
  SelectTag(m_blurBrushShapes, settings.brush());
  SelectTag(m_selectionShapes, settings.pixelSelector());
  SelectTag(m_pencilOptions, settings.pencilOption());
  SelectTag(m_smudgeChoice, settings.smudgeBlur() ? 1 : 0);
  SelectTag(m_colorTargets, settings.colorTarget());
}

// ---- Fields -----------------------------------------------------------------------------------

void DRToolOptionsVC::watchField(QLineEdit* field, void (DRToolOptionsVC::*action)(QObject*)) {
  connect(field, &QLineEdit::textEdited, this, &DRToolOptionsVC::fieldEdited);
  connect(field, &QLineEdit::editingFinished, this, [this, field, action] { fieldEditingEnded(field, action); });
}

void DRToolOptionsVC::fieldEdited() {
  m_editingStarted = true;
}

void DRToolOptionsVC::fieldEditingEnded(QLineEdit* field, void (DRToolOptionsVC::*action)(QObject*)) {
  // Leaving a field without typing into it changes nothing.
  const bool run = m_editingStarted && !m_suppressTextChange;
  m_editingStarted = false;
  if (run) (this->*action)(field);
}

// ---- Slider and field pairs ---------------------------------------------------------------------

void DRToolOptionsVC::showCount(uint64_t count) {
  const bool suppress = m_suppressTextChange;
  m_suppressTextChange = true;
  m_polyCountField->setText(QString::number(count));
  {
    const QSignalBlocker blocker(m_polyCountSlider);
    m_polyCountSlider->setValue(int(std::min<uint64_t>(count, kMaximumVertexCount)));
  }
  setStockPolygonCount(count);
  m_suppressTextChange = suppress;
}

void DRToolOptionsVC::changePolyCount(QObject* sender) {
  long long count = 0;
  if (sender == m_polyCountSlider) {
    count = m_polyCountSlider->value();
  } else {
    bool ok = false;
    count = m_polyCountField->text().trimmed().toLongLong(&ok);
    if (!ok) count = 0;
  }
  YankFocusForSliderPair(qobject_cast<QWidget*>(sender), m_polyCountField);
  // A count the polygon element cannot draw is not stored.
  if (count < kMinimumVertexCount || count > kMaximumVertexCount) {
    showCount(DRSettings::sharedInstance().regularPolyVertexCount());
    QApplication::beep();
    return;
  }
  DRSettings::sharedInstance().setRegularPolyVertexCount(uint64_t(count));
  showCount(uint64_t(count));
}

void DRToolOptionsVC::setStockPolygonCount(uint64_t count) {
  SelectTag(m_stockRegPolygons, count >= 3 && count <= 8 ? int(count) : -1);
}

void DRToolOptionsVC::stockPolygonSelected(int tag) {
  if (tag < 3 || tag > 8) return;
  DRSettings::sharedInstance().setRegularPolyVertexCount(uint64_t(tag));
  const bool suppress = m_suppressTextChange;
  m_suppressTextChange = true;
  YankFocusForSliderPair(m_polyCountSlider, m_polyCountField);
  showCount(uint64_t(tag));
  m_suppressTextChange = suppress;
}

void DRToolOptionsVC::showRadius(int64_t radius) {
  const bool suppress = m_suppressTextChange;
  m_suppressTextChange = true;
  m_cornerRadiusField->setMeasureValue(radius);
  {
    const QSignalBlocker blocker(m_cornerRadiusSlider);
    m_cornerRadiusSlider->setDoubleValue(double(radius) / kMeasurePerPoint);
  }
  m_suppressTextChange = suppress;
}

void DRToolOptionsVC::changeRadius(QObject* sender) {
  MeasureUnit radius = 0;
  if (sender == m_cornerRadiusSlider) {
    radius = MeasureUnit(m_cornerRadiusSlider->doubleValue() * kMeasurePerPoint);
  } else {
    if (!m_cornerRadiusField->acceptsText()) return;
    radius = m_cornerRadiusField->measureValue();
  }
  YankFocusForSliderPair(qobject_cast<QWidget*>(sender), m_cornerRadiusField);
  DRSettings::sharedInstance().setCornerRadius(radius);
  showRadius(radius);
}

void DRToolOptionsVC::showTolerance(int64_t tolerance) {
  const bool suppress = m_suppressTextChange;
  m_suppressTextChange = true;
  m_polygonToleranceField->setMeasureValue(tolerance);
  {
    const QSignalBlocker blocker(m_polygonToleranceSlider);
    m_polygonToleranceSlider->setDoubleValue(double(tolerance) / kMeasurePerPoint);
  }
  if (m_scribbleToleranceSlider) {
    const QSignalBlocker blocker(m_scribbleToleranceSlider);
    m_scribbleToleranceSlider->setDoubleValue(double(tolerance) / kMeasurePerPoint);
  }
  m_suppressTextChange = suppress;
}

void DRToolOptionsVC::changeTolerance(QObject* sender) {
  MeasureUnit tolerance = 0;
  if (sender == m_polygonToleranceSlider || sender == m_scribbleToleranceSlider) {
    tolerance = MeasureUnit(static_cast<CSDoubleSlider*>(sender)->doubleValue() * kMeasurePerPoint);
  } else {
    if (!m_polygonToleranceField->acceptsText()) return;
    tolerance = m_polygonToleranceField->measureValue();
  }
  YankFocusForSliderPair(qobject_cast<QWidget*>(sender), m_polygonToleranceField);
  DRSettings::sharedInstance().setPolygonTolerance(tolerance);
  showTolerance(tolerance);
}

void DRToolOptionsVC::showBlurStrength(double strength) {
  const bool suppress = m_suppressTextChange;
  m_suppressTextChange = true;
  {
    const QSignalBlocker blocker(m_blurStrengthSlider);
    m_blurStrengthSlider->setDoubleValue(strength);
  }
  m_blurStrengthField->setText(QString::number(double(float(strength) * 100.0f), 'g', 6));
  m_suppressTextChange = suppress;
}

void DRToolOptionsVC::changeBlurStrength(QObject* sender) {
  float strength = 0;
  if (sender == m_blurStrengthSlider) {
    YankFocusForSliderPair(m_blurStrengthSlider, m_blurStrengthField);
    strength = float(m_blurStrengthSlider->doubleValue());
  } else {
    bool ok = false;
    const double typed = m_blurStrengthField->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(typed)) {
      showBlurStrength(DRSettings::sharedInstance().blurStrength());
      QApplication::beep();
      return;
    }
    strength = float(std::clamp(typed / 100.0, m_blurStrengthSlider->doubleMinimum(), kHighestBlurStrength));
    const QSignalBlocker blocker(m_blurStrengthSlider);
    m_blurStrengthSlider->setDoubleValue(strength);
  }
  DRSettings::sharedInstance().setBlurStrength(strength);
  showBlurStrength(strength);
}

void DRToolOptionsVC::changeBlurBrush() {
  NotificationCenter::defaultCenter().post(g_brushChangeNotification, notificationWindow());
}

// ---- Font -------------------------------------------------------------------------------------

void DRToolOptionsVC::setFont() {
  EditorAppServices().openFontPanel(DRSettings::sharedInstance().textInfo().fontValue(), false, this);
}

void DRToolOptionsVC::changeFont(const FontConverter& convert) {
  if (!convert) return;
  DRTextInfo& textInfo = DRSettings::sharedInstance().textInfo();
  textInfo.setFont(convert(textInfo.fontValue()));
}

void DRToolOptionsVC::setFontDescription() {
  m_fontDisplayField->setText(DRPropTextVC::fontDescription(DRSettings::sharedInstance().textInfo().fontValue()));
}

// ---- Arrows -----------------------------------------------------------------------------------

void DRToolOptionsVC::changeArrow() {
  if (!m_windowController) return;
  DRArrowDialog::runArrowSheet(DRSettings::sharedInstance().arrow(), m_windowController, false);
}

void DRToolOptionsVC::enableArrows() {
  if (!m_windowController) return;
  const bool inDrawing = IsDrawContent(m_windowController->currentVC());
  const std::optional<DRArrow> arrow = inDrawing ? DRSettings::sharedInstance().arrow() : std::nullopt;
  for (int set = 0; set < 2; ++set) {
    const std::pair<QCheckBox*, bool> boxes[] = {
        {m_arrowOnStart[set], arrow && arrow->onStart() == 1},
        {m_arrowOnEnd[set], arrow && arrow->onEnd() == 1},
        {m_arrowFill[set], arrow && arrow->fill() == 1},
    };
    for (const auto& [box, on] : boxes) {
      const QSignalBlocker blocker(box);
      box->setChecked(on);
    }
    m_arrowOnStart[set]->setEnabled(bool(arrow));
    m_arrowOnEnd[set]->setEnabled(bool(arrow));
    m_arrowFill[set]->setEnabled(arrow && arrow->isClosedType());
    m_arrowStyle[set]->setEnabled(inDrawing);
    m_arrowInstructions[set]->setVisible(inDrawing && !arrow);
  }
}

// ---- Crop, units, appearance, closing --------------------------------------------------------

void DRToolOptionsVC::acceptCrop() {
  NotificationCenter::defaultCenter().post(g_acceptCropNotification, notificationWindow(), {{g_cropKey, true}});
}

void DRToolOptionsVC::cancelCrop() {
  NotificationCenter::defaultCenter().post(g_acceptCropNotification, notificationWindow(), {{g_cropKey, false}});
}

void DRToolOptionsVC::cropActivated(bool crop) {
  m_cropButton->setEnabled(crop);
  m_cancelCropButton->setEnabled(crop);
}

void DRToolOptionsVC::unitsChanged() {
  // Ends any typing in the fields first, then shows the values in the new unit.
  QWidget* focus = QApplication::focusWidget();
  const bool typing = focus == m_cornerRadiusField || focus == m_polygonToleranceField;
  if (typing) focus->clearFocus();
  showRadius(DRSettings::sharedInstance().cornerRadius());
  showTolerance(DRSettings::sharedInstance().polygonTolerance());
  if (typing) focus->setFocus();
}

void DRToolOptionsVC::darkModeChanged() {
  // The message is drawn in the palette's placeholder colour, which reads on
  // the strip in light and dark mode alike and follows the palette itself.
  m_noToolMessage->setForegroundRole(QPalette::PlaceholderText);
  m_noToolMessage->update();
}

void DRToolOptionsVC::documentClosing() {
  m_windowController = nullptr;
}

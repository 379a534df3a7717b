#include "ui/inspector/DRPropTextVC.h"

#include <QBoxLayout>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

#include "model/DRDrawing.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "support/CSUndoManager.h"
#include "support/Fonts.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/DRAlignmentTransformer.h"
#include "support/widgets/InterfaceHelpers.h"
#include "support/widgets/MeasureControls.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kExpansionStep = 127;
// The expansion slider's range in points; the field takes its limits from it.
constexpr double kExpansionMinimum = -5;
constexpr double kExpansionMaximum = 20;

const QString kExpansionKeyPath = QStringLiteral("textInfo.expansion");
const QString kIgnoreTextKeyPath = QStringLiteral("ignoreText");
const QString kTextKeyPath = QStringLiteral("text");

// The pane whose connection to the shared font dialog is the live one.
DRPropTextVC* g_fontReceiver = nullptr;

// The text style of an element that carries text, else null.
const DRTextInfo* StyleOf(const DRElement* element) {
  if (const auto* text = dynamic_cast<const DRElementText*>(element)) return &text->textInfo();
  if (const auto* scribble = dynamic_cast<const DRElementScribble*>(element)) return &scribble->textInfo();
  return nullptr;
}

const QString* TextOf(const DRElement* element) {
  if (const auto* text = dynamic_cast<const DRElementText*>(element)) return &text->text();
  if (const auto* scribble = dynamic_cast<const DRElementScribble*>(element)) return &scribble->text();
  return nullptr;
}

// -1 mixed, 0 off, anything else on.
void ShowState(CSCheckBox* box, int state) {
  const QSignalBlocker blocker(box);
  if (state < 0) {
    box->setMixed();
  } else {
    box->setChecked(state != 0);
  }
}

QToolButton* PopupButton(QWidget* parent, const char* name) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

}  // namespace

DRPropTextVC::DRPropTextVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Text"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  m_textColorPicker = new DRColorWell(this);
  m_textColorPicker->setObjectName(QStringLiteral("textColorPicker"));
  m_textColorPicker->setSwatchIndex(kSwatchTextColor);
  m_textColorButton = PopupButton(this, "textColorButton");
  m_textBackColorPicker = new DRColorWell(this);
  m_textBackColorPicker->setObjectName(QStringLiteral("textBackColorPicker"));
  m_textBackColorPicker->setSwatchIndex(kSwatchTextBackground);
  m_backColorButton = PopupButton(this, "backColorButton");
  m_textFavorites = new CSFavoriteColorManager(this);
  m_textFavorites->setPopupButton(m_textColorButton);
  m_textFavorites->setDelegate(this);
  m_backFavorites = new CSFavoriteColorManager(this);
  m_backFavorites->setPopupButton(m_backColorButton);
  m_backFavorites->setDelegate(this);
  // Two colour rows, then the traits side by side: the pane fits the
  // inspector at its default width.
  layout->addWidget(new QLabel(tr("Color"), this), 0, 0, 1, 2);
  layout->addWidget(m_textColorPicker, 0, 2);
  layout->addWidget(m_textColorButton, 0, 3);
  layout->addWidget(new QLabel(tr("Background"), this), 1, 0, 1, 2);
  layout->addWidget(m_textBackColorPicker, 1, 2);
  layout->addWidget(m_backColorButton, 1, 3);

  m_boldButton = new CSCheckBox(tr("Bold"), this);
  m_boldButton->setObjectName(QStringLiteral("boldButton"));
  m_italicButton = new CSCheckBox(tr("Italic"), this);
  m_italicButton->setObjectName(QStringLiteral("italicButton"));
  m_underlinedButton = new CSCheckBox(tr("Underline"), this);
  m_underlinedButton->setObjectName(QStringLiteral("underlinedButton"));
  auto* traits = new QHBoxLayout;
  traits->addWidget(m_boldButton);
  traits->addWidget(m_italicButton);
  traits->addWidget(m_underlinedButton);
  traits->addStretch(1);
  layout->addLayout(traits, 2, 0, 1, 6);

  // Segment order: left, centre, justified, right (ModelToViewAlignment).
  m_alignmentControl = new CSSegmentedControl(this);
  m_alignmentControl->setObjectName(QStringLiteral("alignmentControl"));
  m_alignmentControl->setSegmentCount(4);
  m_alignmentControl->setTrackingMode(CSSegmentedControl::TrackingMode::kSelectOne);
  const QString titles[] = {tr("Left"), tr("Center"), tr("Justify"), tr("Right")};
  for (int segment = 0; segment < 4; ++segment) {
    m_alignmentControl->setLabel(titles[segment], segment);
    m_alignmentControl->setSegmentToolTip(titles[segment], segment);
  }
  layout->addWidget(m_alignmentControl, 3, 0, 1, 6);

  m_expandSlider = new CSDoubleSlider(Qt::Horizontal, this);
  m_expandSlider->setObjectName(QStringLiteral("expandSlider"));
  m_expandSlider->setDoubleRange(kExpansionMinimum, kExpansionMaximum);
  m_expandField = new CSMeasureField(this);
  m_expandField->setObjectName(QStringLiteral("expandField"));
  CSMeasureFormatter* formatter = m_expandField->formatter();
  formatter->setMinimum(MeasureUnit(kExpansionMinimum * kMeasurePerPoint));
  formatter->setMaximum(MeasureUnit(kExpansionMaximum * kMeasurePerPoint));
  formatter->setScalar(true);
  formatter->setPreferredUnit(kDistanceUnitPoints);
  auto* expandLabel = new QLabel(tr("Expansion"), this);
  expandLabel->setBuddy(m_expandField);
  m_expandField->setFixedWidth(60);
  auto* expansion = new QHBoxLayout;
  expansion->addWidget(expandLabel);
  expansion->addWidget(m_expandSlider, 1);
  expansion->addWidget(m_expandField);
  layout->addLayout(expansion, 4, 0, 1, 6);

  m_fontDisplayField = new QLabel(this);
  m_fontDisplayField->setObjectName(QStringLiteral("fontDisplayField"));
  m_fontButton = new QPushButton(tr("Font…"), this);
  m_fontButton->setObjectName(QStringLiteral("fontButton"));
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(m_fontDisplayField, 1);
  fontRow->addWidget(m_fontButton);
  layout->addLayout(fontRow, 5, 0, 1, 6);

  m_ignoreButton = new CSCheckBox(tr("Ignore text"), this);
  m_ignoreButton->setObjectName(QStringLiteral("ignoreButton"));
  layout->addWidget(m_ignoreButton, 6, 0, 1, 6);

  m_textField = new QPlainTextEdit(this);
  m_textField->setObjectName(QStringLiteral("textField"));
  m_textField->setMinimumHeight(60);
  layout->addWidget(m_textField, 7, 0, 1, 6);
  layout->setColumnStretch(4, 1);
}

DRPropTextVC::~DRPropTextVC() {
  // The shared dialog outlives the pane: when its changes still come here,
  // it loses its receiver and goes away.
  if (isFontReceiver()) {
    QObject::disconnect(m_fontConnection);
    if (QFontDialog* panel = SharedFontDialog(false)) panel->hide();
  }
  if (g_fontReceiver == this) g_fontReceiver = nullptr;
}

void DRPropTextVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropTextVC"), [](const QString&, QWidget* parent) {
    return static_cast<QWidget*>(new DRPropTextVC(parent));
  });
}

void DRPropTextVC::awakeFromNib() {
  m_textColorPicker->setWindowController(windowController());
  m_textBackColorPicker->setWindowController(windowController());
  DRPropBaseVC::awakeFromNib();
  // The text view has no spelling checker to switch on while typing: the
  // preference is read and has no effect here.
  (void)EditorPrefs().checkSpelling();
  observe(g_textChangeNotification, [this](const CSNotification&) { textChanged(); });
  observe(g_fontChangeNotification, [this](const CSNotification&) { selectionChanged(); });
  observe(g_settingsChangeNotification, [this](const CSNotification& note) { settingsChanged(note); });

  connect(m_boldButton, &QCheckBox::clicked, this, [this] { setBold(); });
  connect(m_italicButton, &QCheckBox::clicked, this, [this] { setItalic(); });
  connect(m_underlinedButton, &QCheckBox::clicked, this, [this] { setUnderlined(); });
  connect(m_ignoreButton, &QCheckBox::clicked, this, [this] { toggleIgnore(); });
  connect(m_alignmentControl, &CSSegmentedControl::activated, this, [this] { changeAlignment(); });
  connect(m_expandSlider, &CSDoubleSlider::doubleValueChanged, this, [this] { setExpansion(m_expandSlider); });
  watchTextField(m_expandField, [this](QLineEdit* field) { setExpansion(field); });
  connect(m_fontButton, &QPushButton::clicked, this, [this] { showFonts(); });
  connect(m_textField, &QPlainTextEdit::textChanged, this, [this] { textDidChange(); });
}

void DRPropTextVC::selectionChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.empty() || isRetired()) return;

  std::optional<DRTextInfo> style;
  QString text;
  int count = 0;
  int ignore = -1;  // -1 none yet; 2 mixed
  bool allText = true;
  for (const DRElement* element : elements) {
    const DRTextInfo* info = StyleOf(element);
    if (!info) continue;
    const auto* textElement = dynamic_cast<const DRElementText*>(element);
    if (textElement) {
      const int value = textElement->ignoreText() ? 1 : 0;
      if (ignore < 0) {
        ignore = value;
      } else if (ignore != value) {
        ignore = 2;
      }
    } else {
      allText = false;
    }
    ++count;
    if (!style) {
      style = *info;
      text = *TextOf(element);
    } else {
      style->intersectWith(*info);
      text.clear();
    }
  }
  if (!style) return;

  m_textKolor = style->textKolor();
  m_backKolor = style->backKolor();
  m_textColorPicker->setTrueKolor(m_textKolor);
  m_textBackColorPicker->setTrueKolor(m_backKolor);
  ShowState(m_boldButton, style->uiToggleState(true));
  ShowState(m_italicButton, style->uiToggleState(false));
  ShowState(m_underlinedButton, style->isUnderlined() == kMixedTextFlag ? -1 : style->isUnderlined());
  m_ignoreButton->setVisible(allText);
  ShowState(m_ignoreButton, ignore == 2 ? -1 : std::max(ignore, 0));
  {
    const QSignalBlocker blocker(m_alignmentControl);
    // Mixed alignments select no segment, so that any segment clicked sets it.
    const int64_t alignment = style->alignment();
    m_alignmentControl->setSelectedSegment(alignment == kMixedTextAlignment ? -1
                                                                            : int(ModelToViewAlignment(alignment)));
  }
  showPairValue(m_expandSlider, m_expandField, style->expansion());

  {
    const QSignalBlocker blocker(m_textField);
    if (count > 1) {
      m_textField->clear();
      m_textField->setReadOnly(true);
      m_textField->setTextInteractionFlags(Qt::NoTextInteraction);
    } else {
      m_textField->setReadOnly(false);
      m_textField->setTextInteractionFlags(Qt::TextEditorInteraction);
      if (m_textField->toPlainText() != text) m_textField->setPlainText(text);
    }
  }

  m_font = style->font();
  showFontDescription();
  m_textUndoID = m_fontUndoID = m_expandUndoID = CSUndoManager::kFreshUndoID;
}

void DRPropTextVC::textChanged() {
  const std::vector<DRElement*>& elements = selection();
  if (elements.size() != 1 || isRetired()) return;
  const QString* text = TextOf(elements.front());
  if (!text || m_textField->toPlainText() == *text) return;
  const QSignalBlocker blocker(m_textField);
  m_textField->setPlainText(*text);
}

void DRPropTextVC::settingsChanged(const CSNotification& note) {
  const auto swatch = note.userInfo.constFind(g_settingsChangeSwatchKey);
  if (swatch == note.userInfo.constEnd()) return;
  const int value = swatch->toInt();
  if (value == kSwatchLine || value == kSwatchTextColor || value == kSwatchTextBackground) selectionChanged();
}

QString DRPropTextVC::fontDescription(const std::optional<QFont>& font) {
  if (!font) return QStringLiteral("<multiple>");
  QString name = font->family();
  if (!font->styleName().isEmpty()) name += QLatin1Char(' ') + font->styleName();
  return QStringLiteral("%1\n%2 pt.").arg(name, QString::number(font->pointSizeF(), 'f', 1));
}

void DRPropTextVC::showFontDescription() {
  m_fontDisplayField->setText(fontDescription(m_font));
}

// ---- Traits and alignment --------------------------------------------------------------------

void DRPropTextVC::normalize() {
  NotificationCenter::defaultCenter().post(g_normalizeNotification, nullptr);
}

void DRPropTextVC::setBold() {
  const bool bold = checkboxValue(m_boldButton);
  normalize();
  DRSettings::sharedInstance().textInfo().setBold(bold ? 1 : 0);
  if (openUndoEntry(kUndoBold)) ChangeSelectionBool(notificationWindow(), g_boldKeyPath, g_boldSetter, bold);
  // The box shows the trait of the fonts too.
  if (!isRetired()) selectionChanged();
}

void DRPropTextVC::setItalic() {
  const bool italic = checkboxValue(m_italicButton);
  normalize();
  DRSettings::sharedInstance().textInfo().setItalic(italic ? 1 : 0);
  if (openUndoEntry(kUndoItalic)) ChangeSelectionBool(notificationWindow(), g_italicKeyPath, g_italicSetter, italic);
  if (!isRetired()) selectionChanged();
}

void DRPropTextVC::setUnderlined() {
  const bool underlined = checkboxValue(m_underlinedButton);
  normalize();
  DRSettings::sharedInstance().textInfo().setUnderlined(underlined ? 1 : 0);
  if (!openUndoEntry(kUndoUnderline)) {
    selectionChanged();
    return;
  }
  ChangeSelectionBool(notificationWindow(), g_underlineKeyPath, g_underlineSetter, underlined);
}

void DRPropTextVC::changeAlignment() {
  const int64_t alignment = ViewToModelAlignment(m_alignmentControl->selectedSegment());
  if (alignment < 0) return;
  normalize();
  DRSettings::sharedInstance().textInfo().setAlignment(alignment);
  if (!openUndoEntry(kUndoAlignment)) {
    selectionChanged();
    return;
  }
  ChangeSelectionNumber(notificationWindow(), g_alignmentKeyPath, QString(), alignment);
}

void DRPropTextVC::toggleIgnore() {
  const bool ignore = checkboxValue(m_ignoreButton);
  if (!openUndoEntry(kUndoAlignment)) {
    selectionChanged();
    return;
  }
  ChangeSelectionBool(notificationWindow(), kIgnoreTextKeyPath, QString(), ignore);
}

void DRPropTextVC::setExpansion(QWidget* sender) {
  MeasureUnit expansion = valueFromPair(sender, m_expandField, kExpansionStep);
  if (expansion == kMixedMeasure) expansion = 0;
  if (!openUndoEntry(&m_expandUndoID, kUndoExpansion)) return;
  ChangeSelectionMeasure(notificationWindow(), kExpansionKeyPath, QString(), kSwatchNone, expansion);
  if (!isRetired()) showPairValue(m_expandSlider, m_expandField, expansion);
}

// ---- The font --------------------------------------------------------------------------------

bool DRPropTextVC::isFontReceiver() const {
  return g_fontReceiver == this && bool(m_fontConnection);
}

void DRPropTextVC::showFonts() {
  if (isRetired()) return;
  QFontDialog* panel = SharedFontDialog();
  if (!panel) return;
  // One receiver at a time: whoever listened before hears no more.
  QObject::disconnect(panel, &QFontDialog::currentFontChanged, nullptr, nullptr);
  if (g_fontReceiver) QObject::disconnect(g_fontReceiver->m_fontConnection);
  // The dialog has no mixed state: with differing fonts it keeps the font
  // it shows. Connected afterwards, so showing the font sends nothing.
  if (m_font) panel->setCurrentFont(FontWithStyleName(*m_font));
  m_fontConnection =
      connect(panel, &QFontDialog::currentFontChanged, this, [this](const QFont& chosen) { changeFont(chosen); });
  g_fontReceiver = this;
  panel->show();
  panel->raise();
  panel->activateWindow();
}

void DRPropTextVC::changeFont(const QFont& font) {
  if (isRetired()) return;
  m_font = font;
  DRSettings::sharedInstance().textInfo().setFont(font);
  if (!openUndoEntry(&m_fontUndoID, kUndoFont)) {
    showFontDescription();
    return;
  }
  ChangeSelectionObject(notificationWindow(), g_fontKeyPath, QString(), QVariant::fromValue(font));
  if (isRetired()) return;
  // Re-reading the selection starts new entries for the other controls;
  // the panel's next change still merges into this one.
  const uint32_t fontUndoId = m_fontUndoID;
  selectionChanged();
  m_fontUndoID = fontUndoId;
}

// ---- The text --------------------------------------------------------------------------------

void DRPropTextVC::textDidChange() {
  if (isRetired() || m_textField->isReadOnly()) return;
  if (!openUndoEntry(&m_textUndoID, kUndoTyping)) return;
  ChangeSelectionObject(notificationWindow(), kTextKeyPath, QString(), QVariant(m_textField->toPlainText()));
}

// ---- The favourite-colour pull-downs ---------------------------------------------------------

Kolor DRPropTextVC::kolorForPopup(QToolButton* popup) {
  return popup == m_textColorButton ? m_textKolor : m_backKolor;
}

Kolor DRPropTextVC::defaultKolorForPopup(QToolButton* popup) {
  return popup == m_textColorButton ? g_blackKolor : g_nilKolor;
}

void DRPropTextVC::changeKolor(Kolor kolor, QToolButton* popup) {
  const bool text = popup == m_textColorButton;
  if (!openUndoEntry(text ? kUndoTextColor : kUndoTextBackground)) return;
  ChangeSelectionColor(notificationWindow(), text ? g_textKolorKeyPath : g_textBackKolorKeyPath, QString(),
                       text ? kSwatchTextColor : kSwatchTextBackground, kolor);
}

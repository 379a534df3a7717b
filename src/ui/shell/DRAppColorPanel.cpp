// The shared colour and font panels: the colour panel serves the swatch that
// opened it until it loses key status, the font panel sends each change of
// face or size to the client that opened it. Neither keeps its client alive:
// a client that is a QObject is watched, and one that has gone hears nothing.

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDialog>
#include <memory>

#include "support/Fonts.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/DRAppController.h"

namespace {

constexpr int kSwapSwatch = 4;
constexpr const char* kNoColorBoxName = "noColorBox";

// The swatches the colour panel serves: its title, and the tool tip of the
// "No color" box for those that have one.
struct SwatchPanel {
  int swatch;
  const char* title;
  const char* noColorTip;
};

constexpr SwatchPanel kSwatchPanels[] = {
    {0, "Line and Text Color", "Don't outline shapes; makes text invisible"},
    {3, "Fill Color", "Don't fill shapes"},
    {kSwapSwatch, "Swap Color", nullptr},
    {10, "Shadow Color", nullptr},
    {11, "Text Color", nullptr},
    {12, "Text Background Color", "Let background show through text"},
};

const SwatchPanel* PanelForSwatch(int swatch) {
  for (const SwatchPanel& entry : kSwatchPanels) {
    if (entry.swatch == swatch) return &entry;
  }
  return nullptr;
}

void BringForward(QWidget* panel) {
  panel->show();
  panel->raise();
  panel->activateWindow();
}

void RemoveNoColorBoxes(QColorDialog* panel) {
  for (QCheckBox* box : panel->findChildren<QCheckBox*>(QLatin1String(kNoColorBoxName))) {
    // Later, not now: the box may be the one whose click got us here.
    box->setObjectName(QString());
    box->hide();
    box->disconnect();
    box->deleteLater();
  }
}

// Back to serving nobody: no accessory, no alpha, the plain title, hidden.
void MakePanelIdle(QColorDialog* panel) {
  RemoveNoColorBoxes(panel);
  panel->setOption(QColorDialog::ShowAlphaChannel, false);
  panel->setWindowTitle(QStringLiteral("Colors"));
  panel->hide();
}

// Tells the controller when the colour panel loses key status. A hidden
// window cannot be key, so hiding it (ClosePanels, its close button) counts
// as well.
class ColorPanelWatcher : public QObject {
 public:
  explicit ColorPanelWatcher(DRAppController* owner) : QObject(owner), m_owner(owner) {}
  ~ColorPanelWatcher() override {
    // The controller is going: the panel must not keep serving it.
    QPointer<QColorDialog> panel = m_panel;
    stop();
    if (panel && QCoreApplication::instance()) MakePanelIdle(panel);
  }
  ColorPanelWatcher(const ColorPanelWatcher&) = delete;
  ColorPanelWatcher& operator=(const ColorPanelWatcher&) = delete;

  void watch(QColorDialog* panel) {
    stop();
    m_panel = panel;
    panel->installEventFilter(this);
  }
  void stop() {
    if (m_panel) m_panel->removeEventFilter(this);
    m_panel = nullptr;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (m_panel && watched == m_panel && (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide)) {
      m_owner->colorPanelResigned();
    }
    return false;
  }

 private:
  DRAppController* m_owner;
  QPointer<QColorDialog> m_panel;
};

// What a change in the font panel from `before` to `chosen` does to any
// font: a new face (family and style) or a new size, the rest kept. Null
// when neither changed.
DRFontPanelDelegate::FontConverter FontChange(const QFont& before, const QFont& chosen) {
  const bool face = before.family() != chosen.family() || before.styleName() != chosen.styleName() ||
                    before.weight() != chosen.weight() || before.style() != chosen.style();
  const bool size = chosen.pointSizeF() > 0 && before.pointSizeF() != chosen.pointSizeF();
  if (!face && !size) return nullptr;
  return [chosen, face, size](const QFont& font) {
    QFont changed(font);
    if (face) {
      changed.setFamily(chosen.family());
      changed.setStyleName(chosen.styleName());
      changed.setWeight(chosen.weight());
      changed.setStyle(chosen.style());
    }
    if (size) changed.setPointSizeF(chosen.pointSizeF());
    return changed;
  };
}

}  // namespace

// ---- The colour panel -----------------------------------------------------------------------

void DRAppController::openColorPanel(int swatch, Kolor kolor, DRColorPanelDelegate* delegate) {
  QColorDialog* panel = SharedColorDialog();
  if (!panel) return;
  // A colour well holding the panel lets go, so the colours chosen now go
  // to this swatch alone.
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (QWidget* well = ActiveColorWell(top)) QMetaObject::invokeMethod(well, "deactivate");
  }
  // Setting the panel up changes its colour: nothing of that goes out.
  m_ignoreColorChange = true;
  m_swatchForColorPanel = swatch;
  m_colorDelegate = delegate;
  m_colorDelegateObject = dynamic_cast<QObject*>(delegate);
  m_colorDelegateGuarded = !m_colorDelegateObject.isNull();

  // The dialog reports every movement of its controls, so it is continuous
  // as it stands.
  for (const QMetaObject::Connection& connection : m_colorConnections) QObject::disconnect(connection);
  m_colorConnections.clear();
  m_colorConnections << connect(panel, &QColorDialog::currentColorChanged, this, [this, panel] { changeColor(panel); });
  panel->setOption(QColorDialog::ShowAlphaChannel, swatch != kSwapSwatch);
  BringForward(panel);

  const SwatchPanel* entry = PanelForSwatch(swatch);
  if (!entry) return;  // shown, but what is chosen stays ignored
  panel->setWindowTitle(QString::fromUtf8(entry->title));
  buildColorPanelAccessory(panel);

  if (IsValidKolor(kolor)) {
    panel->setCurrentColor(ColorFromKolor(kolor));
  } else {
    panel->setCurrentColor(Qt::white);
    if (m_noColorBox) m_noColorBox->setChecked(true);
  }

  m_ignoreColorChange = false;
  if (!m_colorPanelWatcher) m_colorPanelWatcher = new ColorPanelWatcher(this);
  static_cast<ColorPanelWatcher*>(m_colorPanelWatcher.data())->watch(panel);
}

void DRAppController::buildColorPanelAccessory(QColorDialog* panel) {
  RemoveNoColorBoxes(panel);
  m_noColorBox.clear();
  const SwatchPanel* entry = PanelForSwatch(m_swatchForColorPanel);
  if (!entry || !entry->noColorTip) return;

  auto* box = new QCheckBox(QStringLiteral("No color"), panel);
  box->setObjectName(QLatin1String(kNoColorBoxName));
  box->setToolTip(QString::fromUtf8(entry->noColorTip));
  box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  box->adjustSize();
  if (auto* column = qobject_cast<QBoxLayout*>(panel->layout())) {
    column->addWidget(box, 0, Qt::AlignLeft);
  } else {
    box->move(8, panel->height() - box->height() - 8);
  }
  box->show();
  m_noColorBox = box;
  m_colorConnections << connect(box, &QCheckBox::clicked, this, [this, box] { changeColor(box); });
}

void DRAppController::changeColor(QObject* sender) {
  if (m_ignoreColorChange) return;
  QColorDialog* panel = SharedColorDialog(false);
  if (!panel) return;
  QCheckBox* box = m_noColorBox;
  Kolor kolor = g_nilKolor;
  if (box && sender == box) {
    if (!box->isChecked()) kolor = KolorFromColor(panel->currentColor());
  } else {
    // KolorFromColor gives no colour for zero opacity.
    kolor = KolorFromColor(panel->currentColor());
    if (box) box->setChecked(kolor == g_nilKolor);
  }
  if (DRColorPanelDelegate* delegate = colorDelegate()) delegate->setKolor(kolor, m_swatchForColorPanel);
}

void DRAppController::colorPanelResigned() {
  if (m_colorPanelWatcher) static_cast<ColorPanelWatcher*>(m_colorPanelWatcher.data())->stop();
  m_ignoreColorChange = true;
  for (const QMetaObject::Connection& connection : m_colorConnections) QObject::disconnect(connection);
  m_colorConnections.clear();
  m_noColorBox.clear();
  // Serving ends here: the swatch and its client are forgotten.
  m_swatchForColorPanel = -1;
  m_colorDelegate = nullptr;
  m_colorDelegateObject.clear();
  m_colorDelegateGuarded = false;
  if (QColorDialog* panel = SharedColorDialog(false)) MakePanelIdle(panel);
}

QCheckBox* DRAppController::noColorBox() const {
  return m_noColorBox;
}

DRColorPanelDelegate* DRAppController::colorDelegate() const {
  if (m_colorDelegateGuarded && !m_colorDelegateObject) return nullptr;
  return m_colorDelegate;
}

// ---- The font panel -------------------------------------------------------------------------

void DRAppController::openFontPanel(const QFont& font, bool multiple, DRFontPanelDelegate* delegate) {
  // The dialog has no mixed state: it shows the given font either way.
  (void)multiple;
  QFontDialog* panel = SharedFontDialog();
  if (!panel) return;
  // One receiver at a time: whoever opened the panel before (this
  // controller's earlier delegate, or a pane that connected itself) hears
  // no more, not even the font shown now.
  QObject::disconnect(panel, &QFontDialog::currentFontChanged, nullptr, nullptr);
  m_fontDelegate = delegate;
  m_fontDelegateObject = dynamic_cast<QObject*>(delegate);
  m_fontDelegateGuarded = !m_fontDelegateObject.isNull();

  // Connected after the font is shown, so showing it sends nothing.
  panel->setCurrentFont(FontWithStyleName(font));
  auto shown = std::make_shared<QFont>(panel->currentFont());
  connect(panel, &QFontDialog::currentFontChanged, this, [this, shown](const QFont& chosen) {
    DRFontPanelDelegate::FontConverter convert = FontChange(*shown, chosen);
    *shown = chosen;
    if (!convert) return;
    if (m_fontDelegateGuarded && !m_fontDelegateObject) return;
    if (m_fontDelegate) m_fontDelegate->changeFont(convert);
  });
  BringForward(panel);
}

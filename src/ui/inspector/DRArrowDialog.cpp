#include "ui/inspector/DRArrowDialog.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QLabel>
#include <QListWidget>

#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/DRArrowExample.h"
#include "ui/inspector/DRArrowView.h"
#include "ui/inspector/DRToolCells.h"

namespace {

const QString kArrowChangeNotification = QStringLiteral("twdraw.arrowChange");
// The row of standard arrow 3, chosen when the sheet opens with no arrow.
constexpr int kDefaultStandardRow = 2;
// The editor's size is fixed, so its sample line always has room between
// the margins it keeps at both ends.
constexpr int kEditorWidth = int(2 * DRArrowView::kMargin) + 176;
constexpr int kEditorHeight = 180;
constexpr int kListWidth = 150;
constexpr int kListHeight = 6 * 22 + 4;

}  // namespace

DRArrowDialog* DRArrowDialog::runArrowSheet(const std::optional<DRArrow>& arrow, DREditorWindowHost* drawController,
                                            bool modifySelection) {
  return runSheet<DRArrowDialog>(drawController, arrow, modifySelection);
}

DRArrowDialog::DRArrowDialog(DREditorWindowHost* drawController, const std::optional<DRArrow>& arrow,
                             bool modifySelection)
    : DRSheetController(drawController, kHelpTopic), m_arrow(arrow), m_modifySelection(modifySelection) {
  setWindowTitle(tr("Arrow"));
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  const auto addList = [&](const QString& title, int tag) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(title, this));
    QListWidget* list = makeList(tag);
    column->addWidget(list);
    top->addLayout(column);
    return list;
  };
  m_standardArrows = addList(tr("Standard:"), kStandardListTag);
  m_recentArrows = addList(tr("Recent:"), kRecentListTag);

  auto* options = new QVBoxLayout;
  m_startButton = new CSCheckBox(tr("Start"), this);
  m_endButton = new CSCheckBox(tr("End"), this);
  m_fillButton = new CSCheckBox(tr("Fill"), this);
  m_differentFillButton = new CSCheckBox(tr("Own fill color"), this);
  m_fillColorSwatch = new CSColorWell(this);
  m_exampleView = new DRArrowExample(this);
  m_exampleView->setFixedSize(200, 40);
  options->addWidget(m_startButton);
  options->addWidget(m_endButton);
  options->addWidget(m_fillButton);
  auto* fillRow = new QHBoxLayout;
  fillRow->addWidget(m_differentFillButton);
  fillRow->addWidget(m_fillColorSwatch);
  fillRow->addStretch();
  options->addLayout(fillRow);
  options->addStretch();
  options->addWidget(m_exampleView);
  top->addLayout(options);
  layout->addLayout(top);

  m_editView = new DRArrowView(this);
  m_editView->setFixedSize(kEditorWidth, kEditorHeight);
  layout->addWidget(m_editView);
  addButtonRow(layout);

  connect(m_startButton, &QAbstractButton::clicked, this, [this] { flagChanged(m_startButton, &DRArrow::setOnStart); });
  connect(m_endButton, &QAbstractButton::clicked, this, [this] { flagChanged(m_endButton, &DRArrow::setOnEnd); });
  connect(m_fillButton, &QAbstractButton::clicked, this, [this] { flagChanged(m_fillButton, &DRArrow::setFill); });
  connect(m_differentFillButton, &QAbstractButton::clicked, this,
          [this] { setDifferentFill(m_differentFillButton->checkState() == Qt::Checked); });
  connect(m_fillColorSwatch, &CSColorWell::kolorChanged, this, &DRArrowDialog::setFillColor);
  connect(m_editView, &DRArrowView::arrowChanged, this, &DRArrowDialog::arrowChanged);

  // The own fill colour may be translucent.
  SharedColorDialog()->setOption(QColorDialog::ShowAlphaChannel, true);
  // Lines whose kinds differ merge into an arrow of no kind, which draws
  // nothing and would not survive a save: such a sheet starts as one
  // without an arrow.
  if (m_arrow && (m_arrow->type() < kArrowTypeBar || m_arrow->type() > kArrowTypeClosed)) m_arrow.reset();
  if (!m_arrow) m_standardArrows->setCurrentRow(kDefaultStandardRow);
  installArrow();
}

QCheckBox* DRArrowDialog::startButton() const {
  return m_startButton;
}
QCheckBox* DRArrowDialog::endButton() const {
  return m_endButton;
}
QCheckBox* DRArrowDialog::fillButton() const {
  return m_fillButton;
}
QCheckBox* DRArrowDialog::differentFillButton() const {
  return m_differentFillButton;
}

std::optional<DRArrow> DRArrowDialog::arrowForRow(int row, bool standard) {
  if (standard) return row >= 0 && row < kStandardArrowCount ? DRArrow::standardArrow(row + 1) : std::nullopt;
  const QList<DRArrow>& recents = ModelServices().recentArrows();
  if (row < 0 || row >= recents.size()) return std::nullopt;
  return recents.at(row);
}

QListWidget* DRArrowDialog::makeList(int tag) {
  auto* list = new QListWidget(this);
  list->setProperty("tag", tag);
  list->setItemDelegate(new DRArrowCell(list));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setFixedSize(kListWidth, kListHeight);
  const bool standard = tag == kStandardListTag;
  const int rows = standard ? kStandardArrowCount : int(ModelServices().recentArrows().size());
  for (int row = 0; row < rows; ++row) {
    auto* item = new QListWidgetItem(list);
    if (const std::optional<DRArrow> arrow = arrowForRow(row, standard)) {
      item->setData(DRArrowCell::kArrowRole, QVariant::fromValue(*arrow));
    }
  }
  connect(list, &QListWidget::itemSelectionChanged, this, [this, list] { rowSelected(list); });
  return list;
}

void DRArrowDialog::rowSelected(QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) return;
  const std::optional<DRArrow> arrow =
      arrowForRow(list->row(selected.front()), list->property("tag").toInt() == kStandardListTag);
  if (!arrow) return;
  m_arrow = arrow;
  installArrow();
}

void DRArrowDialog::flagChanged(CSCheckBox* box, void (DRArrow::*setter)(int)) {
  if (!m_arrow) return;
  ((*m_arrow).*setter)(box->checkState() == Qt::Checked ? 1 : 0);
  installArrow();
}

void DRArrowDialog::showFlag(CSCheckBox* box, int value) {
  const QSignalBlocker blocker(box);
  if (value == kArrowFlagMixed) {
    box->setMixed();
  } else {
    box->setCheckState(value ? Qt::Checked : Qt::Unchecked);
  }
}

void DRArrowDialog::arrowChanged() {
  m_arrow = m_editView->arrow();
  installArrow();
}

void DRArrowDialog::installArrow() {
  m_editView->setArrow(m_arrow.value_or(DRArrow()));
  m_exampleView->setArrow(m_arrow);
  m_editView->update();
  m_exampleView->update();
  const DRArrow shown = m_arrow.value_or(DRArrow());
  showFlag(m_startButton, shown.onStart());
  showFlag(m_endButton, shown.onEnd());
  showFlag(m_fillButton, shown.fill());
  m_fillButton->setEnabled(shown.isClosedType());
  const bool ownFill = IsValidKolor(shown.fillKolor());
  showFlag(m_differentFillButton, ownFill ? 1 : 0);
  m_fillColorSwatch->setKolor(ownFill ? shown.fillKolor() : g_whiteKolor);
}

void DRArrowDialog::setDifferentFill(bool on) {
  if (!m_arrow) return;
  if (on) {
    const Kolor current = m_arrow->fillKolor();
    m_arrow->setFillKolor(IsValidKolor(current) ? current : g_blackKolor);
    m_fillColorSwatch->setKolor(m_arrow->fillKolor());
    m_fillColorSwatch->activate();
  } else {
    m_arrow->setFillKolor(g_nilKolor);
    // Later picks in the panel would give the head a colour again.
    m_fillColorSwatch->deactivate();
  }
  installArrow();
}

void DRArrowDialog::setFillColor(Kolor kolor) {
  if (!m_arrow) return;
  m_arrow->setFillKolor(kolor);
  installArrow();
}

void DRArrowDialog::apply(bool reset) {
  (void)reset;
  std::optional<DRArrow> result = m_arrow;
  if (result && result->onStart() == 0 && result->onEnd() == 0) result.reset();
  if (result) {
    // A mixed own colour (several lines' colours) is no colour to give them.
    if (!IsValidKolor(result->fillKolor())) result->setFillKolor(g_nilKolor);
    result->setCanonicalForm();
  }
  DREditorWindowHost* host = drawController();
  QObject* window = host ? host->window() : nullptr;
  if (m_modifySelection && host) {
    auto* controller = dynamic_cast<DRContentVC*>(currentVC());
    if (IsDrawContent(controller) &&
        controller->setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoArrow)) {
      ChangeSelectionObject(window, g_arrowSubObject, QString(), result ? QVariant::fromValue(*result) : QVariant());
    }
  }
  // The default for new lines follows even when the drawing refused.
  DRSettings::sharedInstance().setArrow(result);
  if (window) EnqueueSelectionChange(window, kArrowChangeNotification);
  finish();
}

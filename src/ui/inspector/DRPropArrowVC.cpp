#include "ui/inspector/DRPropArrowVC.h"

#include <QGridLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <optional>

#include "model/DRArrow.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementLine.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRArrowDialog.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRToolCells.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr int kRowHeight = 22;

// The arrow of a line or bent line, if it has one.
std::optional<DRArrow> ArrowOfLine(const DRElement* element) {
  if (!element) return std::nullopt;
  if (element->elementType() == kElementLine) return static_cast<const DRElementLine*>(element)->arrow();
  if (element->elementType() == kElementBentLine) return static_cast<const DRElementBentLine*>(element)->arrow();
  return std::nullopt;
}

void ShowFlag(CSCheckBox* box, int value) {
  const QSignalBlocker blocker(box);
  if (value == kArrowFlagMixed) {
    box->setMixed();
  } else {
    box->setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
  }
}

// The table of standard arrows: its rows act as buttons. The view selects
// the row under the mouse on the press and again on a move or the release,
// so the highlight goes after the release, when the gesture is over.
class StandardArrowTable : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    QListWidget::mouseReleaseEvent(event);
    const QSignalBlocker blocker(this);
    setCurrentRow(-1);
    clearSelection();
    // The blocked signals leave the row painted as it was.
    viewport()->update();
  }
};

}  // namespace

DRPropArrowVC::DRPropArrowVC(QWidget* parent) : DRPropBaseVC(parent) {
  setToolTip(tr("Arrows"));
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(8, 6, 8, 6);

  m_onStartButton = new CSCheckBox(tr("At start"), this);
  m_onStartButton->setObjectName(QStringLiteral("onStartButton"));
  m_onEndButton = new CSCheckBox(tr("At end"), this);
  m_onEndButton->setObjectName(QStringLiteral("onEndButton"));
  m_fillButton = new CSCheckBox(tr("Filled"), this);
  m_fillButton->setObjectName(QStringLiteral("fillButton"));
  layout->addWidget(m_onStartButton, 0, 0);
  layout->addWidget(m_onEndButton, 1, 0);
  layout->addWidget(m_fillButton, 2, 0);
  m_changeButton = new QPushButton(tr("Change…"), this);
  m_changeButton->setObjectName(QStringLiteral("changeButton"));
  layout->addWidget(m_changeButton, 3, 0, Qt::AlignTop);

  m_standardArrows = new StandardArrowTable(this);
  m_standardArrows->setObjectName(QStringLiteral("standardArrows"));
  m_standardArrows->setItemDelegate(new DRArrowCell(m_standardArrows));
  m_standardArrows->setUniformItemSizes(true);
  for (int row = 0; row < kStandardArrowCount; ++row) {
    auto* item = new QListWidgetItem(m_standardArrows);
    if (const std::optional<DRArrow> arrow = DRArrow::standardArrow(row + 1)) {
      item->setData(DRArrowCell::kArrowRole, QVariant::fromValue(*arrow));
    }
    item->setSizeHint(QSize(100, kRowHeight));
  }
  m_standardArrows->setFixedHeight(kStandardArrowCount * kRowHeight + 2 * m_standardArrows->frameWidth());
  layout->addWidget(m_standardArrows, 0, 1, 4, 1);
  layout->setColumnStretch(1, 1);

  connect(m_onStartButton, &QCheckBox::clicked, this, &DRPropArrowVC::setOnStart);
  connect(m_onEndButton, &QCheckBox::clicked, this, &DRPropArrowVC::setOnEnd);
  connect(m_fillButton, &QCheckBox::clicked, this, &DRPropArrowVC::setFill);
  connect(m_standardArrows, &QListWidget::currentRowChanged, this, &DRPropArrowVC::standardArrowPicked);
  connect(m_changeButton, &QPushButton::clicked, this, &DRPropArrowVC::changeArrow);
}

void DRPropArrowVC::registerPane() {
  DRPaneRegistry::shared().registerPane(QStringLiteral("DRPropArrowVC"),
                                        [](const QString&, QWidget* parent) { return new DRPropArrowVC(parent); });
}

void DRPropArrowVC::awakeFromNib() {
  DRPropBaseVC::awakeFromNib();
  observe(g_arrowChangeNotification, [this](const CSNotification&) { selectionChanged(); });
}

void DRPropArrowVC::selectionChanged() {
  DRWindowController* controller = windowController();
  DRElement* element = nullptr;
  const std::optional<DRArrow> arrow = ArrowForSelection(controller ? controller->canvas() : nullptr, &element);
  m_lineElement = arrow ? element : nullptr;
  ShowFlag(m_onStartButton, arrow ? arrow->onStart() : 0);
  ShowFlag(m_onEndButton, arrow ? arrow->onEnd() : 0);
  ShowFlag(m_fillButton, arrow ? arrow->fill() : 0);
  m_fillButton->setEnabled(arrow && arrow->isClosedType());
}

void DRPropArrowVC::setOnStart() {
  setFlag(Flag::kStart, m_onStartButton);
}

void DRPropArrowVC::setOnEnd() {
  setFlag(Flag::kEnd, m_onEndButton);
}

void DRPropArrowVC::setFill() {
  setFlag(Flag::kFill, m_fillButton);
}

void DRPropArrowVC::setFlag(Flag flag, CSCheckBox* box) {
  const bool on = checkboxValue(box);
  if (!openUndoEntry(&m_undoID, kUndoArrow)) {
    selectionChanged();
    return;
  }
  std::optional<DRArrow> arrow = ArrowOfLine(m_lineElement);
  if (!arrow) {
    arrow = DRArrow::standardArrow(kArrowTypeOpen);
    if (arrow && flag != Flag::kFill) {
      arrow->setOnStart(0);
      arrow->setOnEnd(0);
    }
  }
  QString keyPath;
  if (arrow) {
    switch (flag) {
      case Flag::kStart:
        arrow->setOnStart(on ? 1 : 0);
        keyPath = g_arrowOnStartKeyPath;
        break;
      case Flag::kEnd:
        arrow->setOnEnd(on ? 1 : 0);
        keyPath = g_arrowOnEndKeyPath;
        break;
      case Flag::kFill:
        arrow->setFill(on ? 1 : 0);
        arrow->setCanonicalForm();
        keyPath = g_arrowFillKeyPath;
        break;
    }
    // An arrow at neither end is no arrow.
    if (flag != Flag::kFill && arrow->onStart() != 1 && arrow->onEnd() != 1) arrow.reset();
  }
  DRSettings::sharedInstance().setArrow(arrow);
  if (keyPath.isEmpty()) return;
  ChangeSelectionBool(notificationWindow(), keyPath, QString(), on);
  if (isRetired()) return;
  arrowChanged();
}

void DRPropArrowVC::standardArrowPicked(int row) {
  if (row < 0 || row >= kStandardArrowCount) return;
  {
    // The row is a button: it does not stay selected.
    const QSignalBlocker blocker(m_standardArrows);
    m_standardArrows->setCurrentRow(-1);
    m_standardArrows->clearSelection();
  }
  const std::optional<DRArrow> arrow = DRArrow::standardArrow(row + 1);
  if (!arrow || !openUndoEntry(&m_undoID, kUndoArrow)) return;
  QObject* window = notificationWindow();
  ChangeSelectionObject(window, g_arrowSubObject, QString(), QVariant::fromValue(*arrow));
  if (isRetired()) return;
  if (auto* widget = qobject_cast<QWidget*>(window)) widget->setFocus();
  arrowChanged();
}

void DRPropArrowVC::changeArrow() {
  DRArrowDialog::runArrowSheet(ArrowOfLine(m_lineElement), windowController(), true);
}

void DRPropArrowVC::arrowChanged() {
  EnqueueSelectionChange(notificationWindow(), g_arrowChangeNotification);
}

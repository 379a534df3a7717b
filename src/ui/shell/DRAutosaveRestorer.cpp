#include "ui/shell/DRAutosaveRestorer.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "support/Categories.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"

namespace {

constexpr int kHelpTopic = 61;
constexpr int kColumnIdentifierRole = Qt::UserRole;

DRAutosaveRestorer::ContactAction& SharedContactAction() {
  static DRAutosaveRestorer::ContactAction action;
  return action;
}

bool IsAbsolute(const QString& path) {
  return path.startsWith(QLatin1Char('/'));
}

// The folder holding an absolute path's item ("/" for an item at the root).
QString FolderOfPath(const QString& path) {
  QString trimmed = path;
  while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
  const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return QStringLiteral("/");
  return trimmed.left(slash);
}

}  // namespace

DRAutosaveRestorer::DRAutosaveRestorer(const QList<QVariantMap>& autosaves, QWidget* parent)
    : QDialog(parent), m_autosaveDicts(autosaves) {
  setWindowTitle(QCoreApplication::applicationName());

  auto* text =
      new QLabel(QStringLiteral("These drawings had changes that were not saved. Click OK to open copies of them, or "
                                "Cancel to discard them."),
                 this);
  text->setWordWrap(true);

  m_fileList = new QTableWidget(int(m_autosaveDicts.size()), 2, this);
  const QString identifiers[2] = {QStringLiteral("name"), QStringLiteral("folder")};
  const QString titles[2] = {QStringLiteral("Name"), QStringLiteral("Folder")};
  for (int column = 0; column < 2; ++column) {
    auto* header = new QTableWidgetItem(titles[column]);
    header->setData(kColumnIdentifierRole, identifiers[column]);
    m_fileList->setHorizontalHeaderItem(column, header);
    for (int row = 0; row < numberOfRows(); ++row) {
      auto* item = new QTableWidgetItem(objectValue(m_autosaveDicts[row], identifiers[column]));
      item->setFlags(Qt::ItemIsEnabled);
      item->setToolTip(item->text());
      m_fileList->setItem(row, column, item);
    }
  }
  m_fileList->verticalHeader()->hide();
  m_fileList->horizontalHeader()->setStretchLastSection(true);
  m_fileList->setSelectionMode(QAbstractItemView::NoSelection);
  m_fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_fileList->setTextElideMode(Qt::ElideMiddle);
  m_fileList->setWordWrap(false);
  // Nothing in the list is chosen or edited; the buttons keep the keyboard.
  m_fileList->setFocusPolicy(Qt::NoFocus);
  m_fileList->resizeColumnToContents(0);
  m_fileList->setColumnWidth(0, qBound(120, m_fileList->columnWidth(0), 240));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  m_helpButton = buttons->button(QDialogButtonBox::Help);
  m_contactButton = buttons->addButton(QStringLiteral("Contact Us…"), QDialogButtonBox::ActionRole);
  m_contactButton->setVisible(bool(SharedContactAction()));
  connect(buttons, &QDialogButtonBox::accepted, this, &DRAutosaveRestorer::ok);
  connect(buttons, &QDialogButtonBox::rejected, this, &DRAutosaveRestorer::cancel);
  connect(buttons, &QDialogButtonBox::helpRequested, this, &DRAutosaveRestorer::giveHelp);
  connect(m_contactButton, &QPushButton::clicked, this, &DRAutosaveRestorer::contactTindleWick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(m_fileList, 1);
  layout->addWidget(buttons);
  resize(520, 300);
}

DRAutosaveRestorer::~DRAutosaveRestorer() = default;

bool DRAutosaveRestorer::shouldOpenAutosaves(const QList<QVariantMap>& entries, QWidget* parent) {
  // The dialog centres itself over its parent when shown, or on the screen
  // without one.
  DRAutosaveRestorer dialog(entries, parent ? parent->window() : nullptr);
  const int result = ExecDialog(&dialog);
  dialog.hide();
  return result == QDialog::Accepted;
}

void DRAutosaveRestorer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The reopened windows come forward around now; the question stays on
  // top of them (bringing a window forward raises it again later).
  QPointer<DRAutosaveRestorer> self(this);
  QTimer::singleShot(0, this, [self] {
    if (!self || !self->isVisible()) return;
    self->raise();
    self->activateWindow();
  });
}

void DRAutosaveRestorer::setContactAction(ContactAction action) {
  SharedContactAction() = std::move(action);
}

QString DRAutosaveRestorer::objectValue(const QVariantMap& entry, const QString& columnIdentifier) {
  const QString path = entry.value(QStringLiteral("path")).toString();
  if (columnIdentifier == QLatin1String("name")) return IsAbsolute(path) ? LastPathComponent(path) : path;
  return IsAbsolute(path) ? FolderOfPath(path) : QString();
}

void DRAutosaveRestorer::ok() {
  done(QDialog::Accepted);
}

void DRAutosaveRestorer::cancel() {
  done(QDialog::Rejected);
}

void DRAutosaveRestorer::contactTindleWick() {
  // Copied, so that an action that replaces itself still runs to its end.
  const ContactAction action = SharedContactAction();
  if (action) action(this);
}

void DRAutosaveRestorer::giveHelp() {
  HelpViewer().displayHelp(kHelpTopic);
}

#include "support/widgets/CSFilePanel.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>

#include "support/widgets/CSAlert.h"

namespace {

QStringList& PackageExtensionsSlot() {
  static QStringList extensions;
  return extensions;
}

QString& LastFolderSlot() {
  static QString folder;
  return folder;
}

bool IsFolder(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

// The file dialog's own parts, by the names it gives them.
const QString kListViewName = QStringLiteral("listView");
const QString kTreeViewName = QStringLiteral("treeView");
const QString kNameFieldName = QStringLiteral("fileNameEdit");

// The file list's columns: name, size, kind, date modified.
constexpr int kDateColumn = 3;
// Room beside a cell's text: its margins and the focus frame's.
constexpr int kCellPadding = 16;

}  // namespace

// ---- Class-wide ------------------------------------------------------------------------

void CSFilePanel::setPackageExtensions(const QStringList& extensions) {
  PackageExtensionsSlot() = extensions;
}

QStringList CSFilePanel::packageExtensions() {
  return PackageExtensionsSlot();
}

bool CSFilePanel::isPackage(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (!info.isDir()) return false;
  const QString suffix = info.suffix();
  if (suffix.isEmpty()) return false;
  const QStringList& extensions = PackageExtensionsSlot();
  return std::any_of(extensions.begin(), extensions.end(), [&suffix](const QString& extension) {
    return suffix.compare(extension, Qt::CaseInsensitive) == 0;
  });
}

QString CSFilePanel::startingFolder(const QString& documentPath) {
  if (!documentPath.isEmpty()) {
    const QString folder = QFileInfo(documentPath).absolutePath();
    if (IsFolder(folder)) return folder;
  }
  if (IsFolder(LastFolderSlot())) return LastFolderSlot();
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (IsFolder(documents)) return documents;
  return QDir::homePath();
}

QString CSFilePanel::lastFolder() {
  return LastFolderSlot();
}

void CSFilePanel::setLastFolder(const QString& folder) {
  LastFolderSlot() = folder;
}

// ---- Life ------------------------------------------------------------------------------

CSFilePanel::CSFilePanel(QWidget* parent, const QString& caption) : QFileDialog(parent, caption) {
  // The panel's own widgets are what this class works on.
  setOption(QFileDialog::DontUseNativeDialog);
  setDirectory(startingFolder());

  for (const QString& name : {kListViewName, kTreeViewName}) {
    if (auto* view = findChild<QAbstractItemView*>(name)) {
      view->installEventFilter(this);
      view->viewport()->installEventFilter(this);
    }
  }
  // Connected after the dialog's own handlers, so these run after them.
  if (auto* field = findChild<QLineEdit*>(kNameFieldName))
    connect(field, &QLineEdit::textChanged, this, &CSFilePanel::keepSaveTitle);
  if (auto* list = findChild<QAbstractItemView*>(kListViewName); list && list->selectionModel())
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CSFilePanel::keepSaveTitle);
  connect(this, &QFileDialog::directoryEntered, this, &CSFilePanel::keepSaveTitle);
}

CSFilePanel::~CSFilePanel() = default;

// ---- Choosing --------------------------------------------------------------------------

QStringList CSFilePanel::chosenPaths() const {
  return m_packages.isEmpty() ? selectedFiles() : m_packages;
}

QString CSFilePanel::packageAt(const QModelIndex& index) const {
  if (!index.isValid()) return QString();
  const QString path = index.data(QFileSystemModel::FilePathRole).toString();
  return isPackage(path) ? path : QString();
}

void CSFilePanel::choosePackage(const QString& path) {
  selectFile(path);
  accept();
}

void CSFilePanel::accept() {
  const QStringList files = selectedFiles();
  const bool anyPackage = std::any_of(files.begin(), files.end(), &CSFilePanel::isPackage);
  if (!anyPackage || fileMode() == QFileDialog::Directory) {
    m_packages.clear();
    QFileDialog::accept();
    return;
  }
  if (acceptMode() == QFileDialog::AcceptSave) {
    askToReplace(files.first());
    return;
  }
  // A selection that also holds a plain folder steps into it as usual.
  const bool allChoosable =
      std::all_of(files.begin(), files.end(), [](const QString& path) { return !IsFolder(path) || isPackage(path); });
  if (!allChoosable || (fileMode() != QFileDialog::ExistingFiles && files.size() > 1)) {
    QFileDialog::accept();
    return;
  }
  m_packages = files;
  QDialog::accept();
}

void CSFilePanel::askToReplace(const QString& path) {
  if (testOption(QFileDialog::DontConfirmOverwrite)) {
    m_packages = {path};
    QDialog::accept();
    return;
  }
  if (m_replaceAsked) return;
  m_replaceAsked = true;
  // The question the panel asks before replacing a file.
  std::unique_ptr<QMessageBox> alert = CSAlert::sharedInstance()->createAlertWithMessage(
      QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()), QString(),
      {QMessageBox::tr("Yes"), QMessageBox::tr("No")}, false);
  // Replacing is never the answer Return or Escape gives.
  if (QAbstractButton* no = CSAlert::buttonOfAlert(alert.get(), 1)) {
    if (auto* push = qobject_cast<QPushButton*>(no)) alert->setDefaultButton(push);
    alert->setEscapeButton(no);
  }
  QPointer<CSFilePanel> self(this);
  CSAlert::sharedInstance()->startAlert(
      std::move(alert), this,
      [self, path](QMessageBox*, int response, void*) {
        if (!self) return;
        self->m_replaceAsked = false;
        if (response != CSAlert::kFirstButtonResponse) return;
        self->m_packages = {path};
        self->QDialog::accept();
      },
      nullptr);
}

void CSFilePanel::done(int result) {
  if (result == QDialog::Accepted) {
    const QString first = chosenPaths().value(0);
    const QString folder = first.isEmpty() ? directory().absolutePath() : QFileInfo(first).absolutePath();
    if (IsFolder(folder)) setLastFolder(folder);
  }
  QFileDialog::done(result);
}

void CSFilePanel::keepSaveTitle() {
  if (acceptMode() != QFileDialog::AcceptSave) return;
  // The dialog names its button on several paths, some after this one:
  // looked at again once they are done.
  if (!m_titleCheckQueued) {
    m_titleCheckQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          m_titleCheckQueued = false;
          fixSaveTitle();
        },
        Qt::QueuedConnection);
  }
  fixSaveTitle();
}

void CSFilePanel::fixSaveTitle() {
  const QString path = selectedFiles().value(0);
  // An empty name stands for the folder shown, which is not saved onto.
  if (!isPackage(path) || QDir(path) == directory()) return;
  auto* buttons = findChild<QDialogButtonBox*>();
  if (QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr)
    save->setText(QFileDialog::tr("&Save"));
}

// ---- Events ------------------------------------------------------------------------------

bool CSFilePanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* view = viewport ? qobject_cast<QAbstractItemView*>(viewport->parentWidget()) : nullptr;
    if (view && view->viewport() == viewport) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QString package =
          mouse->button() == Qt::LeftButton ? packageAt(view->indexAt(mouse->position().toPoint())) : QString();
      if (!package.isEmpty()) {
        choosePackage(package);
        return true;
      }
    }
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    if (view && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      const QString package = packageAt(view->currentIndex());
      if (!package.isEmpty()) {
        choosePackage(package);
        return true;
      }
    }
  }
  return QFileDialog::eventFilter(watched, event);
}

void CSFilePanel::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  fitColumns();
}

void CSFilePanel::fitColumns() {
  auto* tree = findChild<QTreeView*>(kTreeViewName);
  if (!tree) return;
  QHeaderView* header = tree->header();
  // The columns after the name are at least as wide as their titles, and
  // the date column as its dates, which the list writes in the locale's
  // short form.
  const QString longDate =
      QLocale::system().toString(QDateTime(QDate(2026, 12, 28), QTime(22, 58, 58)), QLocale::ShortFormat);
  const int dateWidth = tree->fontMetrics().horizontalAdvance(longDate) + kCellPadding;
  for (int section = 1; section < header->count(); ++section) {
    if (header->isSectionHidden(section)) continue;
    if (header->stretchLastSection() && section == header->count() - 1) continue;
    int wanted = header->sectionSizeHint(section);
    if (section == kDateColumn) wanted = std::max(wanted, dateWidth);
    if (header->sectionSize(section) < wanted) header->resizeSection(section, wanted);
  }
  int columns = 0;
  for (int section = 0; section < header->count(); ++section) {
    if (header->isSectionHidden(section)) continue;
    // A stretched last column is as wide as the room left: its own width is
    // what its title and contents ask.
    const bool stretched = header->stretchLastSection() && section == header->count() - 1;
    columns += stretched ? std::max(header->sectionSizeHint(section), header->defaultSectionSize())
                         : header->sectionSize(section);
  }
  const int scrollBar = tree->verticalScrollBar() ? tree->verticalScrollBar()->sizeHint().width() : 0;
  const int wanted = columns + scrollBar + 2 * tree->frameWidth();
  const int shortfall = wanted - tree->width();
  if (shortfall <= 0) return;
  int width = this->width() + shortfall;
  if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
    width = std::min(width, screen->availableGeometry().width());
  if (width > this->width()) resize(width, height());
}

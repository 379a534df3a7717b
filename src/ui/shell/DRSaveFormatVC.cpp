#include "ui/shell/DRSaveFormatVC.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "support/CSAlertPresenter.h"
#include "support/CSKernel.h"
#include "ui/shell/DRPrefController.h"

namespace {

qsizetype IndexOfType(const QStringList& types, const QString& extension) {
  for (qsizetype i = 0; i < types.size(); ++i) {
    if (types.at(i).compare(extension, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

// The option page of a format: 1 image quality, 2 TIFF compression, 0 none.
int OptionPage(const QString& type) {
  const QString lower = type.toLower();
  if (lower == QStringLiteral("jpg") || lower == QStringLiteral("jpeg") || lower == QStringLiteral("heic")) return 1;
  if (lower == QStringLiteral("tiff") || lower == QStringLiteral("tif")) return 2;
  return 0;
}

QLineEdit* NameField(QFileDialog* panel) {
  return panel ? panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
}

}  // namespace

DRSaveFormatVC::DRSaveFormatVC(DRPrefController* preferences)
    : m_preferences(preferences ? preferences : &DRPrefController::sharedInstance()) {}

DRSaveFormatVC::~DRSaveFormatVC() {
  if (QFileDialog* panel = savePanel()) {
    panel->removeEventFilter(this);
    if (QLineEdit* field = NameField(panel)) field->removeEventFilter(this);
  }
}

QString DRSaveFormatVC::enforceFormat(const QString& name, const QStringList& saveTypes, const QString& extension) {
  QString base = name;
  for (;;) {
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) break;
    const QString suffix = base.mid(dot + 1);
    if (suffix.isEmpty() || IndexOfType(saveTypes, suffix) < 0) break;
    base.truncate(dot);
  }
  if (base.isEmpty()) base = QStringLiteral("Untitled");
  return base + QLatin1Char('.') + extension;
}

QString DRSaveFormatVC::enforceFormat(const QString& name) {
  const QString extension = saveTypes().value(qsizetype(formatIndex()));
  if (extension.isEmpty()) return name;
  CSDocumentSaveFormatVC::setExtension(extension);
  const QString result = enforceFormat(name, saveTypes(), extension);
  if (QFileDialog* panel = savePanel()) {
    panel->setDefaultSuffix(extension);
    panel->setNameFilter(QStringLiteral("*.%1").arg(extension));
    if (QLineEdit* field = NameField(panel)) {
      field->setText(result);
      field->setSelection(0, int(result.size() - extension.size() - 1));
    } else {
      panel->selectFile(result);
    }
  }
  return result;
}

QString DRSaveFormatVC::panelFileName() const {
  QFileDialog* panel = savePanel();
  if (!panel) return QString();
  if (QLineEdit* field = NameField(panel)) return field->text();
  const QStringList chosen = panel->selectedFiles();
  return chosen.isEmpty() ? QString() : QFileInfo(chosen.first()).fileName();
}

QString DRSaveFormatVC::setExtension(const QString& extension, const QString& fileName) {
  QString type = extension;
  if (type == QStringLiteral("jpeg")) type = QStringLiteral("jpg");
  if (type == QStringLiteral("tif")) type = QStringLiteral("tiff");
  const qsizetype index = IndexOfType(saveTypes(), type);
  if (index < 0) return QString();
  setFormatIndex(unsigned(index));
  const QString name = fileName.isNull() ? panelFileName() : fileName;
  if (name.isNull() && fileName.isNull() && !savePanel()) return QString();
  return enforceFormat(name);
}

void DRSaveFormatVC::setExtension(const QString& extension) {
  setExtension(extension, QString());
}

void DRSaveFormatVC::setFormatIndex(unsigned index) {
  CSDocumentSaveFormatVC::setFormatIndex(index);
  if (m_formatButton && int(index) < m_formatButton->count() && m_formatButton->currentIndex() != int(index)) {
    const QSignalBlocker quiet(m_formatButton.data());
    m_formatButton->setCurrentIndex(int(index));
  }
  showOptionsForFormat();
}

void DRSaveFormatVC::setSaveTypes(const QStringList& types) {
  CSDocumentSaveFormatVC::setSaveTypes(types);
  if (!m_formatButton) return;
  const QSignalBlocker quiet(m_formatButton.data());
  m_formatButton->clear();
  for (const QString& type : types) m_formatButton->addItem(type.toUpper());
  m_formatButton->setCurrentIndex(std::min(int(formatIndex()), int(types.size()) - 1));
  showOptionsForFormat();
}

void DRSaveFormatVC::ensureExtensionAllowed(const QString& extension, QFileDialog* panel) {
  if (extension.isEmpty() || IndexOfType(saveTypes(), extension) >= 0) return;
  QStringList types = saveTypes();
  types.append(extension);
  CSDocumentSaveFormatVC::setSaveTypes(types);
  if (panel) {
    QStringList filters;
    for (const QString& type : types) filters << QStringLiteral("*.%1").arg(type);
    panel->setNameFilters(filters);
  }
  if (m_formatButton) {
    const QSignalBlocker quiet(m_formatButton.data());
    m_formatButton->addItem(QLatin1Char('.') + extension);
  }
}

void DRSaveFormatVC::goToOriginalPath() {
  if (savePanel() && !originalPath().isEmpty()) savePanel()->setDirectory(originalPath());
}

void DRSaveFormatVC::setSavePanel(QFileDialog* panel) {
  if (QFileDialog* old = savePanel()) {
    old->removeEventFilter(this);
    if (QLineEdit* field = NameField(old)) field->removeEventFilter(this);
  }
  CSDocumentSaveFormatVC::setSavePanel(panel);
  if (!panel) return;
  // The confirmation is taken before the panel sees it: Return in the name
  // field, or the panel's accept button.
  if (QLineEdit* field = NameField(panel)) field->installEventFilter(this);
  panel->installEventFilter(this);
  for (QPushButton* button : panel->findChildren<QPushButton*>()) {
    if (button->objectName().isEmpty() && button->isDefault()) button->installEventFilter(this);
  }
  if (auto* box = panel->findChild<QWidget*>(QStringLiteral("buttonBox"))) {
    for (QPushButton* button : box->findChildren<QPushButton*>()) button->installEventFilter(this);
  }
}

bool DRSaveFormatVC::eventFilter(QObject* watched, QEvent* event) {
  QFileDialog* panel = savePanel();
  if (!panel) return false;
  const bool isAcceptButton = [&] {
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button) return false;
    auto* box = panel->findChild<QWidget*>(QStringLiteral("buttonBox"));
    return box && button->parentWidget() == box && button->isDefault();
  }();
  bool confirming = false;
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    confirming = (key == Qt::Key_Return || key == Qt::Key_Enter) && (watched == NameField(panel) || watched == panel);
  } else if (event->type() == QEvent::MouseButtonRelease) {
    confirming = isAcceptButton;
  }
  if (!confirming) return false;
  // A declined replacement keeps the panel as it is.
  return !confirmTypedName();
}

bool DRSaveFormatVC::confirmTypedName() {
  QFileDialog* panel = savePanel();
  if (!panel) return true;
  const QString typed = panelFileName();
  if (typed.isEmpty()) return true;
  const QString extension = QFileInfo(typed).suffix();
  QString name = setExtension(extension, typed);
  if (name.isNull()) name = enforceFormat(typed);
  const QString path = QDir(panel->directory()).filePath(name);
  if (!QFileInfo(path).isDir()) return true;
  // A drawing package is a folder: it is replaced, never entered.
  const int answer = CurrentAlertPresenter()->giveAlertMessage(
      QStringLiteral("\"%1\" already exists. Do you want to replace it?").arg(name),
      QStringLiteral("Replacing it will overwrite its current contents."),
      {QStringLiteral("Replace"), QStringLiteral("Cancel")}, nullptr);
  if (answer != 0) return false;
  panel->selectFile(path);
  static_cast<QDialog*>(panel)->done(QDialog::Accepted);
  return false;
}

QWidget* DRSaveFormatVC::loadView() {
  if (m_view) return m_view;
  auto* view = new QWidget;
  view->setObjectName(QStringLiteral("SaveFormatView"));
  auto* column = new QVBoxLayout(view);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Format:")));
  m_formatButton = new QComboBox;
  m_formatButton->setObjectName(QStringLiteral("formatButton"));
  row->addWidget(m_formatButton);
  row->addStretch(1);
  m_originalFolderButton = new QPushButton(QStringLiteral("Original Folder"));
  row->addWidget(m_originalFolderButton);
  column->addLayout(row);

  m_optionTabView = new QStackedWidget;
  m_optionTabView->addWidget(new QWidget);
  auto* quality = new QWidget;
  auto* qualityRow = new QHBoxLayout(quality);
  qualityRow->addWidget(new QLabel(QStringLiteral("Quality:")));
  m_qualitySlider = new QSlider(Qt::Horizontal);
  m_qualitySlider->setRange(0, int(DRPrefController::kMaximumJpegCompression));
  m_qualitySlider->setValue(int(m_preferences->jpegCompression()));
  qualityRow->addWidget(m_qualitySlider, 1);
  m_optionTabView->addWidget(quality);
  auto* tiff = new QWidget;
  auto* tiffRow = new QHBoxLayout(tiff);
  m_tiffBox = new QCheckBox(QStringLiteral("Compress"));
  m_tiffBox->setChecked(m_preferences->tiffCompression());
  tiffRow->addWidget(m_tiffBox);
  m_optionTabView->addWidget(tiff);
  column->addWidget(m_optionTabView);
  m_view = view;

  DRPrefController* preferences = m_preferences;
  QObject::connect(m_qualitySlider.data(), &QSlider::valueChanged, view,
                   [preferences](int value) { preferences->setJpegCompression(uint64_t(value)); });
  QObject::connect(m_tiffBox.data(), &QCheckBox::toggled, view,
                   [preferences](bool on) { preferences->setTiffCompression(on); });
  QObject::connect(m_formatButton.data(), &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0) return;
    CSDocumentSaveFormatVC::setFormatIndex(unsigned(index));
    showOptionsForFormat();
    changeFormat();
  });
  QObject::connect(m_originalFolderButton.data(), &QPushButton::clicked, this, [this] { goToOriginalPath(); });
  setSaveTypes(saveTypes());
  // The chosen format takes over the panel's name once it has settled.
  QTimer::singleShot(100, this, [this] { changeFormat(); });
  return view;
}

void DRSaveFormatVC::changeFormat() {
  if (savePanel()) enforceFormat(panelFileName());
}

void DRSaveFormatVC::showOptionsForFormat() {
  if (!m_optionTabView) return;
  m_optionTabView->setCurrentIndex(OptionPage(saveTypes().value(qsizetype(formatIndex()))));
}

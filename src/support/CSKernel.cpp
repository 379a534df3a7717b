#include "support/CSKernel.h"

#include "platform/NotificationCenter.h"
#include "support/Kolor.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutex>
#include <QPalette>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>

QString g_appVersionString;
QString g_appName;
QString g_bootVolumeName;
bool g_advancedUser = false;
QColor g_formatPanelBackground;
QColor g_outlineViewBackground;

const QString g_advancedUserFile = QStringLiteral("TindleWick Advanced User");
const QString g_darkModeChangedNotification = QStringLiteral("tindlewick.darkMode");

namespace {

const QString kMakerFolderName = QStringLiteral("TindleWick");

constexpr Kolor kLightPanelKolor = 0x64E6E6E6;
constexpr Kolor kDarkPanelKolor = 0x64262626;
constexpr Kolor kLightOutlineKolor = 0x64F8ECE5;

// os-release is a few hundred bytes; anything near this is not one.
constexpr qint64 kMaxOsReleaseSize = 64 * 1024;

QMutex g_sharedLock;
CSKernel* g_sharedKernel = nullptr;  // lives for the whole run

// One os-release value: bare, or in single or double quotes; inside double
// quotes a backslash takes the next character literally.
QString OsReleaseValue(QStringView raw) {
  raw = raw.trimmed();
  if (raw.isEmpty()) return QString();
  const QChar quote = raw.front();
  if (quote != QLatin1Char('"') && quote != QLatin1Char('\'')) return raw.toString();
  QString value;
  for (qsizetype i = 1; i < raw.size(); ++i) {
    const QChar c = raw[i];
    if (c == quote) break;
    if (quote == QLatin1Char('"') && c == QLatin1Char('\\') && i + 1 < raw.size()) {
      value += raw[++i];
      continue;
    }
    value += c;
  }
  return value;
}

}  // namespace

// ---- Creation ----------------------------------------------------------------

CSKernel* CSKernel::sharedInstance() {
  QMutexLocker lock(&g_sharedLock);
  if (!g_sharedKernel) g_sharedKernel = new CSKernel(CSKernelOptions());
  return g_sharedKernel;
}

CSKernel* CSKernel::existingInstance() {
  QMutexLocker lock(&g_sharedLock);
  return g_sharedKernel;
}

CSKernel* CSKernel::createSharedInstance(const CSKernelOptions& options) {
  QMutexLocker lock(&g_sharedLock);
  if (g_sharedKernel) return nullptr;
  g_sharedKernel = new CSKernel(options);
  return g_sharedKernel;
}

CSKernel::CSKernel(const CSKernelOptions& options) : m_appDelegate(options.appDelegate) {
  // g_systemVersion is left as it is: every service its thresholds guard
  // exists on a Linux desktop, whatever the distribution calls its release.
  g_systemVersionString = SystemVersionStringFromFile(options.osReleasePath);
  g_appVersionString = QCoreApplication::applicationVersion();
  g_appName = QCoreApplication::applicationName();
  g_bootVolumeName = QStorageInfo::root().displayName();
  // A container may have no mount entry for its root: it is still a volume.
  if (g_bootVolumeName.isEmpty()) g_bootVolumeName = QStringLiteral("/");

  QString dataFolder = options.dataFolder;
  if (dataFolder.isEmpty()) dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  g_advancedUser = AdvancedUserMarkerExists(dataFolder);

  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) app->installEventFilter(this);
  observeAppearance(true);
}

CSKernel::~CSKernel() {
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

// ---- Outside facts -------------------------------------------------------------

QString CSKernel::SystemVersionStringFromFile(const QString& path) {
  const QString unknown = QStringLiteral("Unknown");
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return unknown;
  const QByteArray data = file.read(kMaxOsReleaseSize + 1);
  if (data.size() > kMaxOsReleaseSize) return unknown;
  // PRETTY_NAME ("Debian GNU/Linux 12 (bookworm)") rather than VERSION_ID
  // ("12"): a bare number says nothing without the distribution's name, and
  // this text is shown to people (support mail) rather than compared.
  const QString text = QString::fromUtf8(data);
  for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
    line = line.trimmed();
    if (!line.startsWith(QLatin1String("PRETTY_NAME="))) continue;
    const QString value = OsReleaseValue(line.mid(12));
    return value.isEmpty() ? unknown : value;
  }
  return unknown;
}

bool CSKernel::AdvancedUserMarkerExists(const QString& dataFolder) {
  if (dataFolder.isEmpty()) return false;
  const QString path = dataFolder + QLatin1Char('/') + kMakerFolderName + QLatin1Char('/') + g_advancedUserFile;
  return QFileInfo::exists(path);
}

bool CSKernel::IsPaletteDark() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  return QGuiApplication::palette().color(QPalette::Active, QPalette::Window).lightnessF() < 0.5;
}

const QStringList& CSKernel::toolTemplateNames() {
  static const QStringList names = {
      QStringLiteral("TextAlignCenter"),
      QStringLiteral("TextAlignJustify"),
      QStringLiteral("TextAlignLeft"),
      QStringLiteral("TextAlignRight"),
      QStringLiteral("CharFormatBold"),
      QStringLiteral("CharFormatItalic"),
      QStringLiteral("CharFormatOutline"),
      QStringLiteral("CharFormatPlain"),
      QStringLiteral("CharFormatShadow"),
      QStringLiteral("CharFormatStrike"),
      QStringLiteral("CharFormatUnderline"),
      QStringLiteral("MoveBottom"),
      QStringLiteral("MoveDown"),
      QStringLiteral("MoveTop"),
      QStringLiteral("MoveUp"),
      QStringLiteral("IndentLeftTool"),
      QStringLiteral("IndentRightTool"),
      QStringLiteral("RedoTool"),
      QStringLiteral("UndoTool"),
  };
  return names;
}

// ---- Appearance ----------------------------------------------------------------

void CSKernel::observeAppearance(bool atCreation) {
  const bool dark = IsPaletteDark();
  if (!atCreation && dark == g_darkMode) return;
  g_darkMode = dark;
  g_formatPanelBackground = ColorFromKolor(dark ? kDarkPanelKolor : kLightPanelKolor);
  g_outlineViewBackground = ColorFromKolor(dark ? kDarkPanelKolor : kLightOutlineKolor);
  NotificationCenter::defaultCenter().post(g_darkModeChangedNotification);
}

bool CSKernel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance()) {
    observeAppearance(false);
  }
  return QObject::eventFilter(watched, event);
}

// ---- Settings ------------------------------------------------------------------

bool DefaultYesBoolForKey(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  return value.isValid() ? value.toBool() : true;
}

bool DefaultYesBoolForKey(const QString& key) {
  const QSettings settings;
  return DefaultYesBoolForKey(settings, key);
}

#include "ui/shell/CSStartup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>
#include <memory>

#include "support/CSUndoManager.h"
#include "support/Files.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/ShellResources.h"

const QByteArray kOpenMessageHeader = QByteArrayLiteral("twdraw-open\n");
const QByteArray kPrintMessageHeader = QByteArrayLiteral("twdraw-print\n");

CSLaunchArguments ParseLaunchArguments(const QStringList& arguments, const QString& workingFolder) {
  CSLaunchArguments parsed;
  const QDir folder(workingFolder);
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    if (!optionsEnded && argument.startsWith(QLatin1Char('-'))) {
      if (argument == QLatin1String("--")) {
        optionsEnded = true;
      } else if (argument == QLatin1String("--no-reopen")) {
        parsed.noReopen = true;
      } else if (argument == QLatin1String("--print")) {
        parsed.print = true;
      }
      continue;
    }
    if (argument.isEmpty()) continue;
    QString path = argument;
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) path = QUrl(path).toLocalFile();
    if (path.isEmpty()) continue;
    parsed.paths << QDir::cleanPath(folder.absoluteFilePath(path));
  }
  return parsed;
}

QByteArray EncodeOpenMessage(const QStringList& paths, bool print) {
  QByteArray message = print ? kPrintMessageHeader : kOpenMessageHeader;
  for (const QString& path : paths) {
    message += QFile::encodeName(path);
    message += '\0';
  }
  return message;
}

bool ParseOpenMessage(const QByteArray& message, QStringList* paths, bool* print) {
  if (message.size() > kMaxOpenMessageBytes) return false;
  bool printing = false;
  qsizetype at = 0;
  if (message.startsWith(kOpenMessageHeader)) {
    at = kOpenMessageHeader.size();
  } else if (message.startsWith(kPrintMessageHeader)) {
    at = kPrintMessageHeader.size();
    printing = true;
  } else {
    return false;
  }
  QStringList found;
  while (at < message.size()) {
    const qsizetype end = message.indexOf('\0', at);
    if (end < 0 || end == at) return false;  // unterminated or empty path
    if (found.size() >= kMaxOpenMessagePaths) return false;
    const QString path = QFile::decodeName(message.mid(at, end - at));
    if (!path.startsWith(QLatin1Char('/'))) return false;
    found << path;
    at = end + 1;
  }
  if (paths) *paths = found;
  if (print) *print = printing;
  return true;
}

QString SingleInstanceServerName(const QString& homeFolder) {
  const QByteArray digest = QCryptographicHash::hash(homeFolder.toUtf8(), QCryptographicHash::Sha256).toHex();
  return QStringLiteral("twdraw-") + QString::fromLatin1(digest.left(24));
}

// ---- CSStartup ---------------------------------------------------------------------------------

CSStartup::CSStartup(CSDocumentAppDelegate& delegate, const QStringList& arguments, const QString& workingFolder)
    : m_delegate(delegate),
      m_arguments(ParseLaunchArguments(arguments, workingFolder)),
      m_serverName(SingleInstanceServerName(HomeFolderPath())) {}

CSStartup::~CSStartup() {
  if (m_server) m_server->close();
}

bool CSStartup::isListening() const {
  return m_server && m_server->isListening();
}

bool CSStartup::forwardToRunningInstance() {
  QLocalSocket socket;
  socket.connectToServer(m_serverName);
  if (!socket.waitForConnected(kConnectMilliseconds)) return false;
  socket.write(EncodeOpenMessage(m_arguments.paths, m_arguments.print));
  while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kConnectMilliseconds)) {
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMilliseconds);
  return true;
}

void CSStartup::listen() {
  if (m_server) return;
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_serverName)) {
    // Nobody answered on the name (forwardToRunningInstance came first): a
    // process that ended without closing left its socket behind.
    QLocalServer::removeServer(m_serverName);
    m_server->listen(m_serverName);
  }
  connect(m_server, &QLocalServer::newConnection, this, &CSStartup::acceptConnections);
}

void CSStartup::acceptConnections() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    auto buffer = std::make_shared<QByteArray>();
    auto dropped = std::make_shared<bool>(false);
    auto take = [socket, buffer, dropped] {
      if (*dropped) {
        socket->readAll();
        return;
      }
      buffer->append(socket->readAll());
      if (buffer->size() > kMaxOpenMessageBytes) {
        *dropped = true;
        buffer->clear();
        socket->abort();
      }
    };
    connect(socket, &QLocalSocket::readyRead, socket, take);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer, dropped, take] {
      take();
      if (!*dropped) deliver(*buffer);
      socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0) take();
    if (socket->state() == QLocalSocket::UnconnectedState) {
      take();
      if (!*dropped) deliver(*buffer);
      socket->deleteLater();
    }
  }
}

void CSStartup::deliver(const QByteArray& message) {
  QStringList paths;
  bool print = false;
  if (!ParseOpenMessage(message, &paths, &print)) return;
  if (paths.isEmpty()) {
    m_delegate.applicationReopen();
  } else if (print) {
    m_delegate.applicationPrintFiles(paths, CSPrintSettings(), false);
  } else {
    m_delegate.applicationOpenFiles(paths);
  }
}

void CSStartup::launch() {
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) app->setQuitOnLastWindowClosed(false);
  CSUndoManager::setBeepFunction([] { QApplication::beep(); });
  SetupShellResources();
  m_delegate.setReopenSuppressed(m_arguments.noReopen);
  listen();
  m_delegate.applicationWillFinishLaunching();
  // Files named at start-up are asked for while launching: they open after
  // the reopen list.
  if (!m_arguments.print && !m_arguments.paths.isEmpty()) m_delegate.applicationOpenFiles(m_arguments.paths);
  m_delegate.applicationDidFinishLaunching();
  if (m_arguments.print && !m_arguments.paths.isEmpty()) {
    m_delegate.applicationPrintFiles(m_arguments.paths, CSPrintSettings(), false);
  }
}

int CSStartup::run() {
  if (forwardToRunningInstance()) return 0;
  launch();
  return QCoreApplication::exec();
}

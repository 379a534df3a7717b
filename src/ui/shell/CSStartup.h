#pragma once
// Starting the application: the command line is read, a second start hands
// its files to the process already running for the user and ends, and the
// first one listens for such hand-overs, makes the kernel with its
// delegate and runs the launch in its fixed order.

#include <QByteArray>
#include <QDir>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class CSDocumentAppDelegate;
class QLocalServer;
class QLocalSocket;

// What the command line asks for: files (absolute), to reopen nothing, to
// print the files rather than open them.
struct CSLaunchArguments {
  QStringList paths;
  bool noReopen = false;
  bool print = false;
};

// Reads the arguments (without the program's name): "--no-reopen",
// "--print", "--" (only files follow); other options are ignored. File
// names and file URLs are made absolute against the working folder.
CSLaunchArguments ParseLaunchArguments(const QStringList& arguments, const QString& workingFolder);

// The hand-over between two processes: a header naming the request, then
// each absolute path followed by a zero byte. A message longer than the cap,
// with more paths, or with a path that is not absolute is refused whole.
constexpr qsizetype kMaxOpenMessageBytes = 256 * 1024;
constexpr int kMaxOpenMessagePaths = 512;
extern const QByteArray kOpenMessageHeader;   // "twdraw-open\n"
extern const QByteArray kPrintMessageHeader;  // "twdraw-print\n"
QByteArray EncodeOpenMessage(const QStringList& paths, bool print);
bool ParseOpenMessage(const QByteArray& message, QStringList* paths, bool* print);

// The local server's name for a home folder: one running process per user.
QString SingleInstanceServerName(const QString& homeFolder);

class CSStartup : public QObject {
  Q_OBJECT
 public:
  static constexpr int kConnectMilliseconds = 2000;

  CSStartup(CSDocumentAppDelegate& delegate, const QStringList& arguments,
            const QString& workingFolder = QDir::currentPath());
  ~CSStartup() override;

  const CSLaunchArguments& launchArguments() const { return m_arguments; }
  QString serverName() const { return m_serverName; }
  bool isListening() const;

  // Hands the files to the process already running for the user; true when
  // one took them (this process then ends with 0).
  bool forwardToRunningInstance();
  // Listens for later starts, makes the kernel with the delegate, queues the
  // files named and runs the launch.
  void launch();
  // The whole start: 0 at once after a hand-over, else the event loop's end.
  int run();

 private:
  void listen();
  void acceptConnections();
  void deliver(const QByteArray& message);

  CSDocumentAppDelegate& m_delegate;
  CSLaunchArguments m_arguments;
  QString m_serverName;
  QPointer<QLocalServer> m_server;
};

// One running process per user: a second start hands its files over and
// ends; the messages it sends are read strictly. The second process is this
// test program started again, running the real start-up code.

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>

#include "ShellTestSupport.h"
#include "ui/shell/CSStartup.h"

namespace {

constexpr char kChildVariable[] = "TWDRAW_SHELL_CHILD";

// The child half: started by the tests below with a mode in the environment.
TEST(SingleInstanceChild, RunsTheRealStartUp) {
  const QByteArray mode = qgetenv(kChildVariable);
  if (mode.isEmpty()) GTEST_SKIP() << "run by SingleInstanceTest";
  RecordingDelegate delegate;
  CSStartup startup(delegate, QCoreApplication::arguments().mid(1));
  if (mode == "forward") std::_Exit(startup.run());
  if (mode == "kernel") {
    startup.launch();
    const CSKernel* kernel = CSKernel::existingInstance();
    std::_Exit(kernel && kernel->appDelegate() == &delegate ? 0 : 6);
  }
  std::_Exit(9);
}

class SingleInstanceTest : public ShellTest {
 protected:
  // Starts this program's child half; answers its exit code, or -1 when it
  // did not end (it is then killed).
  int runChild(const char* mode, const QStringList& arguments, const QString& workingFolder) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), QString::fromLatin1(mode));
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(workingFolder);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--gtest_filter=SingleInstanceChild.*")} + arguments);
    if (!child.waitForStarted(30000)) return -1;
    // The parent must keep serving its socket while the child talks to it.
    if (!SpinUntil([&] { return child.state() == QProcess::NotRunning; })) {
      child.kill();
      child.waitForFinished();
      return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  }

  // Sends one message as a second start would, serving the event loop
  // meanwhile: the server is this process too.
  static void send(const QString& server, const QByteArray& message) {
    QLocalSocket socket;
    socket.connectToServer(server);
    ASSERT_TRUE(socket.waitForConnected(5000));
    socket.write(message);
    SpinUntil([&] { return socket.bytesToWrite() == 0 || socket.state() != QLocalSocket::ConnectedState; });
    socket.disconnectFromServer();
    SpinUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; });
  }
};

TEST_F(SingleInstanceTest, ASecondStartHandsItsFilesToTheFirstAndEnds) {
  RecordingDelegate first;
  CSStartup startup(first, {}, home());
  startup.launch();
  ASSERT_TRUE(startup.isListening());
  Spin();
  ASSERT_EQ(first.untitledCount, 1);

  const QString folder = home() + QStringLiteral("/files");
  QDir().mkpath(folder + QStringLiteral("/sub"));
  const QString one = file(QStringLiteral("one.txt"));
  const QString two = file(QStringLiteral("sub/two.txt"));
  EXPECT_EQ(runChild("forward", {QStringLiteral("one.txt"), QStringLiteral("sub/./two.txt")}, folder), 0);
  ASSERT_TRUE(SpinUntil([&] { return first.opened.size() == 2; }));
  // Absolute, and opened as openFiles walks them: the last first.
  EXPECT_EQ(first.opened, (QStringList{two, one}));

  // Refused whole: a relative path, a message over the cap, a stranger's
  // header. A message without files only brings the front window forward.
  const QString three = file(QStringLiteral("three.txt"));
  send(startup.serverName(), EncodeOpenMessage({QStringLiteral("relative.txt")}, false));
  QByteArray huge = EncodeOpenMessage({three}, false);
  huge += QByteArray(kMaxOpenMessageBytes, 'x') + '\0';
  send(startup.serverName(), huge);
  send(startup.serverName(), QByteArrayLiteral("hello\n") + QFile::encodeName(three) + '\0');
  send(startup.serverName(), EncodeOpenMessage({}, false));
  send(startup.serverName(), EncodeOpenMessage({three}, false));
  ASSERT_TRUE(SpinUntil([&] { return first.opened.size() >= 3; }));
  Spin();
  EXPECT_EQ(first.opened, (QStringList{two, one, three}));
  EXPECT_EQ(first.untitledCount, 1);
}

TEST_F(SingleInstanceTest, TheFirstStartMakesTheKernelWithItsDelegate) {
  EXPECT_EQ(runChild("kernel", {}, home()), 0);
}

TEST(OpenMessages, AreReadStrictly) {
  const QByteArray open = kOpenMessageHeader;
  struct {
    const char* name;
    QByteArray message;
    bool accepted;
    QStringList paths;
    bool print;
  } cases[] = {
      {"files to open", open + "/a b/c.txt" + '\0' + "/d" + '\0', true, {"/a b/c.txt", "/d"}, false},
      {"files to print", kPrintMessageHeader + "/p" + '\0', true, {"/p"}, true},
      {"no files", open, true, {}, false},
      {"non-ASCII path",
       open + QStringLiteral("/Zeichnung ä.TWdraw").toUtf8() + '\0',
       true,
       {QStringLiteral("/Zeichnung ä.TWdraw")},
       false},
      {"relative path", open + "a.txt" + '\0', false, {}, false},
      {"one relative among absolute", open + "/a" + '\0' + "b" + '\0', false, {}, false},
      {"unterminated", open + "/a", false, {}, false},
      {"empty path", open + '\0', false, {}, false},
      {"unknown header", QByteArray("twdraw-run\n/a") + '\0', false, {}, false},
      {"empty", QByteArray(), false, {}, false},
      {"over the cap", open + "/" + QByteArray(kMaxOpenMessageBytes, 'a') + '\0', false, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringList paths{QStringLiteral("untouched")};
    bool print = false;
    EXPECT_EQ(ParseOpenMessage(c.message, &paths, &print), c.accepted);
    if (!c.accepted) continue;
    EXPECT_EQ(paths, c.paths);
    EXPECT_EQ(print, c.print);
    QStringList again;
    EXPECT_TRUE(ParseOpenMessage(EncodeOpenMessage(paths, print), &again, nullptr));
    EXPECT_EQ(again, paths);
  }
  QByteArray many = open;
  for (int i = 0; i <= kMaxOpenMessagePaths; ++i) many += "/f" + QByteArray::number(i) + '\0';
  EXPECT_FALSE(ParseOpenMessage(many, nullptr, nullptr));
}

TEST(LaunchArguments, FilesBecomeAbsoluteAndOptionsAreRead) {
  struct {
    const char* name;
    QStringList arguments;
    QStringList paths;
    bool noReopen;
    bool print;
  } cases[] = {
      {"relative and absolute",
       {"a.txt", "../b/c.txt", "/abs/d"},
       {"/work/w/a.txt", "/work/b/c.txt", "/abs/d"},
       false,
       false},
      {"options", {"--no-reopen", "--print", "x"}, {"/work/w/x"}, true, true},
      {"unknown options are ignored", {"-style", "--later", "y"}, {"/work/w/y"}, false, false},
      {"after -- everything is a file", {"--", "--print"}, {"/work/w/--print"}, false, false},
      {"file URLs", {"file:///tmp/a%20b.txt"}, {"/tmp/a b.txt"}, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CSLaunchArguments parsed = ParseLaunchArguments(c.arguments, QStringLiteral("/work/w"));
    EXPECT_EQ(parsed.paths, c.paths);
    EXPECT_EQ(parsed.noReopen, c.noReopen);
    EXPECT_EQ(parsed.print, c.print);
  }
  EXPECT_NE(SingleInstanceServerName(QStringLiteral("/home/a")), SingleInstanceServerName(QStringLiteral("/home/b")));
}

}  // namespace

#include "support/CSCore.h"
#include "support/widgets/CSAlert.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <future>

namespace {

// Waits, from the event loop, for a visible message box that `find` gives,
// then hands it to `action`. The alert under test runs its own loop, in which
// the timer fires.
void AnswerAlert(std::function<QMessageBox*()> find, std::function<void(QMessageBox*)> action) {
  auto* timer = new QTimer(QCoreApplication::instance());
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, find = std::move(find), action = std::move(action)] {
    QMessageBox* box = find();
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    action(box);
  });
  timer->start();
}

void AnswerModalAlert(std::function<void(QMessageBox*)> action) {
  AnswerAlert([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, std::move(action));
}

void PressKey(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

QAbstractButton* ButtonTitled(QMessageBox* box, const QString& title) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == title) return button;
  }
  ADD_FAILURE() << "no button " << title.toStdString();
  return nullptr;
}

QStringList VisibleTitles(QMessageBox* box) {
  QStringList titles;
  for (QAbstractButton* button : box->buttons()) {
    if (button->isVisible()) titles << button->text();
  }
  return titles;
}

// Spins the event loop until `done` holds or a generous time passes.
bool SpinUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

TEST(CSAlert, NoTitlesShowOkAndEscapeAnswersTheHiddenCancel) {
  CSAlert* alert = CSAlert::sharedInstance();
  QStringList visible;
  QString title;
  AnswerModalAlert([&](QMessageBox* box) {
    visible = VisibleTitles(box);
    title = box->windowTitle();
    EXPECT_EQ(box->text(), QStringLiteral("Saved."));
    EXPECT_EQ(box->checkBox(), nullptr);
    PressKey(box, Qt::Key_Return);
  });
  EXPECT_EQ(alert->giveAlertMessage(QStringLiteral("Saved."), QString(), QStringList(), nullptr), 0);
  EXPECT_EQ(visible, QStringList{g_OK});
  EXPECT_EQ(title, QCoreApplication::applicationName());

  AnswerModalAlert([](QMessageBox* box) { PressKey(box, Qt::Key_Escape); });
  EXPECT_EQ(alert->giveAlertMessage(QStringLiteral("Saved."), QStringLiteral("More."), QStringList(), nullptr), 1);
}

TEST(CSAlert, TitledButtonsAnswerTheirIndex) {
  CSAlert* alert = CSAlert::sharedInstance();
  const QStringList titles = {QStringLiteral("Save"), QStringLiteral("Cancel"), QStringLiteral("Don't Save")};
  struct Row {
    std::function<void(QMessageBox*)> action;
    int expected;
  } rows[] = {
      {[](QMessageBox* box) { PressKey(box, Qt::Key_Return); }, 0},  // the first is the default
      {[](QMessageBox* box) { PressKey(box, Qt::Key_Escape); }, 1},  // "Cancel" takes Escape
      {[](QMessageBox* box) { ButtonTitled(box, QStringLiteral("Don't Save"))->click(); }, 2},
  };
  for (const Row& row : rows) {
    QStringList visible;
    AnswerModalAlert([&](QMessageBox* box) {
      visible = VisibleTitles(box);
      EXPECT_EQ(box->informativeText(), QStringLiteral("Changes are lost."));
      row.action(box);
    });
    EXPECT_EQ(alert->giveAlertMessage(QStringLiteral("Save?"), QStringLiteral("Changes are lost."), titles, nullptr),
              row.expected);
    visible.sort();
    QStringList sorted = titles;
    sorted.sort();
    EXPECT_EQ(visible, sorted);
  }
}

TEST(CSAlert, SuppressionBox) {
  CSAlert* alert = CSAlert::sharedInstance();
  struct Row {
    QStringList titles;
    bool tick;
    const char* boxTitle;
  } rows[] = {
      {{}, true, "Don't show this message again"},
      {{QStringLiteral("Go")}, false, "Don't show this message again"},
      {{QStringLiteral("Go"), QStringLiteral("Stop")}, true, "Do not show this message again"},
  };
  for (const Row& row : rows) {
    QString boxTitle;
    AnswerModalAlert([&](QMessageBox* box) {
      ASSERT_NE(box->checkBox(), nullptr);
      boxTitle = box->checkBox()->text();
      EXPECT_FALSE(box->checkBox()->isChecked());
      if (row.tick) box->checkBox()->click();
      PressKey(box, Qt::Key_Return);
    });
    bool suppress = !row.tick;  // cleared by the call, then set from the box
    EXPECT_EQ(alert->giveAlertMessage(QStringLiteral("Note"), QString(), row.titles, &suppress), 0);
    EXPECT_EQ(suppress, row.tick);
    EXPECT_EQ(boxTitle, QString::fromUtf8(row.boxTitle));
  }
}

TEST(CSAlert, WindowModalAlertDeliversResponseAndContext) {
  QWidget host;
  host.resize(400, 300);
  host.show();
  int context = 7;
  int calls = 0;
  int response = -1;
  void* receivedContext = nullptr;
  bool suppressed = false;
  CSAlert::Completion completion = [&](QMessageBox* alert, int answer, void* ctx) {
    ++calls;
    response = answer;
    receivedContext = ctx;
    suppressed = CSAlert::isSuppressionChecked(alert);
  };

  Qt::WindowModality modality = Qt::NonModal;
  QWidget* parent = nullptr;
  AnswerAlert([&] { return host.findChild<QMessageBox*>(); },
              [&](QMessageBox* box) {
                modality = box->windowModality();
                parent = box->parentWidget();
                box->checkBox()->click();
                ButtonTitled(box, QStringLiteral("Discard"))->click();
              });
  CSAlert::sharedInstance()->startAlertMessage(QStringLiteral("Reshaping"), QString(),
                                               {QStringLiteral("Keep"), QStringLiteral("Discard")}, true, &host,
                                               completion, &context);
  EXPECT_EQ(calls, 0);  // the call returns at once
  ASSERT_TRUE(SpinUntil([&] { return calls > 0; }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(response, CSAlert::kFirstButtonResponse + 1);
  EXPECT_EQ(receivedContext, &context);
  EXPECT_TRUE(suppressed);
  EXPECT_EQ(modality, Qt::WindowModal);
  EXPECT_EQ(parent, &host);
  // The finished alert goes away with the next pass of the loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(host.findChild<QMessageBox*>(), nullptr);

  // Escape on an alert without titles answers the hidden Cancel.
  AnswerAlert([&] { return host.findChild<QMessageBox*>(); }, [](QMessageBox* box) { PressKey(box, Qt::Key_Escape); });
  CSAlert::sharedInstance()->startAlertMessage(QStringLiteral("Stop?"), QString(), QStringList(), false, &host,
                                               completion, nullptr);
  ASSERT_TRUE(SpinUntil([&] { return calls > 1; }));
  EXPECT_EQ(response, CSAlert::kFirstButtonResponse + 1);
  EXPECT_EQ(receivedContext, nullptr);
  EXPECT_FALSE(suppressed);
}

TEST(CSAlert, InstalledPresenterAnswersTheFacade) {
  InstallAlertPresenter();
  EXPECT_EQ(CurrentAlertPresenter(), CSAlert::sharedInstance());
  QString shown;
  AnswerModalAlert([&](QMessageBox* box) {
    shown = box->text();
    ButtonTitled(box, g_cancel)->click();
  });
  EXPECT_FALSE(OkToProceed(QStringLiteral("Delete it?"), QString()));
  EXPECT_EQ(shown, QStringLiteral("Delete it?"));

  // An alert asked for on a worker thread is shown on the main thread.
  AnswerModalAlert([](QMessageBox* box) { ButtonTitled(box, QStringLiteral("Two"))->click(); });
  std::future<int> answer = std::async(std::launch::async, [] {
    return GiveAlert(QStringLiteral("From a worker"), QString(),
                     QStringList{QStringLiteral("One"), QStringLiteral("Two")}, nullptr);
  });
  ASSERT_TRUE(SpinUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(answer.get(), 1);
  SetAlertPresenter(nullptr);
}

}  // namespace

TEST(CSAlert, StartHookTakesWindowModalAlertsUntilFinished) {
  QWidget host;
  std::vector<QMessageBox*> handed;
  std::vector<QWidget*> hosts;
  CSAlert::setStartHook([&](QMessageBox* alert, QWidget* hostWindow) {
    handed.push_back(alert);
    hosts.push_back(hostWindow);
  });
  std::vector<int> responses;
  CSAlert::Completion completion = [&](QMessageBox*, int answer, void*) { responses.push_back(answer); };

  // A plain alert and one made beforehand with its default button cleared.
  CSAlert::sharedInstance()->startAlertMessage(QStringLiteral("Save?"), QString(),
                                               {QStringLiteral("Save"), g_cancel, QStringLiteral("Don't Save")}, false,
                                               &host, completion, nullptr);
  auto made = CSAlert::sharedInstance()->createAlertWithMessage(QStringLiteral("Revert?"), QString(),
                                                                {QStringLiteral("Revert"), g_cancel}, false);
  made->setDefaultButton(static_cast<QPushButton*>(nullptr));
  CSAlert::sharedInstance()->startAlert(std::move(made), nullptr, completion, nullptr);
  CSAlert::setStartHook(nullptr);

  ASSERT_EQ(handed.size(), 2u);
  EXPECT_EQ(hosts, (std::vector<QWidget*>{&host, nullptr}));
  EXPECT_FALSE(handed[0]->isVisible());
  EXPECT_EQ(handed[0]->windowModality(), Qt::WindowModal);
  EXPECT_EQ(handed[1]->text(), QStringLiteral("Revert?"));
  EXPECT_TRUE(responses.empty());  // nothing answers until the script does

  // The scripted answers reach the completions by the caller's button order.
  CSAlert::finishAlert(handed[0], 2);
  CSAlert::finishAlert(handed[1], 1);
  EXPECT_EQ(responses, (std::vector<int>{1002, 1001}));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(host.findChild<QMessageBox*>(), nullptr);
}

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <vector>

#include "support/CSAlertPresenter.h"
#include "support/CSError.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/CSValidatedDialog.h"
#include "testkit/QStringPrinter.h"

namespace {

// Records each alert and, while it is up, runs what the test scripted.
class ScriptedPresenter : public CSAlertPresenter {
 public:
  ScriptedPresenter() { m_previous = SetAlertPresenter(this); }
  ~ScriptedPresenter() override { SetAlertPresenter(m_previous); }

  int giveAlertMessage(const QString& message, const QString& moreInfo, const QStringList&, bool*) override {
    alerts.push_back({message, moreInfo});
    if (whileUp) whileUp();
    return 0;
  }

  struct Alert {
    QString message;
    QString moreInfo;
  };
  std::vector<Alert> alerts;
  std::function<void()> whileUp;

 private:
  CSAlertPresenter* m_previous = nullptr;
};

const QString kRangeMessage = QStringLiteral(
    "The number you entered, \"%1\", is not a valid value for this field. It may contain non-numeric characters or "
    "be out of range.\n\nThe allowed values for this field range from %2 to %3.");

// A dialog with two measure fields, the first limited to 0-10 pt, and a
// button.
class ValidatedDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&dialog);
    first = new CSMeasureField;
    first->formatter()->setPreferredUnit(kDistanceUnitPoints);
    first->formatter()->setMaximum(10 * kMeasurePerPoint);
    second = new CSMeasureField;
    second->formatter()->setPreferredUnit(kDistanceUnitPoints);
    button = new QPushButton(QStringLiteral("Cancel"));
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(button);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    first->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(first->hasFocus());
  }

  // Lets the deferred refusal run.
  static void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  ScriptedPresenter presenter;
  CSValidatedDialog dialog;
  CSMeasureField* first = nullptr;
  CSMeasureField* second = nullptr;
  QPushButton* button = nullptr;
};

}  // namespace

TEST_F(ValidatedDialogTest, ARefusedFieldRaisesOneAlertNamingTheRangeAndKeepsTheFocus) {
  first->setText(QStringLiteral("20"));
  // A second refusal while the alert is up raises nothing more.
  presenter.whileUp = [this] { dialog.complain(first->text(), first, first->validator()); };
  QTest::keyClick(first, Qt::Key_Tab);
  settle();
  ASSERT_EQ(presenter.alerts.size(), 1u);
  EXPECT_EQ(presenter.alerts[0].message, QStringLiteral("Invalid value."));
  EXPECT_EQ(presenter.alerts[0].moreInfo, kRangeMessage.arg("20", "0", "10 pt"));
  EXPECT_TRUE(first->hasFocus());
  EXPECT_FALSE(dialog.isComplaining());

  // Once corrected, Tab moves on without a word.
  presenter.alerts.clear();
  first->setText(QStringLiteral("7"));
  QTest::keyClick(first, Qt::Key_Tab);
  settle();
  EXPECT_TRUE(presenter.alerts.empty());
  EXPECT_TRUE(second->hasFocus());
}

TEST_F(ValidatedDialogTest, ReturnOnARefusedFieldNeitherAcceptsNorLeaves) {
  bool accepted = false;
  QObject::connect(&dialog, &QDialog::accepted, [&accepted] { accepted = true; });
  first->setText(QStringLiteral("1/0"));
  QTest::keyClick(first, Qt::Key_Return);
  ASSERT_EQ(presenter.alerts.size(), 1u);
  EXPECT_EQ(presenter.alerts[0].moreInfo, kRangeMessage.arg("1/0", "0", "10 pt"));
  EXPECT_FALSE(accepted);
  EXPECT_TRUE(first->hasFocus());
}

TEST_F(ValidatedDialogTest, AClickOnAButtonDoesNotEndTheEdit) {
  first->setText(QStringLiteral("20"));
  QTest::mouseClick(button, Qt::LeftButton);
  settle();
  EXPECT_TRUE(presenter.alerts.empty());
  // A click into another field does.
  first->setFocus();
  second->setFocus(Qt::MouseFocusReason);
  settle();
  EXPECT_EQ(presenter.alerts.size(), 1u);
  EXPECT_TRUE(first->hasFocus());
}

TEST_F(ValidatedDialogTest, EndingAnEditAsksTheFormatter) {
  QLineEdit plain;
  EXPECT_TRUE(dialog.controlTextShouldEndEditing(&plain));
  plain.setValidator(new QIntValidator(1, 5, &plain));
  plain.setText(QStringLiteral("9"));
  EXPECT_FALSE(dialog.controlTextShouldEndEditing(&plain));
  plain.setText(QStringLiteral("4"));
  EXPECT_TRUE(dialog.controlTextShouldEndEditing(&plain));
  first->setText(QStringLiteral("-"));  // mixed: accepted
  EXPECT_TRUE(dialog.controlTextShouldEndEditing(first));
  first->setText(QStringLiteral("11"));
  EXPECT_FALSE(dialog.controlTextShouldEndEditing(first));
}

TEST_F(ValidatedDialogTest, MessagesForEachKindOfFormatter) {
  QIntValidator integers(1, 5);
  EXPECT_EQ(CSValidatedDialog::complaintMessage(QStringLiteral("9"), &integers), kRangeMessage.arg("9", "1", "5"));
  QRegularExpressionValidator other;
  EXPECT_EQ(CSValidatedDialog::complaintMessage(QStringLiteral("x"), &other),
            QStringLiteral("The number you entered, \"x\", is not a valid value for this field."));
  EXPECT_EQ(CSValidatedDialog::complaintMessage(QStringLiteral("x"), nullptr),
            QStringLiteral("The number you entered, \"x\", is not a valid value for this field."));
}

TEST_F(ValidatedDialogTest, PresentedErrorsGoToTheFocusedFieldFirst) {
  first->setText(QStringLiteral("12"));
  EXPECT_FALSE(dialog.presentError(CSError::withReason(QStringLiteral("Something failed."), 1)));
  ASSERT_EQ(presenter.alerts.size(), 1u);
  EXPECT_EQ(presenter.alerts[0].message, QStringLiteral("Invalid value."));
  EXPECT_EQ(presenter.alerts[0].moreInfo, kRangeMessage.arg("12", "0", "10 pt"));

  // A field without a formatter passes the error on as it is.
  first->setText(QStringLiteral("5"));
  auto* plain = new QLineEdit;
  dialog.layout()->addWidget(plain);
  plain->setFocus();
  QCoreApplication::processEvents();
  presenter.alerts.clear();
  EXPECT_FALSE(dialog.presentError(CSError::withReason(QStringLiteral("Something failed."), 1)));
  ASSERT_EQ(presenter.alerts.size(), 1u);
  EXPECT_EQ(presenter.alerts[0].message, QStringLiteral("Something failed."));
}

TEST(MeasureField, OutsideADialogTheFormattersMessageIsShownOnce) {
  ScriptedPresenter presenter;
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* field = new CSMeasureField;
  field->formatter()->setPreferredUnit(kDistanceUnitPoints);
  field->formatter()->setMinimum(kMeasurePerPoint);
  auto* other = new QLineEdit;
  layout->addWidget(field);
  layout->addWidget(other);
  window.show();
  QApplication::setActiveWindow(&window);
  field->setFocus();
  QCoreApplication::processEvents();

  field->setText(QStringLiteral("0.5"));
  presenter.whileUp = [field] { QTest::keyClick(field, Qt::Key_Return); };
  QTest::keyClick(field, Qt::Key_Return);
  ASSERT_EQ(presenter.alerts.size(), 1u);
  EXPECT_EQ(presenter.alerts[0].message, QStringLiteral("Value is smaller than the minimum of 1 pt."));
  EXPECT_TRUE(field->hasFocus());

  field->setText(QStringLiteral("3"));
  EXPECT_EQ(field->measureValue(), 3 * kMeasurePerPoint);
  field->setMeasureValue(kMixedMeasure);
  EXPECT_EQ(field->text(), QStringLiteral("-"));
  EXPECT_TRUE(field->acceptsText());
}

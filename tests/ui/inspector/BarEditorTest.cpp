#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "ui/HarnessWindow.h"
#include "ui/inspector/DRBarEditor.h"

namespace {

// A bar of plain values, one text cell every 50 points; negative values are
// refused.
class ValueBar : public DRBarEditor {
 public:
  explicit ValueBar(std::vector<MeasureUnit> values) : m_values(std::move(values)) {}
  using DRBarEditor::setToolTipAreas;
  std::vector<MeasureUnit> m_values;
  int m_reported = 0;

 protected:
  int64_t cellCount() const override { return int64_t(m_values.size()); }
  QRectF textCellRect(int64_t index) const override {
    return QRectF(QPointF(2 + 50 * double(index), g_barEditOuterSpacing), g_barEditTextCellSize);
  }
  MeasureUnit cellValue(int64_t index) const override { return m_values[size_t(index)]; }
  CommitResult commitCellValue(int64_t index, MeasureUnit typed) override {
    if (typed < 0) return CommitResult::Refused;
    if (typed == m_values[size_t(index)]) return CommitResult::Unchanged;
    m_values[size_t(index)] = typed;
    return CommitResult::Changed;
  }
  void typedValueChanged(int64_t /*index*/) override { ++m_reported; }
  int64_t firstTabCell() const override { return 0; }
  int64_t lastTabCell() const override { return cellCount() - 1; }
};

void SendKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

class BarEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DRBarEditor::setBeepFunction([this] { ++m_beeps; });
    m_bar = m_window.place(new ValueBar({12700, 25400}), QRect(0, 0, 150, 60));
    m_other = m_window.place(new QLineEdit, QRect(0, 80, 100, 20));
    m_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
  }
  void TearDown() override { DRBarEditor::setBeepFunction(nullptr); }

  QLineEdit* open(int64_t index) {
    m_bar->setFocusedTextCell(index);
    m_bar->beginEditing();
    return m_bar->positionField();
  }

  HarnessWindow m_window{QSize(200, 120)};
  ValueBar* m_bar = nullptr;
  QLineEdit* m_other = nullptr;
  int m_beeps = 0;
};

TEST(BarEditorHeights, EachKindKeepsTheFirstHeightItIsGiven) {
  DRBarEditor::resetBarHeights();
  EXPECT_EQ(DRBarEditor::barHeight(DRBarEditor::BarKind::ColorStops), 0);
  EXPECT_EQ(DRBarEditor::adoptBarHeight(DRBarEditor::BarKind::ColorStops, 20), 20);
  EXPECT_EQ(DRBarEditor::adoptBarHeight(DRBarEditor::BarKind::ColorStops, 35), 20);
  // A view too short for any bar still gets one point of it.
  EXPECT_EQ(DRBarEditor::adoptBarHeight(DRBarEditor::BarKind::LinePattern, -4), 1);
  EXPECT_EQ(DRBarEditor::barHeight(DRBarEditor::BarKind::ColorStops), 20);
  DRBarEditor::resetBarHeights();
}

TEST_F(BarEditorTest, TheFieldShowsAPlainNumberOverItsCellAndReturnCommits) {
  QLineEdit* field = open(1);
  ASSERT_TRUE(field);
  EXPECT_EQ(field->text(), "2");
  EXPECT_EQ(field->geometry(), QRect(52, 1, 46, 19));
  EXPECT_EQ(m_window.focusWidget(), field);
  field->setText("3.5");
  SendKey(field, Qt::Key_Enter);
  EXPECT_EQ(m_bar->m_values[1], 44450);
  EXPECT_FALSE(m_bar->isEditingText());
  EXPECT_EQ(m_window.focusWidget(), m_bar);
  EXPECT_EQ(m_bar->m_reported, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(m_bar->m_reported, 1);
}

TEST_F(BarEditorTest, LeavingTheFieldCommitsItOrBringsARefusedTextBack) {
  for (const char* text : {"4", "-1"}) {
    QLineEdit* field = open(0);
    ASSERT_TRUE(field);
    field->setText(text);
    m_other->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
    if (text[0] == '-') {
      EXPECT_EQ(m_beeps, 1);
      EXPECT_TRUE(m_bar->isEditingText());
      EXPECT_EQ(m_window.focusWidget(), field);
      field->setText("4");
      EXPECT_TRUE(m_bar->normalize());
    } else {
      EXPECT_FALSE(m_bar->isEditingText());
      EXPECT_EQ(m_window.focusWidget(), m_other);  // the commit does not take the focus back
    }
    EXPECT_EQ(m_bar->m_values[0], 50800);
  }
}

TEST_F(BarEditorTest, TabPastTheLastCellFollowsTheWindowChainWithoutAHost) {
  QWidget::setTabOrder(m_bar, m_other);
  QLineEdit* field = open(1);
  ASSERT_TRUE(field);
  SendKey(field, Qt::Key_Tab);
  QCoreApplication::processEvents();
  EXPECT_FALSE(m_bar->isEditingText());
  EXPECT_EQ(m_window.focusWidget(), m_other);
}

TEST_F(BarEditorTest, ToolTipsFollowTheirAreas) {
  m_bar->setToolTipAreas({{QRectF(0, 0, 150, 20), "text"}, {QRectF(0, 10, 150, 30), "bar"}});
  EXPECT_EQ(m_bar->toolTipAt(QPointF(5, 5)), "text");
  EXPECT_EQ(m_bar->toolTipAt(QPointF(5, 15)), "text");  // the first area wins
  EXPECT_EQ(m_bar->toolTipAt(QPointF(5, 30)), "bar");
  EXPECT_EQ(m_bar->toolTipAt(QPointF(5, 50)), QString());
}

}  // namespace

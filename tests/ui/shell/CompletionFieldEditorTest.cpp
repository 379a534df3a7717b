#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QKeyEvent>
#include <QTest>
#include <new>
#include <vector>

#include "testkit/QStringPrinter.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/shell/CSCompletionFieldEditor.h"

namespace {

// A view that records the keys it is given and the messages it answers.
class RecordingView : public QWidget, public DRActionTarget {
 public:
  explicit RecordingView(QStringList answered, QWidget* parent = nullptr)
      : QWidget(parent), m_answered(std::move(answered)) {}

  bool respondsToSelector(const QString& selector) const override { return m_answered.contains(selector); }
  bool performAction(const QString& selector, QObject* sender) override {
    performed << selector;
    senders.push_back(sender);
    return true;
  }

  std::vector<int> keys;
  std::vector<uint64_t> countsDuringKeys;
  QStringList performed;
  std::vector<QObject*> senders;
  CSCompletionFieldEditor* editor = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    keys.push_back(event->key());
    countsDuringKeys.push_back(editor ? editor->handleKeyCount() : 0);
  }

 private:
  QStringList m_answered;
};

const QStringList kFruit = {QStringLiteral("apple"), QStringLiteral("apricot"), QStringLiteral("banana")};

// A parent that answers the scroll and clear messages, holding the editor.
class CompletionFieldEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(300, 100);
    editor = new CSCompletionFieldEditor(&parent);
    parent.setParent(&window);
    editor->setGeometry(0, 0, 200, 24);
    editor->setCompletionSource([this](CSCompletionFieldEditor*, qsizetype start, qsizetype length, qsizetype* index) {
      ranges.push_back({start, length});
      *index = preferred;
      const QString partial = editor->text().mid(start, length);
      QStringList words;
      for (const QString& word : kFruit)
        if (word.startsWith(partial, Qt::CaseInsensitive)) words << word;
      return words;
    });
    window.show();
    QApplication::setActiveWindow(&window);
    editor->setFocus();
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    if (editor->isCompletionListShown()) editor->completionList()->popup()->hide();
  }

  QWidget window;
  RecordingView parent{
      {QStringLiteral("scrollPageDown:"), QStringLiteral("scrollPageUp:"), QStringLiteral("clearField:")}};
  CSCompletionFieldEditor* editor = nullptr;
  std::vector<std::pair<qsizetype, qsizetype>> ranges;
  qsizetype preferred = 0;
};

}  // namespace

TEST_F(CompletionFieldEditorTest, CompletionIsOfferedOnlyAfterTyping) {
  editor->setText(QStringLiteral("ap"));
  editor->complete();
  EXPECT_FALSE(editor->isCompletionListShown());
  EXPECT_TRUE(ranges.empty());

  QTest::keyClicks(editor, QStringLiteral("r"));
  EXPECT_TRUE(editor->allowCompletion());
  QTest::keyClick(editor, Qt::Key_Escape);  // asks for the list
  ASSERT_TRUE(editor->isCompletionListShown());
  // The whole text is the range completed.
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0], std::make_pair(qsizetype(0), qsizetype(3)));

  // Any other edit, move or selection turns it off.
  editor->completionList()->popup()->hide();
  QTest::keyClick(editor, Qt::Key_Left);
  EXPECT_FALSE(editor->allowCompletion());
  QTest::keyClicks(editor, QStringLiteral("x"));
  EXPECT_TRUE(editor->allowCompletion());
  QTest::keyClick(editor, Qt::Key_Backspace);
  EXPECT_FALSE(editor->allowCompletion());
}

TEST_F(CompletionFieldEditorTest, TheRightArrowDismissesTheListWithoutInserting) {
  QTest::keyClicks(editor, QStringLiteral("ap"));
  preferred = 1;
  QTest::keyClick(editor, Qt::Key_Escape);
  ASSERT_TRUE(editor->isCompletionListShown());
  EXPECT_EQ(editor->completionList()->popup()->currentIndex().data().toString(), QStringLiteral("apricot"));
  QTest::keyClick(editor, Qt::Key_Right);
  EXPECT_FALSE(editor->isCompletionListShown());
  EXPECT_EQ(editor->text(), QStringLiteral("ap"));

  // Return takes the chosen word, as final.
  QTest::keyClicks(editor, QStringLiteral("r"));
  preferred = 0;
  QTest::keyClick(editor, Qt::Key_Escape);
  ASSERT_TRUE(editor->isCompletionListShown());
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_FALSE(editor->isCompletionListShown());
  EXPECT_EQ(editor->text(), QStringLiteral("apricot"));
  EXPECT_FALSE(editor->hasSelectedText());
}

TEST_F(CompletionFieldEditorTest, HowEachMovementEndsACompletion) {
  struct {
    int movement;
    bool isFinal;
    QString text;
    QString selected;
  } cases[] = {
      {CSCompletionFieldEditor::kRightMovement, true, QStringLiteral("ba"), QString()},
      {CSCompletionFieldEditor::kReturnMovement, false, QStringLiteral("banana"), QString()},
      {CSCompletionFieldEditor::kTabMovement, false, QStringLiteral("banana"), QString()},
      {CSCompletionFieldEditor::kBacktabMovement, false, QStringLiteral("banana"), QString()},
      {CSCompletionFieldEditor::kOtherMovement, true, QStringLiteral("banana"), QString()},
      // Not final: shown with the completed part selected.
      {CSCompletionFieldEditor::kOtherMovement, false, QStringLiteral("banana"), QStringLiteral("nana")},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.movement);
    editor->setText(QStringLiteral("ba"));
    editor->insertCompletion(QStringLiteral("banana"), row.movement, row.isFinal);
    EXPECT_EQ(editor->text(), row.text);
    EXPECT_EQ(editor->selectedText(), row.selected);
  }
}

TEST_F(CompletionFieldEditorTest, PageKeysGoToTheViewDelegateScrollMessagesToTheNextResponder) {
  // Without a view delegate the Page keys scroll, which the parent performs.
  QTest::keyClick(editor, Qt::Key_PageDown);
  QTest::keyClick(editor, Qt::Key_PageUp);
  EXPECT_EQ(parent.performed, (QStringList{"scrollPageDown:", "scrollPageUp:"}));

  RecordingView view({});
  view.editor = editor;
  editor->setViewDelegate(&view);
  parent.performed.clear();
  parent.senders.clear();
  for (Qt::Key key :
       {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Home, Qt::Key_End})
    QTest::keyClick(editor, key);
  EXPECT_EQ(view.keys, (std::vector<int>{Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab,
                                         Qt::Key_Home, Qt::Key_End}));
  // Each while the editor counts it as handed on.
  EXPECT_EQ(view.countsDuringKeys, std::vector<uint64_t>(7, 1));
  EXPECT_EQ(editor->handleKeyCount(), 0u);
  EXPECT_TRUE(parent.performed.isEmpty());
  EXPECT_TRUE(editor->hasFocus());  // Tab did not move the focus

  // The scroll messages themselves still go up the chain.
  editor->scrollPageDown();
  editor->scrollPageUp();
  EXPECT_EQ(parent.performed, (QStringList{"scrollPageDown:", "scrollPageUp:"}));
  ASSERT_EQ(parent.senders.size(), 2u);
  EXPECT_EQ(parent.senders[0], editor);

  // Ordinary keys stay with the editor; Clear goes to the parent.
  QTest::keyClicks(editor, QStringLiteral("kiwi"));
  EXPECT_EQ(editor->text(), QStringLiteral("kiwi"));
  EXPECT_EQ(view.keys.size(), 7u);
  QTest::keyClick(editor, Qt::Key_Clear);
  EXPECT_EQ(parent.performed.last(), QStringLiteral("clearField:"));
  editor->setViewDelegate(nullptr);
}

TEST_F(CompletionFieldEditorTest, WithoutAViewDelegateHomeAndEndOnlyMoveTheInsertionPoint) {
  QTest::keyClicks(editor, QStringLiteral("melon"));
  QTest::keyClick(editor, Qt::Key_Home);
  EXPECT_EQ(editor->cursorPosition(), 0);
  EXPECT_FALSE(editor->allowCompletion());
  QTest::keyClick(editor, Qt::Key_End);
  EXPECT_EQ(editor->cursorPosition(), 5);
  EXPECT_FALSE(editor->hasSelectedText());
}

TEST_F(CompletionFieldEditorTest, TypeAheadSelectsTheAppendedRest) {
  QTest::keyClicks(editor, QStringLiteral("b"));
  editor->typeAhead();
  ASSERT_FALSE(ranges.empty());
  EXPECT_EQ(ranges.back(), std::make_pair(qsizetype(0), qsizetype(1)));  // the last character
  EXPECT_EQ(editor->text(), QStringLiteral("banana"));
  EXPECT_EQ(editor->selectedText(), QStringLiteral("anana"));
  // Typing on replaces the offered rest.
  QTest::keyClicks(editor, QStringLiteral("e"));
  EXPECT_EQ(editor->text(), QStringLiteral("be"));

  struct {
    QString typed;
    qsizetype index;
    QString text;
  } cases[] = {
      {QStringLiteral("xa"), 0, QStringLiteral("xapple")},  // completes the last character only
      {QStringLiteral("a"), 1, QStringLiteral("apricot")},
      {QStringLiteral("a"), 7, QStringLiteral("apple")},  // an index outside the list means the first
      {QStringLiteral("q"), 0, QStringLiteral("q")},      // nothing to offer
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.typed.toStdString());
    editor->clear();
    QTest::keyClicks(editor, row.typed);
    preferred = row.index;
    editor->typeAhead();
    EXPECT_EQ(editor->text(), row.text);
  }

  // Only right after typing, and only at the end of the text.
  editor->clear();
  QTest::keyClicks(editor, QStringLiteral("ab"));
  QTest::keyClick(editor, Qt::Key_Left);
  editor->typeAhead();
  EXPECT_EQ(editor->text(), QStringLiteral("ab"));
}

TEST_F(CompletionFieldEditorTest, SelectionChangesReachAViewDelegateThatAsks) {
  RecordingView view({QStringLiteral("textViewDidChangeSelection:"), QStringLiteral("fieldEditorResigned:")});
  editor->setViewDelegate(&view);
  editor->setText(QStringLiteral("cherry"));
  view.performed.clear();
  editor->setSelection(1, 3);
  EXPECT_EQ(view.performed, QStringList{"textViewDidChangeSelection:"});
  editor->setSelection(1, 3);  // no change, no news
  EXPECT_EQ(view.performed.size(), 1);
  ASSERT_FALSE(view.senders.empty());
  EXPECT_EQ(view.senders.back(), editor);

  QLineEdit other(&window);
  other.show();
  other.setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_TRUE(view.performed.contains(QStringLiteral("fieldEditorResigned:")));
  editor->setViewDelegate(nullptr);
}

TEST(CompletionFieldEditorCache, OneEditorPerWindowDroppedWithTheWindow) {
  QWidget first;
  CSCompletionFieldEditor* editor = CSCompletionFieldEditor::completionFieldEditorForWindow(&first);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(CSCompletionFieldEditor::completionFieldEditorForWindow(&first), editor);
  EXPECT_FALSE(editor->isVisible());
  QWidget second;
  EXPECT_NE(CSCompletionFieldEditor::completionFieldEditorForWindow(&second), editor);
  CSCompletionFieldEditor::releaseCompletionFieldEditorForWindow(&second);
  EXPECT_FALSE(CSCompletionFieldEditor::hasCompletionFieldEditorForWindow(&second));
  EXPECT_EQ(CSCompletionFieldEditor::completionFieldEditorForWindow(nullptr), nullptr);
}

TEST(CompletionFieldEditorCache, AWindowMadeAtAGoneWindowsAddressGetsAFreshEditor) {
  alignas(QWidget) unsigned char storage[sizeof(QWidget)];
  auto* window = new (storage) QWidget;
  QWidget view;
  CSCompletionFieldEditor* editor = CSCompletionFieldEditor::completionFieldEditorForWindow(window);
  editor->setViewDelegate(&view);
  ASSERT_TRUE(CSCompletionFieldEditor::hasCompletionFieldEditorForWindow(window));
  window->~QWidget();
  EXPECT_FALSE(CSCompletionFieldEditor::hasCompletionFieldEditorForWindow(reinterpret_cast<QWidget*>(storage)));

  auto* reused = new (storage) QWidget;
  ASSERT_EQ(static_cast<void*>(reused), static_cast<void*>(storage));
  CSCompletionFieldEditor* fresh = CSCompletionFieldEditor::completionFieldEditorForWindow(reused);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->viewDelegate(), nullptr);
  EXPECT_EQ(fresh->parentWidget(), reused);
  reused->~QWidget();
}

// In-place text editing: new texts from the text tool, the typing run as one
// undo entry, the growth of a text with its lines, Return and the keypad's
// Enter, Escape, the removal of texts left blank, the insertion point of a
// click, auto-sizing, and the editor showing the text exactly where the
// element draws it.

#include <gtest/gtest.h>

#include <QPointingDevice>
#include <QTest>
#include <cmath>
#include <limits>

#include "DrawVCFixture.h"
#include "model/DRElementText.h"
#include "model/DRSettingsChange.h"
#include "model/TextLayout.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "ui/EventDriver.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRTextView.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"

namespace {

class DrawViewTypingTest : public DrawVCFixture {
 public:
  void SetUp() override {
    DrawVCFixture::SetUp();
    activate();
  }
  // Typing ends while the drawing is still there.
  void TearDown() override { canvas->normalize(true); }

  void chooseTool(DRTool tool) {
    NotificationCenter::defaultCenter().post(g_toolChangedNotification, canvas->notificationWindow(),
                                             {{g_toolKey, int(tool)}});
    ASSERT_EQ(canvas->currentTool(), tool);
  }
  DRElementText* addText(const QString& string, const QRectF& frame) {
    DRElementText* text = add(Shape<DRElementText>(frame));
    text->setText(string);
    return text;
  }
  DRTextView* editor() const { return qobject_cast<DRTextView*>(canvas->typingView()); }
  void type(const QString& keys) {
    ASSERT_NE(editor(), nullptr);
    QTest::keyClicks(editor(), keys);
  }
  void typeKey(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
    ASSERT_NE(editor(), nullptr);
    for (int i = 0; i < times; ++i) QTest::keyClick(editor(), Qt::Key(code), modifiers);
  }
  static double LineHeight(const DRElementText* text) {
    return TextBoxSize(text->textInfo().expressWithText(QStringLiteral("X"), false), 1000).height();
  }
  static QRectF Frame(const DRElement* element) { return ConvertMeasureRect(element->frame()); }
  // The texts of the drawing's elements, back to front.
  QStringList texts() const {
    QStringList strings;
    for (const auto& element : drawing.elements()) {
      if (const auto* text = dynamic_cast<const DRElementText*>(element.get())) strings << text->text();
    }
    return strings;
  }
};

TEST_F(DrawViewTypingTest, AClickAndAWordMakeOneWidenedTextUnderOneAddObject) {
  chooseTool(kToolText);
  EventDriver mouse(canvas);
  mouse.click(QPointF(40, 60));
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* text = dynamic_cast<DRElementText*>(drawing.elements()[0].get());
  ASSERT_NE(text, nullptr);
  ASSERT_EQ(canvas->typingElement(), text);
  ASSERT_TRUE(text->autoSize());
  const double clickWidth = Frame(text).width();

  NotificationRecorder recorder({g_textChangeNotification}, canvas->notificationWindow());
  type(QStringLiteral("Extraordinary"));
  EXPECT_EQ(text->text(), QStringLiteral("Extraordinary"));
  EXPECT_EQ(recorder.count(g_textChangeNotification), 13);
  // Wider than a click makes it, with room for the next letter after the
  // word, and on one line.
  const QSizeF word =
      TextBoxSize(text->textInfo().expressWithText(text->text(), false), std::numeric_limits<double>::infinity());
  const QRectF frame = Frame(text);
  EXPECT_GT(frame.width(), clickWidth);
  EXPECT_GE(frame.width(), word.width() + 24 - 1);
  EXPECT_LE(frame.width(), word.width() + 24 + 2 + QFontMetricsF(text->textInfo().fontValue()).maxWidth());
  EXPECT_EQ(frame.height(), LineHeight(text));
  EXPECT_EQ(editor()->box(), frame);

  canvas->normalize(true);
  EXPECT_EQ(canvas->typingView(), nullptr);
  EXPECT_FALSE(text->autoSize());
  EXPECT_FALSE(text->brandNew());
  EXPECT_EQ(text->originalSize().x, text->frame().width);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Add Object"));
  vc.undoEdit(nullptr);
  EXPECT_TRUE(drawing.elements().empty());
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
}

TEST_F(DrawViewTypingTest, AClickElsewhereLeavesNoTextAndNoEntry) {
  chooseTool(kToolText);
  EventDriver mouse(canvas);
  mouse.setStep(1000);
  mouse.click(QPointF(40, 60));
  ASSERT_EQ(drawing.elements().size(), 1u);
  ASSERT_EQ(Frame(drawing.elements()[0].get()).topLeft(), QPointF(40, 60));
  mouse.click(QPointF(200, 150));
  // The first text went with its entry (it is freed: only what the drawing
  // holds now can be compared, never the address it had); the second click
  // began another.
  ASSERT_EQ(drawing.elements().size(), 1u);
  EXPECT_EQ(Frame(drawing.elements()[0].get()).topLeft(), QPointF(200, 150));
  EXPECT_EQ(canvas->typingElement(), drawing.elements()[0].get());
  canvas->normalize(true);
  EXPECT_TRUE(drawing.elements().empty());
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
}

TEST_F(DrawViewTypingTest, ReturnAddsALineAndTheKeypadEnterEnds) {
  DRElementText* text = addText(QStringLiteral("One"), QRectF(20, 20, 120, 10));
  const double line = LineHeight(text);
  ASSERT_EQ(Frame(text).height(), line);
  canvas->startTyping(text, nullptr);
  ASSERT_NE(editor(), nullptr);
  typeKey(Qt::Key_Return);
  EXPECT_EQ(text->text(), QStringLiteral("One\n"));
  EXPECT_EQ(Frame(text).height(), 2 * line);
  EXPECT_EQ(editor()->box(), Frame(text));
  type(QStringLiteral("Two"));
  EXPECT_EQ(text->text(), QStringLiteral("One\nTwo"));
  EXPECT_EQ(Frame(text).height(), 2 * line);

  typeKey(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(canvas->typingView(), nullptr);
  EXPECT_EQ(text->text(), QStringLiteral("One\nTwo"));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Typing"));
}

TEST_F(DrawViewTypingTest, TheEditorShowsTheTextWhereTheElementDrawsIt) {
  struct Row {
    const char* name;
    const char* text;
    double width;
    double zoom;
    int64_t alignment;
  };
  const Row rows[] = {
      {"wrapped words", "The quick brown fox jumps over the lazy dog", 100, 1, kTextAlignLeft},
      {"zoomed in", "The quick brown fox jumps over the lazy dog", 100.5, 2, kTextAlignLeft},
      {"zoomed out", "The quick brown fox jumps over the lazy dog again and again", 150, 0.5, kTextAlignLeft},
      {"lines and an odd zoom", "Line one\nLine two is rather longer than the box\n\nfour", 90, 1.5, kTextAlignLeft},
      {"centred", "Centred lines of text wrap here", 80, 1, kTextAlignCenter},
      {"right aligned", "Lines of text aligned on the right", 80, 1, kTextAlignRight},
      {"a word longer than the box", "Supercalifragilisticexpialidocious word", 60, 1, kTextAlignLeft},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    canvas->setZoomValue(row.zoom);
    canvas->scrollToPoint(QPointF(0, 0));
    DRElementText* text = addText(QString::fromUtf8(row.text), QRectF(10.25, 20.5, row.width, 10));
    DRTextInfo style = text->textInfo();
    style.setAlignment(row.alignment);
    text->setTextInfo(style);
    canvas->setNeedsDisplay();
    const QRectF box = Frame(text);
    const QRect pixels = QRectF(box.topLeft() * row.zoom, box.size() * row.zoom).toAlignedRect().adjusted(2, 2, -2, -2);
    const QImage drawn = HarnessWindow::grabView(canvas).copy(pixels);

    canvas->startTyping(text, nullptr);
    ASSERT_NE(editor(), nullptr);
    // No insertion point in the picture.
    editor()->setCursorWidth(0);
    EXPECT_EQ(editor()->string(), text->text());
    EXPECT_EQ(editor()->usedHeight(), box.height());
    const QImage edited = HarnessWindow::grabView(canvas).copy(pixels);
    EXPECT_TRUE(
        ImagesMatch(edited, drawn, 24, QStringLiteral("typing-") + QString::fromLatin1(row.name).replace(u' ', u'-')));
    canvas->normalize(true);
  }
}

TEST_F(DrawViewTypingTest, AnExistingTextsRunIsOneTypingEntry) {
  chooseTool(kToolSelect);
  DRElementText* text = addText(QStringLiteral("Hello"), QRectF(20, 20, 200, 10));
  prefs.spelling = true;
  canvas->startTyping(text, nullptr);
  ASSERT_NE(editor(), nullptr);
  EXPECT_TRUE(editor()->isContinuousSpellCheckingEnabled());
  // A space is typed, not a change of tool.
  type(QStringLiteral(" big world"));
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  EXPECT_EQ(text->text(), QStringLiteral("Hello big world"));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Typing"));
  editor()->setContinuousSpellCheckingEnabled(false);
  canvas->normalize(true);
  EXPECT_FALSE(prefs.spelling);

  vc.undoEdit(nullptr);
  ASSERT_EQ(texts(), QStringList{QStringLiteral("Hello")});
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
  vc.redoEdit(nullptr);
  EXPECT_EQ(texts(), QStringList{QStringLiteral("Hello big world")});
}

TEST_F(DrawViewTypingTest, ATextLeftBlankLeavesTheDrawing) {
  struct Row {
    const char* name;
    const char* text;
    int backspaces;
    bool locked;
    bool unrelatedEntryFirst;  // a rectangle added under its own entry
    bool removed;
    const char* undoTitle;
  };
  const Row rows[] = {
      {"emptied by typing", "Hi", 2, false, false, true, "Undo Typing"},
      {"emptied after another entry", "Hi", 2, false, true, true, "Undo Typing"},
      {"blank before", "  ", 0, false, false, true, "Undo Delete"},
      {"blank before, after another entry", " \n ", 0, false, true, true, "Undo Delete"},
      {"blank and locked", "  ", 0, true, false, false, "Undo"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    drawing.setLocked(false);
    if (row.unrelatedEntryFirst) {
      ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoAddObject));
      addRect(QRectF(150, 150, 20, 20));
    }
    DRElementText* text = addText(QString::fromLatin1(row.text), QRectF(20, 20, 100, 10));
    drawing.setLocked(row.locked);
    canvas->startTyping(text, nullptr);
    typeKey(Qt::Key_Backspace, Qt::NoModifier, row.backspaces);
    canvas->normalize(true);

    EXPECT_EQ(texts().size(), row.removed ? 0 : 1);
    EXPECT_TRUE(canvas->selection().empty() || !row.removed);
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoTitle));
    drawing.setLocked(false);
    if (!row.removed) continue;
    // One Undo brings the text back as it was; the unrelated entry stays.
    vc.undoEdit(nullptr);
    EXPECT_EQ(texts(), QStringList{QString::fromLatin1(row.text)});
    EXPECT_EQ(undoTitle(), row.unrelatedEntryFirst ? QStringLiteral("Undo Add Object") : QStringLiteral("Undo"));
    EXPECT_EQ(drawing.elements().size(), row.unrelatedEntryFirst ? 2u : 1u);
  }
}

TEST_F(DrawViewTypingTest, ClosingTheWindowForgetsTheTypingAndChangesNothing) {
  DRElementText* text = addText(QStringLiteral("  "), QRectF(20, 20, 100, 10));
  canvas->startTyping(text, nullptr);
  QWidget* typingView = canvas->typingView();
  ASSERT_NE(typingView, nullptr);
  NotificationCenter::defaultCenter().post(g_windowWillCloseNotification, canvas->notificationWindow());
  EXPECT_EQ(canvas->typingView(), nullptr);
  EXPECT_EQ(canvas->typingElement(), nullptr);
  EXPECT_FALSE(typingView->isVisible());
  EXPECT_EQ(texts(), QStringList{QStringLiteral("  ")});
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
}

TEST_F(DrawViewTypingTest, EscapeThrowsAwayAnExistingTextsRunOnly) {
  struct Row {
    const char* name;
    bool brandNew;
    const char* before;
    int backspaces;
    const char* typed;
    const char* after;
    const char* undoTitle;
  };
  const Row rows[] = {
      {"typed into", false, "Hello", 0, "abc", "Hello", "Undo"},
      {"emptied", false, "Hi", 2, "", "Hi", "Undo"},
      {"a new text keeps what was typed", true, "", 0, "abc", "abc", "Undo Add Object"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    if (row.brandNew) {
      chooseTool(kToolText);
      EventDriver(canvas).click(QPointF(40, 60));
    } else {
      chooseTool(kToolSelect);
      canvas->startTyping(addText(QString::fromLatin1(row.before), QRectF(20, 20, 100, 10)), nullptr);
    }
    typeKey(Qt::Key_Backspace, Qt::NoModifier, row.backspaces);
    type(QString::fromLatin1(row.typed));
    typeKey(Qt::Key_Escape);
    EXPECT_EQ(canvas->typingView(), nullptr);
    EXPECT_EQ(texts(), QStringList{QString::fromLatin1(row.after)});
    EXPECT_FALSE(vc.undoManager().isRedoAvailable());
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoTitle));
  }
}

TEST_F(DrawViewTypingTest, AClickPlacesTheInsertionPointUnlessTheTextIsRotated) {
  DRElementText* text = addText(QStringLiteral("First line\nsecond line"), QRectF(20, 20, 200, 10));
  const double line = LineHeight(text);
  struct Row {
    const char* name;
    QPointF point;  // in the box, points
    int64_t rotation;
    int position;
  };
  const Row rows[] = {
      {"the start", {1, line / 2}, 0, 0},
      {"the second line's start", {1, line * 1.5}, 0, 11},
      {"past the first line's end", {190, line / 2}, 0, 10},
      {"rotated: the end", {1, line / 2}, 30 * kMeasurePerPoint, 22},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    text->setRotation(row.rotation);
    const QPointF local = (Frame(text).topLeft() + row.point) * canvas->zoom();
    QMouseEvent press(QEvent::MouseButtonPress, local, local, canvas->mapToGlobal(local), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier, QPointingDevice::primaryPointingDevice());
    canvas->startTyping(text, &press);
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->textCursor().position(), row.position);
    canvas->normalize(true);
  }
}

TEST_F(DrawViewTypingTest, AClickInTheEditorMovesTheInsertionPointAtAnyZoom) {
  DRElementText* text = addText(QStringLiteral("First line\nsecond line"), QRectF(20.5, 20, 200, 10));
  const double line = LineHeight(text);
  for (const double zoom : {1.0, 2.0, 0.75}) {
    SCOPED_TRACE(zoom);
    canvas->setZoomValue(zoom);
    canvas->startTyping(text, nullptr);
    ASSERT_NE(editor(), nullptr);
    ASSERT_EQ(editor()->textCursor().position(), 22);
    // The second line's start, in the editor's pixels.
    const QPointF inBox(1, line * 1.5);
    const QPoint pixel = (inBox * zoom + Frame(text).topLeft() * zoom - QPointF(editor()->pos())).toPoint();
    QTest::mouseClick(editor(), Qt::LeftButton, Qt::NoModifier, pixel);
    EXPECT_EQ(editor()->textCursor().position(), 11);
    canvas->normalize(true);
  }
}

TEST_F(DrawViewTypingTest, AutoSizingStopsShortOfTheVisibleRightEdge) {
  chooseTool(kToolText);
  const QRectF visible = canvas->visibleRect();
  const double left = visible.right() - 110;
  EventDriver(canvas).click(QPointF(left, 60));
  auto* text = dynamic_cast<DRElementText*>(canvas->typingElement());
  ASSERT_NE(text, nullptr);
  const double line = LineHeight(text);
  type(QStringLiteral("Wide words go on"));
  EXPECT_FALSE(text->autoSize());
  const QRectF frame = Frame(text);
  EXPECT_LE(frame.right(), visible.right() - 8);
  EXPECT_GT(frame.right(), visible.right() - 8 - 24 - QFontMetricsF(text->textInfo().fontValue()).maxWidth());
  // Past that width the text wraps.
  EXPECT_GE(frame.height(), 2 * line);
  EXPECT_EQ(text->originalSize().x, text->frame().width);
}

TEST_F(DrawViewTypingTest, TheEditorFollowsTheZoomAndTheStyle) {
  DRElementText* text = addText(QStringLiteral("Styled"), QRectF(20, 30, 100, 10));
  canvas->startTyping(text, nullptr);
  ASSERT_NE(editor(), nullptr);
  canvas->setZoomValue(2.0);
  const QRectF frame = Frame(text);
  EXPECT_EQ(editor()->geometry(), QRectF(frame.topLeft() * 2, frame.size() * 2).toAlignedRect());
  EXPECT_EQ(canvas->typingView(), editor());

  // A larger font from the text pane: the editor takes it and the box grows.
  DRTextInfo style = text->textInfo();
  QFont font = style.fontValue();
  font.setPointSizeF(30);
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoFont));
  ChangeSelectionObject(canvas->notificationWindow(), g_fontKeyPath, QString(), QVariant::fromValue(font));
  ASSERT_EQ(text->textInfo().fontValue().pointSizeF(), 30);
  EXPECT_EQ(editor()->currentCharFormat().font().pointSizeF(), 30);
  EXPECT_EQ(editor()->box(), Frame(text));
  EXPECT_GT(Frame(text).height(), frame.height());
}

}  // namespace

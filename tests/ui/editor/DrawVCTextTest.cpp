// The drawing commands for texts, styles and paintings: combining, font
// sizes, shrinking, alignment and style, the font and colour panels, copying
// and pasting styles, converting the selection into a painting, new blank
// paintings and imported image files, and their menu validation.

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <limits>

#include "DrawVCFixture.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "model/TextLayout.h"
#include "testkit/QStringPrinter.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr int64_t kDegrees = kMeasurePerPoint;

class DrawVCTextTest : public DrawVCFixture {
 public:
  DRElementText* addText(const QString& string, const QRectF& frame, double pointSize = 12) {
    DRElementText* text = add(Shape<DRElementText>(frame));
    DRTextInfo style = text->textInfo();
    QFont font = style.fontValue();
    font.setPointSizeF(pointSize);
    style.setFont(font);
    text->setTextInfo(style);
    text->setText(string);
    return text;
  }
  static QRectF Frame(const DRElement* element) { return ConvertMeasureRect(element->frame()); }
  static DRElementText* TextAt(const DRElementList& elements, size_t index) {
    return dynamic_cast<DRElementText*>(elements.at(index).get());
  }
  bool validate(const char* selector, int tag = 0, Qt::CheckState* state = nullptr) {
    auto item = TaggedItem(tag);
    const bool enabled = vc.validateMenuItem(QString::fromLatin1(selector), item.get());
    if (state) *state = Qt::CheckState(item->property(DRDrawVC::kStateProperty).toInt());
    return enabled;
  }
  // Serialised, undone and redone: the command is one step that restores
  // the drawing exactly.
  void expectOneUndoableStep(const SavedBlocks& before, const QString& title) {
    const SavedBlocks after = SaveBlocks(drawing);
    EXPECT_NE(after, before);
    EXPECT_EQ(undoTitle(), title);
    vc.undoEdit(nullptr);
    EXPECT_EQ(SaveBlocks(drawing), before);
    vc.redoEdit(nullptr);
    EXPECT_EQ(SaveBlocks(drawing), after);
  }
};

TEST_F(DrawVCTextTest, CombiningJoinsTextsInReadingOrder) {
  struct Row {
    const char* name;
    std::vector<std::pair<QRectF, const char*>> texts;  // selected in this order
    const char* joined;
    QRectF frame;  // of the result: the first text's origin, the widest width
  };
  const Row rows[] = {
      {"top, then left",
       {{QRectF(50, 300, 60, 20), "c"}, {QRectF(80, 100, 90, 20), "b"}, {QRectF(20, 100, 70, 20), "a"}},
       "a\nb\nc",
       QRectF(20, 100, 90, 0)},
      {"no empty line after a line feed",
       {{QRectF(10, 10, 60, 20), "a\n"}, {QRectF(10, 50, 60, 20), "b"}},
       "a\nb",
       QRectF(10, 10, 60, 0)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    addRect(QRectF(200, 200, 20, 20));  // selected too; it stays, unselected
    for (const auto& [frame, string] : row.texts) addText(QString::fromLatin1(string), frame);
    canvas->unselectAll(false);
    for (const auto& element : drawing.elements()) canvas->addToSelection(element.get());
    const SavedBlocks before = SaveBlocks(drawing);

    ASSERT_TRUE(validate("combineText:"));
    perform("combineText:");
    ASSERT_EQ(drawing.elements().size(), 2u);
    EXPECT_EQ(drawing.elements()[0]->elementType(), kElementRectangle);
    DRElementText* combined = TextAt(drawing.elements(), 1);
    ASSERT_NE(combined, nullptr);
    EXPECT_EQ(combined->text(), QString::fromLatin1(row.joined));
    EXPECT_EQ(Frame(combined).topLeft(), row.frame.topLeft());
    EXPECT_EQ(Frame(combined).width(), row.frame.width());
    EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{combined});
    expectOneUndoableStep(before, QStringLiteral("Undo Combine Text"));
  }
}

TEST_F(DrawVCTextTest, CombiningInALockedDrawingLeavesTheSelectionAlone) {
  addRect(QRectF(200, 200, 20, 20));
  addText(QStringLiteral("b"), QRectF(10, 50, 60, 20));
  addText(QStringLiteral("a"), QRectF(10, 10, 60, 20));
  select({0, 1, 2});
  const std::vector<DRElement*> selection = canvas->selection();
  drawing.setLocked(true);
  EXPECT_FALSE(validate("combineText:"));
  perform("combineText:");
  EXPECT_EQ(canvas->selection(), selection);
  EXPECT_EQ(drawing.elements().size(), 3u);
}

TEST_F(DrawVCTextTest, FontSizeStepsStopAtFourPointsAndMergeIntoOneEntry) {
  struct Row {
    const char* name;
    std::vector<double> sizes;
    std::vector<int> steps;  // tags, one command each
    std::vector<double> after;
    bool changed;
  };
  const Row rows[] = {
      {"smaller to the smallest less one", {12, 5}, {0}, {4, 4}, true},
      {"never below 4", {4, 12}, {0}, {4, 12}, false},
      {"larger to the largest plus one, whole points", {12.7, 9}, {1}, {13, 13}, true},
      {"two steps, one entry", {10, 8}, {1, 1}, {12, 12}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    for (size_t i = 0; i < row.sizes.size(); ++i)
      addText(QStringLiteral("Size"), QRectF(10, 10 + 40 * i, 100, 20), row.sizes[i]);
    select({0, 1});
    const SavedBlocks before = SaveBlocks(drawing);
    NotificationRecorder recorder({g_fontChangeNotification}, canvas->notificationWindow());
    for (const int tag : row.steps) perform("resizeFont:", tag);
    for (size_t i = 0; i < row.after.size(); ++i)
      EXPECT_EQ(TextAt(drawing.elements(), i)->textInfo().fontValue().pointSizeF(), row.after[i]);
    if (!row.changed) {
      EXPECT_FALSE(vc.undoManager().isUndoAvailable());
      EXPECT_EQ(recorder.count(g_fontChangeNotification), 0);
      continue;
    }
    EXPECT_EQ(recorder.count(g_fontChangeNotification), int(row.steps.size()));
    expectOneUndoableStep(before, QStringLiteral("Undo Font Size"));
  }
}

TEST_F(DrawVCTextTest, ShrinkingNarrowsTextsToTheirWidestLine) {
  DRElementText* wide = addText(QStringLiteral("Short words\nhere"), QRectF(10, 10, 300, 20));
  select({0});
  const double used = TextBoxSize(wide->textInfo().expressWithText(wide->text(), false), 300).width();
  const SavedBlocks before = SaveBlocks(drawing);
  perform("shrinkText:");
  EXPECT_EQ(Frame(wide).width(), used + 2);
  EXPECT_EQ(Frame(wide).topLeft(), QPointF(10, 10));
  expectOneUndoableStep(before, QStringLiteral("Undo Shrink Text"));

  // Nothing left to do, or a text already at the narrowest a box gets, or
  // no text at all: no entry.
  addText(QStringLiteral("i"), QRectF(10, 60, 20, 20));
  addRect(QRectF(10, 100, 50, 50));
  for (const std::initializer_list<size_t> selection : {std::initializer_list<size_t>{0}, {1}, {2}}) {
    vc.undoManager().clearUndo();
    select(selection);
    const SavedBlocks unchanged = SaveBlocks(drawing);
    perform("shrinkText:");
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
    EXPECT_EQ(SaveBlocks(drawing), unchanged);
  }
}

TEST_F(DrawVCTextTest, AlignmentAndStyleItemsShowAndToggleTheSelectedTexts) {
  DRElementText* first = addText(QStringLiteral("One"), QRectF(10, 10, 100, 20));
  DRElementText* second = addText(QStringLiteral("Two"), QRectF(10, 50, 100, 20));
  addRect(QRectF(10, 100, 20, 20));
  select({0, 1, 2});
  Qt::CheckState state;

  // Alignment: mixed until both texts have it.
  DRTextInfo style = first->textInfo();
  style.setAlignment(kTextAlignCenter);
  first->setTextInfo(style);
  EXPECT_TRUE(validate("changeAlignment:", int(kTextAlignCenter), &state));
  EXPECT_EQ(state, Qt::PartiallyChecked);
  EXPECT_TRUE(validate("changeAlignment:", int(kTextAlignRight), &state));
  EXPECT_EQ(state, Qt::Unchecked);
  perform("changeAlignment:", int(kTextAlignRight));
  EXPECT_EQ(first->textInfo().alignment(), kTextAlignRight);
  EXPECT_EQ(second->textInfo().alignment(), kTextAlignRight);
  EXPECT_EQ(DRSettings::sharedInstance().textInfo().alignment(), kTextAlignRight);
  EXPECT_TRUE(validate("changeAlignment:", int(kTextAlignRight), &state));
  EXPECT_EQ(state, Qt::Checked);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Alignment"));

  // Bold toggles from what the item shows; plain clears every style.
  style = second->textInfo();
  style.setBold(1);
  second->setTextInfo(style);
  EXPECT_TRUE(validate("changeStyle:", 1, &state));
  EXPECT_EQ(state, Qt::PartiallyChecked);
  perform("changeStyle:", 1);
  EXPECT_EQ(first->textInfo().isBold(), 1);
  EXPECT_EQ(second->textInfo().isBold(), 1);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Bold"));
  perform("changeStyle:", 1);
  EXPECT_EQ(first->textInfo().isBold(), 0);
  perform("changeStyle:", 3);
  EXPECT_EQ(second->textInfo().isUnderlined(), 1);
  EXPECT_TRUE(validate("changeStyle:", 0, &state));
  EXPECT_EQ(state, Qt::Unchecked);
  perform("changeStyle:", 0);
  EXPECT_EQ(second->textInfo().isUnderlined(), 0);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Plain"));
  EXPECT_TRUE(validate("changeStyle:", 0, &state));
  EXPECT_EQ(state, Qt::Checked);

  drawing.setLocked(true);
  EXPECT_FALSE(validate("changeStyle:", 1));
  EXPECT_FALSE(validate("changeAlignment:", 0));
}

TEST_F(DrawVCTextTest, StylesAreCopiedAndPasted) {
  DRElementLine* line = addLine(QRectF(10, 10, 100, 40));
  DRElementRectangle* source = addRect(QRectF(10, 80, 60, 40));
  DRLineInfo lineStyle = source->lineStyle();
  lineStyle.setKolorWithoutRegistering(MakeKolor(0, 128, 0));
  lineStyle.setWidth(5 * kMeasurePerPoint);
  source->setLineInfo(lineStyle);
  source->setFillKolor(MakeKolor(255, 0, 0));
  source->setShadow(DRShadow());
  DRArrow arrow;
  arrow.setOnEnd(true);
  DRSettings::sharedInstance().setArrow(arrow);

  select({1});
  ASSERT_TRUE(validate("copyElementStyle:"));
  perform("copyElementStyle:");
  ASSERT_TRUE(DRSettings::sharedInstance().haveCopiedStyle());
  select({0});
  ASSERT_TRUE(validate("pasteElementStyle:"));
  const SavedBlocks before = SaveBlocks(drawing);
  perform("pasteElementStyle:");
  // The line takes the line style, the arrow and the shadow, and no fill.
  EXPECT_EQ(line->lineStyle(), lineStyle);
  ASSERT_TRUE(line->arrow().has_value());
  EXPECT_TRUE(line->arrow()->onEnd());
  EXPECT_TRUE(line->shadow().has_value());
  EXPECT_FALSE(line->answersFillKolor());
  expectOneUndoableStep(before, QStringLiteral("Undo Paste Style"));

  // Text styles: the first selected style merged with the later ones.
  DRElementText* red = addText(QStringLiteral("Red"), QRectF(150, 10, 80, 20));
  DRElementText* plain = addText(QStringLiteral("Plain"), QRectF(150, 50, 80, 20));
  DRTextInfo style = red->textInfo();
  style.setTextKolor(MakeKolor(255, 0, 0));
  style.setBold(1);
  red->setTextInfo(style);
  select({2});
  EXPECT_FALSE(validate("pasteTextStyle:"));
  perform("copyTextStyle:");
  select({3});
  ASSERT_TRUE(validate("pasteTextStyle:"));
  perform("pasteTextStyle:");
  EXPECT_EQ(plain->textInfo().textKolor(), MakeKolor(255, 0, 0));
  EXPECT_EQ(plain->textInfo().isBold(), 1);
  EXPECT_EQ(plain->text(), QStringLiteral("Plain"));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Paste Style"));
}

TEST_F(DrawVCTextTest, TheFontPanelChangesTheSelectedTextsUnderOneEntry) {
  FakeEditorAppServices app;
  addText(QStringLiteral("One"), QRectF(10, 10, 100, 20), 10);
  addText(QStringLiteral("Two"), QRectF(10, 50, 100, 20), 20);
  select({0, 1});
  perform("showFonts:");
  ASSERT_EQ(app.fontPanels.size(), 1u);
  EXPECT_EQ(app.fontPanels[0].font.pointSizeF(), 20);  // the last selected text's
  EXPECT_TRUE(app.fontPanels[0].multiple);
  EXPECT_EQ(app.fontDelegate, &vc);

  const SavedBlocks before = SaveBlocks(drawing);
  auto larger = [](const QFont& font) {
    QFont changed(font);
    changed.setPointSizeF(font.pointSizeF() + 2);
    return changed;
  };
  app.changeFont(larger);
  app.changeFont(larger);
  EXPECT_EQ(TextAt(drawing.elements(), 0)->textInfo().fontValue().pointSizeF(), 14);
  EXPECT_EQ(TextAt(drawing.elements(), 1)->textInfo().fontValue().pointSizeF(), 24);
  EXPECT_TRUE(drawing.isDirty());
  expectOneUndoableStep(before, QStringLiteral("Undo Font"));

  // A locked drawing takes no change from the panel.
  drawing.setLocked(true);
  const SavedBlocks locked = SaveBlocks(drawing);
  vc.resetCurrentUndoID();
  app.changeFont(larger);
  EXPECT_EQ(SaveBlocks(drawing), locked);
}

TEST_F(DrawVCTextTest, TheColourPanelShowsTheTextColourOrBlackWhenMixed) {
  FakeEditorAppServices app;
  auto* infoBar = harness.place(new DRInfobarView, QRect(0, 310, 400, 30));
  DRElementText* one = addText(QStringLiteral("One"), QRectF(10, 10, 100, 20));
  DRElementText* two = addText(QStringLiteral("Two"), QRectF(10, 50, 100, 20));
  for (DRElementText* text : {one, two}) {
    DRTextInfo style = text->textInfo();
    style.setTextKolor(MakeKolor(0, 0, 255));
    text->setTextInfo(style);
  }
  select({0, 1});
  perform("showFontColor:");
  DRTextInfo style = two->textInfo();
  style.setTextKolor(MakeKolor(0, 255, 0));
  two->setTextInfo(style);
  perform("showFontColor:");
  ASSERT_EQ(app.opened.size(), 2u);
  EXPECT_EQ(app.opened[0].swatch, 11);
  EXPECT_EQ(app.opened[0].kolor, MakeKolor(0, 0, 255));
  EXPECT_EQ(app.opened[1].kolor, Kolor(0x64000000));
  EXPECT_EQ(app.delegate, static_cast<DRColorPanelDelegate*>(infoBar));
}

TEST_F(DrawVCTextTest, MakingAPaintingPlacesItAtTheRotatedOutlinesCorner) {
  DRElementRectangle* rect = addRect(QRectF(100, 100, 60, 40));
  rect->setFillKolor(MakeKolor(0, 0, 255));
  rect->setRotation(45 * kDegrees);
  addRect(QRectF(300, 20, 20, 20));  // not selected; it stays
  select({0});
  const QRectF outline = ConvertMeasureRect(rect->trueBoundsInView(canvas));
  ASSERT_LT(outline.x(), 100);
  ASSERT_LT(outline.y(), 100);
  ASSERT_TRUE(validate("makePainting:"));
  const SavedBlocks before = SaveBlocks(drawing);
  perform("makePainting:");

  ASSERT_EQ(drawing.elements().size(), 2u);
  auto* bitmap = dynamic_cast<DRElementBitmap*>(drawing.elements()[1].get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{bitmap});
  const QRectF frame = Frame(bitmap);
  EXPECT_EQ(frame.topLeft(), outline.topLeft());
  // The painting is the turned rectangle, its white margins trimmed.
  EXPECT_NEAR(frame.width(), outline.width(), 2);
  EXPECT_NEAR(frame.height(), outline.height(), 2);
  EXPECT_EQ(frame.size(), bitmap->painting()->pixmap()->size());
  expectOneUndoableStep(before, QStringLiteral("Undo Convert To Painting"));

  // A plain bitmap alone is a painting already.
  select({1});
  EXPECT_FALSE(validate("makePainting:"));
  bitmap->setRotation(10 * kDegrees);
  EXPECT_TRUE(validate("makePainting:"));
}

TEST_F(DrawVCTextTest, NewPaintingsStandUnderTheContent) {
  // In an empty drawing, 16 points from the top, centred in the visible area.
  DRElement* made = vc.newBitmap(QSizeF(100, 50));
  ASSERT_NE(made, nullptr);
  const QRectF visible = canvas->visibleRect();
  EXPECT_EQ(Frame(made), QRectF(std::round(visible.x() + (visible.width() - 100) / 2), 16, 100, 50));
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{made});
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo New Painting"));
  // Then below what is there.
  DRElement* second = vc.newBitmap(QSizeF(20, 20));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Frame(second).y(), 16 + 50 + 16);

  // The command asks for the size, hiding the centring box, and opens the
  // new painting in a tab.
  dialogs.chosenSize = QSizeF(30, 40);
  perform("newPainting:");
  EXPECT_EQ(dialogs.offeredSize, QSizeF(288, 288));
  EXPECT_EQ(dialogs.centerFlagSeen, 23);
  ASSERT_EQ(drawing.elements().size(), 3u);
  EXPECT_EQ(Frame(drawing.elements()[2].get()).size(), QSizeF(30, 40));
  EXPECT_EQ(host.editPaintingsCount, 1);
  dialogs.sizeChosen = false;
  perform("newPainting:");
  EXPECT_EQ(drawing.elements().size(), 3u);

  drawing.setLocked(true);
  EXPECT_EQ(vc.newBitmap(QSizeF(20, 20)), nullptr);
  EXPECT_EQ(drawing.elements().size(), 3u);
}

TEST_F(DrawVCTextTest, ImportedImagesStandInAColumnUnderTheContent) {
  QTemporaryDir folder;
  auto writeImage = [&](const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    const QString path = folder.path() + u'/' + name;
    EXPECT_TRUE(image.save(path));
    return path;
  };
  const QString tall = writeImage(QStringLiteral("tall.png"), 40, 100);
  const QString low = writeImage(QStringLiteral("low.png"), 60, 50);
  const QString broken = folder.path() + QStringLiteral("/broken.png");
  WriteBytes(broken, QByteArray("not an image"));
  ASSERT_EQ(CSImage::initWithContentsOfFile(tall).size(), QSizeF(40, 100));

  std::vector<DRElement*> placed;
  clipboard.placeImage = [&](const CSImage& image, double x, double y) -> DRElement* {
    DRElementBitmap* bitmap = addBitmap(QRectF(x - image.size().width() / 2, y - image.size().height() / 2,
                                               image.size().width(), image.size().height()));
    placed.push_back(bitmap);
    return bitmap;
  };
  dialogs.openPanelAnswer = {tall, broken, low};
  perform("importPaintings:");
  EXPECT_EQ(dialogs.openPanelTitle, QStringLiteral("Select image files to import"));
  EXPECT_TRUE(dialogs.openPanelExtensions.contains(QStringLiteral("png")));
  ASSERT_EQ(clipboard.imagePastes.size(), 2u);
  EXPECT_EQ(QPointF(clipboard.imagePastes[0].x, clipboard.imagePastes[0].y), QPointF(36, 66));
  EXPECT_EQ(QPointF(clipboard.imagePastes[1].x, clipboard.imagePastes[1].y), QPointF(46, 157));
  EXPECT_EQ(canvas->selection(), placed);
  EXPECT_EQ(static_cast<DRElementBitmap*>(placed[1])->painting()->filePath(), low);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Paste"));

  // Nothing readable, or the panel cancelled: no entry.
  vc.undoManager().clearUndo();
  for (const QStringList& answer : {QStringList{broken}, QStringList{}}) {
    dialogs.openPanelAnswer = answer;
    perform("importPaintings:");
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
  }
}

TEST_F(DrawVCTextTest, EachTextCommandIsEnabledByItsRule) {
  // 0 text, 1 text, 2 rectangle, 3 group, 4 bitmap (scaled).
  addText(QStringLiteral("a"), QRectF(10, 10, 60, 20));
  addText(QStringLiteral("b"), QRectF(10, 40, 60, 20));
  addRect(QRectF(100, 10, 30, 30));
  addGroup(QRectF(100, 60, 60, 30));
  addBitmap(QRectF(200, 10, 16, 12));
  struct Row {
    const char* selector;
    std::vector<size_t> selection;
    bool locked;
    bool enabled;
  };
  const Row rows[] = {
      {"combineText:", {0, 2}, false, false},      {"combineText:", {0, 1}, false, true},
      {"copyTextStyle:", {2}, false, false},       {"copyTextStyle:", {0}, true, true},
      {"resizeFont:", {0}, true, false},           {"shrinkText:", {2, 0}, false, true},
      {"showFonts:", {2}, false, false},           {"showFontColor:", {0}, false, true},
      {"copyElementStyle:", {0, 3}, false, false}, {"copyElementStyle:", {0, 2}, false, true},
      {"pasteElementStyle:", {3}, false, false},   {"makePainting:", {}, false, false},
      {"makePainting:", {4}, false, true},  // shown larger than its painting
      {"makePainting:", {4, 0}, false, true},      {"makePainting:", {2}, true, false},
      {"newPainting:", {}, false, true},           {"importPaintings:", {}, true, false},
      {"insertShape:", {}, false, true},           {"setBackground:", {}, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.selector) + (row.locked ? " locked" : ""));
    canvas->unselectAll(false);
    for (size_t position : row.selection) canvas->addToSelection(drawing.elements()[position].get());
    drawing.setLocked(row.locked);
    EXPECT_EQ(validate(row.selector), row.enabled);
  }
  drawing.setLocked(false);
  DRSettings::sharedInstance().setCopiedStyle(DRCopiedStyle());
  select({3, 2});
  EXPECT_TRUE(validate("pasteElementStyle:"));

  // The sheets run on the window.
  perform("insertShape:");
  perform("setBackground:");
  EXPECT_EQ(dialogs.sheets, (QStringList{QStringLiteral("shape"), QStringLiteral("background")}));
}

}  // namespace

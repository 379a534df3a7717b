// The help against the interface it describes: each dialog, built in a
// drawing window, opens the chapter named for it from its Help button, and
// that chapter names every label, button and box title the dialog shows;
// each tool's chapter names the controls of the tool's options pane; the
// chapters the Help menu opens are the ones for their subjects.

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <memory>

#include "PaneTestSupport.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/HelpMarkup.h"
#include "richtext/Knots.h"
#include "richtext/NativeTags.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "ui/FakeHelpViewer.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/inspector/DRAdvancedLineDialog.h"
#include "ui/inspector/DRArrangeSheets.h"
#include "ui/inspector/DRArrowDialog.h"
#include "ui/inspector/DRBackgroundDialog.h"
#include "ui/inspector/DRGradientDialog.h"
#include "ui/inspector/DRLinePatternDialog.h"
#include "ui/inspector/DRScalableImageDialog.h"
#include "ui/inspector/DRShapeDialog.h"
#include "ui/paint/DRColorAdjustDialog.h"
#include "ui/paint/DRPaintingSizeDialog.h"
#include "ui/shell/DRAutosaveRestorer.h"

namespace {

const QString kHelpFolder = QStringLiteral(TWDRAW_SOURCE_DIR "/resources/help");

struct DocDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using DocPtr = std::unique_ptr<CorvaneDoc, DocDeleter>;

// The help as the build converts it; built once for the whole program.
CorvaneDoc* HelpDocument() {
  static DocPtr doc = [] {
    CreateCorvaneXmlDecoder();
    HelpMarkupError error;
    DocPtr built(BuildHelpDocumentFromFolder(kHelpFolder, &error));
    EXPECT_TRUE(built) << error.text().toStdString();
    return built;
  }();
  return doc.get();
}

uint32_t ChapterCount(CorvaneDoc* doc) {
  return doc ? SizeOfDynamicCPArray(doc->chapterMarks) : 0;
}

// A chapter's body as the reader sees it, its marks taken out.
QString ChapterText(CorvaneDoc* doc, uint32_t chapter) {
  const uint32_t first = KnotLimitCp(doc, CpAtIndex(doc->chapterMarks, chapter));
  const uint32_t limit = chapter + 1 < ChapterCount(doc) ? CpAtIndex(doc->chapterMarks, chapter + 1) : doc->textLimit;
  QString text = RawTextString(doc, first, std::min(limit, doc->textLimit));
  text.remove(QChar(0)).remove(QChar(1));
  return text;
}

// A control's text as the help quotes it: mnemonic marks out ("&&" is an
// ampersand), and without the colon or ellipsis that ends a label or a
// button that asks for more, which the help's sentences may drop.
QString ControlText(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(u'&');
  text.replace(u'\x01', u'&');
  text = text.simplified();
  for (const QString& end : {QStringLiteral("\u2026"), QStringLiteral("..."), QStringLiteral(":")}) {
    if (text.endsWith(end)) text.chop(end.size());
  }
  return text.trimmed();
}

// Every label, button and box title of the dialog, hidden ones included (a
// page field shows only for a document of pages). A label holding a digit
// shows a value (a size, a page count) rather than naming a control.
QStringList ControlTexts(QWidget* dialog) {
  QStringList texts;
  auto add = [&](const QString& raw) {
    const QString text = ControlText(raw);
    if (!text.isEmpty() && !texts.contains(text)) texts.append(text);
  };
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    const QString text = label->text();
    const bool value = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (!value && label->textFormat() != Qt::RichText && !Qt::mightBeRichText(text)) add(text);
  }
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) add(button->text());
  for (QGroupBox* box : dialog->findChildren<QGroupBox*>()) add(box->title());
  return texts;
}

bool NamesText(const QString& chapter, const QString& text) {
  const QRegularExpression word(QStringLiteral("(?<!\\w)") + QRegularExpression::escape(text) +
                                QStringLiteral("(?!\\w)"));
  return word.match(chapter).hasMatch();
}

// A two-page PDF, so that the scalable image dialog shows its page controls.
bool WriteTwoPagePdf(const QString& path) {
  QPdfWriter writer(path);
  writer.setResolution(72);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setPageSize(QPageSize(QSizeF(100, 80), QPageSize::Point));
  QPainter painter(&writer);
  painter.fillRect(QRectF(10, 10, 40, 30), Qt::red);
  if (!writer.newPage()) return false;
  painter.fillRect(QRectF(10, 10, 30, 40), Qt::blue);
  return painter.end();
}

// Makes the dialog in the window; sheets are begun as their commands begin
// them and end themselves once cancelled.
using DialogMaker = std::function<QDialog*(DREditorWindowHost*, const QString& pdf)>;

struct DialogCase {
  int64_t topic;        // the chapter the contents list for the dialog
  const char* subject;  // the dialog's name as its chapter's name has it
  DialogMaker make;
};

template <class SheetClass, class... Args>
DialogMaker Sheet(Args... args) {
  return [=](DREditorWindowHost* host, const QString&) -> QDialog* {
    return DRSheetController::runSheet<SheetClass>(host, args...);
  };
}

std::vector<DialogCase> DialogCases() {
  return {
      {57, "adjust colour",
       [](DREditorWindowHost*, const QString&) -> QDialog* {
         return new DRColorAdjustDialog(nullptr, nullptr, nullptr, nullptr, QPointF());
       }},
      {58, "advanced line", Sheet<DRAdvancedLineDialog>()},
      {59, "align", Sheet<DRAlignDialog>()},
      {60, "arrow", Sheet<DRArrowDialog>(std::optional<DRArrow>(), false)},
      {61, "autosave recovery",
       [](DREditorWindowHost*, const QString&) -> QDialog* { return new DRAutosaveRestorer(QList<QVariantMap>()); }},
      {62, "background", Sheet<DRBackgroundDialog>()},
      {63, "distribute", Sheet<DRDistributeDialog>(DRDistributeDialog::OffsetHandler())},
      {64, "gradient", Sheet<DRGradientDialog>(std::optional<DRGradient>())},
      {65, "scalable image",
       [](DREditorWindowHost*, const QString& pdf) -> QDialog* { return new DRScalableImageDialog(pdf); }},
      {66, "line pattern", Sheet<DRLinePatternDialog>(static_cast<DRPropBaseVC*>(nullptr))},
      {67, "painting size", Sheet<DRPaintingSizeDialog>(DRPaintingSizeDialog::SizeHandler())},
      {68, "rotate", Sheet<DRRotateDialog>()},
      {69, "scale", Sheet<DRScaleDialog>()},
      {70, "select by type", Sheet<DRTypeSelectDialog>()},
      {71, "insert shape",
       [](DREditorWindowHost* host, const QString&) -> QDialog* {
         // The shapes the build ships.
         DRShapeDialog::resetStockShapes();
         DRShapeDialog::setStockShapesPath(QStringLiteral(TWDRAW_BINARY_DIR "/") + DRShapeDialog::stockShapesName());
         return DRShapeDialog::runSheetForWindow(host);
       }},
  };
}

// Ends a dialog the case made: a sheet by its Cancel, another by deleting it.
void Dismiss(QDialog* dialog) {
  if (auto* sheet = qobject_cast<DRSheetController*>(dialog)) {
    sheet->handleCancel();
    Spin();
  } else {
    delete dialog;
  }
}

class HelpDialogLabelsTest : public DrawingWindowTest {
 protected:
  void TearDown() override {
    DrawingWindowTest::TearDown();
    DRShapeDialog::resetStockShapes();
    DRShapeDialog::setStockShapesPath(QString());
  }

  FakeHelpViewer help;
  QTemporaryDir folder;
};

TEST_F(HelpDialogLabelsTest, EachDialogsHelpOpensItsChapterWhichNamesAllItsControls) {
  CorvaneDoc* doc = HelpDocument();
  ASSERT_TRUE(doc);
  const QString pdf = folder.filePath(QStringLiteral("two.pdf"));
  ASSERT_TRUE(WriteTwoPagePdf(pdf));
  for (const DialogCase& c : DialogCases()) {
    SCOPED_TRACE(c.subject);
    QDialog* dialog = c.make(controller, pdf);
    ASSERT_TRUE(dialog);
    const QStringList texts = ControlTexts(dialog);

    // The Help button asks for one topic: the dialog's chapter.
    QAbstractButton* helpButton = nullptr;
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
      if (ControlText(button->text()) == QStringLiteral("Help")) helpButton = button;
    }
    if (!helpButton) Dismiss(dialog);
    ASSERT_TRUE(helpButton);
    help.shown.clear();
    helpButton->click();
    Dismiss(dialog);
    ASSERT_EQ(help.shown.size(), 1u);
    const int64_t topic = help.shown.front().first;
    ASSERT_EQ(topic, c.topic);
    ASSERT_LT(uint64_t(topic), ChapterCount(doc));
    const QString name = ChapterName(doc, uint32_t(topic));
    EXPECT_TRUE(name.startsWith(u'\t')) << "topic " << topic << " is no sub-chapter";
    EXPECT_TRUE(name.contains(QString::fromUtf8(c.subject), Qt::CaseInsensitive))
        << "topic " << topic << " is \"" << name.trimmed().toStdString() << "\"";

    const QString chapter = ChapterText(doc, uint32_t(topic));
    QStringList missing;
    for (const QString& text : texts) {
      if (!NamesText(chapter, text)) missing.append(text);
    }
    EXPECT_TRUE(missing.isEmpty()) << "topic " << topic << " lacks \"" << missing.join("\", \"").toStdString() << "\"";
  }
}

// Each tool's chapter names every control of the tool's options pane, as
// the window builds the panes.
TEST_F(HelpDialogLabelsTest, EachToolsChapterNamesTheControlsOfItsOptionsPane) {
  CorvaneDoc* doc = HelpDocument();
  ASSERT_TRUE(doc);
  auto* container = controller->window()->findChild<DRToolOptionsContainer*>();
  ASSERT_TRUE(container);
  // Drawing tools 1-13 have chapters 4-16, in the order of their numbers;
  // the painting tools have 36-47.
  std::vector<std::pair<DRTool, uint32_t>> tools;
  for (int tool = kToolSelect; tool <= kToolScribble; ++tool) tools.emplace_back(DRTool(tool), uint32_t(tool + 3));
  const DRTool paintTools[] = {kToolSelect, kToolEyedropper, kToolZoom, kToolLine,   kToolRectangle, kToolEllipse,
                               kToolBrush,  kToolPencil,     kToolBlur, kToolBucket, kToolEraser,    kToolCrop};
  for (size_t i = 0; i < std::size(paintTools); ++i) tools.emplace_back(paintTools[i], uint32_t(36 + i));
  for (const auto& [tool, chapter] : tools) {
    const bool inDraw = chapter < 35;
    const QString identifier = DRToolbarView::idForToolOptions(tool, inDraw);
    SCOPED_TRACE(
        ("tool " + QString::number(tool) + " (" + identifier + "), chapter " + QString::number(chapter)).toStdString());
    ASSERT_LT(chapter, ChapterCount(doc));
    QWidget* pane = container->tabView()->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
    // A tool without a pane of its own shows the one of no options.
    if (!pane) pane = container->tabView()->findChild<QWidget*>(QStringLiteral("no"), Qt::FindDirectChildrenOnly);
    ASSERT_TRUE(pane);
    const QString text = ChapterText(doc, chapter);
    QStringList missing;
    for (const QString& label : ControlTexts(pane)) {
      if (!NamesText(text, label)) missing.append(label);
    }
    EXPECT_TRUE(missing.isEmpty()) << "\"" << ChapterName(doc, chapter).trimmed().toStdString() << "\" lacks \""
                                   << missing.join("\", \"").toStdString() << "\"";
  }
}

// The chapters the Help menu opens: the welcome at first, then the chapter
// of the tab in front.
TEST_F(HelpDialogLabelsTest, TheHelpMenusChaptersAreTheTopLevelOnesOfTheirSubjects) {
  CorvaneDoc* doc = HelpDocument();
  ASSERT_TRUE(doc);
  const struct {
    uint32_t topic;
    const char* subject;
  } cases[] = {{0, "welcome"}, {3, "drawing tab"}, {35, "painting tab"}};
  for (const auto& c : cases) {
    ASSERT_LT(c.topic, ChapterCount(doc));
    const QString name = ChapterName(doc, c.topic);
    EXPECT_FALSE(name.startsWith(u'\t')) << "topic " << c.topic;
    EXPECT_TRUE(name.contains(QString::fromUtf8(c.subject), Qt::CaseInsensitive))
        << "topic " << c.topic << " is \"" << name.toStdString() << "\"";
  }
}

}  // namespace

// The drawing controller's commands for texts (alignment, style, size, the
// font and colour panels, combining and shrinking), for copying and pasting
// element and text styles, and for paintings (converting the selection, new
// blank paintings, imported image files) and the shape and background
// sheets.

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <cmath>
#include <memory>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementClosed.h"
#include "model/DRElementLine.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/TextLayout.h"
#include "platform/NotificationCenter.h"
#include "support/CSImage.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorAppServices.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"

namespace {

// The font size steps stop at this size, in points.
constexpr double kSmallestFontSize = 4.0;
// Shrinking leaves this much room beside the widest line, in points.
constexpr double kShrinkTextSlack = 2.0;
// New and imported paintings stand this far below the drawing's content
// and imported ones this far from the left edge, in points.
constexpr double g_importSpacing = 16.0;
// The painting-size sheet opens on this size, in points; the centring flag
// value that hides the sheet's centring box.
constexpr QSizeF kDefaultPaintingSize{288, 288};
constexpr int kHideCenterBox = 23;
// Shown in the colour panel for texts of different colours: opaque black.
constexpr Kolor kMixedTextColorShown = 0x64000000;

bool IsText(const DRElement* element) {
  return element && element->elementType() == kElementText;
}

// The text style of the kinds that have one: texts, and scribbles, polygons
// and bent lines (their captions).
const DRTextInfo* TextStyleOf(const DRElement* element) {
  if (const auto* text = dynamic_cast<const DRElementText*>(element)) return &text->textInfo();
  if (const auto* scribble = dynamic_cast<const DRElementScribble*>(element)) return &scribble->textInfo();
  return nullptr;
}

void SetTextStyle(DRElement* element, const DRTextInfo& style) {
  if (auto* text = dynamic_cast<DRElementText*>(element))
    text->setTextInfo(style);
  else if (auto* scribble = dynamic_cast<DRElementScribble*>(element))
    scribble->setTextInfo(style);
}

// The point size of a font, however it was given.
double PointSize(const QFont& font) {
  if (font.pointSizeF() > 0) return font.pointSizeF();
  return font.pixelSize() > 0 ? font.pixelSize() : 0;
}

void Beep() {
  QApplication::beep();
}

}  // namespace

// ---- Shared -----------------------------------------------------------------------------

std::vector<DRElement*> DRDrawVC::selectedTexts() const {
  std::vector<DRElement*> texts;
  if (!m_view) return texts;
  for (DRElement* element : m_view->selection()) {
    if (IsText(element)) texts.push_back(element);
  }
  return texts;
}

void DRDrawVC::postFontChange() {
  NotificationCenter::defaultCenter().post(g_fontChangeNotification, m_view ? m_view->notificationWindow() : nullptr);
}

// ---- Alignment and style ----------------------------------------------------------------

void DRDrawVC::changeAlignment(QObject* sender) {
  if (!m_view) return;
  const int alignment = senderTag(sender);
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoAlignment)) return;
  DRSettings& settings = DRSettings::sharedInstance();
  DRTextInfo style = settings.textInfo();
  style.setAlignment(alignment);
  settings.setTextInfo(style);
  ChangeSelectionNumber(m_view->notificationWindow(), g_alignmentKeyPath, QString(), alignment);
  m_view->ensureSelVisible();
  postFontChange();
}

Qt::CheckState DRDrawVC::styleState(int tag) const {
  std::optional<Qt::CheckState> common;
  for (const DRElement* element : selectedTexts()) {
    const DRTextInfo& style = static_cast<const DRElementText*>(element)->textInfo();
    const auto toState = [](int toggle) {
      return toggle > 0 ? Qt::Checked : (toggle == 0 ? Qt::Unchecked : Qt::PartiallyChecked);
    };
    Qt::CheckState state;
    switch (tag) {
      case 0:
        state = style.uiToggleState(true) != 1 && style.uiToggleState(false) != 1 && style.isUnderlined() != 1
                    ? Qt::Checked
                    : Qt::Unchecked;
        break;
      case 1:
        state = toState(style.uiToggleState(true));
        break;
      case 2:
        state = toState(style.uiToggleState(false));
        break;
      case 3:
        state = style.isUnderlined() == 1 ? Qt::Checked : Qt::Unchecked;
        break;
      default:
        state = Qt::PartiallyChecked;
        break;
    }
    if (!common)
      common = state;
    else if (*common != state)
      return Qt::PartiallyChecked;
  }
  return common.value_or(Qt::Unchecked);
}

void DRDrawVC::changeStyle(QObject* sender) {
  if (!m_view) return;
  const int tag = senderTag(sender);
  const bool value = styleState(tag) != Qt::Checked;
  m_view->normalize(true);
  QObject* window = m_view->notificationWindow();
  DRSettings& settings = DRSettings::sharedInstance();
  DRTextInfo style = settings.textInfo();
  switch (tag) {
    case 0:
      if (!openUndoEntry(kUndoActionChange, kUndoPlain)) return;
      style.setBold(0);
      style.setItalic(0);
      style.setUnderlined(0);
      settings.setTextInfo(style);
      ChangeSelectionBool(window, g_boldKeyPath, g_boldSetter, false);
      ChangeSelectionBool(window, g_italicKeyPath, g_italicSetter, false);
      ChangeSelectionBool(window, g_underlineKeyPath, g_underlineSetter, false);
      break;
    case 1:
      if (!openUndoEntry(kUndoActionChange, kUndoBold)) return;
      style.setBold(value);
      settings.setTextInfo(style);
      ChangeSelectionBool(window, g_boldKeyPath, g_boldSetter, value);
      break;
    case 2:
      if (!openUndoEntry(kUndoActionChange, kUndoItalic)) return;
      style.setItalic(value);
      settings.setTextInfo(style);
      ChangeSelectionBool(window, g_italicKeyPath, g_italicSetter, value);
      break;
    case 3:
      if (!openUndoEntry(kUndoActionChange, kUndoUnderline)) return;
      style.setUnderlined(value);
      settings.setTextInfo(style);
      ChangeSelectionBool(window, g_underlineKeyPath, g_underlineSetter, value);
      break;
    default:
      break;
  }
  m_view->ensureSelVisible();
  postFontChange();
}

// ---- Combining and sizing ----------------------------------------------------------------

void DRDrawVC::combineText(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  // A locked drawing is left alone, its selection included.
  if (!m_view || !drawing || drawing->isLocked()) return;
  m_view->normalize(true);
  if (m_view->selection().empty()) return;

  MeasureUnit widest = 0;
  std::vector<DRElement*> texts;
  const std::vector<DRElement*> selection = m_view->selection();
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    DRElement* element = *it;
    if (!IsText(element)) {
      m_view->invalidateElement(element);
      m_view->removeFromSelection(element);
      continue;
    }
    widest = std::max(widest, element->frame().width);
    texts.insert(texts.begin(), element);
  }
  if (texts.size() < 2) return;
  // Reading order: top edges, then left edges.
  std::stable_sort(texts.begin(), texts.end(), [](const DRElement* a, const DRElement* b) {
    const CSRect fa = a->frame(), fb = b->frame();
    return fa.y != fb.y ? fa.y < fb.y : fa.x < fb.x;
  });
  m_view->setSelection(texts);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoCombineText)) return;

  const auto* first = static_cast<const DRElementText*>(texts.front());
  std::unique_ptr<DRElement> copy = first->copy();
  auto* combined = dynamic_cast<DRElementText*>(copy.get());
  if (!combined) return;
  QString string = first->text();
  for (size_t i = 1; i < texts.size(); ++i) {
    if (!string.endsWith(u'\n')) string += u'\n';
    string += static_cast<const DRElementText*>(texts[i])->text();
  }
  CSRect frame = first->frame();
  frame.width = widest;
  combined->setFrame(frame);
  combined->setText(string);

  DRElementList& elements = drawing->elements();
  for (DRElement* text : texts) {
    m_view->invalidateElement(text);
    const auto found =
        std::find_if(elements.begin(), elements.end(), [text](const auto& element) { return element.get() == text; });
    if (found != elements.end()) elements.erase(found);
  }
  m_view->setSelection({});
  elements.push_back(std::move(copy));
  m_view->addToSelection(combined);
  m_view->invalidateElement(combined);
  m_view->ensureSelVisible();
  m_view->selectionDidChange();
}

void DRDrawVC::resizeFont(QObject* sender) {
  if (!m_view) return;
  const bool bigger = senderTag(sender) >= 1;
  m_view->normalize(true);
  const std::vector<DRElement*> texts = selectedTexts();
  if (texts.empty()) return;
  float smallest = 0, largest = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    const float size = std::floor(float(PointSize(static_cast<DRElementText*>(texts[i])->textInfo().fontValue())));
    smallest = i == 0 ? size : std::min(smallest, size);
    largest = i == 0 ? size : std::max(largest, size);
  }
  const float size = bigger ? largest + 1 : smallest - 1;
  if (size < kSmallestFontSize) return;

  if (!isUndoIDCurrent(m_fontSizeUndoID)) m_fontSizeUndoID = newUndoID();
  if (!setUndoID(m_fontSizeUndoID, kUndoActionChange, kUndoFontSize)) return;
  for (DRElement* element : texts) {
    auto* text = static_cast<DRElementText*>(element);
    m_view->invalidateElement(text);
    DRTextInfo style = text->textInfo();
    QFont font = style.fontValue();
    font.setPointSizeF(size);
    style.setFont(font);
    text->setTextInfo(style);
    m_view->invalidateElement(text);
  }
  m_view->ensureSelVisible();
  postFontChange();
}

void DRDrawVC::shrinkText(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoShrinkText)) return;
  if (m_view->selection().empty()) {
    undoManager().popUndo();
    return;
  }
  bool changed = false;
  for (DRElement* element : selectedTexts()) {
    auto* text = static_cast<DRElementText*>(element);
    CSRect frame = text->frame();
    // Measured as the element and its editor lay the text out.
    const double used =
        TextBoxSize(text->textInfo().expressWithText(text->text(), false), ConvertMeasureRect(frame).width()).width();
    // No narrower than a text box gets, so that a box already at that width
    // does not count as changed.
    const MeasureUnit wanted =
        std::max(MeasureFromDouble((used + kShrinkTextSlack) * double(kMeasurePerPoint)), kMinTextWidth);
    if (frame.width <= wanted) continue;
    m_view->invalidateElement(text);
    frame.width = wanted;
    text->setFrame(frame);
    m_view->invalidateElement(text);
    changed = true;
  }
  if (!changed)
    undoManager().popUndo();
  else
    m_view->ensureSelVisible();
}

// ---- Copying and pasting styles -------------------------------------------------------------

void DRDrawVC::copyTextStyle(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  m_view->normalize(true);
  std::optional<DRTextInfo> copied;
  for (const DRElement* element : m_view->selection()) {
    const DRTextInfo* style = TextStyleOf(element);
    if (!style) continue;
    if (!copied)
      copied = *style;
    else
      copied->intersectWith(*style);
  }
  if (copied) DRSettings::sharedInstance().setCopiedTextStyle(copied);
}

void DRDrawVC::pasteTextStyle(QObject* sender) {
  (void)sender;
  const std::optional<DRTextInfo> copied = DRSettings::sharedInstance().copiedTextStyle();
  if (!m_view || !copied) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoPasteStyle)) return;
  for (DRElement* element : m_view->selection()) {
    const DRTextInfo* style = TextStyleOf(element);
    if (!style) continue;
    m_view->invalidateElement(element);
    SetTextStyle(element, copied->pasteInto(*style));
    m_view->invalidateElement(element);
  }
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

void DRDrawVC::copyElementStyle(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  m_view->normalize(true);
  DRCopiedStyle style;
  m_view->getCurrentStyle(&style);
  DRSettings::sharedInstance().setCopiedStyle(style);
}

void DRDrawVC::pasteElementStyle(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoPasteStyle)) return;
  const DRCopiedStyle style = DRSettings::sharedInstance().copiedStyle();
  for (DRElement* element : m_view->selection()) {
    if (!element) continue;
    m_view->invalidateElement(element);
    if (element->canDrawLines()) element->setLineInfo(style.lineInfo);
    if (auto* line = dynamic_cast<DRElementLine*>(element))
      line->setArrow(style.arrow);
    else if (auto* bent = dynamic_cast<DRElementBentLine*>(element))
      bent->setArrow(style.arrow);
    element->setShadow(style.shadow);
    if (auto* closed = dynamic_cast<DRElementClosed*>(element)) {
      closed->setFillKolor(style.fillKolor);
      closed->setGradient(style.gradient);
    }
    m_view->invalidateElement(element);
  }
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

// ---- The font and colour panels ---------------------------------------------------------------

void DRDrawVC::showFonts(QObject* sender) {
  (void)sender;
  const std::vector<DRElement*> texts = selectedTexts();
  if (!m_view || texts.empty()) return;
  // The last selected text's font.
  const QFont font = static_cast<const DRElementText*>(texts.back())->textInfo().fontValue();
  m_view->ensureSelVisible();
  EditorAppServices().openFontPanel(font, texts.size() > 1, this);
}

void DRDrawVC::showFontColor(QObject* sender) {
  (void)sender;
  const std::vector<DRElement*> texts = selectedTexts();
  if (!m_view || texts.empty()) return;
  Kolor kolor = static_cast<const DRElementText*>(texts.back())->textInfo().textKolor();
  for (const DRElement* element : texts) {
    if (static_cast<const DRElementText*>(element)->textInfo().textKolor() != kolor) {
      kolor = kMixedTextColorShown;
      break;
    }
  }
  m_view->ensureSelVisible();
  // The window's info bar applies what is chosen, as for its own swatch.
  QObject* window = m_view->notificationWindow();
  DRInfobarView* infoBar = window ? window->findChild<DRInfobarView*>() : nullptr;
  EditorAppServices().openColorPanel(kSwatchTextColor, kolor, infoBar);
}

void DRDrawVC::changeFont(const FontConverter& convert) {
  if (!m_view || !convert) return;
  m_view->normalize(true);
  const std::vector<DRElement*> texts = selectedTexts();
  if (texts.empty()) return;
  // One entry for a run of changes from the panel, so that the change is
  // refused in a locked drawing and marks the document edited.
  if (!isUndoIDCurrent(m_fontUndoID)) m_fontUndoID = newUndoID();
  if (!setUndoID(m_fontUndoID, kUndoActionChange, kUndoFont)) return;
  for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
    auto* text = static_cast<DRElementText*>(*it);
    m_view->invalidateElement(text);
    DRTextInfo style = text->textInfo();
    style.setFont(convert(style.fontValue()));
    text->setTextInfo(style);
    m_view->invalidateElement(text);
  }
  postFontChange();
}

// ---- Paintings -----------------------------------------------------------------------------

void DRDrawVC::makePainting(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing || m_view->selection().empty()) return;
  m_view->normalize(true);
  closeTabsForElements(m_view->selection());

  // The canvas draws only the selection for the drawing's image.
  m_view->setDrawToClip(true);
  const CSImage image = drawing->createDrawingImage(false);
  m_view->setDrawToClip(false);
  const std::shared_ptr<DRPainting> painting = image.isNull() ? nullptr : DRPainting::paintingFromImage(image);
  if (!painting) {
    Beep();
    return;
  }
  painting->shrinkToFit();
  const CSPixmap* pixmap = painting->pixmap();
  if (!pixmap) {
    Beep();
    return;
  }
  if (!openUndoEntry(kUndoActionChange, kUndoConvertToPainting)) return;

  // The top left of what the selection covers: a rotated element's own
  // outline, the frame of any other.
  const std::vector<DRElement*> selection = m_view->selection();
  MeasureUnit x = 0, y = 0;
  for (size_t i = 0; i < selection.size(); ++i) {
    DRElement* element = selection[i];
    const CSRect area = element->rotation() != 0 ? element->trueBoundsInView(m_view) : element->frame();
    x = i == 0 ? area.x : std::min(x, area.x);
    y = i == 0 ? area.y : std::min(y, area.y);
  }
  auto bitmap = std::make_unique<DRElementBitmap>(painting);
  const CSPoint size = ConvertViewPoint(pixmap->width(), pixmap->height());
  bitmap->setFrame(CSRect{x, y, size.x, size.y});

  const std::vector<size_t> indexes = indexesOfSelectedElements();
  m_view->unselectAll(true);
  DRElementList& elements = drawing->elements();
  for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) elements.erase(elements.begin() + ptrdiff_t(*it));
  DRElement* added = bitmap.get();
  elements.push_back(std::move(bitmap));
  m_view->addToSelection(added);
  m_view->setNeedsDisplay();
  m_view->selectionDidChange();
}

void DRDrawVC::newPainting(QObject* sender) {
  (void)sender;
  DREditorWindowHost* window = windowController();
  if (!m_view || !window) return;
  g_centerFlag = kHideCenterBox;
  QPointer<DRDrawVC> self(this);
  EditorDialogs().getPaintingSize(window, kDefaultPaintingSize, [self](bool success, QSizeF size) {
    if (!self || !success) return;
    // The new painting opens in a tab of its own.
    if (self->newBitmap(size) && self->windowController()) self->windowController()->editPaintings();
  });
}

DRElement* DRDrawVC::newBitmap(QSizeF size) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing || !(size.width() >= 1) || !(size.height() >= 1)) return nullptr;
  const auto painting = std::make_shared<DRPainting>(size);
  if (!painting->pixmap()) return nullptr;
  auto bitmap = std::make_unique<DRElementBitmap>(painting);

  const QRectF visible = m_view->visibleRect();
  const double left = std::max(0.0, std::round(visible.x() + (visible.width() - size.width()) / 2));
  const QRectF content = ConvertMeasureRect(m_view->drawingExtent(true, false));
  const double top = content.y() + content.height() + g_importSpacing;
  bitmap->setFrame(ConvertViewRect(QRectF(left, top, size.width(), size.height())));
  if (!openUndoEntry(kUndoActionAddRemove, kUndoNewPainting)) return nullptr;

  DRElement* added = bitmap.get();
  drawing->elements().push_back(std::move(bitmap));
  m_view->invalidateElement(added);
  m_view->unselectAll(true);
  m_view->addToSelection(added);
  m_view->selectionDidChange();
  m_view->setDrawingFrame();
  m_view->ensureSelVisible();
  return added;
}

void DRDrawVC::importPaintings(QObject* sender) {
  (void)sender;
  // Images are placed by the clipboard code: without it no file is asked for.
  if (!m_view || !drawing() || !ClipboardServices().canTransferElements()) return;
  const QStringList paths = EditorDialogs().runOpenPanel(
      windowController(), QStringLiteral("Select image files to import"), CSImage::fileExtensions());
  if (paths.isEmpty()) return;
  if (!openUndoEntry(kUndoActionAddRemove, kUndoPaste)) return;
  m_view->unselectAll(true);

  // A column 16 points from the left edge, each image 16 points below the
  // one before, from 16 points below the content.
  const QRectF content = ConvertMeasureRect(m_view->drawingExtent(true, false));
  double cursor = content.y() + content.height();
  bool placed = false;
  for (const QString& path : paths) {
    const CSImage image = CSImage::initWithContentsOfFile(path);
    // A file that cannot be read is passed over without a word.
    if (image.isNull()) continue;
    const QSizeF size = image.size();
    const double x = std::ceil(size.width() * 0.5) + g_importSpacing;
    const double y = std::ceil(size.height() * 0.5) + g_importSpacing + cursor;
    cursor += g_importSpacing + size.height();
    DRElement* element = ClipboardServices().PasteImageCore(m_view, image, nullptr, false, false, x, y);
    if (!element) continue;
    m_view->addToSelection(element);
    if (auto* bitmap = dynamic_cast<DRElementBitmap*>(element); bitmap && bitmap->painting())
      bitmap->painting()->setFilePath(path);
    placed = true;
  }
  if (!placed) {
    undoManager().popUndo();
    return;
  }
  m_view->selectionDidChange();
  m_view->setDrawingFrame();
  m_view->ensureSelVisible();
}

void DRDrawVC::insertShape(QObject* sender) {
  (void)sender;
  if (m_view) m_view->normalize(true);
  EditorDialogs().runShapeSheet(windowController());
}

void DRDrawVC::setBackground(QObject* sender) {
  (void)sender;
  EditorDialogs().runBackgroundSheet(windowController());
}

// ---- Menu validation --------------------------------------------------------------------------

namespace {

void SetItemState(QAction* item, Qt::CheckState state) {
  if (!item) return;
  item->setCheckable(true);
  item->setChecked(state == Qt::Checked);
  item->setProperty(DRDrawVC::kStateProperty, int(state));
}

}  // namespace

bool DRDrawVC::validateTextUnlocked(QAction* item) {
  (void)item;
  return !isLocked() && !selectedTexts().empty();
}

bool DRDrawVC::validateChangeAlignment(QAction* item) {
  const std::vector<DRElement*> texts = selectedTexts();
  const int64_t alignment = senderTag(item);
  size_t matching = 0;
  for (const DRElement* element : texts) {
    if (static_cast<const DRElementText*>(element)->textInfo().alignment() == alignment) ++matching;
  }
  SetItemState(item, matching == 0 ? Qt::Unchecked : (matching == texts.size() ? Qt::Checked : Qt::PartiallyChecked));
  return !isLocked() && !texts.empty();
}

bool DRDrawVC::validateChangeStyle(QAction* item) {
  SetItemState(item, styleState(senderTag(item)));
  return validateTextUnlocked(item);
}

bool DRDrawVC::validateCombineText(QAction* item) {
  (void)item;
  return !isLocked() && selectedTexts().size() >= 2;
}

bool DRDrawVC::validateCopyTextStyle(QAction* item) {
  (void)item;
  return !selectedTexts().empty();
}

bool DRDrawVC::validatePasteTextStyle(QAction* item) {
  (void)item;
  return !isLocked() && DRSettings::sharedInstance().copiedTextStyle().has_value() && !selectedTexts().empty();
}

bool DRDrawVC::validateCopyElementStyle(QAction* item) {
  (void)item;
  return selectionAnswers([](const DRElement* e) { return e->elementType() != kElementGroup && !IsText(e); });
}

bool DRDrawVC::validatePasteElementStyle(QAction* item) {
  (void)item;
  return !isLocked() && DRSettings::sharedInstance().haveCopiedStyle() && selectionExcludesType(kElementGroup);
}

bool DRDrawVC::validateMakePainting(QAction* item) {
  (void)item;
  const std::vector<DRElement*>& selection = m_view->selection();
  if (selection.empty() || isLocked()) return false;
  // A plain bitmap alone is a painting already.
  if (selection.size() == 1 && selection.front() && selection.front()->elementType() == kElementBitmap)
    return !selection.front()->isVanilla();
  return true;
}

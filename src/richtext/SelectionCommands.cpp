#include "richtext/SelectionCommands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "richtext/Bookmarks.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/LiveRanges.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/Typing.h"
#include "richtext/Variables.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"

namespace {

// Undo actions and descriptors of the commands.
constexpr uint32_t kUndoActionProps = 8;
constexpr uint32_t kUndoActionStructure = 7;
constexpr uint32_t kStyleDescriptor = 69;
constexpr uint32_t kListDescriptor = 42;
constexpr uint32_t kListIndentDescriptor = 66;
constexpr uint32_t kLinkDescriptor = 44;
constexpr uint32_t kLinkStyleId = 6;
constexpr uint16_t kFixedPictureZoom = 1000;
constexpr uint16_t kFreePictureZoom = 16383;

DocRange SelectionOf(CorvaneDoc* doc) {
  DocRange range;
  GetSelectionRange(doc, &range);
  return DocRange{doc, std::min(range.first, range.limit), std::max(range.first, range.limit)};
}

bool HasObjectSelection(CorvaneDoc* doc) {
  return CurrentPane(doc)->objectSelection != kNoCpValue;
}

// The document's index of a style id: an index below 4,000, a builtin id
// (the style made when missing), "Normal" for the normal ids.
uint32_t StyleIndexForId(CorvaneDoc* doc, uint32_t styleId) {
  if (styleId >= kNormalStyleBase) return 0;
  if (styleId >= kBuiltinStyleBase) return StyleIndexForStyleId(doc, styleId - kBuiltinStyleBase, true, true);
  return styleId < StyleCount(doc) ? styleId : kNoPropertyIndex;
}

// The builtin id of the paragraph style of the paragraph at cp.
uint32_t ParagraphBuiltinId(CorvaneDoc* doc, uint32_t cp, DocRange* paragraph) {
  ParaProps props;
  FetchParaProps(doc, nullptr, cp, paragraph, &props);
  if (props.style >= StyleCount(doc)) return kNotBuiltinStyle;
  return StyleEntryAt(doc, props.style).builtinId;
}

// The paragraphs from first to limit, each as its range; a paragraph that
// is only a knot's mark (the end of a list) is left out.
std::vector<DocRange> ParagraphsIn(CorvaneDoc* doc, uint32_t first, uint32_t limit) {
  std::vector<DocRange> paragraphs;
  uint32_t cp = first;
  for (uint32_t guard = 0; cp < limit && cp < doc->textLimit && guard <= doc->cpLimit; ++guard) {
    DocRange paragraph;
    FetchParaProps(doc, nullptr, cp, &paragraph, nullptr);
    if (paragraph.limit <= cp) break;
    const bool onlyMark = paragraph.limit == paragraph.first + 1 && CharacterAtCp(doc, paragraph.first) == kKnotMark1;
    if (!onlyMark) paragraphs.push_back(DocRange{doc, std::max(paragraph.first, cp), paragraph.limit});
    cp = paragraph.limit;
  }
  return paragraphs;
}

void RefuseStyle() {
  GiveSimpleAlert(QStringLiteral("Can't change style."),
                  QStringLiteral("I can't apply this style to the selection. The style type does not match the "
                                 "selection type."));
}

void RefuseList(const QString& moreInfo) {
  GiveSimpleAlert(QStringLiteral("I can't insert a list there."), moreInfo);
}

// Gives a paragraph a list-level style (a builtin id), keeping its own
// formatting.
bool SetParagraphStyle(const DocRange& paragraph, uint32_t builtinId) {
  const uint32_t index = builtinId == 0 ? 0 : StyleIndexForStyleId(paragraph.doc, builtinId, true, false);
  return index != kNoPropertyIndex && RemapParaStyle(paragraph, index);
}

}  // namespace

void ApplyMoleculeToSelection(CorvaneDoc* doc, const Molecule* molecule, uint32_t undoId, uint32_t descriptor) {
  if (!doc || IsMoleculeEmpty(molecule) || HasObjectSelection(doc)) return;
  Pane* pane = CurrentPane(doc);
  DocRange range = SelectionOf(doc);
  const uint32_t type = PropertyTypeForMolecule(molecule);
  if (type == kCharProperties && range.first == range.limit) {
    Properties caret;
    caret.type = kCharProperties;
    caret.body.charProps = pane->caretProps;
    ApplyMoleculeToProps(doc, int32_t(range.first), &caret, molecule);
    SetCaretCharProps(doc, caret.body.charProps);
    return;
  }
  if (type == kParaProperties) ExpandDocRange(&range, kExpandParagraphs);
  if (undoId && !SetUndoForRange(&range, kUndoActionProps, undoId, descriptor)) return;
  SelectionEnum walk;
  InitSelectionEnum(doc, pane, nullptr, true, &walk);
  while (NextSelectionRange(&walk)) {
    const DocRange stretch{doc, walk.first, walk.limit};
    if (!ApplyMoleculeToRange(&stretch, molecule, 0, descriptor, false)) break;
  }
  if (undoId) CommitUndoForRange(&range);
}

bool ApplyStyle(CorvaneDoc* doc, uint32_t styleId, uint32_t undoDescriptor) {
  if (!doc) return false;
  const uint32_t type = PropTypeForStyle(doc, styleId);
  const DocRange selection = SelectionOf(doc);
  bool allowed = !HasObjectSelection(doc) && type != kFrameProperties && type <= kListProperties;
  if (allowed && (type == kTableProperties || type == kListProperties)) {
    KnotFormat knot;
    FetchKnot(doc, selection.first, &knot, type == kTableProperties ? kKnotTable : kKnotList);
    allowed = knot.index != kNoCpValue;
  }
  if (!allowed) {
    RefuseStyle();
    return false;
  }
  TurnOffSel(doc);
  const uint32_t index = StyleIndexForId(doc, styleId);
  if (index == kNoPropertyIndex) return false;
  bool ok = true;
  DocRange range = selection;
  switch (type) {
    case kCharProperties: {
      if (range.first == range.limit) {
        Properties record;
        if (!GetStyleProps(doc, index, kCharProperties, &record, nullptr) || record.type != kCharProperties)
          return false;
        SetCaretCharProps(doc, record.body.charProps);
        return true;
      }
      if (!SetUndoForRange(&range, kUndoActionProps, 0, undoDescriptor ? undoDescriptor : kStyleDescriptor))
        return false;
      // Paragraph by paragraph: style 0 means each paragraph's own character formatting.
      for (const DocRange& paragraph : ParagraphsIn(doc, range.first, range.limit)) {
        const DocRange part{doc, std::max(paragraph.first, range.first), std::min(paragraph.limit, range.limit)};
        if (part.limit > part.first) ok = RemapCharStyle(part, index) && ok;
      }
      break;
    }
    case kParaProperties:
      ExpandDocRange(&range, kExpandParagraphs);
      if (!SetUndoForRange(&range, kUndoActionProps, 0, undoDescriptor ? undoDescriptor : kStyleDescriptor))
        return false;
      ok = RemapParaStyle(range, index);
      break;
    case kChapterProperties:
      return false;  // a section style changes no selected text
    default: {
      KnotFormat knot;
      if (type == kTableProperties)
        FetchTable(doc, range.first, &knot, nullptr, nullptr);
      else
        FetchList(doc, nullptr, range.first, &knot, nullptr);
      if (knot.index == kNoCpValue) return false;
      range = DocRange{doc, knot.start, knot.limit};
      if (!SetUndoForRange(&range, kUndoActionStructure, 0, undoDescriptor ? undoDescriptor : kStyleDescriptor))
        return false;
      ok = type == kTableProperties ? RemapTableStyle(doc, knot.index, index) : RemapListStyle(doc, knot.index, index);
      InvalListCache(range);
      break;
    }
  }
  FinishPropertyEdit(&range, 2);
  CommitUndoForRange(&range);
  UpdateStylePopup(doc);
  return ok;
}

bool ApplyParaStyle(CorvaneDoc* doc, uint32_t styleId) {
  if (!doc || PropTypeForStyle(doc, styleId) != kParaProperties) {
    RefuseStyle();
    return false;
  }
  return ApplyStyle(doc, styleId, kStyleDescriptor);
}

void ReturnToStyle(CorvaneDoc* doc, uint32_t) {
  if (!doc || HasObjectSelection(doc)) return;
  MoleculePtr para(EmptyMolecule());
  MoleculePtr chars(EmptyMolecule());
  const uint16_t zero = 0;
  if (!para || !chars || !AddAtomToMolecule(para.get(), kParaProperties, kAtomReapplyStyle, &zero) ||
      !AddAtomToMolecule(chars.get(), kCharProperties, kAtomStyle, &zero))
    return;
  ApplyMoleculeToSelection(doc, para.get(), 0, kStyleDescriptor);
  ApplyMoleculeToSelection(doc, chars.get(), 0, kStyleDescriptor);
  UpdateStylePopup(doc);
}

bool ForceRangeToStyleId(const DocRange& range, uint32_t builtinId) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return false;
  const uint32_t index = StyleIndexForStyleId(doc, builtinId, true, true);
  if (index == kNoPropertyIndex) return false;
  Properties record, chars;
  if (!GetStyleProps(doc, index, PropTypeForStyle(doc, kBuiltinStyleBase + builtinId), &record, &chars)) return false;
  bool ok = ApplyPropsToRange(&range, &record, 0);
  if (ok && record.type == kParaProperties && chars.type == kCharProperties) {
    DocRange paragraphs = range;
    ExpandDocRange(&paragraphs, kExpandParagraphs);
    ok = ApplyPropsToRange(&paragraphs, &chars, 0);
  }
  InvalListCache(range);
  return ok;
}

bool InsertList(CorvaneDoc* doc, const ListProps& props) {
  if (!doc) return false;
  DocRange range = SelectionOf(doc);
  KnotFormat around;
  FetchKnot(doc, range.first, &around, 0);
  if (around.index != kNoCpValue && around.entry.type != kKnotChapter && around.entry.type != kKnotTable &&
      around.entry.type != kKnotRow && around.entry.type != kKnotNote) {
    RefuseList(
        QStringLiteral("The selection lies within a link, list, TOC entry, or something similar. I can't "
                       "put a list there."));
    return false;
  }
  Properties record;
  record.type = kListProperties;
  record.body.list = props;
  ExpandDocRange(&range, kExpandParagraphs);
  QString what;
  if (range.limit <= range.first || !IsLegalPasteForList(range, false, &what)) {
    if (what.isEmpty()) what = QStringLiteral("something unexpected");
    RefuseList(QStringLiteral("The selection contains %1. I can't convert it to a list.").arg(what));
    return false;
  }
  if (!SetUndoForRange(&range, kUndoActionStructure, 0, kListDescriptor)) return false;
  DeferDisplay();
  RegisterRange(&range, 0);
  bool ok = InsertKnot(&range, kKnotList, 0, &record, nullptr, true);
  KnotFormat made;
  if (ok) FetchKnot(doc, range.first, &made, kKnotList);
  if (ok && made.index != kNoCpValue) {
    // The paragraphs between the marks.
    for (const DocRange& paragraph : ParagraphsIn(doc, made.start + 1, made.limit - 1)) {
      if (IsListStyleId(ParagraphBuiltinId(doc, paragraph.first, nullptr))) continue;
      ok = SetParagraphStyle(paragraph, kFirstListStyleId) && ok;
    }
    InvalListCache(DocRange{doc, made.start, made.limit});
  }
  UnregisterRange(&range);
  UndeferDisplay(2);
  CommitUndoForRange(&range);
  UpdateElementList(doc);
  UpdateStylePopup(doc);
  return ok;
}

bool DeleteList(CorvaneDoc* doc) {
  if (!doc) return false;
  const DocRange selection = SelectionOf(doc);
  KnotFormat list;
  if (!FetchList(doc, nullptr, selection.first, &list, nullptr)) return false;
  DocRange range{doc, list.start, list.limit};
  if (!SetUndoForRange(&range, kUndoActionStructure, 0, kListDescriptor)) return false;
  DeleteKnot(&list);
  CommitUndoForRange(&range);
  UpdateElementList(doc);
  return true;
}

void ChangeListIndent(CorvaneDoc* doc, bool indent) {
  if (!doc) return;
  Pane* pane = CurrentPane(doc);
  if (HasObjectSelection(doc) || pane->contentsKind == 1) {
    Beep();
    return;
  }
  const DocRange selection = SelectionOf(doc);
  KnotFormat list;
  if (!FetchList(doc, nullptr, selection.first, &list, nullptr)) {
    if (!indent) return;
    const Properties* normal = PropertiesAtIndex(doc, doc->normalListIndex);
    ListProps props;
    if (normal && normal->type == kListProperties) props = normal->body.list;
    InsertList(doc, props);
    return;
  }
  const std::vector<DocRange> entries = ParagraphsIn(doc, list.start + 1, list.limit);
  if (!indent && std::all_of(entries.begin(), entries.end(), [&](const DocRange& p) {
        return ParagraphBuiltinId(doc, p.first, nullptr) == kFirstListStyleId;
      })) {
    DeleteList(doc);
    return;
  }
  DocRange range{doc, list.start, list.limit};
  if (!SetUndoForRange(&range, kUndoActionStructure, 0, kListIndentDescriptor)) return;
  DeferDisplay();
  // The selected entries, then the deeper entries after them (their
  // sub-entries), each one level in or out.
  std::vector<std::pair<DocRange, uint32_t>> moves;
  const uint32_t selectionEnd = std::max(selection.limit, selection.first + 1);
  uint32_t lastLevel = 0;
  for (const DocRange& entry : entries) {
    const uint32_t id = ParagraphBuiltinId(doc, entry.first, nullptr);
    const bool listLevel = IsListStyleId(id);
    const uint32_t level = listLevel ? id - kFirstListStyleId + 1 : 1;
    if (entry.limit > selection.first && entry.first < selectionEnd) {
      lastLevel = level;
    } else if (entry.first >= selectionEnd) {
      if (!lastLevel || !listLevel || level <= lastLevel) break;  // past the last sub-entry
    } else {
      continue;
    }
    uint32_t target = id;
    if (indent)
      target = listLevel ? std::min(id + 1, kLastListStyleId) : kFirstListStyleId;
    else if (listLevel)
      target = id == kFirstListStyleId ? 0 : id - 1;
    if (target != id) moves.emplace_back(entry, target);
  }
  RegisterRange(&range, 0);
  for (const auto& [entry, target] : moves) SetParagraphStyle(entry, target);
  UnregisterRange(&range);
  InvalListCache(range);
  UndeferDisplay(2);
  CommitUndoForRange(&range);
  UpdateStylePopup(doc);
}

bool SetLinkStrings(const DocRange& range, const QString& address, const QString& shownText) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return false;
  KnotFormat link;
  FetchKnot(doc, range.first, &link, kKnotLink);
  if (link.index == kNoCpValue || link.kinkCount < 3) return false;
  // The shown text first, so that the address part keeps its cps.
  const DocRange shown{doc, link.kinks[1] + 1, link.kinks[2]};
  if (!ReplaceRangeWithString(&shown, shownText)) return false;
  const DocRange addressPart{doc, link.kinks[0] + 1, link.kinks[1]};
  if (!ReplaceRangeWithString(&addressPart, address)) return false;
  KnotFormat changed;
  FetchKnot(doc, link.start, &changed, kKnotLink);
  if (changed.index == kNoCpValue) return false;
  return ForceRangeToStyleId(DocRange{doc, changed.start, changed.limit}, kLinkStyleId);
}

bool InsertLink(CorvaneDoc* doc, const QString& address, const QString* shownText, uint32_t undo) {
  if (!doc) return false;
  QString cleaned = CleanUpString(address, false, false);
  cleaned = NormalizeWwwLink(cleaned);
  if (cleaned.isEmpty()) return false;
  const QString shown = shownText && !shownText->isEmpty() ? *shownText : cleaned;
  DocRange selection = SelectionOf(doc);
  if (undo && !SetUndoForRange(&selection, kUndoActionStructure, undo, kLinkDescriptor)) return false;
  DeferDisplay();
  KnotFormat link;
  FetchKnot(doc, selection.first, &link, kKnotLink);
  uint32_t at = link.index != kNoCpValue ? link.start : selection.first;
  bool ok = true;
  if (link.index == kNoCpValue) {
    AdjustRangeForPaste(&selection, 0);
    if (selection.limit > selection.first) {
      ok = DeleteTextInRange(&selection);
      selection.limit = selection.first;
    }
    at = selection.first;
    ok = ok && InsertKnot(&selection, kKnotLink, 0, nullptr, nullptr, false);
  }
  if (ok && !SetLinkStrings(DocRange{doc, at, at + 1}, cleaned, shown)) {
    KnotFormat failed;
    FetchKnot(doc, at, &failed, kKnotLink);
    if (failed.index != kNoCpValue) {
      const DocRange whole{doc, failed.start, failed.limit};
      DeleteTextInRange(&whole);
    }
    ok = false;
  }
  KnotFormat done;
  FetchKnot(doc, at, &done, kKnotLink);
  const uint32_t caret = done.index != kNoCpValue ? done.limit : at;
  UndeferDisplay(2);
  SelectCps(doc, caret, caret, true);
  if (undo) CommitUndoForRange(&selection);
  return ok;
}

bool InsertPictureWithIndex(CorvaneDoc* doc, uint32_t index, uint32_t undoId) {
  if (!doc || index >= PictureCount(doc)) return false;
  Pane* pane = CurrentPane(doc);
  if (pane->contentsKind == 1) return false;
  DocRange selection = SelectionOf(doc);
  uint32_t word2 = 3;
  uint16_t zoom = g_corvaneConfig.fixedPictureZoom ? kFixedPictureZoom : kFreePictureZoom;
  KnotEntry replaced;
  if (selection.limit == selection.first + 1 && KnotEntryAtCp(doc, selection.first, &replaced) &&
      replaced.type == kKnotPicture) {
    word2 = replaced.word2;
    zoom = replaced.word3;
  }
  CharProps chars;
  FetchCharPropsFromSelection(doc, &chars);
  const bool withUndo = undoId && doc->kind == kViewDocument;
  if (withUndo && !SetUndoForRange(&selection, kUndoActionStructure, undoId, 0)) return false;
  AdjustRangeForPaste(&selection, 0);
  uint8_t extras[12] = {};
  std::memcpy(extras, &index, 4);
  std::memcpy(extras + 4, &word2, 4);
  std::memcpy(extras + 8, &zoom, 2);
  DocRange at = selection;
  bool ok = true;
  if (at.limit > at.first) {
    ok = DeleteTextInRange(&at);
    at.first = at.limit = LastReplaceCp() == kNoCpValue ? at.first : LastReplaceCp();
  }
  ok = ok && InsertKnot(&at, kKnotPicture, 1, nullptr, extras, false);
  if (ok) {
    Properties record;
    record.type = kCharProperties;
    record.body.charProps = chars;
    const DocRange mark{doc, at.first, at.first + 1};
    ApplyPropsToRange(&mark, &record, 0);
    SelectCps(doc, at.first + 1, at.first + 1, true);
  }
  if (withUndo) CommitUndoForRange(&selection);
  return ok;
}

bool InsertPicture(CorvaneDoc* doc, const CSImage& image, const QString* name, uint32_t undoId) {
  if (!doc) return false;
  const uint32_t index = StorePicture(doc, image, name);
  return index != kNoCpValue && InsertPictureWithIndex(doc, index, undoId);
}

bool CheckVariableJump(CorvaneDoc* doc, uint32_t cp) {
  if (!doc) return false;
  KnotFormat variable;
  FetchKnot(doc, cp, &variable, kKnotVariable);
  if (variable.index == kNoCpValue) return false;
  const uint32_t kind = variable.entry.word1;
  if (kind != kVariableBookmarkRef && kind != kVariableBookmarkPage && kind != kVariableBookmarkRefPage) return false;
  const uint32_t bookmark = BookmarkIndexForGuidIndex(doc, variable.entry.word2);
  if (bookmark == kNoBookmark || bookmark >= SizeOfDynamicCPArray(doc->bookmarkMarks)) return false;
  const uint32_t start = CpAtIndex(doc->bookmarkMarks, bookmark);
  const uint32_t limit = KnotLimitCp(doc, start);
  if (limit == kNoCpValue) return false;
  SelectCps(doc, start, limit, true);
  return true;
}

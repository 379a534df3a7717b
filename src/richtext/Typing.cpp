#include "richtext/Typing.h"

#include <QChar>
#include <algorithm>
#include <vector>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/SystemServices.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"
#include "support/ThreadStorage.h"

namespace {

bool HasHostView(CorvaneDoc* doc) {
  for (const Pane& pane : doc->panes)
    if (pane.view) return true;
  return doc->hostWindow != nullptr;
}

// The pane's last cp: its range's final paragraph mark.
uint32_t PaneLastCp(CorvaneDoc* doc, Pane* pane) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  return range.limit > range.first ? range.limit - 1 : range.first;
}

DocRange Ordered(const DocRange& range) {
  return DocRange{range.doc, std::min(range.first, range.limit), std::max(range.first, range.limit)};
}

bool IsSpace(char16_t unit) {
  return unit == u' ' || unit == 0x00A0 || unit == u'\t';
}

// Opens a deferred-display level for a document with a host view and closes
// it, with the reason, on every path.
class DisplayBracket {
 public:
  explicit DisplayBracket(CorvaneDoc* doc) : m_open(HasHostView(doc) && IsMainThread()) {
    if (m_open) DeferDisplay();
  }
  ~DisplayBracket() { close(2); }
  DisplayBracket(const DisplayBracket&) = delete;
  DisplayBracket& operator=(const DisplayBracket&) = delete;
  void close(uint32_t reason) {
    if (m_open) UndeferDisplay(reason);
    m_open = false;
  }

 private:
  bool m_open;
};

// Gives the inserted stretch first..limit one run of the record, merging
// with the run before when that has it already.
bool SetCharRun(CorvaneDoc* doc, uint32_t first, uint32_t limit, uint32_t index, uint32_t after) {
  CSArrayCP* runs = doc->charRuns;
  if (limit < doc->cpLimit && !EnforceFormatAtCp(runs, limit, after)) return false;
  const uint32_t before = first > 0 ? RunIndexForCp(runs, first - 1, nullptr) : kNoPropertyIndex;
  uint32_t at = 0;
  if (before == index) {
    if (RunIndexForCp(runs, first, &at) != kNoPropertyIndex && CpAtIndex(runs, at) == first && at > 0)
      DeleteFromDynamicCPArray(runs, at, 1);
  } else if (!EnforceFormatAtCp(runs, first, index)) {
    return false;
  }
  // The text after takes the same record: one run.
  if (limit < doc->cpLimit && after == index && RunIndexForCp(runs, limit, &at) != kNoPropertyIndex &&
      CpAtIndex(runs, at) == limit && at > 0)
    DeleteFromDynamicCPArray(runs, at, 1);
  return true;
}

// The character before the range for smart quotes: a space at the pane's
// first cp or for a knot mark.
char16_t QuoteContextBefore(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  if (cp <= paneRange.first || cp <= FirstVisibleCp(doc)) return u' ';
  const char16_t unit = CharacterAtCp(doc, cp - 1);
  return unit == kKnotMark0 || unit == kKnotMark1 ? u' ' : unit;
}

// A new empty paragraph after a typed break takes the next style of the
// paragraph before it, and so does the caret.
void ApplyNextStyle(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  if (cp == 0 || cp >= doc->textLimit || !IsParaBreak(CharacterAtCp(doc, cp)) ||
      !IsParaBreak(CharacterAtCp(doc, cp - 1)))
    return;
  ParaProps previous;
  FetchParaProps(doc, pane, cp - 1, nullptr, &previous);
  if (previous.style >= StyleCount(doc)) return;
  const StyleEntry entry = StyleEntryAt(doc, previous.style);
  if (entry.next == kStyleNone || entry.next == previous.style || entry.next >= StyleCount(doc)) return;
  Properties record, chars;
  if (!GetStyleProps(doc, entry.next, kParaProperties, &record, &chars) || record.type != kParaProperties) return;
  const DocRange paragraph{doc, cp, cp + 1};
  if (!ApplyPropsToRange(&paragraph, &record, 0)) return;
  if (chars.type == kCharProperties) {
    ApplyPropsToRange(&paragraph, &chars, 0);
    SetCaretCharProps(doc, chars.body.charProps);
  }
}

// The units of the stretch before cp that are spaces.
uint32_t SpacesBefore(CorvaneDoc* doc, uint32_t cp, uint32_t floor) {
  uint32_t n = 0;
  while (cp - n > floor && IsSpace(CharacterAtCp(doc, cp - n - 1))) ++n;
  return n;
}

}  // namespace

bool IsClosingPunctuation(char16_t unit) {
  switch (unit) {
    case u'!':
    case u'"':
    case u'\'':
    case u')':
    case u',':
    case u'.':
    case u':':
    case u';':
    case u'?':
    case u']':
    case u'}':
    case 0x2019:
    case 0x201D:
    case 0x00BB:
    case 0x203A:
      return true;
    default:
      break;
  }
  // The dashes and closing brackets of the general punctuation range.
  if (unit >= 0x2010 && unit <= 0x2015) return true;
  return unit == 0x2046 || unit == 0x207E || unit == 0x208E;
}

void AdjustRangeForPaste(DocRange* range, uint32_t) {
  if (!range || !range->doc) return;
  CorvaneDoc* doc = range->doc;
  const DocRange before = *range;
  KnotFormat knot;
  FetchKnot(doc, range->first, &knot, 0);
  bool innermost = true;
  for (uint32_t guard = 0; knot.index != kNoCpValue && guard < 64; ++guard) {
    const uint32_t type = knot.entry.type;
    // A row's begin mark is itself inside the row's table.
    const bool inside =
        (range->first > knot.start || (type == kKnotRow && range->first == knot.start)) && range->first < knot.limit;
    if (!inside) break;
    const uint32_t middle = knot.kinkCount > 1 ? knot.kinks[1] : knot.limit;
    if (type == kKnotBookmark || type == kKnotTag || (type == kKnotLink && range->limit == range->first)) {
      const uint32_t to = range->first < middle ? knot.start : knot.limit;
      *range = DocRange{doc, to, to};
    } else if (type == kKnotLink) {
      range->first = std::min(range->first, knot.start);
      range->limit = std::max(range->limit, knot.limit);
    } else if (type == kKnotTable && innermost) {
      *range = DocRange{doc, knot.limit, knot.limit};
    } else if (type == kKnotRow) {
      range->first = std::max(range->first, knot.start + 1);
      range->limit = std::max(range->limit, range->first);
    } else {
      break;
    }
    innermost = false;
    DocRange outer;
    if (!FindOuterKnot(knot, &outer)) break;
    FetchKnot(doc, outer.first, &knot, 0);
  }
  if (range->first != before.first || range->limit != before.limit) SelectCps(doc, range->first, range->limit, false);
}

bool InsertNewText(const DocRange* range, const char16_t* text, uint32_t length, const CharProps& charProps,
                   uint32_t undo, bool select) {
  if (!range || !range->doc || (!text && length)) return false;
  CorvaneDoc* doc = range->doc;
  DocRange dest = Ordered(*range);
  if (length == 0) {
    if (undo && !SetUndoForRange(&dest, 7, undo, 0)) return false;
    const bool ok = DeleteTextInRange(&dest);
    if (undo) CommitUndoForRange(&dest);
    return ok;
  }
  std::vector<char16_t> units(text, text + length);
  bool breakFree = true;
  for (char16_t& unit : units) {
    if (unit == kKnotMark0 || unit == kKnotMark1) unit = u' ';
    if (IsParaBreak(unit)) breakFree = false;
  }
  const bool wasDeferred = IsDisplayDeferred();
  DisplayBracket display(doc);
  Pane* pane = CurrentPane(doc);
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  // The pane's closing marks stay.
  if (dest.limit >= paneRange.limit && paneRange.limit > paneRange.first) {
    const uint32_t keep = pane->contentsKind < 2 ? 1 : 2;
    dest.limit = paneRange.limit >= keep ? paneRange.limit - keep : 0;
    dest.first = std::min(dest.first, dest.limit);
  }
  if (undo && !SetUndoForRange(&dest, 7, undo, 0)) return false;
  uint32_t at = dest.first;
  if (dest.limit > dest.first) {
    if (!DeleteTextInRange(&dest)) {
      if (undo) CommitUndoForRange(&dest);
      return false;
    }
    at = LastReplaceCp() == kNoCpValue ? dest.first : LastReplaceCp();
    at = std::min(VisibleCp(doc, pane, at, true), PaneLastCp(doc, pane));
  }
  // The text after the insertion keeps its record.
  const uint32_t afterIndex = RunIndexForCp(doc->charRuns, at, nullptr);
  const uint8_t savedBreakFree = doc->breakFree;
  doc->breakFree = breakFree ? 1 : 0;
  const DocRange insertion{doc, at, at};
  const bool ok = ReplaceRangeWithText(&insertion, units.data(), length);
  doc->breakFree = savedBreakFree;
  if (!ok) {
    if (undo) CommitUndoForRange(&dest);
    return false;
  }
  const uint32_t end = at + length;

  Properties record;
  record.type = kCharProperties;
  record.body.charProps = charProps;
  // A character style of kind 6 stands for the document's default formatting.
  if (charProps.style < StyleCount(doc) && StyleEntryAt(doc, charProps.style).type == 6)
    SetDefaultProperties(doc, kCharProperties, &record);
  const uint32_t index = IndexForProperties(doc, &record);
  if (index != kNoPropertyIndex && index != RunIndexForCp(doc->charRuns, at, nullptr))
    SetCharRun(doc, at, end, index, afterIndex);
  doc->cachedCharIndex = kNoPropertyIndex;
  const DocRange inserted{doc, at, end};
  InvalText(&inserted, !breakFree);

  display.close(2);
  if (select) {
    const uint32_t caret = std::min(end, PaneLastCp(doc, pane));
    SelectCps(doc, caret, caret, !wasDeferred);
    if (dest.limit > dest.first) NoteNewScrollPosition(doc, pane);
  }
  pane->caretX = -1.0f;
  if (undo) CommitUndoForRange(&inserted);
  return true;
}

bool InsertTextOverSel(CorvaneDoc* doc, const char16_t* text, uint32_t length, uint32_t undo, uint32_t) {
  if (!doc || !text || length == 0) return false;
  if (IsParaBreak(text[length - 1]) && ExcludesFinalMark(doc)) {
    if (--length == 0) return false;
  }
  Pane* pane = CurrentPane(doc);
  const bool byWords = pane->granularity == kGranularityWords;
  TurnOffSel(doc);
  if (pane->objectSelection != kNoCpValue) {
    DocRange paneRange;
    GetPaneRange(doc, pane, &paneRange);
    SelectCps(doc, paneRange.first, paneRange.first, false);
  }
  DocRange range;
  GetSelectionRange(doc, &range);
  range = Ordered(range);
  AdjustRangeForPaste(&range, 0);
  CharProps charProps;
  FetchCharPropsFromSelection(doc, &charProps);

  std::vector<char16_t> typed(text, text + length);
  if (g_corvaneConfig.smartQuotes) {
    char16_t previous = QuoteContextBefore(doc, pane, range.first);
    for (uint32_t i = 0; i < length; ++i) {
      char16_t next = i + 1 < length ? typed[i + 1] : CharacterAtCp(doc, range.limit);
      if (next == kKnotMark0 || next == kKnotMark1) next = u' ';
      typed[i] = SubstituteQuotes(typed[i], previous, next);
      previous = typed[i];
    }
  }

  const char16_t firstUnit = typed.front();
  const char16_t lastUnit = typed.back();
  const bool smartWord = byWords && g_corvaneConfig.smartSpacing && range.limit > range.first && !IsSpace(firstUnit) &&
                         !QChar(firstUnit).isPunct() && !IsSpace(lastUnit);
  if (smartWord) {
    // The replaced word's trailing spaces stay between it and the next word.
    range.limit -= std::min(range.limit - range.first, SpacesBefore(doc, range.limit, range.first));
  } else if (!IsParaBreak(lastUnit) && range.limit > range.first && IsParaBreak(CharacterAtCp(doc, range.limit - 1))) {
    --range.limit;  // the paragraph's break stays
  }

  if (!InsertNewText(&range, typed.data(), uint32_t(typed.size()), charProps, undo, true)) return false;
  SetCaretCharProps(doc, charProps);
  if (undo) ObscureCursor();
  bool breakTyped = false;
  for (char16_t unit : typed) breakTyped = breakTyped || IsParaBreak(unit);
  if (breakTyped) {
    DocRange caret;
    GetSelectionRange(doc, &caret);
    ApplyNextStyle(doc, pane, caret.first);
  }
  return true;
}

bool DeleteText(CorvaneDoc* doc, bool forward, bool byWord, uint32_t undo) {
  if (!doc) return false;
  Pane* pane = CurrentPane(doc);
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  const uint32_t lastCp = PaneLastCp(doc, pane);
  DocRange range;
  GetSelectionRange(doc, &range);
  range = Ordered(range);
  const bool caret = range.first == range.limit && pane->objectSelection == kNoCpValue;
  if (caret) {
    const uint32_t at = range.first;
    if (forward) {
      if (at >= lastCp) {
        // Only an empty last paragraph that is not the pane's first goes.
        DocRange paragraph;
        FetchParaProps(doc, pane, at, &paragraph, nullptr);
        if (paragraph.first != at || at <= FirstVisibleCp(doc) || at == 0) return false;
        range = DocRange{doc, at, at + 1};
      } else {
        const uint32_t cp = VisibleCp(doc, pane, at, true);
        range = DocRange{doc, cp, cp + 1};
      }
    } else {
      if (at <= paneRange.first || at == 0) return false;
      const uint32_t cp = VisibleCp(doc, pane, at - 1, false);
      if (cp >= at || cp < VisibleCp(doc, pane, paneRange.first + 1, true) || cp < FirstVisibleCp(doc)) return false;
      range = DocRange{doc, cp, cp + 1};
    }
    // Never half of a surrogate pair.
    if (range.first > 0 && QChar::isLowSurrogate(CharacterAtCp(doc, range.first)) &&
        QChar::isHighSurrogate(CharacterAtCp(doc, range.first - 1)))
      --range.first;
    if (range.limit < doc->textLimit && QChar::isHighSurrogate(CharacterAtCp(doc, range.limit - 1)) &&
        QChar::isLowSurrogate(CharacterAtCp(doc, range.limit)))
      ++range.limit;
    if (byWord) {
      range.first = std::min(range.first, WordStart(doc, pane, range.first));
      range.limit = std::max(range.limit, WordLimit(doc, pane, range.first, true));
      range.limit = std::min(range.limit, lastCp);
    }
  } else if (pane->granularity == kGranularityWords && g_corvaneConfig.smartSpacing && range.limit > range.first) {
    // One space between words goes with the word, unless punctuation or the
    // sentence's end follows.
    uint32_t cp = range.limit;
    const char16_t after = CharacterAtCp(doc, cp);
    while (cp < lastCp && IsSpace(CharacterAtCp(doc, cp))) ++cp;
    const char16_t next = CharacterAtCp(doc, cp);
    const bool sentenceEnds = cp > range.limit && (next == u'.' || next == u'!' || next == u'?' || IsParaBreak(next));
    if (!IsClosingPunctuation(after) && !sentenceEnds)
      range.first -= SpacesBefore(doc, range.first, std::max(paneRange.first, FirstVisibleCp(doc)));
  }
  if (range.limit <= range.first) return false;

  EnsureSelVisible(doc, pane);
  if (undo && !SetUndoForRange(&range, 7, undo, 0)) return false;
  TurnOffSel(doc);
  RegisterRange(&range, 0);
  bool ok = true;
  if (caret) {
    ok = DeleteTextInRange(&range);
  } else {
    // Backwards, so that the cells still to come keep their cps.
    SelectionEnum walk;
    InitSelectionEnum(doc, pane, &range, false, &walk);
    while (ok && NextSelectionRange(&walk)) {
      const DocRange part{doc, walk.first, walk.limit};
      ok = DeleteTextInRange(&part);
    }
  }
  const uint32_t after = LastReplaceCp() == kNoCpValue ? range.first : LastReplaceCp();
  const uint32_t at = std::min(after, PaneLastCp(doc, pane));
  SelectCps(doc, at, at, true);
  pane->caretX = -1.0f;
  NoteNewScrollPosition(doc, pane);
  if (undo) CommitUndoForRange(&range);
  UnregisterRange(&range);
  return ok;
}

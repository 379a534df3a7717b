#include "richtext/FindReplace.h"

#include <algorithm>
#include <vector>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

struct FindState {
  uint32_t type = kFindNone;
  QString find;
  QString replacement;
  uint32_t options = 0;
  uint32_t sequence = 0;
  uint32_t knotIndex = kNoCpValue;
  uint32_t replaceCount = 0;
};
FindState g_find;

// Keeps the first 255 units, never half a surrogate pair.
QString Cut(const QString& string) {
  if (string.size() <= kMaxFindUnits) return string;
  qsizetype n = kMaxFindUnits;
  if (string[n - 1].isHighSurrogate()) --n;
  return string.left(n);
}

// A key for comparing: knot marks of the document match nothing.
constexpr uint32_t kMarkKey = 0x10000;

uint32_t KeyFor(char16_t unit, uint32_t options) {
  if (options & kFindIgnoreCase) unit = QChar(unit).toLower().unicode();
  if (g_corvaneConfig.smartQuotes) {
    if (unit == u'\'' || unit == 0x2018 || unit == 0x2019) return u'\'';
    if (unit == u'"' || unit == 0x201C || unit == 0x201D) return u'"';
  }
  return unit;
}

Pane* PaneOf(CorvaneDoc* doc) { return CurrentPane(doc); }

void SelectionOf(CorvaneDoc* doc, uint32_t* first, uint32_t* limit) {
  Pane* pane = PaneOf(doc);
  const auto a = uint32_t(std::max(0, std::min(pane->anchor, pane->end)));
  const auto b = uint32_t(std::max(0, std::max(pane->anchor, pane->end)));
  *first = std::min(a, doc->textLimit);
  *limit = std::min(b, doc->textLimit);
}

void Select(CorvaneDoc* doc, const DocRange& range) {
  Pane* pane = PaneOf(doc);
  pane->anchor = int32_t(range.first);
  pane->end = int32_t(range.limit);
  pane->objectSelection = kNoCpValue;
}

// The found range becomes the selection; interactive finds show it, silent
// ones report it.
void SelectFoundText(CorvaneDoc* doc, const DocRange& range, bool flash, bool silent) {
  Select(doc, range);
  const bool shown = doc->hostWindow || PaneOf(doc)->view;
  if (flash && !silent) {
    if (doc->kind == kHelpDocument)
      ShowFindRangeInHelp(range);
    else if (shown)
      FlashSelection(PaneOf(doc));
  } else if (silent) {
    ReportFoundRange(doc, g_find.sequence);
  }
}

void NotFound(bool silent) {
  if (!silent && g_corvaneConfig.beepOnFindFailure) Beep();
}

// Letters and digits make words; knot marks count as letters.
bool IsWordUnit(char16_t unit) {
  return unit == kKnotMark0 || unit == kKnotMark1 || QChar(unit).isLetterOrNumber() || QChar(unit).isMark();
}

// A match begins at a word's start and ends at its end.
bool IsWholeWord(CorvaneDoc* doc, const DocRange& match) {
  if (match.limit <= match.first) return false;
  const bool startsWord = match.first == 0 || !IsWordUnit(CharacterAtCp(doc, match.first - 1)) ||
                          !IsWordUnit(CharacterAtCp(doc, match.first));
  const bool endsWord = match.limit >= doc->cpLimit || !IsWordUnit(CharacterAtCp(doc, match.limit)) ||
                        !IsWordUnit(CharacterAtCp(doc, match.limit - 1));
  return startsWord && endsWord;
}

// The knot kinds of the object finds.
bool FindKnot(CorvaneDoc* doc, uint32_t type, bool forward, DocRange* found) {
  const uint32_t knotType = type == kFindPicture ? kKnotPicture : type == kFindCheckbox ? kKnotCheckbox : kKnotDivider;
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  DocRange pane;
  GetPaneRange(doc, PaneOf(doc), &pane);
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  auto matches = [&](uint32_t i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type != knotType) return false;
    if (type == kFindPicture && g_find.knotIndex != kNoCpValue && entry.word1 != g_find.knotIndex) return false;
    const uint32_t cp = CpAtIndex(doc->knots, i);
    return cp >= pane.first && cp < pane.limit;
  };
  const bool wrap = g_find.options & kFindWrap;
  std::vector<uint32_t> order;
  for (uint32_t pass = 0; pass < (wrap ? 2u : 1u); ++pass) {
    for (uint32_t n = 0; n < count; ++n) {
      const uint32_t i = forward ? n : count - 1 - n;
      const uint32_t cp = CpAtIndex(doc->knots, i);
      const bool inFirstPass = forward ? cp >= limit : cp < first;
      if ((pass == 0) != inFirstPass) continue;
      if (matches(i)) {
        *found = DocRange{doc, cp, cp + 1};
        return true;
      }
    }
  }
  return false;
}

bool FindObject(CorvaneDoc* doc, uint32_t type, bool forward, bool silent) {
  DocRange found;
  if (!FindKnot(doc, type, forward, &found)) {
    NotFound(silent);
    return false;
  }
  SelectFoundText(doc, found, true, silent);
  return true;
}

}  // namespace

void SetFindStrings(const QString& find, const QString& replacement) {
  g_find.find = Cut(TranslateCodes(find, true));
  g_find.replacement = Cut(TranslateCodes(replacement, false));
  const QString& f = g_find.find;
  if (f.isEmpty()) {
    g_find.type = kFindNone;
  } else if (f.size() == 1 && f[0].unicode() >= 1 && f[0].unicode() <= 3) {
    const uint32_t types[] = {kFindPicture, kFindCheckbox, kFindDivider};
    g_find.type = types[f[0].unicode() - 1];
  } else {
    g_find.type = kFindText;
  }
  g_find.knotIndex = kNoCpValue;
}

uint32_t FindOptions() { return g_find.options; }
void SetFindOptions(uint32_t options) { g_find.options = options & ~kFindFromStart; }
void SetFindSequence(uint32_t sequence) { g_find.sequence = sequence; }
uint32_t FindType() { return g_find.type; }
QString FindString() { return g_find.type == kFindNone ? QString() : SubstituteCodes(g_find.find); }
QString ReplacementString() { return SubstituteCodes(g_find.replacement); }
bool FindingText() { return g_find.type == kFindText; }
bool MayFindNext() { return g_find.type != kFindNone; }

bool MayFindPrevious() {
  switch (g_find.type) {
    case kFindBrokenLinks:
    case kFindCheckbox:
    case kFindDivider:
    case kFindPicture:
      return true;
    case kFindText:
      return std::none_of(g_find.find.begin(), g_find.find.end(), [](QChar c) { return IsParaBreak(c.unicode()); });
    default:
      return false;
  }
}

void WipeFindState() {
  if (g_find.type == kFindBookmarkRefs || (g_find.type == kFindPicture && g_find.knotIndex != kNoCpValue))
    g_find.type = kFindNone;
  g_find.knotIndex = kNoCpValue;
}

uint32_t ReplaceCount() { return g_find.replaceCount; }

bool FindTextInRange(CorvaneDoc* doc, const QString& string, uint32_t options, const DocRange& scan, bool forward,
                     DocRange* found) {
  const auto m = uint32_t(string.size());
  if (!doc || m == 0) return false;
  if (m == 1 && string[0].unicode() >= 1 && string[0].unicode() <= 3) return false;
  const uint32_t first = scan.first;
  const uint32_t limit = std::min(scan.limit, doc->textLimit);
  if (limit < first || limit - first < m) return false;

  // Knuth-Morris-Pratt over the compare keys: linear whatever the pattern.
  std::vector<uint32_t> pattern(m);
  for (uint32_t i = 0; i < m; ++i) pattern[i] = KeyFor(string[i].unicode(), options);
  std::vector<uint32_t> fail(m, 0);
  for (uint32_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && pattern[i] != pattern[k]) k = fail[k - 1];
    if (pattern[i] == pattern[k]) ++k;
    fail[i] = k;
  }
  bool any = false;
  uint32_t matched = 0;
  uint32_t cp = first;
  while (cp < limit) {
    uint32_t pieceLimit = 0;
    const char16_t* units = DocumentTextPtr(doc, cp, &pieceLimit);
    const uint32_t end = std::min(limit, std::max(pieceLimit, cp + 1));
    for (; cp < end; ++cp) {
      const char16_t unit = *units++;
      const uint32_t key = unit == kKnotMark0 || unit == kKnotMark1 ? kMarkKey : KeyFor(unit, options);
      while (matched > 0 && key != pattern[matched]) matched = fail[matched - 1];
      if (key == pattern[matched]) ++matched;
      if (matched < m) continue;
      const DocRange match{doc, cp + 1 - m, cp + 1};
      matched = fail[m - 1];
      if ((options & kFindWholeWords) && !IsWholeWord(doc, match)) continue;
      *found = match;
      any = true;
      if (forward) return true;
    }
  }
  return any;
}

namespace {

// The forward search from the selection's end (the pane's start with
// kFindFromStart), wrapping when asked.
bool SearchForward(CorvaneDoc* doc, const QString& string, uint32_t options, DocRange* found) {
  DocRange scan;
  GetScanRange(doc, 0, false, &scan);
  if (options & kFindFromStart) GetPaneRange(doc, PaneOf(doc), &scan);
  scan.limit = std::min(scan.limit, doc->textLimit);
  if (FindTextInRange(doc, string, options, scan, true, found)) return true;
  if (!(options & kFindWrap)) return false;
  DocRange pane;
  GetPaneRange(doc, PaneOf(doc), &pane);
  // Again from the pane's start, up to where the first scan began.
  const DocRange again{doc, pane.first, std::min<uint32_t>(scan.first + uint32_t(string.size()) - 1, scan.limit)};
  return FindTextInRange(doc, string, options, again, true, found);
}

}  // namespace

bool FindText(CorvaneDoc* doc, const QString& string, uint32_t options, bool select, const bool* cancelFlag,
              bool silent) {
  if (!doc || (cancelFlag && *cancelFlag)) return false;
  DocRange found;
  if (!SearchForward(doc, string, options, &found)) return false;
  if (select) SelectFoundText(doc, found, !silent, silent);
  return true;
}

bool FindNext(CorvaneDoc* doc, bool fromStart, const bool* cancelFlag) {
  if (!doc) return false;
  const bool silent = cancelFlag != nullptr;
  if (doc->kind == kHelpDocument && g_find.type != kFindText) return false;
  switch (g_find.type) {
    case kFindText: {
      const uint32_t options = fromStart ? g_find.options | kFindFromStart : g_find.options & ~kFindFromStart;
      if (FindText(doc, g_find.find, options, true, cancelFlag, silent)) return true;
      NotFound(silent);
      return false;
    }
    case kFindCheckbox:
    case kFindDivider:
    case kFindPicture:
      if (fromStart) Select(doc, DocRange{doc, FirstVisibleCp(doc), FirstVisibleCp(doc)});
      return FindObject(doc, g_find.type, true, silent);
    default:
      return false;
  }
}

bool FindPrevious(CorvaneDoc* doc) {
  if (!doc || !MayFindPrevious()) return false;
  if (doc->kind == kHelpDocument && g_find.type != kFindText) return false;
  if (g_find.type != kFindText) return FindObject(doc, g_find.type, false, false);
  DocRange scan;
  GetBackwardScanRange(doc, false, false, &scan);
  DocRange found;
  bool ok = FindTextInRange(doc, g_find.find, g_find.options, scan, false, &found);
  if (!ok && (g_find.options & kFindWrap)) {
    const auto m = uint32_t(g_find.find.size());
    const DocRange again{doc, scan.limit >= m ? scan.limit - m + 1 : 0, doc->textLimit};
    ok = FindTextInRange(doc, g_find.find, g_find.options, again, false, &found);
  }
  if (!ok) {
    NotFound(false);
    return false;
  }
  SelectFoundText(doc, found, true, false);
  return true;
}

QString MatchReplacementCase(const QString& replacement, const QString& found) {
  for (QChar c : replacement)
    if (c.isUpper() || c.isPunct() || c.isSymbol() || IsParaBreak(c.unicode())) return replacement;
  bool firstIsCapital = false, laterCapital = false, anySmall = false, anyCapital = false, seenLetter = false;
  for (QChar c : found) {
    if (!c.isLetter()) continue;
    if (!seenLetter) {
      firstIsCapital = c.isUpper();
      seenLetter = true;
    } else if (c.isUpper()) {
      laterCapital = true;
    }
    anyCapital = anyCapital || c.isUpper();
    anySmall = anySmall || c.isLower();
  }
  if (!anyCapital) return replacement;
  if (!anySmall || (!firstIsCapital && laterCapital)) return replacement.toUpper();
  QString title = replacement;
  for (qsizetype i = 0; i < title.size(); ++i) {
    if (title[i].isLetter()) {
      title[i] = title[i].toUpper();
      break;
    }
  }
  return title;
}

namespace {

// Replaces the selection; false when the edit fails.
bool ReplaceSelection(CorvaneDoc* doc) {
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  QString replacement = g_find.replacement;
  if (g_find.options & kFindIgnoreCase)
    replacement = MatchReplacementCase(replacement, RawTextString(doc, first, limit));
  replacement = Cut(replacement);
  const DocRange dest{doc, first, limit};
  const bool ok = replacement.isEmpty() ? DeleteTextInRange(&dest) : ReplaceRangeWithString(&dest, replacement);
  if (!ok) return false;
  const uint32_t after = LastReplaceCp() == kNoCpValue ? first : LastReplaceCp();
  Select(doc, DocRange{doc, after, after});
  return true;
}

}  // namespace

bool ReplaceText(CorvaneDoc* doc, bool replaceAll, bool findAgain, bool forward, bool withUndo) {
  if (!doc) return false;
  g_find.replaceCount = 0;
  if (g_find.type != kFindText) {
    if (g_corvaneConfig.beepOnFindFailure) Beep();
    return false;
  }
  if (!replaceAll) {
    uint32_t first, limit;
    SelectionOf(doc, &first, &limit);
    const DocRange selection{doc, first, limit};
    if (withUndo && !SetUndoForRange(&selection, 27, 0, 27)) return false;
    const bool ok = ReplaceSelection(doc);
    if (withUndo) CommitUndoForRange(&selection);
    if (!ok) return false;
    g_find.replaceCount = 1;
    if (findAgain && !(forward ? FindNext(doc, false) : FindPrevious(doc))) Beep();
    return true;
  }

  if (!FindText(doc, g_find.find, g_find.options | kFindFromStart, true, nullptr, false)) {
    SetStatusMessage(doc, QStringLiteral("Not found"), true);
    Beep();
    return false;
  }
  DeferDisplay();
  DocRange whole{doc, 0, doc->cpLimit};
  RegisterRange(&whole, 0);
  if (withUndo) SetUndoForRange(&whole, 28, 0, 28);
  // One pass to the text's end: the search began at the start, so wrapping
  // would only find the replacements again (and never end when the
  // replacement holds the match).
  const uint32_t options = g_find.options & ~(kFindWrap | kFindFromStart);
  uint32_t count = 0;
  DocRange found;
  while (ReplaceSelection(doc)) {
    ++count;
    if (!SearchForward(doc, g_find.find, options, &found)) break;
    Select(doc, found);
  }
  Select(doc, DocRange{doc, LastReplaceCp(), LastReplaceCp()});
  UnregisterRange(&whole);
  UndeferDisplay(2);
  if (withUndo) CommitUndoForRange(&whole);
  g_find.replaceCount = count;
  SetStatusMessage(doc, QStringLiteral("%1 replaced").arg(count), true);
  return count > 0;
}

#include "richtext/FindReplace.h"

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
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "richtext/Typing.h"
#include "richtext/Variables.h"
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
  // Formatting and style finds: the record sought (its style field alone
  // for a style), and the style's type, builtin id and name.
  Properties props;
  uint32_t styleType = kNoProperties;
  uint32_t styleId = kNotBuiltinStyle;
  QString styleName;
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
    if (doc->kind == kHelpDocument) {
      ShowFindRangeInHelp(range);
    } else if (shown) {
      // A match inside a link selects the link.
      KnotFormat link;
      FetchKnot(doc, range.first, &link, kKnotLink);
      if (link.index != kNoCpValue && link.start < range.first && range.limit < link.limit)
        SelectCps(doc, link.start, link.limit, true);
      else
        SelectCps(doc, range.first, range.limit, true);
      FlashSelection(PaneOf(doc));
    }
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

// Searching skips notes and chapter headings.
bool MaySearchAtCp(CorvaneDoc* doc, uint32_t cp) {
  if (CpIsWithinKnot(doc, cp, kKnotNote, nullptr)) return false;
  KnotFormat chapter;
  FetchKnot(doc, cp, &chapter, kKnotChapter);
  return chapter.index == kNoCpValue;
}

// A paragraph shows a checkbox through its own settings or its list level's
// marker.
bool ParagraphShowsCheckbox(CorvaneDoc* doc, uint32_t cp) {
  ParaProps props;
  FetchParaProps(doc, nullptr, cp, nullptr, &props);
  if (props.check) return true;
  if (props.style >= StyleCount(doc) || !IsListStyleId(StyleEntryAt(doc, props.style).builtinId)) return false;
  KnotFormat list;
  ListProps listProps;
  if (!FetchList(doc, nullptr, cp, &list, &listProps)) return false;
  const uint32_t level = std::clamp(ListLevelOfParagraph(doc, props), 1u, kListLevels);
  return listProps.mark[level - 1].type == kMarkerCheck;
}

// The cps of the objects sought within the pane, ascending.
std::vector<uint32_t> ObjectCps(CorvaneDoc* doc, uint32_t type, const DocRange& pane) {
  const uint32_t knotType = type == kFindPicture ? kKnotPicture : type == kFindCheckbox ? kKnotCheckbox : kKnotDivider;
  std::vector<uint32_t> cps;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t cp = CpAtIndex(doc->knots, i);
    if (cp < pane.first || cp >= pane.limit) continue;
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type != knotType) continue;
    if (type == kFindPicture && g_find.knotIndex != kNoCpValue && entry.word1 != g_find.knotIndex) continue;
    if (MaySearchAtCp(doc, cp)) cps.push_back(cp);
  }
  if (type == kFindCheckbox && !doc->replaceTextFlag) {
    const uint32_t last = pane.limit > pane.first ? pane.limit - 1 : pane.first;
    for (uint32_t cp = pane.first; cp < last;) {
      DocRange paragraph;
      FetchParaProps(doc, nullptr, cp, &paragraph, nullptr);
      const uint32_t first = FirstVisibleCpInPara(doc, PaneOf(doc), std::max(paragraph.first, cp));
      if (first < last && MaySearchAtCp(doc, first) && ParagraphShowsCheckbox(doc, first)) cps.push_back(first);
      if (paragraph.limit <= cp) break;
      cp = paragraph.limit;
    }
    std::sort(cps.begin(), cps.end());
    cps.erase(std::unique(cps.begin(), cps.end()), cps.end());
  }
  return cps;
}

// The next object forward from the selection's end (backward from its
// start), wrapping from the pane's other end when asked.
bool FindKnot(CorvaneDoc* doc, uint32_t type, bool forward, DocRange* found) {
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  DocRange pane;
  GetPaneRange(doc, PaneOf(doc), &pane);
  const std::vector<uint32_t> cps = ObjectCps(doc, type, pane);
  const bool wrap = g_find.options & kFindWrap;
  const auto take = [&](uint32_t cp) {
    *found = DocRange{doc, cp, cp + 1};
    return true;
  };
  if (forward) {
    const auto next = std::lower_bound(cps.begin(), cps.end(), limit);
    if (next != cps.end()) return take(*next);
    if (wrap && !cps.empty() && cps.front() < limit) return take(cps.front());
  } else {
    const auto next = std::lower_bound(cps.begin(), cps.end(), first);
    if (next != cps.begin()) return take(*(next - 1));
    if (wrap && !cps.empty() && cps.back() >= first) return take(cps.back());
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

// While a help document is scanned its panes are not confined to their
// chapter: the search covers every topic, and the help window shows a match
// in another topic by going there.
class HelpSearchScope {
 public:
  explicit HelpSearchScope(CorvaneDoc* doc)
      : m_doc(doc->kind == kHelpDocument ? doc : nullptr), m_saved(doc->ignoreChapterConfinement) {
    if (m_doc) m_doc->ignoreChapterConfinement = 1;
  }
  ~HelpSearchScope() {
    if (m_doc) m_doc->ignoreChapterConfinement = m_saved;
  }
  HelpSearchScope(const HelpSearchScope&) = delete;
  HelpSearchScope& operator=(const HelpSearchScope&) = delete;

 private:
  CorvaneDoc* m_doc;
  uint8_t m_saved;
};

// The forward search from the selection's end (the pane's start with
// kFindFromStart), wrapping when asked.
bool SearchForward(CorvaneDoc* doc, const QString& string, uint32_t options, DocRange* found) {
  const HelpSearchScope scope(doc);
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

namespace {

// Whether a run's record is what a formatting or style find seeks.
bool RecordMatches(const Properties* record, uint32_t type, bool styleOnly) {
  if (!record || record->type != type) return false;
  const Properties& sought = g_find.props;
  if (type == kCharProperties) {
    if (styleOnly) return record->body.charProps.style == sought.body.charProps.style;
    CharProps a = record->body.charProps, b = sought.body.charProps;
    a.keylessSwitch6 = b.keylessSwitch6 = 0;
    return std::memcmp(&a, &b, sizeof a) == 0;
  }
  if (styleOnly) return record->body.para.style == sought.body.para.style;
  return std::memcmp(&record->body.para, &sought.body.para, sizeof(ParaProps)) == 0;
}

// The first stretch of matching runs in first..limit, extended over the
// matching runs after it.
bool FindRunsInRange(CorvaneDoc* doc, uint32_t type, bool styleOnly, uint32_t first, uint32_t limit, DocRange* found) {
  CSArrayCP* runs = type == kCharProperties ? doc->charRuns : doc->paraRuns;
  const uint32_t count = SizeOfDynamicCPArray(runs);
  if (!count || first >= limit) return false;
  uint32_t i = 0;
  RunIndexForCp(runs, first, &i);
  for (; i < count; ++i) {
    const uint32_t start = std::max(CpAtIndex(runs, i), first);
    if (start >= limit) break;
    uint32_t index = kNoPropertyIndex;
    FetchDynamicCPArrayEntry(runs, i, &index);
    if (!RecordMatches(PropertiesAtIndex(doc, index), type, styleOnly)) continue;
    uint32_t end = i + 1 < count ? CpAtIndex(runs, i + 1) : doc->cpLimit;
    for (uint32_t j = i + 1; j < count; ++j) {
      FetchDynamicCPArrayEntry(runs, j, &index);
      if (!RecordMatches(PropertiesAtIndex(doc, index), type, styleOnly)) break;
      end = j + 1 < count ? CpAtIndex(runs, j + 1) : doc->cpLimit;
    }
    *found = DocRange{doc, start, std::min(end, limit)};
    if (type == kParaProperties) ExpandDocRange(found, kExpandParagraphs);
    return true;
  }
  return false;
}

// The formatting search from the selection's end (the pane's start), with
// wrap once more from the pane's start up to where it began.
bool FindProperties(CorvaneDoc* doc, uint32_t type, bool styleOnly, bool fromStart, bool silent) {
  DocRange pane;
  GetPaneRange(doc, PaneOf(doc), &pane);
  const uint32_t last = pane.limit > pane.first ? pane.limit - 1 : pane.first;  // less the final mark
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  const uint32_t start = fromStart ? pane.first : std::min(VisibleCp(doc, PaneOf(doc), limit, true), last);
  DocRange found;
  bool ok = FindRunsInRange(doc, type, styleOnly, start, last, &found);
  if (!ok && (g_find.options & kFindWrap) && start > pane.first)
    ok = FindRunsInRange(doc, type, styleOnly, pane.first, start, &found);
  if (!ok) {
    NotFound(silent);
    return false;
  }
  SelectFoundText(doc, found, true, silent);
  return true;
}

// The style sought, looked up again: by builtin id, else by name.
uint32_t CurrentStyleIndex(CorvaneDoc* doc) {
  if (g_find.styleId != kNotBuiltinStyle) {
    if (g_find.styleId == 0) return 0;
    return StyleIndexForStyleId(doc, g_find.styleId, false, false);
  }
  return StyleIndexForName(doc, g_find.styleName);
}

// A knot (its begin entry's record of the type) whose style is the index;
// the walk starts after `from` and wraps once.
bool FindKnotWithStyle(CorvaneDoc* doc, uint32_t knotType, uint32_t type, uint32_t style, uint32_t from,
                       DocRange* found) {
  CSArrayCP* marks = knotType == kKnotChapter ? doc->chapterMarks : doc->tableMarks;
  const uint32_t count = SizeOfDynamicCPArray(marks);
  for (uint32_t pass = 0; pass < 2; ++pass) {
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t cp = CpAtIndex(marks, i);
      if ((pass == 0) != (cp >= from)) continue;
      KnotEntry entry;
      if (!KnotEntryAtCp(doc, cp, &entry) || entry.type != knotType) continue;
      const Properties* record = PropertiesAtIndex(doc, entry.props);
      if (!record || record->type != type) continue;
      const uint16_t recordStyle = type == kChapterProperties ? record->body.chapter.style : record->body.table.style;
      if (recordStyle != style) continue;
      uint32_t limit = KnotLimitCp(doc, cp);
      if (knotType == kKnotChapter) limit = i + 1 < count ? CpAtIndex(marks, i + 1) : doc->textLimit;
      if (limit == kNoCpValue) continue;
      *found = DocRange{doc, cp, limit};
      return true;
    }
  }
  return false;
}

bool FindStyle(CorvaneDoc* doc, bool fromStart, bool silent) {
  const uint32_t style = CurrentStyleIndex(doc);
  if (style == kNoPropertyIndex || style >= StyleCount(doc)) {
    NotFound(silent);
    return false;
  }
  const uint32_t type = g_find.styleType;
  if (type == kCharProperties || type == kParaProperties) {
    SetBaseProperties(type, &g_find.props);
    if (type == kCharProperties)
      g_find.props.body.charProps.style = uint16_t(style);
    else
      g_find.props.body.para.style = uint16_t(style);
    return FindProperties(doc, type, true, fromStart, silent);
  }
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  DocRange found;
  bool ok = false;
  if (type == kChapterProperties) {
    DocRange chapter;
    FetchChapterProps(doc, limit, &chapter, nullptr);
    ok = FindKnotWithStyle(doc, kKnotChapter, type, style, fromStart ? 0 : chapter.limit, &found);
  } else if (type == kTableProperties) {
    KnotFormat table;
    FetchKnot(doc, limit, &table, kKnotTable);
    const uint32_t from = fromStart ? 0 : table.index != kNoCpValue ? table.limit : limit;
    ok = FindKnotWithStyle(doc, kKnotTable, type, style, from, &found);
  }
  if (!ok) {
    NotFound(silent);
    return false;
  }
  SelectFoundText(doc, found, true, silent);
  return true;
}

bool IsReferenceKind(uint32_t kind) {
  switch (kind) {
    case kVariableBookmarkRef:
    case kVariableEndRef:
    case kVariableLink:
    case kVariableBookmarkPage:
    case kVariableBookmarkRefPage:
    case kVariableLinkPage:
      return true;
    default:
      return false;
  }
}

// The next variable (forward from the selection's end, backward from its
// start) that the test accepts, wrapping once.
template <typename Accept>
bool FindVariable(CorvaneDoc* doc, bool forward, bool fromStart, Accept accept, DocRange* found) {
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  if (fromStart) first = limit = forward ? 0 : doc->cpLimit;
  std::vector<uint32_t> cps;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = 0; i < count; ++i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    const uint32_t cp = CpAtIndex(doc->knots, i);
    if (entry.type == kKnotVariable && accept(entry) && MaySearchAtCp(doc, cp)) cps.push_back(cp);
  }
  if (cps.empty()) return false;
  uint32_t cp = 0;
  if (forward) {
    const auto next = std::lower_bound(cps.begin(), cps.end(), limit);
    cp = next != cps.end() ? *next : cps.front();
  } else {
    const auto next = std::lower_bound(cps.begin(), cps.end(), first);
    cp = next != cps.begin() ? *(next - 1) : cps.back();
  }
  *found = DocRange{doc, cp, cp + 1};
  return true;
}

bool FindReferences(CorvaneDoc* doc, bool fromStart, bool silent) {
  const uint32_t bookmark = g_find.knotIndex;
  DocRange found;
  const bool ok = bookmark != kNoCpValue && FindVariable(
                                                doc, true, fromStart,
                                                [&](const KnotEntry& entry) {
                                                  return entry.word1 != kVariablePictureNumber &&
                                                         BookmarkIndexForGuidIndex(doc, entry.word2) == bookmark;
                                                },
                                                &found);
  if (!ok) {
    NotFound(silent);
    return false;
  }
  SelectFoundText(doc, found, true, silent);
  return true;
}

bool FindBrokenReference(CorvaneDoc* doc, bool forward, bool fromStart, bool silent) {
  DocRange found;
  const bool ok = FindVariable(
      doc, forward, fromStart,
      [&](const KnotEntry& entry) {
        return IsReferenceKind(entry.word1) && BookmarkIndexForGuidIndex(doc, entry.word2) == kNoBookmark;
      },
      &found);
  if (!ok) {
    if (!silent) Beep();  // whatever the find switches say
    return false;
  }
  SelectFoundText(doc, found, true, silent);
  return true;
}

}  // namespace

void SetFindText(const DocRange& selection) {
  QString text;
  if (selection.doc && selection.limit > selection.first) {
    text = ExtractPlainText(selection, false);
    if (text.endsWith(QChar(kParagraphMark)) && !IsParaBreak(CharacterAtCp(selection.doc, selection.limit - 1)))
      text.chop(1);
  }
  if (g_find.options & kFindWholeWords) text = text.trimmed();
  g_find.find = Cut(text);
  g_find.type = g_find.find.isEmpty() ? kFindNone : kFindText;
  g_find.knotIndex = kNoCpValue;
}

void SetReplaceText(const DocRange& selection) {
  QString text;
  if (selection.doc && selection.limit > selection.first) {
    text = ExtractPlainText(selection, false);
    if (text.endsWith(QChar(kParagraphMark)) && !IsParaBreak(CharacterAtCp(selection.doc, selection.limit - 1)))
      text.chop(1);
  }
  if (g_find.options & kFindWholeWords) text = text.trimmed();
  g_find.replacement = Cut(text);
}

void SetFindFormat(CorvaneDoc* doc) {
  if (!doc) return;
  uint32_t first, limit;
  SelectionOf(doc, &first, &limit);
  DocRange paragraph;
  FetchParaProps(doc, nullptr, first, &paragraph, nullptr);
  DocRange lastParagraph = paragraph;
  if (limit > first) FetchParaProps(doc, nullptr, limit - 1, &lastParagraph, nullptr);
  const bool wholeParagraphs = limit > first && first == FirstVisibleCpInPara(doc, PaneOf(doc), paragraph.first) &&
                               limit == lastParagraph.limit;
  g_find.knotIndex = kNoCpValue;
  if (wholeParagraphs) {
    const Properties* record = PropertiesAtIndex(doc, RunIndexForCp(doc->paraRuns, paragraph.limit - 1, nullptr));
    if (record && record->type == kParaProperties) {
      g_find.props = *record;
    } else {
      SetBaseProperties(kParaProperties, &g_find.props);
      FetchParaProps(doc, nullptr, first, nullptr, &g_find.props.body.para);
    }
    g_find.type = kFindParaFormat;
    return;
  }
  const Properties* record = limit > first ? PropertiesAtIndex(doc, RunIndexForCp(doc->charRuns, first, nullptr)) : nullptr;
  if (record && record->type == kCharProperties) {
    g_find.props = *record;
  } else {
    SetBaseProperties(kCharProperties, &g_find.props);
    FetchCharPropsFromSelection(doc, &g_find.props.body.charProps);
  }
  g_find.type = kFindCharFormat;
}

void SetFindStyle(CorvaneDoc* doc, int32_t styleNumber) {
  if (!doc) return;
  uint32_t style = 0;
  if (styleNumber < 0) {
    uint32_t first, limit;
    SelectionOf(doc, &first, &limit);
    ParaProps props;
    FetchParaProps(doc, nullptr, first, nullptr, &props);
    style = props.style;
  } else if (uint32_t(styleNumber) < kNormalStyleBase) {
    style = uint32_t(styleNumber);
  }
  if (style >= StyleCount(doc)) style = 0;
  const StyleEntry entry = StyleEntryAt(doc, style);
  g_find.type = kFindStyle;
  g_find.knotIndex = kNoCpValue;
  g_find.styleType = entry.type;
  g_find.styleId = style == 0 ? 0 : entry.builtinId;
  g_find.styleName = StyleName(doc, style);
}

bool FindBookmarkRef(CorvaneDoc* doc, uint32_t bookmark) {
  g_find.type = kFindBookmarkRefs;
  g_find.knotIndex = bookmark;
  return doc && FindReferences(doc, false, false);
}

bool FindPicture(CorvaneDoc* doc, uint32_t picture) {
  g_find.type = kFindPicture;
  g_find.knotIndex = picture;
  return doc && FindObject(doc, kFindPicture, true, false);
}

bool FindBrokenLink(CorvaneDoc* doc, bool forward, bool fromStart) {
  g_find.type = kFindBrokenLinks;
  g_find.knotIndex = kNoCpValue;
  return doc && FindBrokenReference(doc, forward, fromStart, false);
}

void InvalidateFindResults(CorvaneDoc* doc) {
  if (!doc || !doc->findMarks) return;
  const uint32_t count = SizeOfDynamicCPArray(doc->findMarks);
  if (count) {
    const DocRange marked{doc, CpAtIndex(doc->findMarks, 0),
                          std::min(doc->textLimit, CpAtIndex(doc->findMarks, count - 1) + 1)};
    InvalText(&marked, false);
    ClearDynamicCPArray(doc->findMarks, doc->cpLimit);
  }
  InvalidateStatusCount(doc);
}

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
    case kFindCharFormat:
      return FindProperties(doc, kCharProperties, false, fromStart, silent);
    case kFindParaFormat:
      return FindProperties(doc, kParaProperties, false, fromStart, silent);
    case kFindStyle:
      return FindStyle(doc, fromStart, silent);
    case kFindBookmarkRefs:
      return FindReferences(doc, fromStart, silent);
    case kFindBrokenLinks:
      return FindBrokenReference(doc, true, fromStart, silent);
    default:
      return false;
  }
}

bool FindPrevious(CorvaneDoc* doc) {
  if (!doc || !MayFindPrevious()) return false;
  if (doc->kind == kHelpDocument && g_find.type != kFindText) return false;
  if (g_find.type == kFindBrokenLinks) return FindBrokenReference(doc, false, false, false);
  if (g_find.type != kFindText) return FindObject(doc, g_find.type, false, false);
  DocRange found;
  bool ok = false;
  {
    const HelpSearchScope scope(doc);
    DocRange scan;
    GetBackwardScanRange(doc, false, false, &scan);
    ok = FindTextInRange(doc, g_find.find, g_find.options, scan, false, &found);
    if (!ok && (g_find.options & kFindWrap)) {
      const auto m = uint32_t(g_find.find.size());
      const DocRange again{doc, scan.limit >= m ? scan.limit - m + 1 : 0, doc->textLimit};
      ok = FindTextInRange(doc, g_find.find, g_find.options, again, false, &found);
    }
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
  // The replacement takes the found text's character formatting.
  CharProps props;
  FetchCharProps(doc, nullptr, first, &props);
  const bool ok = replacement.isEmpty()
                      ? DeleteTextInRange(&dest)
                      : InsertNewText(&dest, reinterpret_cast<const char16_t*>(replacement.utf16()),
                                      uint32_t(replacement.size()), props, 0, false);
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

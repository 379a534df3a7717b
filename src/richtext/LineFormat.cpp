#include "richtext/LineFormat.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/CSAssert.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsHelpers.h"
#include "support/TextUtilities.h"

float g_checkboxSize = 0;
float g_checkboxShift = 0;

namespace {

constexpr float kMeasure = 12700.0f;
constexpr float kTabSlop = 2.0f;
constexpr float kDefaultTabInterval = 36.0f;
constexpr float kTagMarkerSize = 16.0f;
constexpr float kKnotMarkerWidth = 20.0f;
constexpr char16_t kFigureSpace = 0x2007;
constexpr uint32_t kNoLineMarkCode = 12;
constexpr uint32_t kListLineMarkCode = 5;
constexpr uint32_t kMaxGeneratedUnits = 255;
constexpr char16_t kEmSpace = 0x2003;
constexpr char16_t kZeroWidthSpace = 0x200B;
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kNoBreakSpace = 0x00A0;
constexpr char16_t kNonBreakingHyphenUnit = 0x2011;
constexpr char16_t kRightArrow = 0x2192;
constexpr TabStop kTabAlignMask = 0xE0000000;
constexpr TabStop kDecimalTab = 0x60000000;
constexpr TabStop kBarTab = 0x80000000;
constexpr uint32_t kAlignCenter = 1, kAlignJustify = 2, kAlignRight = 3;

std::atomic<bool> g_loggedNothingFit{false};

bool IsContentRun(uint32_t kind) {
  return kind == kRunCheckbox || kind == kRunText || kind == kRunPicture || kind == kRunTab || kind == kRunTagMarker;
}

uint32_t RunClass(uint32_t kind) {
  static constexpr uint32_t kClasses[] = {0, 4, 3, 4, 1, 4, 3, 3, 2, 3, 3};
  return kind < std::size(kClasses) ? kClasses[kind] : 4;
}

float Points(int64_t measure) { return float(measure) / kMeasure; }

uint32_t PieceCount(const LineSegment& segment) { return SizeOfDynamicArray(segment.offsetMap); }

SegmentPiece PieceAt(const LineSegment& segment, uint32_t index) {
  SegmentPiece piece;
  FetchDynamicArrayEntry(segment.offsetMap, index, &piece);
  return piece;
}

// The text units of a piece that were typeset.
uint32_t PieceUnits(const LineSegment& segment, uint32_t index) {
  const SegmentPiece piece = PieceAt(segment, index);
  const uint32_t end = index + 1 < PieceCount(segment) ? PieceAt(segment, index + 1).offset : segment.fitCount;
  return std::min(end, segment.fitCount) > piece.offset ? std::min(end, segment.fitCount) - piece.offset : 0;
}

struct PendingTab {
  bool active = false;
  size_t runIndex = 0;
  TabStop bits = 0;
  float startX = 0;
};

// The state of one FormatLine call.
struct FormatState {
  LineFormat* lf = nullptr;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  uint32_t cp = 0;
  uint32_t charCount = 0;
  uint32_t runEnd = 0;
  uint32_t nextWordMark = 0;
  uint32_t wordMarkEnd = 0;
  CSArrayCP* wordMarks = nullptr;  // the word marks shown, or none
  uint32_t wordMarkIndex = 0;      // the first that may not have ended at the cp
  bool inWordMark = false;
  float x = 0;
  float rightEdge = 0;
  float ascent = 0;
  float descent = 0;
  bool keepRuns = false;
  bool showInvisibles = false;
  bool plainView = false;
  bool objectsNeverWrap = false;
  bool newSegmentNext = false;
  bool finishAfterRun = false;  // the run was cut at a word's end to keep the segment short
  int openSegment = -1;
  uint32_t openSegmentCp = 0;
  uint32_t lineFirstCp = 0;
  int64_t jumpCp = -1;
  uint32_t paraFirstVisible = 0;
  uint32_t lineFirstVisible = 0;
  DocRange para;
  ParaProps paraProps;
  CharProps charProps;
  CharProps metricsStyle;
  bool hasMetricsStyle = false;
  float leftIndent = 0;
  QString marker;
  bool hasMarker = false;
  uint32_t listEnd = kNoCpValue;
  char16_t prevChar = ' ';
  float tabInterval = kDefaultTabInterval;
  float lastBar = -1;
  uint32_t nextTab = 0;
  PendingTab pending;
  int64_t decimalCp = -1;
  BorderSides border;
  std::vector<char16_t> buffer;
};

LineRun& NewRun(FormatState& s, uint32_t kind, int32_t firstCp, int32_t endCp, float width) {
  s.lf->runs.emplace_back();
  LineRun& run = s.lf->runs.back();
  run.head().kind = kind;
  run.head().charIndex = s.charCount;
  run.head().firstCp = firstCp;
  run.head().endCp = endCp;
  run.head().x = s.x;
  run.head().width = width;
  return run;
}

void ReleaseLineRuns(LineFormat* lf) {
  for (LineRun& run : lf->runs) {
    if (run.head().kind == kRunText) FreeLineSegment(&run.segment);
  }
  lf->runs.clear();
}

void ReleaseRuns(FormatState& s) {
  ReleaseLineRuns(s.lf);
  s.openSegment = -1;
  s.pending = PendingTab{};
}

void RecordLineMark(FormatState& s, uint32_t cp, uint32_t code) {
  if (s.plainView || code == kNoLineMarkCode) return;
  LineFormat* lf = s.lf;
  if (lf->lineMarkCount >= kMaxLineMarks) return;
  lf->lineMarks[lf->lineMarkCount++] = LineMark{cp, code};
}

bool LineHasCharacters(const FormatState& s) { return s.charCount > 0 || s.openSegment >= 0; }

void UpdateLineHeight(FormatState& s, const LineSegment& segment) {
  float ascent = segment.ascent, descent = segment.descent;
  if (segment.baselineShift < 0) ascent -= segment.baselineShift;
  if (segment.baselineShift > 0) descent += segment.baselineShift;
  const uint32_t underline = segment.underlineKind;
  if ((underline == 3 || underline == 6) && s.hasMetricsStyle) {
    float position = 0;
    const float t = FontUnderlineMetrics(s.metricsStyle, &position);
    const float reach = underline == 6 ? std::abs(position) + std::ceil(t) * t : std::abs(position) + std::ceil(2 * t) + t;
    descent += std::max(0.0f, reach - descent);
  }
  s.ascent = std::max(s.ascent, ascent);
  s.descent = std::max(s.descent, descent);
}

// Gives empty lines and lines of tabs the height of their font.
void EnsureLineHeightSet(FormatState& s) {
  LineSegment scratch;
  BeginLineSegment(&scratch);
  const char16_t space = ' ';
  AddRunToLineSegment(&scratch, &space, 1, -1, -1, s.charProps);
  scratch.noLeading = s.charProps.unleaded;
  scratch.baselineShift = Points(s.charProps.sub);
  EndLineSegment(s.doc, &scratch, s.lineFirstCp, nullptr, nullptr, 1000.0f);
  UpdateLineHeight(s, scratch);
  FreeLineSegment(&scratch);
}

// The open text segment, or a new one whose text starts at startCp.
LineSegment& CurrentLineSegment(FormatState& s, uint32_t startCp) {
  if (s.openSegment < 0) {
    LineRun& run = NewRun(s, kRunText, int32_t(s.cp), int32_t(s.cp), 0);
    run.head().firstCp = -1;
    BeginLineSegment(&run.segment);
    run.segment.baselineShift = Points(s.charProps.sub);
    run.segment.shadow = s.charProps.shadow;
    run.segment.noLeading = s.charProps.unleaded;
    run.segment.underlineKind = s.charProps.underline;
    s.openSegment = int(s.lf->runs.size() - 1);
    s.openSegmentCp = startCp;
  }
  return s.lf->runs[size_t(s.openSegment)].segment;
}

void AddPiece(FormatState& s, const char16_t* units, uint32_t count, int32_t firstCp, int32_t endCp) {
  if (count == 0) return;
  LineSegment& segment = CurrentLineSegment(s, firstCp >= 0 ? uint32_t(firstCp) : s.cp);
  AddRunToLineSegment(&segment, units, count, firstCp, endCp, s.charProps, s.lf->darkColors);
}

bool IsLetterOrDigit(char16_t c) { return CharIsLetterOrNumber(c); }

// Ends the line at a knot's end when the cp falls inside a link, bookmark
// or tag after its begin mark, so that the knot stays whole.
uint32_t KeepKnotWhole(FormatState& s, uint32_t cp) {
  KnotFormat knot;
  FetchKnot(s.doc, cp, &knot, 0);
  if (knot.index == kNoCpValue) return cp;
  const uint32_t type = knot.entry.type;
  if ((type == kKnotLink || type == kKnotBookmark || type == kKnotTag) && cp > knot.start) return knot.limit;
  return cp;
}

void StartErrorLine(FormatState& s);

// Typesets the open segment in the room left. False when the line ended.
bool FinishLineSegment(FormatState& s) {
  if (s.openSegment < 0) return true;
  const size_t index = size_t(s.openSegment);
  s.openSegment = -1;
  LineRun& run = s.lf->runs[index];
  LineSegment& segment = run.segment;
  const float room = s.objectsNeverWrap ? 1000000.0f : s.rightEdge - s.x;
  const bool all = EndLineSegment(s.doc, &segment, s.lineFirstCp, nullptr, nullptr, room);
  auto accept = [&](uint32_t units) {
    if (segment.fitCount >= 16 && segment.head.width > 0) s.lf->unitAdvance = segment.head.width / float(segment.fitCount);
    s.x += segment.head.width;
    s.charCount += units;
    UpdateLineHeight(s, segment);
  };
  if (all) {
    const uint32_t pieces = PieceCount(segment);
    int32_t end = segment.head.firstCp;
    for (uint32_t i = 0; i < pieces; ++i) end = std::max(end, PieceAt(segment, i).endCp);
    segment.head.endCp = end;
    accept(segment.fitCount);
    return true;
  }
  if (segment.fitCount == 0) {
    const bool generatedOnly = segment.head.firstCp < 0;
    // Nothing fits where the line's text begins (after a marker): no break
    // can help, so the paragraph shows an error instead.
    if (!generatedOnly && uint32_t(segment.head.firstCp) <= std::max(s.lineFirstCp, s.lineFirstVisible)) {
      FreeLineSegment(&segment);
      s.lf->runs.erase(s.lf->runs.begin() + std::ptrdiff_t(index));
      StartErrorLine(s);
      return false;
    }
    const uint32_t before = generatedOnly ? s.openSegmentCp : uint32_t(segment.head.firstCp);
    FreeLineSegment(&segment);
    s.lf->runs.erase(s.lf->runs.begin() + std::ptrdiff_t(index));
    s.cp = std::max(before, s.lineFirstCp + 1);
    s.lf->breakReason = kBreakWrapped;
    return false;
  }
  // Part of the segment fit: find the cp where the typeset part ends.
  int64_t breakCp = -1;
  const uint32_t pieces = PieceCount(segment);
  for (uint32_t i = 0; i < pieces; ++i) {
    const SegmentPiece piece = PieceAt(segment, i);
    if (piece.offset >= segment.fitCount) break;
    if (piece.firstCp < 0) continue;
    const uint32_t units = PieceUnits(segment, i);
    breakCp = std::min<int64_t>(int64_t(piece.firstCp) + units, piece.endCp);
  }
  if (breakCp < 0) {
    FreeLineSegment(&segment);
    s.lf->runs.erase(s.lf->runs.begin() + std::ptrdiff_t(index));
    s.cp = std::max(s.openSegmentCp, s.lineFirstCp + 1);
    s.lf->breakReason = kBreakWrapped;
    return false;
  }
  uint32_t endCp = KeepKnotWhole(s, uint32_t(breakCp));
  const bool midWord = endCp == uint32_t(breakCp) && endCp > 0 && IsLetterOrDigit(CharacterAtCp(s.doc, endCp - 1)) &&
                       IsLetterOrDigit(CharacterAtCp(s.doc, endCp));
  const bool laterSegment = segment.head.firstCp >= 0 && uint32_t(segment.head.firstCp) > s.lineFirstVisible;
  if (midWord && (laterSegment || segment.head.charIndex != 0)) {
    // Only a segment that starts the line may cut a word; any other gives
    // it up whole, as if nothing fit.
    const uint32_t before = uint32_t(segment.head.firstCp);
    FreeLineSegment(&segment);
    s.lf->runs.erase(s.lf->runs.begin() + std::ptrdiff_t(index));
    if (!laterSegment) {
      StartErrorLine(s);
      return false;
    }
    s.cp = before;
    s.lf->breakReason = kBreakWrapped;
    return false;
  }
  segment.head.endCp = int32_t(endCp);
  accept(segment.fitCount);
  s.cp = endCp;
  s.lf->breakReason = kBreakWrapped;
  return false;
}

// Resolves a centred, right or decimal tab once the text after it is known.
void AdjustTab(FormatState& s) {
  if (!s.pending.active) return;
  s.pending.active = false;
  const float p = Points(s.pending.bits & kTabPositionMask);
  const TabStop align = s.pending.bits & kTabAlignMask;
  float move = 0;
  if (align == kCenterTab) {
    move = p - (s.x + s.pending.startX) / 2;
  } else if (align == kRightTab) {
    move = p - s.x;
  } else if (align == kDecimalTab) {
    move = p - s.x;
    const LineRun& tab = s.lf->runs[s.pending.runIndex];
    if (s.decimalCp >= 0 && s.decimalCp >= tab.head().endCp) {
      // Measure up to the decimal point through the runs after the tab.
      float x = s.pending.startX;
      for (size_t i = s.pending.runIndex + 1; i < s.lf->runs.size(); ++i) {
        const LineRun& run = s.lf->runs[i];
        if (!IsContentRun(run.head().kind)) continue;
        if (run.head().kind == kRunText && run.head().firstCp >= 0 && s.decimalCp >= run.head().firstCp &&
            s.decimalCp < run.head().endCp) {
          for (uint32_t k = 0; k < PieceCount(run.segment); ++k) {
            const SegmentPiece piece = PieceAt(run.segment, k);
            if (piece.firstCp >= 0 && s.decimalCp >= piece.firstCp && s.decimalCp < piece.endCp) {
              x += PositionOfLineSegmentIndex(&run.segment, piece.offset + uint32_t(s.decimalCp - piece.firstCp));
              break;
            }
          }
          break;
        }
        x += run.head().width;
      }
      move = p - x;
    }
  }
  if (move <= 0) return;
  s.x += move;
  s.lf->runs[s.pending.runIndex].head().width += move;
  if (s.x > s.rightEdge && !s.objectsNeverWrap && !(s.lf->breakReason >= 6 && s.lf->breakReason <= 10)) {
    s.lf->breakReason = kBreakWrapped;
  }
}

void MoveToTabStop(FormatState& s, bool realTab) {
  AdjustTab(s);
  const ParaProps& props = s.paraProps;
  while (s.nextTab < props.tabCount && Points(props.tabs[s.nextTab] & kTabPositionMask) < s.x + kTabSlop) ++s.nextTab;
  const int32_t cp = realTab ? int32_t(s.cp) : -1;
  LineRun& run = NewRun(s, kRunTab, cp, realTab ? int32_t(s.cp + 1) : -1, 0);
  const size_t runIndex = s.lf->runs.size() - 1;
  const float indent = s.leftIndent + s.border.left;
  const bool haveStop = s.nextTab < props.tabCount;
  const float stopX = haveStop ? Points(props.tabs[s.nextTab] & kTabPositionMask) : 0;
  float width = 0;
  if (indent > s.x + kTabSlop && (!haveStop || stopX > indent)) {
    width = indent - s.x;
  } else if (haveStop) {
    const TabStop bits = props.tabs[s.nextTab++];
    run.value = bits;
    if ((bits & kTabAlignMask) == 0) {
      width = stopX - s.x;
    } else {
      s.pending = PendingTab{true, runIndex, bits, s.x};
      s.decimalCp = -1;
    }
  } else {
    const float offset = s.lastBar > s.x ? s.lastBar - s.x : 0;
    width = s.tabInterval - std::fmod(s.x + offset, s.tabInterval) + offset;
    if (width <= kTabSlop) width += s.tabInterval;
  }
  run.head().width = width;
  s.x += width;
  s.charCount += 1;
  if (realTab) s.cp += 1;
}

void InsertCheckbox(FormatState& s, float baselineOffset, uint32_t checked, bool atPrefix) {
  LineRun& run = NewRun(s, kRunCheckbox, atPrefix ? -1 : int32_t(s.cp), atPrefix ? -1 : int32_t(s.cp + 1),
                        g_checkboxSize);
  run.value = checked;
  s.x += g_checkboxSize;
  s.ascent = std::max(s.ascent, g_checkboxSize + g_checkboxShift - baselineOffset);
  s.descent = std::max(s.descent, baselineOffset - g_checkboxShift);
}

void AddMarkRun(FormatState& s, uint32_t subkind, char16_t character, uint32_t cp) {
  if (!s.keepRuns) return;
  LineRun& run = NewRun(s, kRunMark, int32_t(cp), int32_t(cp + 1), kInvisibleMarkWidth);
  run.value = subkind;
  run.character = character;
}

bool IsLastDocumentCharacter(FormatState& s, uint32_t cp) { return cp + 1 >= s.doc->textLimit; }

void HandleLineBreak(FormatState& s, uint32_t reason, char16_t character) {
  if (s.para.limit > 0 && s.cp == s.para.limit - 1 && s.paraProps.suffix.count) {
    AddPiece(s, s.paraProps.suffix.units, std::min<uint32_t>(s.paraProps.suffix.count, 4), -1, -1);
  }
  if ((s.charCount == 0 || s.ascent == 0) && s.openSegment < 0) EnsureLineHeightSet(s);
  const LineFormat& lf = *s.lf;
  const Pane* pane = s.pane;
  const bool inSelection = pane && int64_t(s.cp) >= std::min(pane->anchor, pane->end) &&
                           int64_t(s.cp) < std::max(pane->anchor, pane->end);
  const bool selectionMark = g_corvaneConfig.selectionMarks && s.keepRuns && !s.plainView &&
                             lf.settings.overrideIndex == kNoCpValue && !lf.settings.otherHighlight &&
                             !(lf.flags & kLinePlainRendering) && inSelection;
  if (!(lf.flags & kLineNoSelectionMarks) && !lf.settings.hideLineEndMarks && (s.showInvisibles || selectionMark)) {
    AddMarkRun(s, kMarkInvisible, character, s.cp);
  }
  s.lf->breakReason = IsLastDocumentCharacter(s, s.cp) ? kBreakDocumentEnd : reason;
  s.charCount += 1;
  if (s.jumpCp == int64_t(s.cp) + 2) {
    s.cp = uint32_t(s.jumpCp);
  } else {
    s.cp += 1;
  }
}

void EnforceCaseIn(FormatState& s, char16_t* text, uint32_t count) {
  const uint32_t rule = s.charProps.caps;
  if (rule == 0 || count == 0) return;
  EnforceCase(text, count, rule, CharIsSpaceOrPunct(s.prevChar));
}

void SkipBarTabs(FormatState& s) {
  ParaProps& props = s.paraProps;
  uint32_t kept = 0;
  for (uint32_t i = 0; i < props.tabCount && i < kMaxTabs; ++i) {
    const TabStop tab = props.tabs[i];
    if ((tab & kTabAlignMask) == kBarTab) {
      const float position = Points(tab & kTabPositionMask);
      if (s.keepRuns) {
        const float x = s.x;
        s.x = position;
        NewRun(s, kRunBarTab, -1, -1, 0);
        s.x = x;
      }
      s.lastBar = position;
    } else {
      props.tabs[kept++] = tab;
    }
  }
  for (uint32_t i = kept; i < props.tabCount && i < kMaxTabs; ++i) props.tabs[i] = 0;
  props.tabCount = uint16_t(std::min(kept, kMaxTabs));
}

void AdjustParaProps(FormatState& s, bool lineStartsHere) {
  s.paraFirstVisible = FirstVisibleCpInPara(s.doc, s.pane, s.para.first);
  if (lineStartsHere) s.lineFirstVisible = std::max(s.paraFirstVisible, s.lineFirstCp);
  s.hasMarker = false;
  s.marker.clear();
  KnotFormat list;
  ListProps listProps;
  if (FetchList(s.doc, s.pane, s.paraFirstVisible, &list, &listProps)) {
    s.listEnd = list.limit;
    if (!s.plainView) RecordLineMark(s, s.para.first, kListLineMarkCode);
    const StyleEntry style = StyleEntryAt(s.doc, s.paraProps.style);
    const int64_t step = std::clamp<int64_t>(listProps.indent, 0, int64_t(kMaxBorderPoints) * 12700);
    if (IsListStyleId(style.builtinId)) {
      const int64_t level = ListLevelOfParagraph(s.doc, s.paraProps);
      s.paraProps.indentl = level * step + (listProps.left ? 0 : step);
      s.paraProps.indentl = std::max<int64_t>(s.paraProps.indentl, 0);
      s.paraProps.indent1 = -step;
      uint32_t kept = 0;
      for (uint32_t i = 0; i < s.paraProps.tabCount && i < kMaxTabs; ++i) {
        const TabStop tab = s.paraProps.tabs[i];
        if ((tab & kTabAlignMask) == kBarTab || int64_t(tab & kTabPositionMask) >= s.paraProps.indentl) {
          s.paraProps.tabs[kept++] = tab;
        }
      }
      s.paraProps.tabCount = uint16_t(kept);
    }
    if (s.lineFirstCp <= s.paraFirstVisible) {
      const uint32_t level = ListLevelOfParagraph(s.doc, s.paraProps);
      const QString marker =
          ListEntryMarker(s.doc, s.pane, s.doc->listNumberCache, list.start, s.paraFirstVisible, level, listProps);
      if (!marker.isNull()) {
        s.marker = marker.left(int(kMaxGeneratedUnits));
        s.hasMarker = true;
      } else {
        s.paraProps.prefix.count = 2;
        s.paraProps.prefix.units[1] = u'\t';
      }
    }
  } else {
    s.listEnd = kNoCpValue;
  }
  if (s.paraProps.hdrtab) AddHeaderTabs(s.para, &s.paraProps);
  SkipBarTabs(s);
  const int64_t docHeight = s.lf->settings.lineHeight;
  if (docHeight != 0) {
    s.paraProps.height = docHeight;
    s.paraProps.before = s.paraProps.after = 0;
    s.paraProps.multiple = 0;
  }
}

void FetchParagraph(FormatState& s, uint32_t cp, bool lineStartsHere) {
  FetchParaProps(s.doc, s.pane, cp, &s.para, &s.paraProps);
  if (s.para.limit <= s.para.first) s.para.limit = std::min(s.para.first + 1, s.doc->cpLimit);
  AdjustParaProps(s, lineStartsHere);
  s.nextTab = 0;
}

// Places the cp among the word marks ({cp, length} entries in cp order):
// whether it lies inside one and where that ends, and where the next begins.
void PlaceAmongWordMarks(FormatState& s) {
  const uint32_t limit = s.doc->textLimit;
  s.nextWordMark = s.wordMarkEnd = limit;
  s.inWordMark = false;
  if (!s.wordMarks) return;
  const uint32_t count = SizeOfDynamicCPArray(s.wordMarks);
  for (; s.wordMarkIndex < count; ++s.wordMarkIndex) {
    const uint32_t start = CpAtIndex(s.wordMarks, s.wordMarkIndex);
    uint32_t length = 0;
    FetchDynamicCPArrayEntry(s.wordMarks, s.wordMarkIndex, &length);
    const uint64_t end = uint64_t(start) + length;
    if (end <= s.cp) continue;
    if (start > s.cp) {
      s.nextWordMark = std::min(start, limit);
      return;
    }
    s.inWordMark = true;
    s.wordMarkEnd = uint32_t(std::min<uint64_t>(end, limit));
    if (s.wordMarkIndex + 1 < count) s.nextWordMark = std::min(CpAtIndex(s.wordMarks, s.wordMarkIndex + 1), limit);
    return;
  }
}

// Opens a run of equal character style at the cp and fetches its text.
// False when finishing the open segment ended the line.
bool StartRun(FormatState& s) {
  DocRange styleRange;
  FetchCharProps(s.doc, &styleRange, s.cp, &s.charProps);
  CharProps& props = s.charProps;
  PlaceAmongWordMarks(s);
  // Text inside a word mark is underlined as such (hidden text shown as
  // invisible keeps its own underline).
  if (s.inWordMark && !(s.showInvisibles && props.underline == 10)) props.underline = 8;
  if (props.caps == 3) props.size = int16_t(std::max(16, props.size * 3 / 4));
  const bool ownSegment = props.sub != 0 || props.shadow || props.unleaded;
  if (ownSegment || s.newSegmentNext) {
    if (!FinishLineSegment(s)) return false;
  }
  s.newSegmentNext = ownSegment;
  uint32_t end = std::min<uint64_t>(uint64_t(s.cp) + kMaxRunChars, s.para.limit);
  if (styleRange.limit > s.cp) end = std::min(end, styleRange.limit);
  end = std::min(end, std::max(s.nextWordMark, s.cp + 1));
  if (s.inWordMark) end = std::min(end, std::max(s.wordMarkEnd, s.cp + 1));
  // The line holds at most kMaxLineChars units, the open segment's included.
  uint32_t open = 0;
  if (s.openSegment >= 0) open = s.cp - s.openSegmentCp;
  const uint32_t used = s.charCount + open;
  if (used < kMaxLineChars) end = std::min(end, s.cp + (kMaxLineChars - used));
  s.runEnd = std::max(end, s.cp);
  if ((props.underline == 3 || props.underline == 6)) {
    s.metricsStyle = props;
    s.hasMetricsStyle = true;
  }
  uint32_t count = s.runEnd - s.cp;
  s.buffer.resize(count);
  FetchText(s.doc, s.cp, s.runEnd, s.buffer.data(), &count);
  s.runEnd = s.cp + count;
  // Typesetting costs what the segment holds, and a line shows only what
  // fits: a segment that has gathered more than the room could hold even
  // in narrow letters ends after a word, and the text goes on in a new one.
  s.finishAfterRun = false;
  const float points = std::max(1.0f, float(props.size) / 4);
  const float room = s.rightEdge - s.x;
  if (!s.objectsNeverWrap && room > 0 && room < 1e6f) {
    // The advance per unit the text has shown so far, a little less to be
    // safe; before any, 0.4 em.
    const float perUnit = s.lf->unitAdvance > 0 ? std::max(0.85f * s.lf->unitAdvance, 0.2f * points) : 0.4f * points;
    const uint32_t budget = uint32_t(room / perUnit) + 12;
    const uint32_t gathered = s.openSegment >= 0 ? s.cp - s.openSegmentCp : 0;
    if (gathered + count > budget && budget > gathered) {
      for (uint32_t i = budget - gathered; i > 0; --i) {
        if (i < count && TypeOfChar(s.buffer[i - 1]) == kCharSpace && TypeOfChar(s.buffer[i]) != kCharSpace) {
          count = i;
          s.runEnd = s.cp + count;
          s.finishAfterRun = true;
          break;
        }
      }
    }
  }
  EnforceCaseIn(s, s.buffer.data(), count);
  if (s.keepRuns && count) {
    if (IsVisibleKolor(props.back)) {
      LineRun& run = NewRun(s, kRunHighlight, int32_t(s.cp), int32_t(s.runEnd), 0);
      run.fill = props.back;
    }
    if (props.underline || props.strike) {
      LineRun& run = NewRun(s, kRunUnderline, int32_t(s.cp), int32_t(s.runEnd), 0);
      run.value = props.underline;
      run.strike = props.strike;
    }
  }
  return true;
}

// One segment of generated text for a knot (a link's or variable's text).
bool AddKnotText(FormatState& s, const QString& text, uint32_t firstCp, uint32_t endCp) {
  if (!FinishLineSegment(s)) return false;
  QString shown = text.left(int(kMaxGeneratedUnits));
  std::vector<char16_t> units(shown.utf16(), shown.utf16() + shown.size());
  const uint32_t rule = s.charProps.caps;
  if (rule) EnforceCase(units.data(), uint32_t(units.size()), rule, true);
  s.cp = firstCp;
  AddPiece(s, units.data(), uint32_t(units.size()), int32_t(firstCp), int32_t(endCp));
  const bool fit = FinishLineSegment(s);
  return fit;
}

bool FitsOrMayWrap(FormatState& s, float width, uint32_t cp) {
  if (s.objectsNeverWrap || s.x + width <= s.rightEdge) return true;
  return !(LineHasCharacters(s) && cp > s.lineFirstVisible);
}

// A table or row mark. Inside a cell the mark is passed (a closing mark
// ends the cell's paragraph); elsewhere the whole row becomes the line.
void HandleTableMark(FormatState& s, const KnotFormat& knot, char16_t mark) {
  LineFormat* lf = s.lf;
  if (lf->flags & kLineInTableCell) {
    if (mark == kKnotMark1) {
      HandleLineBreak(s, kBreakLineFeed, mark);
    } else {
      s.cp += knot.entry.type == kKnotTable && s.cp == knot.start ? 2 : 1;
    }
    return;
  }
  KnotFormat row = knot;
  if (knot.entry.type == kKnotTable) {
    if (s.cp + 1 >= knot.limit) {
      // A table's closing mark left over: it ends a paragraph of its own.
      HandleLineBreak(s, kBreakLineFeed, mark);
      return;
    }
    FetchKnot(s.doc, knot.start + 1, &row, kKnotRow);
  }
  if (row.index == kNoCpValue || row.limit <= s.cp) {
    s.cp += 1;
    return;
  }
  if (LineHasCharacters(s) && s.cp > s.lineFirstCp) {
    // A row starts a line of its own.
    lf->breakReason = kBreakWrapped;
    return;
  }
  lf->lineKind = 3;
  lf->leftEdge = 0;
  lf->spaceAbove = lf->spaceBelow = 0;
  lf->tableCp = row.start;
  SetTableRowLineFormat(lf, row);
  s.ascent = lf->lineHeight;
  s.descent = 0;
  s.rightEdge = lf->rightEdge;
  s.x = lf->rightEdge;
  s.charCount += 1;
  s.cp = std::max(s.cp + 1, row.limit);
  // The last row takes the table's closing mark along.
  DocRange table;
  if (CpIsWithinKnot(s.doc, row.start, kKnotTable, &table) && s.cp + 1 == table.limit) s.cp = table.limit;
  lf->breakReason = kBreakTableRow;
}

// A knot mark at the cp; the cp moves on.
void HandleKnotMark(FormatState& s, char16_t mark) {
  KnotFormat knot;
  FetchKnot(s.doc, s.cp, &knot, 0);
  KnotEntry entry;
  if (knot.index == kNoCpValue || !KnotEntryAtCp(s.doc, s.cp, &entry)) {
    s.cp += 1;
    return;
  }
  const uint32_t type = knot.entry.type;
  const uint32_t knotClass = KnotDescForType(type).knotClass;
  const bool atBegin = s.cp == knot.start;
  if (s.lf->settings.showsKnots) {
    // Every mark shows as a figure space of a fixed width.
    if (!FinishLineSegment(s)) return;
    if (!FitsOrMayWrap(s, kKnotMarkerWidth, s.cp)) {
      s.lf->breakReason = kBreakWrapped;
      return;
    }
    const char16_t figure = kFigureSpace;
    AddPiece(s, &figure, 1, int32_t(s.cp), int32_t(s.cp + 1));
    const size_t index = size_t(s.openSegment);
    if (!FinishLineSegment(s)) return;
    LineRunHead& head = s.lf->runs[index].head();
    s.x += kKnotMarkerWidth - head.width;
    head.width = kKnotMarkerWidth;
    if (s.showInvisibles) {
      const uint32_t subkind = entry.role == kKinkSingle  ? kMarkKnotSingle
                               : entry.role == kKinkBegin ? kMarkKnotBegin
                               : entry.role == kKinkEnd   ? kMarkKnotEnd
                                                          : kMarkKnotMiddle;
      AddMarkRun(s, subkind, char16_t(type), s.cp);
    }
    s.cp += 1;
    return;
  }
  if (knotClass == 2) {
    HandleTableMark(s, knot, mark);
    return;
  }
  if (knotClass == 1) {
    if (atBegin) {
      const uint32_t code = LineKinkForKnotType(type);
      const bool paneType = s.pane && s.pane->contentsKind >= 2 && type == KnotTypeForPaneContents(s.pane);
      if (code != kListLineMarkCode && !paneType) RecordLineMark(s, s.cp, code);
    }
    if (atBegin && type == kKnotTag) {
      if (!FitsOrMayWrap(s, kTagMarkerSize, s.cp)) {
        s.lf->breakReason = kBreakWrapped;
        return;
      }
      if (!FinishLineSegment(s)) return;
      LineRun& run = NewRun(s, kRunTagMarker, int32_t(s.cp), int32_t(s.cp + 1), kTagMarkerSize);
      run.value = knot.index;
      run.height = kTagMarkerSize;
      s.x += kTagMarkerSize;
      s.charCount += 1;
      const float shift = Points(s.charProps.sub);
      s.ascent = std::max(s.ascent, kTagMarkerSize - shift);
      s.descent = std::max(s.descent, shift);
      s.jumpCp = knot.limit;
      s.cp += 1;
      return;
    }
    if (atBegin && type == kKnotLink) {
      uint32_t first = knot.start + 1, limit = knot.limit - 1;
      if (knot.kinkCount >= 3) {
        const uint32_t middle = knot.kinks[1];
        if (limit > middle + 1) {
          first = middle + 1;
        } else {
          limit = middle;
        }
      }
      const uint32_t start = s.cp;
      if (!AddKnotText(s, RawTextString(s.doc, first, std::max(first, limit)), start, knot.limit)) {
        if (s.lf->breakReason == kBreakNone) s.lf->breakReason = kBreakWrapped;
        return;
      }
      s.cp = knot.limit;
      return;
    }
    if (atBegin && type == kKnotBookmark && !s.plainView && s.lf->settings.showBookmarks &&
        !s.lf->settings.readOnlyView && !IsDocumentLocked(s.doc)) {
      const char16_t em = kEmSpace;
      AddPiece(s, &em, 1, int32_t(s.cp), int32_t(knot.limit));
      if (s.showInvisibles) AddMarkRun(s, kMarkBookmark, em, s.cp);
      s.cp = knot.limit;
      return;
    }
    if (entry.role == kKinkEnd) {
      if (mark == kKnotMark1) {
        HandleLineBreak(s, kBreakLineFeed, mark);
      } else {
        s.cp += 1;
      }
      return;
    }
    DocRange shown;
    if (ShouldShowKnot(knot, s.cp, s.pane, &shown) || shown.limit <= s.cp) {
      if (atBegin && (type == kKnotTag || type == kKnotBookmark)) s.jumpCp = knot.limit;
      if (mark == kKnotMark1) {
        HandleLineBreak(s, kBreakLineFeed, mark);
      } else {
        s.cp += 1;
      }
    } else {
      if (type == kKnotNote && s.pane && s.pane->contentsKind == 2) s.jumpCp = knot.limit;
      s.cp = shown.limit;
    }
    return;
  }
  // Single marks.
  switch (type) {
    case kKnotCheckbox:
      if (!FitsOrMayWrap(s, g_checkboxSize, s.cp)) {
        s.lf->breakReason = kBreakWrapped;
        return;
      }
      if (!FinishLineSegment(s)) return;
      InsertCheckbox(s, Points(s.charProps.sub), entry.word3, false);
      RecordLineMark(s, s.cp, LineKinkForKnotType(type));
      s.charCount += 1;
      s.cp += 1;
      return;
    case kKnotDivider:
      if (LineHasCharacters(s) && s.cp != s.lineFirstVisible) {
        s.lf->breakReason = kBreakWrapped;
        return;
      }
      s.lf->lineKind = 2;
      EnsureLineHeightSet(s);
      RecordLineMark(s, s.cp, LineKinkForKnotType(type));
      s.charCount += 1;
      s.cp += 1;
      s.lf->breakReason = kBreakLineFeed;
      return;
    case kKnotVariable: {
      CountedString text;
      GetVariableUstring(knot, s.pane, &text);
      QString shown = QString::fromUtf16(text.units, std::min<uint32_t>(text.length, kMaxGeneratedUnits));
      if (shown.isEmpty()) shown = QStringLiteral("?");
      const uint32_t at = s.cp;
      RecordLineMark(s, at, LineKinkForKnotType(type));
      if (!AddKnotText(s, shown, at, at + 1)) {
        if (s.lf->breakReason == kBreakNone) s.lf->breakReason = kBreakWrapped;
        return;
      }
      if (s.showInvisibles) AddMarkRun(s, kMarkVariable, mark, at);
      s.cp = at + 1;
      return;
    }
    case kKnotPicture: {
      const PictureEntry* picture = PictureAtIndex(s.doc, entry.word1);
      QSizeF size = picture ? GetPictureSize(picture->image) : QSizeF();
      const uint32_t scale = entry.word3;
      if (scale == 0x3FFF) {
        // Fitted in proportion between the paragraph's edges and within the
        // height the page prints (a page without one limits only the width).
        const float room = std::max(1.0f, s.rightEdge - s.lf->paraLeftEdge);
        const double printable =
            double(s.doc->pageHeight) - double(Points(s.doc->docProps.top) + Points(s.doc->docProps.bottom));
        if (printable >= 1.0) {
          QRectF fitted(QPointF(), size);
          CenterRectangle(&fitted, QRectF(0, 0, room, printable));
          size = fitted.size();
        } else {
          size = ScaleSizeToWidth(size, room);
        }
      } else if (scale != 0) {
        size = QSizeF(std::max(1.0, size.width() * scale / 1000), std::max(1.0, size.height() * scale / 1000));
      }
      float border = 0;
      if (const Properties* record = PropertiesAtIndex(s.doc, entry.props);
          record && record->type == kBorderProperties) {
        border = WidthOfBorder(record->body.border);
      }
      const float width = float(size.width()) + 2 * border, height = float(size.height()) + 2 * border;
      if (!FitsOrMayWrap(s, width, s.cp)) {
        s.lf->breakReason = kBreakWrapped;
        return;
      }
      if (!FinishLineSegment(s)) return;
      LineRun& run = NewRun(s, kRunPicture, int32_t(s.cp), int32_t(s.cp + 1), width);
      run.value = entry.word1;
      run.height = height;
      run.borderThickness = border;
      const Pane* pane = s.pane;
      run.selected = pane && pane->objectSelection == kNoCpValue && s.lf->settings.overrideIndex == kNoCpValue &&
                     int64_t(s.cp) >= std::min(pane->anchor, pane->end) &&
                     int64_t(s.cp) < std::max(pane->anchor, pane->end);
      const float shift = Points(s.charProps.sub);
      switch (entry.word2) {
        case 1:  // top on the baseline
          s.descent = std::max(s.descent, height);
          break;
        case 2:  // centred on the baseline
          s.ascent = std::max(s.ascent, height / 2 - shift);
          s.descent = std::max(s.descent, height / 2 + shift);
          break;
        case 3:
          s.ascent = std::max(s.ascent, height - shift);
          break;
        default:
          s.ascent = std::max(s.ascent, height);
          break;
      }
      s.x += width;
      s.charCount += 1;
      RecordLineMark(s, s.cp, 8);
      s.cp += 1;
      return;
    }
    default:
      s.cp += 1;
      return;
  }
}

void StartErrorLine(FormatState& s) {
  if (!g_loggedNothingFit.exchange(true)) LogString("Nothing fit at start of line (cp=%d)", int(s.lineFirstCp));
  ReleaseRuns(s);
  s.x = s.lf->leftEdge;
  s.charCount = 0;
  s.cp = s.lineFirstVisible;
  FetchCharProps(s.doc, nullptr, s.cp, &s.charProps);
  s.objectsNeverWrap = true;
  static const char16_t kError[] = u"[error]";
  AddPiece(s, kError, 7, -1, -1);
  FinishLineSegment(s);
  s.paraProps.suffix.count = 0;
  s.cp = s.para.limit > s.cp ? s.para.limit - 1 : s.cp;
  HandleLineBreak(s, kBreakLineFeed, u'\n');
  s.lf->breakReason = kBreakLineFeed;
}

// The paragraph's prefix or list marker on its first visible line.
void AddParagraphPrefix(FormatState& s) {
  const ParaAffix& prefix = s.paraProps.prefix;
  if (!s.hasMarker && prefix.count == 0) return;
  FetchCharProps(s.doc, nullptr, s.paraFirstVisible, &s.charProps);
  std::vector<char16_t> units;
  if (s.hasMarker) {
    units.assign(s.marker.utf16(), s.marker.utf16() + s.marker.size());
  } else {
    units.assign(prefix.units, prefix.units + std::min<uint32_t>(prefix.count, 4));
  }
  bool tabAfter = s.hasMarker;
  bool checkbox = false;
  const float checkboxX = s.x;
  if (!units.empty() && units.front() == 0) {
    checkbox = true;
    InsertCheckbox(s, Points(s.charProps.sub), s.paraProps.check, true);
    s.charCount += 1;
    units.front() = kZeroWidthSpace;
  }
  if (!units.empty() && units.back() == u'\t') {
    units.pop_back();
    tabAfter = true;
  }
  if (!units.empty()) {
    LineSegment& segment = CurrentLineSegment(s, s.cp);
    segment.prefix = 1;
    AddRunToLineSegment(&segment, units.data(), uint32_t(units.size()), -1, -1, s.charProps, s.lf->darkColors);
    FinishLineSegment(s);
  } else if (!checkbox && !tabAfter) {
    ReleaseRuns(s);
  }
  if (checkbox) s.x = checkboxX;
  if (tabAfter || checkbox) MoveToTabStop(s, false);
}

// The cps after the line within which an edit can still change its break:
// through the end of the next word (at most kLookaheadScan characters).
uint32_t Lookahead(FormatState& s) {
  CorvaneDoc* doc = s.doc;
  const uint32_t from = s.lf->endCp;
  uint32_t cp = from;
  bool sawSpace = false, sawWordAfter = false;
  for (uint32_t scanned = 0; scanned < kLookaheadScan && cp < doc->textLimit; ++scanned) {
    const char16_t c = CharacterAtCp(doc, cp);
    if (c == u'\n' || c == 11 || c == 12 || c == kLineSeparator) return cp - from + 1;
    if (c == kKnotMark0 || c == kKnotMark1) {
      KnotEntry entry;
      if (KnotEntryAtCp(doc, cp, &entry)) {
        const uint32_t type = entry.type;
        if ((type == kKnotBookmark || type == kKnotLink || type == kKnotNote || type == kKnotTag) &&
            entry.role == kKinkBegin) {
          const uint32_t limit = KnotLimitCp(doc, cp);
          cp = limit != kNoCpValue && limit > cp ? limit : cp + 1;
          continue;
        }
        if ((type == kKnotChapter || type == kKnotTable || type == kKnotRow) && entry.role != kKinkMiddle) {
          return cp - from + 1;
        }
        if (type == kKnotDivider) return cp - from + 1;
      }
      ++cp;
      continue;
    }
    if (TypeOfChar(c) == kCharSpace) {
      if (sawSpace && sawWordAfter) return cp - from + 1;
      sawSpace = true;
    } else if (c == u'-' || c == u'/' || c == u'=' || c == u'|' || c == 0x2013 || c == 0x2014) {
      if (sawSpace && sawWordAfter) return cp - from + 1;
    } else if (sawSpace) {
      sawWordAfter = true;
    }
    ++cp;
  }
  return cp - from;
}

void Justify(FormatState& s) {
  std::vector<LineRun>& runs = s.lf->runs;
  size_t start = 0;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].head().kind == kRunTab) start = i + 1;
  }
  float sum = 0;
  LineRun* last = nullptr;
  for (size_t i = start; i < runs.size(); ++i) {
    if (runs[i].head().kind != kRunText) continue;
    sum += runs[i].head().width;
    last = &runs[i];
  }
  if (!last) return;
  const float trailing = last->segment.trailingWhitespace;
  sum -= trailing;
  const float slack = s.rightEdge - (s.x - trailing);
  if (sum <= 0 || slack <= 0) return;
  for (size_t i = start; i < runs.size(); ++i) {
    LineRun& run = runs[i];
    if (run.head().kind != kRunText) continue;
    const float natural = run.head().width - (&run == last ? trailing : 0);
    JustifyLineSegment(&run.segment, run.head().width + slack * natural / sum);
  }
  s.x = s.rightEdge;
}

void VerticalMetrics(FormatState& s, bool lineEndsParagraph, bool firstLineOfParagraph) {
  LineFormat* lf = s.lf;
  const ParaProps& props = s.paraProps;
  float ascent = s.ascent, descent = s.descent;
  const float height = Points(props.height);
  if (height < 0) {
    ascent = std::min(ascent, -height);
    descent = -height - ascent;
  } else if (height > 0 && ascent + descent < height) {
    descent += height - (ascent + descent);
  }
  if (!(lf->flags & kLineIgnoreSpacing) && props.multiple != 0 && props.multiple != 12700) {
    const float multiple = float(std::clamp<int64_t>(props.multiple, 0, 100 * 12700)) / kMeasure;
    const float total = ascent + descent;
    if (multiple > 1) {
      lf->spaceAbove += (multiple - 1) * total;
    } else {
      float cut = (1 - multiple) * total;
      const float fromDescent = std::min(cut, descent);
      descent -= fromDescent;
      cut -= fromDescent;
      ascent -= std::min(cut, ascent);
    }
  }
  if (lineEndsParagraph) lf->spaceBelow += Points(props.after);
  if (firstLineOfParagraph) lf->spaceAbove += Points(props.before);
  if (lf->lineKind == 0 && props.border.btype != 0) {
    BorderDisplay display;
    GetParagraphBorderEdges(s.doc, s.pane, firstLineOfParagraph, props, s.para, &display);
    if (!firstLineOfParagraph && lf->firstCp != lf->frameFirst) display.top = 0;
    if (lf->endCp < s.para.limit) display.bottom = 0;
    lf->borderEdges = display;
    const BorderSides sides = BorderThickness(props.border, display);
    lf->spaceAbove += sides.top;
    lf->spaceBelow += sides.bottom;
    s.x = std::max(s.x, s.rightEdge + sides.right);
  }
  s.ascent = ascent;
  s.descent = descent;
}

// Merges continuing runs of kinds 0 and 3 with equal bodies.
bool SameBody(const LineRun& a, const LineRun& b) {
  return a.fill == b.fill && a.frame == b.frame && a.value == b.value && a.strike == b.strike;
}

void CloseRuns(FormatState& s) {
  LineFormat* lf = s.lf;
  std::stable_sort(lf->runs.begin(), lf->runs.end(), CompareLineRuns);
  std::vector<LineRun> closed;
  closed.reserve(lf->runs.size());
  float sum = 0;
  for (size_t i = 0; i < lf->runs.size(); ++i) {
    LineRun& run = lf->runs[i];
    LineRunHead& head = run.head();
    if (head.firstCp >= 0 && uint32_t(head.firstCp) >= lf->endCp) {
      if (head.kind == kRunText) FreeLineSegment(&run.segment);
      continue;
    }
    switch (head.kind) {
      case kRunHighlight:
      case kRunUnderline: {
        while (i + 1 < lf->runs.size() && lf->runs[i + 1].head().kind == head.kind &&
               lf->runs[i + 1].head().firstCp == head.endCp && SameBody(run, lf->runs[i + 1])) {
          head.endCp = lf->runs[i + 1].head().endCp;
          ++i;
        }
        uint32_t end = std::min<uint32_t>(uint32_t(head.endCp), lf->endCp);
        while (end > uint32_t(head.firstCp) && TypeOfChar(CharacterAtCp(s.doc, end - 1)) == kCharSpace) --end;
        head.endCp = int32_t(end);
        head.x = LineXFromCpCore(lf, uint32_t(head.firstCp), nullptr);
        head.width = std::max(0.0f, LineXFromCpCore(lf, end, nullptr) - head.x);
        break;
      }
      case kRunCheckbox:
      case kRunText:
      case kRunPicture:
      case kRunTagMarker:
        head.x = sum;
        sum += head.width;
        break;
      case kRunTab:
        // Relative to the left edge, which alignment may have moved.
        head.x = sum;
        sum += head.width;
        break;
      case kRunMark:
        if (lf->breakReason >= kBreakDocumentEnd && uint32_t(head.firstCp) + 1 == lf->endCp) {
          head.x = lf->textWidth - lf->leftEdge;
          head.width = kInvisibleMarkWidth;
        } else {
          float right = 0;
          head.x = LineXFromCpCore(lf, uint32_t(head.firstCp), &right);
          head.width = right - head.x;
        }
        break;
      default:
        break;
    }
    closed.push_back(run);
  }
  lf->runs = std::move(closed);
}

void AddFindAndSelectionRuns(FormatState& s) {
  LineFormat* lf = s.lf;
  const bool pastLineEnd = lf->breakReason >= 6 && lf->breakReason <= 11;
  CSArrayCP* marks = s.doc->findMarks;
  const uint32_t markCount = SizeOfDynamicCPArray(marks);
  for (uint32_t i = 0; i < markCount; ++i) {
    const uint32_t cp = CpAtIndex(marks, i);
    if (cp >= lf->endCp) break;
    uint32_t length = 0;
    FetchDynamicCPArrayEntry(marks, i, &length);
    const uint64_t end = uint64_t(cp) + length;
    if (end <= lf->firstCp) continue;
    const uint32_t first = std::max(cp, lf->firstCp);
    const float x = LineXFromCpCore(lf, first, nullptr);
    float width = LineXFromCpCore(lf, uint32_t(std::min<uint64_t>(end, lf->endCp)), nullptr) - x;
    if (end > lf->endCp && pastLineEnd) width += kInvisibleMarkWidth;
    if (width <= 0) continue;
    LineRun run;
    run.head().kind = kRunFindMark;
    run.head().firstCp = int32_t(first);
    run.head().endCp = int32_t(std::min<uint64_t>(end, lf->endCp));
    run.head().x = x;
    run.head().width = width;
    lf->runs.push_back(run);
  }
  const Pane* pane = s.pane;
  if (!pane || (lf->flags & kLineNoSelectionMarks) || lf->lineKind == 2 || lf->plainView ||
      lf->settings.overrideIndex != kNoCpValue || pane->objectSelection != kNoCpValue) {
    return;
  }
  const uint32_t selFirst = uint32_t(std::max(0, std::min(pane->anchor, pane->end)));
  const uint32_t selLimit = uint32_t(std::max(0, std::max(pane->anchor, pane->end)));
  if (selFirst == selLimit || selLimit <= lf->firstCp || selFirst >= lf->endCp) return;
  const uint32_t first = std::max(selFirst, lf->firstCp);
  const uint32_t limit = std::min(selLimit, lf->endCp);
  const float x = LineXFromCpCore(lf, first, nullptr);
  float width = LineXFromCpCore(lf, limit, nullptr) - x;
  if (width == 0) width = 4.0f;
  if ((selLimit > lf->endCp || (lf->endsParagraph && selLimit == lf->endCp)) && pastLineEnd) {
    width += kInvisibleMarkWidth;
  }
  LineRun run;
  run.head().kind = kRunSelection;
  run.head().firstCp = int32_t(first);
  run.head().endCp = int32_t(limit);
  run.head().x = x;
  run.head().width = width;
  lf->runs.push_back(run);
}

}  // namespace

bool CompareLineRuns(const LineRun& a, const LineRun& b) {
  const uint32_t ca = RunClass(a.head().kind), cb = RunClass(b.head().kind);
  if (ca != cb) return ca < cb;
  return a.head().charIndex < b.head().charIndex;
}

void EnforceCase(char16_t* text, uint32_t length, uint32_t rule, bool afterSpaceOrPunctuation) {
  if (!text || rule == 0) return;
  bool wordStart = afterSpaceOrPunctuation;
  for (uint32_t i = 0; i < length; ++i) {
    const char16_t c = text[i];
    if (CharIsSpaceOrPunct(c)) {
      wordStart = true;
      continue;
    }
    if (rule == 1 || rule == 3) {
      text[i] = UpperCaseChar(c);
    } else if (rule == 4) {
      text[i] = wordStart ? UpperCaseChar(c) : LowerCaseChar(c);
    } else {
      text[i] = LowerCaseChar(c);
    }
    wordStart = false;
  }
}

bool InitFormatLine(CorvaneDoc* document, Pane* pane, LineFormat* format, uint32_t flags) {
  if (!format) return false;
  ReleaseLineFormat(format);
  *format = LineFormat{};
  format->document = document;
  format->pane = pane;
  format->flags = flags;
  if (pane && (pane->contentsKind == 0 || pane->contentsKind == 1)) format->flags |= kLinePagelessPane;
  if (document) format->documentValue = document->docProps.value64;
  format->runs.reserve(10);
  return document != nullptr;
}

void ReleaseLineFormat(LineFormat* format) {
  if (!format) return;
  ReleaseLineRuns(format);
  format->runs.shrink_to_fit();
}

void FormatLine(uint32_t firstCp, int64_t availableWidth, LineFormat* lf) {
  if (!lf || !lf->document) return;
  CorvaneDoc* doc = lf->document;
  if (!lf->pane) lf->pane = CurrentPane(doc);
  Pane* pane = lf->pane;
  FormatState s;
  s.lf = lf;
  s.doc = doc;
  s.pane = pane;

  // 1. The record's results start clear.
  lf->availableWidth = availableWidth;
  firstCp = std::min(firstCp, doc->textLimit > 0 ? doc->textLimit - 1 : 0);
  lf->firstCp = lf->endCp = firstCp;
  lf->charCount = 0;
  lf->leftEdge = lf->textWidth = lf->layoutWidth = lf->naturalWidth = 0;
  lf->lineHeight = lf->spaceAbove = lf->spaceBelow = lf->baseline = 0;
  lf->paraLeftEdge = lf->rightEdge = 0;
  lf->breakReason = kBreakNone;
  lf->lineKind = 0;
  lf->lookahead = 0;
  lf->framed = lf->firstLineFlagged = lf->rowFlag = lf->overflow = lf->endsParagraph = 0;
  lf->endMarkWidth = 0;
  lf->lineMarkCount = 0;
  lf->borderEdges = BorderDisplay{};
  const LineFormatSettings& settings = lf->settings;
  lf->plainView = settings.plainView;
  lf->darkColors = settings.darkAppearance && !settings.plainView;
  s.plainView = settings.plainView;
  s.keepRuns = lf->flags & kLineKeepRuns;
  s.showInvisibles = pane && pane->contentsFlags[2] && s.keepRuns && !settings.plainView &&
                     !(lf->flags & kLinePlainRendering) && !settings.hideInvisibles;
  s.objectsNeverWrap = pane && pane->contentsKind == 1 && settings.noObjectWrap && !(lf->flags & kLineInTableCell);
  s.cp = s.lineFirstCp = firstCp;

  // 2. The word marks shown. A line that starts inside a mark underlines
  // its own part of it.
  s.nextWordMark = doc->textLimit;
  s.wordMarkEnd = doc->textLimit;
  s.wordMarks = nullptr;
  s.wordMarkIndex = 0;
  s.inWordMark = false;
  if (!settings.plainView && s.keepRuns && !(lf->flags & kLinePlainRendering) && settings.showWordMarks &&
      settings.wordMarks) {
    s.wordMarks = settings.wordMarks;
  }

  // 3. A chapter pane follows the chapter of the line.
  const uint32_t savedChapter = pane ? pane->chapterIndex : kNoCpValue;
  if (pane && pane->contentsKind == 3) {
    const uint32_t index = IndexOfCpSafe(doc->chapterMarks, firstCp);
    if (index != kNoCpValue) pane->chapterIndex = index;
  }

  // 4. Ranges.
  ReleaseLineRuns(lf);
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  lf->paneFirst = lf->frameFirst = paneRange.first;
  lf->paneLimit = lf->frameLimit = paneRange.limit;

  // 5. A hidden knot around the first cp.
  if (pane && pane->contentsKind >= 2) {
    KnotFormat knot;
    FetchKnot(doc, firstCp, &knot, 0);
    if (knot.index != kNoCpValue) s.jumpCp = knot.limit;
  }

  // 6. The paragraph and its edges.
  FetchParagraph(s, firstCp, true);
  const bool firstLineOfParagraph = firstCp <= s.paraFirstVisible;
  const ParaProps& props = s.paraProps;
  const float indentLeft = Points(props.indentl), indentFirst = Points(props.indent1);
  s.leftIndent = indentLeft;
  lf->leftEdge = firstLineOfParagraph ? std::max(0.0f, indentLeft + indentFirst) : indentLeft;
  lf->paraLeftEdge = indentLeft + std::min(0.0f, indentFirst);
  lf->rightEdge = std::max(std::max(lf->leftEdge, lf->paraLeftEdge) + kMinLineWidth,
                           Points(availableWidth) - Points(props.indentr));
  if (firstLineOfParagraph) {
    lf->firstLineFlagged = props.pagetop || props.pagebot || props.keep || props.keepnext;
  }

  // 7. Borders.
  if (props.border.btype != 0) {
    const bool firstOfBox = firstLineOfParagraph;
    if (!(props.border.btype == kEdgeTop && settings.boxGrouping && !firstOfBox)) {
      GetParagraphBorderEdges(doc, pane, firstLineOfParagraph, props, s.para, &lf->borderEdges);
      s.border = BorderThickness(props.border, lf->borderEdges);
      lf->leftEdge += s.border.left;
      lf->paraLeftEdge += s.border.left;
      lf->rightEdge -= s.border.right;
    }
    lf->framed = 1;
  }
  if (IsVisibleKolor(props.border.back)) lf->framed = 1;
  s.rightEdge = lf->rightEdge;
  s.x = lf->leftEdge;

  // 8. Tabs.
  s.tabInterval = doc->docProps.deftab > 0 ? Points(doc->docProps.deftab) : kDefaultTabInterval;
  s.tabInterval = std::clamp(s.tabInterval, 1.0f, kMaxBorderPoints);

  // 9. The paragraph's prefix.
  if (firstLineOfParagraph) AddParagraphPrefix(s);

  // 10. The main loop.
  while (lf->breakReason == kBreakNone) {
    const uint32_t open = s.openSegment >= 0 ? s.cp - s.openSegmentCp : 0;
    if (s.charCount + open >= kMaxLineChars) break;
    if (s.cp >= doc->textLimit) {
      lf->breakReason = kBreakLineFeed;
      break;
    }
    if (s.cp >= s.para.limit) FetchParagraph(s, s.cp, false);
    const uint32_t runStart = s.cp;
    if (!StartRun(s)) break;
    if (s.runEnd <= runStart) {
      lf->breakReason = kBreakLineFeed;
      break;
    }
    const char16_t* text = s.buffer.data();
    uint32_t pieceStart = s.cp;
    bool endsOnArrow = false;
    auto flush = [&](uint32_t upTo) {
      if (upTo > pieceStart) {
        AddPiece(s, text + (pieceStart - runStart), upTo - pieceStart, int32_t(pieceStart), int32_t(upTo));
        s.prevChar = text[upTo - 1 - runStart];
      }
    };
    const uint32_t runEnd = s.runEnd;
    while (s.cp < runEnd && lf->breakReason == kBreakNone) {
      const uint32_t at = s.cp;
      const char16_t c = text[at - runStart];
      const bool special = c == kKnotMark0 || c == kKnotMark1 || c == u'\t' || c == u'\n' || c == 11 || c == 12 ||
                           c == kLineSeparator;
      if (!special) {
        if (c == u'.' || c == u':') s.decimalCp = at;
        if ((c == u' ' || c == kNoBreakSpace || c == kNonBreakingHyphenUnit) && s.showInvisibles) {
          AddMarkRun(s, kMarkInvisible, c, at);
        }
        ++s.cp;
        if (c == kRightArrow) {
          endsOnArrow = true;
          break;
        }
        continue;
      }
      flush(at);
      if (c == kKnotMark0 || c == kKnotMark1) {
        HandleKnotMark(s, c);
      } else if (c == u'\t') {
        if (!FinishLineSegment(s)) break;
        MoveToTabStop(s, true);
        if (s.charCount <= 1 || s.ascent == 0) EnsureLineHeightSet(s);
      } else {
        const uint32_t reason = c == u'\n' ? kBreakLineFeed : c == 11 ? kBreakVerticalTab
                              : c == 12    ? kBreakFormFeed
                                           : kBreakLineSeparator;
        HandleLineBreak(s, reason, c);
      }
      if (!CS_SAFE_ASSERT(s.cp > at || lf->breakReason != kBreakNone)) {
        lf->breakReason = kBreakLineFeed;
        break;
      }
      pieceStart = s.cp;
      if (s.cp > runEnd || (s.cp < runEnd && s.cp != at + 1)) break;  // jumped: the next run refetches
    }
    if (s.cp <= runEnd && pieceStart < s.cp && lf->breakReason == kBreakNone) flush(std::min(s.cp, runEnd));
    if ((endsOnArrow || s.finishAfterRun) && lf->breakReason == kBreakNone) FinishLineSegment(s);
  }

  // 11. The open segment, a pending tab, the list's closing mark.
  if (!FinishLineSegment(s) && lf->breakReason == kBreakNone) lf->breakReason = kBreakWrapped;
  AdjustTab(s);
  lf->charCount = s.charCount;
  // Callers go on from the end cp: a line that took nothing would repeat
  // for ever.
  if (!CS_SAFE_ASSERT(s.cp > firstCp)) s.cp = firstCp + 1;
  lf->endCp = std::min(s.cp, doc->cpLimit);
  if (s.listEnd != kNoCpValue && lf->endCp + 1 == s.listEnd) {
    if (s.showInvisibles) AddMarkRun(s, kMarkKnotEnd, kKnotMark1, lf->endCp);
    lf->endCp += 1;
    lf->endsParagraph = 1;
  }

  // 12. Break reasons.
  if (lf->breakReason == kBreakNone && s.charCount >= kMaxLineChars) lf->breakReason = kBreakCharLimit;
  const bool lineEndsParagraph = lf->endCp >= s.para.limit || lf->endsParagraph;
  const uint32_t reason = lf->breakReason;
  if ((reason == kBreakDocumentEnd || reason == kBreakLineFeed || reason == kBreakFormFeed ||
       reason == kBreakVerticalTab) &&
      lineEndsParagraph) {
    lf->endMarkWidth = kInvisibleMarkWidth;
  }
  if (reason == kBreakLineSeparator) lf->endMarkWidth = kInvisibleMarkWidth;
  const bool justifyAllowed = reason <= kBreakTableRow;

  // 13. Line marks before the end.
  uint32_t marks = 0;
  while (marks < lf->lineMarkCount && lf->lineMarks[marks].cp < lf->endCp) ++marks;
  lf->lineMarkCount = marks;

  // 14. Lookahead.
  lf->lookahead = lf->lineKind == 0 && !lineEndsParagraph ? Lookahead(s) : 0;

  // 15. Alignment.
  lf->naturalWidth = s.x;
  if (lf->lineKind == 0 && !s.objectsNeverWrap) {
    const float slack = std::max(0.0f, s.rightEdge - s.x);
    if (props.align == kAlignCenter) {
      lf->leftEdge += slack / 2;
      s.x += slack / 2;
    } else if (props.align == kAlignRight) {
      lf->leftEdge += slack;
      s.x += slack;
    } else if (props.align == kAlignJustify && justifyAllowed) {
      Justify(s);
    }
  }

  // 16-17. Vertical metrics and widths.
  if (lf->lineKind == 0 || lf->lineKind == 2) {
    if (s.ascent == 0 && s.descent == 0) EnsureLineHeightSet(s);
    VerticalMetrics(s, lineEndsParagraph, firstLineOfParagraph);
  }
  lf->lineHeight = std::ceil(s.ascent + s.descent + lf->spaceAbove + lf->spaceBelow);
  lf->baseline = s.ascent + lf->spaceAbove;
  lf->textWidth = s.x;
  lf->layoutWidth = settings.fitToContent ? s.x : std::max(Points(availableWidth), s.x + lf->endMarkWidth);
  if (lf->lineKind == 3) lf->layoutWidth = lf->rightEdge;
  lf->overflow = s.x > s.rightEdge;
  if (lf->lineKind == 3) lf->firstLineFlagged = 0;

  // 18-19. The runs.
  if (!s.keepRuns) {
    ReleaseLineRuns(lf);
  } else {
    AddFindAndSelectionRuns(s);
    CloseRuns(s);
  }

  // 20.
  if (pane && pane->contentsKind == 3) pane->chapterIndex = savedChapter;
}

float LineXFromCpCore(const LineFormat* lf, uint32_t cp, float* rightX) {
  if (!lf) return 0;
  float sum = 0;
  bool seenCp = false;
  for (const LineRun& run : lf->runs) {
    const LineRunHead& head = run.head();
    if (!IsContentRun(head.kind)) continue;
    if (head.firstCp >= 0) {
      if (!seenCp && cp < uint32_t(head.firstCp)) {
        if (rightX) *rightX = 0;
        return 0;
      }
      seenCp = true;
    }
    if (head.kind != kRunText && head.firstCp >= 0 && uint32_t(head.firstCp) == cp) {
      if (rightX) *rightX = sum + head.width;
      return sum;
    }
    if (head.kind == kRunText && head.firstCp >= 0 && cp >= uint32_t(head.firstCp) && cp < uint32_t(head.endCp)) {
      const LineSegment& segment = run.segment;
      for (uint32_t i = 0; i < PieceCount(segment); ++i) {
        const SegmentPiece piece = PieceAt(segment, i);
        if (piece.firstCp < 0 || cp < uint32_t(piece.firstCp) || cp >= uint32_t(piece.endCp)) continue;
        const uint32_t units = PieceUnits(segment, i);
        // A piece whose text is not its cps (a link's text) answers at its ends.
        // The last piece may have been cut where the line broke: it is mapped
        // when it holds at least the units that fit.
        const int64_t cps = int64_t(piece.endCp) - piece.firstCp;
        const bool cut = i + 1 == PieceCount(segment) && piece.offset + units == segment.fitCount;
        const bool mapped = cut ? cps >= int64_t(units) : cps == int64_t(units);
        const uint32_t offset = mapped ? piece.offset + (cp - uint32_t(piece.firstCp)) : piece.offset;
        const float x = sum + PositionOfLineSegmentIndex(&segment, offset);
        if (rightX) {
          *rightX = sum + PositionOfLineSegmentIndex(&segment, mapped ? offset + 1 : piece.offset + units);
        }
        return x;
      }
    }
    sum += head.width;
  }
  if (rightX) *rightX = sum + (lf->breakReason >= 6 && lf->breakReason <= 11 ? kInvisibleMarkWidth : 0);
  return sum;
}

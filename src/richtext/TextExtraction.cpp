#include "richtext/TextExtraction.h"

#include <algorithm>
#include <vector>

#include "richtext/Copying.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"

namespace {

constexpr qsizetype kShortTitle = 25;
constexpr qsizetype kLongTitle = 100;
constexpr qsizetype kTitleBreakSearch = 10;

void AppendAffix(QString* text, const ParaAffix& affix) {
  const uint16_t count = std::min<uint16_t>(affix.count, 4);
  text->append(QStringView(affix.units, count));
}

}  // namespace

void FetchVisibleText(const DocRange& whole, Pane* pane, const VisibleTextCallback& callback) {
  if (!whole.doc || !callback) return;
  CorvaneDoc* doc = whole.doc;
  DocRange range = whole;
  const bool live = RegisterRange(&range, 0);
  DocRange piece;
  for (uint32_t guard = 0; range.first < range.limit && guard <= doc->cpLimit; ++guard) {
    const uint32_t before = range.first;
    if (!NextEditRange(&range, &piece, pane, kEditRangeShown, nullptr)) break;
    const KnotFormat* handed = nullptr;
    KnotFormat knot;
    if (piece.limit > piece.first) {
      FetchKnot(doc, piece.first, &knot, 0);
      if (knot.index != kNoCpValue) {
        const uint32_t type = knot.entry.type;
        if (type == kKnotTable && piece.first == knot.start) {
          range.first = std::max(range.first, std::min(knot.start + 2, range.limit));
          continue;
        } else if (type == kKnotChapter && piece.first == knot.start) {
          continue;
        } else if (type != kKnotRow && type != kKnotTable && piece.first == knot.start) {
          // The callback shows the knot as a whole: the walk goes on after
          // it, even where the piece covers only its first part (a note).
          piece.limit = std::min(piece.limit, knot.limit);
          range.first = std::max(range.first, std::min(knot.limit, range.limit));
          handed = &knot;
        } else {
          // Inside a knot (a table's closing mark included): the text up to
          // its next kink, without the kink mark.
          if (knot.kinks[knot.kinkIndex] == piece.first) ++piece.first;
          if (knot.kinkIndex + 1 < knot.kinkCount && knot.kinks[knot.kinkIndex + 1] < piece.limit) {
            piece.limit = knot.kinks[knot.kinkIndex + 1];
            range.first = std::min(range.first, piece.limit + 1);
          }
        }
      }
    }
    if (piece.limit > piece.first) {
      if (!callback(piece, pane, handed)) break;
      range.first = std::max(range.first, piece.limit);
    }
    // Each turn moves on.
    if (!CS_SAFE_ASSERT(range.first > before || range.first >= range.limit)) break;
  }
  if (live) UnregisterRange(&range);
}

void FetchVisibleTextBackward(const DocRange& whole, const VisibleTextCallback& callback) {
  if (!whole.doc || !callback) return;
  CorvaneDoc* doc = whole.doc;
  Pane* pane = CurrentPane(doc);
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  // What is still to walk; live, so that edits made by the callback move it.
  DocRange rest{doc, std::max(whole.first, paneRange.first), std::min(whole.limit, doc->cpLimit)};
  const bool live = RegisterRange(&rest, 0);
  struct Piece {
    DocRange range;
    bool isKnot;
    KnotFormat knot;
  };
  std::vector<Piece> pieces;
  bool stopped = false;
  for (uint32_t guard = 0; !stopped && rest.first < rest.limit && guard <= doc->cpLimit; ++guard) {
    DocRange paragraph;
    FetchParaProps(doc, pane, rest.limit - 1, &paragraph, nullptr);
    // The paragraph holds the cp before the limit, so each turn moves back.
    if (!CS_SAFE_ASSERT(paragraph.first < rest.limit)) break;
    uint32_t first = std::max(paragraph.first, rest.first);
    // A knot that the forward walk hands over whole (a note, whose marks end
    // paragraphs) is walked from its start, so that it comes whole here too.
    KnotFormat knot;
    FetchKnot(doc, first, &knot, 0);
    const uint32_t type = knot.entry.type;
    if (knot.index != kNoCpValue && knot.start < first && knot.start >= rest.first && type != kKnotTable &&
        type != kKnotRow && type != kKnotChapter)
      first = knot.start;
    pieces.clear();
    FetchVisibleText(DocRange{doc, first, rest.limit}, pane,
                     [&](const DocRange& piece, Pane*, const KnotFormat* knot) {
                       pieces.push_back(Piece{piece, knot != nullptr, knot ? *knot : KnotFormat{}});
                       return true;
                     });
    rest.limit = first;
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
      if (!callback(piece->range, pane, piece->isKnot ? &piece->knot : nullptr)) {
        stopped = true;
        break;
      }
    }
  }
  if (live) UnregisterRange(&rest);
}

QString ExtractPlainText(const DocRange& range, bool withAffixes) {
  if (!range.doc) return {};
  CorvaneDoc* doc = range.doc;
  QString text;
  Pane* pane = CurrentPane(doc);
  // The next table start at or after the walk; a tabbed table that the
  // range holds whole is given as its text with tabs between the cells, and
  // the walk skips it.
  auto tableMarkAtOrAfter = [doc](uint32_t cp) {
    const uint32_t count = SizeOfDynamicCPArray(doc->tableMarks);
    const uint32_t index = IndexOfCpAfter(doc->tableMarks, cp);
    return index < count ? CpAtIndex(doc->tableMarks, index) : doc->cpLimit;
  };
  uint32_t nextTable = doc->tableMarks ? tableMarkAtOrAfter(range.first) : doc->cpLimit;
  uint32_t skipUntil = 0;
  FetchVisibleText(range, pane, [&](const DocRange& piece, Pane* shownIn, const KnotFormat* knot) {
    if (piece.first < skipUntil) return true;
    while (nextTable < doc->cpLimit && piece.first > nextTable) {
      KnotFormat table;
      FetchKnot(doc, nextTable, &table, kKnotTable);
      if (table.index != kNoCpValue && table.start == nextTable && piece.first < table.limit &&
          table.limit <= range.limit && IsTabbedTable(DocRange{doc, table.start, table.limit})) {
        DocRange copy{doc, table.start, table.limit};
        DocRange moved;
        if (NewMoveDoc(&copy, &moved)) {
          if (TableToText(&moved)) text.append(ExtractPlainText(moved, withAffixes));
          DestroyDocument(moved.doc);
        }
        skipUntil = table.limit;
        nextTable = tableMarkAtOrAfter(table.limit);
        return true;
      }
      nextTable = tableMarkAtOrAfter(nextTable + 1);
    }
    // Knots shown as a whole bring their own text; other marks add nothing.
    if (knot) {
      if (knot->entry.type == kKnotVariable) text.append(VariableStringForKnot(*knot, shownIn));
      if (knot->entry.type == kKnotLink) text.append(LinkDisplayString(*knot));
      return true;
    }
    uint32_t cp = piece.first;
    while (cp < piece.limit) {
      DocRange paragraph;
      ParaProps props;
      FetchParaProps(doc, shownIn, cp, &paragraph, &props);
      if (withAffixes && cp == paragraph.first) AppendAffix(&text, props.prefix);
      const uint32_t markCp = paragraph.limit > 0 ? paragraph.limit - 1 : 0;
      const uint32_t end = std::min(piece.limit, std::max(markCp, cp));
      if (end > cp) text.append(RawTextString(doc, cp, end));
      // A piece that stops at a closing mark (a table cell's, a row's) ends
      // its paragraph although the mark itself is never handed over.
      const bool endsAtMark = end == piece.limit && markCp == piece.limit && markCp < range.limit &&
                              CharacterAtCp(doc, markCp) == kKnotMark1;
      if ((end >= piece.limit && !endsAtMark) || !CS_SAFE_ASSERT(paragraph.limit > cp)) break;
      if (withAffixes) AppendAffix(&text, props.suffix);
      text.append(QLatin1Char('\n'));
      cp = paragraph.limit;
    }
    return true;
  });
  if (text.isEmpty()) return {};
  return text;
}

QString ExtractPlainTextFromSel(CorvaneDoc* doc) {
  const Pane* pane = CurrentPane(doc);
  if (!pane) return {};
  // The selection runs from its anchor to its end.
  const uint32_t first = uint32_t(std::max(pane->anchor, 0));
  const uint32_t limit = std::max(first, uint32_t(std::max(pane->end, 0)));
  return ExtractPlainText(DocRange{doc, first, std::min(limit, doc->cpLimit)}, false);
}

QString ExtractStringFromCp(CorvaneDoc* doc, uint32_t cp, uint32_t limit, bool longTitle) {
  if (!doc) return QString(QLatin1String(""));
  uint32_t start = cp;
  KnotFormat knot;
  FetchKnot(doc, cp, &knot, 0);
  Pane temporary;
  temporary.contentsKind = 1;
  temporary.objectSelection = kNoCpValue;
  if (knot.index != kNoCpValue) {
    const uint32_t type = knot.entry.type;
    if (type == kKnotTable) start = std::max(start, knot.start + 2);
    if (knot.start == cp) {
      if ((type == kKnotBookmark || type == kKnotLink || type == kKnotNote) && knot.kinkCount > 1) {
        start = knot.kinks[1] + 1;
        if (type == kKnotNote) temporary.contentsKind = 2;
      } else if (type == kKnotTag) {
        start = knot.limit;
      } else if (type == kKnotContentsEntry) {
        start = std::max(start, knot.start + 1);
      }
    }
  }
  doc->overridePane = &temporary;
  DocRange paragraph;
  FetchParaProps(doc, &temporary, start, &paragraph, nullptr);
  const uint32_t first = std::max(start, paragraph.first);
  const uint32_t last = std::min(limit, paragraph.limit > 0 ? paragraph.limit - 1 : 0);
  QString text = first < last ? ExtractPlainText(DocRange{doc, first, last}, false) : QString();
  doc->overridePane = nullptr;
  FreeDynamicArray(temporary.displayLines);
  if (text.isEmpty()) return QString(QLatin1String(""));
  const qsizetype maximum = longTitle ? kLongTitle : kShortTitle;
  if (text.size() > maximum) {
    qsizetype cut = maximum;
    for (qsizetype i = maximum; i < text.size() && i < maximum + kTitleBreakSearch; ++i) {
      const uint32_t type = TypeOfStringChar(text, i);
      if (type >= 4 && type <= 6) {
        cut = i + 1;
        break;
      }
    }
    text.truncate(cut);
  }
  return text;
}

void FetchTextInPane(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t limit, char16_t* buffer, uint32_t* count) {
  if (!doc || !count) return;
  if (!pane) {
    FetchText(doc, cp, limit, buffer, count);
    return;
  }
  if (limit == kNoCpValue) {
    DocRange range;
    GetPaneRange(doc, pane, &range);
    limit = range.limit;
  }
  DocRange paragraph;
  FetchParaProps(doc, pane, cp, &paragraph, nullptr);
  FetchText(doc, cp, std::min(limit, paragraph.limit), buffer, count);
}

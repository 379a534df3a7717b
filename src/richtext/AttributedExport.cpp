#include "richtext/AttributedExport.h"

#include <QPen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <vector>

#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/Lists.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "richtext/TextServices.h"
#include "richtext/Variables.h"
#include "support/CSAssert.h"
#include "support/CSCore.h"

namespace {

double Points(int64_t measure) {
  return double(measure) / double(kMeasurePerPoint);
}

// Tab-stop alignments (bits 29-31 of a TabStop).
constexpr uint32_t kTabAlignCenter = 1;
constexpr uint32_t kTabAlignRight = 2;
constexpr uint32_t kTabAlignDecimal = 3;

QTextBlockFormat BlockFormatFor(const ParaProps& props) {
  QTextBlockFormat format;
  switch (props.align) {
    case 1:
      format.setAlignment(Qt::AlignHCenter);
      break;
    case 2:
      format.setAlignment(Qt::AlignJustify);
      break;
    case 3:
      format.setAlignment(Qt::AlignRight);
      break;
    default:
      format.setAlignment(Qt::AlignLeft);
      break;
  }
  format.setLeftMargin(Points(props.indentl));
  format.setRightMargin(Points(props.indentr));
  // Qt's first-line indent is measured from the left margin.
  format.setTextIndent(Points(props.indent1));
  if (props.multiple != 0) format.setLineHeight(Points(props.multiple) * 100.0, QTextBlockFormat::ProportionalHeight);
  if (props.height != 0) {
    const double height = std::abs(Points(props.height));
    format.setLineHeight(height, props.height < 0 ? QTextBlockFormat::FixedHeight : QTextBlockFormat::MinimumHeight);
  }
  format.setTopMargin(Points(props.before));
  format.setBottomMargin(Points(props.after));
  QList<QTextOption::Tab> tabs;
  for (uint32_t i = 0; i < std::min<uint32_t>(props.tabCount, kMaxTabs); ++i) {
    const TabStop tab = props.tabs[i];
    const double position = Points(int64_t(tab & kTabPositionMask));
    switch (tab >> 29) {
      case kTabAlignCenter:
        tabs.append(QTextOption::Tab(position, QTextOption::CenterTab));
        break;
      case kTabAlignRight:
        tabs.append(QTextOption::Tab(position, QTextOption::RightTab));
        break;
      case kTabAlignDecimal:
        tabs.append(QTextOption::Tab(position, QTextOption::DelimiterTab, QLatin1Char('.')));
        break;
      default:
        tabs.append(QTextOption::Tab(position, QTextOption::LeftTab));
        break;
    }
  }
  if (!tabs.isEmpty()) format.setTabPositions(tabs);
  return format;
}

QTextCharFormat CharFormatFor(const CharProps& props, const ParaProps& para, double scale) {
  QTextCharFormat format;
  QFont font = FontForProperties(props);
  if (scale != 1.0 && scale > 0 && std::isfinite(scale)) font.setPointSizeF(font.pointSizeF() * scale);
  format.setFont(font);
  if (props.color != kBlackKolor) format.setForeground(ColorFromKolor(props.color));
  if (IsVisibleKolor(props.back))
    format.setBackground(ColorFromKolor(props.back));
  else if (IsVisibleKolor(para.border.back))
    format.setBackground(ColorFromKolor(para.border.back));
  if (props.underline != 0) format.setUnderlineStyle(UnderlineMaskForType(props.underline));
  if (props.outline) {
    // An outline 3 % of the font size wide, in the text colour.
    const QColor color = props.color == kBlackKolor ? QColor(Qt::black) : ColorFromKolor(props.color);
    format.setTextOutline(QPen(color, font.pointSizeF() * 0.03));
  }
  if (props.strike) format.setFontStrikeOut(true);
  if (props.expand != 0) {
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(Points(props.expand));
  }
  if (props.sub < 0)
    format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
  else if (props.sub > 0)
    format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
  return format;
}

// The named bullets of character markers.
QString BulletName(char16_t character) {
  switch (character) {
    case u'-':
      return QStringLiteral("{hyphen}");
    case 0x2022:
      return QStringLiteral("{disc}");
    case 0x25A0:
    case 0x25AA:
      return QStringLiteral("{square}");
    case 0x25A1:
    case 0x25AB:
      return QStringLiteral("{box}");
    case 0x25C6:
      return QStringLiteral("{diamond}");
    case 0x25CB:
    case 0x25E6:
      return QStringLiteral("{circle}");
    case 0x2713:
    case 0x2714:
      return QStringLiteral("{check}");
    default:
      return character ? QString(QChar(character)) : QStringLiteral("{disc}");
  }
}

QString NumberFormatName(uint32_t format) {
  switch (format) {
    case 1:
      return QStringLiteral("upper-roman");
    case 2:
      return QStringLiteral("lower-roman");
    case 3:
      return QStringLiteral("upper-alpha");
    case 4:
      return QStringLiteral("lower-alpha");
    case 9:
      return QStringLiteral("lower-hexadecimal");
    case 10:
      return QStringLiteral("octal");
    default:
      return QStringLiteral("decimal");
  }
}

// One list knot's nine levels as Qt lists, made when a paragraph first needs
// them.
struct ListLevels {
  uint32_t start = kNoCpValue;
  ListProps props;
  std::array<QTextListFormat, kListLevels> formats;
  std::array<QTextList*, kListLevels> lists{};
};

class AttributedExporter {
 public:
  AttributedExporter(CorvaneDoc* doc, QTextDocument* out, double scale)
      : m_doc(doc), m_cursor(out), m_scale(scale), m_pane(CurrentPane(doc)) {}

  // The stretch: paragraphs outside tables, each table met as a whole.
  void exportStretch(uint32_t first, uint32_t limit) {
    uint32_t cp = first;
    for (uint32_t guard = 0; cp < limit && guard <= m_doc->cpLimit; ++guard) {
      // The innermost knot at a cell's text is its row: the table is asked
      // for directly.
      KnotFormat table;
      if (FetchTable(m_doc, cp, &table, nullptr, nullptr) && table.index != kNoCpValue) {
        exportTable(table, cp, limit);
        cp = std::max(cp + 1, table.limit);
        continue;
      }
      cp = exportParagraph(cp, limit);
    }
  }

 private:
  // Starts a paragraph: the block the cursor is in when nothing was written
  // to it yet, else a new one.
  void beginBlock(const QTextBlockFormat& format) {
    if (m_blockUsed)
      m_cursor.insertBlock(format);
    else
      m_cursor.setBlockFormat(format);
    m_blockUsed = true;
  }

  // The paragraph holding cp, from cp up to the limit (its mark never
  // included); answers where the next paragraph starts.
  uint32_t exportParagraph(uint32_t cp, uint32_t limit) {
    DocRange paragraph;
    ParaProps props;
    FetchParaProps(m_doc, m_pane, cp, &paragraph, &props);
    if (!CS_SAFE_ASSERT(paragraph.limit > cp)) return limit;
    const uint32_t textLimit = std::min(limit, paragraph.limit - 1);
    beginBlock(BlockFormatFor(props));
    addToList(paragraph.first, props);

    FetchVisibleText(DocRange{m_doc, cp, std::max(cp, textLimit)}, m_pane,
                     [&](const DocRange& piece, Pane* pane, const KnotFormat* knot) {
                       if (knot) {
                         exportKnot(*knot, pane, props);
                         return true;
                       }
                       exportRuns(piece, props, QString());
                       return true;
                     });
    return paragraph.limit;
  }

  void exportRuns(const DocRange& piece, const ParaProps& para, const QString& href) {
    uint32_t cp = piece.first;
    while (cp < piece.limit) {
      DocRange run;
      CharProps props;
      FetchCharProps(m_doc, &run, cp, &props);
      const uint32_t end = run.limit > cp ? std::min(run.limit, piece.limit) : piece.limit;
      QTextCharFormat format = CharFormatFor(props, para, m_scale);
      if (!href.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(href);
      }
      const QString text = RawTextString(m_doc, cp, end);
      if (!text.isEmpty()) m_cursor.insertText(text, format);
      cp = end;
    }
  }

  void exportKnot(const KnotFormat& knot, Pane* pane, const ParaProps& para) {
    if (knot.entry.type == kKnotVariable) {
      const QString text = VariableStringForKnot(knot, pane);
      if (text.isEmpty()) return;
      CharProps props;
      FetchCharProps(m_doc, nullptr, knot.start, &props);
      m_cursor.insertText(text, CharFormatFor(props, para, m_scale));
    } else if (knot.entry.type == kKnotLink && knot.kinkCount >= 3) {
      const QString address = LinkAddressString(knot);
      const QUrl url(address, QUrl::StrictMode);
      QString href;
      if (!address.isEmpty() && url.isValid())
        href = url.toString(QUrl::FullyEncoded);
      else
        LogString("Can't export link: %@", address);
      // The shown part, between the middle and the end mark, in its own runs.
      const uint32_t first = knot.kinks[1] + 1;
      const uint32_t limit = knot.kinks[knot.kinkCount - 1];
      if (limit > first) exportRuns(DocRange{m_doc, first, limit}, para, href);
    }
  }

  // Puts the paragraph into its list level's text list when it lies in a
  // list knot and has one of the list styles.
  void addToList(uint32_t paragraphFirst, const ParaProps& props) {
    KnotFormat knot;
    ListProps list;
    if (!FetchList(m_doc, m_pane, paragraphFirst, &knot, &list)) {
      m_list = ListLevels{};
      return;
    }
    if (knot.start != m_list.start) startList(knot.start, list);
    if (props.style >= StyleCount(m_doc)) return;
    const StyleEntry style = StyleEntryAt(m_doc, props.style);
    if (!IsListStyleId(style.builtinId)) return;
    const uint32_t level = style.builtinId - kFirstListStyleId + 1;
    QTextList*& textList = m_list.lists[level - 1];
    if (textList)
      textList->add(m_cursor.block());
    else
      textList = m_cursor.createList(m_list.formats[level - 1]);
    if (m_list.formats[level - 1].style() == QTextListFormat::ListStyleUndefined) {
      // Qt draws no such marker: the marker goes before the text.
      QString marker =
          ListEntryMarker(m_doc, m_pane, m_doc->listNumberCache, knot.start, paragraphFirst, level, m_list.props);
      if (marker.isEmpty()) marker = QString(QChar(0x25A1));
      CharProps chars;
      FetchCharProps(m_doc, nullptr, paragraphFirst, &chars);
      m_cursor.insertText(marker + QLatin1Char('\t'), CharFormatFor(chars, props, m_scale));
    }
  }

  void startList(uint32_t start, const ListProps& record) {
    m_list = ListLevels{};
    m_list.start = start;
    m_list.props = record;
    NormalizeMarkers(&m_list.props, true);
    for (uint32_t level = 0; level < kListLevels; ++level) {
      const ListMarker& marker = m_list.props.mark[level];
      QTextListFormat& format = m_list.formats[level];
      const QString markerFormat = TextListMarkerFormat(marker);
      format.setStyle(TextListStyleForFormat(markerFormat));
      format.setIndent(int(level + 1));
      format.setProperty(kListMarkerFormatProperty, markerFormat);
      if (marker.type == kMarkerNumber && format.style() != QTextListFormat::ListStyleUndefined) {
        format.setNumberPrefix(marker.character ? QString(QChar(marker.character)) : QString());
        format.setNumberSuffix(marker.suffix ? QString(QChar(marker.suffix)) : QString());
      }
    }
  }

  void exportTable(const KnotFormat& tableKnot, uint32_t first, uint32_t limit) {
    KnotFormat table, firstRow;
    TableProps props;
    if (!FetchTable(m_doc, tableKnot.start + 1, &table, &firstRow, &props)) return;
    const uint32_t rowCount = TableRowCount(table, 0xFFFFFFFF, nullptr);
    std::vector<KnotFormat> rows;
    for (uint32_t i = 0; i < rowCount; ++i) {
      KnotFormat row;
      TableRowCount(table, i, &row);
      if (row.index == kNoCpValue || row.start >= limit || row.limit <= first) continue;
      rows.push_back(row);
    }
    if (rows.empty()) return;
    const uint32_t columns = std::clamp<uint32_t>(props.cols, 1, kMaxTableColumns);

    QTextTableFormat format;
    QList<QTextLength> widths;
    for (uint32_t c = 0; c < columns; ++c)
      widths.append(QTextLength(QTextLength::FixedLength, Points(props.columns[c])));
    format.setColumnWidthConstraints(widths);
    format.setCellPadding(0);
    format.setCellSpacing(0);
    // The table starts a block of its own.
    if (m_blockUsed) m_cursor.insertBlock();
    QTextTable* textTable = m_cursor.insertTable(int(rows.size()), int(columns), format);
    if (!textTable) return;

    for (size_t r = 0; r < rows.size(); ++r) {
      const KnotFormat& row = rows[r];
      const uint32_t cells = std::min(RowCellCount(row), columns);
      const bool firstRowOfTable = row.start == firstRow.start;
      const bool lastRowOfTable = r + 1 == rows.size() && row.limit + 1 >= table.limit;
      for (uint32_t c = 0; c < cells; ++c) {
        QTextTableCell cell = textTable->cellAt(int(r), int(c));
        QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
        KnotEntry entry;
        if (KnotEntryForTableColumn(row, c, &entry) && IsVisibleKolor(Kolor(entry.word1)))
          cellFormat.setBackground(ColorFromKolor(Kolor(entry.word1)));
        if (props.height != 0) {
          const double height = std::abs(Points(props.height));
          cellFormat.setProperty(kCellMinimumHeightProperty, height);
          if (props.height < 0) cellFormat.setProperty(kCellMaximumHeightProperty, height);
        }
        const bool every = !props.insideonly;
        cellFormat.setLeftPadding(every || c == 0 ? Points(props.cleft) : 0);
        cellFormat.setRightPadding(every || c + 1 == cells ? Points(props.cright) : 0);
        cellFormat.setTopPadding(every || firstRowOfTable ? Points(props.before) : 0);
        cellFormat.setBottomPadding(every || lastRowOfTable ? Points(props.after) : 0);
        cell.setFormat(cellFormat);

        const uint32_t cellFirst = std::max(first, row.kinks[c] + 1);
        const uint32_t cellLimit = std::min(limit, row.kinks[c + 1]);
        m_cursor = cell.firstCursorPosition();
        m_blockUsed = false;
        uint32_t cp = cellFirst;
        for (uint32_t guard = 0; cp < cellLimit && guard <= m_doc->cpLimit; ++guard)
          cp = exportParagraph(cp, cellLimit);
      }
    }
    m_cursor.setPosition(textTable->lastPosition() + 1);
    m_blockUsed = false;
  }

  CorvaneDoc* m_doc;
  QTextCursor m_cursor;
  double m_scale;
  Pane* m_pane;
  bool m_blockUsed = false;
  ListLevels m_list;
};

}  // namespace

QTextCharFormat::UnderlineStyle UnderlineMaskForType(uint32_t underlineKind) {
  switch (underlineKind) {
    case 0:
      return QTextCharFormat::NoUnderline;
    case 4:
      return QTextCharFormat::DotLine;
    case 5:
      return QTextCharFormat::DashUnderline;
    default:
      return QTextCharFormat::SingleUnderline;
  }
}

QString TextListMarkerFormat(const ListMarker& marker) {
  switch (marker.type) {
    case kMarkerNumber: {
      QString format;
      if (marker.character) format += QChar(marker.character);
      format += QLatin1Char('{') + NumberFormatName(marker.format) + QLatin1Char('}');
      if (marker.suffix) format += QChar(marker.suffix);
      return format;
    }
    case kMarkerCheck:
      return QStringLiteral("{box}");
    case kMarkerBullet:
      return BulletName(marker.character);
    default:
      return QStringLiteral("{disc}");
  }
}

QTextListFormat::Style TextListStyleForFormat(const QString& format) {
  const qsizetype open = format.indexOf(u'{');
  const qsizetype close = format.indexOf(u'}', open + 1);
  if (open < 0 || close < 0) return QTextListFormat::ListStyleUndefined;
  const QStringView name = QStringView(format).mid(open + 1, close - open - 1);
  if (name == u"disc") return QTextListFormat::ListDisc;
  if (name == u"circle") return QTextListFormat::ListCircle;
  if (name == u"square") return QTextListFormat::ListSquare;
  if (name == u"decimal") return QTextListFormat::ListDecimal;
  if (name == u"lower-alpha") return QTextListFormat::ListLowerAlpha;
  if (name == u"upper-alpha") return QTextListFormat::ListUpperAlpha;
  if (name == u"lower-roman") return QTextListFormat::ListLowerRoman;
  if (name == u"upper-roman") return QTextListFormat::ListUpperRoman;
  return QTextListFormat::ListStyleUndefined;
}

std::unique_ptr<QTextDocument> ExportAttributedText(CorvaneDoc* doc, uint32_t first, uint32_t limit,
                                                    AttributedDocumentAttributes* documentAttributes,
                                                    double fontScale) {
  auto out = std::make_unique<QTextDocument>();
  if (!doc) return out;
  const uint32_t savedPane = doc->currentPane;
  doc->currentPane = 0;
  try {
    const DocProps& settings = doc->docProps;
    if (settings.deftab > 0) {
      QTextOption option = out->defaultTextOption();
      option.setTabStopDistance(Points(settings.deftab));
      out->setDefaultTextOption(option);
    }
    if (documentAttributes) {
      *documentAttributes = AttributedDocumentAttributes{};
      documentAttributes->leftMargin = Points(settings.left);
      documentAttributes->rightMargin = Points(settings.right);
      documentAttributes->topMargin = Points(settings.top);
      documentAttributes->bottomMargin = Points(settings.bottom);
      documentAttributes->defaultTabInterval = Points(settings.deftab);
      if (IsVisibleKolor(settings.back)) documentAttributes->background = ColorFromKolor(settings.back);
    }
    // The leading chapter knot holds no text to export.
    first = std::max(first, std::min(FirstDocumentCp(doc), doc->textLimit));
    limit = std::min(limit, doc->cpLimit);
    AttributedExporter exporter(doc, out.get(), fontScale);
    if (first < limit) exporter.exportStretch(first, limit);
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("Export failed"));
  }
  doc->currentPane = savedPane;
  return out;
}

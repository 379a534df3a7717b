// Table layout of table records as a reader hands them over: a table of
// rows and cells whose shape and text come from the bytes, and a table
// record whose every field (column count, widths, percentages, paddings,
// indents, row height, border) is taken raw. Every row must become one line
// that advances, no taller than the clamps allow, its cells inside finite
// rectangles, and drawing the rows must finish.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "RichTextFuzzSetup.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/DrawLine.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/Tables.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsContext.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBodyStart = 14;
constexpr uint32_t kMaxRows = 6;
constexpr uint32_t kMaxCells = 30;  // past the 25 columns a record may have

void Append(CSArrayCP* array, uint32_t cp, const void* data) {
  InsertInDynamicCPArray(array, SizeOfDynamicCPArray(array), cp, data);
}

CorvaneDoc* Build(FuzzBytes& bytes) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return nullptr;
  Properties record;
  SetBaseProperties(kTableProperties, &record);
  TableProps& t = record.body.table;
  t.cols = bytes.next();
  t.autofit = bytes.next() % 2;
  t.insideonly = bytes.next() % 2;
  t.titlerow = bytes.next() % 2;
  t.stripe = bytes.next() % 2;
  t.stripecolor = 0x64F0F0F0;
  t.align = bytes.next() % 5;
  for (int64_t* value : {&t.left, &t.right, &t.top, &t.bottom, &t.cleft, &t.cright, &t.before, &t.after, &t.height})
    *value = bytes.wide();
  for (int64_t& width : t.columns) width = bytes.wide();
  t.border.btype = bytes.next() % 18;
  t.border.bline = bytes.next() % 8;
  t.border.bwidth = bytes.wide();
  t.border.boff = bytes.wide();
  t.border.color = kBlackKolor;
  const uint32_t props = IndexForProperties(doc, &record);

  // The table's marks and text: table begin, rows of cells, table end.
  std::vector<char16_t> body;
  std::vector<std::pair<uint32_t, KnotEntry>> knots;
  auto mark = [&](char16_t unit, uint32_t type, uint32_t role, uint32_t index = 0xFFFFFFFF) {
    KnotEntry entry;
    entry.type = type;
    entry.role = role;
    entry.props = index;
    entry.word1 = bytes.next() % 3 == 0 ? 0x64FFC0C0 : 0xFFFFFFFF;
    knots.emplace_back(kBodyStart + uint32_t(body.size()), entry);
    body.push_back(unit);
  };
  mark(0, kKnotTable, kKinkBegin, props);
  const uint32_t rows = bytes.next() % kMaxRows + 1;
  for (uint32_t r = 0; r < rows; ++r) {
    mark(0, kKnotRow, kKinkBegin);
    const uint32_t cells = bytes.next() % kMaxCells + 1;
    for (uint32_t c = 0; c < cells; ++c) {
      const uint32_t length = bytes.next() % 12;
      for (uint32_t i = 0; i < length; ++i) {
        const uint8_t b = bytes.next();
        body.push_back(b % 7 == 0 ? u'\n' : b % 5 == 0 ? u' ' : char16_t(u'a' + b % 26));
      }
      mark(1, kKnotRow, c + 1 == cells ? kKinkEnd : kKinkMiddle);
    }
  }
  mark(1, kKnotTable, kKinkEnd);
  body.push_back(u'z');
  body.push_back(u'\n');
  body.push_back(u'\n');  // the closing mark
  LayFuzzBody(doc, body, kBodyStart, uint32_t(body.size()));
  for (const auto& [cp, entry] : knots) {
    Append(doc->knots, cp, &entry);
    if (entry.type == kKnotTable && entry.role == kKinkBegin) Append(doc->tableMarks, cp, nullptr);
  }
  Properties chars;
  InitProperties(kCharProperties, &chars, nullptr);
  chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  chars.body.charProps.size = 48;
  const uint32_t index = IndexForProperties(doc, &chars);
  ReplaceDynamicCPArrayEntry(doc->charRuns, 0, &index);
  return doc;
}

// Rows can be no taller than the clamped minimum height, paddings and
// borders allow, or than their cells' lines.
constexpr float kRowHeightBound = 10000.0f * 12 + 1000.0f * 8;

void Exercise(CorvaneDoc* doc, float width) {
  LineFormat format;
  if (!InitFormatLine(doc, CurrentPane(doc), &format, kLineKeepRuns)) return;
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  uint32_t lines = 0;
  double y = 0;
  for (uint32_t cp = kBodyStart; cp < doc->textLimit; ++lines) {
    FormatLine(cp, int64_t(width * 12700), &format);
    if (format.endCp <= cp || format.endCp > doc->cpLimit || lines > doc->cpLimit) std::abort();
    if (!std::isfinite(format.lineHeight) || format.lineHeight < 0 || format.lineHeight > kRowHeightBound)
      std::abort();
    if (format.lineKind == 3) {
      QRectF row;
      std::vector<QRectF> cells;
      std::vector<int64_t> widths;
      GetRowRectangles(&format, 0, y, &row, &cells, &widths);
      if (cells.size() > kMaxTableColumns) std::abort();
      for (const QRectF& cell : cells) {
        if (!std::isfinite(cell.x()) || !std::isfinite(cell.width()) || cell.width() < 0 || cell.height() < 0)
          std::abort();
      }
      for (int64_t w : widths)
        if (w < 0) std::abort();
    }
    DrawFormattedLine(&format, 0, g_nilKolor, nullptr, QRectF(0, y, width, format.lineHeight), QRectF(0, 0, 64, 64));
    y += format.lineHeight;
    cp = format.endCp;
  }
  ReleaseLineFormat(&format);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes bytes(data, size);
  const float width = float(bytes.next() % 64) * 10.0f;
  CorvaneDoc* doc = Build(bytes);
  if (!doc) return 0;
  if (ValidateDocument(doc)) Exercise(doc, width);
  DestroyDocument(doc);
  return 0;
}

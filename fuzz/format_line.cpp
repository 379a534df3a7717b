// Line formatting of engine documents as a reader would hand them over:
// text with knot marks, tabs and breaks, knot entries, and paragraph and
// character records whose indents, tab stops, heights and borders come from
// the bytes. Every line of a document that ValidateDocument accepts must be
// formatted without a crash or an endless walk, each line advancing, and
// every paragraph border must be planned within its clamps.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "RichTextFuzzSetup.h"
#include "richtext/Borders.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBodyStart = 14;

char16_t Unit(uint8_t b) {
  static const char16_t kSpecial[] = {0, 1, u'\n', u' ', u'\t', 11, 12, 0x2028, 0x2192, u'.', 0x00AD, 0x2011};
  return b % 24 < 12 ? kSpecial[b % 12] : char16_t(u'a' + b % 26);
}

uint32_t AddParaRecord(CorvaneDoc* doc, FuzzBytes& bytes) {
  Properties record;
  SetBaseProperties(kParaProperties, &record);
  ParaProps& p = record.body.para;
  p.align = bytes.next() % 5;
  p.indent1 = bytes.wide() % (400 * 12700);
  p.indentl = bytes.wide() % (400 * 12700);
  p.indentr = bytes.wide() % (400 * 12700);
  p.height = bytes.wide() % (200 * 12700);
  p.multiple = bytes.wide() % (5 * 12700);
  p.before = bytes.next() * 12700;
  p.prefix.count = bytes.next() % 6;
  for (char16_t& unit : p.prefix.units) unit = Unit(bytes.next());
  p.tabCount = bytes.next() % (kMaxTabs + 3);
  for (TabStop& tab : p.tabs) tab = uint32_t(bytes.wide());
  BorderProps& border = p.border;
  border.btype = bytes.next() % 18;
  border.bline = bytes.next() % 8;
  border.bwidth = bytes.wide();
  border.bthick = bytes.wide();
  border.boff = bytes.wide();
  border.color = bytes.next() % 2 ? kBlackKolor : g_nilKolor;
  border.back = bytes.next() % 2 ? 0x64FF0000 : 0;
  return IndexForProperties(doc, &record);
}

uint32_t AddCharRecord(CorvaneDoc* doc, FuzzBytes& bytes) {
  Properties record;
  SetBaseProperties(kCharProperties, &record);
  CharProps& c = record.body.charProps;
  c.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  c.size = int16_t(16 + bytes.next() * 4);
  c.caps = bytes.next() % 6;
  c.underline = bytes.next() % 8;
  c.sub = bytes.wide() % (50 * 12700);
  c.shadow = bytes.next() % 2;
  return IndexForProperties(doc, &record);
}

CorvaneDoc* Build(FuzzBytes& bytes) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return nullptr;
  const uint32_t length = bytes.next() % 200 + 1;
  std::vector<char16_t> body;
  for (uint32_t i = 0; i < length; ++i) body.push_back(Unit(bytes.next()));
  body.push_back(u'\n');
  body.push_back(u'\n');  // the closing mark
  LayFuzzBody(doc, body, kBodyStart, uint32_t(body.size()));
  doc->docProps.deftab = bytes.wide() % (100 * 12700);
  while (!bytes.empty()) {
    const uint8_t what = bytes.next();
    const uint32_t cp = kBodyStart + bytes.next() % length;
    if (what % 4 == 0) {
      const uint32_t index = AddParaRecord(doc, bytes);
      InsertByCp(doc->paraRuns, cp, &index);
    } else if (what % 4 == 1) {
      const uint32_t index = AddCharRecord(doc, bytes);
      InsertByCp(doc->charRuns, cp, &index);
    } else {
      KnotEntry entry;
      entry.type = bytes.next() % 17;
      entry.role = bytes.next() % 4;
      entry.word3 = bytes.next();
      InsertByCp(doc->knots, cp, &entry);
      CSArrayCP* marks = KnotLocationArray(doc, entry.type);
      if (marks && entry.role == kKinkBegin) InsertByCp(marks, cp, nullptr);
    }
  }
  return doc;
}

void Exercise(CorvaneDoc* doc, float width, uint8_t options) {
  LineFormat format;
  const uint32_t flags = kLineKeepRuns | (options & 1 ? kLineIgnoreSpacing : 0) | (options & 2 ? kLinePlainRendering : 0);
  if (!InitFormatLine(doc, CurrentPane(doc), &format, flags)) return;
  format.settings.showsKnots = options >> 2 & 1;
  format.settings.showBookmarks = options >> 3 & 1;
  format.settings.noObjectWrap = options >> 4 & 1;
  format.settings.lineHeight = options >> 5 & 1 ? -20 * 12700 : 0;
  CurrentPane(doc)->contentsFlags[2] = options >> 6 & 1;  // show invisibles
  uint32_t lines = 0;
  for (uint32_t cp = kBodyStart; cp < doc->textLimit; ++lines) {
    FormatLine(cp, int64_t(width * 12700), &format);
    if (format.endCp <= cp || format.endCp > doc->cpLimit || lines > doc->cpLimit) std::abort();
    for (const LineRun& run : format.runs) {
      if (!std::isfinite(run.head().x) || !std::isfinite(run.head().width)) std::abort();
    }
    if (format.borderEdges.top || format.borderEdges.bottom) {
      DocRange para;
      ParaProps props;
      FetchParaProps(doc, nullptr, cp, &para, &props);
      const BorderPlan plan = PlanBorder(props.border, false, format.borderEdges, QRectF(0, 0, width, 20));
      for (const BorderStep& step : plan.steps) {
        // At most kMaxBorderOrnaments teeth or half circles (a few curves each) a side.
        if (step.path.elementCount() > 4 * 16 * kMaxBorderOrnaments + 64) std::abort();
      }
    }
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
  const uint8_t options = bytes.next();
  CorvaneDoc* doc = Build(bytes);
  if (!doc) return 0;
  if (ValidateDocument(doc)) Exercise(doc, width, options);
  DestroyDocument(doc);
  return 0;
}

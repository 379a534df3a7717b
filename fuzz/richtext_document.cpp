// Engine documents as a reader would hand them over: text with knot marks,
// knot entries, formatting runs and text pieces made from the bytes. A
// document that ValidateDocument accepts must survive every query over it
// (knots, paragraphs, properties, shown text, edit ranges, titles) without a
// crash, an endless walk or a read outside its text.
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "RichTextFuzzSetup.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBodyStart = 14;

CorvaneDoc* Build(FuzzBytes& bytes) {
  CorvaneDoc* doc = NewCorvaneDoc(bytes.next() % 5);
  if (!doc) return nullptr;
  const uint32_t length = bytes.next() % 96 + 1;
  const uint32_t pieceSize = bytes.next() % 16 + 1;
  std::vector<char16_t> body;
  for (uint32_t i = 0; i < length; ++i) {
    const uint8_t b = bytes.next();
    body.push_back(b % 8 == 0 ? 0 : b % 8 == 1 ? 1 : b % 8 == 2 ? u'\n' : b % 8 == 3 ? u' ' : char16_t(u'a' + b % 26));
  }
  body.push_back(u'\n');
  body.push_back(u'\n');  // the closing mark
  LayFuzzBody(doc, body, kBodyStart, pieceSize);

  // One (empty) picture for picture marks to name.
  const uint8_t picture[56] = {};
  AppendToDynamicArray(doc->pictures, picture);
  const uint32_t records = SizeOfDynamicArray(doc->propertyTable);
  while (!bytes.empty()) {
    const uint8_t what = bytes.next();
    const uint32_t cp = kBodyStart + bytes.next() % length;
    if (what % 4 == 0) {
      const uint32_t index = bytes.next() % (records + 1);
      InsertByCp(what % 8 == 0 ? doc->charRuns : doc->paraRuns, cp, &index);
      continue;
    }
    KnotEntry entry;
    entry.type = bytes.next() % 17;
    entry.role = bytes.next() % 4;
    const uint8_t props = bytes.next();
    entry.props = props == 0xFF ? 0xFFFFFFFF : props % records;
    InsertByCp(doc->knots, cp, &entry);
    CSArrayCP* marks = KnotLocationArray(doc, entry.type);
    if (marks && entry.role == kKinkBegin) InsertByCp(marks, cp, nullptr);
  }
  return doc;
}

void Exercise(CorvaneDoc* doc) {
  Pane plain;
  plain.contentsKind = 1;
  Pane full;
  SetDummyPane(&full, true);
  Pane outline;
  outline.contentsKind = 5;
  for (uint32_t cp = 0; cp <= doc->cpLimit; ++cp) {
    KnotFormat knot;
    FetchKnot(doc, cp, &knot, 0);
    if (knot.index != 0xFFFFFFFF && (knot.kinkCount == 0 || knot.kinkCount > kMaxKinks || knot.limit > doc->cpLimit))
      std::abort();
    KnotLimitCp(doc, cp);
    CharProps chars;
    FetchCharProps(doc, nullptr, cp, &chars);
    for (Pane* pane : {&plain, &full, &outline}) {
      DocRange paragraph;
      FetchParaProps(doc, pane, cp, &paragraph, nullptr);
      if (paragraph.limit > doc->cpLimit || paragraph.first > paragraph.limit) std::abort();
      const uint32_t visible = VisibleCp(doc, pane, cp, cp % 2 == 0);
      if (visible > doc->cpLimit) std::abort();
      FirstVisibleCpInPara(doc, pane, cp);
    }
    DocRange range{doc, cp, std::min(doc->cpLimit, cp + 7)};
    ExpandRangeForKnots(&range);
    for (uint32_t type = 1; type < kKnotTypeCount; ++type) {
      DocRange within;
      if (CpIsWithinKnot(doc, cp, type, &within) && (within.first > cp || within.limit <= cp || within.limit > doc->cpLimit))
        std::abort();
    }
  }
  DocRange whole;
  GetDocumentRange(doc, &whole, true);
  ExtractPlainText(whole, true);
  ExtractStringFromCp(doc, whole.first, whole.limit, false);
  for (uint32_t mode : {0u, 1u, 2u, 3u, 4u, 6u}) {
    DocRange rest{doc, 0, doc->cpLimit};
    DocRange out;
    // Each step moves the range on and hands over a stretch of the text.
    for (uint32_t before = rest.first; NextEditRange(&rest, &out, &plain, mode, nullptr); before = rest.first) {
      if (rest.first <= before || out.first > out.limit || out.limit > doc->cpLimit) std::abort();
    }
  }
  // The backward walk hands pieces over from the last to the first.
  uint32_t previous = whole.limit;
  FetchVisibleTextBackward(whole, [&](const DocRange& piece, Pane*, const KnotFormat*) {
    if (piece.first >= piece.limit || piece.limit > previous || piece.first < whole.first) std::abort();
    previous = piece.first;
    return true;
  });
  FreeDynamicArray(plain.displayLines);
  FreeDynamicArray(outline.displayLines);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes bytes(data, size);
  CorvaneDoc* doc = Build(bytes);
  if (!doc) return 0;
  if (ValidateDocument(doc)) Exercise(doc);
  DestroyDocument(doc);
  return 0;
}

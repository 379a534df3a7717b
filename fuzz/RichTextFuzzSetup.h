#pragma once
// What the fuzz targets of the rich-text engine's readers set up once: a GUI
// application on the offscreen platform (fonts and images need one), the
// engine's thread storage and key table, a small pixel budget, and the
// oracle every accepted document must pass.

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "richtext/CorvaneDoc.h"
#include "richtext/NativeTags.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextExtraction.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

constexpr int64_t kRichTextFuzzPixelLimit = 1000 * 1000;

inline void SetUpRichTextFuzzing(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  AllocateThreadStorage(QString());
  SetImageDecodePixelLimit(kRichTextFuzzPixelLimit);
  SetEpsConversionTimeLimit(0);
  CreateCorvaneXmlDecoder();
}

// A document a reader accepted is whole, and every chapter's text can be
// taken out of it.
inline void CheckAcceptedDocument(CorvaneDoc* doc) {
  if (!ValidateDocument(doc)) std::abort();
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->chapterMarks); ++i) {
    DocRange range;
    FetchChapterProps(doc, CpAtIndex(doc->chapterMarks, i), &range, nullptr);
    (void)ExtractPlainText(range, true);
  }
}

// The bytes a fuzz target builds its document from, read one at a time;
// zeros once they run out.
class FuzzBytes {
 public:
  FuzzBytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool empty() const { return m_at >= m_size; }
  uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }
  int64_t wide() {
    int64_t value = 0;
    for (int i = 0; i < 8; ++i) value = value << 8 | next();
    return value;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

// Inserts an entry at cp after those at or before it.
inline void InsertByCp(CSArrayCP* array, uint32_t cp, const void* data) {
  uint32_t index = IndexOfCpAfter(array, cp + 1);
  if (index == 0xFFFFFFFF) index = SizeOfDynamicCPArray(array);
  InsertInDynamicCPArray(array, index, cp, data);
}

// Lays the body (its closing mark last) down from bodyStart in pieces of
// pieceSize units, and sets the document's limits and every cp array's.
inline void LayFuzzBody(CorvaneDoc* doc, const std::vector<char16_t>& body, uint32_t bodyStart, uint32_t pieceSize) {
  SetDynamicCPArrayCount(doc->pieces, 1, bodyStart);
  for (uint32_t offset = 0; offset < body.size(); offset += pieceSize) {
    const uint32_t n = std::min<uint32_t>(pieceSize, uint32_t(body.size()) - offset);
    auto* units = static_cast<char16_t*>(AllocateMemory(n * sizeof(char16_t)));
    std::copy(body.begin() + offset, body.begin() + offset + n, units);
    const TextBuffer buffer{units, n};
    AppendToDynamicArray(doc->textBuffers, &buffer);
    InsertInDynamicCPArray(doc->pieces, SizeOfDynamicCPArray(doc->pieces), bodyStart + offset, &units);
  }
  doc->cpLimit = bodyStart + uint32_t(body.size());
  doc->textLimit = doc->cpLimit - 1;
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->bookmarkMarks, doc->chapterMarks, doc->listMarks,
                           doc->tableMarks, doc->charRuns, doc->paraRuns, doc->proofRuns, doc->findMarks,
                           doc->markArray2, doc->listNumberCache})
    SetMaxCp(array, doc->cpLimit);
  for (Pane& pane : doc->panes)
    if (pane.displayLines) SetMaxCp(pane.displayLines, doc->textLimit);
}

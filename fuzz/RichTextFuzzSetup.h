#pragma once
// What the fuzz targets of the rich-text engine's readers set up once: a GUI
// application on the offscreen platform (fonts and images need one), the
// engine's thread storage and key table, a small pixel budget, and the
// oracle every accepted document must pass.

#include <QGuiApplication>
#include <cstdlib>

#include "richtext/CorvaneDoc.h"
#include "richtext/NativeTags.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextExtraction.h"
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

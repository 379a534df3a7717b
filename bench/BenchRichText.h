#pragma once
// A rich-text document the engine benchmarks lay out: one body of text in
// one piece, every character in 48 half-points of DejaVu Sans, black.

#include <QString>
#include <algorithm>
#include <initializer_list>
#include <random>
#include <vector>

#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/Properties.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"

// Where the body of a new view document begins, after its chapter marks.
constexpr uint32_t kBenchBodyStart = 14;

// A new view document holding the body and a closing paragraph mark.
inline CorvaneDoc* BenchDocumentWithText(const QString& body) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  const QString whole = body + u'\n';
  const auto units = uint32_t(whole.size());
  SetDynamicCPArrayCount(doc->pieces, 1, kBenchBodyStart);
  auto* buffer = static_cast<char16_t*>(AllocateMemory(units * sizeof(char16_t)));
  std::copy(whole.utf16(), whole.utf16() + units, buffer);
  const TextBuffer entry{buffer, units};
  AppendToDynamicArray(doc->textBuffers, &entry);
  InsertInDynamicCPArray(doc->pieces, 1, kBenchBodyStart, &buffer);
  doc->cpLimit = kBenchBodyStart + units;
  doc->textLimit = doc->cpLimit - 1;
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->charRuns, doc->paraRuns, doc->chapterMarks})
    SetMaxCp(array, doc->cpLimit);
  Properties chars;
  InitProperties(kCharProperties, &chars, nullptr);
  chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
  chars.body.charProps.size = 48;
  chars.body.charProps.color = kBlackKolor;
  const uint32_t index = IndexForProperties(doc, &chars);
  ReplaceDynamicCPArrayEntry(doc->charRuns, 0, &index);
  return doc;
}

// At least `units` units of paragraphs, each of `shortest` to `longest`
// units of words drawn from the list, the same text for the same seed.
inline QString BenchParagraphs(std::initializer_list<const char*> words, uint32_t units, int shortest, int longest,
                               uint32_t seed) {
  const std::vector<const char*> list(words);
  std::mt19937 random(seed);
  QString text;
  text.reserve(units + longest + 16);
  while (text.size() < qsizetype(units)) {
    const int length = std::uniform_int_distribution<int>(shortest, longest)(random);
    const qsizetype start = text.size();
    while (text.size() - start < length) {
      text += QLatin1String(list[std::uniform_int_distribution<size_t>(0, list.size() - 1)(random)]);
      text += u' ';
    }
    text.back() = u'\n';
  }
  return text;
}

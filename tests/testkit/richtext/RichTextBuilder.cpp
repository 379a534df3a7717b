#include "richtext/RichTextBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "richtext/FontNames.h"
#include "richtext/Properties.h"
#include "richtext/TextAccess.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"

namespace {

void SetAllMaxCps(CorvaneDoc* doc, uint32_t cpLimit) {
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->bookmarkMarks, doc->chapterMarks, doc->listMarks,
                           doc->tableMarks, doc->charRuns, doc->paraRuns, doc->proofRuns, doc->findMarks,
                           doc->markArray2, doc->listNumberCache})
    if (array) SetMaxCp(array, cpLimit);
}

// Inserts after the entries at or before the cp.
void InsertByCp(CSArrayCP* array, uint32_t cp, const void* data) {
  uint32_t index = IndexOfCpAfter(array, cp + 1);
  if (index == 0xFFFFFFFF) index = SizeOfDynamicCPArray(array);
  ASSERT_TRUE(InsertInDynamicCPArray(array, index, cp, data));
}

void ReplaceAt(CSArrayCP* array, uint32_t cp, const void* data) {
  const uint32_t index = IndexOfCpAfter(array, cp);
  if (index != 0xFFFFFFFF && index < SizeOfDynamicCPArray(array) && CpAtIndex(array, index) == cp) {
    ReplaceDynamicCPArrayEntry(array, index, data);
  } else {
    InsertByCp(array, cp, data);
  }
}

}  // namespace

RichTextBuilder::RichTextBuilder(int32_t kind) : m_doc(NewCorvaneDoc(kind)) {
  EXPECT_NE(m_doc, nullptr) << "a new document could not be made";
}

RichTextBuilder::~RichTextBuilder() { DestroyDocument(m_doc); }

CorvaneDoc* RichTextBuilder::take() {
  CorvaneDoc* doc = m_doc;
  m_doc = nullptr;
  return doc;
}

RichTextBuilder& RichTextBuilder::text(const QString& body, uint32_t pieceSize) {
  if (!m_doc) return *this;
  const QString whole = body + QChar(u'\n');
  const auto length = uint32_t(whole.size());
  if (pieceSize == 0) pieceSize = length;
  // Drop every piece after the chapter knot, then lay the new ones down.
  SetDynamicCPArrayCount(m_doc->pieces, 1, kBodyStart);
  for (uint32_t offset = 0; offset < length; offset += pieceSize) {
    const uint32_t n = std::min(pieceSize, length - offset);
    auto* buffer = static_cast<char16_t*>(AllocateMemory(n * sizeof(char16_t)));
    std::copy(whole.utf16() + offset, whole.utf16() + offset + n, buffer);
    const TextBuffer entry{buffer, n};
    AppendToDynamicArray(m_doc->textBuffers, &entry);
    EXPECT_TRUE(InsertInDynamicCPArray(m_doc->pieces, SizeOfDynamicCPArray(m_doc->pieces), kBodyStart + offset,
                                       &buffer));
  }
  m_doc->cpLimit = kBodyStart + length;
  m_doc->textLimit = m_doc->cpLimit - 1;
  m_doc->lastBufferFree = 0;
  SetAllMaxCps(m_doc, m_doc->cpLimit);
  for (Pane& pane : m_doc->panes)
    if (pane.displayLines) SetMaxCp(pane.displayLines, m_doc->textLimit);
  return *this;
}

RichTextBuilder& RichTextBuilder::knot(uint32_t cp, uint32_t type, uint32_t role, uint32_t props) {
  if (!m_doc) return *this;
  KnotEntry entry;
  entry.type = type;
  entry.role = role;
  entry.props = props;
  InsertByCp(m_doc->knots, cp, &entry);
  if (role == kKinkBegin) {
    CSArrayCP* marks = type == kKnotChapter    ? m_doc->chapterMarks
                       : type == kKnotBookmark ? m_doc->bookmarkMarks
                       : type == kKnotList     ? m_doc->listMarks
                       : type == kKnotTable    ? m_doc->tableMarks
                                               : nullptr;
    if (marks) InsertByCp(marks, cp, nullptr);
  }
  return *this;
}

RichTextBuilder& RichTextBuilder::knotMarks(uint32_t type, std::initializer_list<uint32_t> cps, uint32_t props) {
  if (cps.size() == 1) return knot(*cps.begin(), type, kKinkSingle, props);
  uint32_t i = 0;
  for (uint32_t cp : cps) {
    const uint32_t role = i == 0 ? kKinkBegin : i + 1 == cps.size() ? kKinkEnd : kKinkMiddle;
    knot(cp, type, role, i == 0 ? props : 0xFFFFFFFF);
    ++i;
  }
  return *this;
}

RichTextBuilder& RichTextBuilder::charRun(uint32_t cp, uint32_t index) {
  if (m_doc) ReplaceAt(m_doc->charRuns, cp, &index);
  return *this;
}

RichTextBuilder& RichTextBuilder::fontRun(uint32_t cp, const QString& family, int16_t size) {
  if (!m_doc) return *this;
  Properties chars;
  InitProperties(kCharProperties, &chars, nullptr);
  chars.body.charProps.font = IndexOfFont(family);
  chars.body.charProps.size = size;
  chars.body.charProps.color = kBlackKolor;
  return charRun(cp, IndexForProperties(m_doc, &chars));
}

RichTextBuilder& RichTextBuilder::paraRun(uint32_t cp, uint32_t index) {
  if (m_doc) ReplaceAt(m_doc->paraRuns, cp, &index);
  return *this;
}

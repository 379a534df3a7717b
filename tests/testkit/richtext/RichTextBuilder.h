#pragma once
// Builds engine documents for tests by laying text, knot entries and runs
// down directly, without the editing code: a new document whose body (from
// cp 14, after the first chapter knot) is replaced by the given text, held
// in pieces of a chosen size. Knot marks are the characters 0 and 1 of the
// text; each needs its entry. The document is destroyed with the builder
// unless taken.

#include <QString>
#include <cstdint>
#include <initializer_list>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"

class RichTextBuilder {
 public:
  explicit RichTextBuilder(int32_t kind = kViewDocument);
  ~RichTextBuilder();
  RichTextBuilder(const RichTextBuilder&) = delete;
  RichTextBuilder& operator=(const RichTextBuilder&) = delete;

  // The first body cp of every built document.
  static constexpr uint32_t kBodyStart = 14;

  // Replaces the body by the text (which should end with a paragraph mark)
  // and the closing mark; with a piece size, the text lies in pieces of at
  // most that many units, each in a buffer of its own.
  RichTextBuilder& text(const QString& body, uint32_t pieceSize = 0);
  // A knot entry at an absolute cp; begin marks of chapters, bookmarks,
  // lists and tables also go into their mark arrays.
  RichTextBuilder& knot(uint32_t cp, uint32_t type, uint32_t role, uint32_t props = 0xFFFFFFFF);
  // The entries of a whole knot at its marks: begin, middles, end (one cp:
  // a single mark).
  RichTextBuilder& knotMarks(uint32_t type, std::initializer_list<uint32_t> cps, uint32_t props = 0xFFFFFFFF);
  // A run at the cp pointing at a property index.
  RichTextBuilder& charRun(uint32_t cp, uint32_t index);
  RichTextBuilder& paraRun(uint32_t cp, uint32_t index);
  // A run at the cp of black text in the font family and size (in the
  // records' units), the rest of its formatting the defaults.
  RichTextBuilder& fontRun(uint32_t cp, const QString& family, int16_t size);

  CorvaneDoc* doc() const { return m_doc; }
  CorvaneDoc* take();

 private:
  CorvaneDoc* m_doc;
};

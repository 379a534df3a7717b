#pragma once
// A uniform grid over the areas the top-level elements of a list may paint
// (their bounds grown by the culling margin), so that hit testing and the
// canvas's repaint visit the few elements near a point or an area instead
// of the whole list. It only narrows the search: every element it names is
// still asked itself, so answers and order are those of a walk over the list.
//
// The grid does not watch the elements. It notices by itself when the list
// was changed (elements added, removed or restacked); a change of an
// element's frame, rotation, style or content must be reported with
// invalidate().

#include <QRectF>
#include <cstdint>
#include <vector>

#include "model/DRElementGroup.h"

class DRElementIndex {
 public:
  // Marks the grid stale: the next query rebuilds it.
  void invalidate() { m_valid = false; }
  // Whether the grid describes the list as it stands (same elements in the
  // same order) and no change was reported since it was built.
  bool isCurrent(const DRElementList& elements) const;
  // Rebuilds the grid when it is not current.
  void update(const DRElementList& elements);

  // The list positions of the elements whose area may hold the point, from
  // the front (the highest position) back. The grid must be current.
  void elementsAtPoint(const QPointF& point, std::vector<uint32_t>* positions) const;
  // The list positions of the elements whose area may meet the rectangle,
  // from the back (position 0) to the front. The grid must be current.
  void elementsInRect(const QRectF& rect, std::vector<uint32_t>* positions) const;

  // The number of rebuilds so far (tests watch it).
  uint64_t rebuildCount() const { return m_rebuilds; }

 private:
  void rebuild(const DRElementList& elements);
  // The cell range a rectangle covers, clamped to the grid; false when it
  // lies wholly outside.
  bool cellRange(const QRectF& rect, int* left, int* top, int* right, int* bottom) const;
  void collect(int left, int top, int right, int bottom, std::vector<uint32_t>* positions) const;

  bool m_valid = false;
  uint64_t m_rebuilds = 0;
  // The elements as they stood at the last build, for the staleness check.
  std::vector<const DRElement*> m_elements;
  // Each element's area (points); empty for one that is always a candidate.
  std::vector<QRectF> m_areas;
  // Elements asked about every query: no finite area, an area spanning a
  // great part of the grid, or one that always redraws.
  std::vector<uint32_t> m_everywhere;
  QRectF m_extent;
  double m_cellWidth = 1;
  double m_cellHeight = 1;
  int m_columns = 0;
  int m_rows = 0;
  // The cells' element positions, cell after cell (row-major), each cell's
  // run starting at m_cellStart[cell] and ending at m_cellStart[cell + 1].
  std::vector<uint32_t> m_cellStart;
  std::vector<uint32_t> m_cellElements;
  // A mark per element for removing duplicates during a query.
  mutable std::vector<uint32_t> m_marks;
  mutable uint32_t m_query = 0;
};

#include "model/DRElementIndex.h"

#include <algorithm>
#include <cmath>

#include "model/DrawingPainter.h"

namespace {

// About one cell per element, but no more than this many a side.
constexpr int kMaxCellsPerSide = 2048;
// An element spanning more cells than this is asked about every query
// rather than filed in each of them.
constexpr int64_t kMaxCellsPerElement = 256;

bool IsFiniteRect(const QRectF& rect) {
  return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
         std::isfinite(rect.height());
}

// Whether two normalised rectangles share a point, edges included: looser
// than QRectF::intersects, so that no element it would accept is dropped.
bool Touches(const QRectF& a, const QRectF& b) {
  return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

bool Holds(const QRectF& rect, const QPointF& point) {
  return point.x() >= rect.left() && point.x() <= rect.right() && point.y() >= rect.top() &&
         point.y() <= rect.bottom();
}

// The cell of a coordinate, clamped to [0, count - 1].
int CellOf(double value, double origin, double cell, int count) {
  const double at = std::floor((value - origin) / cell);
  if (!(at >= 0)) return 0;
  if (at >= double(count - 1)) return count - 1;
  return int(at);
}

}  // namespace

bool DRElementIndex::isCurrent(const DRElementList& elements) const {
  if (!m_valid || elements.size() != m_elements.size()) return false;
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].get() != m_elements[i]) return false;
  }
  return true;
}

void DRElementIndex::update(const DRElementList& elements) {
  if (!isCurrent(elements)) rebuild(elements);
}

void DRElementIndex::rebuild(const DRElementList& elements) {
  ++m_rebuilds;
  const size_t count = elements.size();
  m_elements.resize(count);
  m_areas.assign(count, QRectF());
  m_everywhere.clear();
  m_marks.assign(count, 0);
  m_query = 0;
  m_extent = QRectF();
  bool haveExtent = false;
  double left = 0, top = 0, right = 0, bottom = 0;
  for (size_t i = 0; i < count; ++i) {
    const DRElement* element = elements[i].get();
    m_elements[i] = element;
    if (!element) continue;
    QRectF area = CullingRectForElement(element).normalized();
    if (element->alwaysRedraw() || !IsFiniteRect(area)) {
      m_everywhere.push_back(uint32_t(i));
      continue;
    }
    m_areas[i] = area;
    if (!haveExtent) {
      left = area.left(), top = area.top(), right = area.right(), bottom = area.bottom();
      haveExtent = true;
    } else {
      left = std::min(left, area.left()), top = std::min(top, area.top());
      right = std::max(right, area.right()), bottom = std::max(bottom, area.bottom());
    }
  }

  m_cellStart.clear();
  m_cellElements.clear();
  m_columns = m_rows = 0;
  if (haveExtent) {
    m_extent = QRectF(QPointF(left, top), QPointF(right, bottom));
    const double width = std::max(m_extent.width(), 1.0), height = std::max(m_extent.height(), 1.0);
    const double cells = std::max(1.0, double(count));
    m_columns = std::clamp(int(std::lround(std::sqrt(cells * width / height))), 1, kMaxCellsPerSide);
    m_rows = std::clamp(int(std::lround(cells / m_columns)), 1, kMaxCellsPerSide);
    m_cellWidth = width / m_columns;
    m_cellHeight = height / m_rows;
    if (!(m_cellWidth > 0) || !(m_cellHeight > 0) || !std::isfinite(m_cellWidth) || !std::isfinite(m_cellHeight)) {
      m_cellWidth = width, m_cellHeight = height, m_columns = m_rows = 1;
    }

    // Two passes: count each cell's elements, then file them, so that each
    // cell's run lists its elements from the back to the front.
    const size_t cellCount = size_t(m_columns) * size_t(m_rows);
    m_cellStart.assign(cellCount + 1, 0);
    auto forCells = [&](size_t i, auto&& body) {
      int l = 0, t = 0, r = 0, b = 0;
      cellRange(m_areas[i], &l, &t, &r, &b);
      for (int y = t; y <= b; ++y) {
        for (int x = l; x <= r; ++x) body(size_t(y) * size_t(m_columns) + size_t(x));
      }
    };
    std::vector<bool> filed(count, false);
    for (size_t i = 0; i < count; ++i) {
      if (!elements[i] || elements[i]->alwaysRedraw() || !IsFiniteRect(m_areas[i])) continue;
      int l = 0, t = 0, r = 0, b = 0;
      cellRange(m_areas[i], &l, &t, &r, &b);
      if (int64_t(r - l + 1) * int64_t(b - t + 1) > kMaxCellsPerElement) {
        m_everywhere.push_back(uint32_t(i));
        continue;
      }
      filed[i] = true;
      forCells(i, [&](size_t cell) { ++m_cellStart[cell + 1]; });
    }
    for (size_t cell = 0; cell < cellCount; ++cell) m_cellStart[cell + 1] += m_cellStart[cell];
    m_cellElements.resize(m_cellStart[cellCount]);
    std::vector<uint32_t> next(m_cellStart.begin(), m_cellStart.end() - 1);
    for (size_t i = 0; i < count; ++i) {
      if (!filed[i]) continue;
      forCells(i, [&](size_t cell) { m_cellElements[next[cell]++] = uint32_t(i); });
    }
    std::sort(m_everywhere.begin(), m_everywhere.end());
  }
  m_valid = true;
}

bool DRElementIndex::cellRange(const QRectF& rect, int* left, int* top, int* right, int* bottom) const {
  if (m_columns == 0 || !Touches(rect, m_extent)) return false;
  *left = CellOf(rect.left(), m_extent.left(), m_cellWidth, m_columns);
  *right = CellOf(rect.right(), m_extent.left(), m_cellWidth, m_columns);
  *top = CellOf(rect.top(), m_extent.top(), m_cellHeight, m_rows);
  *bottom = CellOf(rect.bottom(), m_extent.top(), m_cellHeight, m_rows);
  return true;
}

void DRElementIndex::collect(int left, int top, int right, int bottom, std::vector<uint32_t>* positions) const {
  if (++m_query == 0) {
    std::fill(m_marks.begin(), m_marks.end(), 0);
    m_query = 1;
  }
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const size_t cell = size_t(y) * size_t(m_columns) + size_t(x);
      for (uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
        const uint32_t position = m_cellElements[k];
        if (m_marks[position] == m_query) continue;
        m_marks[position] = m_query;
        positions->push_back(position);
      }
    }
  }
}

void DRElementIndex::elementsAtPoint(const QPointF& point, std::vector<uint32_t>* positions) const {
  positions->clear();
  if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
    // A point that is not a number is left to the elements themselves.
    for (uint32_t i = uint32_t(m_elements.size()); i-- > 0;) {
      if (m_elements[i]) positions->push_back(i);
    }
    return;
  }
  if (m_columns > 0 && Holds(m_extent, point)) {
    const int x = CellOf(point.x(), m_extent.left(), m_cellWidth, m_columns);
    const int y = CellOf(point.y(), m_extent.top(), m_cellHeight, m_rows);
    const size_t cell = size_t(y) * size_t(m_columns) + size_t(x);
    for (uint32_t k = m_cellStart[cell]; k < m_cellStart[cell + 1]; ++k) {
      const uint32_t position = m_cellElements[k];
      if (Holds(m_areas[position], point)) positions->push_back(position);
    }
  }
  if (!m_everywhere.empty()) {
    positions->insert(positions->end(), m_everywhere.begin(), m_everywhere.end());
    std::sort(positions->begin(), positions->end());
  }
  std::reverse(positions->begin(), positions->end());
}

void DRElementIndex::elementsInRect(const QRectF& rect, std::vector<uint32_t>* positions) const {
  positions->clear();
  const QRectF area = rect.normalized();
  if (!IsFiniteRect(area)) {
    for (uint32_t i = 0; i < m_elements.size(); ++i) {
      if (m_elements[i]) positions->push_back(i);
    }
    return;
  }
  int left = 0, top = 0, right = 0, bottom = 0;
  if (cellRange(area, &left, &top, &right, &bottom)) {
    collect(left, top, right, bottom, positions);
    const auto kept = std::remove_if(positions->begin(), positions->end(),
                                     [&](uint32_t position) { return !Touches(m_areas[position], area); });
    positions->erase(kept, positions->end());
  }
  positions->insert(positions->end(), m_everywhere.begin(), m_everywhere.end());
  std::sort(positions->begin(), positions->end());
}

// The canvas's hit test through the grid of element areas answers what a
// walk over every element answers, as the drawing is edited and the edits
// are undone and redone; and the repaint through the grid paints what a
// full walk paints.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <functional>

#include "DrawVCFixture.h"
#include "model/DRElementText.h"
#include "model/DrawingPainter.h"
#include "support/GraphicsContext.h"

namespace {

constexpr int64_t kDegree = kMeasurePerPoint;
constexpr double kWidth = 600, kHeight = 400;

class ElementIndexTest : public DrawVCFixture {
 public:
  // A few hundred elements of every kind, overlapping in stacks, some
  // turned, some texts hidden from printing, a few groups, a shadow.
  void fill() {
    QRandomGenerator random(7);
    auto rect = [&](double maxSide) {
      const double w = 4 + random.bounded(maxSide), h = 4 + random.bounded(maxSide);
      return QRectF(random.bounded(kWidth - w), random.bounded(kHeight - h), w, h);
    };
    for (int i = 0; i < 300; ++i) {
      DRElement* element = nullptr;
      switch (i % 7) {
        case 0: {
          auto* shape = addRect(rect(60));
          if (i % 2) shape->setFillKolor(MakeKolor(200, 40, 40));
          element = shape;
          break;
        }
        case 1: {
          auto* shape = addEllipse(rect(60));
          shape->setFillKolor(MakeKolor(40, 200, 40));
          element = shape;
          break;
        }
        case 2:
          element = addLine(rect(80));
          break;
        case 3:
          element = addPolygon(rect(50));
          break;
        case 4: {
          auto text = Shape<DRElementText>(rect(70));
          text->setText(QStringLiteral("Label %1").arg(i));
          text->setIgnoreText(i % 3 == 0);
          element = add(std::move(text));
          break;
        }
        case 5:
          element = addGroup(rect(60));
          break;
        default: {
          auto* shape = addRect(QRectF(300, 200, 30, 20).translated(i % 5, i % 3));  // a stack
          shape->setFillKolor(MakeKolor(40, 40, 200));
          element = shape;
          break;
        }
      }
      if (i % 11 == 0) element->setRotation(30 * kDegree);
      if (i % 41 == 0) element->setShadow(DRShadow());
    }
  }

  // Selects the first `count` top-level elements of the kind.
  void selectKind(int32_t kind, size_t count) {
    canvas->unselectAll(false);
    for (const auto& element : drawing.elements()) {
      if (count == 0) break;
      if (element->elementType() != kind) continue;
      canvas->addToSelection(element.get());
      --count;
    }
    canvas->selectionDidChange();
  }

  // The element a walk over the whole list, front to back, finds.
  DRElement* walkedHit(const QPointF& point) {
    const DRElementList& elements = drawing.elements();
    for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
      if ((*it)->isPointInElement(point, canvas, true)) return it->get();
    }
    return nullptr;
  }

  // Points over the drawing and a little beyond: the canvas's hit
  // test (locked, so that grab dots play no part) against the walk. The
  // number of points that hit something, so that a table row can tell
  // that its points met elements.
  int compareHits(const char* step, int points = 1000) {
    QRandomGenerator random(11);
    const bool locked = drawing.isLocked();
    drawing.setLocked(true);
    int hits = 0, mismatches = 0;
    for (int i = 0; i < points; ++i) {
      const QPointF point(random.bounded(kWidth + 40) - 20, random.bounded(kHeight + 40) - 20);
      DRElement* expected = walkedHit(point);
      DRElement* found = canvas->elementUnderPoint(point, true);
      if (expected) ++hits;
      if (found != expected && ++mismatches <= 5) {
        ADD_FAILURE() << step << ": at " << point.x() << ", " << point.y() << " the walk finds "
                      << (expected ? expected->elementType() : -1) << ", the canvas "
                      << (found ? found->elementType() : -1);
      }
    }
    drawing.setLocked(locked);
    EXPECT_EQ(mismatches, 0) << step;
    return hits;
  }

  // The canvas's repaint of an area against the whole list painted in it.
  void compareRepaint(const QRectF& area, const char* step) {
    auto render = [&](bool throughCanvas) {
      QImage image(area.size().toSize(), QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.translate(-area.topLeft());
      GraphicsContextScope context(&painter);
      // Without a canvas the paint routine walks every element; with one
      // it asks the grid.
      PaintDrawing(drawing, area, DRPaintMode::Screen, throughCanvas ? canvas : nullptr, canvas);
      painter.end();
      return image;
    };
    // The very first paint of the drawing differs from later ones in a
    // few pixels: compare later paints.
    render(false);
    EXPECT_TRUE(render(true) == render(false)) << step;
  }
};

TEST_F(ElementIndexTest, IndexedHitsEqualTheWalkThroughEdits) {
  fill();
  const int hits = compareHits("as made", 10000);
  EXPECT_GT(hits, 2000);
  EXPECT_LT(hits, 10000);

  struct Row {
    const char* step;
    std::function<void(ElementIndexTest&)> act;
  };
  const Row rows[] = {
      {"align left edges", [](ElementIndexTest& t) {
         t.select({0, 5, 12, 40, 77});
         t.vc.alignX(1, 0);
       }},
      {"distribute", [](ElementIndexTest& t) {
         t.select({9, 44, 130, 200});
         t.vc.distributeBy(CSPoint{25 * kMeasurePerPoint, 10 * kMeasurePerPoint});
       }},
      {"rotate", [](ElementIndexTest& t) {
         t.select({3, 8, 99});
         t.perform("rotateFixed:", 45);
       }},
      {"bring to front", [](ElementIndexTest& t) {
         t.select({1, 2, 150});
         t.perform("bringFront:");
       }},
      {"send to back", [](ElementIndexTest& t) {
         t.select({298, 297});
         t.perform("sendBack:");
       }},
      {"group", [](ElementIndexTest& t) {
         t.select({20, 21, 22, 23, 24});
         t.perform("group:");
       }},
      {"flip polygons", [](ElementIndexTest& t) {
         t.selectKind(kElementPolygon, 6);
         t.perform("flip:", 1);
       }},
      {"duplicate", [](ElementIndexTest& t) {
         t.select({60, 61});
         t.perform("duplicate:");
       }},
      {"delete", [](ElementIndexTest& t) {
         t.select({70, 71, 72});
         t.perform("delete:");
       }},
  };
  std::vector<SavedBlocks> states{SaveBlocks(drawing)};
  for (const Row& row : rows) {
    row.act(*this);
    states.push_back(SaveBlocks(drawing));
    EXPECT_NE(states.back(), states[states.size() - 2]) << row.step << " changed nothing";
    compareHits(row.step);
  }
  compareHits("after the edits", 10000);
  for (size_t i = std::size(rows); i-- > 0;) {
    vc.undoEdit(nullptr);
    ASSERT_EQ(SaveBlocks(drawing), states[i]) << "undo " << rows[i].step;
    compareHits("undo");
  }
  compareHits("all undone", 10000);
  for (size_t i = 0; i < std::size(rows); ++i) {
    vc.redoEdit(nullptr);
    ASSERT_EQ(SaveBlocks(drawing), states[i + 1]) << "redo " << rows[i].step;
    compareHits("redo");
  }
  compareHits("all redone", 10000);
}

TEST_F(ElementIndexTest, RepaintThroughTheGridEqualsTheWholeWalk) {
  fill();
  compareRepaint(QRectF(0, 0, kWidth, kHeight), "whole");
  compareRepaint(QRectF(280, 180, 60, 50), "the stack");
  // An element moved in place and reported as the canvas reports it.
  DRElement* first = drawing.elements().front().get();
  const QRectF before = CullingRectForElement(first);
  first->setFrame(ConvertViewRect(QRectF(500, 20, 40, 30)));
  canvas->invalidateElement(first);
  compareRepaint(before, "where it was");
  compareRepaint(QRectF(490, 10, 60, 50), "where it is");
}

}  // namespace

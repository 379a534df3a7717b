// Writes the "Stock Shapes" drawing that the stock-shape sheet reads: a
// native drawing package whose closed shapes carry "category-order" in
// their notes. Run by the build; the package goes beside the executable.
//
//   twdraw_make_stock_shapes "<folder>/Stock Shapes.TWdraw"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRKeyTable.h"
#include "support/CSError.h"

namespace {

constexpr double kCell = 90;  // points between shapes on the page

MeasureUnit Pt(double points) {
  return MeasureUnit(std::llround(points * double(kMeasurePerPoint)));
}

class StockWriter {
 public:
  explicit StockWriter(DRDrawing& drawing) : m_drawing(drawing) {}

  // Places the shape in the next free spot of its category's row.
  void add(std::unique_ptr<DRElementClosed> shape, const QString& category, int order, double width, double height) {
    if (category != m_category) {
      m_category = category;
      ++m_row;
      m_column = 0;
    }
    shape->setFrame(CSRect{Pt(20 + kCell * m_column), Pt(20 + kCell * m_row), Pt(width), Pt(height)});
    shape->setOriginalSize(CSPoint{Pt(width), Pt(height)});
    shape->setNotes(QStringLiteral("%1-%2").arg(category).arg(order));
    ++m_column;
    m_drawing.elements().push_back(std::move(shape));
  }

  void addRegular(const QString& category, int order, uint64_t vertices) {
    auto shape = std::make_unique<DRElementRegularPoly>();
    shape->setVertexCount(vertices);
    add(std::move(shape), category, order, 72, 72);
  }

  // A closed polygon through points given in a box of the size.
  void addPolygon(const QString& category, int order, const std::vector<QPointF>& points, double width,
                  double height) {
    auto shape = std::make_unique<DRElementPolygon>();
    std::vector<CSPoint> vertices;
    for (const QPointF& point : points) vertices.push_back(CSPoint{Pt(point.x()), Pt(point.y())});
    shape->setPoints(vertices);
    shape->setClosed(true);
    add(std::move(shape), category, order, width, height);
  }

 private:
  DRDrawing& m_drawing;
  QString m_category;
  int m_row = -1;
  int m_column = 0;
};

std::vector<QPointF> Star(int points, double size, double innerRatio) {
  std::vector<QPointF> vertices;
  const double radius = size / 2;
  for (int i = 0; i < points * 2; ++i) {
    const double angle = -std::numbers::pi / 2 + double(i) * std::numbers::pi / double(points);
    const double r = i % 2 == 0 ? radius : radius * innerRatio;
    vertices.emplace_back(radius + r * std::cos(angle), radius + r * std::sin(angle));
  }
  return vertices;
}

// An arrow pointing right in a box of 80 x 48; `turn` quarter turns
// clockwise move it to the other directions (the box then turns too).
std::vector<QPointF> Arrow(int turn) {
  const std::vector<QPointF> right{{0, 14}, {48, 14}, {48, 0}, {80, 24}, {48, 48}, {48, 34}, {0, 34}};
  std::vector<QPointF> points;
  for (const QPointF& p : right) {
    switch (turn % 4) {
      case 1:  // down
        points.emplace_back(48 - p.y(), p.x());
        break;
      case 2:  // left
        points.emplace_back(80 - p.x(), 48 - p.y());
        break;
      case 3:  // up
        points.emplace_back(p.y(), 80 - p.x());
        break;
      default:
        points.push_back(p);
    }
  }
  return points;
}

void WriteShapes(DRDrawing& drawing) {
  StockWriter writer(drawing);
  const QString basic = QStringLiteral("Basic");
  writer.add(std::make_unique<DRElementRectangle>(), basic, 1, 80, 54);
  writer.add(std::make_unique<DRElementRectangle>(), basic, 2, 64, 64);
  auto rounded = std::make_unique<DRElementRoundRect>();
  rounded->setCornerRadius(Pt(12));
  writer.add(std::move(rounded), basic, 3, 80, 54);
  writer.add(std::make_unique<DRElementEllipse>(), basic, 4, 80, 54);
  writer.add(std::make_unique<DRElementEllipse>(), basic, 5, 64, 64);

  const QString polygons = QStringLiteral("Polygons");
  writer.addRegular(polygons, 1, 3);
  writer.addPolygon(polygons, 2, {{32, 0}, {64, 40}, {32, 80}, {0, 40}}, 64, 80);
  writer.addRegular(polygons, 3, 5);
  writer.addRegular(polygons, 4, 6);
  writer.addRegular(polygons, 5, 8);
  writer.addPolygon(polygons, 6, {{20, 0}, {80, 0}, {60, 50}, {0, 50}}, 80, 50);
  writer.addPolygon(polygons, 7, {{18, 0}, {62, 0}, {80, 50}, {0, 50}}, 80, 50);

  const QString stars = QStringLiteral("Stars");
  writer.addPolygon(stars, 1, Star(4, 72, 0.4), 72, 72);
  writer.addPolygon(stars, 2, Star(5, 72, 0.38), 72, 72);
  writer.addPolygon(stars, 3, Star(6, 72, 0.5), 72, 72);
  writer.addPolygon(stars, 4, Star(8, 72, 0.6), 72, 72);
  writer.addPolygon(stars, 5, Star(16, 72, 0.75), 72, 72);

  const QString arrows = QStringLiteral("Arrows");
  writer.addPolygon(arrows, 1, Arrow(0), 80, 48);
  writer.addPolygon(arrows, 2, Arrow(2), 80, 48);
  writer.addPolygon(arrows, 3, Arrow(3), 48, 80);
  writer.addPolygon(arrows, 4, Arrow(1), 48, 80);
  writer.addPolygon(arrows, 5, {{0, 24}, {22, 0}, {22, 14}, {58, 14}, {58, 0}, {80, 24}, {58, 48}, {58, 34}, {22, 34},
                                {22, 48}},
                    80, 48);
  writer.addPolygon(arrows, 6, {{0, 0}, {50, 0}, {80, 24}, {50, 48}, {0, 48}, {30, 24}}, 80, 48);

  const QString symbols = QStringLiteral("Symbols");
  writer.addPolygon(symbols, 1,
                    {{24, 0}, {48, 0}, {48, 24}, {72, 24}, {72, 48}, {48, 48}, {48, 72}, {24, 72}, {24, 48}, {0, 48},
                     {0, 24}, {24, 24}},
                    72, 72);
  writer.addPolygon(symbols, 2,
                    {{0, 12}, {12, 0}, {36, 24}, {60, 0}, {72, 12}, {48, 36}, {72, 60}, {60, 72}, {36, 48}, {12, 72},
                     {0, 60}, {24, 36}},
                    72, 72);
  writer.addPolygon(symbols, 3, {{0, 0}, {80, 0}, {80, 40}, {30, 40}, {12, 60}, {16, 40}, {0, 40}}, 80, 60);
  writer.addPolygon(symbols, 4, {{36, 0}, {72, 72}, {0, 72}}, 72, 72);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("twdraw_make_stock_shapes"));
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: twdraw_make_stock_shapes <package path>\n");
    return 2;
  }
  CreateXmlDecoder();
  RegisterElementClasses();
  const QString path = arguments.at(1);
  QDir(path).removeRecursively();

  DRDrawing drawing;
  drawing.setCreatePreview(false);
  WriteShapes(drawing);
  CSError error;
  if (!drawing.saveCore(path, false, &error)) {
    std::fprintf(stderr, "twdraw_make_stock_shapes: cannot write %s: %s\n", qPrintable(path),
                 qPrintable(error.reason()));
    return 1;
  }
  return 0;
}

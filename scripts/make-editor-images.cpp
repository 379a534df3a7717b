// Draws the drawing editor's images: the tool palette's pictograms (with the
// light-on-dark "W" variants of the pure line pictograms), the painting
// tab's line image, the save-painting icon, the cursors and the small
// template images of the text and arrangement controls. The PNGs are
// committed under src/ui/editor/images; run scripts/make-editor-images to
// redraw them after changing this file.
//
//   make-editor-images OUTPUT_FOLDER

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor kInk(0x26, 0x26, 0x26);       // line pictograms on a light cell
const QColor kInkW(0xEC, 0xEC, 0xEC);      // the same on a dark cell
const QColor kFill(0x6E, 0xA8, 0xE8);      // shape fills, legible on both
const QColor kFillEdge(0x1F, 0x4E, 0x8C);  // their outlines
const QColor kWarm(0xE8, 0x9A, 0x3C);      // accents (pencil, bucket paint)

QString g_folder;
int g_failures = 0;

using Drawer = std::function<void(QPainter&, const QColor&)>;

void Save(const QString& name, int side, const Drawer& draw, const QColor& ink = kInk) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    draw(painter, ink);
  }
  const QString path = QDir(g_folder).filePath(name + QStringLiteral(".png"));
  if (!image.save(path, "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    ++g_failures;
  }
}

// A tool image and, for the pure line pictograms, its "W" variant.
void Tool(const QString& name, const Drawer& draw, bool withDarkVariant = false) {
  Save(name, 24, draw, kInk);
  if (withDarkVariant) Save(name + QStringLiteral("W"), 24, draw, kInkW);
}

QPen Pen(const QColor& color, double width) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A stroke with a light rim, so dark ink still reads on the dark palette
// (the rim vanishes on a light one).
void HaloStroke(QPainter& p, const QPainterPath& path, double width, const QColor& color) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(QColor(0xF4, 0xF4, 0xF4), width + 1.5));
  p.drawPath(path);
  p.setPen(Pen(color, width));
  p.drawPath(path);
}

QPainterPath Polyline(const QPolygonF& points) {
  QPainterPath path;
  path.addPolygon(points);
  return path;
}

void ArrowHead(QPainter& p, QPointF tip, double angleDegrees, double length, const QColor& color) {
  const double a = angleDegrees * M_PI / 180.0;
  const QPointF back(tip.x() - length * std::cos(a), tip.y() - length * std::sin(a));
  const QPointF side(-std::sin(a) * length * 0.5, std::cos(a) * length * 0.5);
  QPolygonF head({tip, back + side, back - side});
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(head);
}

void Letter(QPainter& p, const QRectF& box, const QString& text, const QColor& color, double size, bool bold,
            bool italic = false) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(int(size));
  font.setBold(bold);
  font.setItalic(italic);
  p.setFont(font);
  p.setPen(color);
  p.drawText(box, Qt::AlignCenter, text);
}

// ---- Tool pictograms, 24 x 24 ------------------------------------------------

void DrawTools() {
  Tool(QStringLiteral("ToolInfo"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawEllipse(QRectF(3, 3, 18, 18));
    Letter(p, QRectF(3, 3, 18, 18), QStringLiteral("i"), Qt::white, 14, true);
  });
  Tool(
      QStringLiteral("ToolSelect"),
      [](QPainter& p, const QColor& ink) {
        QPolygonF arrow({{7, 3}, {7, 19}, {10.5, 15.5}, {13.5, 21}, {16, 20}, {13, 14.5}, {18, 14.5}});
        p.setPen(Pen(ink, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(arrow);
      },
      true);
  Tool(QStringLiteral("ToolEyedropper"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    QPainterPath body;
    body.moveTo(4, 20);
    body.lineTo(5, 16);
    body.lineTo(14, 7);
    body.lineTo(17, 10);
    body.lineTo(8, 19);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kInk);
    p.setPen(Pen(QColor(0xF4, 0xF4, 0xF4), 1));
    p.drawEllipse(QRectF(14, 3, 7, 7));
    HaloStroke(p, Polyline({{12.5, 6.5}, {17.5, 11.5}}), 2, kInk);
  });
  Tool(QStringLiteral("ToolZoom"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 2));
    p.setBrush(QColor(0xD6, 0xE8, 0xFA));
    p.drawEllipse(QRectF(3, 3, 12, 12));
    HaloStroke(p, Polyline({{14, 14}, {20.5, 20.5}}), 3.5, kInk);
  });
  Tool(
      QStringLiteral("ToolText"),
      [](QPainter& p, const QColor& ink) { Letter(p, QRectF(0, 0, 24, 24), QStringLiteral("A"), ink, 19, true); },
      true);
  Tool(
      QStringLiteral("ToolLine"),
      [](QPainter& p, const QColor& ink) {
        p.setPen(Pen(ink, 1.75));
        p.drawLine(QPointF(4, 20), QPointF(17, 7));
        ArrowHead(p, QPointF(20.5, 3.5), -45, 7, ink);
      },
      true);
  Tool(
      QStringLiteral("ToolCurveLine"),
      [](QPainter& p, const QColor& ink) {
        QPainterPath curve;
        curve.moveTo(3, 19);
        curve.cubicTo(7, 5, 13, 21, 17, 7);
        p.setPen(Pen(ink, 1.75));
        p.setBrush(Qt::NoBrush);
        p.drawPath(curve);
        ArrowHead(p, QPointF(19.5, 2.5), -70, 7, ink);
      },
      true);
  Tool(QStringLiteral("ToolRectangle"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawRect(QRectF(3.75, 5.75, 16.5, 12.5));
  });
  Tool(QStringLiteral("ToolRoundRect"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawRoundedRect(QRectF(3.75, 5.75, 16.5, 12.5), 4, 4);
  });
  Tool(QStringLiteral("ToolEllipse"), [](QPainter& p, const QColor&) {
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawEllipse(QRectF(2.75, 5.75, 18.5, 12.5));
  });
  Tool(QStringLiteral("ToolArc"), [](QPainter& p, const QColor&) {
    QPainterPath wedge;
    wedge.moveTo(4, 20);
    wedge.arcTo(QRectF(-12, 4, 32, 32), 90, -90);
    wedge.closeSubpath();
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawPath(wedge);
  });
  Tool(QStringLiteral("ToolRegularPoly"), [](QPainter& p, const QColor&) {
    QPolygonF hexagon;
    for (int i = 0; i < 6; ++i) {
      const double a = (60.0 * i - 90.0) * M_PI / 180.0;
      hexagon << QPointF(12 + 9 * std::cos(a), 12 + 9 * std::sin(a));
    }
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawPolygon(hexagon);
  });
  Tool(QStringLiteral("ToolPolygon"), [](QPainter& p, const QColor&) {
    QPolygonF shape({{3, 18}, {7, 4}, {13, 10}, {20, 5}, {21, 20}, {11, 16}});
    p.setPen(Pen(kFillEdge, 1.5));
    p.setBrush(kFill);
    p.drawPolygon(shape);
  });
  Tool(QStringLiteral("ToolScribble"), [](QPainter& p, const QColor&) {
    QPainterPath squiggle;
    squiggle.moveTo(3, 16);
    squiggle.cubicTo(5, 2, 10, 4, 9, 13);
    squiggle.cubicTo(8, 22, 15, 20, 14, 11);
    squiggle.cubicTo(13, 4, 21, 5, 21, 13);
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kFillEdge, 3.5));
    p.drawPath(squiggle);
    p.setPen(Pen(kFill, 2));
    p.drawPath(squiggle);
  });
  Tool(QStringLiteral("ToolBrush"), [](QPainter& p, const QColor&) {
    HaloStroke(p, Polyline({{20, 3}, {11, 13}}), 2.5, kInk);
    QPainterPath bristles;
    bristles.moveTo(11, 11);
    bristles.cubicTo(6, 11, 7, 17, 3, 21);
    bristles.cubicTo(9, 21, 14, 19, 13, 14);
    bristles.closeSubpath();
    p.setPen(Pen(kFillEdge, 1));
    p.setBrush(kFill);
    p.drawPath(bristles);
  });
  Tool(QStringLiteral("ToolPencil"), [](QPainter& p, const QColor&) {
    QPolygonF body({{6, 15}, {17, 4}, {20, 7}, {9, 18}});
    p.setPen(Pen(kInk, 1.25));
    p.setBrush(kWarm);
    p.drawPolygon(body);
    QPolygonF tip({{6, 15}, {9, 18}, {4, 20}});
    p.setBrush(QColor(0xF2, 0xD8, 0xB0));
    p.drawPolygon(tip);
  });
  Tool(QStringLiteral("ToolBlur"), [](QPainter& p, const QColor&) {
    QPainterPath drop;
    drop.moveTo(12, 3);
    drop.cubicTo(14, 8, 19, 11, 19, 15);
    drop.cubicTo(19, 19, 16, 21, 12, 21);
    drop.cubicTo(8, 21, 5, 19, 5, 15);
    drop.cubicTo(5, 11, 10, 8, 12, 3);
    QRadialGradient soft(QPointF(12, 15), 8);
    soft.setColorAt(0, kFill);
    soft.setColorAt(1, QColor(0xD6, 0xE8, 0xFA));
    p.setPen(Pen(kFillEdge, 1.25));
    p.setBrush(soft);
    p.drawPath(drop);
  });
  Tool(QStringLiteral("ToolBucket"), [](QPainter& p, const QColor&) {
    QPolygonF pail({{4, 10}, {12, 3}, {20, 11}, {12, 19}});
    p.setPen(Pen(kInk, 1.5));
    p.setBrush(QColor(0xE4, 0xE4, 0xE4));
    p.drawPolygon(pail);
    QPainterPath paint;
    paint.moveTo(20, 11);
    paint.cubicTo(22, 14, 22, 18, 20.5, 20);
    paint.cubicTo(19, 18, 19, 14, 20, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(kWarm);
    p.drawPath(paint);
  });
  Tool(QStringLiteral("ToolEraser"), [](QPainter& p, const QColor&) {
    QPolygonF block({{3, 15}, {12, 6}, {19, 13}, {10, 22}});
    p.setPen(Pen(kInk, 1.25));
    p.setBrush(QColor(0xF2, 0xA0, 0xB4));
    p.drawPolygon(block);
    QPolygonF sleeve({{12, 6}, {15, 3}, {22, 10}, {19, 13}});
    p.setBrush(kFill);
    p.drawPolygon(sleeve);
  });
  Tool(QStringLiteral("ToolCrop"), [](QPainter& p, const QColor&) {
    HaloStroke(p, Polyline({{7, 2}, {7, 17}, {22, 17}}), 2, kInk);
    HaloStroke(p, Polyline({{2, 7}, {17, 7}, {17, 22}}), 2, kInk);
    p.setPen(Pen(kFillEdge, 1));
    p.setBrush(QColor(0x6E, 0xA8, 0xE8, 110));
    p.drawRect(QRectF(8, 8, 8, 8));
  });
  // The painting tab's line tool draws plain pixel lines: no arrowhead.
  Tool(
      QStringLiteral("ToolLinePaint"),
      [](QPainter& p, const QColor& ink) {
        p.setPen(Pen(ink, 2));
        p.drawLine(QPointF(4, 20), QPointF(20, 4));
      },
      true);
}

// ---- The info bar's save-painting icon -----------------------------------------

void DrawSaveIcon() {
  Save(QStringLiteral("ToolSave"), 16, [](QPainter& p, const QColor&) {
    QPainterPath disk;
    disk.moveTo(1.5, 1.5);
    disk.lineTo(12, 1.5);
    disk.lineTo(14.5, 4);
    disk.lineTo(14.5, 14.5);
    disk.lineTo(1.5, 14.5);
    disk.closeSubpath();
    p.setPen(Pen(kFillEdge, 1));
    p.setBrush(kFill);
    p.drawPath(disk);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 7, 4.5));
    p.drawRect(QRectF(3.5, 9, 9, 5));
    p.setBrush(kFillEdge);
    p.drawRect(QRectF(8.5, 2.5, 1.5, 3));
  });
}

// ---- Cursors, 16 x 16; the hot spots are in EditorCursors.cpp ----------------

void Outlined(QPainter& p, const QPainterPath& path, double width) {
  p.setBrush(Qt::NoBrush);
  p.setPen(Pen(Qt::white, width + 2));
  p.drawPath(path);
  p.setPen(Pen(Qt::black, width));
  p.drawPath(path);
}

void DrawMagnifier(QPainter& p, const QString& sign) {
  QPainterPath glass;
  glass.addEllipse(QRectF(1.5, 1.5, 9, 9));
  glass.moveTo(9.5, 9.5);
  glass.lineTo(14, 14);
  Outlined(p, glass, 1.5);
  QPainterPath mark;
  if (sign == QLatin1String("+") || sign == QLatin1String("-")) {
    mark.moveTo(4, 6);
    mark.lineTo(8, 6);
  }
  if (sign == QLatin1String("+")) {
    mark.moveTo(6, 4);
    mark.lineTo(6, 8);
  }
  if (!mark.isEmpty()) {
    p.setPen(Pen(Qt::black, 1.25));
    p.drawPath(mark);
  }
}

void DrawCursors() {
  Save(QStringLiteral("CursorRotate"), 16, [](QPainter& p, const QColor&) {
    QPainterPath turn;
    turn.arcMoveTo(QRectF(2.5, 2.5, 11, 11), 120);
    turn.arcTo(QRectF(2.5, 2.5, 11, 11), 120, -270);
    Outlined(p, turn, 1.5);
    ArrowHead(p, QPointF(3.2, 4.2), -150, 5, Qt::black);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(6.5, 6.5, 3, 3));
  });
  Save(QStringLiteral("CursorEyedropper"), 16, [](QPainter& p, const QColor&) {
    QPainterPath dropper;
    dropper.moveTo(1, 15);
    dropper.lineTo(2, 12);
    dropper.lineTo(10, 4);
    dropper.lineTo(12, 6);
    dropper.lineTo(4, 14);
    dropper.closeSubpath();
    Outlined(p, dropper, 1.25);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(10, 1, 5, 5));
  });
  Save(QStringLiteral("CursorZoomIn"), 16, [](QPainter& p, const QColor&) { DrawMagnifier(p, QStringLiteral("+")); });
  Save(QStringLiteral("CursorZoomOut"), 16, [](QPainter& p, const QColor&) { DrawMagnifier(p, QStringLiteral("-")); });
  Save(QStringLiteral("CursorZoomNot"), 16, [](QPainter& p, const QColor&) { DrawMagnifier(p, QString()); });
  Save(QStringLiteral("CursorCloseScribble"), 16, [](QPainter& p, const QColor&) {
    QPainterPath cross;
    cross.moveTo(8, 1);
    cross.lineTo(8, 15);
    cross.moveTo(1, 8);
    cross.lineTo(15, 8);
    Outlined(p, cross, 1);
    QPainterPath ring;
    ring.addEllipse(QRectF(9.5, 9.5, 5, 5));
    Outlined(p, ring, 1);
  });
}

// ---- Template images, 16 x 16, black on transparent -------------------------

void Bars(QPainter& p, const QList<QPair<double, double>>& bars) {  // (left, right) per row
  p.setPen(Pen(Qt::black, 1.5));
  double y = 3;
  for (const auto& bar : bars) {
    p.drawLine(QPointF(bar.first, y), QPointF(bar.second, y));
    y += 3.3;
  }
}

void VerticalArrow(QPainter& p, bool up, bool toEdge) {
  p.setPen(Pen(Qt::black, 1.75));
  const double tipY = up ? (toEdge ? 5 : 2.5) : (toEdge ? 11 : 13.5);
  const double tailY = up ? 14 : 2;
  p.drawLine(QPointF(8, tailY), QPointF(8, up ? tipY + 3 : tipY - 3));
  ArrowHead(p, QPointF(8, tipY), up ? -90 : 90, 6, Qt::black);
  if (toEdge) {
    p.setPen(Pen(Qt::black, 1.75));
    const double barY = up ? 2 : 14;
    p.drawLine(QPointF(3, barY), QPointF(13, barY));
  }
}

void IndentArrows(QPainter& p, bool right) {
  Bars(p, {{7, 14}, {7, 14}, {7, 14}, {7, 14}});
  p.setPen(Pen(Qt::black, 1.5));
  if (right) {
    p.drawLine(QPointF(1.5, 8), QPointF(3, 8));
    ArrowHead(p, QPointF(6, 8), 0, 4.5, Qt::black);
  } else {
    p.drawLine(QPointF(3.5, 8), QPointF(5.5, 8));
    ArrowHead(p, QPointF(1, 8), 180, 4.5, Qt::black);
  }
}

void TurnArrow(QPainter& p, bool redo) {
  QPainterPath turn;
  if (redo) {
    turn.moveTo(3, 13);
    turn.cubicTo(2, 6, 8, 4, 12, 7);
  } else {
    turn.moveTo(13, 13);
    turn.cubicTo(14, 6, 8, 4, 4, 7);
  }
  p.setPen(Pen(Qt::black, 1.75));
  p.setBrush(Qt::NoBrush);
  p.drawPath(turn);
  ArrowHead(p, redo ? QPointF(14.5, 9) : QPointF(1.5, 9), redo ? 40 : 140, 6, Qt::black);
}

void DrawTemplates() {
  const auto save = [](const char* name, const Drawer& draw) { Save(QString::fromLatin1(name), 16, draw); };
  save("TextAlignLeft", [](QPainter& p, const QColor&) { Bars(p, {{2, 14}, {2, 10}, {2, 13}, {2, 8}}); });
  save("TextAlignCenter", [](QPainter& p, const QColor&) { Bars(p, {{2, 14}, {4, 12}, {3, 13}, {5, 11}}); });
  save("TextAlignRight", [](QPainter& p, const QColor&) { Bars(p, {{2, 14}, {6, 14}, {3, 14}, {8, 14}}); });
  save("TextAlignJustify", [](QPainter& p, const QColor&) { Bars(p, {{2, 14}, {2, 14}, {2, 14}, {2, 9}}); });
  const QRectF box(0, 0, 16, 16);
  save("CharFormatBold",
       [box](QPainter& p, const QColor&) { Letter(p, box, QStringLiteral("B"), Qt::black, 14, true); });
  save("CharFormatItalic",
       [box](QPainter& p, const QColor&) { Letter(p, box, QStringLiteral("I"), Qt::black, 14, false, true); });
  save("CharFormatPlain",
       [box](QPainter& p, const QColor&) { Letter(p, box, QStringLiteral("P"), Qt::black, 14, false); });
  save("CharFormatOutline", [](QPainter& p, const QColor&) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    QPainterPath glyph;
    glyph.addText(QPointF(2.5, 13.5), font, QStringLiteral("O"));
    p.setPen(Pen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(glyph);
  });
  save("CharFormatShadow", [](QPainter& p, const QColor&) {
    Letter(p, QRectF(1.5, 1.5, 16, 16), QStringLiteral("S"), QColor(0, 0, 0, 110), 14, true);
    Letter(p, QRectF(0, 0, 16, 16), QStringLiteral("S"), Qt::black, 14, true);
  });
  save("CharFormatStrike", [box](QPainter& p, const QColor&) {
    Letter(p, box, QStringLiteral("S"), Qt::black, 14, false);
    p.setPen(Pen(Qt::black, 1.25));
    p.drawLine(QPointF(2, 8.5), QPointF(14, 8.5));
  });
  save("CharFormatUnderline", [](QPainter& p, const QColor&) {
    Letter(p, QRectF(0, -1.5, 16, 16), QStringLiteral("U"), Qt::black, 13, false);
    p.setPen(Pen(Qt::black, 1.25));
    p.drawLine(QPointF(3, 14.5), QPointF(13, 14.5));
  });
  save("MoveTop", [](QPainter& p, const QColor&) { VerticalArrow(p, true, true); });
  save("MoveUp", [](QPainter& p, const QColor&) { VerticalArrow(p, true, false); });
  save("MoveDown", [](QPainter& p, const QColor&) { VerticalArrow(p, false, false); });
  save("MoveBottom", [](QPainter& p, const QColor&) { VerticalArrow(p, false, true); });
  save("IndentLeftTool", [](QPainter& p, const QColor&) { IndentArrows(p, false); });
  save("IndentRightTool", [](QPainter& p, const QColor&) { IndentArrows(p, true); });
  save("UndoTool", [](QPainter& p, const QColor&) { TurnArrow(p, false); });
  save("RedoTool", [](QPainter& p, const QColor&) { TurnArrow(p, true); });
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-editor-images OUTPUT_FOLDER\n");
    return 2;
  }
  g_folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(g_folder)) {
    std::fprintf(stderr, "cannot make %s\n", argv[1]);
    return 1;
  }
  DrawTools();
  DrawSaveIcon();
  DrawCursors();
  DrawTemplates();
  return g_failures == 0 ? 0 : 1;
}

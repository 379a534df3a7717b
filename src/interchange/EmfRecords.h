#pragma once
// The record interpreter of Enhanced Metafiles: walks the records held in
// memory, keeps a drawing state as a Windows device context would, and
// reports every shape, path, image and text to a plain callback with a
// snapshot of that state. It draws nothing itself; the element importer and
// the PDF converter are its consumers.
//
// Coordinates are the file's logical units taken as points, passed through
// the world transform only (mapping modes, windows and viewports are read
// past).

#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "support/CSGradient.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"
#include "support/Kolor.h"

// ---- Limits ----
// Saved states SAVEDC may stack; deeper saves are ignored.
constexpr size_t kEmfMaxSavedStates = 10000;
// Object handles above the header's 16-bit count are ignored.
constexpr uint32_t kEmfMaxObjectHandles = 65536;
// The largest font size a record makes, in points.
constexpr double kEmfMaxFontSize = 1000.0;
// The smallest record: its type and size.
constexpr uint32_t kEmfMinRecordSize = 8;

// ---- Reports ----
enum EmfCommand : int {
  kEmfFill = 1,
  kEmfImage = 2,
  kEmfStroke = 3,
  kEmfFillAndStroke = 4,
  kEmfText = 5,
};

enum EmfShapeKind : int {
  kEmfShapeNone = 0,
  kEmfShapeEllipse = 1,
  kEmfShapePath = 2,
  kEmfShapeRectangle = 3,
  kEmfShapeRoundRect = 4,
};

// Text alignment codes of the state.
constexpr uint32_t kEmfAlignLeft = 100;
constexpr uint32_t kEmfAlignCenter = 101;
constexpr uint32_t kEmfAlignRight = 102;

// A path as the interpreter builds it: moves, lines, cubic curves (two
// controls and the end point) and closes, kept in order so that consumers
// see where each figure was closed.
struct EmfPathElement {
  enum Kind : uint8_t { kMove, kLine, kCurve, kClose };
  Kind kind = kMove;
  QPointF points[3];  // the point; for a curve the two controls and the end
};

class EmfPath {
 public:
  const std::vector<EmfPathElement>& elements() const { return m_elements; }
  bool isEmpty() const { return m_elements.empty(); }
  size_t elementCount() const { return m_elements.size(); }

  void moveTo(QPointF point);
  void lineTo(QPointF point);
  void curveTo(QPointF control1, QPointF control2, QPointF end);
  // Closes the figure; the next drawing starts from the figure's start.
  void close();
  // Moves where the path stands: the last element when it is a move, else a
  // new move.
  void moveCurrentPoint(QPointF point);

  // The path for a painter, with the fill rule.
  QPainterPath painterPath(bool evenOdd) const;
  // The tight bounds of the drawn path.
  QRectF bounds() const;

 private:
  std::vector<EmfPathElement> m_elements;
};

// A bitmap reported by command 2: the picture and the format a consumer
// saves it in (JPEG for an opaque pixmap and for JPEG bits, PNG otherwise).
struct EmfImageRecord {
  CSImage image;
  ImageFormat format = kImageFormatJPEG;
};

// The drawing state each report carries, and the unit SAVEDC saves.
struct EmfDrawState {
  std::optional<CSGradient> brushGradient;  // only while a gradient fill is reported
  Kolor brushKolor = g_nilKolor;
  bool evenOdd = false;
  std::vector<double> dashPattern;  // points; empty for a solid pen
  Kolor penKolor = g_blackKolor;    // also the text colour
  double penWidth = 1.0;
  double miterLimit = 10.0;
  int lineCap = 0;   // 0 butt, 1 round, 2 square
  int lineJoin = 0;  // 0 miter, 1 round, 2 bevel
  bool insideFrame = false;
  std::optional<QFont> font;  // none after selecting a font of a foreign character set
  uint32_t textAlignment = kEmfAlignLeft;
  bool underline = false;
  bool strikeOut = false;
  bool updateCurrentPosition = false;
  bool baseline = false;
  // Text stands on its reference point (bottom alignment) rather than
  // hanging from it; the baseline flag takes precedence.
  bool bottom = false;
  // eM11, eM12, eM21, eM22, eDx, eDy: (x, y) goes to
  // (eDx + x eM11 + y eM21, eDy + x eM12 + y eM22).
  float transform[6] = {1, 0, 0, 1, 0, 0};

  QPointF map(double x, double y) const;
  // Whether the pen strokes at all: visible and not of width 0.
  bool strokes() const { return IsVisibleKolor(penKolor) && penWidth != 0; }
};

// What a report is about: nothing (ellipses, rectangles), the path, the
// corner size of a round rectangle, the image, or the text.
using EmfObject = std::variant<std::monostate, const EmfPath*, QSizeF, const EmfImageRecord*, QString>;

using EmfCallback = void (*)(int command, int shapeKind, const EmfObject& object, const EmfDrawState& state,
                             void* context, const QRectF& bounds);

// Walks the records, reporting in record order. False with "This does not
// appear to be an EMF image." when the data is not EMF; otherwise true, also
// when a damaged record ended the walk early (logged "ImportEmf failed").
bool ImportEmf(const uint8_t* bytes, size_t length, EmfCallback callback, void* context, QString* error);

// Windows code page 1252 bytes as text.
QString StringFromCodePage1252(const uint8_t* bytes, size_t length);

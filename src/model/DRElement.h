#pragma once
// The base of every object in a drawing. An element has identity: the
// canvas selects it by address, and copies are made on purpose (copy()).
// It carries the fields every kind shares (frame, rotation, reflection,
// shadow, line style, notes and the flags of its transient states), reads
// and writes the element record, brackets every kind's drawing (rotation,
// shadow, selection casing and grab dots, reflection), answers its bounds,
// and hit-tests itself against an off-screen rendering.
//
// Geometry is held in measures (CSRect, 12,700 per point) on the flipped
// page; drawing happens in view points on the current painter
// (CurrentQuartzContext()). Properties that are addressed by name are
// Q_PROPERTYs of the class's gadget meta-object (gadgetMetaObject()); an
// optional sub-object (shadow, line style, gradient, arrow) is a QVariant
// property that is invalid while the element has none.

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QMetaType>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRStyleClient.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class CSError;
class CSXmlDecoder;
class CSXmlEncoder;
class DRArrow;
class DRDrawing;
class DRElementHostingView;
class DRGradient;
class QMetaObject;

// The element kinds (elementType), which are also the indexes of the type
// names in records.
enum DRElementType : int32_t {
  kElementArc = 0,
  kElementBentLine = 1,
  kElementBitmap = 2,
  kElementEllipse = 3,
  kElementGroup = 4,
  kElementLine = 5,
  kElementMultipath = 6,
  kElementPolygon = 7,
  kElementRectangle = 8,
  kElementRegularPoly = 9,
  kElementRoundRect = 10,
  kElementScribble = 11,
  kElementText = 12,
};
constexpr int32_t kElementTypeCount = 13;

// The coordinates that setValue() changes.
enum DRRectCoord : int32_t {
  kRectCoordX = 0,
  kRectCoordY = 1,
  kRectCoordWidth = 2,
  kRectCoordHeight = 3,
};

// The canvas's numbers for what lies under the pointer besides the eight
// frame dots (0-7, clockwise from the top-left corner).
constexpr int32_t kGrabDotBody = 8;
constexpr int32_t kGrabDotLineStart = 10;
constexpr int32_t kGrabDotLineEnd = 11;

// The reflection opacity of a new element: 50 %, in percent x 12,700.
constexpr int64_t kDefaultReflectionAlpha = 635000;

// The notification after every mouse gesture on the canvas, on which each
// element drops its cached hit-test bitmap.
extern const QString g_doneSelectingNotification;  // "twdraw.doneSelecting"

// The deepest nesting of element records (groups in groups), far beyond any
// grouping by hand. A record nested deeper makes the whole text bad: the
// reader is ended, so every record around it fails as on malformed text.
constexpr int kMaxElementRecordDepth = 256;

class DRElement : public DRStyleClient {
  Q_GADGET
  Q_PROPERTY(int elementType READ elementType)
  Q_PROPERTY(CSRect frame READ frame WRITE setFrame)
  Q_PROPERTY(CSPoint originalSize READ originalSize WRITE setOriginalSize)
  Q_PROPERTY(bool constrained READ isConstrained WRITE setConstrained)
  Q_PROPERTY(bool constrainToOriginalSize READ constrainToOriginalSize)
  Q_PROPERTY(bool resizeFromCenter READ resizeFromCenter WRITE setResizeFromCenter)
  Q_PROPERTY(QString notes READ notes WRITE setNotes)
  Q_PROPERTY(qulonglong sortIndex READ sortIndex WRITE setSortIndex)
  Q_PROPERTY(qlonglong rotation READ rotation WRITE setRotation)
  Q_PROPERTY(qlonglong reflection READ reflection WRITE setReflection)
  Q_PROPERTY(qlonglong reflectionAlpha READ reflectionAlpha WRITE setReflectionAlpha)
  Q_PROPERTY(qlonglong reflectionOffset READ reflectionOffset WRITE setReflectionOffset)
  Q_PROPERTY(QVariant shadow READ shadowValue WRITE setShadowValue)
  Q_PROPERTY(QVariant lineInfo READ lineInfoValue WRITE setLineInfoValue)

 public:
  ~DRElement() override;
  DRElement(const DRElement&) = delete;
  DRElement& operator=(const DRElement&) = delete;

  // The meta-object of the element's own class, for property access by name.
  virtual const QMetaObject* gadgetMetaObject() const { return &staticMetaObject; }

  // ---- Making elements ----------------------------------------------------

  // A new element for a drawing tool of the palette (DRTool), under
  // construction, with its fill colour registered as a recent fill and its
  // line colour as the alternate colour; null for a tool that makes none
  // or whose class is not registered.
  static std::unique_ptr<DRElement> elementWithTool(int32_t tool);

  // Reads one element record. The decoder is positioned on the "element"
  // start tag; on return it has read the record's end tag, whatever the
  // answer. Null for a record that does not begin with "type", of a type
  // that no class reads, that a class found unusable, or that the reader
  // could not read to its end.
  static std::unique_ptr<DRElement> elementWithXml(CSXmlDecoder& decoder, DRDrawing* drawing);

  // A new element of the same class with this element's values; null when
  // a class cannot copy (a group whose member cannot). Selection state, the
  // transient flags, sortIndex and the hit-test bitmap are not copied.
  std::unique_ptr<DRElement> copy() const;

  // ---- The record ---------------------------------------------------------

  // Writes the record's tags (not the enclosing "element" tags).
  virtual void archiveToXml(CSXmlEncoder& encoder) const;
  // Writes the images that the element's paintings need into the package's
  // image list; true when there is nothing to save.
  virtual bool savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace, CSError* error);
  virtual void recordImageGuid(QSet<QString>& guids) const { (void)guids; }
  // Installs pasted images (painting guid -> image data); true when there is
  // nothing to install.
  virtual bool installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing);

  // ---- Kind ---------------------------------------------------------------

  int32_t elementType() const { return m_elementType; }
  // 2 closed shapes, 3 lines and bent lines, 4 polygons and scribbles, 1
  // bitmaps, 5 texts, 0 groups and anything else.
  int32_t similarityClass() const;
  bool isSimilarTo(const DRElement& other) const;
  // The record's name of a kind, or a null string.
  static QString typeNameForElementType(int32_t elementType);

  virtual bool canDrawLines() const { return false; }
  bool canScale() const override { return false; }
  virtual bool canDrawClosed() const { return false; }
  virtual bool canDrawFilled() const { return false; }
  virtual bool canHitTestBezier() const { return false; }
  virtual bool isClosed() const { return false; }
  // Redrawn on every pass of the canvas, whatever it covers.
  virtual bool alwaysRedraw() const { return false; }
  // A scribble-family element in reshape mode.
  virtual bool isReshaping() const { return false; }

  // ---- Fill, for the kinds that have one -------------------------------------

  // Whether the element has a fill colour at all (closed shapes).
  virtual bool answersFillKolor() const { return false; }
  virtual Kolor fillKolor() const { return g_nilKolor; }
  virtual const DRGradient* gradientStyle() const { return nullptr; }

  // ---- Frame and size ------------------------------------------------------

  CSRect frame() const override { return m_frame; }
  // Stores the frame without side effects (the text element overrides it).
  virtual void setFrame(const CSRect& frame) { m_frame = frame; }
  CSPoint originalSize() const override { return m_originalSize; }
  void setOriginalSize(CSPoint size) { m_originalSize = size; }

  virtual bool isConstrained() const { return m_constrained; }
  // Stores the flag; when set, a frame whose width and height differ
  // becomes a square of the larger side.
  virtual void setConstrained(bool constrained);
  void setConstrainedNoResize(bool constrained) { m_constrained = constrained; }
  bool constrainToOriginalSize() const { return m_constrainToOriginalSize; }
  bool resizeFromCenter() const { return m_resizeFromCenter; }
  void setResizeFromCenter(bool fromCenter) { m_resizeFromCenter = fromCenter; }

  // Changes one coordinate of the frame as the position pane does; true
  // when the frame changed. `updateState` is set when the other side of
  // the size changed too. Refuses the mixed value, a size below one unit,
  // and (with constrainToOriginalSize) an original size with a zero side.
  virtual bool setValue(MeasureUnit value, int32_t rectCoord, bool* updateState);
  // Sizes the frame to a percentage (x 12,700) of originalSize; true when
  // it changed. The view redraws the old and the new area.
  bool setScale(MeasureUnit scale, DRElementHostingView* view);

  // Back to no rotation, reflection, shadow, notes, line style and
  // constraint; the plain shape a multipath keeps of its members.
  virtual void makeVanilla();
  bool isVanilla() const;

  // Mirrors the element's own content inside its original size, for kinds
  // whose content is not just their frame; false when there is none.
  virtual bool flip(bool vertical) {
    (void)vertical;
    return false;
  }

  // ---- Fields ---------------------------------------------------------------

  const QString& notes() const { return m_notes; }
  void setNotes(const QString& notes) { m_notes = notes; }
  uint64_t sortIndex() const { return m_sortIndex; }
  void setSortIndex(uint64_t index) { m_sortIndex = index; }

  // Degrees x 12,700 about the frame's centre, clockwise on the canvas.
  int64_t rotation() const { return m_rotation; }
  virtual void setRotation(int64_t rotation) { m_rotation = rotation; }
  QPointF rotationCenter() const { return m_rotationCenter; }

  // The share (percent x 12,700) of the reflected height over which the
  // reflection fades out; 0 for none.
  int64_t reflection() const { return m_reflection; }
  void setReflection(int64_t reflection) { m_reflection = reflection; }
  int64_t reflectionAlpha() const { return m_reflectionAlpha; }
  void setReflectionAlpha(int64_t alpha) { m_reflectionAlpha = alpha; }
  MeasureUnit reflectionOffset() const { return m_reflectionOffset; }
  void setReflectionOffset(MeasureUnit offset) { m_reflectionOffset = offset; }

  const std::optional<DRShadow>& shadow() const { return m_shadow; }
  void setShadow(const std::optional<DRShadow>& shadow) { m_shadow = shadow; }
  const DRShadow* shadowStyle() const override { return m_shadow ? &*m_shadow : nullptr; }
  QVariant shadowValue() const;
  void setShadowValue(const QVariant& value);

  // Only elements that can draw lines have a line style.
  const std::optional<DRLineInfo>& lineInfo() const { return m_lineInfo; }
  void setLineInfo(const std::optional<DRLineInfo>& lineInfo) { m_lineInfo = lineInfo; }
  // The line style, or the default style for an element without one.
  const DRLineInfo& lineStyle() const override;
  QVariant lineInfoValue() const;
  void setLineInfoValue(const QVariant& value);
  // Gives the line style a dash pattern, for elements that draw lines.
  void setLinePattern(const std::optional<DRLineInfo::Pattern>& pattern);

  // ---- Flags ----------------------------------------------------------------

  bool isUnderConstruction() const override { return m_underConstruction; }
  // Stores the flag; leaving construction with no original size takes the
  // frame's size as the original size.
  virtual void setUnderConstruction(bool underConstruction);
  bool wasPreviouslySelected() const { return m_previouslySelected; }
  void setPreviouslySelected(bool selected) { m_previouslySelected = selected; }
  bool isResizing() const { return m_resizing; }
  void setResizing(bool resizing) { m_resizing = resizing; }
  bool isHitTesting() const override { return m_hitTesting; }
  void setHitTesting(bool hitTesting) { m_hitTesting = hitTesting; }
  bool isReflecting() const { return m_reflecting; }
  void setReflecting(bool reflecting) { m_reflecting = reflecting; }
  bool suppressCasing() const { return m_suppressCasing; }
  void setSuppressCasing(bool suppress) { m_suppressCasing = suppress; }
  bool isSaving() const { return m_saving; }
  void setSaving(bool saving) { m_saving = saving; }
  bool isUndoCopy() const { return m_undoCopy; }
  void setUndoCopy(bool undoCopy) { m_undoCopy = undoCopy; }

  // ---- Drawing -----------------------------------------------------------------

  // Draws the element at its frame.
  void drawInView(DRElementHostingView* view);
  // Draws the element in the rectangle (view points); each kind draws its
  // body between setupDrawing() and finishDrawing(). The base draws nothing.
  virtual void drawInRect(const QRectF& rect, DRElementHostingView* view);

  // Saves the painter's state, turns it by the rotation about the
  // rectangle's centre and sets the shadow unless hit testing.
  void setupDrawing(QRectF* rect);
  // Restores the state, then draws the selection casing and its grab dots
  // and the reflection as they apply; true when drawn as selected.
  bool finishDrawing(const QRectF& rect, DRElementHostingView* view);
  // Drops the shadow for the rest of the body.
  void resetShadow() override;
  // Turns the current painter by the rotation about rotationCenter().
  void rotate();

  // The pen that strokes the element's lines with its line style; drops
  // the shadow first when a filled shape's line follows its fill. Call it
  // right before stroking, inside the body.
  QPen setupLineDrawing(DRElementHostingView* view);
  virtual bool shouldDrawLine() const;
  double effectiveLineWidth() const override;

  // ---- Bounds ----------------------------------------------------------------

  // The area the element covers when drawn (printed): frame, rotation,
  // line, shadow and reflection.
  virtual CSRect bounds(bool forPrinting) const;
  CSRect adjustBounds(CSRect rect, bool forPrinting) const;
  virtual MeasureUnit lineBoundsExpansion(bool forPrinting) const;
  // The rectangle united with the arrowheads' bounds on a line from start
  // to end (measures, relative to the frame unless under construction).
  CSRect unionRect(const CSRect& rect, const DRArrow* arrow, CSPoint startPoint, CSPoint endPoint,
                   MeasureUnit lineWidth) const;
  // The bounds the element would have if drawn in the rectangle (points).
  CSRect boundsIn(const QRectF& rect) const;
  // The bounds of the pixels the element really draws; bounds(false) when
  // they cannot be found.
  CSRect trueBoundsInView(DRElementHostingView* view);

  // ---- Grab dots -------------------------------------------------------------

  virtual bool isGrabDotActive(int32_t dot) const;
  // Fills the dot squares for the frame (points); answers how many.
  virtual int getGrabDotRects(std::span<QRectF, 8> rects, const QRectF& frame) const;
  // The frame dot on the end p of a line whose other end is o.
  int32_t grabDotForPoint(CSPoint point, CSPoint otherEnd) const;
  // The rectangle's outline turned by the rotation about its centre (points).
  QPainterPath rotatedRectBezier(const CSRect& rect) const;
  QPainterPath rotatedFrameBezier() const;

  // The outline of the shape in the rectangle (points), winding fill; empty
  // for kinds without one.
  virtual QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const;

  // ---- Hit testing -------------------------------------------------------------

  // Whether the point (view points) hits what the element draws, within
  // two pixels; shadow and reflection never hit.
  virtual bool isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick);
  // Whether anything the element draws lies in the rectangle (points).
  virtual bool intersectsWithRect(const QRectF& rect, DRElementHostingView* view);

  // Builds the cached hit-test bitmap unless there is one; false when it
  // cannot be made.
  bool createBitmapInFrame(const QRectF& frame, const QRectF& bounds, DRElementHostingView* view);
  // Renders the element (frame and bounds in points) into a new bitmap, on
  // white while hit testing, upside down on clear while reflecting, and
  // gives back where its origin lies. A null image when it cannot be made.
  QImage createBitmapInFrame(const QRectF& frame, const QRectF& bounds, DRElementHostingView* view,
                             QPointF* offsetPoint);
  const QImage& hitTestBitmap() const { return m_hitTestBitmap; }
  QPointF hitTestOffset() const { return m_hitTestOffset; }
  // Drops the cached hit-test bitmap. Every element holding one does so on
  // each g_doneSelectingNotification.
  void purgeBitmap();

  // Draws the reflection under the element drawn in the rectangle.
  void reflect(const QRectF& rect, DRElementHostingView* view);
  // The fill under a reflection: white at reflectionAlpha (whole percent)
  // at the top of the height, clear from `reflection` of the way down.
  QLinearGradient createReflectionGradient(double height) const;

 protected:
  explicit DRElement(int32_t elementType);

  // A new element of the same class, as its constructor makes it.
  virtual std::unique_ptr<DRElement> newInstance() const = 0;
  // Takes the other element's values (of the same class); each class calls
  // its base first and then sets its own fields through their setters.
  virtual void copyFrom(const DRElement& other);

  // Makes the element ready to take a record: the record alone decides the
  // constraint, the line style, the fill and the arrowheads. Each class
  // calls its base first.
  virtual void resetForRecord();
  // Reads one tag of the record that the base does not know. A start tag
  // with content must be read through its end tag (skipTag()).
  virtual void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing);
  // Called once the whole record was read, for values that depend on
  // several tags whatever their order.
  virtual void didReadRecord() {}
  // Appends the class's own tags after the base's.
  virtual void addAdditionalNodes(CSXmlEncoder& encoder) const { (void)encoder; }

  // A class that finds its record unusable marks the element, which the
  // reader then drops.
  void setZombie() { m_zombie = true; }
  void setConstrainToOriginalSize(bool constrain) { m_constrainToOriginalSize = constrain; }
  // Takes a copy of the tool settings' current line style.
  void takeSettingsLineInfo();

 private:
  // Reads the record after its "type" tag through its end tag; false when
  // the element must be dropped.
  bool readRecord(CSXmlDecoder& decoder, DRDrawing* drawing, int64_t recordLevel);
  // Installs, once, the observer that ends every gesture's hit-test bitmaps.
  static void ObserveDoneSelecting();
  bool drawsCasing(DRElementHostingView* view) const;
  void drawCasing(const QRectF& rect, DRElementHostingView* view);

  int32_t m_elementType;
  CSRect m_frame;
  CSPoint m_originalSize;
  bool m_constrained = false;
  bool m_constrainToOriginalSize = false;
  bool m_resizeFromCenter = false;
  bool m_underConstruction = false;
  bool m_previouslySelected = false;
  bool m_resizing = false;
  bool m_hitTesting = false;
  bool m_reflecting = false;
  bool m_suppressCasing = false;
  bool m_saving = false;
  bool m_undoCopy = false;
  bool m_zombie = false;
  QString m_notes;
  uint64_t m_sortIndex = 0;
  QImage m_hitTestBitmap;
  QPointF m_hitTestOffset;
  int64_t m_rotation = 0;
  QPointF m_rotationCenter;
  int64_t m_reflection = 0;
  int64_t m_reflectionAlpha = kDefaultReflectionAlpha;
  MeasureUnit m_reflectionOffset = 0;
  std::optional<DRShadow> m_shadow;
  std::optional<DRLineInfo> m_lineInfo;
};

// Whether the bitmap (a render on white) holds a drawn pixel at (x, y) or
// within two pixels of it: probes the point, its eight neighbours at
// distance 1 clockwise from the top-left, then the same eight at distance 2;
// a pixel counts when its red, green and blue are not all 255. Probes off
// the bitmap miss.
bool ProbeBitmapNear(const QImage& bitmap, int x, int y);

// ---- The class registry ----------------------------------------------------------

// Makes a new element of one class, as its constructor makes it.
using DRElementMaker = std::unique_ptr<DRElement> (*)();

// Enters the class that reads records of the kind; a later entry for the
// same kind replaces the earlier one.
void RegisterElementClass(int32_t elementType, DRElementMaker maker);
// What reads records of the kind now; null when no class does.
DRElementMaker RegisteredElementClass(int32_t elementType);
// Enters what a palette tool makes.
void RegisterElementTool(int32_t tool, DRElementMaker maker);
// Registers every element class of the model, once; the factories call it
// before their first use, and later calls do nothing.
void RegisterElementClasses();

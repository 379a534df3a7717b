#pragma once
// The drop shadow an element may carry: a distance along each axis, a
// direction angle, a blur and a colour. It sets itself as the shadow of the
// current graphics state while the element draws, widens the element's
// bounds for redrawing, reads and writes the "shadow" record, and merges the
// shadows of a multiple selection.
//
// A merged shadow (intersectWith) marks distances, blur and angle that
// differ as kMixedMeasure and a differing colour as no colour; the lock is
// the first shadow's.

#include <QMetaType>
#include <optional>

#include "model/DRShadowContext.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class CSXmlDecoder;
class CSXmlEncoder;

constexpr MeasureUnit kDefaultShadowOffset = 38100;  // 3 points
constexpr MeasureUnit kDefaultShadowBlur = 25400;    // 2 points
constexpr int64_t kDefaultShadowAngle = 1714500;     // 135 degrees, in 1/12,700 degree

class DRShadow {
  Q_GADGET
  Q_PROPERTY(qlonglong xOffset READ xOffset WRITE setXOffset)
  Q_PROPERTY(qlonglong yOffset READ yOffset WRITE setYOffset)
  Q_PROPERTY(bool lockXY READ lockXY WRITE setLockXY)
  Q_PROPERTY(Kolor kolor READ kolor WRITE setKolor)
  Q_PROPERTY(qlonglong blur READ blur WRITE setBlur)
  Q_PROPERTY(qlonglong angle READ angle WRITE setAngle)

 public:
  // Three points each way, locked, opaque black, blur 2 points, 135 degrees.
  DRShadow() = default;

  // The distances lie along the angle's sine (x) and cosine (y). While the
  // lock is on, setting either sets both.
  MeasureUnit xOffset() const { return m_xOffset; }
  void setXOffset(MeasureUnit offset);
  MeasureUnit yOffset() const { return m_yOffset; }
  void setYOffset(MeasureUnit offset);
  bool lockXY() const { return m_lockXY; }
  // Turning the lock on gives the y distance the x distance.
  void setLockXY(bool lock);

  Kolor kolor() const { return m_kolor; }
  void setKolor(Kolor kolor) { m_kolor = kolor; }
  MeasureUnit blur() const { return m_blur; }
  void setBlur(MeasureUnit blur) { m_blur = blur; }
  // Degrees times 12,700; 0 points the shadow up, 90 right, 180 down.
  int64_t angle() const { return m_angle; }
  void setAngle(int64_t angle) { m_angle = angle; }

  // The shadow as the painter casts it: offset in points on the y-down
  // canvas, blur in points, colour from the Kolor.
  DRContextShadow contextShadow() const;
  // Makes it the shadow of the current graphics state (SetContextShadow).
  void set() const;

  // The rectangle grown to take in the shadow's offset (not its blur), by
  // whole measures and one more on the side the shadow falls.
  CSRect adjustBounds(const CSRect& rect) const;

  // Marks the distances, blur, angle and colour that differ from the
  // other's as mixed; the lock stays this shadow's.
  void intersectWith(const DRShadow& other);

  // ---- The "shadow" record ----
  // Reads from the decoder positioned on the "shadow" start tag through its
  // end tag, starting from the defaults (so a record without "lock" is
  // locked) and storing each value as read, without the lock's coupling.
  // Unknown tags are skipped; nullopt when the text is malformed or ends first.
  static std::optional<DRShadow> initWithXml(CSXmlDecoder& decoder);
  void archiveToXml(CSXmlEncoder& encoder) const;

  bool operator==(const DRShadow&) const = default;

 private:
  MeasureUnit m_xOffset = kDefaultShadowOffset;
  MeasureUnit m_yOffset = kDefaultShadowOffset;
  bool m_lockXY = true;
  Kolor m_kolor = g_blackKolor;
  MeasureUnit m_blur = kDefaultShadowBlur;
  int64_t m_angle = kDefaultShadowAngle;
};

Q_DECLARE_METATYPE(DRShadow)

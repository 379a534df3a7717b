#pragma once
// The tool settings: the styles new elements take (line, fill, swap colour,
// arrowheads, text), the options of the shape tools, the copied style of
// Copy Style and Paste Style, and the painting tools' brush, tolerance and
// mode. One instance for the application, read from the user's settings on
// first use and written back at quit. Panes and bars change it without undo
// before they post a settings change.

#include <QObject>
#include <optional>

#include "model/DRArrow.h"
#include "model/DRGradient.h"
#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRTextInfo.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class QSettings;

// What Copy Style takes and Paste Style gives.
struct DRCopiedStyle {
  Kolor fillKolor = g_nilKolor;
  std::optional<DRArrow> arrow;
  std::optional<DRGradient> gradient;
  std::optional<DRShadow> shadow;
  DRLineInfo lineInfo;
};

// Fallbacks of the settings whose stored 0 also means "unset".
constexpr uint64_t kDefaultRegularPolyVertexCount = 6;
constexpr MeasureUnit kDefaultCornerRadius = 101600;    // 8 points
constexpr MeasureUnit kDefaultPolygonTolerance = 38100;  // 3 points

class DRSettings : public QObject {
  Q_OBJECT

 public:
  // The one instance, loaded from the application's settings on first use
  // and saved when the application quits.
  static DRSettings& sharedInstance();

  // Reads every setting from the store, with the fallbacks for absent keys.
  void loadSettings(const QSettings& settings);
  // Writes every stored setting; no arrow removes its key.
  void saveSettings(QSettings& settings) const;

  // ---- Styles of new elements ----
  // The line and text styles are changed in place; a text style's font
  // change is announced by textInfoFontChanged().
  DRLineInfo& lineInfo() { return m_lineInfo; }
  void setLineInfo(const DRLineInfo& lineInfo) { m_lineInfo = lineInfo; }
  DRTextInfo& textInfo() { return m_textInfo; }
  void setTextInfo(const DRTextInfo& textInfo);

  Kolor fillKolor() const { return m_fillKolor; }
  void setFillKolor(Kolor kolor) { m_fillKolor = kolor; }
  Kolor swapKolor() const { return m_swapKolor; }
  void setSwapKolor(Kolor kolor) { m_swapKolor = kolor; }

  // ---- Arrowheads of new lines ----
  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  void setArrow(const std::optional<DRArrow>& arrow);
  // Turning a head off while the other end has none removes the arrow;
  // otherwise an open arrow is made when there is none.
  void setArrowOnStart(bool on);
  void setArrowOnEnd(bool on);
  // Fills (or empties) the head, switching the end head on when neither end
  // has one.
  void setFillArrow(bool fill);
  bool arrowOnStart() const;
  bool arrowOnEnd() const;
  bool fillArrow() const;
  // An open arrow with neither head on, when there is no arrow.
  void ensureArrow();

  // ---- Shape tools ----
  bool drawFromCenter() const { return m_drawFromCenter; }
  void setDrawFromCenter(bool on) { m_drawFromCenter = on; }
  bool constrain() const { return m_constrain; }
  void setConstrain(bool on) { m_constrain = on; }
  uint64_t regularPolyVertexCount() const { return m_regularPolyVertexCount; }
  void setRegularPolyVertexCount(uint64_t count) { m_regularPolyVertexCount = count; }
  MeasureUnit cornerRadius() const { return m_cornerRadius; }
  void setCornerRadius(MeasureUnit radius) { m_cornerRadius = radius; }
  MeasureUnit polygonTolerance() const { return m_polygonTolerance; }
  void setPolygonTolerance(MeasureUnit tolerance) { m_polygonTolerance = tolerance; }
  bool curvedPolygon() const { return m_curvedPolygon; }
  int32_t colorTarget() const { return m_colorTarget; }
  void setColorTarget(int32_t target) { m_colorTarget = target; }

  // ---- Copy Style and Paste Style ----
  const std::optional<DRTextInfo>& copiedTextStyle() const { return m_copiedTextStyle; }
  void setCopiedTextStyle(const std::optional<DRTextInfo>& style) { m_copiedTextStyle = style; }
  bool haveCopiedStyle() const { return m_haveCopiedStyle; }
  DRCopiedStyle copiedStyle() const { return m_copiedStyle; }
  // Keeps the style, makes its fill, line style and arrow the current ones
  // and posts "twdraw.infoBar".
  void setCopiedStyle(const DRCopiedStyle& style);

  // ---- Painting tools ----
  double checkerboardExponent() const { return m_checkerboardExponent; }
  void setCheckerboardExponent(double exponent) { m_checkerboardExponent = exponent; }
  double blurStrength() const { return m_blurStrength; }
  void setBlurStrength(double strength) { m_blurStrength = strength; }
  int32_t brush() const { return m_brush; }
  void setBrush(int32_t brush) { m_brush = brush; }
  uint64_t brushSizeExponent() const { return m_brushSizeExponent; }
  void setBrushSizeExponent(uint64_t exponent) { m_brushSizeExponent = exponent; }
  uint64_t paintTolerance() const { return m_paintTolerance; }
  void setPaintTolerance(uint64_t tolerance) { m_paintTolerance = tolerance; }
  int32_t pixelSelector() const { return m_pixelSelector; }
  void setPixelSelector(int32_t selector);
  int32_t pencilOption() const { return m_pencilOption; }
  void setPencilOption(int32_t option) { m_pencilOption = option; }
  bool interiorOpaque() const { return m_interiorOpaque; }
  void setInteriorOpaque(bool on) { m_interiorOpaque = on; }
  bool shrinkSelection() const { return m_shrinkSelection; }
  void setShrinkSelection(bool on) { m_shrinkSelection = on; }
  bool showPaintGrid() const { return m_showPaintGrid; }
  void setShowPaintGrid(bool on) { m_showPaintGrid = on; }
  bool blendPixels() const { return m_blendPixels; }
  void setBlendPixels(bool on) { m_blendPixels = on; }
  bool smudgeBlur() const { return m_smudgeBlur; }
  void setSmudgeBlur(bool on) { m_smudgeBlur = on; }

 signals:
  void arrowChanged();
  void textInfoFontChanged();
  void pixelSelectorChanged();

 private:
  DRSettings();
  void watchTextFont();

  DRLineInfo m_lineInfo;
  Kolor m_fillKolor = g_nilKolor;
  Kolor m_swapKolor = g_blackKolor;
  bool m_drawFromCenter = false;
  bool m_constrain = false;
  std::optional<DRArrow> m_arrow;
  DRTextInfo m_textInfo;
  std::optional<DRTextInfo> m_copiedTextStyle;
  uint64_t m_regularPolyVertexCount = kDefaultRegularPolyVertexCount;
  MeasureUnit m_cornerRadius = kDefaultCornerRadius;
  MeasureUnit m_polygonTolerance = kDefaultPolygonTolerance;
  bool m_curvedPolygon = false;
  int32_t m_colorTarget = 0;
  bool m_haveCopiedStyle = false;
  DRCopiedStyle m_copiedStyle;
  double m_checkerboardExponent = 2.0;
  double m_blurStrength = 1.0;
  int32_t m_brush = 0;
  uint64_t m_brushSizeExponent = 2;
  uint64_t m_paintTolerance = 0;
  int32_t m_pixelSelector = 0;
  int32_t m_pencilOption = 0;
  bool m_interiorOpaque = false;
  bool m_shrinkSelection = true;
  bool m_showPaintGrid = false;
  bool m_blendPixels = true;
  bool m_smudgeBlur = false;
};

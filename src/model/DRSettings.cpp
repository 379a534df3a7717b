#include "model/DRSettings.h"

#include <QCoreApplication>
#include <QSettings>

#include "model/DRKeyTable.h"
#include "model/StyleRecordText.h"
#include "platform/NotificationCenter.h"
#include "support/CSKernel.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

const QString kLineKey = QStringLiteral("twdraw.line");
const QString kFillKolorKey = QStringLiteral("twdraw.fillKolor");
const QString kSwapKolorKey = QStringLiteral("twdraw.swapColor");
const QString kDrawFromCenterKey = QStringLiteral("twdraw.drawFromCenter");
const QString kConstrainedKey = QStringLiteral("twdraw.constrained");
const QString kArrowKey = QStringLiteral("twdraw.arrow");
const QString kTextKey = QStringLiteral("twdraw.text");
const QString kVertexCountKey = QStringLiteral("twdraw.vertexCount");
const QString kCornerRadiusKey = QStringLiteral("twdraw.cornerRadius");
const QString kToleranceKey = QStringLiteral("twdraw.tolerance");
const QString kPolygonCurvesKey = QStringLiteral("twdraw.polygonCurves");
const QString kCheckerboardKey = QStringLiteral("twdraw.checkerboard");
const QString kBlurKey = QStringLiteral("twdraw.blur");
const QString kBrushKey = QStringLiteral("twdraw.brush");
const QString kBrushSizeKey = QStringLiteral("twdraw.brushSize");
const QString kPaintToleranceKey = QStringLiteral("twdraw.paintTolerance");
const QString kPixelSelectionKey = QStringLiteral("twdraw.pixelSelection");
const QString kPencilKey = QStringLiteral("twdraw.pencil");
const QString kInteriorOpaqueKey = QStringLiteral("twdraw.interiorOpaque");
const QString kShrinkSelectionKey = QStringLiteral("twdraw.shrinkSelection");
const QString kShowPaintGridKey = QStringLiteral("twdraw.showPaintGrid");
const QString kBlendKey = QStringLiteral("twdraw.blend");
const QString kSmudgeKey = QStringLiteral("twdraw.smudge");

// A style stored as the text of its record; nullopt when the value holds
// none that reads.
template <typename Style>
std::optional<Style> ReadRecord(const QSettings& settings, const QString& key, int32_t recordKey) {
  const QVariant value = settings.value(key);
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  return StyleFromRecordText<Style>(value.toString(), recordKey);
}

// A stored integer, or the fallback when the key is absent or holds no number.
template <typename Int>
Int IntegerSetting(const QSettings& settings, const QString& key, Int fallback) {
  bool ok = false;
  const qlonglong value = settings.value(key).toLongLong(&ok);
  return ok ? Int(value) : fallback;
}

double FloatSetting(const QSettings& settings, const QString& key, double fallback) {
  bool ok = false;
  const float value = settings.value(key).toFloat(&ok);
  return ok ? double(value) : fallback;
}

bool BoolSetting(const QSettings& settings, const QString& key, bool fallback) {
  const QVariant value = settings.value(key);
  return value.isValid() ? value.toBool() : fallback;
}

Kolor KolorSetting(const QSettings& settings, const QString& key, Kolor fallback) {
  const QVariant value = settings.value(key);
  return value.typeId() == QMetaType::QString ? KolorFromString(value.toString()) : fallback;
}

}  // namespace

DRSettings& DRSettings::sharedInstance() {
  static DRSettings* shared = [] {
    auto* settings = new DRSettings;
    settings->loadSettings(QSettings());
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QObject::connect(app, &QCoreApplication::aboutToQuit, settings, [settings] {
        QSettings store;
        settings->saveSettings(store);
      });
    }
    return settings;
  }();
  return *shared;
}

DRSettings::DRSettings() {
  watchTextFont();
}

void DRSettings::watchTextFont() {
  m_textInfo.setFontChangedHook([this] { emit textInfoFontChanged(); });
}

void DRSettings::loadSettings(const QSettings& settings) {
  // Only the width and colour of the line style carry over from one run to
  // the next.
  m_lineInfo = ReadRecord<DRLineInfo>(settings, kLineKey, kXmlLineinfo).value_or(DRLineInfo());
  m_lineInfo.enforceStandardAdvancedOptions();
  m_fillKolor = KolorSetting(settings, kFillKolorKey, g_nilKolor);
  m_swapKolor = KolorSetting(settings, kSwapKolorKey, g_blackKolor);
  m_drawFromCenter = BoolSetting(settings, kDrawFromCenterKey, false);
  m_constrain = BoolSetting(settings, kConstrainedKey, false);
  setArrow(ReadRecord<DRArrow>(settings, kArrowKey, kXmlArrow));
  setTextInfo(ReadRecord<DRTextInfo>(settings, kTextKey, kXmlTextinfo).value_or(DRTextInfo()));

  // Read signed: a negative count stored by hand is no count, like a stored 0.
  const int64_t vertexCount = IntegerSetting<int64_t>(settings, kVertexCountKey, 0);
  m_regularPolyVertexCount = vertexCount < 1 ? kDefaultRegularPolyVertexCount : uint64_t(vertexCount);
  m_cornerRadius = IntegerSetting<MeasureUnit>(settings, kCornerRadiusKey, 0);
  if (m_cornerRadius == 0) m_cornerRadius = kDefaultCornerRadius;
  m_polygonTolerance = IntegerSetting<MeasureUnit>(settings, kToleranceKey, 0);
  if (m_polygonTolerance == 0) m_polygonTolerance = kDefaultPolygonTolerance;
  m_curvedPolygon = BoolSetting(settings, kPolygonCurvesKey, false);

  m_checkerboardExponent = FloatSetting(settings, kCheckerboardKey, 2.0);
  m_blurStrength = FloatSetting(settings, kBlurKey, 1.0);
  m_brush = IntegerSetting<int32_t>(settings, kBrushKey, 0);
  m_brushSizeExponent = IntegerSetting<uint64_t>(settings, kBrushSizeKey, 2);
  m_paintTolerance = IntegerSetting<uint64_t>(settings, kPaintToleranceKey, 0);
  setPixelSelector(IntegerSetting<int32_t>(settings, kPixelSelectionKey, 0));
  m_pencilOption = IntegerSetting<int32_t>(settings, kPencilKey, 0);
  m_interiorOpaque = BoolSetting(settings, kInteriorOpaqueKey, false);
  m_shrinkSelection = DefaultYesBoolForKey(settings, kShrinkSelectionKey);
  m_showPaintGrid = BoolSetting(settings, kShowPaintGridKey, false);
  m_blendPixels = DefaultYesBoolForKey(settings, kBlendKey);
  m_smudgeBlur = BoolSetting(settings, kSmudgeKey, false);
}

void DRSettings::saveSettings(QSettings& settings) const {
  settings.setValue(kLineKey, StyleRecordText(m_lineInfo));
  settings.setValue(kFillKolorKey, NewKolorString(m_fillKolor));
  settings.setValue(kSwapKolorKey, NewKolorString(m_swapKolor));
  settings.setValue(kDrawFromCenterKey, m_drawFromCenter);
  settings.setValue(kConstrainedKey, m_constrain);
  if (m_arrow)
    settings.setValue(kArrowKey, StyleRecordText(*m_arrow, QStringLiteral("arrow")));
  else
    settings.remove(kArrowKey);
  settings.setValue(kTextKey, StyleRecordText(m_textInfo));
  settings.setValue(kVertexCountKey, qulonglong(m_regularPolyVertexCount));
  settings.setValue(kCornerRadiusKey, qlonglong(m_cornerRadius));
  settings.setValue(kToleranceKey, qlonglong(m_polygonTolerance));
  settings.setValue(kPolygonCurvesKey, m_curvedPolygon);
  settings.setValue(kCheckerboardKey, float(m_checkerboardExponent));
  settings.setValue(kBlurKey, float(m_blurStrength));
  settings.setValue(kBrushKey, m_brush);
  settings.setValue(kBrushSizeKey, qulonglong(m_brushSizeExponent));
  settings.setValue(kPaintToleranceKey, qulonglong(m_paintTolerance));
  settings.setValue(kPixelSelectionKey, m_pixelSelector);
  settings.setValue(kPencilKey, m_pencilOption);
  settings.setValue(kInteriorOpaqueKey, m_interiorOpaque);
  settings.setValue(kShrinkSelectionKey, m_shrinkSelection);
  settings.setValue(kShowPaintGridKey, m_showPaintGrid);
  settings.setValue(kBlendKey, m_blendPixels);
  settings.setValue(kSmudgeKey, m_smudgeBlur);
}

void DRSettings::setTextInfo(const DRTextInfo& textInfo) {
  const bool fontChanged = !(textInfo.font() == m_textInfo.font());
  m_textInfo = textInfo;  // assignment keeps this object's font hook
  watchTextFont();
  if (fontChanged) emit textInfoFontChanged();
}

void DRSettings::setArrow(const std::optional<DRArrow>& arrow) {
  m_arrow = arrow;
  emit arrowChanged();
}

void DRSettings::ensureArrow() {
  if (m_arrow) return;
  m_arrow = DRArrow::standardArrow(kArrowTypeOpen);
  if (m_arrow) {
    m_arrow->setOnStart(0);
    m_arrow->setOnEnd(0);
  }
}

void DRSettings::setArrowOnStart(bool on) {
  if (!on && !arrowOnEnd()) {
    setArrow(std::nullopt);
    return;
  }
  ensureArrow();
  m_arrow->setOnStart(on ? 1 : 0);
  emit arrowChanged();
}

void DRSettings::setArrowOnEnd(bool on) {
  if (!on && !arrowOnStart()) {
    setArrow(std::nullopt);
    return;
  }
  ensureArrow();
  m_arrow->setOnEnd(on ? 1 : 0);
  emit arrowChanged();
}

void DRSettings::setFillArrow(bool fill) {
  ensureArrow();
  if (m_arrow->onStart() != 1 && m_arrow->onEnd() != 1) m_arrow->setOnEnd(1);
  m_arrow->setFill(fill ? 1 : 0);
  m_arrow->setCanonicalForm();
  emit arrowChanged();
}

bool DRSettings::arrowOnStart() const {
  return m_arrow && m_arrow->onStart() == 1;
}
bool DRSettings::arrowOnEnd() const {
  return m_arrow && m_arrow->onEnd() == 1;
}
bool DRSettings::fillArrow() const {
  return m_arrow && m_arrow->fill() == 1;
}

void DRSettings::setCopiedStyle(const DRCopiedStyle& style) {
  m_copiedStyle = style;
  m_haveCopiedStyle = true;
  m_fillKolor = style.fillKolor;
  m_lineInfo = style.lineInfo;
  setArrow(style.arrow);
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.infoBar"), nullptr);
}

void DRSettings::setPixelSelector(int32_t selector) {
  if (selector == m_pixelSelector) return;
  m_pixelSelector = selector;
  emit pixelSelectorChanged();
}

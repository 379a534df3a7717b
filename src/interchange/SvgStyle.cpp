#include "interchange/SvgStyle.h"

#include <algorithm>
#include <cmath>

#include "interchange/Css.h"
#include "interchange/SvgGeometry.h"
#include "interchange/SvgKeys.h"
#include "model/DRTextInfo.h"

namespace {

bool Is(QStringView value, QStringView keyword) {
  return value.trimmed().compare(keyword, Qt::CaseInsensitive) == 0;
}

MeasureUnit SmallerSide(const DRSvgProps& props) {
  return std::min(props.viewBox.width, props.viewBox.height);
}

void SetFont(DRSvgProps& props, QFont (*adjust)(const QFont&, QStringView), QStringView value) {
  props.textInfo.setFont(adjust(props.textInfo.fontValue(), value));
}

// The id of a url(#id) reference; empty when the text is none.
QString ReferencedId(QStringView value) {
  value = value.trimmed();
  if (!value.startsWith(u"url(", Qt::CaseInsensitive)) return QString();
  const qsizetype close = value.indexOf(QLatin1Char(')'));
  if (close < 0) return QString();
  QStringView inside = value.mid(4, close - 4).trimmed();
  if (inside.size() >= 2 && (inside.front() == QLatin1Char('\'') || inside.front() == QLatin1Char('"')) &&
      inside.back() == inside.front())
    inside = inside.mid(1, inside.size() - 2);
  if (!inside.startsWith(QLatin1Char('#'))) return QString();
  return inside.mid(1).toString();
}

void SetStrokeWidth(DRSvgProps& props, MeasureUnit width) {
  props.lineInfo.setWidth(std::max<MeasureUnit>(width, 0));
}

}  // namespace

Kolor SvgDecodeKolor(const DRSvgProps& props, QStringView value) {
  if (Is(value, u"currentColor")) return props.currentKolor;
  return KolorFromCssColor(value);
}

void SvgSetIndirectFill(SvgImportState& state, DRSvgProps& props, QStringView value) {
  const QString id = ReferencedId(value);
  if (!id.isEmpty()) {
    const auto found = state.named.constFind(id);
    if (found != state.named.constEnd()) {
      if (const auto* gradient = std::get_if<DRGradient>(&*found)) {
        props.gradient = *gradient;
        props.fillSpecified = true;
        return;
      }
      if (const auto* kolor = std::get_if<Kolor>(&*found)) {
        props.gradient.reset();
        props.setFillColor(*kolor);
        return;
      }
    }
    // A reference to nothing usable leaves the fill, unless a fallback follows.
    const Kolor fallback = KolorFromCssColor(value);
    if (fallback == g_nilKolor) return;
    props.gradient.reset();
    props.setFillColor(fallback);
    return;
  }
  props.gradient.reset();
  props.setFillColor(SvgDecodeKolor(props, value));
}

void SvgParseLinePattern(DRSvgProps& props, QStringView value) {
  DRLineInfo::Pattern pattern;
  qsizetype pos = 0;
  MeasureUnit length = 0;
  while (int(pattern.size()) < kSvgMaxDashes && SvgExtractNextNumber(value, pos, QLatin1Char('%'), &length)) {
    pattern.push_back(std::max<MeasureUnit>(length, 1));
  }
  if (pattern.empty()) {
    props.lineInfo.setPattern(DRLineInfo::Pattern{});
    props.lineInfo.setLineStyle(kLineStyleSolid);
    return;
  }
  if (pattern.size() % 2 == 1) {
    const size_t count = pattern.size();
    for (size_t i = 0; i < count && int(pattern.size()) < kSvgMaxDashes; ++i) pattern.push_back(pattern[i]);
  }
  props.lineInfo.setPattern(pattern);
  props.lineInfo.setLineStyle(kLineStyleCustom);
}

void SvgSetLineCap(DRSvgProps& props, QStringView value) {
  if (Is(value, u"round")) {
    props.lineInfo.setCapStyle(kLineCapRound);
    props.lineInfo.setJoinStyle(kLineJoinRound);
  } else if (Is(value, u"square")) {
    props.lineInfo.setCapStyle(kLineCapSquare);
  } else {
    props.lineInfo.setCapStyle(kLineCapButt);
  }
}

void SvgSetLineJoin(DRSvgProps& props, QStringView value) {
  if (Is(value, u"round")) {
    props.lineInfo.setJoinStyle(kLineJoinRound);
  } else if (Is(value, u"bevel")) {
    props.lineInfo.setJoinStyle(kLineJoinBevel);
  } else {
    props.lineInfo.setJoinStyle(kLineJoinMiter);
  }
}

void SvgHandleTextDecoration(DRSvgProps& props, QStringView value) {
  if (Is(value, u"none")) {
    props.textInfo.setUnderlined(0);
  } else if (value.contains(u"underline", Qt::CaseInsensitive)) {
    props.textInfo.setUnderlined(1);
  }
}

void SvgSetAlignment(DRSvgProps& props, QStringView value) {
  if (Is(value, u"center")) {
    props.textInfo.setAlignment(kTextAlignCenter);
  } else if (Is(value, u"right")) {
    props.textInfo.setAlignment(kTextAlignRight);
  } else if (Is(value, u"justify")) {
    props.textInfo.setAlignment(kTextAlignJustified);
  } else {
    props.textInfo.setAlignment(kTextAlignLeft);
  }
}

void SvgSetTextAnchor(DRSvgProps& props, QStringView value) {
  if (Is(value, u"middle")) {
    props.textAnchor = kSvgAnchorMiddle;
  } else if (Is(value, u"end")) {
    props.textAnchor = kSvgAnchorEnd;
  } else {
    props.textAnchor = kSvgAnchorStart;
  }
}

void SvgHandleCommonAttribute(SvgImportState& state, DRSvgProps& props, int key, const QString& value) {
  switch (key) {
    case kSvgFill:
      SvgSetIndirectFill(state, props, value);
      break;
    case kSvgFillOpacity:
      props.fillOpacity = SvgParsePercentageCore(value, false, 1.0);
      break;
    case kSvgFillRule:
      props.alternateFillRule = Is(value, u"evenodd");
      break;
    case kSvgFontFamily:
      SetFont(props, AdjustCssFontFamily, value);
      break;
    case kSvgFontSize:
      SetFont(props, AdjustCssFontSize, value);
      break;
    case kSvgFontStyle:
      SetFont(props, AdjustCssFontStyle, value);
      break;
    case kSvgFontWeight:
      SetFont(props, AdjustCssFontWeight, value);
      break;
    case kSvgOpacity:
      props.fillOpacity = SvgParsePercentageCore(value, false, 1.0);
      props.strokeOpacity = props.fillOpacity;
      break;
    case kSvgStroke:
      props.lineInfo.setKolorWithoutRegistering(SvgDecodeKolor(props, value));
      break;
    case kSvgStrokeOpacity:
      props.strokeOpacity = SvgParsePercentageCore(value, false, 1.0);
      break;
    case kSvgStrokeWidth:
      SetStrokeWidth(props, SvgParseMeasure(value, SmallerSide(props)));
      break;
    case kSvgStrokeDasharray:
      SvgParseLinePattern(props, value);
      break;
    case kSvgStrokeDashoffset:
      props.lineInfo.setPhase(SvgParseMeasure(value, 0));
      break;
    case kSvgStrokeLinecap:
      SvgSetLineCap(props, value);
      break;
    case kSvgStrokeLinejoin:
      SvgSetLineJoin(props, value);
      break;
    case kSvgStrokeMiterlimit:
      props.lineInfo.setMiterLimit(std::max<MeasureUnit>(SvgParseMeasure(value, 0), 0));
      break;
    case kSvgTextDecoration:
      SvgHandleTextDecoration(props, value);
      break;
    case kSvgVisibility:
      if (!Is(value, u"visible")) state.dropElement = true;
      break;
    case kSvgDisplay:
      if (Is(value, u"none")) state.dropElement = true;
      break;
    case kSvgTransform:
      SvgParseTransforms(state, props, value);
      break;
    case kSvgStyle:
      ParseCssString(value, [&state, &props](int cssKey, const QString& property) {
        SvgHandleStyleProperty(state, props, cssKey, property);
      });
      break;
    default:
      break;
  }
}

void SvgHandleStyleProperty(SvgImportState& state, DRSvgProps& props, int cssKey, const QString& value) {
  switch (cssKey) {
    case kCssColor:
      props.currentKolor = KolorFromCssColor(value);
      break;
    case kCssFill:
      SvgHandleCommonAttribute(state, props, kSvgFill, value);
      break;
    case kCssFillOpacity:
      SvgHandleCommonAttribute(state, props, kSvgFillOpacity, value);
      break;
    case kCssFillRule:
      SvgHandleCommonAttribute(state, props, kSvgFillRule, value);
      break;
    case kCssOpacity:
      SvgHandleCommonAttribute(state, props, kSvgOpacity, value);
      break;
    case kCssStroke:
      SvgHandleCommonAttribute(state, props, kSvgStroke, value);
      break;
    case kCssStrokeOpacity:
      SvgHandleCommonAttribute(state, props, kSvgStrokeOpacity, value);
      break;
    case kCssStrokeDasharray:
      SvgParseLinePattern(props, value);
      break;
    case kCssStrokeDashoffset:
      SvgHandleCommonAttribute(state, props, kSvgStrokeDashoffset, value);
      break;
    case kCssStrokeLinecap:
      SvgSetLineCap(props, value);
      break;
    case kCssStrokeLinejoin:
      SvgSetLineJoin(props, value);
      break;
    case kCssTextDecoration:
      SvgHandleTextDecoration(props, value);
      break;
    case kCssFont:
      SetFont(props, AdjustCssFont, value);
      break;
    case kCssFontFamily:
      SetFont(props, AdjustCssFontFamily, value);
      break;
    case kCssFontSize:
      SetFont(props, AdjustCssFontSize, value);
      break;
    case kCssFontStyle:
      SetFont(props, AdjustCssFontStyle, value);
      break;
    case kCssFontWeight:
      SetFont(props, AdjustCssFontWeight, value);
      break;
    case kCssInlineSize:
      state.width = SvgParseMeasure(value, props.viewBox.width);
      break;
    case kCssStrokeMiterlimit:
      props.lineInfo.setMiterLimit(std::max<MeasureUnit>(SvgParseMeasure(value, SmallerSide(props)), 0));
      break;
    case kCssStrokeWidth:
      SetStrokeWidth(props, SvgParseMeasure(value, 0));
      break;
    case kCssTextAlign:
      SvgSetAlignment(props, value);
      break;
    case kCssTextAnchor:
      SvgSetTextAnchor(props, value);
      break;
    case kCssDisplay:
      SvgHandleCommonAttribute(state, props, kSvgDisplay, value);
      break;
    case kCssVisibility:
      SvgHandleCommonAttribute(state, props, kSvgVisibility, value);
      break;
    default:
      // offset, stop-color and stop-opacity belong to the stop reader.
      break;
  }
}

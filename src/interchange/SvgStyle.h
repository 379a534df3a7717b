#pragma once
// The SVG reader's presentation attributes and "style" properties: each
// sets a field of the level's property set (colours, opacity, stroke,
// dashes, fonts, text alignment, transforms) or marks the element to be
// dropped. Keyword comparisons ignore case; unreadable values are skipped
// or read as 0.

#include <QString>
#include <QStringView>

#include "interchange/SvgImportState.h"

// The most dash lengths a pattern keeps.
constexpr int kSvgMaxDashes = 10;

// A presentation attribute (an SVG key); keys it does not handle are
// ignored.
void SvgHandleCommonAttribute(SvgImportState& state, DRSvgProps& props, int key, const QString& value);
// A declaration of a "style" attribute (a CSS property key).
void SvgHandleStyleProperty(SvgImportState& state, DRSvgProps& props, int cssKey, const QString& value);

// "currentColor" (any case) is the level's current colour; else a CSS colour.
Kolor SvgDecodeKolor(const DRSvgProps& props, QStringView value);
// The fill: url(#id) of a gradient or a colour, "currentColor", a CSS colour.
void SvgSetIndirectFill(SvgImportState& state, DRSvgProps& props, QStringView value);
// A dash array: up to kSvgMaxDashes lengths of at least one unit, an odd
// list repeated once; none makes the line solid.
void SvgParseLinePattern(DRSvgProps& props, QStringView value);
void SvgSetLineCap(DRSvgProps& props, QStringView value);
void SvgSetLineJoin(DRSvgProps& props, QStringView value);
void SvgHandleTextDecoration(DRSvgProps& props, QStringView value);
void SvgSetAlignment(DRSvgProps& props, QStringView value);
void SvgSetTextAnchor(DRSvgProps& props, QStringView value);

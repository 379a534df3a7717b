#include "interchange/SvgKeys.h"

#include <QHash>
#include <array>

namespace {

constexpr std::array<const char16_t*, kSvgKeyCount + 1> kSvgNames = {
    u"",
    u"circle",
    u"desc",
    u"defs",
    u"display",
    u"ellipse",
    u"g",
    u"line",
    u"linearGradient",
    u"metadata",
    u"path",
    u"polygon",
    u"polyline",
    u"radialGradient",
    u"rect",
    u"stop",
    u"style",
    u"svg",
    u"text",
    u"textPath",
    u"title",
    u"use",
    u"text-align",
    u"class",
    u"cx",
    u"cy",
    u"color",
    u"d",
    u"fill",
    u"fill-opacity",
    u"fill-rule",
    u"fx",
    u"fy",
    u"font-family",
    u"font-size",
    u"font-style",
    u"font-weight",
    u"height",
    u"href",
    u"id",
    u"min-x",
    u"min-y",
    u"offset",
    u"dx",
    u"dy",
    u"opacity",
    u"points",
    u"r",
    u"rx",
    u"ry",
    u"stroke-dasharray",
    u"stroke-dashoffset",
    u"stroke-linecap",
    u"stroke-linejoin",
    u"stroke-miterlimit",
    u"stop-color",
    u"stop-opacity",
    u"stroke",
    u"stroke-opacity",
    u"stroke-width",
    u"text-anchor",
    u"text-decoration",
    u"shape-inside",
    u"inline-size",
    u"transform-origin",
    u"transform",
    u"version",
    u"viewBox",
    u"visibility",
    u"width",
    u"x",
    u"x1",
    u"x2",
    u"xlink:href",
    u"y",
    u"y1",
    u"y2",
    u"none",
    u"rotate",
    u"scale",
    u"scaleX",
    u"scaleY",
    u"translate",
};

}  // namespace

QString SvgKeyName(int key) {
  if (key <= 0 || key > kSvgKeyCount) return QString();
  return QString::fromUtf16(kSvgNames[size_t(key)]);
}

int SvgKeyForName(QStringView name) {
  static const QHash<QString, int> keys = [] {
    QHash<QString, int> table;
    for (int key = 1; key <= kSvgKeyCount; ++key) table.insert(QString::fromUtf16(kSvgNames[size_t(key)]), key);
    return table;
  }();
  return keys.value(name.toString(), 0);
}

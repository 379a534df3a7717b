#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "model/DRGradient.h"
#include "model/DRKeyTable.h"
#include "model/DRShadowContext.h"
#include "model/RecordTesting.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

std::optional<DRGradient> Read(const QString& record) {
  return ReadStyleRecord<DRGradient>("<?xml version=\"1.0\"?>\n" + record);
}

QString Write(const DRGradient& gradient) {
  return StyleRecordText(gradient);
}

QString Stops(std::initializer_list<int64_t> positions) {
  QString text = "<stops>";
  for (int64_t position : positions)
    text += QString("<stop><position>%1</position><color>{0, 0, 0}</color></stop>").arg(position);
  return text + "</stops>";
}

}  // namespace

TEST(DRGradient, RecordRoundTrips) {
  DRGradient linear;
  linear.setStops({{0, 0x640000FF}, {5000, 0x3200FF00}, {12700, g_whiteKolor}});
  linear.setLinearAngle(1234567);
  DRGradient radial;
  radial.setRadial(true);
  radial.setRadialCenter({-6350, 12700});
  DRGradient zeroAngle;
  zeroAngle.setLinearAngle(0);
  for (const DRGradient& gradient : {linear, radial, zeroAngle, DRGradient()}) {
    const QString text = Write(gradient);
    const auto back = Read(text);
    ASSERT_TRUE(back) << text.toStdString();
    EXPECT_TRUE(*back == gradient) << text.toStdString();
    EXPECT_EQ(Write(*back), text);
  }
  EXPECT_FALSE(Write(zeroAngle).contains("<angle>"));
  EXPECT_FALSE(Write(radial).contains("<angle>"));
  EXPECT_TRUE(Write(radial).contains("<type>radial</type>"));
}

TEST(DRGradient, StopsMustRise) {
  struct Case {
    QString stops;
    std::vector<int64_t> positions;
  } cases[] = {
      {Stops({0, 8000, 4000, 12700}), {0, 8000}},
      {Stops({-5, 0, 12700}), {}},
      {Stops({0, 0, 12700}), {0}},
      {Stops({100, 12700, 40000}), {100, 12700, 40000}},  // kept as read
      {"<stops><stop><color>{0, 0, 0}</color></stop><stop><position>9</position></stop></stops>", {0, 9}},
  };
  for (const Case& c : cases) {
    const auto gradient = Read("<gradient><type>linear</type>" + c.stops + "</gradient>");
    if (c.positions.empty()) {
      EXPECT_FALSE(gradient) << c.stops.toStdString();
      continue;
    }
    ASSERT_TRUE(gradient) << c.stops.toStdString();
    std::vector<int64_t> positions;
    for (const CSGradientStop& stop : gradient->stops()) positions.push_back(stop.position);
    EXPECT_EQ(positions, c.positions) << c.stops.toStdString();
  }
}

TEST(DRGradient, BadRecordsReadAsNone) {
  EXPECT_FALSE(Read("<gradient><type>radial</type><x>5</x></gradient>"));  // no stops
  EXPECT_FALSE(Read("<gradient/>"));
  EXPECT_FALSE(Read("<gradient><type>linear</type>" + Stops({0, 12700})));  // ends inside
  EXPECT_FALSE(Read("<gradient><stops><stop><position>0</position></stop></stops></shadow>"));

  // Unknown tags, with or without children, are passed over; no angle reads as 0.
  const auto gradient = Read("<gradient><mystery><deep>1</deep></mystery><type>linear</type>" + Stops({0, 12700}) +
                             "<odd>2</odd></gradient>");
  ASSERT_TRUE(gradient);
  EXPECT_EQ(gradient->linearAngle(), 0);
  EXPECT_EQ(gradient->stopCount(), 2u);
}

TEST(DRGradient, ShadowFallsUnderTheWholeShape) {
  QImage image(80, 80, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    PushShadowContext();
    SetContextShadow(DRContextShadow{QPointF(10, 10), 0, QColor(0, 0, 0)});
    DRGradient clearToRed;
    clearToRed.setStops({{0, 0x000000FF}, {12700, 0x000000FF}});  // fully transparent
    QPainterPath path;
    path.addRect(10, 10, 40, 40);
    clearToRed.drawInBezier(path, true);
    PopShadowContext();
  }
  EXPECT_EQ(qGray(image.pixel(30, 30)), 255);  // the white under the gradient
  EXPECT_LT(qGray(image.pixel(55, 55)), 40);   // the shadow of the whole square
  EXPECT_EQ(qGray(image.pixel(5, 5)), 255);
}

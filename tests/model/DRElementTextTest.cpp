#include <gtest/gtest.h>

#include <QImage>
#include <QMetaProperty>
#include <array>
#include <cmath>

#include "model/DRElementText.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "model/FakeModelServices.h"
#include "model/TextLayout.h"

namespace {

QFont FontOfSize(double points) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSizeF(points);
  return font;
}

std::unique_ptr<DRElementText> TextBox(const QString& text, const CSRect& frame, double fontSize = 12) {
  auto box = std::make_unique<DRElementText>();
  DRTextInfo info;
  info.setFont(FontOfSize(fontSize));
  box->setTextInfo(info);
  box->setFrame(frame);
  box->setText(text);
  return box;
}

bool HasInk(const QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (qGray(image.pixel(x, y)) < 160) return true;
  return false;
}

}  // namespace

TEST(DRElementText, WidthHasAMinimumAndAnUnchangedWidthOnlyMovesTheBox) {
  SettingsScope scope;
  auto box = TextBox(QStringLiteral("Hello"), PtRect(0, 0, 100, 50));
  const MeasureUnit height = box->frame().height;
  EXPECT_GT(height, 0);
  EXPECT_LT(height, Pt(50));  // fitted to one line, not the height asked for

  box->setFrame(PtRect(5, 6, 10, 300));
  EXPECT_EQ(box->frame().width, kMinTextWidth);

  const MeasureUnit narrowHeight = box->frame().height;
  box->setFrame(CSRect{Pt(40), Pt(70), kMinTextWidth, Pt(999)});
  EXPECT_EQ(box->frame(), (CSRect{Pt(40), Pt(70), kMinTextWidth, narrowHeight}));

  // Without text a new width takes the height given.
  DRElementText empty;
  empty.setFrame(PtRect(0, 0, 50, 33));
  EXPECT_EQ(empty.frame(), PtRect(0, 0, 50, 33));
}

TEST(DRElementText, HeightFollowsWrappingAndFontChanges) {
  SettingsScope scope;
  const QString words = QStringLiteral("one two three four five six seven eight nine ten");
  auto box = TextBox(words, PtRect(0, 0, 400, 10));
  const MeasureUnit oneLine = box->frame().height;
  box->setFrame(PtRect(0, 0, 60, 10));
  const MeasureUnit wrapped = box->frame().height;
  EXPECT_GT(wrapped, 3 * oneLine);

  // A direct change of the style's font.
  box->textInfoForEditing().setFont(FontOfSize(24));
  const MeasureUnit bigger = box->frame().height;
  EXPECT_GT(bigger, wrapped);

  // A change through the property path "textInfo.font", as the settings walker makes it.
  const QMetaObject* meta = box->gadgetMetaObject();
  const QMetaProperty property = meta->property(meta->indexOfProperty("textInfo"));
  ASSERT_TRUE(property.isValid());
  QVariant value = property.readOnGadget(box.get());
  DRTextInfo info = value.value<DRTextInfo>();
  const QMetaProperty font =
      DRTextInfo::staticMetaObject.property(DRTextInfo::staticMetaObject.indexOfProperty("font"));
  ASSERT_TRUE(font.writeOnGadget(&info, QVariant::fromValue(FontOfSize(8))));
  ASSERT_TRUE(property.writeOnGadget(box.get(), QVariant::fromValue(info)));
  EXPECT_LT(box->frame().height, wrapped);

  // The font hook stays with the element after a new style was set.
  box->textInfoForEditing().setFont(FontOfSize(30));
  EXPECT_GT(box->frame().height, bigger);
}

TEST(DRElementText, AClickAnywhereInTheBoxHitsButARubberBandNeedsText) {
  SettingsScope scope;
  auto box = TextBox(QStringLiteral("ab"), PtRect(10, 10, 200, 10), 14);
  FakeHostingView view;
  const QRectF f = ConvertMeasureRect(box->frame());
  const QPointF emptyPart(f.right() - 5, f.center().y());
  EXPECT_TRUE(box->isPointInElement(emptyPart, &view, true));
  EXPECT_FALSE(box->isPointInElement(emptyPart, &view, false));
  EXPECT_FALSE(box->intersectsWithRect(QRectF(f.right() - 60, f.top(), 50, f.height()), &view));
  EXPECT_TRUE(box->intersectsWithRect(QRectF(f.left(), f.top(), 30, f.height()), &view));
  EXPECT_FALSE(box->isPointInElement(QPointF(f.right() + 5, f.center().y()), &view, true));
}

TEST(DRElementText, OnlyTheSideDotsOfAnUnrotatedBoxAreActive) {
  SettingsScope scope;
  DRElementText box;
  for (int32_t dot = 0; dot < 8; ++dot) EXPECT_EQ(box.isGrabDotActive(dot), dot == 3 || dot == 7) << dot;
  box.setRotation(Pt(30));
  for (int32_t dot = 0; dot < 8; ++dot) EXPECT_FALSE(box.isGrabDotActive(dot)) << dot;
}

TEST(DRElementText, BoundsIncludeALineThatRunsPastTheBox) {
  SettingsScope scope;
  auto box = TextBox(QStringLiteral("Incomprehensibilities"), PtRect(10, 10, 20, 10), 18);
  const CSRect b = box->bounds(false);
  const QSizeF line = TextBoxSize(box->textInfo().expressWithText(box->text(), false), 1e9);
  EXPECT_GE(b.x + b.width, Pt(10 + line.width()) - 1);
  EXPECT_GT(b.width, box->frame().width);
}

TEST(DRElementText, TellsTheMainCanvasAndThePositionPanes) {
  SettingsScope scope;
  FakeModelServices services;
  FakeHostingView canvas;
  services.canvas = &canvas;
  auto box = TextBox(QStringLiteral("x"), PtRect(0, 0, 100, 10));
  EXPECT_TRUE(canvas.propertiesDelays.empty());  // not selected
  canvas.select(box.get());
  box->setText(QStringLiteral("y"));
  EXPECT_EQ(canvas.propertiesDelays, std::vector<bool>{true});

  box->setKnownFrame(PtRect(3, 4, 5, 6));
  EXPECT_EQ(box->frame(), PtRect(3, 4, 5, 6));
  EXPECT_EQ(services.positionChanges, 1);
}

TEST(DRElementText, RecordRoundTripRecomputesTheHeight) {
  SettingsScope scope;
  auto box = TextBox(QStringLiteral("first line\nsecond line"), PtRect(20, 30, 150, 10));
  box->setIgnoreText(true);
  const QString record = RecordOf(*box);
  QString tampered = record;
  tampered.replace(NewCSRectString(box->frame()), NewCSRectString(CSRect{Pt(20), Pt(30), Pt(150), 1}));
  auto read = ReadRecord(tampered);
  ASSERT_NE(read, nullptr);
  auto& text = static_cast<DRElementText&>(*read);
  EXPECT_EQ(text.text(), box->text());
  EXPECT_TRUE(text.ignoreText());
  EXPECT_EQ(text.textInfo(), box->textInfo());
  EXPECT_EQ(text.frame(), box->frame());
  auto copy = box->copy();
  ASSERT_NE(copy, nullptr);
  auto& copied = static_cast<DRElementText&>(*copy);
  EXPECT_EQ(copied.text(), box->text());
  EXPECT_EQ(copied.frame(), box->frame());
  EXPECT_TRUE(copied.ignoreText());
  // The copy's style has a font hook of its own.
  copied.textInfoForEditing().setFont(FontOfSize(30));
  EXPECT_GT(copied.frame().height, box->frame().height);
}

TEST(DRElementText, DrawsItsTextInsideThePaddedBox) {
  SettingsScope scope;
  auto box = TextBox(QStringLiteral("MMMM MMMM MMMM"), PtRect(20, 20, 60, 10), 14);
  const QRectF f = ConvertMeasureRect(box->frame());
  const QImage image = Render(QSize(120, 160), [&] { box->drawInView(nullptr); });
  EXPECT_TRUE(HasInk(image, QRect(20, 20, 60, int(f.height()))));
  EXPECT_FALSE(HasInk(image, QRect(0, 0, 120, 19)));
  EXPECT_FALSE(HasInk(image, QRect(0, int(f.bottom()) + 2, 120, 40)));
  EXPECT_FALSE(HasInk(image, QRect(20, 20, 1, int(f.height()))));  // the left padding
}

TEST(DRElementText, ARecordWithoutAStyleStillFitsItsHeight) {
  SettingsScope scope;
  const QString record = Records(
      QStringLiteral("<element><type>text</type><frame>{0,0,1270000,1}</frame><string>some text</string></element>"));
  auto read = ReadRecord(record);
  ASSERT_NE(read, nullptr);
  EXPECT_GT(read->frame().height, 1);
  auto again = ReadRecord(RecordOf(*read));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(RecordOf(*again), RecordOf(*read));
}

TEST(DRElementText, HeightFitsWhateverTheOrderOfTheRecordsTags) {
  SettingsScope scope;
  auto read =
      ReadRecord(Records(QStringLiteral("<element><type>text</type><string>a few words to wrap</string>"
                                        "<frame>{0,0,254000,1}</frame></element>")));
  ASSERT_NE(read, nullptr);
  EXPECT_GT(read->frame().height, 1);
  auto again = ReadRecord(RecordOf(*read));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(RecordOf(*again), RecordOf(*read));
}

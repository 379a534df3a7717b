// The drag pasteboard and the gradient's transfer record: newest value per
// type, the record read back equal, and every record the editing controls
// could not hold refused.

#include <gtest/gtest.h>

#include <QMimeData>

#include "model/DRKeyTable.h"
#include "support/CSXmlEncoder.h"
#include "support/widgets/CSDragPasteboard.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/inspector/DRGradientClip.h"

namespace {

const QString kType = QStringLiteral("twdraw.clip.gradient");
const QString kOther = QStringLiteral("public.tiff");

TEST(DragPasteboard, TwoValuesOfOneTypeReadAsTheNewerAndTheTypeIsListedTwice) {
  CSDragPasteboard pasteboard;
  EXPECT_TRUE(pasteboard.setString(QStringLiteral("older"), kType));
  EXPECT_TRUE(pasteboard.setData(QByteArray("II*\0", 4), kOther));
  EXPECT_TRUE(pasteboard.setString(QStringLiteral("newer"), kType));

  EXPECT_EQ(pasteboard.changeCount(), 3);
  EXPECT_EQ(pasteboard.writableTypes(), (QStringList{kType, kOther, kType}));
  EXPECT_EQ(pasteboard.stringForType(kType), QStringLiteral("newer"));
  EXPECT_TRUE(pasteboard.dataForType(kType).isNull());  // a string is not bytes
  EXPECT_EQ(pasteboard.dataForType(kOther), QByteArray("II*\0", 4));
  EXPECT_TRUE(pasteboard.stringForType(kOther).isNull());
  EXPECT_FALSE(pasteboard.valueForType(QStringLiteral("none")).isValid());

  // Through QMimeData, as a drop target reads it: the newest value, strings
  // as UTF-8.
  const QMimeData& mime = pasteboard;
  EXPECT_TRUE(mime.hasFormat(kType));
  EXPECT_EQ(mime.data(kType), QByteArray("newer"));
  EXPECT_EQ(mime.data(kOther), QByteArray("II*\0", 4));

  // A newer value of another kind hides the string.
  pasteboard.setData(QByteArray("bytes"), kType);
  EXPECT_TRUE(pasteboard.stringForType(kType).isNull());
  EXPECT_EQ(mime.data(kType), QByteArray("bytes"));
}

TEST(DragPasteboard, ValuesWrittenThroughTheBaseAreAnsweredWhereNoneOfOursIs) {
  // The element clipboard writes through QMimeData's own setters.
  std::unique_ptr<QMimeData> pasteboard = ClipboardServices().dragPasteboard();
  auto* own = qobject_cast<CSDragPasteboard*>(pasteboard.get());
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(pasteboard->formats().isEmpty());
  pasteboard->setData(kOther, QByteArray("base"));
  own->setString(QStringLiteral("ours"), kType);
  EXPECT_EQ(pasteboard->formats(), (QStringList{kType, kOther}));
  EXPECT_EQ(pasteboard->data(kOther), QByteArray("base"));
  EXPECT_EQ(pasteboard->data(kType), QByteArray("ours"));
  // Ours wins over the base for the same type.
  pasteboard->setData(kType, QByteArray("base"));
  EXPECT_EQ(pasteboard->data(kType), QByteArray("ours"));
  EXPECT_EQ(pasteboard->formats().count(kType), 1);
}

DRGradient Gradient(bool radial, std::vector<CSGradientStop> stops, CSPoint center = {}, int64_t angle = 0) {
  DRGradient gradient;
  gradient.setRadial(radial);
  gradient.setRadialCenter(center);
  gradient.setLinearAngle(angle);
  gradient.setStops(std::move(stops));
  return gradient;
}

std::vector<CSGradientStop> EvenStops(int count) {
  std::vector<CSGradientStop> stops;
  for (int index = 0; index < count; ++index)
    stops.push_back({12700 * index / (count - 1), Kolor(0x64000000u | uint32_t(index * 0x0A0B0C))});
  return stops;
}

class GradientClip : public testing::Test {
 protected:
  static void SetUpTestSuite() { CreateXmlDecoder(); }
};

TEST_F(GradientClip, TheRecordReadsBackEqual) {
  const DRGradient cases[] = {
      DRGradient(),
      Gradient(false, {{0, 0x64FF0000}, {12700, 0x320000FF}}, {}, 1270),
      Gradient(true, {{0, g_blackKolor}, {6350, 0x00FFFFFF}, {12700, g_whiteKolor}}, {-12700, 6350}),
      Gradient(false, EvenStops(10), {}, -4572000),
  };
  for (const DRGradient& gradient : cases) {
    const QString record = GradientTransferRecord(gradient);
    const std::optional<DRGradient> read = GradientFromTransferRecord(record);
    ASSERT_TRUE(read) << record.toStdString();
    EXPECT_EQ(*read, gradient) << record.toStdString();
    EXPECT_EQ(read->stops(), gradient.stops());
    EXPECT_EQ(read->isRadial(), gradient.isRadial());
    EXPECT_EQ(GradientTransferRecord(*read), record);

    // The same through a drag pasteboard and through bytes from elsewhere.
    const std::unique_ptr<CSDragPasteboard> pasteboard = GradientDragPasteboard(gradient);
    EXPECT_EQ(pasteboard->writableTypes(), QStringList{g_gradientPasteboardType});
    EXPECT_EQ(GradientFromPasteboard(pasteboard.get()), gradient);
    QMimeData foreign;
    foreign.setData(g_gradientPasteboardType, record.toUtf8());
    EXPECT_EQ(GradientFromPasteboard(&foreign), gradient);
  }
}

// A record as the application writes it: the XML declaration first.
QString RecordOf(const QString& inside) {
  return g_xmlPrefix + QStringLiteral("<gradient><type>linear</type>%1</gradient>").arg(inside);
}

QString StopsOf(int count, int64_t first = 0, int64_t last = 12700) {
  QString stops = QStringLiteral("<stops>");
  for (int index = 0; index < count; ++index) {
    const int64_t position = index == 0 ? first : index == count - 1 ? last : 100 * index;
    stops += QStringLiteral("<stop><position>%1</position><color>{1, 2, 3}</color></stop>").arg(position);
  }
  return stops + QStringLiteral("</stops>");
}

TEST_F(GradientClip, RecordsTheControlsCannotHoldAreRefused) {
  ASSERT_TRUE(GradientFromTransferRecord(RecordOf(StopsOf(2))));
  ASSERT_TRUE(GradientFromTransferRecord(RecordOf(StopsOf(10))));
  const struct {
    const char* what;
    QString text;
  } cases[] = {
      {"empty", QString()},
      {"not XML", QStringLiteral("a gradient, honestly")},
      {"cut short", RecordOf(StopsOf(3)).left(60)},
      {"another record first", g_xmlPrefix + QStringLiteral("<arrow>") + RecordOf(StopsOf(2)).mid(g_xmlPrefix.size()) +
                                   QStringLiteral("</arrow>")},
      {"no stops", RecordOf(QString())},
      {"one stop", RecordOf(StopsOf(1))},
      {"eleven stops", RecordOf(StopsOf(11))},
      {"a position below 0", RecordOf(StopsOf(3, -1))},
      {"a position beyond 1", RecordOf(StopsOf(3, 0, 12701))},
      {"a centre outside the shape",
       g_xmlPrefix + QStringLiteral("<gradient><type>radial</type><x>12701</x>%1</gradient>").arg(StopsOf(2))},
      {"more than a turn", RecordOf(QStringLiteral("<angle>4572001</angle>") + StopsOf(2))},
      {"far too long", RecordOf(QString(70000, QLatin1Char(' ')) + StopsOf(2))},
  };
  for (const auto& refused : cases) {
    EXPECT_FALSE(GradientFromTransferRecord(refused.text)) << refused.what;
    QMimeData foreign;
    foreign.setData(g_gradientPasteboardType, refused.text.toUtf8());
    EXPECT_FALSE(GradientFromPasteboard(&foreign)) << refused.what;
  }
  // Nothing under the type at all.
  QMimeData text;
  text.setText(RecordOf(StopsOf(2)));
  EXPECT_TRUE(GradientStringFromPasteboard(&text).isNull());
  EXPECT_FALSE(GradientFromPasteboard(nullptr));
}

}  // namespace

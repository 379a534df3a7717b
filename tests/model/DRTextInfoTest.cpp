#include <gtest/gtest.h>

#include <QFontInfo>
#include <QMetaProperty>
#include <QTextLayout>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "QStringPrinter.h"
#include "model/DRFontTable.h"
#include "model/DRKeyTable.h"
#include "model/DRTextInfo.h"
#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"
#include "support/Base64.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"

namespace {

constexpr Kolor kRed = MakeKolor(255, 0, 0);
constexpr Kolor kBlue = MakeKolor(0, 0, 255, 50);
constexpr Kolor kGreen = MakeKolor(0, 128, 0);

QFont Serif(double size = 17) {
  return FontWithName(QStringLiteral("DejaVu Serif"), size);
}

QFont SansBold(double size = 12) {
  return FontWithName(QStringLiteral("DejaVuSans-Bold"), size);
}

bool IsBoldFace(const QFont& font) {
  return QFontInfo(font).weight() >= QFont::DemiBold;
}

bool IsItalicFace(const QFont& font) {
  return QFontInfo(font).style() != QFont::StyleNormal;
}

QString Archive(const DRTextInfo& info) {
  CSXmlEncoder encoder;
  info.archiveToXml(encoder);
  return encoder.xml();
}

std::unique_ptr<CSXmlDecoder> DecoderOnRecord(const QString& xml) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder || !decoder->getNextTag()) return nullptr;
  return decoder;
}

std::optional<DRTextInfo> Read(const QString& xml) {
  auto decoder = DecoderOnRecord(xml);
  if (!decoder) return std::nullopt;
  return DRTextInfo::initWithXml(*decoder);
}

QString Record(const QString& children) {
  return g_xmlPrefix + QStringLiteral("<textinfo>") + children + QStringLiteral("</textinfo>");
}

// The names of the record's children, in order (the tags inside "textinfo").
QStringList ChildTags(const QString& xml) {
  auto decoder = DecoderOnRecord(xml);
  QStringList names;
  if (!decoder) return names;
  while (decoder->getNextTag()) {
    if (decoder->startTag()) names.append(decoder->xmlTag());
  }
  return names;
}

// The value of the first child of that name.
QString ChildValue(const QString& xml, const QString& name) {
  auto decoder = DecoderOnRecord(xml);
  if (!decoder) return QString();
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->xmlTag() == name) return decoder->value();
  }
  return QString();
}

DRTextInfo FullStyle() {
  DRTextInfo info;
  info.setFont(Serif());
  info.setTextKolor(kRed);
  info.setBackKolor(kBlue);
  info.setBold(1);
  info.setItalic(1);
  info.setUnderlined(1);
  info.setAlignment(kTextAlignCenter);
  info.setExpansion(2540);
  return info;
}

// Recent-colour registrations as they reach observers once the queue is
// flushed: true for the primary kind.
class RegistrationRecorder {
 public:
  RegistrationRecorder() {
    NotificationQueue::defaultQueue().flush();
    for (const bool primary : {true, false}) {
      const QString name = primary ? QStringLiteral("twdraw.registerColor") : QStringLiteral("twdraw.registerAltColor");
      NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this, primary](const CSNotification& n) {
        m_seen.push_back({primary, n.userInfo.value(QStringLiteral("color"))});
      });
    }
  }
  ~RegistrationRecorder() { NotificationCenter::defaultCenter().removeObserver(this); }

  struct Seen {
    bool primary;
    QVariant color;
  };
  const std::vector<Seen>& flushed() {
    NotificationQueue::defaultQueue().flush();
    return m_seen;
  }

 private:
  std::vector<Seen> m_seen;
};

}  // namespace

TEST(DRTextInfo, StartsFromTheDefaults) {
  const DRTextInfo info;
  ASSERT_TRUE(info.font());
  EXPECT_EQ(*info.font(), DefaultUserFontOfSize(SystemFontSize()));
  EXPECT_EQ(info.textKolor(), g_blackKolor);
  EXPECT_EQ(info.backKolor(), g_nilKolor);
  EXPECT_EQ(info.isBold(), 0);
  EXPECT_EQ(info.isItalic(), 0);
  EXPECT_EQ(info.isUnderlined(), 0);
  EXPECT_EQ(info.alignment(), kTextAlignLeft);
  EXPECT_EQ(info.expansion(), 0);
}

TEST(DRTextInfo, DefaultStyleWritesOnlyTheFontAndTheTextColour) {
  const DRTextInfo info;
  EXPECT_EQ(ChildTags(Archive(info)), QStringList({"font", "color"}));
  DRFontTable::Scope scope;
  EXPECT_EQ(ChildTags(Archive(info)), QStringList({"fontnum", "color"}));
}

TEST(DRTextInfo, RoundTripsWithoutTheFontTable) {
  DRTextInfo right;
  right.setFont(SansBold(9.5));
  right.setAlignment(kTextAlignRight);
  right.setExpansion(-1270);
  right.setTextKolor(g_nilKolor);
  DRTextInfo justified;
  justified.setAlignment(kTextAlignJustified);
  justified.setItalic(1);
  justified.setBackKolor(g_transparentKolor);
  DRTextInfo huge;
  huge.setExpansion(std::numeric_limits<int64_t>::min());
  huge.setFont(Serif(kMaxFontSize));

  for (const DRTextInfo& info : {DRTextInfo(), FullStyle(), right, justified, huge}) {
    const QString xml = Archive(info);
    SCOPED_TRACE(xml.toStdString());
    ASSERT_FALSE(ChildTags(xml).contains("fontnum"));
    const std::optional<DRTextInfo> read = Read(xml);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, info);
    EXPECT_EQ(Archive(*read), xml);
  }
}

TEST(DRTextInfo, RoundTripsThroughTheFontTable) {
  DRTextInfo first = FullStyle();
  DRTextInfo sameFont = FullStyle();
  sameFont.setTextKolor(kGreen);
  DRTextInfo other;
  other.setFont(SansBold());

  std::vector<QString> records;
  QList<QFont> fonts;
  {
    DRFontTable::Scope scope;
    ASSERT_EQ(DRFontTable::current(), &scope.table());
    for (const DRTextInfo* info : {&first, &sameFont, &other}) records.push_back(Archive(*info));
    fonts = scope.table().fonts();
  }
  EXPECT_EQ(DRFontTable::current(), nullptr);
  ASSERT_EQ(fonts.size(), 2);
  EXPECT_EQ(fonts[0], *first.font());
  EXPECT_EQ(fonts[1], *other.font());
  EXPECT_EQ(ChildValue(records[0], "fontnum"), "0");
  EXPECT_EQ(ChildValue(records[1], "fontnum"), "0");
  EXPECT_EQ(ChildValue(records[2], "fontnum"), "1");

  // A reader rebuilds the table from the package's "fonts" block first.
  DRFontTable::Scope scope;
  for (const QFont& font : fonts) {
    const std::optional<QFont> stored = DRFontTable::fontFromRecordString(DRFontTable::fontRecordString(font));
    ASSERT_TRUE(stored);
    scope.table().append(*stored);
  }
  const std::vector<const DRTextInfo*> originals = {&first, &sameFont, &other};
  for (size_t i = 0; i < records.size(); ++i) {
    const std::optional<DRTextInfo> read = Read(records[i]);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, *originals[i]);
  }
}

TEST(DRTextInfo, FontTableScopesNestAndRestore) {
  EXPECT_EQ(DRFontTable::current(), nullptr);
  DRFontTable::Scope outer;
  outer.table().append(Serif());
  {
    DRFontTable::Scope inner;
    EXPECT_EQ(DRFontTable::current(), &inner.table());
    EXPECT_TRUE(inner.table().isEmpty());
  }
  EXPECT_EQ(DRFontTable::current(), &outer.table());
  EXPECT_EQ(outer.table().count(), 1);
}

TEST(DRTextInfo, FontNumbersOutsideTheTableGiveTheSystemFont) {
  const QFont system = SystemFont(SystemFontSize());
  ASSERT_NE(system, Serif());
  ASSERT_NE(system, SansBold());
  struct Case {
    const char* fontnum;
    bool withTable;
    QFont expected;
  };
  const Case cases[] = {
      {"0", true, Serif()}, {"1", true, SansBold()}, {"5", true, system},
      {"2", true, system},  {"-1", true, system},    {"99999999999999999999", true, system},
      {"0", false, system},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fontnum) + (c.withTable ? " with table" : " without table"));
    std::optional<DRFontTable::Scope> scope;
    if (c.withTable) {
      scope.emplace();
      scope->table().append(Serif());
      scope->table().append(SansBold());
    }
    const std::optional<DRTextInfo> read =
        Read(Record(QStringLiteral("<fontnum>%1</fontnum>").arg(QString::fromLatin1(c.fontnum))));
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->font());
    EXPECT_EQ(*read->font(), c.expected);
  }
}

TEST(DRTextInfo, UnreadableFontDataLeavesTheFont) {
  const QString garbage[] = {
      QStringLiteral("!!!not base64!!!"),
      QString(),
      NewBase64StringFromData("not a font"),
      NewBase64StringFromData("DejaVu Serif,0,-1,5,400,0,0,0,0,0"),
      NewBase64StringFromData("DejaVu Serif,1e9,-1,5,400,0,0,0,0,0"),
      NewBase64StringFromData(",12,-1,5,400,0,0,0,0,0"),
      NewBase64StringFromData(QByteArray(10000, 'A')),
      NewBase64StringFromData("\xff\xfe\x00\x01"),
      QString(100000, u'Q'),
  };
  const QString before = QStringLiteral("<font>%1</font>").arg(DRFontTable::fontRecordString(Serif()));
  for (const QString& text : garbage) {
    SCOPED_TRACE(text.left(60).toStdString());
    const std::optional<DRTextInfo> alone = Read(Record(QStringLiteral("<font>%1</font>").arg(text)));
    ASSERT_TRUE(alone);
    EXPECT_EQ(*alone->font(), DefaultUserFontOfSize(SystemFontSize()));
    const std::optional<DRTextInfo> after = Read(Record(before + QStringLiteral("<font>%1</font>").arg(text)));
    ASSERT_TRUE(after);
    EXPECT_EQ(*after->font(), Serif());
  }
}

TEST(DRTextInfo, TextKolorTagHoldsTheBackColourAndTheKeyPathTheTextColour) {
  DRTextInfo info;
  info.setTextKolor(kRed);
  info.setBackKolor(kBlue);
  const QString xml = Archive(info);
  EXPECT_EQ(ChildValue(xml, "color"), NewKolorString(kRed));
  EXPECT_EQ(ChildValue(xml, "textKolor"), NewKolorString(kBlue));

  const std::optional<DRTextInfo> read = Read(Record(
      QStringLiteral("<color>%1</color><textKolor>%2</textKolor>").arg(NewKolorString(kGreen), NewKolorString(kRed))));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->textKolor(), kGreen);
  EXPECT_EQ(read->backKolor(), kRed);

  // Settings changes address the style's properties by name.
  const QMetaObject& meta = DRTextInfo::staticMetaObject;
  const QMetaProperty textKolor = meta.property(meta.indexOfProperty("textKolor"));
  const QMetaProperty backKolor = meta.property(meta.indexOfProperty("backKolor"));
  ASSERT_TRUE(textKolor.isValid());
  ASSERT_TRUE(backKolor.isValid());
  EXPECT_EQ(textKolor.readOnGadget(&info).value<Kolor>(), kRed);
  EXPECT_EQ(backKolor.readOnGadget(&info).value<Kolor>(), kBlue);
  ASSERT_TRUE(textKolor.writeOnGadget(&info, QVariant::fromValue<Kolor>(kGreen)));
  EXPECT_EQ(info.textKolor(), kGreen);
  EXPECT_EQ(info.backKolor(), kBlue);
}

TEST(DRTextInfo, PropertiesCarryTheSettersNames) {
  const QMetaObject& meta = DRTextInfo::staticMetaObject;
  for (const char* name :
       {"font", "textKolor", "backKolor", "isBold", "isItalic", "isUnderlined", "alignment", "expansion"}) {
    SCOPED_TRACE(name);
    const QMetaProperty property = meta.property(meta.indexOfProperty(name));
    ASSERT_TRUE(property.isValid());
    EXPECT_TRUE(property.isWritable());
  }
  DRTextInfo info;
  const QMetaProperty isBold = meta.property(meta.indexOfProperty("isBold"));
  ASSERT_TRUE(isBold.writeOnGadget(&info, QVariant(true)));
  EXPECT_EQ(info.isBold(), 1);
  EXPECT_TRUE(IsBoldFace(*info.font()));  // written through setBold
  const QMetaProperty alignment = meta.property(meta.indexOfProperty("alignment"));
  ASSERT_TRUE(alignment.writeOnGadget(&info, QVariant(7)));
  EXPECT_EQ(info.alignment(), kTextAlignLeft);  // written through setAlignment
}

TEST(DRTextInfo, AlignmentOutsideTheCodesStoresLeft) {
  const std::pair<int64_t, int64_t> cases[] = {
      {-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {std::numeric_limits<int64_t>::max(), 0}};
  for (const auto& [given, stored] : cases) {
    DRTextInfo info;
    info.setAlignment(kTextAlignCenter);
    info.setAlignment(given);
    EXPECT_EQ(info.alignment(), stored) << given;
  }
  const std::pair<const char*, int64_t> read[] = {{"right", 1}, {"center", 2}, {"justify", 3},
                                                  {"left", 0},  {"bold", 0},   {"", 0}};
  for (const auto& [value, stored] : read) {
    const std::optional<DRTextInfo> info = Read(Record(QStringLiteral("<align>%1</align>").arg(value)));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->alignment(), stored) << value;
  }
}

TEST(DRTextInfo, BoldAndItalicConvertTheFont) {
  DRTextInfo info;
  info.setFont(Serif());
  ASSERT_FALSE(IsBoldFace(*info.font()));
  info.setBold(1);
  EXPECT_TRUE(IsBoldFace(*info.font()));
  info.setItalic(1);
  EXPECT_TRUE(IsBoldFace(*info.font()));
  EXPECT_TRUE(IsItalicFace(*info.font()));
  // A new font takes the traits while the flags are set.
  info.setFont(Serif(30));
  EXPECT_TRUE(IsBoldFace(*info.font()));
  EXPECT_TRUE(IsItalicFace(*info.font()));
  EXPECT_EQ(info.font()->pointSizeF(), 30);
  info.setBold(0);
  EXPECT_FALSE(IsBoldFace(*info.font()));
  EXPECT_TRUE(IsItalicFace(*info.font()));
  info.setItalic(0);
  EXPECT_FALSE(IsItalicFace(*info.font()));
  EXPECT_EQ(QFontInfo(*info.font()).family(), QFontInfo(Serif()).family());

  // A face chosen by its style name loses the trait too.
  DRTextInfo named;
  named.setFont(SansBold());
  ASSERT_TRUE(IsBoldFace(*named.font()));
  named.setBold(0);
  EXPECT_FALSE(IsBoldFace(*named.font()));
}

TEST(DRTextInfo, ToggleStateFollowsTheFlagThenTheFont) {
  struct Case {
    QFont font;
    const char* flags;  // read from a record, so the font is not converted
    int boldState;
    int italicState;
  };
  const Case cases[] = {
      {Serif(), "", 0, 0},
      {SansBold(), "", 1, 0},  // already bold: on with the flag clear
      {FontWithName("DejaVuSans-Oblique", 12), "", 0, 1},
      {Serif(), "<bold>1</bold>", 1, 0},
      {Serif(), "<italic>1</italic>", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FontDescriptor(c.font).toStdString() + " " + c.flags);
    const std::optional<DRTextInfo> info = Read(Record(
        QStringLiteral("<font>%1</font>%2").arg(DRFontTable::fontRecordString(c.font), QString::fromLatin1(c.flags))));
    ASSERT_TRUE(info);
    ASSERT_EQ(*info->font(), c.font);
    EXPECT_EQ(info->uiToggleState(true), c.boldState);
    EXPECT_EQ(info->uiToggleState(false), c.italicState);
  }

  // Turning bold on a style whose font is already bold keeps it bold.
  DRTextInfo alreadyBold;
  alreadyBold.setFont(SansBold());
  EXPECT_EQ(alreadyBold.uiToggleState(true), 1);
  alreadyBold.setBold(1);
  EXPECT_EQ(*alreadyBold.font(), SansBold());

  DRTextInfo noFont;
  noFont.setFont(Serif());
  DRTextInfo otherFont;
  otherFont.setFont(Serif(30));
  noFont.intersectWith(otherFont);
  ASSERT_FALSE(noFont.font());
  EXPECT_EQ(noFont.uiToggleState(true), 0);
  EXPECT_EQ(noFont.uiToggleState(false), 0);
}

TEST(DRTextInfo, IntersectMarksDifferingFieldsMixed) {
  const DRTextInfo base = FullStyle();
  struct Case {
    const char* field;
    std::function<void(DRTextInfo&)> change;
    std::function<bool(const DRTextInfo&)> mixed;
  };
  const std::vector<Case> cases = {
      {"text colour", [](DRTextInfo& t) { t.setTextKolor(kGreen); },
       [](const DRTextInfo& t) { return t.textKolor() == kMixedTextKolor; }},
      {"back colour", [](DRTextInfo& t) { t.setBackKolor(g_nilKolor); },
       [](const DRTextInfo& t) { return t.backKolor() == kMixedTextKolor; }},
      {"bold", [](DRTextInfo& t) { t.setBold(0); }, [](const DRTextInfo& t) { return t.isBold() == 2; }},
      {"italic", [](DRTextInfo& t) { t.setItalic(0); }, [](const DRTextInfo& t) { return t.isItalic() == 2; }},
      {"underline", [](DRTextInfo& t) { t.setUnderlined(0); },
       [](const DRTextInfo& t) { return t.isUnderlined() == 2; }},
      {"alignment", [](DRTextInfo& t) { t.setAlignment(kTextAlignLeft); },
       [](const DRTextInfo& t) { return t.alignment() == -1; }},
      {"font", [](DRTextInfo& t) { t.setFont(Serif(40)); }, [](const DRTextInfo& t) { return !t.font(); }},
      {"expansion", [](DRTextInfo& t) { t.setExpansion(0); },
       [](const DRTextInfo& t) { return t.expansion() == kMixedMeasure; }},
  };
  // Each case changes one field; only that one (and the font where the
  // change converts it) becomes mixed.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    DRTextInfo other = base;
    c.change(other);
    DRTextInfo merged = base;
    merged.intersectWith(other);
    EXPECT_TRUE(c.mixed(merged));
    for (const Case& d : cases) {
      const bool fontFollows =
          std::string(d.field) == "font" && (std::string(c.field) == "bold" || std::string(c.field) == "italic");
      if (&d == &c || fontFollows) continue;
      EXPECT_FALSE(d.mixed(merged)) << d.field;
    }
  }
  DRTextInfo same = base;
  same.intersectWith(FullStyle());
  EXPECT_EQ(same, base);
}

TEST(DRTextInfo, MergingBoldAndPlainGivesMixedToggle) {
  DRTextInfo bold;
  bold.setBold(1);
  DRTextInfo plain;
  bold.intersectWith(plain);
  EXPECT_EQ(bold.isBold(), 2);
  EXPECT_EQ(bold.uiToggleState(true), -1);
  EXPECT_EQ(bold.uiToggleState(false), 0);

  DRTextInfo italic;
  italic.setItalic(1);
  DRTextInfo plainItalicFace;
  plainItalicFace.setFont(*italic.font());  // the same face, flag clear
  italic.intersectWith(plainItalicFace);
  EXPECT_TRUE(italic.font());
  EXPECT_EQ(italic.uiToggleState(false), -1);
}

TEST(DRTextInfo, PasteAppliesWhatIsNotMixed) {
  FakeModelServices services;
  const DRTextInfo source = FullStyle();
  DRTextInfo target;
  target.setFont(SansBold(20));
  target.setExpansion(127);
  RegistrationRecorder recorder;
  const DRTextInfo pasted = source.pasteInto(target);
  EXPECT_EQ(pasted.textKolor(), kRed);
  EXPECT_EQ(pasted.backKolor(), kBlue);
  EXPECT_EQ(pasted.alignment(), kTextAlignCenter);
  EXPECT_EQ(pasted.isBold(), 1);
  EXPECT_EQ(pasted.isItalic(), 1);
  EXPECT_EQ(pasted.isUnderlined(), 1);
  EXPECT_EQ(pasted.font(), source.font());
  EXPECT_EQ(pasted.expansion(), 127);  // never pasted
  const auto& seen = recorder.flushed();
  ASSERT_EQ(seen.size(), 2u);
  for (const auto& registration : seen) {
    EXPECT_EQ(KolorValue(registration.color), registration.primary ? kBlue : kRed);
  }
}

TEST(DRTextInfo, PastingAMergedStyleKeepsTheTargetsMixedFields) {
  FakeModelServices services;
  DRTextInfo merged = FullStyle();
  DRTextInfo other;
  other.setFont(SansBold());
  other.setTextKolor(kGreen);
  merged.intersectWith(other);
  ASSERT_EQ(merged.textKolor(), kMixedTextKolor);
  ASSERT_EQ(merged.backKolor(), kMixedTextKolor);

  DRTextInfo target;
  target.setFont(Serif(11));
  target.setTextKolor(kGreen);
  target.setBackKolor(kRed);
  target.setAlignment(kTextAlignRight);
  target.setItalic(1);
  RegistrationRecorder recorder;
  const DRTextInfo pasted = merged.pasteInto(target);
  EXPECT_EQ(pasted, target);
  EXPECT_TRUE(recorder.flushed().empty());
}

TEST(DRTextInfo, ColourSettersRegisterByKind) {
  FakeModelServices services;
  RegistrationRecorder recorder;
  DRTextInfo info;
  info.setTextColor(kRed);
  info.setBackColor(kBlue);
  info.setTextKolor(kGreen);
  info.setBackKolor(kGreen);
  const auto& seen = recorder.flushed();
  ASSERT_EQ(seen.size(), 2u);
  for (const auto& registration : seen) {
    EXPECT_EQ(KolorValue(registration.color), registration.primary ? kBlue : kRed);
  }
}

TEST(DRTextInfo, FontChangesReachTheHookOfTheObjectOnly) {
  int calls = 0;
  DRTextInfo info;
  info.setFontChangedHook([&calls] { ++calls; });
  info.setFont(Serif());
  info.setBold(1);
  info.setItalic(1);
  EXPECT_EQ(calls, 3);
  info.setUnderlined(1);
  info.setTextKolor(kRed);
  info.setAlignment(kTextAlignRight);
  EXPECT_EQ(calls, 3);

  DRTextInfo copy = info;
  copy.setFont(SansBold());
  EXPECT_EQ(calls, 3);

  info = DRTextInfo();  // the element replaces its style and keeps listening
  EXPECT_EQ(calls, 3);
  info.setFont(Serif());
  EXPECT_EQ(calls, 4);
}

TEST(DRTextInfo, AttributesCarryTheStyle) {
  DRTextInfo info = FullStyle();
  const QTextCharFormat drawn = info.attributeDict(false);
  EXPECT_EQ(drawn.font().family(), info.font()->family());
  EXPECT_EQ(drawn.font().pointSizeF(), info.font()->pointSizeF());
  EXPECT_EQ(drawn.foreground().color(), ColorFromKolor(kRed));
  EXPECT_TRUE(drawn.fontUnderline());
  EXPECT_EQ(drawn.underlineColor(), ColorFromKolor(kRed));
  EXPECT_EQ(drawn.fontLetterSpacingType(), QFont::AbsoluteSpacing);
  EXPECT_DOUBLE_EQ(drawn.fontLetterSpacing(), 0.2);
  EXPECT_EQ(drawn.intProperty(kLineBreakModeProperty), kLineBreakByWordWrapping);

  const QTextCharFormat hit = info.attributeDict(true);
  EXPECT_EQ(hit.foreground().color(), QColor(Qt::black));
  EXPECT_EQ(hit.underlineColor(), QColor(Qt::black));

  const std::pair<int64_t, Qt::Alignment> alignments[] = {
      {0, Qt::AlignLeft}, {1, Qt::AlignRight}, {2, Qt::AlignHCenter}, {3, Qt::AlignJustify}};
  for (const auto& [code, expected] : alignments) {
    info.setAlignment(code);
    const CSAttributedString text = info.expressWithText(QStringLiteral("abc"), false);
    EXPECT_EQ(ParagraphAlignment(text), expected) << code;
    EXPECT_EQ(text.string(), "abc");
  }
  info.setUnderlined(0);
  info.setExpansion(0);
  const QTextCharFormat plain = info.attributeDict(false);
  EXPECT_FALSE(plain.fontUnderline());
  EXPECT_EQ(plain.fontLetterSpacing(), info.font()->letterSpacing());
  EXPECT_EQ(plain.fontLetterSpacingType(), info.font()->letterSpacingType());
  EXPECT_TRUE(info.expressWithText(QString(), false).string().isEmpty());
}

TEST(DRTextInfo, ExtremeExpansionLaysOutAtTheLimit) {
  for (const int64_t expansion : {std::numeric_limits<int64_t>::max() - 1, std::numeric_limits<int64_t>::min()}) {
    DRTextInfo info;
    info.setExpansion(expansion);
    const QTextCharFormat format = info.attributeDict(false);
    EXPECT_LE(std::abs(format.fontLetterSpacing()), 1000);
    const CSAttributedString text = info.expressWithText(QStringLiteral("spaced out"), false);
    QTextLayout layout(text.string(), format.font(), TextReferenceDevice());
    layout.setFormats(text.formatRanges());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    ASSERT_TRUE(line.isValid());
    line.setLineWidth(100);
    layout.endLayout();
    EXPECT_TRUE(std::isfinite(layout.boundingRect().width()));
  }
}

TEST(DRTextInfo, ReaderTakesFlagsAndSkipsWhatItDoesNotKnow) {
  const std::optional<DRTextInfo> read =
      Read(Record("<bold>5</bold><italic>0</italic><underline>-3</underline><expand>99999999999999999999</expand>"
                  "<future><color>{1, 2, 3}</color><bold>0</bold></future><unknown>x</unknown><align/>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->isBold(), 1);
  EXPECT_EQ(read->isItalic(), 0);
  EXPECT_EQ(read->isUnderlined(), 1);
  EXPECT_EQ(read->expansion(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(read->textKolor(), g_blackKolor);  // the nested "color" was skipped
  // Flags are stored without converting the font.
  EXPECT_EQ(*read->font(), DefaultUserFontOfSize(SystemFontSize()));

  const std::optional<DRTextInfo> empty = Read(g_xmlPrefix + "<textinfo/>");
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, DRTextInfo());
}

TEST(DRTextInfo, ReaderRefusesMalformedRecords) {
  const QString cases[] = {
      g_xmlPrefix + "<textinfo><bold>1</bold>",
      g_xmlPrefix + "<textinfo><bold>1</bold></other>",
      g_xmlPrefix + "<textinfo><bold>1</bold><future><x>1</x>",
      g_xmlPrefix + "<textinfo><bold>1</bold><<</textinfo>",
  };
  for (const QString& xml : cases) {
    EXPECT_FALSE(Read(xml)) << xml.toStdString();
  }
  // Reading stops at the record's own end tag.
  auto decoder = DecoderOnRecord(g_xmlPrefix + "<element><textinfo><bold>1</bold></textinfo><next>7</next></element>");
  ASSERT_TRUE(decoder);
  ASSERT_TRUE(decoder->getNextTag());
  ASSERT_EQ(decoder->key(), kXmlTextinfo);
  ASSERT_TRUE(DRTextInfo::initWithXml(*decoder));
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->xmlTag(), "next");
}

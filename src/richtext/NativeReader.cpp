#include "richtext/NativeReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <memory>
#include <vector>

#include "richtext/Bookmarks.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/CorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/Molecules.h"
#include "richtext/NativeTags.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/Base64.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/CSXmlDecoder.h"
#include "support/Categories.h"
#include "support/DynamicArrays.h"
#include "support/Files.h"

const QString g_nativePackageExtension = QStringLiteral("ZEduzez");
const QString g_nativeAutosaveExtension = QStringLiteral("ZEduzez_autosave");
const QString g_nativeDamagedReason = QStringLiteral("The document has been damaged.");
const QString g_nativeLaterVersionReason = QStringLiteral(
    "This file was created by a later version of Tindle Write. Please visit our website to upgrade the app.");
const QString g_nativeNoMemoryReason = QStringLiteral("I can't allocate memory for the document's text.");

namespace {

const char* const kSourceNames[] = {"embed", "resource", "path"};

constexpr uint32_t kStyleWordUnset = 0x7FFF;
constexpr uint32_t kFirstLevelStyle = 17;

// The index of the text among the names (exact, without regard to case),
// or -1. Unlike the reader's decodeValue, an unknown name is told apart
// from the first one.
int NameIndex(QStringView text, const char* const* names, int count) {
  for (int i = 0; i < count; ++i)
    if (text.compare(QLatin1StringView(names[i]), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

// Strict decimal, optionally signed, within 64 bits.
bool ParseInteger(QStringView text, int64_t* value) {
  bool ok = false;
  const qlonglong v = text.trimmed().toLongLong(&ok);
  if (ok) *value = v;
  return ok;
}

struct ReadContext {
  CorvaneDoc* doc = nullptr;
  CSXmlDecoder* reader = nullptr;
  QString package;  // the package folder; empty for the V2 form
  NativeSource source = NativeSource::kForeign;
  std::vector<uint16_t> fontMap;
  int64_t imageBytes = 0;
  bool plainMarks = false;
  bool textStored = false;
  bool identifyBookmarks = false;  // every bookmark gets a GUID entry
};

// ---- Walking elements --------------------------------------------------------

// Calls `child` on each child element of the element the reader stands on;
// `child` leaves the reader at the child's end. False when the text ends
// early or is malformed, or when `child` answers false.
template <typename Child>
bool ForEachChild(CSXmlDecoder& reader, Child child) {
  if (!reader.startTag()) return false;
  if (reader.endTag()) return true;
  while (reader.getNextTag()) {
    if (reader.endTag() && !reader.startTag()) return true;
    if (!child()) return false;
  }
  return false;
}

// Moves past a child the caller does not read.
void Skip(CSXmlDecoder& reader) {
  if (reader.startTag() && !reader.endTag()) reader.skipTag();
}

// A leaf's integer value: strict, and within 32 bits (signed or not).
bool LeafInteger(CSXmlDecoder& reader, uint32_t* value) {
  int64_t v = 0;
  if (!ParseInteger(reader.value(), &v) || v < INT32_MIN || v > int64_t(UINT32_MAX)) return false;
  *value = uint32_t(v);
  return true;
}

void SetAllMaxCps(CorvaneDoc* doc) {
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->charRuns, doc->paraRuns, doc->chapterMarks,
                           doc->bookmarkMarks, doc->listMarks, doc->tableMarks, doc->proofRuns, doc->findMarks,
                           doc->markArray2, doc->listNumberCache, doc->extraMarks1, doc->extraMarks2})
    if (array) SetMaxCp(array, doc->cpLimit);
}

// ---- Structure -----------------------------------------------------------------

bool ReadLength(ReadContext& context) {
  const QStringList parts = context.reader->value().split(u',');
  int64_t text = 0, limit = 0;
  if (parts.size() != 2 || !ParseInteger(parts[0], &text) || !ParseInteger(parts[1], &limit)) return false;
  if (limit < 2 || limit > kMaxDocumentCps || text < 0 || text > limit) return false;
  context.doc->textLimit = uint32_t(text);
  context.doc->cpLimit = uint32_t(limit);
  SetAllMaxCps(context.doc);
  return true;
}

// Sets the knot entry's words from one child of its mark.
bool ReadKnotChild(CSXmlDecoder& reader, KnotEntry* entry) {
  const int32_t key = reader.key();
  if (!(reader.startTag() && reader.endTag())) {
    Skip(reader);
    return true;
  }
  const QString& text = reader.value();
  uint32_t n = 0;
  switch (key) {
    case kTagClass:
    case kTagProp:
    case kTagMagic:
    case kTagShowPage:
    case kTagLev:
    case kTagValue:
    case kTagZoom:
      if (!LeafInteger(reader, &n)) return false;
      break;
    default:
      break;
  }
  const QString tag = reader.xmlTag();
  if (key == kTagClass || tag == QLatin1String("image")) {
    if (key != kTagClass && !LeafInteger(reader, &n)) return false;
    entry->word1 = n;
  } else if (key == kTagDiv) {
    const int index = NameIndex(text, kDividerNames, int(std::size(kDividerNames)));
    entry->word1 = index < 0 ? 0 : uint32_t(index);
  } else if (key == kTagLev) {
    entry->word1 = (n == 1 || n == kFirstLevelStyle || n == 0) ? kFirstLevelStyle
                                                               : kFirstLevelStyle + std::min<uint32_t>(3, n - 1);
  } else if (key == kTagMagic || key == kTagShowPage) {
    entry->word2 = (entry->word2 & ~0xFFu) | (n & 0xFF);
  } else if (key == kTagProp) {
    entry->props = n;
  } else if (key == kTagType) {
    const int index = NameIndex(text, kVariableNames, int(std::size(kVariableNames)));
    entry->word1 = index < 0 ? 0 : uint32_t(index);
  } else if (key == kTagValue) {
    if (entry->type == kKnotVariable)
      entry->word3 = uint16_t(n);
    else if (entry->type == kKnotCheckbox)
      entry->word1 = (entry->word1 & ~0xFFu) | (n & 0xFF);
  } else if (key == kTagZoom) {
    entry->word3 = uint16_t(n);
  } else if (tag == QLatin1String("align")) {
    const int index = NameIndex(text, kAlignNames, int(std::size(kAlignNames)));
    entry->word2 = index < 0 ? 0 : uint32_t(index);
  } else if (tag == QLatin1String("bookmark")) {
    if (!LeafInteger(reader, &n)) return false;
    entry->word2 = n;
  } else if (tag == QLatin1String("color")) {
    entry->word1 = KolorFromString(text);
  } else if (tag == QLatin1String("opacity")) {
    if (!LeafInteger(reader, &n)) return false;
    entry->opacity = uint16_t(n);
  }
  return true;
}

bool ReadKnot(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  CorvaneDoc* doc = context.doc;
  if (SizeOfDynamicCPArray(doc->knots) >= kMaxNativeKnots) return false;
  const QString cpText = reader.stringAttributeForTag(QStringLiteral("cp"));
  int64_t cp = 0;
  if (cpText.isNull() || !ParseInteger(cpText, &cp) || cp < 0 || cp >= kMaxDocumentCps) return false;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  if (count > 0 && CpAtIndex(doc->knots, count - 1) >= uint64_t(cp)) return false;  // document order
  KnotEntry entry;
  const int type = NameIndex(reader.stringAttributeForTag(QStringLiteral("type")), kKnotTypeNames,
                             int(std::size(kKnotTypeNames)));
  const int kink = NameIndex(reader.stringAttributeForTag(QStringLiteral("kink")), kKinkNames,
                             int(std::size(kKinkNames)));
  entry.type = type < 0 ? 0 : uint32_t(type);
  entry.role = kink < 0 ? 0 : uint32_t(kink);
  entry.props = kNoPropertyIndex;
  if (entry.type == kKnotRow && entry.role != kKinkBegin) entry.word1 = 0xFFFFFFFF;
  if (entry.type == kKnotVariable) entry.word2 = 0xFFFFFFFF;
  if (!ForEachChild(reader, [&] { return ReadKnotChild(reader, &entry); })) return false;
  if (entry.type == kKnotNone) context.plainMarks = true;
  if (entry.type == kKnotVariable && entry.word1 < 32) doc->variableKinds |= 1u << entry.word1;
  if (!InsertInDynamicCPArray(doc->knots, count, uint32_t(cp), &entry)) return false;
  if (entry.role == kKinkBegin) {
    if (CSArrayCP* marks = KnotLocationArray(doc, entry.type))
      if (!InsertInDynamicCPArray(marks, SizeOfDynamicCPArray(marks), uint32_t(cp), nullptr)) return false;
  }
  return true;
}

bool ReadKnots(ReadContext& context) {
  ClearArraysForRead(context.doc);
  return ForEachChild(*context.reader, [&] {
    if (context.reader->startTag()) return ReadKnot(context);
    return true;
  });
}

// A picture file name of a package: one plain component.
bool IsSafeFileName(const QString& name) {
  return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != QLatin1String(".") &&
         !name.contains(QLatin1String("..")) && !name.contains(QChar(0));
}

CSImage* LoadImageFile(ReadContext& context, const QString& path) {
  const QFileInfo info(path);
  const qint64 size = info.size();
  if (!info.isFile() || size > kMaxImageFileBytes || context.imageBytes + size > kMaxNativeImageBytes) return nullptr;
  context.imageBytes += size;
  CSImage image = CSImage::initWithContentsOfFile(path);
  if (image.isNull()) return nullptr;
  (void)image.size();
  return new (std::nothrow) CSImage(std::move(image));
}

bool ReadImage(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  CorvaneDoc* doc = context.doc;
  if (SizeOfDynamicArray(doc->pictures) >= kMaxNativePictures) return false;
  const int sourceIndex = NameIndex(reader.stringAttributeForTag(QStringLiteral("source")), kSourceNames,
                                    int(std::size(kSourceNames)));
  const uint32_t source = sourceIndex < 0 ? 0 : uint32_t(sourceIndex);
  const QString type = reader.stringAttributeForTag(QStringLiteral("type"));
  QString text;
  if (reader.startTag() && reader.endTag()) {
    text = reader.value();
  } else {
    Skip(reader);
  }
  QString path, name;
  std::unique_ptr<CSImage> image;
  bool tryFile = false;
  if (source == 1) {  // an application resource
    text = text.trimmed();
    name = FileNameMinusExtension(text);
    path = IsSafeFileName(text) ? PathToResourceFile(text) : QString();
    tryFile = !path.isEmpty();
    if (path.isEmpty()) path = text;
  } else if (source == 2) {  // a full path: our own documents only
    path = text.trimmed();
    if (path.startsWith(u'~')) path = HomeFolderPath() + path.mid(1);
    name = GuidString();
    tryFile = context.source == NativeSource::kOwn && QFileInfo(path).isAbsolute();
  } else if (!context.package.isEmpty()) {  // a file of the package's "Images"
    text = text.trimmed();
    name = FileNameMinusExtension(text);
    if (IsSafeFileName(text)) {
      path = context.package + QStringLiteral("/Images/") + text;
      tryFile = true;
    } else {
      path = text;
    }
  } else {  // Base64 data in the V2 form
    name = GuidString();
    QString extension = type;
    if (extension.size() > 8 || !std::all_of(extension.begin(), extension.end(), [](QChar c) {
          return c.isLetterOrNumber() && c.unicode() < 0x80;
        }))
      extension.clear();
    path = extension.isEmpty() ? name : name + u'.' + extension;
    const std::optional<QByteArray> data = NewDataFromBase64String(text);
    if (data && data->size() <= kMaxImageFileBytes && context.imageBytes + data->size() <= kMaxNativeImageBytes) {
      context.imageBytes += data->size();
      image.reset(CreateImageFromData(*data));
      if (image) (void)image->size();  // decoded once, now
    }
    doc->embeddedPictures = 1;
  }
  if (tryFile) {
    image.reset(LoadImageFile(context, path));
    if (!image && IsFuzzyEqualToString(QFileInfo(path).suffix(), QStringLiteral("tiff"))) {
      const QString png = StringByReplacingExtension(path, QStringLiteral("png"));
      image.reset(LoadImageFile(context, png));
      if (image) path = png;
    }
  }
  if (!image) LogString("Can't read image %@", path);
  PictureEntry entry;
  entry.image = image.release();
  entry.fileName = new (std::nothrow) QString(path);
  entry.name = new (std::nothrow) QString(name);
  if (!entry.fileName || !entry.name || AppendToDynamicArray(doc->pictures, &entry) == 0xFFFFFFFF) {
    delete entry.image;
    delete entry.fileName;
    delete entry.name;
    return false;
  }
  return true;
}

bool ReadImages(ReadContext& context) {
  return ForEachChild(*context.reader, [&] {
    if (context.reader->xmlTag() != QLatin1String("image")) return false;
    return ReadImage(context);
  });
}

bool ReadStructureChild(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  switch (reader.key()) {
    case kTagVer: {
      uint32_t version = 0;
      return reader.startTag() && reader.endTag() && LeafInteger(reader, &version) &&
             int32_t(version) <= kNativeFormatVersion;
    }
    case kTagLength:
      return reader.startTag() && reader.endTag() && ReadLength(context);
    case kTagKnots:
      return ReadKnots(context);
    case kTagImages:
      return ReadImages(context);
    default:
      Skip(reader);
      return true;
  }
}

// ---- Format ------------------------------------------------------------------

bool ReadRuns(ReadContext& context, CSArrayCP* runs) {
  CSXmlDecoder& reader = *context.reader;
  ClearDynamicCPArray(runs, context.doc->cpLimit);
  return ForEachChild(reader, [&] {
    if (!(reader.startTag() && reader.endTag())) return false;
    const QStringList parts = reader.value().split(u',');
    int64_t cp = 0, index = 0;
    if (parts.size() != 2 || !ParseInteger(parts[0], &cp) || !ParseInteger(parts[1], &index)) return false;
    const uint32_t count = SizeOfDynamicCPArray(runs);
    if (count >= kMaxNativeRuns || cp < 0 || cp >= kMaxDocumentCps || index < 0 || index > UINT32_MAX) return false;
    if (count > 0 && CpAtIndex(runs, count - 1) >= uint64_t(cp)) return false;
    const auto value = uint32_t(index);
    return InsertInDynamicCPArray(runs, count, uint32_t(cp), &value);
  });
}

bool ReadFonts(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  context.fontMap.clear();
  return ForEachChild(reader, [&] {
    if (!(reader.startTag() && reader.endTag())) {
      Skip(reader);
      return true;
    }
    if (context.fontMap.size() < kMaxNativeFontNames) context.fontMap.push_back(IndexOfFont(reader.value()));
    return true;
  });
}

bool ReadProperties(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  CorvaneDoc* doc = context.doc;
  ClearDynamicArray(doc->propertyTable);
  InvalidatePropertyIndex(doc);
  const bool ok = ForEachChild(reader, [&] {
    if (SizeOfDynamicArray(doc->propertyTable) >= kMaxNativeRecords) return false;
    const int typeIndex = NameIndex(reader.stringAttributeForTag(QStringLiteral("type")), kPropertyTypeNames,
                                    int(std::size(kPropertyTypeNames)));
    if (typeIndex < 0) return false;
    const auto type = uint32_t(typeIndex);
    Properties record;
    InitProperties(type, &record, nullptr);
    if (!ReadPropsFromXml(reader, &record, type)) return false;
    record.type = type;
    if (type == kBorderProperties) SanitizeBorder(&record);
    if (type == kCharProperties) {
      const uint16_t font = record.body.charProps.font;
      record.body.charProps.font = font < context.fontMap.size() ? context.fontMap[font]
                                   : context.fontMap.empty()     ? uint16_t(0)
                                                                 : context.fontMap[0];
    }
    const uint32_t index = SizeOfDynamicArray(doc->propertyTable);
    record.ownIndex = index;
    return AppendToDynamicArray(doc->propertyTable, &record) == index;
  });
  InvalidatePropertyIndex(doc);
  return ok;
}

bool ReadStyles(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  CorvaneDoc* doc = context.doc;
  ClearDynamicStringArray(doc->styles);
  return ForEachChild(reader, [&] {
    const uint32_t count = SizeOfDynamicArray(doc->styles);
    if (count >= kMaxStyles) return false;
    StyleEntry entry;
    entry.base = entry.next = entry.reserved = kStyleWordUnset;
    entry.props = entry.charProps = kNoPropertyIndex;
    const QString name = reader.stringAttributeForTag(QStringLiteral("name"));
    entry.builtinId = count == 0 ? 0 : uint32_t(reader.integerAttributeForTag(QStringLiteral("bin"), 254));
    const int type = NameIndex(reader.stringAttributeForTag(QStringLiteral("type")), kPropertyTypeNames,
                               int(std::size(kPropertyTypeNames)));
    entry.type = type < 0 ? 0 : uint32_t(type);
    const bool ok = ForEachChild(reader, [&] {
      uint32_t* word = nullptr;
      switch (reader.key()) {
        case kTagBase:
          word = &entry.base;
          break;
        case kTagNext:
          word = &entry.next;
          break;
        case kTagProp:
          word = &entry.props;
          break;
        case kTagChar:
          word = &entry.charProps;
          break;
        default:
          Skip(reader);
          return true;
      }
      return reader.startTag() && reader.endTag() && LeafInteger(reader, word);
    });
    return ok && AppendToDynamicStringArray(doc->styles, name.isNull() ? QString() : name, &entry) == count;
  });
}

bool ReadFormatChild(ReadContext& context) {
  CSXmlDecoder& reader = *context.reader;
  CorvaneDoc* doc = context.doc;
  const bool leaf = reader.startTag() && reader.endTag();
  switch (reader.key()) {
    case kTagVer: {
      uint32_t version = 0;
      return leaf && LeafInteger(reader, &version) && int32_t(version) <= kNativeFormatVersion;
    }
    case kTagChar:
      return ReadRuns(context, doc->charRuns);
    case kTagPara:
      return ReadRuns(context, doc->paraRuns);
    case kTagDocprop: {
      Properties record;
      if (!ReadPropsFromXml(reader, &record, kDocProperties)) return false;
      doc->docProps = record.body.doc;
      return true;
    }
    case kTagFonts:
      return ReadFonts(context);
    case kTagNormalChapter:
      return leaf && LeafInteger(reader, &doc->firstChapterIndex);
    case kTagNormalList:
      return leaf && LeafInteger(reader, &doc->normalListIndex);
    case kTagNormalTable:
      return leaf && LeafInteger(reader, &doc->normalTableIndex);
    case kTagProperties:
      return ReadProperties(context);
    case kTagStyles:
      return ReadStyles(context);
    default:  // normal_frame, no, page, panes, pane and anything unknown
      Skip(reader);
      return true;
  }
}

// ---- Text ----------------------------------------------------------------------

// Makes the text the document's only buffer and piece.
bool StoreText(ReadContext& context, const QString& text, QString* reason) {
  CorvaneDoc* doc = context.doc;
  if (uint64_t(text.size()) != doc->cpLimit) return false;
  auto* units = static_cast<char16_t*>(AllocateMemory(uint64_t(doc->cpLimit) * sizeof(char16_t)));
  if (!units) {
    if (reason) *reason = g_nativeNoMemoryReason;
    return false;
  }
  std::copy(text.utf16(), text.utf16() + text.size(), units);
  for (uint32_t i = SizeOfDynamicArray(doc->textBuffers); i > 0; --i) {
    TextBuffer buffer;
    FetchDynamicArrayEntry(doc->textBuffers, i - 1, &buffer);
    FreeMemory(buffer.units);
  }
  ClearDynamicArray(doc->textBuffers);
  const TextBuffer buffer{units, doc->cpLimit};
  if (AppendToDynamicArray(doc->textBuffers, &buffer) != 0) {
    FreeMemory(units);
    return false;
  }
  ClearDynamicCPArray(doc->pieces, doc->cpLimit);
  if (!InsertInDynamicCPArray(doc->pieces, 0, 0, &units)) return false;
  doc->lastBufferSize = doc->cpLimit;
  doc->lastBufferFree = 0;
  context.textStored = true;
  return true;
}

bool ReadText(ReadContext& context, QString* reason) {
  CSXmlDecoder& reader = *context.reader;
  QString text;
  const bool ok = ForEachChild(reader, [&] {
    switch (reader.key()) {
      case kTagK0:
        text.append(QChar(kKnotMark0));
        break;
      case kTagK1:
        text.append(QChar(kKnotMark1));
        break;
      case kTagRun:
        if (reader.startTag() && reader.endTag()) text.append(reader.value());
        break;
      default:
        break;
    }
    Skip(reader);
    return uint64_t(text.size()) <= kMaxDocumentCps;
  });
  return ok && StoreText(context, text, reason);
}

// Strict UTF-8: a file that is not is damaged.
bool ReadTextFile(ReadContext& context, const QString& path, QString* reason) {
  QFile file(path);
  const uint64_t most = uint64_t(context.doc->cpLimit) * 3 + 3;
  if (!file.open(QIODevice::ReadOnly)) {
    if (reason) *reason = QFileInfo::exists(path) ? file.errorString() : g_nativeDamagedReason;
    return false;
  }
  if (uint64_t(file.size()) > most) return false;  // cannot hold cpLimit units
  const QByteArray bytes = file.readAll();
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) return false;
  return StoreText(context, text, reason);
}

// ---- Finishing -------------------------------------------------------------------

// Marks of the empty type name go; their characters become blanks.
void RemovePlainMarks(ReadContext& context) {
  CorvaneDoc* doc = context.doc;
  for (uint32_t i = SizeOfDynamicCPArray(doc->knots); i-- > 0;) {
    KnotEntry entry;
    const uint32_t cp = FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type != kKnotNone) continue;
    DeleteFromDynamicCPArray(doc->knots, i, 1);
    if (cp < doc->cpLimit) StoreCharacterAtCp(doc, cp, u' ');
  }
}

// The text is one buffer of exactly cpLimit units under one piece.
bool TextIsWhole(const ReadContext& context) {
  CorvaneDoc* doc = context.doc;
  if (!context.textStored || SizeOfDynamicArray(doc->textBuffers) != 1 || SizeOfDynamicCPArray(doc->pieces) != 1)
    return false;
  TextBuffer buffer;
  FetchDynamicArrayEntry(doc->textBuffers, 0, &buffer);
  return buffer.size == doc->cpLimit && doc->textLimit + 1 == doc->cpLimit;
}

// ValidateDocument before the GUID table is filled: variables' bookmark
// references are left out of the check until IdentifyBookmarks has run.
bool ValidateBeforeBookmarks(CorvaneDoc* doc) {
  std::vector<std::pair<uint32_t, uint32_t>> references;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, i));
    if (entry->type != kKnotVariable || entry->word2 == 0xFFFFFFFF) continue;
    references.emplace_back(i, entry->word2);
    entry->word2 = 0xFFFFFFFF;
  }
  const bool valid = ValidateDocument(doc);
  for (const auto& [index, word2] : references)
    static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index))->word2 = word2;
  return valid;
}

// A variable naming a bookmark the GUID table does not hold shows as one
// whose bookmark is gone: a bad part, not a bad whole.
void DropDanglingReferences(CorvaneDoc* doc) {
  const uint32_t guids = doc->bookmarkGuids ? SizeOfDynamicArray(doc->bookmarkGuids) : 0;
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, i));
    if (entry->type == kKnotVariable && entry->word2 != 0xFFFFFFFF && entry->word2 >= guids) entry->word2 = 0xFFFFFFFF;
  }
}

bool Finish(ReadContext& context, QString* reason) {
  CorvaneDoc* doc = context.doc;
  SetAllMaxCps(doc);
  // Until the text is known to be whole no cp may be read through it, and
  // until the structure is known to be sound no knot may be walked.
  if (!TextIsWhole(context)) {
    if (reason) *reason = g_nativeDamagedReason;
    return false;
  }
  doc->readPlainMarks = context.plainMarks ? 1 : 0;
  if (context.plainMarks) RemovePlainMarks(context);
  // Style links that close a circle, or name no style, become none: the
  // rest of the document is still worth reading.
  CutStyleCycles(doc);
  ClearTableCache(doc);
  if (context.identifyBookmarks) {
    if (!ValidateBeforeBookmarks(doc)) {
      if (reason) *reason = g_nativeDamagedReason;
      return false;
    }
    IdentifyBookmarks(doc);
  }
  DropDanglingReferences(doc);
  if (!ValidateDocument(doc)) {
    if (reason) *reason = g_nativeDamagedReason;
    return false;
  }
  RebuildStyleList(doc);
  return true;
}

// Opens an XML member of a package and checks its root and version.
std::unique_ptr<CSXmlDecoder> OpenMember(const QString& path, int32_t rootKey, QString* reason, bool* versionOk) {
  *versionOk = true;
  QString why;
  std::unique_ptr<CSXmlDecoder> reader = CSXmlDecoder::createWithFile(path, &why);
  if (!reader) {
    if (reason) *reason = QFileInfo::exists(path) && !why.isEmpty() ? why : g_nativeDamagedReason;
    return nullptr;
  }
  reader->setKeyDecoder(CorvaneKeyTable());
  if (!reader->getNextTag() || reader->key() != rootKey || !reader->startTag()) {
    if (reason) *reason = reader->error().isEmpty() ? g_nativeDamagedReason : reader->error();
    return nullptr;
  }
  if (reader->endTag() || !reader->getNextTag() || reader->key() != kTagVer || !(reader->startTag() && reader->endTag()))
    return nullptr;
  uint32_t version = 0;
  if (!LeafInteger(*reader, &version)) return nullptr;
  if (int32_t(version) > kNativeFormatVersion) {
    *versionOk = false;
    if (reason) *reason = g_nativeLaterVersionReason;
    return nullptr;
  }
  return reader;
}

// Reads the rest of a member whose version was read: the root's other
// children.
template <typename Content>
bool ReadMemberRest(CSXmlDecoder& reader, Content content) {
  while (reader.getNextTag()) {
    if (reader.endTag() && !reader.startTag()) return true;  // the root's end
    if (!content()) return false;
  }
  return false;
}

bool ReadPackage(ReadContext& context, const QString& folder, QString* reason) {
  bool versionOk = true;
  std::unique_ptr<CSXmlDecoder> structure =
      OpenMember(folder + QStringLiteral("/structure.xml"), kTagStructure, reason, &versionOk);
  if (!structure) return false;
  context.reader = structure.get();
  if (!ReadMemberRest(*structure, [&] { return ReadStructureChild(context); })) return false;

  std::unique_ptr<CSXmlDecoder> format =
      OpenMember(folder + QStringLiteral("/format.xml"), kTagFormat, reason, &versionOk);
  if (!format) return false;
  context.reader = format.get();
  if (!ReadMemberRest(*format, [&] { return ReadFormatChild(context); })) return false;

  SetMaxCp(context.doc->pieces, context.doc->cpLimit);
  // A package's bookmark references hold the GUID indexes that identifying
  // its bookmarks in order gives, as in the V2 form.
  context.identifyBookmarks = true;
  return ReadTextFile(context, folder + QStringLiteral("/document.txt"), reason);
}

bool ReadV2(ReadContext& context, QString* reason) {
  CSXmlDecoder& reader = *context.reader;
  if (!reader.getNextTag() || reader.key() != kTagCorvane || !reader.startTag()) {
    if (reason) *reason = g_nativeDamagedReason;
    return false;
  }
  if (reader.endTag()) {
    if (reason) *reason = g_nativeDamagedReason;
    return false;
  }
  while (reader.getNextTag()) {
    if (reader.endTag() && !reader.startTag()) {
      // The root's end: the rest of the text must be blank.
      while (reader.getNextTag()) {
        if (!reader.error().isEmpty()) break;
      }
      break;
    }
    bool ok = true;
    switch (reader.key()) {
      case kTagFormat:
        ok = ForEachChild(reader, [&] { return ReadFormatChild(context); });
        break;
      case kTagStructure:
        ok = ForEachChild(reader, [&] { return ReadStructureChild(context); });
        break;
      case kTagImages:
        ok = ReadImages(context);
        break;
      case kTagText:
        ok = ReadText(context, reason);
        break;
      case kTagVer: {
        uint32_t version = 0;
        if (!(reader.startTag() && reader.endTag()) || !LeafInteger(reader, &version)) return false;
        if (int32_t(version) > kNativeFormatVersion) {
          if (reason) *reason = g_nativeLaterVersionReason;
          return false;
        }
        break;
      }
      default:
        Skip(reader);
        break;
    }
    if (!ok) {
      if (reason && !reader.error().isEmpty()) *reason = reader.error();
      return false;
    }
  }
  if (!reader.error().isEmpty()) {
    if (reason) *reason = reader.error();
    return false;
  }
  context.identifyBookmarks = true;
  return true;
}

}  // namespace

bool ReadNativeFile(CorvaneDoc* doc, const QString& path, QString* reason, NativeSource source) {
  if (reason) *reason = QString();
  if (!doc) return false;
  ReadContext context;
  context.doc = doc;
  context.source = source;
  const QString extension = QFileInfo(path).suffix();
  bool ok = false;
  if (!IsFuzzyEqualToString(extension, g_nativePackageExtension) &&
      !IsFuzzyEqualToString(extension, g_nativeAutosaveExtension)) {
    QString why;
    std::unique_ptr<CSXmlDecoder> reader = CSXmlDecoder::createWithFile(path, &why);
    if (!reader) {
      if (reason) *reason = why.isEmpty() ? g_nativeDamagedReason : why;
      return false;
    }
    reader->setKeyDecoder(CorvaneKeyTable());
    context.reader = reader.get();
    ok = ReadV2(context, reason);
  } else {
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    context.package = folder;
    ok = ReadPackage(context, folder, reason);
  }
  return ok && Finish(context, reason);
}

bool ReadV2Xml(CorvaneDoc* doc, CSXmlDecoder& reader, QString* reason, NativeSource source) {
  if (reason) *reason = QString();
  if (!doc) return false;
  ReadContext context;
  context.doc = doc;
  context.source = source;
  context.reader = &reader;
  return ReadV2(context, reason) && Finish(context, reason);
}

bool ImportCvnx(CorvaneDoc* doc, const QString& text, QString* reason) {
  if (reason) *reason = QString();
  std::unique_ptr<CSXmlDecoder> reader = CSXmlDecoder::createWithString(text);
  if (!reader) {
    if (reason) *reason = g_xmlUnknownFormatReason;
    return false;
  }
  reader->setKeyDecoder(CorvaneKeyTable());
  return ReadV2Xml(doc, *reader, reason);
}

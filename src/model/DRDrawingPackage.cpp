// The native package: a folder holding "drawing.xml", an "Images" folder
// with one file per painting (and "background.tiff"), the Quick Look
// previews and, for autosave copies, "path.txt".
//
// Reading builds the whole drawing aside and only then puts it in the
// document's place, so a file that turns out to be bad (a revert of a file
// damaged since it was opened, say) leaves the drawing as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

#include "model/DRCanvasHost.h"
#include "model/DRDocumentHost.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementGroup.h"
#include "model/DRFontTable.h"
#include "model/DRKeyTable.h"
#include "platform/NotificationCenter.h"
#include "platform/PathParts.h"
#include "support/Base64.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/CSKernel.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/Files.h"
#include "support/Fonts.h"
#include "support/ImageFormat.h"
#include "support/ImageSaving.h"
#include "support/NumberText.h"
#include "support/SaturatingCast.h"
#include "support/XmlHelpers.h"

namespace {

const QString kDrawingFile = QStringLiteral("drawing.xml");
const QString kImagesFolder = QStringLiteral("Images");
const QString kBackgroundFile = QStringLiteral("background.tiff");
const QString kPathFile = QStringLiteral("path.txt");
const QString kZoomChangeNotification = QStringLiteral("cvb.zoomChange");

// The version of the file this code writes; later ones are refused.
constexpr int64_t kPackageVersion = 1;

// The zoom range of the canvas (its first and last zoom steps).
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 16.0;

// Window frames lie within this many points of the origin (the window
// itself is then kept on the screen).
constexpr int kMaxFrameCoordinate = 1 << 24;

// The OSStatus code of a background image that has no TIFF data.
constexpr int64_t kNoBackgroundDataCode = -108;

DRPackageSaveStepHook g_saveStepHook = nullptr;

// ---- Texts ----

QString CantOpenTitle() {
  return QStringLiteral("Can't open file.");
}
QString InvalidFileReason() {
  return QStringLiteral("this doesn't appear to be a valid drawing file");
}
QString LaterVersionReason() {
  return QStringLiteral("the file was created by a later version of Draw");
}
QString MissingImagesReason() {
  return QStringLiteral("missing images");
}
QString BadElementsReason() {
  return QStringLiteral("the drawing's elements can't be read");
}

// "{x, y}" with the shortest text that reads back as the same doubles, the
// form sizes are stored in.
QString PointText(QPointF point) {
  return SizeToText(QSizeF(point.x(), point.y()));
}

QPointF PointFromText(QStringView text) {
  const QSizeF size = SizeFromText(text);
  return QPointF(size.width(), size.height());
}

// "{{x, y}, {width, height}}".
QString RectText(const QRect& rect) {
  return QLatin1Char('{') + PointText(rect.topLeft()) + QStringLiteral(", ") +
         SizeToText(QSizeF(rect.width(), rect.height())) + QLatin1Char('}');
}

// Reads that form; anything else gives the zero rectangle. Values are
// rounded and kept far inside int, where QRect's arithmetic is safe.
QRect RectFromText(QStringView text) {
  const QStringView trimmed = text.trimmed();
  if (trimmed.size() < 2 || trimmed.front() != QLatin1Char('{') || trimmed.back() != QLatin1Char('}')) return {};
  const QStringView inner = trimmed.mid(1, trimmed.size() - 2).trimmed();
  const qsizetype close = inner.indexOf(QLatin1Char('}'));
  if (close < 0) return {};
  const QStringView origin = inner.left(close + 1);
  QStringView rest = inner.mid(close + 1).trimmed();
  if (rest.isEmpty() || rest.front() != QLatin1Char(',')) return {};
  rest = rest.mid(1);
  const QPointF point = PointFromText(origin);
  const QSizeF size = SizeFromText(rest);
  auto coordinate = [](double value, int least) {
    return std::clamp(SaturatingRound<int>(value), least, kMaxFrameCoordinate);
  };
  return QRect(coordinate(point.x(), -kMaxFrameCoordinate), coordinate(point.y(), -kMaxFrameCoordinate),
               coordinate(size.width(), 0), coordinate(size.height(), 0));
}

// A file name read from a package is used only when it names an item right
// inside the folder: letters, digits, dots and hyphens, and not "." or "..".
bool IsPlainFileName(const QString& name) {
  if (name.isEmpty() || name.size() > 255 || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    const bool ok =
        (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'.' || u == u'-';
    if (!ok) return false;
  }
  return true;
}

// An image file of the package: a plain file, never followed through a
// link (a package from elsewhere must not pull in the user's own files).
CSImage LoadPackageImage(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink() || !info.isFile()) return {};
  return CSImage::initWithContentsOfFile(path);
}

// ---- Writing ----

void SaveStep(int* step) {
  ++*step;
  if (g_saveStepHook) g_saveStepHook(*step);
}

bool MakeFolder(const QString& path, CSError* error) {
  if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) return true;
  if (error) *error = ErrorForUnixError(kFileOperationWrite, errno);
  return false;
}

// Clears the in-use mark of every painting shown (groups searched); writing
// the records marks those that are saved again.
void MarkPaintingsUnused(const DRElementList& elements) {
  for (const auto& element : elements) {
    if (!element) continue;
    if (element->elementType() == kElementGroup) {
      if (const auto* group = dynamic_cast<const DRElementGroup*>(element.get()))
        MarkPaintingsUnused(group->subelements());
    } else if (element->elementType() == kElementBitmap) {
      const auto* bitmap = dynamic_cast<const DRElementBitmap*>(element.get());
      if (bitmap && bitmap->painting()) bitmap->painting()->setInUse(false);
    }
  }
}

// ---- Reading ----

// Everything a package read produces, held aside until the read succeeds.
struct PackageContent {
  DRElementList elements;
  QStringList bitmapGuids;
  QList<Kolor> recentColors;
  std::optional<CSPrintInfo> printInfo;
  bool createPreview = true;
  bool showPageBreaks = false;
  bool scaleToFit = false;
  bool centerOnPage = false;
  CSImage backgroundImage;
  CSRect backgroundLocation;
  double backgroundOpacity = 1.0;
  std::optional<QRect> frame;
  double zoom = 1.0;
  QPointF position;
  int64_t info = 0;
  QString currentTab;
  bool missingImage = false;
};

// The font table of the package being read: made by the "fonts" block and
// kept until the element records have been read.
std::optional<DRFontTable::Scope>* g_readingFonts = nullptr;

// Reads "fonts" (the decoder on its start tag) into a new table, current
// from now on. False when the text is malformed or cut off.
bool ReadFonts(CSXmlDecoder& decoder, std::optional<DRFontTable::Scope>* scope) {
  scope->reset();
  scope->emplace();
  DRFontTable& table = (*scope)->table();
  return ReadXmlChildren(
      decoder, kXmlFonts,
      [&](CSXmlDecoder& child) {
        if (child.key() == kXmlFont) {
          std::optional<QFont> font = DRFontTable::fontFromRecordString(child.value());
          if (!font) {
            LogString("Font load failed");
            font = DefaultUserFontOfSize(12);
          }
          table.append(*font);
        } else if (child.key() == kXmlOldfont) {
          // An "oldfont" written empty has neither size nor name.
          table.append(SystemFont(SystemFontSize()));
        }
      },
      [&](CSXmlDecoder& child) {
        if (child.key() != kXmlOldfont) {
          child.skipTag();
          return true;
        }
        int64_t size = 0;
        QString name;
        const bool read = ReadXmlChildren(child, kXmlOldfont, [&](CSXmlDecoder& field) {
          if (field.key() == kXmlSize) size = field.longValue();
          if (field.key() == kXmlName) name = field.value();
        });
        if (size > 0 && !name.isEmpty())
          table.append(FontWithName(name, std::clamp(double(size), kMinFontSize, kMaxFontSize)));
        else
          table.append(SystemFont(SystemFontSize()));
        return read;
      });
}

// Reads "images" (the decoder on its start tag) into the drawing's waiting
// paintings, loading each picture from the folder (none when the folder is
// empty: every picture is then missing, but each painting still stands in
// for its file, so the bitmaps keep their reference). `missing` is set when
// one fails to load. False when the text is malformed or cut off.
bool ReadImages(CSXmlDecoder& decoder, const QString& folder, DRDrawing& drawing, bool* missing) {
  return ReadXmlChildren(decoder, kXmlImages, nullptr, [&](CSXmlDecoder& child) {
    if (child.key() != kXmlImage) {
      child.skipTag();
      return true;
    }
    std::shared_ptr<DRPainting> painting = DRPainting::paintingFromXml(child);
    if (!painting) {
      *missing = true;
      return child.error().isNull();
    }
    // The record's "file" is a name inside the folder.
    const QString name = painting->filePath();
    const QString path = !folder.isEmpty() && IsPlainFileName(name) ? folder + QLatin1Char('/') + name : QString();
    const CSImage image = path.isEmpty() ? CSImage() : LoadPackageImage(path);
    if (image.isNull()) {
      // The painting stands in for its file, which a save copies as it is
      // when it is still there; its blank picture is never written.
      painting->setLoadFailed(true);
      *missing = true;
    } else {
      painting->setImage(image);
    }
    painting->setFilePath(path);
    drawing.newPaintings().insert(painting->guid(), painting);
    return true;
  });
}

// Reads element records up to the end tag of the list the decoder is inside
// (at `listLevel`), appending them to the drawing's elements. False for a
// tag that is no element record and for text that is malformed or ends
// before the list does.
bool ReadElementRecords(CSXmlDecoder& decoder, DRDrawing& drawing, int64_t listLevel) {
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() < listLevel) return decoder.key() == kXmlElements;
      continue;
    }
    if (decoder.key() != kXmlElement) return false;
    std::unique_ptr<DRElement> element = DRElement::elementWithXml(decoder, &drawing);
    if (!element) continue;
    if (element->elementType() == kElementGroup) {
      const auto* group = dynamic_cast<const DRElementGroup*>(element.get());
      if (!group || group->subelements().empty()) continue;
    }
    drawing.elements().push_back(std::move(element));
  }
  return false;
}

// Reads the element list into `into` rather than into the drawing, which
// keeps its own. While the records are read the drawing shows the list
// being built, as the bitmaps look their paintings up through it.
bool ImportElementsInto(CSXmlDecoder& decoder, DRDrawing& drawing, DRElementList* into,
                        const std::optional<int64_t>& listLevel) {
  std::swap(drawing.elements(), *into);
  const bool read = listLevel ? ReadElementRecords(decoder, drawing, *listLevel) : drawing.importElements(decoder);
  std::swap(drawing.elements(), *into);
  return read;
}

// A tag that holds elements rather than a value; where a value is expected
// such a tag is skipped whole and gives nothing.
bool HasChildren(const CSXmlDecoder& decoder) {
  return decoder.startTag() && !decoder.endTag();
}

struct ReadResult {
  bool ok = false;
  QString reason;
};

// Reads "drawing.xml" from the decoder (before its first tag) into `content`.
ReadResult ReadDrawingXml(CSXmlDecoder& decoder, const QString& imagesFolder, DRDrawing& drawing,
                          PackageContent* content) {
  auto failure = [&](const QString& reason) { return ReadResult{false, reason}; };
  auto malformed = [&]() { return failure(decoder.error().isNull() ? InvalidFileReason() : decoder.error()); };

  if (!decoder.getNextTag() || !decoder.startTag() || decoder.key() != kXmlDrawing) return malformed();
  if (decoder.endTag()) return ReadResult{true, {}};  // a drawing with nothing in it
  const int64_t rootLevel = decoder.level();

  std::optional<DRFontTable::Scope> fonts;
  std::optional<DRFontTable::Scope>* const outerFonts = g_readingFonts;
  g_readingFonts = &fonts;
  struct Restore {
    std::optional<DRFontTable::Scope>* previous;
    ~Restore() { g_readingFonts = previous; }
  } restore{outerFonts};

  bool imagesSeen = false;
  bool closed = false;
  QList<CSXmlBookmark> skippedElements;
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() < rootLevel) {
        if (decoder.key() != kXmlDrawing) return malformed();
        closed = true;
        break;
      }
      continue;
    }
    const bool children = HasChildren(decoder);
    switch (decoder.key()) {
      case kXmlVersion:
        if (children) {
          decoder.skipTag();
        } else if (decoder.longValue() > kPackageVersion) {
          return failure(LaterVersionReason());
        }
        break;
      case kXmlFrame:
        if (children)
          decoder.skipTag();
        else
          content->frame = RectFromText(decoder.value());
        break;
      case kXmlPosition:
        if (children)
          decoder.skipTag();
        else
          content->position = PointFromText(decoder.value());
        break;
      case kXmlZoom:
        if (children) {
          decoder.skipTag();
        } else {
          const double zoom = double(decoder.longValue()) / 100.0;
          content->zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
        }
        break;
      case kXmlInfo:
        if (children)
          decoder.skipTag();
        else
          content->info = decoder.longValue();
        break;
      case kXmlPreview:
      case kXmlPagebreaks:
      case kXmlScale:
      case kXmlCenter: {
        if (children) {
          decoder.skipTag();
          break;
        }
        const bool flag = decoder.longValue() != 0;
        if (decoder.key() == kXmlPreview) content->createPreview = flag;
        if (decoder.key() == kXmlPagebreaks) content->showPageBreaks = flag;
        if (decoder.key() == kXmlScale) content->scaleToFit = flag;
        if (decoder.key() == kXmlCenter) content->centerOnPage = flag;
        break;
      }
      case kXmlRecentColors:
        content->recentColors.clear();
        if (!ReadXmlChildren(decoder, kXmlRecentColors, [&](CSXmlDecoder& child) {
              if (child.key() == kXmlColor) content->recentColors.append(KolorFromString(child.value()));
            }))
          return malformed();
        break;
      case kXmlTabs:
        if (!ReadXmlChildren(decoder, kXmlTabs, [&](CSXmlDecoder& child) {
              if (child.key() == kXmlId && !child.value().isEmpty()) content->bitmapGuids.append(child.value());
            }))
          return malformed();
        break;
      case kXmlCurrentTab:
        if (children)
          decoder.skipTag();
        else
          content->currentTab = decoder.value();
        break;
      case kXmlPrint: {
        if (children) {
          decoder.skipTag();
          break;
        }
        const std::optional<QByteArray> data = NewDataFromBase64String(decoder.value());
        CSPrintInfo info = drawing.printInfo();
        if (data && PrintInfoFromText(QString::fromUtf8(*data), &info)) {
          info.horizontallyCentered = false;
          info.verticallyCentered = false;
          content->printInfo = info;
        }
        break;
      }
      case kXmlBackground:
        if (children) decoder.skipTag();
        if (imagesFolder.isEmpty()) return failure(MissingImagesReason());
        content->backgroundImage = LoadPackageImage(imagesFolder + QLatin1Char('/') + kBackgroundFile);
        if (content->backgroundImage.isNull()) content->missingImage = true;
        break;
      case kXmlBackrect:
        if (children)
          decoder.skipTag();
        else
          content->backgroundLocation = CSRectFromString(decoder.value());
        break;
      case kXmlBackopacity:
        if (children)
          decoder.skipTag();
        else
          content->backgroundOpacity = std::clamp(double(decoder.longValue()) / 100.0, 0.0, 1.0);
        break;
      case kXmlFonts:
        if (children && !ReadFonts(decoder, &fonts)) return malformed();
        break;
      case kXmlImages:
        imagesSeen = true;
        // Without the folder the records name files that are not there;
        // they are read all the same, so that a save keeps them.
        if (children && !ReadImages(decoder, imagesFolder, drawing, &content->missingImage)) return malformed();
        break;
      case kXmlElements:
        if (!children) break;
        if (!imagesSeen) {
          // The bitmaps need the paintings, which come later.
          skippedElements.append(decoder.skipTag());
        } else if (!ImportElementsInto(decoder, drawing, &content->elements, std::nullopt)) {
          return decoder.error().isNull() ? failure(BadElementsReason()) : malformed();
        }
        break;
      default:
        decoder.skipTag();
        break;
    }
    if (!decoder.error().isNull()) return malformed();
  }
  if (!closed) return malformed();

  for (const CSXmlBookmark& bookmark : skippedElements) {
    decoder.unskipTag(bookmark);
    if (!ImportElementsInto(decoder, drawing, &content->elements, bookmark.level))
      return decoder.error().isNull() ? failure(BadElementsReason()) : malformed();
  }
  return ReadResult{true, {}};
}

}  // namespace

DRPackageSaveStepHook SetPackageSaveStepHook(DRPackageSaveStepHook hook) {
  const DRPackageSaveStepHook previous = g_saveStepHook;
  g_saveStepHook = hook;
  return previous;
}

// ---- Writing -------------------------------------------------------------------

bool DRDrawing::saveNative(const QString& path, bool inPlace, CSError* error) {
  MarkPaintingsUnused(m_elements);
  int step = 0;

  if (!MakeFolder(path, error)) return false;
  SaveStep(&step);
  const QString imagesFolder = path + QLatin1Char('/') + kImagesFolder;
  if (!MakeFolder(imagesFolder, error)) return false;
  SaveStep(&step);

  CSXmlEncoder encoder;
  encoder.openTag(QStringLiteral("drawing"));
  {
    // Text styles store their fonts by number in this table while it lives.
    DRFontTable::Scope fonts;

    DRDocumentHost* host = documentHost();
    DRCanvasHost* view = canvas();
    encoder.addTagWithLongNumber(QStringLiteral("version"), kPackageVersion);
    encoder.addTag(QStringLiteral("app_ver"), g_appVersionString);
    encoder.addTag(QStringLiteral("sys_ver"), g_systemVersionString);
    encoder.addTag(QStringLiteral("frame"), RectText(host ? host->contentFrame() : QRect()));
    encoder.addTag(QStringLiteral("position"), PointText(view ? view->scrollOrigin() : QPointF()));
    // Without a canvas the drawing opens at 100 %.
    const double zoom = view ? view->zoomValue().value_or(1.0) : 1.0;
    encoder.addTagWithLongNumber(QStringLiteral("zoom"), SaturatingCast<int64_t>(std::trunc(zoom * 100.0)));
    encoder.addTagWithNumber(QStringLiteral("preview"), m_createPreview ? 1 : 0);
    if (host && host->isInfoPanelOpen()) encoder.addTagWithNumber(QStringLiteral("info"), 1);
    if (!m_recentColors.isEmpty()) {
      encoder.openTag(QStringLiteral("recentColors"));
      for (const Kolor kolor : m_recentColors) encoder.addTag(QStringLiteral("color"), NewKolorString(kolor));
      encoder.closeTag(QStringLiteral("recentColors"));
    }
    if (!m_bitmapGuids.isEmpty()) {
      encoder.openTag(QStringLiteral("tabs"));
      for (const QString& guid : m_bitmapGuids) encoder.addTag(QStringLiteral("id"), guid);
      encoder.closeTag(QStringLiteral("tabs"));
      const QString current = host ? host->currentTabGuid() : QString();
      if (!current.isEmpty() && (filePath().isEmpty() || QFileInfo(filePath()).suffix() == g_drawingExtension))
        encoder.addTag(QStringLiteral("currentTab"), current);
    }

    // The fonts and then the images go here, once they are known.
    encoder.saveInsertionPoint();
    encoder.saveInsertionPoint();

    encoder.addTag(QStringLiteral("print"), NewBase64StringFromData(PrintInfoText(printInfo()).toUtf8()));
    if (m_showPageBreaks) encoder.addTagWithNumber(QStringLiteral("pagebreaks"), 1);
    if (m_scaleToFit) encoder.addTagWithNumber(QStringLiteral("scale"), 1);
    if (m_centerOnPage) encoder.addTagWithNumber(QStringLiteral("center"), 1);

    if (!m_backgroundImage.isNull()) {
      const QByteArray tiff = ImageData(m_backgroundImage, kImageFormatTIFF, 0, 0, 1.0);
      if (tiff.isEmpty()) {
        if (error)
          *error = CSError::withReason(QStringLiteral("can't retrieve the background image"), kNoBackgroundDataCode);
        return false;
      }
      if (!WriteDataToFile(tiff, imagesFolder + QLatin1Char('/') + kBackgroundFile, true, true, error)) return false;
      SaveStep(&step);
      encoder.addTagWithNumber(QStringLiteral("background"), 1);
      encoder.addTag(QStringLiteral("backrect"), NewCSRectString(m_backgroundLocation));
      const double opacity = std::isfinite(m_backgroundOpacity) ? m_backgroundOpacity : 1.0;
      encoder.addTagWithLongNumber(QStringLiteral("backopacity"), SaturatingCast<int64_t>(std::trunc(opacity * 100.0)));
    }

    WriteElementList(encoder, m_elements, true);

    encoder.beginInsertion();
    encoder.openTag(QStringLiteral("images"));
    for (const auto& element : m_elements) {
      if (!element) continue;
      if (!element->savedUsedPaintings(encoder, imagesFolder, inPlace, error)) return false;
      SaveStep(&step);
    }
    encoder.closeTag(QStringLiteral("images"));
    encoder.endInsertion();

    if (fonts.table().isEmpty()) {
      encoder.cancelInsertion();
    } else {
      encoder.beginInsertion();
      encoder.openTag(QStringLiteral("fonts"));
      for (const QFont& font : fonts.table().fonts())
        encoder.addTag(QStringLiteral("font"), DRFontTable::fontRecordString(font));
      encoder.closeTag(QStringLiteral("fonts"));
      encoder.endInsertion();
    }
  }
  encoder.closeTag(QStringLiteral("drawing"));
  if (!WriteDataToFile(encoder.xml().toUtf8(), path + QLatin1Char('/') + kDrawingFile, true, true, error)) return false;
  SaveStep(&step);

  if (m_createPreview) {
    const CSImage preview = createDrawingImage(false);
    if (!preview.isNull()) {
      SaveQuicklookImage(preview, path);
      SaveStep(&step);
    }
  }
  if (m_autosaving) {
    const QString original = filePath().isEmpty() ? QStringLiteral("untitled") : filePath();
    if (!WriteDataToFile(original.toUtf8(), path + QLatin1Char('/') + kPathFile, true, true, error)) return false;
    SaveStep(&step);
  }
  return true;
}

// ---- Reading -------------------------------------------------------------------

bool DRDrawing::importElements(CSXmlDecoder& decoder) {
  if (!decoder.startTag()) return false;
  if (decoder.endTag()) return true;  // "<elements/>"
  return ReadElementRecords(decoder, *this, decoder.level());
}

void DRDrawing::loadFonts(CSXmlDecoder& decoder) {
  // Outside a package read the table lasts only as long as this call.
  std::optional<DRFontTable::Scope> own;
  ReadFonts(decoder, g_readingFonts ? g_readingFonts : &own);
}

bool DRDrawing::loadImages(CSXmlDecoder& decoder, const QString& folder) {
  if (folder.isEmpty()) return false;
  bool missing = false;
  const bool read = ReadImages(decoder, folder, *this, &missing);
  return read && !missing;
}

bool DRDrawing::loadNativeFile(const QString& path) {
  const QString imagesPath = path + QLatin1Char('/') + kImagesFolder;
  const QFileInfo imagesInfo(imagesPath);
  const QString imagesFolder = imagesInfo.isDir() && !imagesInfo.isSymLink() ? imagesPath : QString();

  PackageContent content;
  m_newPaintings.clear();
  ReadResult result;
  QString reason;
  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithFile(path + QLatin1Char('/') + kDrawingFile, &reason);
  if (decoder) {
    result = ReadDrawingXml(*decoder, imagesFolder, *this, &content);
  } else {
    result.reason = reason.isEmpty() ? InvalidFileReason() : reason;
  }
  decoder.reset();
  m_newPaintings.clear();
  if (!result.ok) {
    // The message ends the reason with its own full stop.
    if (result.reason.endsWith(QLatin1Char('.'))) result.reason.chop(1);
    GiveSimpleAlert(CantOpenTitle(),
                    StringWithFormat("I can't open the file \"%@\"; %@.", LastComponentOfPath(path), result.reason));
    return false;
  }

  // The drawing takes what was read.
  m_elements = std::move(content.elements);
  m_bitmapGuids = content.bitmapGuids;
  m_recentColors = content.recentColors;
  if (content.printInfo) setPrintInfo(*content.printInfo);
  m_createPreview = content.createPreview;
  m_showPageBreaks = content.showPageBreaks;
  m_scaleToFit = content.scaleToFit;
  m_centerOnPage = content.centerOnPage;
  m_backgroundImage = content.backgroundImage;
  m_backgroundLocation = content.backgroundLocation;
  m_backgroundOpacity = content.backgroundOpacity;

  DRDocumentHost* host = documentHost();
  DRCanvasHost* view = canvas();
  // A drawing saved without a window has no frame to restore.
  if (host && content.frame && !content.frame->isEmpty()) host->setContentFrame(*content.frame);
  if (host && content.info == 0) host->toggleInfo();
  if (view) {
    view->setZoomValue(content.zoom);
    NotificationCenter::defaultCenter().post(kZoomChangeNotification, host ? host->window() : nullptr);
    view->setScrollOrigin(content.position);
  }
  if (host && !m_bitmapGuids.isEmpty()) {
    for (const auto& element : m_elements) {
      if (!element || element->elementType() != kElementBitmap) continue;
      auto* bitmap = dynamic_cast<DRElementBitmap*>(element.get());
      if (bitmap && m_bitmapGuids.contains(bitmap->guid())) host->addPaintTab(bitmap);
    }
    host->setupTabs(content.currentTab, false);
  }
  const bool recovery = IsFuzzyEqualToString(QFileInfo(path).suffix(), g_autosaveExtension);
  if (recovery) m_autosaveRecoveryDoc = true;

  // The base takes the path and the title; the title decides the lock from
  // the file, which an autosave copy overrides.
  CSDocument::loadNativeFile(path);
  setLocked(isLocked() || IsFileLocked(path) || !IsFileMutable(path) || recovery);

  if (content.missingImage) {
    GiveSimpleAlert(QStringLiteral("Missing image."),
                    QStringLiteral("One or more images could not be loaded from the file. It will be opened anyway."));
  }
  return true;
}

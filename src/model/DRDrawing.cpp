#include "model/DRDrawing.h"

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cerrno>
#include <cmath>

#include "model/DRCanvasHost.h"
#include "model/DRDocumentHost.h"
#include "model/DRElementBitmap.h"
#include "model/DRModelServices.h"
#include "model/DrawingPainter.h"
#include "pixmap/CSPixmap.h"
#include "platform/HeifCodec.h"
#include "platform/NotificationCenter.h"
#include "support/Bitmaps.h"
#include "support/CSError.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/Files.h"
#include "support/GraphicsContext.h"
#include "support/ImageFormat.h"
#include "support/ImageSaving.h"

const QString g_savingNotification = QStringLiteral("twdraw.saving");
const QString g_closingNotification = QStringLiteral("twdraw.closing");
const QString g_normalizeNotification = QStringLiteral("twdraw.normalize");
const QString g_autosaveNotification = QStringLiteral("twdraw.autosave");
const QString g_settingsChangeNotification = QStringLiteral("twdraw.settingsChange");
const QString g_drawingExtension = QStringLiteral("TWdraw");
const QString g_autosaveExtension = QStringLiteral("TWdraw_autosave");

namespace {

// The code of the drawing's own image-saving errors, in the OSStatus domain.
constexpr int64_t kUnexpectedErrorCode = -2114;

QString CantCreateImageReason() {
  return QStringLiteral("I can't create an image of the drawing.");
}
QString UnexpectedErrorReason() {
  return QStringLiteral("An unexpected error occurred.");
}

// The export area of the canvas in whole points: the selection while the
// canvas draws to the clipboard, else everything that prints, rounded
// outwards. Empty when there is nothing.
QRectF ExportArea(const DRCanvasHost& canvas) {
  const CSRect extent = canvas.drawToClip() ? canvas.selectionExtent(true, false) : canvas.drawingExtent(true, true);
  const QRectF points = ConvertMeasureRect(extent);
  const double left = std::floor(points.left()), top = std::floor(points.top());
  const double right = std::ceil(points.right()), bottom = std::ceil(points.bottom());
  if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom)) return {};
  return QRectF(left, top, right - left, bottom - top);
}

// Whether a rendering of that many pixels may be made: within what the
// painters draw and what an image file may hold to be read back.
bool IsRenderableSize(double width, double height) {
  return width >= 1 && height >= 1 && width <= kMaxPixmapSide && height <= kMaxPixmapSide &&
         width * height <= double(kDefaultImageDecodePixelLimit);
}

// The canvas renders for an export while this lives: no casings, and (for
// images) as into an image. Both flags are cleared at the end.
class ExportScope {
 public:
  ExportScope(DRCanvasHost* canvas, bool toImage) : m_canvas(canvas), m_toImage(toImage) {
    m_canvas->setSuppressCasings(true);
    if (m_toImage) m_canvas->setDrawToImage(true);
  }
  ~ExportScope() {
    m_canvas->setSuppressCasings(false);
    if (m_toImage) m_canvas->setDrawToImage(false);
  }
  ExportScope(const ExportScope&) = delete;
  ExportScope& operator=(const ExportScope&) = delete;

 private:
  DRCanvasHost* m_canvas;
  bool m_toImage;
};

DRPaintMode ExportMode(const DRCanvasHost& canvas) {
  return canvas.drawToClip() ? DRPaintMode::Clip : DRPaintMode::Image;
}

// Renders the area (view points) into a transparent bitmap of `pixels`.
// The live canvas keeps its zoom and scroll position: the rendering is
// made off the screen at zoom 1.
QImage RenderArea(const DRDrawing& drawing, DRCanvasHost* canvas, const QRectF& area, QSize pixels) {
  ExportScope scope(canvas, true);
  return RenderDrawing(drawing, area, pixels, ExportMode(*canvas), canvas, canvas);
}

void FindPaintingsInUse(const DRElementList& elements, QList<std::shared_ptr<DRPainting>>* paintings) {
  for (const auto& element : elements) {
    if (!element) continue;
    if (element->elementType() == kElementGroup) {
      if (const auto* group = dynamic_cast<const DRElementGroup*>(element.get()))
        FindPaintingsInUse(group->subelements(), paintings);
    } else if (element->elementType() == kElementBitmap) {
      const auto* bitmap = dynamic_cast<const DRElementBitmap*>(element.get());
      if (bitmap && bitmap->painting() && bitmap->painting()->inUse()) paintings->append(bitmap->painting());
    }
  }
}

}  // namespace

// ---- Life ----------------------------------------------------------------------

DRDrawing::DRDrawing() {
  m_recentColors.reserve(10);
  CSPrintInfo info = CSPrintInfo::sharedPrintInfo();
  info.setAllMargins(36);
  setPrintInfo(info);
  m_guid = GuidString();
  m_autosaveTime = ModelServices().currentTime();
  m_lastEditTime = m_autosaveTime;
  enableAutosave();

  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.addObserver(this, g_normalizeNotification, nullptr,
                     [this](const CSNotification& notification) { normalize(notification.userInfo); });
  center.addObserver(this, g_autosaveNotification, nullptr, [this](const CSNotification&) { enableAutosave(); });
  if (QCoreApplication* app = QCoreApplication::instance()) {
    connect(app, &QCoreApplication::aboutToQuit, this, [this] { releaseAutoSave(); });
    if (auto* gui = qobject_cast<QGuiApplication*>(app)) {
      // Leaving the active state is the moment to write the autosave copy.
      connect(gui, &QGuiApplication::applicationStateChanged, this,
              [this, wasActive = QGuiApplication::applicationState() ==
                                 Qt::ApplicationActive](Qt::ApplicationState state) mutable {
                const bool active = state == Qt::ApplicationActive;
                if (wasActive && !active) sleep();
                wasActive = active;
              });
    }
  }
}

DRDrawing::~DRDrawing() {
  if (!m_closed) prepareToClose();
}

DRDocumentHost* DRDrawing::documentHost() const {
  return m_documentHost;
}

void DRDrawing::setDocumentHost(DRDocumentHost* host) {
  m_documentHost = host;
  setWindowController(host);
}

DRCanvasHost* DRDrawing::canvas() const {
  return m_documentHost ? m_documentHost->canvas() : nullptr;
}

bool DRDrawing::isDirty() const {
  return CSDocument::isDirty() || m_paintingDirty;
}

bool DRDrawing::makeBackups() {
  return ModelServices().keepBackups();
}

void DRDrawing::prepareToSave(bool flag) {
  (void)flag;
  QObject* window = m_documentHost ? m_documentHost->window() : nullptr;
  NotificationCenter::defaultCenter().post(g_savingNotification, window);
}

void DRDrawing::prepareToClose() {
  m_closed = true;
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_closingNotification, this);
  center.removeObserver(this);
  if (QCoreApplication* app = QCoreApplication::instance()) disconnect(app, nullptr, this, nullptr);
  releaseAutoSave();
  setDocumentHost(nullptr);
}

void DRDrawing::normalize(const QVariantMap& userInfo) {
  if (userInfo.value(QStringLiteral("quit")).toBool()) prepareToSave(true);
}

void DRDrawing::sleep() {
  forceAutosave();
}

// ---- Content -------------------------------------------------------------------

CSRect DRDrawing::frame() const {
  return UnionOfFrames(m_elements, 0);
}

std::shared_ptr<DRPainting> DRDrawing::paintingForGuid(const QString& guid) const {
  if (std::shared_ptr<DRPainting> waiting = m_newPaintings.value(guid)) return waiting;
  return paintingInElements(m_elements, guid);
}

std::shared_ptr<DRPainting> DRDrawing::paintingInElements(const DRElementList& elements, const QString& guid) {
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const DRElement* element = it->get();
    if (!element) continue;
    if (element->elementType() == kElementGroup) {
      const auto* group = dynamic_cast<const DRElementGroup*>(element);
      if (!group) continue;
      if (std::shared_ptr<DRPainting> found = paintingInElements(group->subelements(), guid)) return found;
    } else if (element->elementType() == kElementBitmap) {
      const auto* bitmap = dynamic_cast<const DRElementBitmap*>(element);
      if (bitmap && bitmap->painting() && bitmap->painting()->guid() == guid) return bitmap->painting();
    }
  }
  return nullptr;
}

// ---- Saving --------------------------------------------------------------------

bool DRDrawing::saveCore(const QString& path, bool inPlace, CSError* error) {
  const QString extension = QFileInfo(path).suffix();
  if (IsFuzzyEqualToString(extension, g_drawingExtension)) return saveNative(path, inPlace, error);
  if (IsFuzzyEqualToString(extension, QStringLiteral("svg")))
    return ModelServices().saveSvgFile(m_elements, frame(), path, error);

  double compression = inPlace ? m_saveCompression : -1.0;
  // A lone plain bitmap is saved as its own pixels, not as a rendering.
  if (m_elements.size() == 1 && m_elements.front() && m_elements.front()->elementType() == kElementBitmap &&
      m_elements.front()->isVanilla()) {
    const auto* bitmap = dynamic_cast<const DRElementBitmap*>(m_elements.front().get());
    if (bitmap && bitmap->painting()) {
      if (inPlace && compression < 0) compression = bitmap->painting()->fileCompression();
      return saveImage(bitmap->painting()->image(), path, compression, error);
    }
  }
  return saveDrawingToImage(path, compression, error);
}

bool DRDrawing::saveDrawingToImage(const QString& path, double compression, CSError* error) {
  if (IsFuzzyEqualToString(QFileInfo(path).suffix(), QStringLiteral("pdf"))) {
    const QByteArray pdf = pdfOfDrawing();
    if (pdf.isEmpty()) {
      if (error) *error = CSError::withReason(CantCreateImageReason(), kUnexpectedErrorCode);
      return false;
    }
    return WriteDataToFile(pdf, path, false, false, error);
  }
  return saveImage(createDrawingImage(false), path, compression, error);
}

bool DRDrawing::saveImage(const CSImage& image, const QString& path, double compression, CSError* error) {
  if (!std::isfinite(compression)) compression = -1.0;
  auto fail = [&](const QString& reason) {
    m_saveCompression = compression;
    if (error) *error = CSError::withReason(reason, kUnexpectedErrorCode);
    return false;
  };
  if (image.isNull()) return fail(CantCreateImageReason());

  const QString extension = QFileInfo(path).suffix();
  const ImageFormat format = ImageFormatFromExtension(extension);
  switch (format) {
    case kImageFormatNone:
      // SVG is written from the elements, never from an image.
      if (IsFuzzyEqualToString(extension, QStringLiteral("svg"))) return false;
      return fail(UnexpectedErrorReason());
    case kImageFormatHEIC:
      if (!HeifCanEncode())
        return fail(QStringLiteral("HEIC images can't be written here: the system's HEIF library has no encoder."));
      [[fallthrough]];
    case kImageFormatJPEG:
      if (compression < 0) compression = double(ModelServices().jpegCompression()) / 10.0;
      break;
    case kImageFormatTIFF:
      // TIFF is either compressed (1.0) or not (0.0).
      if (compression < 0)
        compression = ModelServices().tiffCompression() ? 1.0 : 0.0;
      else if (compression > 0)
        compression = 1.0;
      break;
    default:
      break;
  }
  m_saveCompression = compression;

  // The image writer names its file with the format's own extension
  // ("jpg", "tiff"); another spelling ("jpeg", "tif") is written under a
  // free name beside the target and then takes the target's name, so no
  // other file is touched and the file lands where it was asked for.
  const QString ownExtension = ExtensionForImageFormat(format);
  const bool sameName = extension.compare(ownExtension, Qt::CaseInsensitive) == 0;
  const QFileInfo info(path);
  const QString writePath =
      sameName ? path : UniqueFileName(info.absolutePath(), QStringLiteral(".") + GuidString(), ownExtension);
  CSError saveError;
  const QString written = SaveImage(image, writePath, format, false, &saveError, 0, 0, compression);
  if (written.isEmpty()) {
    if (saveError.domain().isEmpty()) return fail(UnexpectedErrorReason());
    if (error) *error = saveError;
    return false;
  }
  if (written != path) {
    if (::rename(QFile::encodeName(written).constData(), QFile::encodeName(path).constData()) != 0) {
      const int failure = errno;
      QFile::remove(written);
      if (error) *error = ErrorForUnixError(kFileOperationWrite, failure);
      return false;
    }
  }
  return true;
}

// ---- Rendering -----------------------------------------------------------------

CSImage DRDrawing::createDrawingImage(bool fromOrigin) {
  DRCanvasHost* view = canvas();
  if (!view) return {};
  const QRectF area = ExportArea(*view);
  if (area.isEmpty()) return {};
  // From the origin the image reaches (0, 0) to the area's far corner.
  const QRectF target = fromOrigin ? QRectF(0, 0, area.right(), area.bottom()) : area;
  if (!IsRenderableSize(target.width(), target.height())) return {};
  const QImage bitmap = RenderArea(*this, view, target, QSize(int(target.width()), int(target.height())));
  if (bitmap.isNull()) return {};
  if (!fromOrigin) {
    // White and clear margins are trimmed away.
    if (std::unique_ptr<CSPixmap> pixmap = CSPixmap::initWithQuartzImage(bitmap)) {
      if (std::unique_ptr<CSPixmap> shrunk = pixmap->createShrunkenPixmap(nullptr, true)) {
        CSImage trimmed = shrunk->createImage();
        if (!trimmed.isNull()) return trimmed;
      }
    }
  }
  return CSImage::initWithCGImage(bitmap, QSizeF(0, 0));
}

QByteArray DRDrawing::pdfOfDrawing() {
  DRCanvasHost* view = canvas();
  if (!view) return {};
  const QRectF area = ExportArea(*view);
  if (area.isEmpty()) return {};
  QByteArray data;
  {
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QPdfWriter writer(&buffer);
    writer.setResolution(72);  // one painter unit per point
    writer.setPageSize(QPageSize(area.size(), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    ExportScope scope(view, false);
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    painter.translate(-area.topLeft());
    {
      GraphicsContextScope context(&painter);
      PaintDrawing(*this, area, ExportMode(*view), view, view);
    }
    if (!painter.end()) return {};
  }
  return data;
}

Kolor DRDrawing::kolorAtPoint(const QPointF& point) const {
  DRCanvasHost* view = canvas();
  if (!view || !std::isfinite(point.x()) || !std::isfinite(point.y())) return g_nilKolor;
  // The point must lie on the image the drawing makes from its origin.
  const QRectF area = ExportArea(*view);
  const QRectF image(0, 0, area.right(), area.bottom());
  if (area.isEmpty() || !image.contains(point)) return g_nilKolor;
  const QRectF pixel(std::floor(point.x()), std::floor(point.y()), 1, 1);
  const QImage bitmap = RenderArea(*this, view, pixel, QSize(1, 1));
  if (bitmap.isNull()) return g_nilKolor;
  return KolorFromColor(bitmap.pixelColor(0, 0));
}

// ---- After saving and reverting ------------------------------------------------

void DRDrawing::attachToSavedFile() {
  // The extension is compared as the save chose its writer by it.
  if (IsFuzzyEqualToString(QFileInfo(filePath()).suffix(), g_drawingExtension)) {
    // Paintings inside groups live in the package as much as top-level ones.
    QList<std::shared_ptr<DRPainting>> paintings;
    FindPaintingsInUse(m_elements, &paintings);
    const QDir images(QDir(filePath()).filePath(QStringLiteral("Images")));
    for (const std::shared_ptr<DRPainting>& painting : paintings) {
      painting->setFilePath(images.filePath(painting->fileName()));
      painting->setMatchesFile(true);
    }
  }
  if (m_documentHost) {
    m_documentHost->clearUndo();
    m_documentHost->newUndoID();
  }
  m_dupOffsetValid = false;
  m_paintingDirty = false;
  m_autosaveTime = ModelServices().currentTime();
  m_autosaveRecoveryDoc = false;
}

void DRDrawing::revert() {
  DRCanvasHost* view = canvas();
  if (m_documentHost) m_documentHost->closeTabsForElements(m_elements);
  if (view) view->unselectAll();

  const QString path = filePath();
  DRModelServices& services = ModelServices();
  const DRDrawFileType type = services.drawFileType(path);
  if (type == kDrawFileNative) {
    // The reader empties the drawing before it reads; when the file no
    // longer reads, the drawing is put back as it was.
    struct Saved {
      DRElementList elements;
      QStringList bitmapGuids;
      QList<Kolor> recentColors;
      CSPrintInfo printInfo;
      QString filePath;
      bool locked, createPreview, showPageBreaks, centerOnPage, scaleToFit, recovery;
      CSImage backgroundImage;
      CSRect backgroundLocation;
      double backgroundOpacity;
      QRect contentFrame;
    } saved{std::move(m_elements),
            m_bitmapGuids,
            m_recentColors,
            printInfo(),
            filePath(),
            isLocked(),
            m_createPreview,
            m_showPageBreaks,
            m_centerOnPage,
            m_scaleToFit,
            m_autosaveRecoveryDoc,
            m_backgroundImage,
            m_backgroundLocation,
            m_backgroundOpacity,
            m_documentHost ? m_documentHost->contentFrame() : QRect()};
    m_elements.clear();
    if (!loadNativeFile(path)) {
      m_elements = std::move(saved.elements);
      m_bitmapGuids = saved.bitmapGuids;
      m_recentColors = saved.recentColors;
      setPrintInfo(saved.printInfo);
      setFilePath(saved.filePath);
      setLocked(saved.locked);
      m_createPreview = saved.createPreview;
      m_showPageBreaks = saved.showPageBreaks;
      m_centerOnPage = saved.centerOnPage;
      m_scaleToFit = saved.scaleToFit;
      m_autosaveRecoveryDoc = saved.recovery;
      m_backgroundImage = saved.backgroundImage;
      m_backgroundLocation = saved.backgroundLocation;
      m_backgroundOpacity = saved.backgroundOpacity;
      m_newPaintings.clear();
      if (m_documentHost && m_documentHost->contentFrame() != saved.contentFrame)
        m_documentHost->setContentFrame(saved.contentFrame);
      return;
    }
  } else if (type == kDrawFileEmf || type == kDrawFileSvg || type == kDrawFileImage) {
    // nullopt: the file could not be read (the importer has said so).
    std::optional<DRElementList> loaded;
    if (type == kDrawFileEmf) {
      loaded = services.loadElementsFromEmfFile(path);
    } else if (type == kDrawFileSvg) {
      loaded = services.loadElementsFromSvgFile(path);
    } else {
      bool canceled = false;
      if (std::shared_ptr<DRPainting> painting = DRPainting::paintingFromFile(path, &canceled)) {
        const QSizeF size = painting->originalSize();
        auto bitmap = std::make_unique<DRElementBitmap>(painting);
        bitmap->setFrame(CSRect{0, 0, MeasureFromDouble(size.width() * double(kMeasurePerPoint)),
                                MeasureFromDouble(size.height() * double(kMeasurePerPoint))});
        loaded.emplace().push_back(std::move(bitmap));
      }
    }
    if (!loaded) return;
    m_elements = std::move(*loaded);
    m_recentColors.clear();
    if (view) view->setScrollOrigin(QPointF(0, 0));
  } else {
    return;
  }

  if (m_documentHost) {
    m_documentHost->clearUndo();
    m_documentHost->newUndoID();
    m_documentHost->validateTabs();
  }
  m_dupOffsetValid = false;
  m_paintingDirty = false;
  CSDocument::revert();
}

// ---- Print options as text -------------------------------------------------------

namespace {

const char* const kPaperKey = "paper";
const char* const kWidthKey = "width";
const char* const kHeightKey = "height";
const char* const kOrientationKey = "orientation";
const char* const kLeftKey = "left";
const char* const kRightKey = "right";
const char* const kTopKey = "top";
const char* const kBottomKey = "bottom";
const char* const kScaleKey = "scale";
const char* const kHCenterKey = "hcenter";
const char* const kVCenterKey = "vcenter";

// Longer texts are not print options.
constexpr qsizetype kMaxPrintInfoText = 4096;

bool ReadNumber(const QJsonObject& object, const char* key, double* value) {
  const QJsonValue v = object.value(QLatin1String(key));
  if (!v.isDouble() || !std::isfinite(v.toDouble())) return false;
  *value = v.toDouble();
  return true;
}

bool ReadBool(const QJsonObject& object, const char* key, bool* value) {
  const QJsonValue v = object.value(QLatin1String(key));
  if (!v.isBool()) return false;
  *value = v.toBool();
  return true;
}

}  // namespace

QString PrintInfoText(const CSPrintInfo& info) {
  QJsonObject object;
  object.insert(QLatin1String(kPaperKey), info.paperName);
  object.insert(QLatin1String(kWidthKey), info.paperSize.width());
  object.insert(QLatin1String(kHeightKey), info.paperSize.height());
  object.insert(QLatin1String(kOrientationKey), int(info.orientation));
  object.insert(QLatin1String(kLeftKey), info.leftMargin);
  object.insert(QLatin1String(kRightKey), info.rightMargin);
  object.insert(QLatin1String(kTopKey), info.topMargin);
  object.insert(QLatin1String(kBottomKey), info.bottomMargin);
  object.insert(QLatin1String(kScaleKey), info.scale);
  object.insert(QLatin1String(kHCenterKey), info.horizontallyCentered);
  object.insert(QLatin1String(kVCenterKey), info.verticallyCentered);
  return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool PrintInfoFromText(const QString& text, CSPrintInfo* info) {
  if (text.size() > kMaxPrintInfoText) return false;
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &parseError);
  if (parseError.error != QJsonParseError::NoError || !document.isObject()) return false;
  const QJsonObject object = document.object();

  CSPrintInfo read;
  const QJsonValue paper = object.value(QLatin1String(kPaperKey));
  if (!paper.isString()) return false;
  read.paperName = paper.toString();
  if (!read.paperName.isValidUtf16()) return false;
  double width = 0, height = 0, orientation = 0;
  if (!ReadNumber(object, kWidthKey, &width) || !ReadNumber(object, kHeightKey, &height) || !(width > 0) ||
      !(height > 0))
    return false;
  read.paperSize = QSizeF(width, height);
  if (!ReadNumber(object, kOrientationKey, &orientation) || (orientation != 0 && orientation != 1)) return false;
  read.orientation = orientation == 1 ? CSPrintInfo::Landscape : CSPrintInfo::Portrait;
  if (!ReadNumber(object, kLeftKey, &read.leftMargin) || !ReadNumber(object, kRightKey, &read.rightMargin) ||
      !ReadNumber(object, kTopKey, &read.topMargin) || !ReadNumber(object, kBottomKey, &read.bottomMargin))
    return false;
  if (read.leftMargin < 0 || read.rightMargin < 0 || read.topMargin < 0 || read.bottomMargin < 0) return false;
  if (!ReadNumber(object, kScaleKey, &read.scale) || !(read.scale > 0)) return false;
  if (!ReadBool(object, kHCenterKey, &read.horizontallyCentered) ||
      !ReadBool(object, kVCenterKey, &read.verticallyCentered))
    return false;
  if (info) *info = read;
  return true;
}

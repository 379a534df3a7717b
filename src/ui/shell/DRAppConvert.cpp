// Converting a file to PDF: the two panels, then the conversion by the
// source's kind. The PDF is written beside the destination under a
// temporary name and takes the destination's place only once it is whole,
// so a failed conversion leaves whatever was there before.

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "interchange/Clipping.h"
#include "model/DRDrawing.h"
#include "model/DRModelServices.h"
#include "platform/PathParts.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/CSImage.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/ImageSaving.h"
#include "support/widgets/CSFilePanel.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DROpenFiles.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellWindows.h"

namespace {

const QString kPdfExtension = QStringLiteral("pdf");
// Largest picture file read into memory for a converter.
constexpr qint64 kMaxConvertedFileBytes = qint64(1) << 30;

QString CantReadReason() {
  return QStringLiteral("I can't read the file.");
}
QString UnexpectedReason() {
  return QStringLiteral("An unexpected error occurred.");
}

// The error's reason, or the unexpected-error text when nothing filled it.
QString ReasonOf(const CSError& error) {
  if (error == CSError()) return UnexpectedReason();
  return error.reason();
}

// The drawing opened in a window of its own, saved as PDF and closed.
QString PdfFromDrawingWindow(QWidget* window, const QString& pdfPath) {
  auto* controller = qobject_cast<DRWindowController*>(CSDocumentWC::controllerOf(window));
  if (!controller || !controller->drawing()) return CantReadReason();
  CSError error;
  const bool saved = controller->drawing()->saveCore(pdfPath, false, &error);
  CloseDrawingWindow(controller);
  return saved ? QString() : ReasonOf(error);
}

// The file's bytes; false when it can't be read whole.
bool ReadSource(const QString& path, QByteArray* data) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxConvertedFileBytes) return false;
  *data = file.readAll();
  return file.error() == QFileDevice::NoError && !data->isEmpty();
}

// Writes the PDF of the source. It goes to `tempPath` or, from a converter
// that makes its own file, wherever `*written` then says; the message of
// the failure, or empty.
QString WritePdf(const QString& source, const QString& tempPath, QString* written) {
  DRModelServices& services = ModelServices();
  *written = tempPath;
  switch (int(services.drawFileType(source))) {
    case kDrawFileClipping: {
      QString picturePath = source;
      QByteArray pdf;
      CSImage image;
      if (!ExtractClipping(picturePath, &pdf, &image)) return CantReadReason();
      CSError error;
      if (image.isNull()) {  // the clipping's own PDF
        if (!WriteDataToFile(pdf, tempPath, false, true, &error)) return ReasonOf(error);
        return QString();
      }
      // A picture the extraction already drew into a temporary PDF.
      if (picturePath != source && IsFuzzyEqualToString(QFileInfo(picturePath).suffix(), kPdfExtension)) {
        *written = picturePath;
        return QString();
      }
      const QString saved = SaveImage(image, tempPath, kImageFormatPDF, false, &error, 0, 0, 1.0);
      if (saved.isEmpty()) return ReasonOf(error);
      *written = saved;
      return QString();
    }
    case kDrawFileNative:
      return PdfFromDrawingWindow(OpenDrawFile(source, QString()), tempPath);
    case kDrawFileSvg: {
      std::optional<DRElementList> elements = services.loadElementsFromSvgFile(source);
      if (!elements) return CantReadReason();
      return PdfFromDrawingWindow(NewDrawingForElements(std::move(*elements), nullptr, source, QString()), tempPath);
    }
    case kDrawFileEmf: {
      QByteArray data;
      if (!ReadSource(source, &data)) return CantReadReason();
      QString pdfPath;
      const CSImage image = services.createImageFromEmf(data, &pdfPath);
      if (!pdfPath.isEmpty()) *written = pdfPath;
      if (image.isNull()) return QStringLiteral("The EMF file has no usable image data.");
      if (pdfPath.isEmpty()) return QStringLiteral("I can't create an output PDF for the file.");
      return QString();
    }
    default:
      break;
  }
  if (services.isQuickdrawFile(source)) {
    QByteArray data;
    if (!ReadSource(source, &data)) return CantReadReason();
    QString pdfPath;
    const CSImage image = services.createImageFromQuickdrawPict(data, true, &pdfPath);
    if (!pdfPath.isEmpty()) *written = pdfPath;
    if (image.isNull() || pdfPath.isEmpty()) return QStringLiteral("I can't interpret the file.");
    return QString();
  }
  const CSImage image = CSImage::initWithContentsOfFile(source);
  if (image.isNull()) return CantReadReason();
  CSError error;
  const QString saved = SaveImage(image, tempPath, kImageFormatPDF, false, &error, 0, 0, 1.0);
  if (saved.isEmpty()) return ReasonOf(error);
  *written = saved;
  return QString();
}

// The PDF of the source in the destination's place; the message of the
// failure, or empty.
QString ConvertToDestination(const QString& source, const QString& destination) {
  const QString folder = ParentFolderOfPath(destination);
  const QString tempPath = (folder.isEmpty() ? QStringLiteral(".") : folder) + QLatin1Char('/') + GuidString() +
                           QLatin1Char('.') + kPdfExtension;
  QString written;
  QString message = WritePdf(source, tempPath, &written);
  if (message.isEmpty()) {
    QString target = destination;
    CSError error;
    if (!SafeFileReplace(written, &target, &error)) message = ReasonOf(error);
  }
  if (!message.isEmpty()) {
    if (!written.isEmpty()) RemoveItemAtPath(written);
    if (written != tempPath) RemoveItemAtPath(tempPath);
  }
  return message;
}

}  // namespace

void DRAppController::convertToPdf(QObject* sender) {
  (void)sender;
  // A PDF is what the conversion makes; it is never a source.
  QStringList types;
  for (const QString& type : g_openTypeArray) {
    if (!IsFuzzyEqualToString(type, kPdfExtension)) types << type;
  }
  const QString source = RunFileOpenPanel(QStringLiteral("Select a file to convert"), types, false).value(0);
  if (source.isEmpty()) return;

  QString destination;
  {
    CSFilePanel panel;
    panel.setAcceptMode(QFileDialog::AcceptSave);
    panel.setFileMode(QFileDialog::AnyFile);
    panel.setWindowTitle(QStringLiteral("Select a location and a name for the converted file"));
    panel.setNameFilter(QStringLiteral("pdf (*.pdf)"));
    panel.setDefaultSuffix(kPdfExtension);
    panel.setDirectory(QFileInfo(source).absolutePath());
    panel.selectFile(StringByReplacingExtension(LastPathComponent(source), kPdfExtension));
    if (ExecDialog(&panel) != QDialog::Accepted) return;
    destination = panel.chosenPaths().value(0);
  }
  if (destination.isEmpty()) return;
  if (!IsFuzzyEqualToString(QFileInfo(destination).suffix(), kPdfExtension)) {
    destination += QLatin1Char('.') + kPdfExtension;
  }
  convertFile(source, destination);
}

QString DRAppController::convertFile(const QString& source, const QString& destination) {
  const QString message = ConvertToDestination(source, destination);
  if (message.isEmpty()) {
    Workspace().showInFinder(destination);
  } else {
    GiveSimpleAlert(QStringLiteral("Can't convert file."),
                    StringWithFormat("I can't convert \"%@\" to \"%@\". %@", LastPathComponent(source),
                                     LastPathComponent(destination), message));
  }
  return message;
}

#pragma once
// Pasteboard helpers every pasteboard user shares: the image types, the
// classifier that decides what a pasteboard offers among a caller's types
// and which type to read it from, the writers of a link and of a plain
// string, and the acceptance of files promised by a drag source.
//
// A pasteboard is a QMimeData; null means the application's clipboard. The
// plain string is "text/plain", RTF, HTML and images go by their MIME names.
// File names are a "text/uri-list" of file: URLs, and "public.url" is that
// list holding an address of another scheme. The other flavours (mail, media
// library, legacy text types) keep their own names as formats.

#include <QString>
#include <QStringList>

class QMimeData;

// What PasteboardDataType found.
enum PasteboardDataKind : int {
  kPasteboardNothing = 0,
  kPasteboardFileNames = 1,
  kPasteboardImage = 2,
  kPasteboardLink = 3,
  kPasteboardText = 4,
};

extern const QString g_plainStringType;       // "text/plain"
extern const QString g_fileNamesType;         // "text/uri-list" (file: URLs)
extern const QString g_urlUti;                // "public.url"
extern const QString g_linkNameUti;           // "public.url-name"
extern const QString g_appleUrlType;          // "Apple URL pasteboard type"
extern const QString g_macTextUti;            // "com.apple.traditional-mac-plain-text"
extern const QString g_plainTextUti;          // "public.plain-text"
extern const QString g_utf16ExternalTextUti;  // "public.utf16-external-plain-text"
extern const QString g_utf16TextUti;          // "public.utf16-plain-text"
extern const QString g_mediaMetadataType;     // "com.apple.itunes.metadata"
extern const QString g_mailMessageType;       // "com.apple.mail.PasteboardTypeMessageTransfer"
extern const QString g_mailAutomatorType;     // "com.apple.mail.PasteboardTypeAutomator"
extern const QString g_rtfType;               // "text/rtf"
extern const QString g_rtfAlternateType;      // "application/rtf"
extern const QString g_rtfdType;              // "com.apple.flat-rtfd"
extern const QString g_htmlType;              // "text/html"
extern const QString g_legacyHtmlType;        // "Apple HTML pasteboard type"
extern const QString g_fileUrlPrefix;         // "file:/"

// Types a host may add: a link type and a text type the classifier takes as
// such. Empty unless the host sets them; this application sets neither.
extern QString g_extraLinkPasteboardType;
extern QString g_extraTextPasteboardType;

// An application delegate that also implements this may decline file-name
// drops it can't use (see CSKernel::appDelegate()).
class CSClipSupporter {
 public:
  virtual ~CSClipSupporter() = default;
  // True when the application can open at least one of the paths.
  virtual bool canReadAnyFile(const QStringList& paths) const = 0;
};

// The image types, in order JPEG, JPEG 2000, TIFF, GIF, PNG and BMP, then
// every other type Qt reads images from; made once, kept for the process.
const QStringList& PasteboardImageTypes();

// Whether the pasteboard offers the type: the formats, file names and
// "public.url" as described above.
bool PasteboardHasType(const QMimeData* pasteboard, const QString& type);
// The first of the types the pasteboard offers; empty when none.
QString AvailablePasteboardType(const QMimeData* pasteboard, const QStringList& types);

// A link dragged from the mail application: an address, two or more items
// and a mail message string.
bool PasteboardContainsMailLink(const QMimeData* pasteboard);

// What the pasteboard offers among the caller's acceptable types, and
// through `chosenType` (may be null) the type to read it from (empty when
// none).
PasteboardDataKind PasteboardDataType(const QMimeData* pasteboard, const QStringList& types, QString* chosenType);

// Replaces the pasteboard's contents with a link: the address as the plain
// string (and the extra type when given), the URL, and the title as
// "public.url-name" unless it is empty. A failure is logged as "Copy link
// failed"; the pasteboard may then be partly written.
void CopyLinkToPasteboard(QMimeData* pasteboard, const QString& address, const QString& title,
                          const QString& extraType);
// Replaces the pasteboard's contents with the plain string alone; a failure
// is logged as "Copy string failed".
void CopyStringToPasteboard(QMimeData* pasteboard, const QString& string);

// ---- Promised files ----

// The drag source side of a drag with promised files.
class CSPromisedFileSource {
 public:
  virtual ~CSPromisedFileSource() = default;
  // Asks the source to write its files into the folder; the names (or file
  // URLs) of the files it promises.
  virtual QStringList namesOfPromisedFilesDroppedAtDestination(const QString& folder) = 0;
};

// Prepares a fresh folder in the temporary directory for the promised files
// and appends their paths to `paths`, in reverse order of the names. False
// (leaving nothing behind) when the offered types hold two or more image
// types (the drag is then read as images), the folder can't be made or no
// names come. Names are kept inside the folder: a name is reduced to its
// last component and a file URL elsewhere is skipped.
bool PrepareForPromisedFiles(CSPromisedFileSource& source, const QStringList& offeredTypes, QStringList* paths);

// Takes the files that arrived in the promised folder, matched to the
// promised names by position in the folder listing sorted by name, renames
// each to "." plus the promised name with the arrived file's extension, and
// answers the new paths. Consumes `paths` as names are matched; a failed
// rename drops that file.
QStringList KeptPromises(QStringList* paths);

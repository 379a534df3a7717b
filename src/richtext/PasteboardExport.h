#pragma once
// The last step of the engine's copy: putting the clipboard document on a
// pasteboard. StartSettingClipboard opens the copy, the Store functions add
// one form each (TIFF and the picture's GUID for a picture; RTF, HTML and
// the plain string for text) and FinishSettingClipboard hands the forms to
// the application's clipboard in one piece and notes its change count. The
// engine only writes; nothing here reads a pasteboard. Main thread only.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

class QMimeData;
struct KnotFormat;
struct PictureEntry;

// The pasteboard a copy writes to when set (a view copying to a pasteboard
// of its own); not owned. Null: the application's clipboard.
extern QMimeData* g_copyPasteboard;
// The clipboard's change count right after the engine last wrote to it.
extern int64_t g_clipboardCounter;
// The picture's GUID string goes under this type beside its TIFF.
extern const QString g_pictureGuidClipboardType;  // "cvb.pictureGuid"
extern const QString g_tiffClipboardType;         // "image/tiff"

// The application clipboard's change count: how many times Qt reported a
// change of its contents (QClipboard::dataChanged) since the engine first
// asked. 0 without a QGuiApplication.
int64_t ClipboardChangeCount();

// Opens a copy of the document by its content kind: a picture (1 or 2) or
// text (3); nothing is written for any other kind. A copy to
// g_copyPasteboard empties it now; a copy to the clipboard is gathered
// apart and replaces the clipboard's contents when it is finished.
void StartSettingClipboard(CorvaneDoc* doc);
// The picture as TIFF and its GUID string. `scale` is in thousandths, 0,
// 1,000 and 16,383 meaning unscaled; a scaled picture (and one from a PDF
// file) is drawn afresh at its size times the scale, each side rounded up
// to a whole point. A size past the bitmap caps (support/Bitmaps.h) or the
// decode limit is not drawn scaled. The GUID is stored even without TIFF.
void StoreImageOnClipboard(const PictureEntry* picture, uint32_t scale);
// The RTF as 7-bit data under "text/rtf"; nothing when the text holds a
// character beyond 7 bits.
void StoreRTFOnClipboard(const QString& rtfText);
// The text under the plain string type, or under any type.
void StoreStringOnClipboard(const QString& text);
void StoreStringOnClipboardCore(const QString& text, const QString& type);
// The document's HTML (through the attributed export) when rich formats and
// HTML export are on; a failure to make it is logged as "HTML export
// failed. %@".
void StoreFormattedTextOnClipboard(CorvaneDoc* doc);
// Ends the copy: the gathered forms go onto the clipboard and, unless a
// pasteboard of the copy's own was set, its change count into
// g_clipboardCounter.
void FinishSettingClipboard();

// The link's address and shown text onto the application's clipboard
// (CopyLinkToPasteboard).
void CopyCorvaneLink(const KnotFormat& link);

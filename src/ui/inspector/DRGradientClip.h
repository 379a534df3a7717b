#pragma once
// The gradient as it travels between the gradient wells and collections: an
// XML text whose one element "gradient" is the record the drawing file
// writes, stored as a string under "twdraw.clip.gradient". Any program can
// put text under that type, so the reader takes only what the editing
// controls can hold: 2 to 10 stops at positions from 0 to 1, a centre within
// the shape and an angle within a turn either way.

#include <QString>
#include <memory>
#include <optional>

#include "model/DRGradient.h"

class CSDragPasteboard;
class QDropEvent;
class QMimeData;
class QObject;

extern const QString g_gradientPasteboardType;  // "twdraw.clip.gradient"
extern const QString g_gradientXMLTag;          // "gradient"

// What a transfer record may hold.
constexpr size_t kMinTransferStops = 2;
constexpr size_t kMaxTransferStops = 10;
constexpr int64_t kMaxTransferAngle = 4572000;        // 360 degrees
constexpr int64_t kMaxTransferCenter = 12700;         // 1.0 either way
constexpr qsizetype kMaxTransferRecordChars = 65536;  // far above ten stops

// Whether the editing controls can hold the gradient: its stop count, stop
// positions, centre and angle within the limits above.
bool IsTransferableGradient(const DRGradient& gradient);

// The record's text.
QString GradientTransferRecord(const DRGradient& gradient);
// The gradient of a record; nullopt when the text is not one (its first tag
// is not "gradient", it does not read, or it breaks the limits).
std::optional<DRGradient> GradientFromTransferRecord(const QString& text);

// The string under the gradient type: our own drag pasteboard's string, or
// the UTF-8 text another program offers; null when there is none.
QString GradientStringFromPasteboard(const QMimeData* pasteboard);
// The gradient a drop carries, read as above.
std::optional<DRGradient> GradientFromPasteboard(const QMimeData* pasteboard);

// The gradient of a drop on `target` that `takes` (the target's own test of
// the drop's pasteboard), the drop accepted as a copy; none, and the drop
// refused, when the drag is the target's own, is not taken or carries no
// gradient.
std::optional<DRGradient> TakeGradientDrop(QDropEvent* event, const QObject* target, bool takes);
// A new drag pasteboard holding the gradient's record.
std::unique_ptr<CSDragPasteboard> GradientDragPasteboard(const DRGradient& gradient);

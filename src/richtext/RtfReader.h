#pragma once
// The RTF reader: RTF text in the engine's dialect (RtfDialect.h), standard
// RTF and the platform's rich-text conventions read into a document through
// the editing code: the file's styles, the text with its character and
// paragraph formatting, links, checkboxes, dividers, tables and pictures.
// Input it cannot read is refused with one of the tokenizer's two messages;
// malformed input is read a second time leniently (after the first pass's
// text is taken out again) when the document has a kind. Main thread only.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <functional>

#include "support/CSImage.h"

struct CorvaneDoc;

// Caps of the reader besides the tokenizer's nesting depth: styles beyond
// the document's style cap map to "Normal", tab stops beyond the record's
// 25 are dropped, cells beyond a row's cap go into its last cell, and
// picture data beyond the image cap is dropped with its picture.
constexpr uint32_t kMaxRtfStyles = 4000;
constexpr uint32_t kMaxRtfTabs = 25;
constexpr qint64 kMaxRtfPictureBytes = kMaxImageFileBytes;
// The scale of a picture fitted to its cell.
constexpr uint32_t kRtfFitPictureScale = 16383;

enum class RtfImportResult {
  kFailed,   // refused; the message says why
  kDone,     // read whole
  kLenient,  // malformed, and read again leniently
};

// The picture formats the engine does not decode itself; the interchange
// layer converts them. Without a decoder such a picture is skipped.
enum class RtfPictureFormat { kEmf, kQuickdraw };
using RtfPictureDecoder = std::function<CSImage(const QByteArray& data, RtfPictureFormat format)>;
void SetRtfPictureDecoder(RtfPictureDecoder decoder);

// Reads the RTF into the document at the end of its text. `textWidth` (0:
// 6.5 inches) turns the platform's right indents into the engine's;
// `pictureFolder` is the folder of an RTFD whose attachments are loaded
// (empty for plain RTF). True when the text was read, also after a lenient
// second reading, which leaves the malformed message in *outMessage; false
// with the first message otherwise (what was read before a failure stays).
bool ImportRtf(CorvaneDoc* doc, QByteArrayView rtf, int64_t textWidth, uint32_t option,
               const QString& pictureFolder, QString* outMessage);
// The same, telling a whole reading from a lenient one.
RtfImportResult ImportRtfCore(CorvaneDoc* doc, QByteArrayView rtf, int64_t textWidth, uint32_t option,
                              const QString& pictureFolder, QString* outMessage);

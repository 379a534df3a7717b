#pragma once
// Reads the engine's own documents into a CorvaneDoc: a package folder
// ("structure.xml", "format.xml", "document.txt" and an "Images" folder) or
// the single-file V2 form rooted at "corvane". Every read ends with the
// document checked whole (ValidateDocument); a failed read leaves the
// document partly filled for the caller to destroy. Main thread only.

#include <QString>
#include <cstdint>

class CSXmlDecoder;
struct CorvaneDoc;

// The package extensions (compared without regard to case).
extern const QString g_nativePackageExtension;   // "ZEduzez"
extern const QString g_nativeAutosaveExtension;  // "ZEduzez_autosave"

// The reasons a read gives the user.
extern const QString g_nativeDamagedReason;      // "The document has been damaged."
extern const QString g_nativeLaterVersionReason;
extern const QString g_nativeNoMemoryReason;     // "I can't allocate memory for the document's text."

// The newest format version read.
constexpr int32_t kNativeFormatVersion = 2;

// Caps of the reader.
constexpr uint32_t kMaxNativeRecords = 1000000;  // property records
constexpr uint32_t kMaxNativeKnots = 1000000;
constexpr uint32_t kMaxNativeRuns = 1000000;     // of each kind
constexpr uint32_t kMaxNativePictures = 1000000;
constexpr uint32_t kMaxNativeFontNames = 65535;
constexpr int64_t kMaxNativeImageBytes = int64_t(1) << 30;  // all pictures of a document together

// Where pictures named by a full path may come from: only documents of the
// application's own (the help document) may name files anywhere.
enum class NativeSource { kForeign, kOwn };

// Reads a package (by its extension) or a V2 file into a document made by
// NewCorvaneDoc. On failure *reason is a text for the user, or null when the
// content was malformed without one.
bool ReadNativeFile(CorvaneDoc* doc, const QString& path, QString* reason,
                    NativeSource source = NativeSource::kForeign);
// Reads the V2 form from a reader given the engine's key table.
bool ReadV2Xml(CorvaneDoc* doc, CSXmlDecoder& reader, QString* reason, NativeSource source = NativeSource::kForeign);
// Reads the V2 form from its text.
bool ImportCvnx(CorvaneDoc* doc, const QString& text, QString* reason);

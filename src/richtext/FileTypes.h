#pragma once
// Classifying files by the kind of text they hold, for opening. Extensions
// are compared without regard to case; a type code travels with a file in
// its Finder-information attribute, when it has one. Main thread only.

#include <QString>
#include <QStringList>
#include <cstdint>

enum TextFileType : uint32_t {
  kTextFileUnknown = 0,             // unknown or missing
  kTextFileMail = 1,                // "eml"
  kTextFileFolder = 2,
  kTextFileHtml = 3,                // HTML, or another of the open file types
  kTextFileNative = 4,              // "ZEduzez", "ZEduzez2"
  kTextFileOutline = 5,             // "opml"
  kTextFileImage = 6,               // an image extension
  kTextFilePicture = 7,             // "pict", "pic", type code 'PICT'
  kTextFileRtf = 8,
  kTextFileRtfd = 9,                // "rtfd"
  kTextFileTextClipping = 10,       // "textClipping"
  kTextFilePictureClipping = 11,    // "pictClipping"
  kTextFileStickies = 12,           // "stickies"
  kTextFilePlain = 13,
  kTextFileWebLocation = 14,        // "webloc"
  kTextFileWordDocument = 15,       // "doc"
  kTextFileWordDocumentCode = 16,   // type code 'WDBN'
};

// A four-character type code in its string form ("'TEXT'").
QString FileTypeForTypeCode(uint32_t code);

// The extensions and type codes read as plain text: "txt", "text",
// "ZEduzez2", 'TEXT', then the technical text types. Built once.
const QStringList& PlainTextTypes();
// Builds the list of everything the engine opens: its own formats, the
// RTF and word-processor type codes, the plain-text list, the MIME types the
// text readers take, "docx", "eml", "emlx", "textClipping", "webloc",
// "opml", "stickies".
void SetOpenFileTypes();
// Empty until SetOpenFileTypes has run.
const QStringList& OpenFileTypes();

// The kind of the file or folder at the path; 0 for no path or no item.
TextFileType GetFileType(const QString& path);
// A kind other than unknown and folder.
bool CanOpenFile(const QString& path);

#pragma once
// Converts the help's markup (one UTF-8 file per chapter, "NN-slug.help")
// into an engine document ready for WriteNativePackage: each chapter a
// chapter knot named with its level's leading tabs, then its title and its
// paragraphs, headings, bullet and numbered lists, pictures, bold and italic
// runs, bookmarks with "bookref" variables for cross-references and link
// knots for web addresses. The markup is ours, so anything it does not
// define is refused with the file and line where it stands.
//
// Lines of a file:
//   @chapter NN top|sub|third Title   the first line
//   @bookmark name                    marks the next paragraph ([a-z0-9-])
//   # Heading    - bullet    1. step  one line each
//   @picture file.png                 a PNG of the pictures folder
//   plain lines                       join into a paragraph up to a blank line
// Inline: *bold*, _italic_, [[see:name|shown]], [[https://...|shown]],
// {Key+Chord} (shown as written), and the escapes \* \_ \[ \{ \\.

#include <QList>
#include <QString>

struct CorvaneDoc;

struct HelpMarkupFile {
  QString name;  // the file's name, "04-rectangle-tool.help"
  QByteArray data;
};

struct HelpMarkupError {
  QString file;
  int line = 0;  // 1-based; 0 when the fault is the set of files as a whole
  QString message;
  // "file:line: message", as build tools report.
  QString text() const;
};

// The face the help's text is set in.
extern const QString g_helpFontName;  // "DejaVu Sans"

// Builds the help document from the files (in any order; chapters are put
// in order of their numbers, which must run from 0 without a gap), taking
// pictures from `pictureFolder`. Null with the error on refusal; the caller
// owns the document (DestroyDocument).
CorvaneDoc* BuildHelpDocument(const QList<HelpMarkupFile>& files, const QString& pictureFolder,
                              HelpMarkupError* error);
// The same for every "*.help" file of a folder, pictures from its "images".
CorvaneDoc* BuildHelpDocumentFromFolder(const QString& folder, HelpMarkupError* error);

// The help view draws nothing for checkboxes, "?" for variables other than
// bookmark references, dates, links and times, and reads marks of the empty
// knot type as blanks: a help document holds none of them. False with the
// offending cp in the reason otherwise.
bool CheckHelpDocumentRules(CorvaneDoc* doc, QString* reason);

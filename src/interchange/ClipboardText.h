#pragma once
// Text on the clipboard as the drawing pastes it: the plain string, HTML
// (read through QTextDocument) and RTF, the style a pasted text element
// takes from the text's first character, and the picture of a text that a
// painting pastes.

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <optional>

#include "support/CSAttributedString.h"
#include "support/CSImage.h"

class DRTextInfo;

// The most text, RTF or HTML a paste reads; larger data is not read.
constexpr qsizetype kMaxClipboardTextBytes = qsizetype(64) * 1024 * 1024;

// RTF for a text element's styled text: the text in the style of its first
// character (font, size, traits, colours, spacing, paragraph alignment),
// written by the engine's RTF writer as 7-bit data; empty for empty text.
// Styled text from RTF: read by the engine's RTF reader (with its caps) and
// turned into runs like HTML below; nullopt for unreadable, empty or
// oversized data.
QByteArray ClipboardRtfFromText(const CSAttributedString& text);
std::optional<CSAttributedString> ClipboardTextFromRtf(const QByteArray& rtf);

// HTML as styled text: each paragraph's fragments with their character
// formats, paragraphs joined by line feeds, the first paragraph's alignment
// on the first run when the HTML sets one. nullopt for empty or oversized
// data.
std::optional<CSAttributedString> ClipboardTextFromHtml(const QByteArray& html);

// The text of one type of the pasteboard: its plain string, and its styled
// text when the type is a styled one ("text/rtf", "application/rtf",
// "text/html"). A styled type that can't be read falls back to the plain
// string when the pasteboard has one. nullopt when there is no text, or
// more than kMaxClipboardTextBytes.
struct DRClipboardText {
  QString plain;
  std::optional<CSAttributedString> styled;
};
std::optional<DRClipboardText> ReadClipboardText(const QMimeData* pasteboard, const QString& type);

// The first text type the pasteboard offers, styled ones first; empty when
// none.
QString ClipboardTextType(const QMimeData* pasteboard);

// The style of a pasted text element from the text's first character: the
// font (where the text names one, its unset parts from the style's font),
// the foreground as the text colour and the background as the back colour
// where set, underlined exactly when the character is, and the paragraph's
// alignment where set.
void ApplyClipboardTextStyle(const CSAttributedString& text, DRTextInfo* style);

// The width, in points, at which the picture of a pasted text is laid out
// for a painting `width` points wide: at least 100, less 32.
double ClipboardTextLayoutWidth(double width);

// The text laid out ClipboardTextLayoutWidth(width) points wide and drawn on
// a transparent image of the laid-out size; nil for empty text or an image
// that can't be made.
CSImage CreateImageOfClipboardText(const CSAttributedString& text, double width);

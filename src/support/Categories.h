#pragma once
// Small helpers over strings, paths, string lists and maps that the whole
// system shares: GUID strings, loose comparison, file-name manipulation, HTML
// and percent escaping, typographic quotes, title case, clean-up and
// excerpts, and reading text of an unknown encoding.
//
// A null QString stands for "no string": the fuzzy comparisons answer false
// for it, and functions that find nothing to answer return one.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <cstdint>
#include <limits>

// The "not found" index of the searches below: the largest signed value.
constexpr qsizetype kStringNotFound = std::numeric_limits<qsizetype>::max();

// ---- Strings and paths -----------------------------------------------------------

// A new UUID in its standard text form, upper-case hexadecimal with hyphens.
QString GuidString();
QString NumberString(int value);          // "%d"
QString LongNumberString(int64_t value);  // "%qd"

// A path inside the home folder as "~" plus the rest; the home folder itself
// and any other path stay as they are.
QString AbbreviateHomeFolderPath(const QString& path);
// The last component without trailing slashes; "/" for the root.
QString LastPathComponent(const QString& path);
QString FileNameMinusExtension(const QString& path);
// The path with a component appended and, when not empty, the extension.
QString StringByAppendingFile(const QString& path, const QString& file, const QString& extension);
// The path without its extension, plus the new one when not empty.
QString StringByReplacingExtension(const QString& path, const QString& extension);
// The path's folder plus a new name and (when not empty) extension.
QString StringByReplacingFile(const QString& path, const QString& file, const QString& extension);

bool IsFuzzyEqualToString(const QString& s, const QString& other);  // case-insensitive; false for null
// False for a null or empty prefix or suffix.
bool HasFuzzyPrefix(const QString& s, const QString& prefix);
bool HasFuzzySuffix(const QString& s, const QString& suffix);
// Case-insensitive search from `start`; kStringNotFound for an empty `find` or a
// start at or past the end.
qsizetype IndexOfStringStartingAt(QStringView s, QStringView find, qsizetype start);
qsizetype NumberOfOccurrencesOfString(QStringView s, QStringView find);  // non-overlapping
// The characters from `from` up to `to` (clamped to the length); empty when
// `from` is at or past the end.
QString SubstringFrom(const QString& s, qsizetype from, qsizetype to);
// The index of the first character from `index` on that is not white space,
// with that character in *character; past the end, the end and a space.
qsizetype NextNonSpace(QStringView s, qsizetype index, char16_t* character);
// For a one-character string, that character (when it is a complete
// character by itself); else 0.
char16_t ValidateFirstUnicodeCharacter(QStringView s);
bool IsOnStopList(QStringView word);
// The encoding code (TextUtilities.h) of a character-set name, ignoring case; 0 when unknown.
uint32_t IdentifyStringEncoding(QStringView name);

// Percent-escaping: ASCII letters, digits, "-", "~" and "_" stay; "." stays
// unless `periods`; a line feed stays unless `returns`; everything else is
// written as "%XX" per UTF-8 byte.
QString EncodeIncludingPeriods(const QString& s, bool periods, bool returns);
// Percent escapes replaced, as UTF-8; a null string when an escape is
// malformed or the bytes are not UTF-8.
QString DecodeString(const QString& s);

// Trims both ends and normalises the inside: line breaks become "\n" (runs
// collapse) or a space, runs of white space one space, control characters
// (and, if asked, punctuation) go. A null string when nothing is left.
QString CleanUp(const QString& s, bool keepReturns = false, bool stripPunctuation = false);
// An excerpt of the line around the key at keyIndex, cut to maxLength (100
// when 0) at white space and cleaned up; empty when the key is not inside.
QString Extract(const QString& s, qsizetype keyIndex, qsizetype keyLength, qsizetype maxLength = 0,
                bool stripPunctuation = false);

// The left and right double, then the left and right single quotation marks
// of a locale; the typographic English ones when the locale has only straight ones.
QString TypographicQuotesForLocale(const QLocale& locale);
// The typographic quote for a straight one; other characters unchanged. The
// quote characters come once from the user's first language.
char16_t QuoteForCurrentChar(char16_t c, char16_t previous, char16_t next);
// Every straight quote replaced; `previous` is the character before the string.
QString StringBySubstitutingQuotes(const QString& s, char16_t previous);
// Each word lowered with its first letter raised, except stop words after the
// first word and the endings of contractions ("cat's", "we'll").
QString TitleCase(const QString& s);
// A lower-cased sort key of the words without punctuation and stop words.
QString SortTitleString(const QString& s);

// ---- Mutable strings --------------------------------------------------------------

// Control characters other than tab, LF and CR, and U+FFFE and U+FFFF,
// become spaces, then & > < " become entities.
QString CreateEscapedStringForHtml(const QString& s);
// Appends the text escaped as CreateEscapedStringForHtml does it; the XML
// writer escapes its values with it too.
void AppendEscapedForHtml(QString& out, QStringView s);
QString CreateUnescapedStringForHtml(const QString& s);
// Replaces the named entities "&quot;" "&lt;" "&gt;" "&apos;" "&nbsp;"
// "&amp;" by their characters and removes any other entity.
void UnescapeForHtml(QString& s);
// The character of one of those named entities, given without "&" and ";"
// ("amp" gives '&'), or 0 for any other name.
char16_t CharacterForHtmlEntity(QStringView name);
// Deletes [from, to) with `to` clamped, when `from` is inside and not after `to`.
void DeleteCharactersFrom(QString& s, qsizetype from, qsizetype to);
// Inserts a space before every upper-case letter that follows a lower-case
// one; with lowerFollowing, lowers that letter when a lower-case one follows.
// *firstSpace receives the first space found or inserted (0 when none).
bool RemoveCamelCase(QString& s, bool lowerFollowing, qsizetype* firstSpace);
// Text of an unknown encoding: a UTF-16 byte-order mark decides, else UTF-8,
// else Mac OS Roman; the encoding used goes to *encoding.
QString StringFromDataInUnknownFormat(const QByteArray& data, const QString& path, uint32_t* encoding);

// ---- Collections -----------------------------------------------------------------

// Binary search of a case-insensitively sorted list; *index receives the
// found index or the insertion point.
bool IsStringInSortedArray(const QStringList& list, const QString& s, qsizetype* index);
// The first index whose string is fuzzily equal; kStringNotFound for an empty
// string or list.
qsizetype IndexOfStringInArray(const QStringList& list, const QString& s);
bool ContainsString(const QStringList& list, const QString& s);
int64_t IntegerAtIndex(const QVariantList& list, qsizetype index);  // 0 outside the list
bool BoolForKey(const QVariantMap& map, const QString& key);        // false when absent
double FloatForKey(const QVariantMap& map, const QString& key);     // 0 when absent
int64_t IntegerForKey(const QVariantMap& map, const QString& key);  // 0 when absent

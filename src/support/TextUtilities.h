#pragma once
// Plain functions over characters and strings shared by the whole program:
// character classes (with a table for the first 256 code units), case of
// single characters, word and sentence limits over text reached through a
// fetch callback, selection extension while dragging, trimming, comparison,
// four-character codes, text encodings and names of people.
//
// A null QString stands for "no string" where a function says so.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>

// ---- Character classes ---------------------------------------------------------

// Tested in this order: lower-case letter, upper-case letter, white space or
// line end, decimal digit, punctuation or symbol, control character.
enum : uint32_t {
  kCharOther = 0,
  kCharUpperCase = 1,
  kCharLowerCase = 2,
  kCharDigit = 3,
  kCharSpace = 4,
  kCharPunctuation = 5,  // punctuation or symbol
  kCharControl = 6,
};

uint32_t TypeOfChar(char16_t c);
// The class computed from the character sets alone, without the table; the
// table for 0-255 is filled from it.
uint32_t TypeOfCharFromSets(char16_t c);
// TypeOfChar of the code unit at the index; kCharOther outside the string.
uint32_t TypeOfStringChar(QStringView string, qsizetype index);

bool CharIsLetter(char16_t c);          // classes 1-2
bool CharIsLetterOrNumber(char16_t c);  // classes 1-3
bool CharIsSpaceOrNumber(char16_t c);   // classes 3-4
bool CharIsSpaceOrPunct(char16_t c);    // classes 4-5
bool CharIsLineBreak(char16_t c);       // LF, VT, FF, CR, NEL, U+2028, U+2029
bool CharIsCurrency(char16_t c);

// Latin-1 letters directly; other letters through their single-unit case
// form, when there is one; everything else unchanged.
char16_t UpperCaseChar(char16_t c);
char16_t LowerCaseChar(char16_t c);

QString LowerCaseString(const QString& s);
QString UpperCaseString(const QString& s);
// The title-case form of Categories.h.
QString TitleCaseString(const QString& s);

// ---- Strings -------------------------------------------------------------------

// A copy without leading and trailing white space and line ends.
QString TrimString(const QString& s);
// CleanUp of Categories.h with its two flags; a null string when nothing is left.
QString CleanUpString(const QString& s, bool keepReturns, bool stripPunctuation);

// -1, 0 or 1 in UTF-16 order; a null string sorts before any string, two
// null strings are equal.
int CompareStrings(const QString& a, const QString& b);
int CompareStringsNoCase(const QString& a, const QString& b);

// Case-insensitive search from `start`; 0xFFFFFFFF when `s` is empty or
// nothing is found.
uint32_t IndexOfString(QStringView s, QStringView sub, qsizetype start);

bool IsWordOnStopList(QStringView word);
// The character to insert for a typed one: a typographic quote in place of a
// straight one, given the characters around it.
char16_t SubstituteQuotes(char16_t current, char16_t previous, char16_t next);

// Four-character codes: the 32-bit value's bytes from the most significant
// down, as Mac OS Roman text.
QString StringFromTag(uint32_t tag);
uint32_t TagFromString(const QString& s);      // 0 for fewer than 4 characters
uint32_t TagFromData(const QByteArray& data);  // 0 for fewer than 4 bytes; big-endian

// Text encodings known by name. Values are codes of our own; 0 is unknown.
enum StringEncoding : uint32_t {
  kUnknownStringEncoding = 0,
  kASCIIStringEncoding = 1,
  kUTF8StringEncoding = 4,
  kISOLatin1StringEncoding = 5,
  kUTF16StringEncoding = 10,
  kWindowsCP1251StringEncoding = 11,
  kWindowsCP1252StringEncoding = 12,
  kWindowsCP1253StringEncoding = 13,
  kWindowsCP1254StringEncoding = 14,
  kWindowsCP1250StringEncoding = 15,
  kISO2022JPStringEncoding = 21,
  kJapaneseEUCStringEncoding = 3,
  kShiftJISStringEncoding = 8,
  kMacOSRomanStringEncoding = 30,
  kISOLatin2StringEncoding = 9,
  kUTF16BigEndianStringEncoding = 0x90000100,
  kUTF16LittleEndianStringEncoding = 0x94000100,
  kUTF32StringEncoding = 0x8c000100,
  kUTF32BigEndianStringEncoding = 0x98000100,
  kUTF32LittleEndianStringEncoding = 0x9c000100,
};
// The decoder name of an encoding, for QStringDecoder; null for unknown codes.
const char* StringEncodingName(uint32_t encoding);
// Decodes bytes in an encoding; a null string when the encoding is unknown
// or the bytes are not valid text in it.
QString StringFromBytesInEncoding(const char* bytes, qsizetype length, uint32_t encoding);

// Decodes `length` bytes and copies the UTF-16 units into `buffer` when they
// fit in *capacity, answering their count. When they do not fit, *capacity
// receives the count needed and 0 is answered; 0 also for empty or
// undecodable text.
uint32_t ConvertRawTextToUnicode(const char* bytes, qsizetype length, uint32_t encoding, char16_t* buffer,
                                 uint32_t* capacity);

uint32_t UnicodeLength(const QString& s);

// "www.example.org" -> "http://www.example.org"; other text unchanged.
QString NormalizeWwwLink(const QString& s);

// Splits a person's name into given names and surname, keeping particles
// ("van", "de la", ...) and a final initial or suffix with the surname.
void DecomposeName(const QString& name, QString* first, QString* last);

// ---- Word and sentence limits ------------------------------------------------------

// Answers the UTF-16 unit at `position`; setting *stop ends the scan there.
using FetchCharProc = char16_t (*)(int32_t position, void* context, bool* stop);
// The callback over a QString passed as the context (a const QString*).
// Positions outside the string answer 0 and set the stop flag.
char16_t FetchCharacterFromString(int32_t position, void* string, bool* stop);

int32_t StartOfWord(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context);
int32_t EndOfWord(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, bool includeBlanks, void* context);
int32_t StartOfSentence(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context);
int32_t EndOfSentence(int32_t cp, int32_t minCp, int32_t maxCp, FetchCharProc fetch, void* context);

// Moves the free end of the selection [*start, *end) to `cp` while the
// pointer drags, calling `invert(from, to, context)` for every range whose
// highlight flips. minCp and maxCp bound the unit (word, line) at the anchor.
// Answers whether *end > *start afterwards.
using InvertRangeProc = void (*)(int32_t from, int32_t to, void* context);
bool ChangeLinearSelection(int32_t cp, int32_t anchor, int32_t* start, int32_t* end, int32_t minCp, int32_t maxCp,
                           InvertRangeProc invert, void* context);

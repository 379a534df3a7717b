#pragma once
// Finding, naming and matching fonts. Font names from drawings, RTF and SVG
// are mapped to a face that exists here, so text always has a real font.
//
// Sizes: a font's point size is its size in units of user space (one point
// is one unit at 100 % zoom), whatever the device; the text functions lay
// text out on that basis (TextDrawing.h).
//
// A face has three names that all resolve to it: its family and style
// ("DejaVu Sans Bold"), a compact form without blanks ("DejaVuSans-Bold",
// "DejaVuSans" for the regular face), and for the regular face the family
// name alone. The compact form is the one MapFontName and FontName answer.

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

// Longest font name looked up; longer names count as unknown.
constexpr int kMaxFontNameLength = 256;
// Limits of a stored font descriptor.
constexpr int kMaxFontDescriptorLength = 512;
constexpr double kMinFontSize = 0.5;
constexpr double kMaxFontSize = 4096;

// True when the name (ignoring case) is a family or face that is installed.
// The list is made once per process; names beginning with "." never count.
bool FontExists(const QString& name);

// The compact name of the face the font resolves to.
QString FontName(const QFont& font);

// The named face at the size (points); an unknown name is first mapped by
// MapFontName, so the answer always names an installed face.
QFont FontWithName(const QString& name, double size);

// An installed face's name for a possibly foreign, family-only or
// style-suffixed name. An empty or unknown name gives the name of
// UserFont(12) with *substituted set; otherwise *substituted is cleared.
QString MapFontName(const QString& name, bool* substituted = nullptr);

// The application's default text face: "HelveticaNeue" when installed, else
// the system's general font; the choice is made once per process. A size
// that is not positive means 12.
QFont DefaultUserFontOfSize(double size);

// The face the application names through SetDefaultFontNameProvider when it
// exists, else DefaultUserFontOfSize.
QFont UserFont(double size);
void SetDefaultFontNameProvider(std::function<QString()> provider);

// The system's interface font at a size in points; its standard and small
// sizes, converted so that text looks as large as the interface's.
QFont SystemFont(double size);
double SystemFontSize();
double SmallSystemFontSize();

// The font at the point size a widget needs to show it as large as the
// canvas does at 100 % (widgets count points at the screen's resolution).
QFont WidgetFont(const QFont& font);

// The font resized in proportion to the change from oldBase to newBase:
// ceil(size x newBase size / oldBase size). A font of oldBase's family
// becomes newBase, bold or not as it was relative to the bases; any other
// font is only resized. An old base without a size leaves the size alone.
QFont MutateFont(const QFont& font, const QFont& oldBase, const QFont& newBase);

// The font with the name of the face it is drawn with, when it has none: a
// font chooser then selects that face rather than guessing one (without a
// name it can pick a slanted face for an upright font).
QFont FontWithStyleName(const QFont& font);

// A font as stored text, and back. Reading refuses (false, with a reason)
// text that is too long, does not parse, has no family or a size outside
// kMinFontSize..kMaxFontSize; a family that is not installed is mapped.
QString FontDescriptor(const QFont& font);
bool FontFromDescriptor(const QString& descriptor, QFont* font, QString* reason = nullptr);

// The font stored under the key in the application's settings. Missing, it
// gives a copy of the fallback (DefaultUserFontOfSize(12) without one);
// unreadable, the same after logging "LoadFontFromPrefs failed".
QFont LoadFontFromPrefs(const QString& key, const QFont* fallback = nullptr);

// A name as lower-case words: split at blanks, punctuation and symbols
// (dropped), at a change from lower to upper case, and before the last
// capital of a run of capitals that a lower-case letter follows
// ("TimesNewRomanPS-BoldMT" -> times new roman ps bold mt).
QStringList FontNameComponents(const QString& name);
// How well `second` matches `first`: minus the difference in counts, +5 for
// each component of `second` found in `first`, else +1 when `first`'s
// component at the same position starts with it.
int MatchFontNameComponents(const QStringList& first, const QStringList& second);

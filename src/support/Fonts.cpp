#include "support/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QMutex>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "support/CSCore.h"
#include "support/Categories.h"

namespace {

constexpr double kDefaultFontSize = 12;

// Styles whose face is a family's plain member, named by the family alone.
bool IsRegularStyle(const QString& style) {
  static const QStringList regular = {QStringLiteral("Regular"), QStringLiteral("Book"),  QStringLiteral("Normal"),
                                      QStringLiteral("Roman"),   QStringLiteral("Plain"), QStringLiteral("Standard")};
  return style.isEmpty() || ContainsString(regular, style);
}

QString WithoutBlanks(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (QChar c : text) {
    if (!c.isSpace()) result += c;
  }
  return result;
}

// Lower case without blanks, punctuation or symbols: the form in which two
// spellings of one face name compare equal ("DejaVu Sans-Bold", "dejavusansbold").
QString Squashed(const QString& text) {
  QString result;
  result.reserve(text.size());
  for (QChar c : text) {
    if (c.isLetterOrNumber()) result += c.toLower();
  }
  return result;
}

QString CompactName(const QString& family, const QString& style) {
  return IsRegularStyle(style) ? WithoutBlanks(family) : WithoutBlanks(family) + u'-' + WithoutBlanks(style);
}

struct Face {
  QString family;
  QString style;  // empty for a family name, which stands for its first member
};

struct Member {
  QString style;
  QString compactName;
  QString fullName;
};

struct FontTable {
  std::map<QString, Face> byName;                  // keyed by the case-folded name
  QStringList families;                            // in the font system's (sorted) order
  std::map<QString, std::vector<Member>> members;  // by family, plain member first
};

QString Key(const QString& name) {
  return name.toCaseFolded();
}

const FontTable& Fonts() {
  // The font system needs the GUI application; before there is one no face
  // exists, and nothing is remembered.
  static const FontTable none;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return none;
  static const FontTable table = [] {
    FontTable t;
    for (const QString& family : QFontDatabase::families()) {
      if (family.startsWith(u'.') || QFontDatabase::isPrivateFamily(family)) continue;
      t.families.append(family);
      std::vector<Member> members;
      for (const QString& style : QFontDatabase::styles(family)) {
        Member m{style, CompactName(family, style), family + u' ' + style};
        if (IsRegularStyle(style) && !members.empty() && !IsRegularStyle(members.front().style)) {
          members.insert(members.begin(), m);
        } else {
          members.push_back(m);
        }
      }
      t.byName.emplace(Key(family), Face{family, QString()});
      t.byName.emplace(Key(WithoutBlanks(family)), Face{family, QString()});
      for (const Member& m : members) {
        if (m.compactName.startsWith(u'.')) continue;
        t.byName.emplace(Key(m.compactName), Face{family, m.style});
        t.byName.emplace(Key(m.fullName), Face{family, m.style});
      }
      t.members.emplace(family, std::move(members));
    }
    return t;
  }();
  return table;
}

std::optional<Face> FindFace(const QString& name) {
  if (name.isEmpty() || name.size() > kMaxFontNameLength || name.startsWith(u'.')) return std::nullopt;
  const FontTable& table = Fonts();
  const auto it = table.byName.find(Key(name));
  if (it == table.byName.end()) return std::nullopt;
  return it->second;
}

QFont FontForFace(const Face& face, double size) {
  QFont font;
  if (face.style.isEmpty()) {
    font.setFamilies({face.family});
  } else {
    font = QFontDatabase::font(face.family, face.style, 12);
  }
  font.setPointSizeF(size > 0 && std::isfinite(size) ? size : kDefaultFontSize);
  return font;
}

double ValidSize(double size) {
  return size > 0 && std::isfinite(size) ? size : kDefaultFontSize;
}

// Inserts a blank before each capital that follows a lower-case letter
// ("GillSansBold" -> "Gill Sans Bold") and answers the number of words.
QString SplitCamelCase(const QString& text, int* words) {
  QString result;
  *words = text.isEmpty() ? 0 : 1;
  for (int i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (i > 0 && c.isUpper() && text[i - 1].isLower()) {
      result += u' ';
    }
    result += c;
  }
  for (int i = 1; i < result.size(); ++i) {
    if (result[i].isSpace() && !result[i - 1].isSpace()) ++*words;
  }
  return result;
}

QString FirstMemberName(const QString& family) {
  const auto& members = Fonts().members;
  const auto it = members.find(family);
  if (it == members.end() || it->second.empty()) return WithoutBlanks(family);
  return it->second.front().compactName;
}

// The member of the family whose name is the requested one but for case,
// blanks and punctuation; else the family's first member.
QString MemberMatching(const QString& family, const QString& requested) {
  const QString want = Squashed(requested);
  const auto& members = Fonts().members;
  const auto it = members.find(family);
  if (it != members.end()) {
    for (const Member& m : it->second) {
      if (Squashed(m.compactName) == want || Squashed(m.fullName) == want) return m.compactName;
    }
  }
  return FirstMemberName(family);
}

// The face a name most likely means, by family; empty when none is found.
QString FamilyBasedMapping(const QString& name) {
  const FontTable& table = Fonts();
  const QString squashedName = Squashed(name);
  if (squashedName.isEmpty()) return QString();
  // A face spelt with other blanks, punctuation or case.
  for (const QString& family : table.families) {
    for (const Member& m : table.members.at(family)) {
      if (Squashed(m.compactName) == squashedName || Squashed(m.fullName) == squashedName) return m.compactName;
    }
  }
  const int dash = int(name.indexOf(u'-'));
  const bool shortened = dash >= 0;
  const QString base = shortened ? name.left(dash) : name;
  int words = 0;
  const QString spaced = SplitCamelCase(base, &words);
  if (FindFace(spaced)) return spaced;
  const QString wanted = Squashed(base);
  if (!wanted.isEmpty()) {
    for (const QString& family : table.families) {
      if (Squashed(family).contains(wanted)) return MemberMatching(family, name);
    }
  }
  // A long name may be a whole face name whose family alone did not match.
  if (words >= 3) {
    for (const QString& family : table.families) {
      for (const Member& m : table.members.at(family)) {
        if (Squashed(m.fullName).contains(squashedName) || Squashed(m.compactName).contains(squashedName)) {
          return MemberMatching(family, name);
        }
      }
    }
  }
  return QString();
}

QMutex& ProviderLock() {
  static QMutex lock;
  return lock;
}

std::function<QString()>& Provider() {
  static std::function<QString()> provider;
  return provider;
}

QFont GeneralSystemFont() {
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

double ScreenDpi() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInchY();
  }
  return 96;
}

}  // namespace

bool FontExists(const QString& name) {
  return FindFace(name).has_value();
}

QString FontName(const QFont& font) {
  const QFontInfo info(font);
  return CompactName(info.family(), info.styleName());
}

QFont FontWithName(const QString& name, double size) {
  if (const auto face = FindFace(name.trimmed())) return FontForFace(*face, size);
  if (const auto face = FindFace(MapFontName(name))) return FontForFace(*face, size);
  return DefaultUserFontOfSize(size);
}

QString MapFontName(const QString& name, bool* substituted) {
  if (substituted) *substituted = false;
  const QString trimmed = name.trimmed();
  if (!trimmed.isEmpty() && trimmed.size() <= kMaxFontNameLength) {
    if (const auto face = FindFace(trimmed)) {
      const QFont font = FontForFace(*face, kDefaultFontSize);
      const QString reported = FontName(font);
      if (IsFuzzyEqualToString(trimmed, reported) || IsFuzzyEqualToString(trimmed, QFontInfo(font).family())) {
        return trimmed;
      }
      // The name resolves to a face of another name: a family mapping that
      // fits the words of the name better wins, else the name stays.
      const QString mapped = FamilyBasedMapping(trimmed);
      const QStringList wanted = FontNameComponents(trimmed);
      if (!mapped.isEmpty() && MatchFontNameComponents(FontNameComponents(mapped), wanted) >
                                   MatchFontNameComponents(FontNameComponents(reported), wanted)) {
        return mapped;
      }
      return trimmed;
    }
    const QString mapped = FamilyBasedMapping(trimmed);
    if (!mapped.isEmpty()) return mapped;
  }
  if (substituted) *substituted = true;
  return FontName(UserFont(kDefaultFontSize));
}

QFont DefaultUserFontOfSize(double size) {
  static const QString chosen = [] {
    const QString preferred = QStringLiteral("HelveticaNeue");
    if (FontExists(preferred)) return preferred;
    return FontName(GeneralSystemFont());
  }();
  if (const auto face = FindFace(chosen)) return FontForFace(*face, size);
  QFont font = GeneralSystemFont();
  font.setPointSizeF(ValidSize(size));
  return font;
}

void SetDefaultFontNameProvider(std::function<QString()> provider) {
  QMutexLocker locker(&ProviderLock());
  Provider() = std::move(provider);
}

QFont UserFont(double size) {
  std::function<QString()> provider;
  {
    QMutexLocker locker(&ProviderLock());
    provider = Provider();
  }
  if (provider) {
    if (const auto face = FindFace(provider())) return FontForFace(*face, size);
  }
  return DefaultUserFontOfSize(size);
}

QFont SystemFont(double size) {
  QFont font = GeneralSystemFont();
  font.setPointSizeF(size > 0 && std::isfinite(size) ? size : SystemFontSize());
  return font;
}

double SystemFontSize() {
  const QFont font = GeneralSystemFont();
  const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9;
  return std::round(points * ScreenDpi() / 72);
}

double SmallSystemFontSize() {
  return std::round(SystemFontSize() * 11 / 13);
}

QFont WidgetFont(const QFont& font) {
  QFont result = font;
  if (font.pointSizeF() > 0) result.setPointSizeF(font.pointSizeF() * 72 / ScreenDpi());
  return result;
}

QFont MutateFont(const QFont& font, const QFont& oldBase, const QFont& newBase) {
  const double oldSize = oldBase.pointSizeF();
  const double size = font.pointSizeF();
  const double newSize = oldSize > 0 ? std::ceil(size * newBase.pointSizeF() / oldSize) : size;
  QFont result = font;
  if (IsFuzzyEqualToString(QFontInfo(font).family(), QFontInfo(oldBase).family())) {
    result = newBase;
    if (font.bold() && !oldBase.bold() && !newBase.bold()) {
      result.setBold(true);
    } else if (!font.bold() && oldBase.bold() && newBase.bold()) {
      result.setBold(false);
    }
  }
  if (newSize > 0 && std::isfinite(newSize) && result.pointSizeF() != newSize) result.setPointSizeF(newSize);
  return result;
}

QFont FontWithStyleName(const QFont& font) {
  if (!font.styleName().isEmpty()) return font;
  const QFontInfo drawn(font);
  if (drawn.family() != font.family() || drawn.styleName().isEmpty()) return font;
  QFont named(font);
  named.setStyleName(drawn.styleName());
  return named;
}

QString FontDescriptor(const QFont& font) {
  return font.toString();
}

bool FontFromDescriptor(const QString& descriptor, QFont* font, QString* reason) {
  auto refuse = [reason](const QString& why) {
    if (reason) *reason = why;
    return false;
  };
  if (descriptor.size() > kMaxFontDescriptorLength) return refuse(QStringLiteral("font descriptor too long"));
  const QStringList fields = descriptor.split(u',');
  // The forms the platform writes have 2, 10, 11, 16 or 17 fields.
  static const QList<int> counts = {2, 10, 11, 16, 17};
  if (!counts.contains(int(fields.size())) || fields.first().trimmed().isEmpty()) {
    return refuse(QStringLiteral("font descriptor does not parse"));
  }
  bool sizeOk = false;
  const double size = fields[1].toDouble(&sizeOk);
  if (!sizeOk || !(size >= kMinFontSize && size <= kMaxFontSize)) {
    return refuse(QStringLiteral("font size out of range"));
  }
  QFont parsed;
  if (!parsed.fromString(descriptor)) return refuse(QStringLiteral("font descriptor does not parse"));
  const QString family = parsed.family();
  if (!FontExists(family)) {
    const QFont mapped = FontWithName(family, size);
    parsed.setFamilies(mapped.families());
  }
  parsed.setPointSizeF(size);
  if (font) *font = parsed;
  return true;
}

QFont LoadFontFromPrefs(const QString& key, const QFont* fallback) {
  auto fallen = [fallback] { return fallback ? *fallback : DefaultUserFontOfSize(kDefaultFontSize); };
  QSettings settings;
  if (!settings.contains(key)) return fallen();
  const QVariant value = settings.value(key);
  QString reason;
  QFont font;
  if (value.canConvert<QString>() && FontFromDescriptor(value.toString(), &font, &reason)) return font;
  if (reason.isEmpty()) reason = QStringLiteral("stored value is not a font descriptor");
  LogException(StringWithFormat("%@: %@", key, reason), QStringLiteral("LoadFontFromPrefs failed"));
  return fallen();
}

QStringList FontNameComponents(const QString& name) {
  QStringList words;
  QString word;
  auto flush = [&] {
    if (!word.isEmpty()) words.append(word.toLower());
    word.clear();
  };
  for (int i = 0; i < name.size(); ++i) {
    const QChar c = name[i];
    if (!c.isLetterOrNumber()) {
      flush();
      continue;
    }
    if (c.isUpper() && i > 0) {
      const QChar previous = name[i - 1];
      const bool nextLower = i + 1 < name.size() && name[i + 1].isLower();
      if (previous.isLower() || (previous.isUpper() && nextLower)) flush();
    }
    word += c;
  }
  flush();
  return words;
}

int MatchFontNameComponents(const QStringList& first, const QStringList& second) {
  int score = -std::abs(int(first.size()) - int(second.size()));
  for (int i = 0; i < second.size(); ++i) {
    if (first.contains(second[i])) {
      score += 5;
    } else if (i < first.size() && first[i].startsWith(second[i])) {
      score += 1;
    }
  }
  return score;
}

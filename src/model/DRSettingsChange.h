#pragma once
// The vocabulary of "twdraw.settingsChange" (g_settingsChangeNotification):
// the keys of its user information, the value types, and the key paths of
// the element properties that several panes and commands change. The
// drawing applies such a change to the selection (DRDrawing::change).

#include <QString>
#include <cstdint>

// ---- User information ----
// The property's name, or "subObject.property" ("lineInfo.width").
extern const QString g_settingsChangeGetterKey;  // "getter"
// The setter's name where it does not follow "set" + Name + ":".
extern const QString g_settingsChangeSetterKey;     // "setter"
extern const QString g_settingsChangeValueKey;      // "value"
extern const QString g_settingsChangeValueTypeKey;  // "valueType"
// The colour swatch that made the change; the drawing does not read it.
extern const QString g_settingsChangeSwatchKey;  // "swatch"

// How "value" is boxed. Any other type makes the change do nothing.
enum DRSettingsValueType : int32_t {
  kSettingsValueBool = 0,     // a boolean number
  kSettingsValueKolor = 1,    // ValueWithKolor (a plain number is taken too)
  kSettingsValueFloat = 2,    // a 32-bit float
  kSettingsValueMeasure = 3,  // NumberWithMeasure
  kSettingsValueInteger = 4,  // a signed integer
  kSettingsValueObject = 5,   // the value itself; an invalid or null QVariant is none
};

// ---- Key paths ----
extern const QString g_lineKolorKeyPath;      // "lineInfo.kolor"
extern const QString g_fillKolorKeyPath;      // "fillKolor"
extern const QString g_gradientKeyPath;       // "gradient"
extern const QString g_textKolorKeyPath;      // "textInfo.textKolor"
extern const QString g_textBackKolorKeyPath;  // "textInfo.backKolor"
extern const QString g_fontKeyPath;           // "textInfo.font"
extern const QString g_alignmentKeyPath;      // "textInfo.alignment"
extern const QString g_boldKeyPath;           // "textInfo.isBold"
extern const QString g_italicKeyPath;         // "textInfo.isItalic"
extern const QString g_underlineKeyPath;      // "textInfo.isUnderlined"
extern const QString g_boldSetter;            // "setBold:"
extern const QString g_italicSetter;          // "setItalic:"
extern const QString g_underlineSetter;       // "setUnderlined:"
extern const QString g_arrowOnStartKeyPath;   // "arrow.onStart"
extern const QString g_arrowOnEndKeyPath;     // "arrow.onEnd"
extern const QString g_arrowFillKeyPath;      // "arrow.fill"
extern const QString g_rotationKeyPath;       // "rotation"
// The sub-objects that the drawing supplies to an element that has none.
extern const QString g_arrowSubObject;     // "arrow"
extern const QString g_lineInfoSubObject;  // "lineInfo"
extern const QString g_shadowSubObject;    // "shadow"

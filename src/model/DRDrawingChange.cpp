// Applying an inspector's settings change to the selected elements.
//
// A change names a property by a key path ("fillKolor", "lineInfo.width").
// Elements and their styles are Q_GADGETs, so the path is walked over the
// Q_PROPERTYs of their meta-objects. A property is found by name: first
// the getter's own name ("isBold"), then, for a getter "isX", the name "x",
// then the names the setter implies ("setBold:" gives "bold" and "isBold").
// The first of these that the meta-object has as a writable property is
// the one changed; its READ is the getter and its WRITE the setter.
//
// Styles are values: a sub-object is read from its element as a copy, the
// property is set on the copy, and the copy is written back through the
// element's property, so that the element's own setter (a text box fitting
// its height to a new style, for one) sees the change.

#include <QHash>
#include <QMetaProperty>
#include <QMetaType>
#include <optional>
#include <vector>

#include "model/DRArrow.h"
#include "model/DRCanvasHost.h"
#include "model/DRDocumentHost.h"
#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/DRShadow.h"
#include "model/ModelSupport.h"
#include "support/Kolor.h"
#include "support/Measure.h"
#include "support/NumberText.h"

const QString g_settingsChangeGetterKey = QStringLiteral("getter");
const QString g_settingsChangeSetterKey = QStringLiteral("setter");
const QString g_settingsChangeValueKey = QStringLiteral("value");
const QString g_settingsChangeValueTypeKey = QStringLiteral("valueType");
const QString g_settingsChangeSwatchKey = QStringLiteral("swatch");

const QString g_lineKolorKeyPath = QStringLiteral("lineInfo.kolor");
const QString g_fillKolorKeyPath = QStringLiteral("fillKolor");
const QString g_gradientKeyPath = QStringLiteral("gradient");
const QString g_textKolorKeyPath = QStringLiteral("textInfo.textKolor");
const QString g_textBackKolorKeyPath = QStringLiteral("textInfo.backKolor");
const QString g_fontKeyPath = QStringLiteral("textInfo.font");
const QString g_alignmentKeyPath = QStringLiteral("textInfo.alignment");
const QString g_boldKeyPath = QStringLiteral("textInfo.isBold");
const QString g_italicKeyPath = QStringLiteral("textInfo.isItalic");
const QString g_underlineKeyPath = QStringLiteral("textInfo.isUnderlined");
const QString g_boldSetter = QStringLiteral("setBold:");
const QString g_italicSetter = QStringLiteral("setItalic:");
const QString g_underlineSetter = QStringLiteral("setUnderlined:");
const QString g_arrowOnStartKeyPath = QStringLiteral("arrow.onStart");
const QString g_arrowOnEndKeyPath = QStringLiteral("arrow.onEnd");
const QString g_arrowFillKeyPath = QStringLiteral("arrow.fill");
const QString g_rotationKeyPath = QStringLiteral("rotation");
const QString g_arrowSubObject = QStringLiteral("arrow");
const QString g_lineInfoSubObject = QStringLiteral("lineInfo");
const QString g_shadowSubObject = QStringLiteral("shadow");

namespace {

QString LowerFirst(const QString& name) {
  return name.isEmpty() ? name : name.left(1).toLower() + name.mid(1);
}

// "set" + the name with its first character in upper case + ":".
QString SetterForName(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("set:");
  return QStringLiteral("set") + name.left(1).toUpper() + name.mid(1) + QLatin1Char(':');
}

// The property names a getter and setter pair may go by, in the order
// they are tried.
QStringList CandidateNames(const QString& getter, const QString& setter) {
  QStringList names;
  auto add = [&names](const QString& name) {
    if (!name.isEmpty() && !names.contains(name)) names.append(name);
  };
  add(getter);
  if (getter.size() > 2 && getter.startsWith(QLatin1String("is")) && getter.at(2).isUpper())
    add(LowerFirst(getter.mid(2)));
  if (setter.size() > 3 && setter.startsWith(QLatin1String("set"))) {
    QString core = setter.mid(3);
    if (core.endsWith(QLatin1Char(':'))) core.chop(1);
    if (!core.isEmpty()) {
      add(LowerFirst(core));
      add(QStringLiteral("is") + core);
    }
  }
  return names;
}

// Looks a property up once per meta-object, so that a large selection
// costs one lookup per class rather than one per element.
class PropertyFinder {
 public:
  PropertyFinder(QStringList names, bool writable) : m_names(std::move(names)), m_writable(writable) {}

  // The index of the first name the meta-object has (writable when asked);
  // -1 when it has none.
  int indexIn(const QMetaObject* meta) {
    if (!meta) return -1;
    const auto cached = m_cache.constFind(meta);
    if (cached != m_cache.constEnd()) return *cached;
    int found = -1;
    for (const QString& name : m_names) {
      const int index = meta->indexOfProperty(name.toUtf8().constData());
      if (index < 0) continue;
      const QMetaProperty property = meta->property(index);
      if (!property.isReadable() || (m_writable && !property.isWritable())) continue;
      found = index;
      break;
    }
    m_cache.insert(meta, found);
    return found;
  }

 private:
  QStringList m_names;
  bool m_writable;
  QHash<const QMetaObject*, int> m_cache;
};

bool IsNone(const QVariant& value) {
  return !value.isValid() || value.isNull();
}

// The posted value as its type says; false for an unknown type or a colour
// that is neither a boxed Kolor nor a number.
bool ReadValue(int type, const QVariant& raw, QVariant* value) {
  switch (type) {
    case kSettingsValueBool:
      *value = QVariant(raw.toBool());
      return true;
    case kSettingsValueKolor:
      // KolorValue answers black for anything it does not hold: look first.
      if (raw.metaType() == QMetaType::fromType<KolorBytes>())
        *value = QVariant::fromValue(Kolor(KolorValue(raw)));
      else if (IsNumberVariant(raw))
        *value = QVariant::fromValue(Kolor(raw.toLongLong()));
      else
        return false;
      return true;
    case kSettingsValueFloat:
      *value = QVariant(raw.toFloat());
      return true;
    case kSettingsValueMeasure:
      *value = QVariant(qlonglong(MeasureValue(raw)));
      return true;
    case kSettingsValueInteger:
      *value = QVariant(raw.toLongLong());
      return true;
    case kSettingsValueObject:
      *value = IsNone(raw) ? QVariant() : raw;
      return true;
    default:
      return false;
  }
}

// The value in the property's own type, as the property's WRITE takes it;
// false when it cannot be converted.
bool CoerceValue(const QMetaProperty& property, const QVariant& value, QVariant* coerced) {
  const QMetaType type = property.metaType();
  if (type == QMetaType::fromType<QVariant>()) {
    *coerced = value;
    return true;
  }
  if (!value.isValid()) {
    *coerced = QVariant(type);
    return true;
  }
  QVariant converted = value;
  if (converted.metaType() != type && !converted.convert(type)) return false;
  *coerced = converted;
  return true;
}

// Whether the target already holds the new value. No object (type 5 none)
// is never equal: it is always applied.
bool IsSameValue(int type, const QVariant& current, const QVariant& coerced, const QVariant& value) {
  switch (type) {
    case kSettingsValueKolor:
      return AreKolorsEqual(Kolor(current.toULongLong()), value.value<Kolor>());
    case kSettingsValueFloat:
      return float(current.toDouble()) == value.toFloat();
    case kSettingsValueObject:
      if (!value.isValid()) return false;
      return current == coerced;
    default:
      return current == coerced;
  }
}

// What an element without the sub-object is given; none for sub-objects
// the drawing does not supply.
std::optional<QVariant> SuppliedSubObject(const QString& name) {
  if (name == g_arrowSubObject) {
    const std::optional<DRArrow>& arrow = DRSettings::sharedInstance().arrow();
    return arrow ? QVariant::fromValue(*arrow) : QVariant();
  }
  if (name == g_lineInfoSubObject) return QVariant::fromValue(DRSettings::sharedInstance().lineInfo());
  if (name == g_shadowSubObject) return QVariant::fromValue(DRShadow());
  return std::nullopt;
}

}  // namespace

void DRDrawing::change(const QVariantMap& userInfo, DRCanvasHost* canvas) {
  if (isLocked() || !canvas) return;
  // A copy: a setter may have the canvas refresh its selection.
  const std::vector<DRElement*> selection = canvas->selection();
  if (selection.empty() || !canvas->hasSuperview()) return;
  noteElementsChanged();
  const QString getter = userInfo.value(g_settingsChangeGetterKey).toString();
  if (getter.isEmpty()) return;

  const qsizetype dot = getter.indexOf(QLatin1Char('.'));
  const QString subObject = dot < 0 ? QString() : getter.left(dot);
  const QString property = dot < 0 ? getter : getter.mid(dot + 1);
  QString setter = userInfo.value(g_settingsChangeSetterKey).toString();
  if (setter.isEmpty()) setter = SetterForName(property);

  bool typeRead = false;
  const int type = userInfo.value(g_settingsChangeValueTypeKey).toInt(&typeRead);
  if (!typeRead && userInfo.contains(g_settingsChangeValueTypeKey)) return;
  QVariant value;
  if (!ReadValue(type, userInfo.value(g_settingsChangeValueKey), &value)) return;
  const bool hideText = type == kSettingsValueBool && property == QLatin1String("hideText");
  // Bold and italic also set the font's traits again, so they are applied
  // even to a style whose flag already matches.
  const bool alwaysApply =
      type == kSettingsValueBool && (property == QLatin1String("isBold") || property == QLatin1String("isItalic"));

  PropertyFinder propertyFinder(CandidateNames(property, setter), true);
  PropertyFinder subObjectFinder(QStringList{subObject}, false);
  std::optional<std::optional<QVariant>> supplied;
  bool changed = false;

  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    DRElement* element = *it;
    if (!element) continue;
    const QMetaObject* meta = element->gadgetMetaObject();
    // The gadget calls cast from the most derived object.
    void* gadget = dynamic_cast<void*>(element);

    QMetaProperty target;
    QVariant subValue;
    QMetaProperty subProperty;
    void* targetGadget = gadget;
    if (subObject.isEmpty()) {
      const int index = propertyFinder.indexIn(meta);
      if (index < 0) continue;
      target = meta->property(index);
    } else {
      const int subIndex = subObjectFinder.indexIn(meta);
      if (subIndex < 0) continue;
      subProperty = meta->property(subIndex);
      subValue = subProperty.readOnGadget(gadget);
      if (IsNone(subValue)) {
        if (!subProperty.isWritable()) continue;
        if (!supplied) supplied = SuppliedSubObject(subObject);
        if (!*supplied) continue;
        canvas->invalidateElement(element);
        subProperty.writeOnGadget(gadget, **supplied);
        canvas->invalidateElement(element);
        changed = true;
        continue;
      }
      // A sub-object whose type has no such property, or that cannot be
      // written back, ends the change.
      if (!subProperty.isWritable()) return;
      const QMetaObject* subMeta = subValue.metaType().metaObject();
      const int index = propertyFinder.indexIn(subMeta);
      if (index < 0) return;
      target = subMeta->property(index);
      targetGadget = subValue.data();
    }

    QVariant coerced;
    if (!CoerceValue(target, value, &coerced)) return;
    const QVariant current = target.readOnGadget(targetGadget);
    if (!alwaysApply && IsSameValue(type, current, coerced, value)) continue;

    setDupOffsetValid(false);
    canvas->invalidateElement(element);
    target.writeOnGadget(targetGadget, coerced);
    if (!subObject.isEmpty()) subProperty.writeOnGadget(gadget, subValue);
    canvas->invalidateElement(element);
    canvas->invalidateTyping(element);
    changed = true;
  }

  if (type == kSettingsValueObject && changed) {
    if (value.metaType() == QMetaType::fromType<DRArrow>()) {
      AddArrowToList(value.value<DRArrow>());
    } else if (property == QLatin1String("name")) {
      if (DRDocumentHost* host = documentHost()) host->setupTabs(host->currentTabGuid(), true);
    }
  }
  if (hideText) canvas->setNeedsDisplay();
}

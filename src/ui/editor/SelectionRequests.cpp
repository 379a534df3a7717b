#include "ui/editor/SelectionRequests.h"

#include <QObject>
#include <QVariantMap>

#include "model/DRCanvasHost.h"
#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementLine.h"
#include "platform/NotificationCenter.h"

namespace {

enum ValueType : int32_t {
  kValueBool = 0,
  kValueKolor = 1,
  kValueMeasure = 3,
  kValueInteger = 4,
  kValueObject = 5,
};

void PostChange(QObject* window, const QString& getter, const QString& setter, const QVariant& value, ValueType type,
                std::optional<int32_t> swatch = std::nullopt) {
  QVariantMap info;
  info.insert(QStringLiteral("getter"), getter);
  if (!setter.isEmpty()) info.insert(QStringLiteral("setter"), setter);
  info.insert(QStringLiteral("value"), value);
  info.insert(QStringLiteral("valueType"), int(type));
  if (swatch && *swatch != kSwatchNone) info.insert(QStringLiteral("swatch"), *swatch);
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, window, info);
}

// The arrow of an element that can carry one; nullopt inside when it has
// none, and false for an element that cannot.
bool ArrowOf(const DRElement* element, std::optional<DRArrow>* arrow) {
  if (!element) return false;
  if (element->elementType() == kElementLine) {
    *arrow = static_cast<const DRElementLine*>(element)->arrow();
    return true;
  }
  if (element->elementType() == kElementBentLine) {
    *arrow = static_cast<const DRElementBentLine*>(element)->arrow();
    return true;
  }
  return false;
}

}  // namespace

void ChangeSelectionBool(QObject* window, const QString& getter, const QString& setter, bool value) {
  PostChange(window, getter, setter, QVariant(value), kValueBool);
}

void ChangeSelectionColor(QObject* window, const QString& getter, const QString& setter, int32_t swatch, Kolor kolor) {
  PostChange(window, getter, setter, ValueWithKolor(kolor), kValueKolor, swatch);
}

void ChangeSelectionMeasure(QObject* window, const QString& getter, const QString& setter, int32_t swatch,
                            MeasureUnit measure) {
  if (measure == kMixedMeasure) return;
  PostChange(window, getter, setter, NumberWithMeasure(measure), kValueMeasure, swatch);
}

void ChangeSelectionNumber(QObject* window, const QString& getter, const QString& setter, int64_t number) {
  PostChange(window, getter, setter, QVariant(qlonglong(number)), kValueInteger);
}

void ChangeSelectionObject(QObject* window, const QString& getter, const QString& setter, const QVariant& object) {
  PostChange(window, getter, setter, object, kValueObject);
}

void EnqueueSelectionChange(QObject* window, const QString& name) {
  NotificationQueue::defaultQueue().enqueue(CSNotification{name, window, {}}, true);
}

int64_t RotationForSelection(std::span<DRElement* const> elements) {
  if (elements.empty()) return 0;
  std::optional<int64_t> rotation;
  for (const DRElement* element : elements) {
    if (!element || element->elementType() == kElementLine) continue;
    if (!rotation) {
      rotation = element->rotation();
    } else if (*rotation != element->rotation()) {
      return kMixedMeasure;
    }
  }
  return rotation.value_or(kMixedMeasure);
}

std::optional<DRLineInfo> LineInfoForSelection(const DRCanvasHost* canvas) {
  if (!canvas) return std::nullopt;
  std::optional<DRLineInfo> merged;
  for (const DRElement* element : canvas->selection()) {
    if (!element || !element->canDrawLines()) continue;
    const DRLineInfo& style = element->lineStyle();
    if (!merged) {
      merged = style;
      continue;
    }
    if (merged->width() != style.width()) merged->setWidth(kMixedMeasure);
    if (merged->lineStyle() != style.lineStyle()) merged->setLineStyle(kMixedLineStyle);
    if (merged->kolor() != style.kolor()) merged->setKolorWithoutRegistering(g_nilKolor);
  }
  return merged;
}

bool GetFillKolorForSelection(const DRCanvasHost* canvas, Kolor* kolor) {
  if (!canvas) return false;
  std::optional<Kolor> merged;
  for (const DRElement* element : canvas->selection()) {
    if (!element || !element->answersFillKolor()) continue;
    if (!merged) {
      merged = element->fillKolor();
    } else if (*merged != element->fillKolor()) {
      merged = g_nilKolor;
    }
  }
  if (!merged) return false;
  if (kolor) *kolor = *merged;
  return true;
}

std::optional<DRArrow> ArrowForSelection(const DRCanvasHost* canvas, DRElement** element) {
  if (!canvas) return std::nullopt;
  const std::vector<DRElement*>& selection = canvas->selection();
  DRElement* first = nullptr;
  std::optional<DRArrow> merged;
  for (DRElement* candidate : selection) {
    std::optional<DRArrow> arrow;
    if (ArrowOf(candidate, &arrow) && arrow) {
      first = candidate;
      merged = arrow;
      break;
    }
  }
  if (!merged) return std::nullopt;
  if (element) *element = first;
  for (const DRElement* other : selection) {
    std::optional<DRArrow> arrow;
    if (other == first || !ArrowOf(other, &arrow)) continue;
    if (arrow && *arrow == *merged) continue;
    // An element without an arrow counts as one with every flag off.
    const int onStart = arrow ? arrow->onStart() : 0;
    const int onEnd = arrow ? arrow->onEnd() : 0;
    const int fill = arrow ? arrow->fill() : 0;
    if (!arrow || arrow->type() != merged->type()) merged->setType(0);
    if (merged->onStart() != onStart) merged->setOnStart(2);
    if (merged->onEnd() != onEnd) merged->setOnEnd(2);
    if (merged->fill() != fill) merged->setFill(2);
    if (!arrow || arrow->fillKolor() != merged->fillKolor()) merged->setFillKolor(kMixedArrowFillKolor);
  }
  return merged;
}

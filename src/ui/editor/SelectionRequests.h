#pragma once
// What the inspector panes, the info bar, the element dialogs and the
// drawing commands share to change or read a property of the selection.
//
// A change request posts g_settingsChangeNotification for the window at
// once: when it returns, the drawing has applied the change. The poster
// opens the undo entry first (DRContentVC::setUndoID). A query merges one
// property over the selection, so that a pane or a swatch can show the
// common value or the mixed marker.

#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <span>

#include "model/DRArrow.h"
#include "model/DRLineInfo.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class DRCanvasHost;
class DRElement;
class QObject;

// The swatch a colour or a width came from, or none.
enum DRSwatchIndex : int32_t {
  kSwatchLine = 0,
  kSwatchLineWidth = 1,
  kSwatchArrow = 2,
  kSwatchFill = 3,
  kSwatchSwap = 4,
  kSwatchNone = 9,
  kSwatchShadow = 10,
  kSwatchTextColor = 11,
  kSwatchTextBackground = 12,
};

// The mixed markers of the queries that have their own.
constexpr Kolor kMixedArrowFillKolor = 0xFF000000;
constexpr int64_t kMixedLineStyle = 8;

// `setter` is the setter's name when it does not follow "set" + the
// property ("setBold:"), else empty.
void ChangeSelectionBool(QObject* window, const QString& getter, const QString& setter, bool value);
// No swatch key with kSwatchNone.
void ChangeSelectionColor(QObject* window, const QString& getter, const QString& setter, int32_t swatch, Kolor kolor);
// Posts nothing for the mixed measure (a field left showing "-").
void ChangeSelectionMeasure(QObject* window, const QString& getter, const QString& setter, int32_t swatch,
                            MeasureUnit measure);
void ChangeSelectionNumber(QObject* window, const QString& getter, const QString& setter, int64_t number);
// An invalid QVariant stands for no object.
void ChangeSelectionObject(QObject* window, const QString& getter, const QString& setter, const QVariant& object);

// Posts the notification with the window as object when the application is
// idle, a burst of the same name and window folded into one.
void EnqueueSelectionChange(QObject* window, const QString& name);

// The common rotation of the elements that are not lines: 0 for none
// selected, the mixed value when they differ or all are lines.
int64_t RotationForSelection(std::span<DRElement* const> elements);
// The first line style, with width, style and colour mixed where a later
// element that draws lines differs; empty when none draws lines.
std::optional<DRLineInfo> LineInfoForSelection(const DRCanvasHost* canvas);
// The common fill (no colour when mixed); false when no element has a fill.
bool GetFillKolorForSelection(const DRCanvasHost* canvas, Kolor* kolor);
// The first arrow, with what differs in the other elements that can carry
// one mixed; empty when none has an arrow. `element` gets the element whose
// arrow was taken.
std::optional<DRArrow> ArrowForSelection(const DRCanvasHost* canvas, DRElement** element = nullptr);

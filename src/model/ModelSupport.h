#pragma once
// Small functions that the model, the inspector and the bars share.

#include <QList>
#include <memory>
#include <vector>

#include "model/DRArrow.h"
#include "model/DRGradient.h"
#include "support/Kolor.h"
#include "support/Measure.h"

// While set (the EMF importer sets it for the time of an import), colours
// set on styles and elements are not registered as recently used.
extern bool g_suppressColorRegister;

// Registers a colour as recently used: "twdraw.registerColor" (primary) or
// "twdraw.registerAltColor" with the main window as object and {"color": the
// Kolor}, coalesced so that of a burst only the last of each kind is posted
// when the event loop is idle. Invalid Kolors and suppressed registration
// post nothing.
void RegisterKolor(Kolor kolor, bool primary);

// Holds registration off while it lives, as it was before afterwards: copies
// made for an undo snapshot hold no newly chosen colours.
class ColorRegisterSuppression {
 public:
  ColorRegisterSuppression() : m_previous(g_suppressColorRegister) { g_suppressColorRegister = true; }
  ~ColorRegisterSuppression() { g_suppressColorRegister = m_previous; }
  ColorRegisterSuppression(const ColorRegisterSuppression&) = delete;
  ColorRegisterSuppression& operator=(const ColorRegisterSuppression&) = delete;

 private:
  bool m_previous;
};

// ---- Rotation controls ----
// The rotation (degrees x 12,700) typed into a text field: the mixed value
// passes through, a whole turn either way is 0, a negative angle is raised
// by whole turns, and the result is rounded to a multiple of 0.05 degree.
MeasureUnit RotationFromField(MeasureUnit angle);
// The rotation of a slider or dial at `degrees`: snapped to a multiple of 45
// degrees within 6 of it, then as a typed angle.
MeasureUnit RotationFromControl(double degrees);

// ---- Recently used gradients ----
// Moves the gradient (or an equal one) to the front of the list.
void AddGradientToList(QList<DRGradient>* list, const DRGradient& gradient);

// ---- Recently used arrows ----
// The most arrows the recent list keeps.
constexpr qsizetype kMaxRecentArrows = 20;
// Moves the arrow (or an equal one) to the front of the application's
// recent arrows, dropping the oldest beyond kMaxRecentArrows; none does
// nothing.
void AddArrowToList(const std::optional<DRArrow>& arrow);

// ---- Containers ----
class DRElement;
// The bounds of a container's members (their frames and bounds relative to
// the container), scaled from the union of their frames to the frame's size
// and placed at the frame's origin; a zero-sized rectangle at the frame's
// origin for no members.
CSRect CompositeRectangle(const std::vector<std::unique_ptr<DRElement>>& elements, const CSRect& frame);

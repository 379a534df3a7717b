#pragma once
// Day indexes in date controls.

#include "support/DayNumbers.h"

class QWidget;

// When the focused widget of `view`'s window lies inside `view` and is being
// typed into, selects the day in it: in a date edit its day section; in a
// text field holding two "/", the first part when the day of `dayIndex` is
// 1 (callers pass 1 when the day comes first), else the part between the
// slashes. Anything else is left alone.
void SelectDayInDate(QWidget* view, DayIndex dayIndex);

#pragma once
// Small system services of the engine: the cursor, pending events, the
// locale's decimal separator, the time of day, the user's text replacements
// and the table-bounds and show-marks tool notifications. Main thread only.

#include <QString>
#include <cstdint>

class QObject;
struct CorvaneDoc;
struct Pane;

// Posted with the window controller of the pane's view's window as object, so
// that a toolbar can update its table-bounds and show-marks buttons.
extern const QString kBoundsToolNotification;  // "cvb.boundsTool"
extern const QString kMarksToolNotification;   // "cvb.marksTool"

// Hides the mouse cursor until the mouse next moves.
void ObscureCursor();
// Whether events wait in the application's queue; never looked for here.
bool WorkIsWaiting();
// The first UTF-16 unit of the locale's decimal separator ('.' when it has
// none), worked out on the first call and kept for the whole process.
char16_t DecimalSeparator();
// Whole seconds since local midnight.
uint32_t CurrentTime();

// A document's date (a day index) and time of day, as its date and time
// variables show them.
struct DayAndTime {
  uint32_t day = 0;
  uint32_t time = 0;
};
// Stores today's day index and then CurrentTime().
void SetDayAndTime(DayAndTime* record);

// The host's replacement for a typed word, matched without regard to case:
// null without a dictionary or a match. A key holding a capital gives its
// replacement as it is; a word typed all in capitals (longer than one unit)
// gives it in capitals; a word whose only capital is its first unit gives it
// with its first unit in capitals; any other mix gives it as it is.
QString ExpandSystemShorthand(const char16_t* chars, uint32_t length);

// The object of the engine's notifications for the document (the host's
// window controller showing it), or null.
QObject* NotificationObject(CorvaneDoc* doc);
void UpdateTableBoundsTool(Pane* pane);
void UpdateShowMarksTool(Pane* pane);

// The engine's documents have no file path of their own: null.
QString FilePathForDoc(CorvaneDoc* doc);
// No property domains are mapped: 0.
uint32_t MapPropertyDomain(CorvaneDoc* doc, uint32_t domain);

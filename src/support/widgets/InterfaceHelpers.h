#pragma once
// Plain functions over Qt Widgets that the windows, panes, canvases and
// panels share: window sizing and activity, the shared font and colour
// dialogs, text fields made on the fly, check boxes, slider focus, toolbar
// look-up, colour wells, link text, table-row colours, function and digit
// keys, keyboard access, the mouse position, file-dialog results and the
// user's language. Main thread only.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>

#include "support/CSAttributedString.h"
#include "support/CSCore.h"  // IsOptionKeyDown
#include "support/Kolor.h"

class QAbstractItemView;
class QAction;
class QCheckBox;
class QColorDialog;
class QFileDialog;
class QFontDialog;
class QKeyEvent;
class QLineEdit;
class QMouseEvent;
class QWidget;

// True when the application is active and the window is its active window.
bool IsActiveWindow(const QWidget* window);

// Screens at least this wide (points) get the standard window size.
constexpr int kStandardWindowMinScreenWidth = 1250;
// On a wide enough available area: its origin and height and the fraction
// of its width (rounded down); otherwise none.
std::optional<QRect> StandardWindowFrame(const QRect& available, double fraction);
// Gives the window its standard frame on its screen (else the first); on a
// narrower screen, or without one, maximises it unless it already is.
void SetStandardWindowSize(QWidget* window, double fraction);

// The application's shared font and colour dialogs, made on first request
// when `create` is set.
QFontDialog* SharedFontDialog(bool create = true);
QColorDialog* SharedColorDialog(bool create = true);
// Hides the shared dialogs that exist and cuts their connections, so no
// client hears from them any more.
void ClosePanels();

// A frameless, transparent single-line field showing the text in the font
// (the system font at its standard size when null) with the action run when
// editing ends. With a view, it becomes the view's topmost child at the
// frame, takes the focus and selects all its text.
QLineEdit* NewTextField(QWidget* view, std::function<void(QLineEdit*)> action, const QString& text, const QFont* font,
                        const QRect& frame);
// The nearest enclosing line edit of a widget (itself included), or null.
QLineEdit* TextFieldForTextView(QWidget* textView);

// The box's state; a partly-checked box is checked first.
Qt::CheckState UnmixedCheckboxState(QCheckBox* box);

// When the control is a slider or a spin box and its window's focus is in a
// line edit inside the paired view, ends that edit by taking the focus away,
// so the edit's value does not overwrite the slider's.
void YankFocusForSliderPair(QWidget* control, QWidget* pairedView);

// The widget of the view's window's toolbars showing the action with this
// object name (searched from the last item), and the action; null when none.
QWidget* ToolbarControlForAction(QWidget* view, const QString& actionName, QAction** item = nullptr);

// Colour wells mark themselves active with this dynamic property.
constexpr const char* kActiveColorWellProperty = "activeColorWell";
// The view when it is an active colour well, else the first active one among
// its descendants, searched from the last child, depth first.
QWidget* ActiveColorWell(QWidget* view);

// Stops the view's mouse-move and hover tracking.
void RemoveTrackingAreas(QWidget* view);

// The text and a blank as a link to the URL: the system font (small or
// standard size), single underline, the link colour, a pointing hand,
// clipped lines and the alignment.
CSAttributedString LinkText(const QString& url, const QString& text, Qt::Alignment alignment, bool small);
// Resizes the text view's scroll area (itself when it is one) to the text's
// size, the width plus 4 rounded up, keeping its top edge; with centre the
// new frame is centred horizontally on the old one.
void AdjustScrollViewForLink(QWidget* textView, const CSAttributedString& text, bool centre);

// Row text colours: grey 4 and none in dark mode; otherwise white for both
// on a selected row, grey 4 and none on others. "None" is an invalid colour.
QColor GrayForTableRow(const QAbstractItemView* table, int row);
QColor BlackForTableRow(const QAbstractItemView* table, int row);

// The number 1-16 of the function key pressed, or 0; unless modifiers are
// allowed, shift, control, alt and meta must all be up.
int FunctionKeyForEvent(const QKeyEvent* event, bool allowModifiers);

constexpr int64_t kKeyNotFound = INT64_MAX;
// 0-9 for the digit keys (main row or keypad), 10-15 for the letters a-f,
// kKeyNotFound for any other key.
int64_t DecodeNumericKeyCode(const QKeyEvent* event);

// Whether Tab moves the focus through every control, not only text fields.
bool IsFullKeyboardAccessOn();

// Lets the event loop run for 0.1 seconds so pending drawing reaches the
// screen.
void ForceScreenUpdate();

// The event's position in the view, each co-ordinate rounded down.
QPointF MousePoint(const QMouseEvent* event, const QWidget* view);

// For an accepted dialog (result 1), the first chosen file or all of them.
QUrl OpenPanelUrl(const QFileDialog* dialog, int result);
QList<QUrl> OpenPanelUrls(const QFileDialog* dialog, int result);

// A Kolor with its name; the names have no place to show in the colour
// dialog, which keeps only the colours.
struct NamedKolor {
  Kolor kolor;
  const char* name;
};
// Puts the colours into the colour dialog's custom colours, in order, as
// many as it has places for (QColorDialog::customCount()); the dialog keeps
// them opaque.
void AddColorPanelList(const NamedKolor* entries, int count);

// The code of the user's first preferred language without a region part
// ("de" of "de-CH"), null when there is none (the C locale); `displayName`
// receives its name in the current locale.
QString PrimaryLanguage(QString* displayName = nullptr);

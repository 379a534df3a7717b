#include "support/widgets/DayControls.h"

#include <QDateTimeEdit>
#include <QLineEdit>

void SelectDayInDate(QWidget* view, DayIndex dayIndex) {
  if (!view) return;
  QWidget* focus = view->window()->focusWidget();
  if (!focus || (focus != view && !view->isAncestorOf(focus))) return;

  // A date edit's own line edit takes the focus; climb to the date edit.
  for (QWidget* w = focus; w && w != view->parentWidget(); w = w->parentWidget()) {
    if (auto* dateEdit = qobject_cast<QDateTimeEdit*>(w)) {
      if (dateEdit->displayedSections() & QDateTimeEdit::DaySection)
        dateEdit->setSelectedSection(QDateTimeEdit::DaySection);
      return;
    }
  }

  auto* field = qobject_cast<QLineEdit*>(focus);
  if (!field) return;
  const QString text = field->text();
  const qsizetype firstSlash = text.indexOf(u'/');
  const qsizetype secondSlash = firstSlash < 0 ? -1 : text.indexOf(u'/', firstSlash + 1);
  if (secondSlash < 0) return;
  if (DayOfDayIndex(dayIndex) == 1)
    field->setSelection(0, int(firstSlash));
  else
    field->setSelection(int(firstSlash + 1), int(secondSlash - firstSlash - 1));
}

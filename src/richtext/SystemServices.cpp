#include "richtext/SystemServices.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QTime>

#include "platform/NotificationCenter.h"
#include "richtext/CorvaneHost.h"
#include "support/DayNumbers.h"
#include "support/TextUtilities.h"

const QString kBoundsToolNotification = QStringLiteral("cvb.boundsTool");
const QString kMarksToolNotification = QStringLiteral("cvb.marksTool");

namespace {

// Lifts the blank override cursor at the first mouse move, then goes.
class CursorRevealer;
QPointer<CursorRevealer> g_cursorRevealer;

class CursorRevealer : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove && g_cursorRevealer == this) {
      QGuiApplication::restoreOverrideCursor();
      qApp->removeEventFilter(this);
      g_cursorRevealer = nullptr;  // the cursor can be hidden again at once
      deleteLater();
    }
    return QObject::eventFilter(watched, event);
  }
};

bool IsCapital(char16_t c) { return LowerCaseChar(c) != c; }

}  // namespace

void ObscureCursor() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || g_cursorRevealer) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  g_cursorRevealer = new CursorRevealer;
  qApp->installEventFilter(g_cursorRevealer);
}

bool WorkIsWaiting() { return false; }

char16_t DecimalSeparator() {
  static const char16_t separator = [] {
    const QString text = QLocale().decimalPoint();
    return text.isEmpty() ? char16_t(u'.') : char16_t(text.at(0).unicode());
  }();
  return separator;
}

uint32_t CurrentTime() { return uint32_t(QTime::currentTime().msecsSinceStartOfDay() / 1000); }

void SetDayAndTime(DayAndTime* record) {
  if (!record) return;
  record->day = uint32_t(DayIndexForToday());
  record->time = CurrentTime();
}

QString ExpandSystemShorthand(const char16_t* chars, uint32_t length) {
  if (!chars || length == 0) return {};
  const std::optional<ShorthandDictionary> dictionary = CurrentCorvaneHost().userReplacements();
  if (!dictionary) return {};
  for (const auto& [key, replacement] : *dictionary) {
    if (uint32_t(key.size()) != length) continue;
    bool equal = true;
    for (uint32_t i = 0; i < length && equal; ++i)
      equal = LowerCaseChar(key.at(i).unicode()) == LowerCaseChar(chars[i]);
    if (!equal) continue;

    bool keyHasCapital = false;
    for (const QChar c : key) keyHasCapital = keyHasCapital || IsCapital(c.unicode());
    if (keyHasCapital || replacement.isEmpty()) return replacement;
    uint32_t capitals = 0;
    for (uint32_t i = 0; i < length; ++i) capitals += IsCapital(chars[i]) ? 1 : 0;
    QString result = replacement;
    if (capitals == length && length > 1) {
      for (QChar& c : result) c = QChar(UpperCaseChar(c.unicode()));
    } else if (capitals == 1 && IsCapital(chars[0])) {
      result[0] = QChar(UpperCaseChar(result.at(0).unicode()));
    }
    return result;
  }
  return {};
}

QObject* NotificationObject(CorvaneDoc* doc) { return CurrentCorvaneHost().notificationObject(doc); }

void UpdateTableBoundsTool(Pane* pane) {
  NotificationCenter::defaultCenter().post(kBoundsToolNotification,
                                           CurrentCorvaneHost().windowControllerForPane(pane));
}

void UpdateShowMarksTool(Pane* pane) {
  NotificationCenter::defaultCenter().post(kMarksToolNotification,
                                           CurrentCorvaneHost().windowControllerForPane(pane));
}

QString FilePathForDoc(CorvaneDoc*) { return {}; }

uint32_t MapPropertyDomain(CorvaneDoc*, uint32_t) { return 0; }

// The news page comes from the maker's web server: every header found is a
// sound date at the start of a line, the cut keeps a range of the text from
// the first header on, and the document edit keeps exactly that range. HTML
// input is read as well, for crashes only.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdlib>
#include <memory>

#include "ui/shell/CSNewsUpdater.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr DayIndex kToday = 20260315;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 64 * 1024) return 0;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
  const DayIndex previous = DayIndex(data[0]) * 1000 + 20180000;

  for (NewsHeader header = FindNextNewsItem(text, 0, kToday); header.found();
       header = FindNextNewsItem(text, header.start + header.length, kToday)) {
    Check(header.start > 0 && text[header.start - 1] == u'\n');
    Check(header.start + header.length < text.size() && text[header.start + header.length - 1] == u':' &&
          text[header.start + header.length] == u' ');
    const int32_t month = MonthOfDayIndex(header.date), day = DayOfDayIndex(header.date);
    Check(month >= 1 && month <= 12 && day >= 1 && day <= 31 && YearOfDayIndex(header.date) >= 1);
  }

  const NewsCut cut = PlanNewsCut(text, previous, kToday);
  if (cut.found) {
    Check(cut.keepStart == FindNextNewsItem(text, 0, kToday).start);
    Check(cut.keepStart <= cut.keepEnd && cut.keepEnd <= text.size());
    Check(cut.keepEnd == cut.keepStart || !text[cut.keepEnd - 1].isSpace());
  }

  // Plain text maps one to one onto the document, so the edit keeps the range.
  std::unique_ptr<QTextDocument> document(NewOfflineTextDocument(nullptr));
  document->setPlainText(text);
  const QString plain = document->toPlainText();
  const NewsCut planned = PlanNewsCut(plain, previous, kToday);
  DayIndex latest = 0;
  Check(HandleNewsText(document.get(), previous, kToday, &latest) == planned.found);
  if (planned.found) {
    Check(latest == planned.latest);
    Check(document->toPlainText() == plain.mid(planned.keepStart, planned.keepEnd - planned.keepStart));
  }

  std::unique_ptr<QTextDocument> html(NewOfflineTextDocument(nullptr));
  html->setHtml(text);
  HandleNewsText(html.get(), previous, kToday, &latest);
  return 0;
}

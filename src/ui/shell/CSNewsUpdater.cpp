#include "ui/shell/CSNewsUpdater.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "support/SharedPreferences.h"
#include "support/StringWithFormat.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSAppUpdater.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/ShellResources.h"
#include "ui/shell/ShellWindows.h"

namespace {

const QString kNewsLinkText = QStringLiteral("TindleWick news page");

bool IsAsciiDigit(QChar c) {
  return c.unicode() >= '0' && c.unicode() <= '9';
}

// The value of text[from, to), all ASCII digits, held below a million.
int32_t DigitsValue(QStringView text, qsizetype from, qsizetype to) {
  int32_t value = 0;
  for (qsizetype i = from; i < to; ++i) value = std::min(value * 10 + text[i].unicode() - '0', 999999);
  return value;
}

// Reads nothing a page refers to; a missing image shows as nothing.
class OfflineTextDocument : public QTextDocument {
 public:
  using QTextDocument::QTextDocument;

 protected:
  QVariant loadResource(int, const QUrl&) override { return QVariant(); }
};

}  // namespace

// ---- Reading the news ---------------------------------------------------------------

NewsHeader FindNextNewsItem(QStringView text, qsizetype startIndex, DayIndex today) {
  const qsizetype n = text.size();
  if (startIndex < 0) startIndex = 0;
  qsizetype from = startIndex;
  while (from < n) {
    const qsizetype slash = text.indexOf(u'/', from);
    if (slash < 0) break;
    from = slash + 1;
    if (slash <= startIndex) continue;
    // The month, read backwards: digits that follow a line feed inside the
    // searched range.
    qsizetype monthStart = slash;
    while (monthStart > startIndex && IsAsciiDigit(text[monthStart - 1])) --monthStart;
    if (monthStart == slash || monthStart - 1 < startIndex || text[monthStart - 1] != u'\n') continue;
    const int32_t month = DigitsValue(text, monthStart, slash);
    if (month < 1 || month > 12) continue;
    // The day: one or two digits and a slash.
    const qsizetype dayStart = slash + 1;
    qsizetype dayEnd = dayStart;
    while (dayEnd < n && dayEnd - dayStart < 2 && IsAsciiDigit(text[dayEnd])) ++dayEnd;
    if (dayEnd == dayStart || dayEnd >= n || text[dayEnd] != u'/') continue;
    const int32_t day = DigitsValue(text, dayStart, dayEnd);
    if (day < 1 || day > 31) continue;
    // The year: one to four digits, a colon and a space.
    const qsizetype yearStart = dayEnd + 1;
    qsizetype yearEnd = yearStart;
    while (yearEnd < n && yearEnd - yearStart < 4 && IsAsciiDigit(text[yearEnd])) ++yearEnd;
    if (yearEnd == yearStart || yearEnd >= n || text[yearEnd] != u':') continue;
    int32_t year = DigitsValue(text, yearStart, yearEnd);
    if (year == 0) continue;
    if (year < 100) {
      year += YearOfDayIndex(today) / 100 * 100;
    } else if (year < kFirstNewsYear) {
      continue;
    }
    if (yearEnd + 1 >= n || text[yearEnd + 1] != u' ') continue;
    return NewsHeader{monthStart, yearEnd + 1 - monthStart, ComputeDayIndex(year, month, day)};
  }
  return NewsHeader();
}

NewsCut PlanNewsCut(QStringView text, DayIndex previousDate, DayIndex today) {
  NewsCut cut;
  const NewsHeader first = FindNextNewsItem(text, 0, today);
  if (!first.found()) return cut;
  cut.found = true;
  cut.latest = first.date;
  cut.keepStart = first.start;
  qsizetype end = text.size();
  bool itemsCut = false;
  if (previousDate != 0 && first.date > previousDate) {
    for (NewsHeader header = FindNextNewsItem(text, first.start + first.length, today); header.found();
         header = FindNextNewsItem(text, header.start + header.length, today)) {
      if (header.date <= previousDate) {
        end = header.start;
        itemsCut = true;
        break;
      }
    }
  }
  if (!itemsCut) {
    // The page's closing line, the last one ending in "news". HTML leaves
    // blanks at line ends and no line feed after the last line, so those
    // count as the line's end too. The newest item's line always stays.
    static constexpr QStringView kNews = u"news";
    for (qsizetype at = text.lastIndexOf(kNews); at > first.start; at = at > 0 ? text.lastIndexOf(kNews, at - 1) : -1) {
      qsizetype after = at + kNews.size();
      while (after < text.size() && text[after] != u'\n' && text[after].isSpace()) ++after;
      if (after != text.size() && text[after] != u'\n') continue;
      const qsizetype lineStart = text.lastIndexOf(u'\n', at) + 1;
      if (lineStart > first.start) end = lineStart;
      break;
    }
  }
  while (end > cut.keepStart && text[end - 1].isSpace()) --end;
  cut.keepEnd = end;
  return cut;
}

bool HandleNewsText(QTextDocument* document, DayIndex previousDate, DayIndex today, DayIndex* latestDate) {
  if (!document) return false;
  const QString text = document->toPlainText();
  const NewsCut cut = PlanNewsCut(text, previousDate, today);
  if (!cut.found) return false;
  if (latestDate) *latestDate = cut.latest;

  QTextCursor cursor(document);
  cursor.beginEditBlock();
  if (cut.keepEnd < text.size()) {
    cursor.setPosition(int(cut.keepEnd));
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }
  if (cut.keepStart > 0) {
    cursor.setPosition(0);
    cursor.setPosition(int(cut.keepStart), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  }

  // Links go with their underline and colour, and every run takes the
  // view's text colour.
  std::vector<std::pair<std::pair<int, int>, QTextCharFormat>> runs;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      QTextCharFormat format = fragment.charFormat();
      if (format.isAnchor() || format.hasProperty(QTextFormat::AnchorHref)) {
        format.setAnchor(false);
        format.clearProperty(QTextFormat::AnchorHref);
        format.clearProperty(QTextFormat::AnchorName);
        format.clearProperty(QTextFormat::TextUnderlineStyle);
        format.clearProperty(QTextFormat::FontUnderline);
      }
      format.clearForeground();
      runs.push_back({{fragment.position(), fragment.length()}, format});
    }
  }
  for (const auto& [range, format] : runs) {
    cursor.setPosition(range.first);
    cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
  }
  cursor.endEditBlock();
  return true;
}

QTextDocument* NewOfflineTextDocument(QObject* parent) {
  return new OfflineTextDocument(parent);
}

// ---- The checker ----------------------------------------------------------------------

CSNewsUpdater& CSNewsUpdater::sharedInstance() {
  static CSNewsUpdater* instance = [] {
    auto* updater = new CSNewsUpdater();
    AddLaunchHook(updater);
    return updater;
  }();
  return *instance;
}

CSNewsUpdater::CSNewsUpdater() : CSNewsUpdater(Options()) {}

CSNewsUpdater::CSNewsUpdater(Options options) : m_options(std::move(options)) {
  refreshToday();
  m_newsLink = LinkText(NewsPageUrl().toString(), kNewsLinkText, Qt::AlignHCenter, false);
  m_autoCheck = TindleWickBoolean(UpdaterSettingKey(kAutoNewsCheckKey), false);
  connect(&m_autoCheckTimer, &QTimer::timeout, this, &CSNewsUpdater::autoCheckTimerFired);
  buildWindow();
}

CSNewsUpdater::~CSNewsUpdater() {
  RemoveLaunchHook(this);
  m_currentDownload.reset();  // cancels and waits
  delete m_window;
}

void CSNewsUpdater::refreshToday() {
  const QDateTime now = m_options.clock ? m_options.clock() : QDateTime::currentDateTime();
  m_today = DayIndexForDate(now.toLocalTime().date());
}

QWidget* CSNewsUpdater::makePane(QWidget* content, const QString& proceedTitle, const QString& cancelTitle) {
  auto* pane = new QWidget(m_window);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(20, 16, 20, 16);
  content->setParent(pane);
  layout->addWidget(content, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  if (!cancelTitle.isEmpty()) {
    auto* button = new QPushButton(cancelTitle, pane);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &CSNewsUpdater::cancel);
    buttons->addWidget(button);
  }
  if (!proceedTitle.isEmpty()) {
    auto* button = new QPushButton(proceedTitle, pane);
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &CSNewsUpdater::proceed);
    buttons->addWidget(button);
  }
  layout->addLayout(buttons);
  pane->hide();
  return pane;
}

void CSNewsUpdater::buildWindow() {
  m_window = new QDialog;
  m_window->setObjectName(QString::fromLatin1(kNewsUpdatesInterface));
  m_window->setWindowTitle(QStringLiteral("Check for TindleWick News"));
  m_window->setFixedWidth(460);
  auto* layout = new QVBoxLayout(m_window);
  layout->setContentsMargins(0, 0, 0, 0);
  connect(m_window, &QDialog::rejected, this, [this] {
    m_newsData.clear();
    m_hasNews = false;
    stopWork();
  });

  auto label = [](const QString& text) {
    auto* field = new QLabel(text);
    field->setWordWrap(true);
    return field;
  };

  // Main pane: the link to the page, the two dates and the setting.
  auto* main = new QWidget;
  auto* grid = new QGridLayout(main);
  grid->setContentsMargins(0, 0, 0, 0);
  m_newsLinkView = new QTextBrowser(main);
  m_newsLinkView->setOpenLinks(false);
  m_newsLinkView->setReadOnly(true);
  m_newsLinkView->setFrameShape(QFrame::NoFrame);
  m_newsLinkView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_newsLinkView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_newsLinkView->setFixedHeight(24);
  connect(m_newsLinkView, &QTextBrowser::anchorClicked, this, [](const QUrl& url) { Workspace().openUrl(url); });
  m_lastCheckField = new QLabel(main);
  m_lastUpdateField = new QLabel(main);
  m_autoCheckBox = new QCheckBox(QStringLiteral("Check for news automatically"), main);
  connect(m_autoCheckBox, &QCheckBox::toggled, this, [this](bool on) { m_autoCheck = on; });
  grid->addWidget(label(QStringLiteral("TindleWick posts news about its programs on its web site.")), 0, 0, 1, 2);
  grid->addWidget(m_newsLinkView, 1, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Last checked:"), main), 2, 0);
  grid->addWidget(m_lastCheckField, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("Latest news seen:"), main), 3, 0);
  grid->addWidget(m_lastUpdateField, 3, 1);
  grid->addWidget(m_autoCheckBox, 4, 0, 1, 2);
  m_panes[kMainPane] = makePane(main, QStringLiteral("Check Now"), QStringLiteral("Done"));

  auto* checking = new QWidget;
  auto* checkingLayout = new QVBoxLayout(checking);
  checkingLayout->setContentsMargins(0, 0, 0, 0);
  checkingLayout->addWidget(label(QStringLiteral("Looking for TindleWick news\u2026")));
  m_checkSpinner = new QProgressBar(checking);
  m_checkSpinner->setRange(0, 1);
  m_checkSpinner->setTextVisible(false);
  checkingLayout->addWidget(m_checkSpinner);
  m_panes[kCheckingPane] = makePane(checking, QString(), QStringLiteral("Cancel"));

  m_panes[kUpToDatePane] =
      makePane(label(QStringLiteral("There is no news since you last looked.")), QStringLiteral("OK"), QString());
  m_panes[kCheckFailPane] =
      makePane(label(QStringLiteral("The TindleWick news page couldn't be read. Please try again later.")),
               QStringLiteral("OK"), QString());

  m_newsView = new QTextEdit;
  m_newsView->setReadOnly(true);
  m_newsView->setMinimumHeight(260);
  m_newsView->setDocument(NewOfflineTextDocument(m_newsView));
  m_panes[kNewsDisplayPane] = makePane(m_newsView, QStringLiteral("OK"), QString());

  setPane(m_panes[kMainPane]);
}

void CSNewsUpdater::setPane(QWidget* pane) {
  if (!pane || !m_window) return;
  m_currentPane = ShowOnlyPane(m_window, m_currentPane, pane);
}

void CSNewsUpdater::setAutoCheck(bool on) {
  m_autoCheck = on;
  m_autoCheckBox->setChecked(on);
}

void CSNewsUpdater::updateDateField(QLabel* field, DayIndex date) {
  if (!field) return;
  if (date == 0) {
    field->clear();
    return;
  }
  field->setText(
      StringWithFormat("%@ %d, %d", MonthName(MonthOfDayIndex(date), true), DayOfDayIndex(date), YearOfDayIndex(date)));
}

bool CSNewsUpdater::isWindowShown() const {
  return IsReusableDialogShown(m_window, m_modal);
}

void CSNewsUpdater::runModal() {
  RunReusableDialog(m_window, m_modal);
}

void CSNewsUpdater::endModal() {
  EndReusableDialog(m_window, m_modal);
}

void CSNewsUpdater::displayUpdateDialog() {
  if (RaiseReusableDialog(m_window, m_modal)) return;
  setPane(m_panes[kMainPane]);
  m_window->setWindowTitle(QStringLiteral("Check for TindleWick News"));
  refreshToday();
  m_autoCheckBox->setChecked(m_autoCheck);
  m_newsLinkView->clear();
  QTextCursor cursor(m_newsLinkView->document());
  for (const CSAttributedString::Run& run : m_newsLink.runs())
    cursor.insertText(m_newsLink.string().mid(run.start, run.length), run.format);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.select(QTextCursor::Document);
  cursor.mergeBlockFormat(centred);
  AdjustScrollViewForLink(m_newsLinkView, m_newsLink, true);
  updateDateField(m_lastCheckField, DayIndex(TindleWickInteger(UpdaterSettingKey(kLastNewsCheckKey))));
  updateDateField(m_lastUpdateField, DayIndex(TindleWickInteger(UpdaterSettingKey(kLastNewsDateKey))));
  runModal();
  SetTindleWickBoolean(UpdaterSettingKey(kAutoNewsCheckKey), m_autoCheck);
  SyncTindleWickPrefs();
  startAutoCheck();
}

void CSNewsUpdater::startAutoCheck() {
  if (!m_autoCheck) {
    m_autoCheckTimer.stop();
    return;
  }
  if (m_autoCheckTimer.isActive()) return;
  m_autoCheckTimer.start(kAutoCheckIntervalMs);
  autoCheckTimerFired();
}

void CSNewsUpdater::autoCheckTimerFired() {
  refreshToday();
  if (m_currentDownload || isWindowShown()) return;
  m_checkNowRequest = false;
  if (TindleWickInteger(UpdaterSettingKey(kLastNewsCheckKey)) < m_today) startCheck(false);
}

void CSNewsUpdater::startCheck(bool report) {
  if (!m_window || m_currentDownload) return;
  m_newsData.clear();
  m_hasNews = false;
  m_reportFailure = report;
  m_currentDownload =
      std::make_unique<CSAppUpdaterThread>(CSAppUpdaterThread::Work::Page, NewsPageUrl(), m_options.timeoutMs);
  connect(m_currentDownload.get(), &QThread::finished, this, &CSNewsUpdater::threadFinished, Qt::QueuedConnection);
  m_currentDownload->start();
}

void CSNewsUpdater::proceed() {
  if (m_currentPane != m_panes[kMainPane]) {
    endModal();
    return;
  }
  m_checkNowRequest = true;
  setPane(m_panes[kCheckingPane]);
  if (m_currentDownload) {
    // An automatic check is under way: its result, failure included, is
    // now the one asked for.
    m_reportFailure = true;
  } else {
    startCheck(true);
  }
  m_checkSpinner->setRange(0, 0);
}

void CSNewsUpdater::stopWork() {
  if (!m_currentDownload) return;
  CSAppUpdaterThread* thread = m_currentDownload.release();
  thread->disconnect(this);
  thread->cancel();
  connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  if (thread->isFinished()) thread->deleteLater();
  m_checkSpinner->setRange(0, 1);
}

void CSNewsUpdater::cancel() {
  m_newsData.clear();
  m_hasNews = false;
  stopWork();
  if (m_window && m_modal) m_window->done(QDialog::Rejected);
}

void CSNewsUpdater::threadFinished() {
  if (!m_currentDownload) return;
  std::unique_ptr<CSAppUpdaterThread> thread = std::move(m_currentDownload);
  thread->wait();
  m_hasNews = thread->wasSuccessful();
  m_newsData = m_hasNews ? thread->page() : QByteArray();
  thread.reset();
  m_checkSpinner->setRange(0, 1);
  if (m_hasNews || m_reportFailure) {
    reportCheckResults();
  } else {
    m_checkNowRequest = false;
  }
}

void CSNewsUpdater::reportCheckResults() {
  refreshToday();
  QWidget* pane = nullptr;
  if (m_hasNews) {
    updateDateField(m_lastCheckField, m_today);
    SetTindleWickInteger(UpdaterSettingKey(kLastNewsCheckKey), m_today);

    const DayIndex previous = DayIndex(TindleWickInteger(UpdaterSettingKey(kLastNewsDateKey)));
    DayIndex latest = 0;
    QTextDocument* document = nullptr;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString html = decoder(m_newsData);
    if (!decoder.hasError() && m_newsData.size() <= kMaxCheckPageBytes) {
      document = NewOfflineTextDocument(m_newsView);
      document->setHtml(html);
      if (!HandleNewsText(document, previous, m_today, &latest)) {
        delete document;
        document = nullptr;
      }
    }
    m_newsData.clear();
    m_hasNews = false;

    if (document && latest > previous) {
      updateDateField(m_lastUpdateField, latest);
      SetTindleWickInteger(UpdaterSettingKey(kLastNewsDateKey), latest);
      QTextDocument* old = m_newsView->document();
      // The news sits 8 points in from the sides and flush with the top.
      QTextFrameFormat frame = document->rootFrame()->frameFormat();
      frame.setMargin(0);
      frame.setLeftMargin(8);
      frame.setRightMargin(8);
      document->rootFrame()->setFrameFormat(frame);
      m_newsView->setDocument(document);
      if (old && old != document && old->parent() == m_newsView) delete old;
      pane = m_panes[kNewsDisplayPane];
      m_window->setWindowTitle(QStringLiteral("TindleWick News"));
    } else if (document) {
      delete document;
      pane = m_panes[kUpToDatePane];
    } else if (m_reportFailure) {
      pane = m_panes[kCheckFailPane];
    }
  } else if (m_reportFailure) {
    pane = m_panes[kCheckFailPane];
  }

  if (pane && (m_checkNowRequest || pane == m_panes[kNewsDisplayPane])) {
    setPane(pane);
    m_checkNowRequest = false;
    if (!isWindowShown()) runModal();
  }
  m_checkNowRequest = false;
  SyncTindleWickPrefs();
}

#include "ui/shell/CSAppUpdaterThread.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "support/CSCore.h"
#include "support/Files.h"

namespace {

// The value of the leading digits, held below a billion; 0 without any.
int32_t LeadingNumber(QStringView text) {
  int64_t value = 0;
  for (const QChar c : text) {
    if (!c.isDigit()) break;
    value = std::min<int64_t>(value * 10 + c.digitValue(), 999999999);
  }
  return int32_t(value);
}

// A file name that stays in its folder: the last component, without
// control characters, and neither "." nor "..".
QString LastNameComponent(QString name) {
  const qsizetype slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
  if (slash >= 0) name = name.mid(slash + 1);
  name.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
  name = name.trimmed();
  if (name == QLatin1String(".") || name == QLatin1String("..")) return QString();
  return name;
}

// The parameters of a Content-Disposition value, "attachment; filename=...":
// each name (lower-cased) with its value, quotes and escapes undone.
QList<std::pair<QByteArray, QByteArray>> DispositionParameters(const QByteArray& value) {
  QList<std::pair<QByteArray, QByteArray>> parameters;
  qsizetype i = value.indexOf(';');
  while (i >= 0 && i < value.size()) {
    ++i;  // past ';'
    const qsizetype equals = value.indexOf('=', i);
    const qsizetype semicolon = value.indexOf(';', i);
    if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
      i = semicolon;
      continue;
    }
    const QByteArray key = value.mid(i, equals - i).trimmed().toLower();
    qsizetype j = equals + 1;
    while (j < value.size() && value[j] == ' ') ++j;
    QByteArray text;
    if (j < value.size() && value[j] == '"') {
      for (++j; j < value.size() && value[j] != '"'; ++j) {
        if (value[j] == '\\' && j + 1 < value.size()) ++j;
        text += value[j];
      }
      i = value.indexOf(';', j);
    } else {
      const qsizetype end = value.indexOf(';', j);
      text = value.mid(j, end < 0 ? -1 : end - j).trimmed();
      i = end;
    }
    parameters.append({key, text});
  }
  return parameters;
}

}  // namespace

QString ProductWordForExecutable(const QString& executableName) {
  static const QString kMaker = QStringLiteral("Tindle ");
  const qsizetype at = executableName.indexOf(kMaker);
  if (at < 0) return QString();
  QString word = executableName.mid(at + kMaker.size());
  const qsizetype space = word.indexOf(QLatin1Char(' '));
  if (space >= 0) word.truncate(space);
  return word.toLower();
}

bool ReadRunningVersion(const QString& versionText, VersionTriple* version) {
  const QStringList parts = versionText.split(QLatin1Char('.'));
  if (parts.size() >= 4 || !version) return false;
  VersionTriple read{0, 0, 0};
  read[0] = LeadingNumber(parts[0]);
  if (parts.size() > 1) read[1] = LeadingNumber(parts[1]);
  if (parts.size() > 2) read[2] = LeadingNumber(parts[2]);  // "b3" gives 0
  *version = read;
  return true;
}

int64_t VersionNumber(const VersionTriple& version) {
  return int64_t(version[0]) * 1000000 + int64_t(version[1]) * 10000 + int64_t(version[2]);
}

bool ScanDownloadsPage(const QByteArray& page, const QString& productWord, VersionTriple* version, QString* link) {
  if (page.size() > kMaxCheckPageBytes || productWord.isEmpty()) return false;
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(page);
  if (decoder.hasError()) return false;

  static const QString kAnchor = QStringLiteral("<A HREF=\"");
  int32_t best[3] = {0, 0, 0};
  QString bestLink;
  qsizetype from = 0;
  while (true) {
    const qsizetype anchor = text.indexOf(kAnchor, from, Qt::CaseInsensitive);
    if (anchor < 0) break;
    const qsizetype start = anchor + kAnchor.size();
    const qsizetype quote = text.indexOf(QLatin1Char('"'), start);
    if (quote < 0) break;
    ParseDownloadName(text.mid(start, quote - start), productWord, best, &bestLink);
    from = quote + 1;
  }
  if (bestLink.isEmpty()) return false;
  if (version) *version = {best[0], best[1], best[2]};
  if (link) *link = bestLink;
  return true;
}

bool CheckForNewVersion(const QByteArray& page, const QString& executableName, const QString& versionText,
                        const QUrl& pageUrl, VersionTriple* downloadVersion, QUrl* downloadUrl) {
  if (downloadUrl) *downloadUrl = QUrl();
  if (downloadVersion) *downloadVersion = {0, 0, 0};
  const QString word = ProductWordForExecutable(executableName);
  if (word.isEmpty()) return false;
  VersionTriple running;
  if (!ReadRunningVersion(versionText, &running)) return false;
  VersionTriple found;
  QString link;
  if (!ScanDownloadsPage(page, word, &found, &link)) return false;
  if (downloadVersion) *downloadVersion = found;
  if (downloadUrl && VersionNumber(found) > VersionNumber(running))
    *downloadUrl = QUrl(pageUrl.toString() + QLatin1Char('/') + link);
  return true;
}

QString SuggestedFileName(const QByteArray& contentDisposition, const QUrl& url) {
  QString name;
  QString plainName;
  for (const auto& [key, value] : DispositionParameters(contentDisposition)) {
    if (key == "filename*") {
      // RFC 5987: charset'language'percent-encoded; only UTF-8 is read.
      const qsizetype quote = value.indexOf('\'');
      const qsizetype second = quote < 0 ? -1 : value.indexOf('\'', quote + 1);
      if (second > 0 && value.left(quote).compare("utf-8", Qt::CaseInsensitive) == 0)
        name = LastNameComponent(QUrl::fromPercentEncoding(value.mid(second + 1)));
    } else if (key == "filename") {
      plainName = LastNameComponent(QString::fromUtf8(value));
    }
  }
  if (name.isEmpty()) name = plainName;
  if (name.isEmpty()) name = LastNameComponent(url.fileName());
  if (name.isEmpty()) name = QStringLiteral("download");
  return name;
}

// ---- The thread -----------------------------------------------------------------

CSAppUpdaterThread::CSAppUpdaterThread(Work work, const QUrl& address, int timeoutMs, QObject* parent)
    : QThread(parent), m_work(work), m_address(address), m_timeoutMs(timeoutMs) {}

CSAppUpdaterThread::~CSAppUpdaterThread() {
  cancel();
  wait();
}

void CSAppUpdaterThread::setRunningVersion(const QString& executableName, const QString& versionText) {
  m_executableName = executableName;
  m_versionText = versionText;
}

void CSAppUpdaterThread::cancel() {
  m_cancelled.store(true);
  // Remembered when the event loop has not started yet.
  quit();
}

void CSAppUpdaterThread::takeProgress(uint64_t* done, uint64_t* total) {
  m_progressPending.store(false);
  if (done) *done = m_doneLength.load();
  if (total) *total = m_totalLength.load();
}

void CSAppUpdaterThread::run() {
  m_working.store(true);
  const bool success = !m_cancelled.load() && fetch();
  if (!success) m_downloadPath.clear();
  m_success.store(success);
  m_working.store(false);
}

bool CSAppUpdaterThread::fetch() {
  QNetworkAccessManager manager;
  QNetworkRequest request(m_address);
  // Naming the encoding ourselves keeps Qt from decompressing: the data is
  // stored as received.
  request.setRawHeader("Accept-Encoding", "identity");
  std::unique_ptr<QNetworkReply> reply(manager.get(request));

  QTimer idle;
  idle.setSingleShot(true);
  idle.setInterval(m_timeoutMs);
  QString failure;
  bool quiet = false;  // failures that were logged already
  bool responded = false;
  std::unique_ptr<QSaveFile> file;
  QByteArray page;

  // The reply is aborted once the event loop has returned, never from
  // inside one of its own signals.
  auto fail = [&](const QString& why) {
    if (failure.isEmpty()) failure = why;
    exit(0);
  };
  auto respond = [&] {
    if (responded || !failure.isEmpty()) return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) return;
    const int code = status.toInt();
    if (code >= 300 && code < 400) return;  // a redirection that Qt follows
    responded = true;
    if (code >= 400) {
      fail(QStringLiteral("The server answered %1 %2.")
               .arg(code)
               .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
      return;
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    m_totalLength.store(length.isValid() ? length.toULongLong() : 0);
    m_doneLength.store(0);
    if (m_work != Work::Download) {
      if (m_totalLength.load() > uint64_t(kMaxCheckPageBytes)) fail(QStringLiteral("The page is too large."));
      return;
    }
    const QString folder = PathForUserFolder(kUserFolderDownloads);
    if (folder.isEmpty()) {
      LogString("Can't find or create download folder");
      quiet = true;
      fail(QStringLiteral("No download folder."));
      return;
    }
    m_downloadPath =
        folder + QLatin1Char('/') + SuggestedFileName(reply->rawHeader("Content-Disposition"), reply->url());
    // Written beside the target and renamed over it only when complete, so
    // a failed download never destroys an earlier file of the same name.
    file = std::make_unique<QSaveFile>(m_downloadPath);
    file->setDirectWriteFallback(false);
    if (!file->open(QIODevice::WriteOnly)) fail(file->errorString());
  };
  auto consume = [&] {
    respond();
    const QByteArray data = reply->readAll();
    if (data.isEmpty() || !failure.isEmpty() || !responded) return;
    if (m_work != Work::Download) {
      if (page.size() + data.size() > kMaxCheckPageBytes) {
        fail(QStringLiteral("The page is too large."));
        return;
      }
      page += data;
      return;
    }
    if (file->write(data) != data.size()) {
      fail(file->errorString());
      return;
    }
    m_doneLength.fetch_add(uint64_t(data.size()));
    if (!m_progressPending.exchange(true)) emit progressed();
  };

  QObject::connect(&idle, &QTimer::timeout, &idle, [&] { fail(QStringLiteral("The request timed out.")); });
  QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [&] {
    idle.start();
    respond();
  });
  QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
    idle.start();
    consume();
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, reply.get(), [this] { exit(0); });
  idle.start();
  if (!reply->isFinished()) exec();
  idle.stop();
  reply->disconnect();
  if (m_cancelled.load() || !failure.isEmpty()) reply->abort();
  // An unfinished file is dropped with its QSaveFile.
  if (m_cancelled.load()) return false;
  if (failure.isEmpty()) consume();  // anything left after the last readyRead
  if (failure.isEmpty() && reply->error() != QNetworkReply::NoError) failure = reply->errorString();
  if (failure.isEmpty() && !responded) failure = QStringLiteral("The server gave no answer.");
  if (failure.isEmpty() && m_work == Work::Download && !file->commit()) failure = file->errorString();
  if (!failure.isEmpty()) {
    if (!quiet) LogString("Download %@ failed: %@", m_address.toString(), failure);
    return false;
  }

  switch (m_work) {
    case Work::Check: {
      QUrl newer;
      const bool matched =
          CheckForNewVersion(page, m_executableName, m_versionText, m_address, &m_downloadVersion, &newer);
      m_downloadPath = newer.toString();
      return matched;
    }
    case Work::Page:
      m_page = page;
      return true;
    case Work::Download:
      return true;
  }
  return false;
}

#pragma once
// The maker's web addresses and mail address, in one place. Every page is
// resolved against the site root, so tests point the whole set at a loopback
// server with SetSiteRoot() before any check or link is made.

#include <QString>
#include <QUrl>

// The support mail address that contact and log mails go to.
inline constexpr char kSupportAddress[] = "support@tindlewick.com";

// The site root as shipped; always ends with a slash.
inline constexpr char kDefaultSiteRoot[] = "https://www.tindlewick.com/";

// Paths below the site root.
inline constexpr char kDownloadsPath[] = "downloads";
inline constexpr char kNewsPath[] = "news/index.html";
inline constexpr char kDonatePath[] = "donate/";
inline constexpr char kLicensePath[] = "license.html";

namespace endpoints_detail {
inline QUrl& SiteRootStorage() {
  static QUrl root(QString::fromLatin1(kDefaultSiteRoot));
  return root;
}
}  // namespace endpoints_detail

// The site root now in use. Read on the main thread; the checkers resolve
// their page address before handing it to their worker thread.
inline QUrl SiteRoot() {
  return endpoints_detail::SiteRootStorage();
}

// Replaces the site root (tests: "http://127.0.0.1:<port>/"). A root without
// a trailing slash gets one, so that the paths resolve below it. An empty URL
// restores the shipped root.
inline void SetSiteRoot(const QUrl& root) {
  if (root.isEmpty()) {
    endpoints_detail::SiteRootStorage() = QUrl(QString::fromLatin1(kDefaultSiteRoot));
    return;
  }
  QUrl fixed = root;
  if (!fixed.path().endsWith(QLatin1Char('/'))) fixed.setPath(fixed.path() + QLatin1Char('/'));
  endpoints_detail::SiteRootStorage() = fixed;
}

inline QUrl SiteUrl(const char* path) {
  return SiteRoot().resolved(QUrl(QString::fromLatin1(path)));
}

// The downloads index that the update check reads; its links are file names
// relative to it ("%@/%@").
inline QUrl DownloadsPageUrl() {
  return SiteUrl(kDownloadsPath);
}

// The news page that the news check reads and its window links to.
inline QUrl NewsPageUrl() {
  return SiteUrl(kNewsPath);
}

inline QUrl DonatePageUrl() {
  return SiteUrl(kDonatePath);
}

inline QUrl LicensePageUrl() {
  return SiteUrl(kLicensePath);
}

// The host name shown for the site link (the about box's link text).
inline QString SiteHostName() {
  return SiteRoot().host();
}

inline QString SupportAddress() {
  return QString::fromLatin1(kSupportAddress);
}

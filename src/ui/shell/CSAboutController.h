#pragma once
// The about window: the application's name, its version with the build,
// the copyright notice, the caller's short description and links to the
// maker's web site and licence page. There is at most one; asking again
// brings the open one to the front.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include "support/CSAttributedString.h"

class QLabel;
class QTextBrowser;

class CSAboutController : public QObject {
  Q_OBJECT
 public:
  // Shows the about window, made with the description when none is open;
  // an open one keeps its description and comes to the front as it is.
  static void introduceTindleApp(const QString& description);
  // The open window's controller, or null.
  static CSAboutController* openController();

  // The keys the window is filled from ("CFBundleName", "CFBundleVersion",
  // "CFBundleShortVersionString", and "TWBuild" and
  // "NSHumanReadableCopyright" when the build gives them): by default the
  // bundle keys the build wrote. Tests set their own; an empty map restores
  // the default.
  static QVariantMap infoDictionary();
  static void setInfoDictionary(const QVariantMap& info);

  CSAboutController();
  ~CSAboutController() override;
  CSAboutController(const CSAboutController&) = delete;
  CSAboutController& operator=(const CSAboutController&) = delete;

  QWidget* window() const { return m_window; }
  QTextBrowser* linkView() const { return m_linkView; }
  QTextBrowser* licenseLinkView() const { return m_licenseLinkView; }

  const CSAttributedString& link() const { return m_link; }
  const CSAttributedString& licenseLink() const { return m_licenseLink; }
  const QString& appName() const { return m_appName; }
  // The application's version text and, in parentheses, the build.
  const QString& version() const { return m_version; }
  const QString& copyright() const { return m_copyright; }
  const QString& description() const { return m_description; }
  void setDescription(const QString& description);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildWindow();
  void awakeFromNib();
  void windowWillClose();

  QPointer<QWidget> m_window;  // owned; deleted with the controller
  QTextBrowser* m_linkView = nullptr;
  QTextBrowser* m_licenseLinkView = nullptr;
  QLabel* m_descriptionLabel = nullptr;
  CSAttributedString m_link;
  CSAttributedString m_licenseLink;
  QString m_appName;
  QString m_version;
  QString m_copyright;
  QString m_description;
};

#pragma once
// The application-wide commands every program of the maker shares: the next
// window, the update and news checks, the about box, the maker's web site
// and donations page, a mail to the maker, and mailing or copying the log.
// One shared handler, asked by every window's command chain after the
// application controller.

#include <QString>
#include <QUrl>

#include "ui/editor/DRActionRouter.h"

class QAction;
class QObject;

class CSActionHandler : public DRActionTarget {
 public:
  // A program's argument holds at most 128 KiB with its closing NUL on
  // Linux; the desktop's link opener cannot hand on a longer mail link.
  static constexpr qsizetype kMaxMailLinkBytes = 128 * 1024 - 1;
  // The dynamic property a sender sets to true when its mail reports a
  // problem (the autosave recovery dialog does).
  static const char* const kProblemProperty;  // "isTWProblem"

  // Made on first use, and then one of the application's command targets.
  static CSActionHandler& sharedInstance();
  CSActionHandler(const CSActionHandler&) = delete;
  CSActionHandler& operator=(const CSActionHandler&) = delete;

  // Makes the autosave recovery dialog's contact button mail a problem
  // report from here; done when the handler is made.
  void installContactAction();

  // ---- Commands ----
  static const DRActionTable<CSActionHandler>& actionTable();
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  // Closes any open popover first; then the web site is always available
  // and every other command while no modal window runs.
  bool validateMenuItem(const QString& selector, QAction* item) override;

  // Brings the window behind the main one forward, counting a tab group as
  // one window, so repeating it cycles through the document windows.
  void nextWindow(QObject* sender);
  void checkUpdates(QObject* sender);
  void checkNewsUpdates(QObject* sender);
  void showAbout(QObject* sender);
  void visitWebsite(QObject* sender);
  void donations(QObject* sender);
  // A mail to the maker: a problem report when the sender says so
  // (kProblemProperty), else a question or comment.
  void contactTindleWick(QObject* sender);
  void emailLogs(QObject* sender);
  void copyLogs(QObject* sender);

  // ---- Mail links ----
  // The text escaped for a mail link's subject or body: UTF-8, every byte
  // but the unreserved ones written %XX, line feeds as %0D%0A.
  static QString MailEscape(const QString& text);
  // "mailto:" + the support address + "?subject=...&body=...", or an
  // invalid URL when the link cannot be made or is too long to hand on.
  static QUrl MailLink(const QString& subject, const QString& body);

 private:
  CSActionHandler();
  ~CSActionHandler() override;

  bool validateAlways(QAction* item);
  bool validateWithoutModal(QAction* item);
};

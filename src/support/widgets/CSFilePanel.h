#pragma once
// The application's open and save panel: a file dialog that takes document
// packages (folders of the registered extensions) as files rather than
// stepping into them, asks before a package is replaced, starts in a
// useful folder and opens wide enough to show its Size and Date columns.

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QEvent;
class QShowEvent;

class CSFilePanel : public QFileDialog {
  Q_OBJECT
 public:
  explicit CSFilePanel(QWidget* parent = nullptr, const QString& caption = QString());
  ~CSFilePanel() override;

  // Folders whose extension is one of these, ignoring case, are documents.
  static void setPackageExtensions(const QStringList& extensions);
  static QStringList packageExtensions();
  static bool isPackage(const QString& path);

  // Where a panel starts: the folder holding the document at `documentPath`
  // when it has one, else the folder of the last confirmed panel, else the
  // Documents folder (the home folder when there is none).
  static QString startingFolder(const QString& documentPath = QString());
  static QString lastFolder();
  static void setLastFolder(const QString& folder);

  // The paths chosen; a package chosen in an open panel is given as it is.
  QStringList chosenPaths() const;

  // Widens the panel, as far as its screen allows, so that every column of
  // the detail list shows; showing the panel does it.
  void fitColumns();

  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Chooses a package as a file: in an open panel it is taken at once, in a
  // save panel the replace question comes first.
  void choosePackage(const QString& path);
  void askToReplace(const QString& path);
  // The save button reads "Open" for a folder; a package is saved onto.
  void keepSaveTitle();
  void fixSaveTitle();
  QString packageAt(const QModelIndex& index) const;

  QStringList m_packages;
  bool m_replaceAsked = false;
  bool m_titleCheckQueued = false;
};

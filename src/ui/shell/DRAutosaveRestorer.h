#pragma once
// The dialog that lists the autosave copies found at launch and asks whether
// to open them. Each entry is a map with "name" (the package's folder name)
// and "path" (the drawing's own path, or "untitled").

#include <QDialog>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>

class QPushButton;
class QTableWidget;

class DRAutosaveRestorer : public QDialog {
  Q_OBJECT
  // The contact command asks its sender this: a mail from here is a
  // problem report.
  Q_PROPERTY(bool isTWProblem READ isTWProblem CONSTANT)

 public:
  explicit DRAutosaveRestorer(const QList<QVariantMap>& autosaves, QWidget* parent = nullptr);
  ~DRAutosaveRestorer() override;

  // Runs the dialog modally with the entries, over `parent` (the front
  // document window) when there is one; true when the user chose OK.
  static bool shouldOpenAutosaves(const QList<QVariantMap>& entries, QWidget* parent = nullptr);

  // What the contact button does; until one is set the button stays hidden.
  // It is given the dialog.
  using ContactAction = std::function<void(QWidget* dialog)>;
  static void setContactAction(ContactAction action);

  // The text of a column for an entry: for "name", the last component of an
  // absolute path, else the path text itself; for any other column, the
  // folder of an absolute path, else empty.
  static QString objectValue(const QVariantMap& entry, const QString& columnIdentifier);
  int numberOfRows() const { return int(m_autosaveDicts.size()); }

  const QList<QVariantMap>& autosaveDicts() const { return m_autosaveDicts; }
  QTableWidget* fileList() const { return m_fileList; }
  QPushButton* contactButton() const { return m_contactButton; }
  QPushButton* helpButton() const { return m_helpButton; }
  bool isTWProblem() const { return true; }

  void ok();
  void cancel();
  void contactTindleWick();
  void giveHelp();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QList<QVariantMap> m_autosaveDicts;
  QTableWidget* m_fileList = nullptr;
  QPushButton* m_contactButton = nullptr;
  QPushButton* m_helpButton = nullptr;
};

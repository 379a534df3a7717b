#pragma once
// The save panel's format accessory of a drawing: a pop-up of the save
// types, a button back to the drawing's folder and the image options of
// the chosen format, which are the saving preferences. It keeps the typed
// name's extension in step with the chosen format, and it treats a
// drawing package (a folder) under the typed name as a file: it is
// replaced after the user agrees, never entered.

#include <QCheckBox>
#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QString>
#include <QStringList>

#include "ui/shell/CSDocumentSaveFormatVC.h"

class DRPrefController;
class QFileDialog;

class DRSaveFormatVC : public QObject, public CSDocumentSaveFormatVC {
 public:
  // `preferences` not owned; null: the shared preferences.
  explicit DRSaveFormatVC(DRPrefController* preferences = nullptr);
  ~DRSaveFormatVC() override;

  // The name with every trailing save-type extension stripped (an
  // extension that is not a save type stays), "Untitled" when nothing is
  // left, then the extension.
  static QString enforceFormat(const QString& name, const QStringList& saveTypes, const QString& extension);
  // The same for the chosen format; the panel shows the result with its
  // base name selected and offers only that format.
  QString enforceFormat(const QString& name);
  // Chooses the format of the extension ("jpeg" counts as "jpg" and "tif"
  // as "tiff"), and answers the name (or the panel's) enforced; null when
  // the extension is not a save type.
  QString setExtension(const QString& extension, const QString& fileName);

  // ---- CSDocumentSaveFormatVC ----
  void setSavePanel(QFileDialog* panel) override;
  QWidget* loadView() override;
  void setFormatIndex(unsigned index) override;
  void setSaveTypes(const QStringList& types) override;
  void goToOriginalPath() override;
  void ensureExtensionAllowed(const QString& extension, QFileDialog* panel) override;
  void setExtension(const QString& extension) override;

  // The panel's confirmation: the typed name gets the format's extension;
  // an existing package under it is replaced after asking. False when the
  // user declined, and the panel stays.
  bool confirmTypedName();

  QComboBox* formatButton() const { return m_formatButton; }
  QPushButton* originalFolderButton() const { return m_originalFolderButton; }
  QStackedWidget* optionTabView() const { return m_optionTabView; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void changeFormat();
  void showOptionsForFormat();
  QString panelFileName() const;

  DRPrefController* m_preferences;
  QPointer<QWidget> m_view;
  QPointer<QComboBox> m_formatButton;
  QPointer<QPushButton> m_originalFolderButton;
  QPointer<QStackedWidget> m_optionTabView;
  QPointer<QSlider> m_qualitySlider;
  QPointer<QCheckBox> m_tiffBox;
};

#pragma once
// The save panel's format accessory as the document window drives it: the
// window makes one per save panel (CSDocumentWC::saveFormatVC), hands it the
// panel and the document's folder, and reads back the chosen format and
// options. The accessory of an application's documents derives from it.

#include <QString>
#include <QStringList>

class CSDocument;
class QFileDialog;
class QWidget;

class CSDocumentSaveFormatVC {
 public:
  virtual ~CSDocumentSaveFormatVC() = default;

  // The folder the document came from, and the panel it serves.
  virtual void setOriginalPath(const QString& path) { m_originalPath = path; }
  const QString& originalPath() const { return m_originalPath; }
  virtual void setSavePanel(QFileDialog* panel) { m_savePanel = panel; }
  QFileDialog* savePanel() const { return m_savePanel; }

  // The accessory's view, made on first call and owned by the caller (the
  // panel, once added); null when it has none, which drops the accessory.
  virtual QWidget* loadView() { return nullptr; }

  // The chosen entry of the save types.
  virtual unsigned formatIndex() const { return m_formatIndex; }
  virtual void setFormatIndex(unsigned index) { m_formatIndex = index; }
  virtual void setSaveTypes(const QStringList& types) { m_saveTypes = types; }
  const QStringList& saveTypes() const { return m_saveTypes; }
  // Sends the panel to the original folder.
  virtual void goToOriginalPath() {}
  // Makes sure the panel offers the extension.
  virtual void ensureExtensionAllowed(const QString& extension, QFileDialog* panel) { (void)extension, (void)panel; }
  virtual void setExtension(const QString& extension) { m_extension = extension; }
  const QString& extension() const { return m_extension; }
  // Stores the format's further options into the document before it saves.
  virtual void saveOtherOptions(CSDocument* document) { (void)document; }

 private:
  QString m_originalPath;
  QFileDialog* m_savePanel = nullptr;
  unsigned m_formatIndex = 0;
  QStringList m_saveTypes;
  QString m_extension;
};

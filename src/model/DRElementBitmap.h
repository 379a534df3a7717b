#pragma once
// A painting placed on the page at a size and an opacity. The pixels belong
// to the drawing: the drawing keeps its paintings by GUID and the package
// stores each once. When the painting editor commits an edit, every bitmap
// element (not the copies kept for undo) showing a painting of that GUID
// takes the new pixels.

#include <memory>

#include "model/DRElement.h"
#include "model/DRPainting.h"

// Posted with the element as object before it takes an edited painting.
extern const QString g_updateBitmapNotification;  // "twdraw.updateBitmap"
// Posted by the painting editor with the edited painting (a DRPainting*) as
// object and the window under "window" in the user information, as
// QVariant::fromValue<QObject*>(window).
extern const QString g_bitmapChangeNotification;  // "twdraw.bitmapChange"

class DRElementBitmap : public DRElement {
  Q_GADGET
  Q_PROPERTY(QString guid READ guid WRITE setGuid)
  Q_PROPERTY(QString name READ name WRITE setName)
  Q_PROPERTY(qlonglong opacity READ opacity WRITE setOpacity)

 public:
  DRElementBitmap();
  // Shows the painting itself (not a copy).
  explicit DRElementBitmap(std::shared_ptr<DRPainting> painting);
  ~DRElementBitmap() override;
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // Null when the record named a painting the drawing lacks or that could
  // not be read: the element keeps its place and draws nothing.
  const std::shared_ptr<DRPainting>& painting() const { return m_painting; }
  // Shows a copy of the painting, sized by updateSize().
  void setPainting(const std::shared_ptr<DRPainting>& painting);
  const QString& guid() const { return m_guid; }
  void setGuid(const QString& guid) { m_guid = guid; }
  const QString& name() const { return m_name; }
  void setName(const QString& name) { m_name = name; }
  // 0 opaque; otherwise 1 + the opacity in thousandths (1 ... 1,001).
  int64_t opacity() const { return m_opacity; }
  void setOpacity(int64_t opacity) { m_opacity = opacity; }

  bool canScale() const override { return true; }
  void setConstrained(bool constrained) override;
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;

  bool savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace, CSError* error) override;
  void recordImageGuid(QSet<QString>& guids) const override;
  bool installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing) override;

  // Takes the painting's size as the original size; the frame follows.
  void updateSize();

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementBitmap>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void didReadRecord() override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  void bitmapChanged(const std::shared_ptr<DRPainting>& edited, QObject* window);

  std::shared_ptr<DRPainting> m_painting;
  QString m_guid;
  QString m_name;
  int64_t m_opacity = 0;
};

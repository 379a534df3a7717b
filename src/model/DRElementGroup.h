#pragma once
// Elements kept together so that they move, copy and stack as one. Each
// member keeps its own styles and is drawn and hit-tested by itself; member
// frames are relative to the group's frame origin. Index 0 is drawn first
// (at the back).

#include <memory>
#include <vector>

#include "model/DRElement.h"

using DRElementList = std::vector<std::unique_ptr<DRElement>>;

class DRElementGroup : public DRElement {
  Q_GADGET

 public:
  DRElementGroup();
  // Groups elements whose frames are on the page: the group's frame is their
  // union (a side of 0 counting as one point, so lines add their width) and
  // the members' origins become relative to it.
  explicit DRElementGroup(DRElementList elements);
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // Gives the members back with page frames, leaving the group empty.
  DRElementList ungroup();

  const DRElementList& subelements() const { return m_subelements; }
  void setSubelements(DRElementList elements) { m_subelements = std::move(elements); }

  bool savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace, CSError* error) override;
  void recordImageGuid(QSet<QString>& guids) const override;
  bool installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing) override;

  CSRect bounds(bool forPrinting) const override;
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  // A group is moved and rotated, never resized by its dots.
  bool isGrabDotActive(int32_t dot) const override {
    (void)dot;
    return false;
  }
  // Hit when a member is, asked from the front to the back.
  bool isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick) override;
  bool intersectsWithRect(const QRectF& rect, DRElementHostingView* view) override;

  bool isConstrained() const override { return false; }
  void setConstrained(bool constrained) override { (void)constrained; }

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementGroup>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  DRElementList m_subelements;
};

// ---- Shared by the containers ----

// Copies of every member in order; false when one cannot be copied.
bool CopyElementList(const DRElementList& from, DRElementList* to);
// Reads the element records inside "elements" (the decoder on its start
// tag) through its end tag, appending each that yields an element.
void ReadElementList(CSXmlDecoder& decoder, DRDrawing* drawing, DRElementList* elements);
// Writes "elements" with one "element" record per member; with
// `passSaving` each member writes with the given saving flag.
void WriteElementList(CSXmlEncoder& encoder, const DRElementList& elements, std::optional<bool> passSaving);
// The union of the frames, zero-sized sides included; with `minimumSide`, a
// side of 0 counts as that long.
CSRect UnionOfFrames(const DRElementList& elements, MeasureUnit minimumSide);

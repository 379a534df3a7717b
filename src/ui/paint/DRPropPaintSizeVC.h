#pragma once
// The painting size pane: the width and height of the painting in the
// current tab. A typed size is posted to the window as a size change that
// the painting controller carries out; a typing run keeps one undo id, so
// that it is one "Size" step.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSMeasureField;
class DRPaintVC;
class DRPaneRegistry;
struct CSNotification;

// A field for one side of a painting: from one point up to the pixmap's
// largest side.
CSMeasureField* NewPaintingSizeField(QWidget* parent, const char* name);

class DRPropPaintSizeVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropPaintSizeVC(QWidget* parent = nullptr);

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;

  CSMeasureField* widthField() const { return m_widthField; }
  CSMeasureField* heightField() const { return m_heightField; }

  // "twdraw.sizeChange" of the window: shows the size it carries, unless
  // the canvas corner is being dragged ("resizing").
  void sizeChanged(const CSNotification& notification);
  // Shows the painting's size again in the user's new unit.
  void unitsChanged();

 private:
  // The edit of one field ended after typing.
  void commitField(QLineEdit* field);
  DRPaintVC* paintVC() const;

  CSMeasureField* m_widthField = nullptr;
  CSMeasureField* m_heightField = nullptr;
  uint32_t m_undoID = 0;
};

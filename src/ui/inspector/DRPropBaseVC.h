#pragma once
// The base of every inspector pane. A pane shows the selection of its
// window and sends each change the user makes as a settings change of the
// selection, after opening an undo entry on the current content controller:
// one-shot controls (check boxes, menus, segments, buttons) open a new
// entry each time; continuous ones (a slider with its field, typing, a run
// of colours) keep an undo id, so that a whole drag or typing run is one
// step. A refused entry (the drawing is locked) changes nothing.
//
// A pane lives as long as its level of the property view: every rebuild
// makes new panes, which start with fresh undo ids and no edit under way.

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/NotificationCenter.h"
#include "support/Measure.h"
#include "ui/inspector/CSPropertyPane.h"

class DRContentVC;
class DRElement;
class DRWindowController;
class CSDoubleSlider;
class QAbstractSlider;
class QCheckBox;
class QLineEdit;

class DRPropBaseVC : public QWidget, public CSPropertyPane {
  Q_OBJECT

 public:
  explicit DRPropBaseVC(QWidget* parent = nullptr);
  ~DRPropBaseVC() override;

  DRWindowController* windowController() const;
  // The first call, made by the property view before the pane is shown,
  // wakes the pane (awakeFromNib). A controller that is not a drawing
  // window's leaves the pane without a window.
  void setWindowController(QObject* controller) override;
  void paneWillRetire() override;
  bool isRetired() const { return m_retired; }

  // Follows "cvb.selectionChange" of the window and shows the selection
  // once. A pane's own version calls this first, then sets up its controls
  // and its other observers.
  virtual void awakeFromNib();
  // Shows the current selection; the base shows nothing.
  virtual void selectionChanged() {}

  // ---- Helpers of every pane ----
  // The document window: the object of every notification the pane follows.
  QObject* notificationWindow() const;
  DRContentVC* currentVC() const;
  const std::vector<DRElement*>& selection() const;

  // Opens a new undo entry for the change about to be made (one-shot
  // controls); false: change nothing.
  bool openUndoEntry(int descriptor);
  // Opens an entry under the kept id, or merges into the one it opened
  // while that is still the controller's current entry (continuous
  // controls); false: change nothing.
  bool openUndoEntry(uint32_t* undoId, int descriptor);

  // Whether the box is on; a box showing the mixed state turns on.
  static bool checkboxValue(QCheckBox* box);
  // The measure of a slider (or spin box) or of its paired field, rounded
  // to the step; a slider moved while its field is being edited ends that
  // edit first.
  static MeasureUnit valueFromPair(QWidget* sender, QLineEdit* field, MeasureUnit step);
  // Both controls of a pair show the measure: the slider in points (or
  // degrees, or percent), the field in its unit; the mixed value shows as
  // "-" with the slider at 0. Neither sends its action.
  static void showPairValue(QAbstractSlider* slider, QLineEdit* field, MeasureUnit value);
  // The angle of a rotation slider (degrees) or of its paired field, taken
  // as RotationFromControl takes it; the mixed value when the field shows
  // "-". The slider ends any typing in the field first.
  static MeasureUnit rotationFromPair(QWidget* sender, CSDoubleSlider* slider, QLineEdit* field);

  // ---- Text fields ----
  // Typing into the field starts an edit; when the edit ends (Return, Tab,
  // the focus going) after something was typed, the action runs with the
  // field. A field that only gained and lost the focus, or whose typing
  // was taken back with Escape, sends nothing.
  void watchTextField(QLineEdit* field, std::function<void(QLineEdit*)> action);
  void controlTextDidBeginEditing(QLineEdit* field);
  void controlTextDidEndEditing(QLineEdit* field);
  bool editingStarted() const { return m_editingStarted; }

 protected:
  // Scales every selected element the filter takes, the last selected
  // first; true when any changed. An element without an original size is
  // left alone: scaling it would shrink it to nothing.
  bool scaleSelection(MeasureUnit scale, const std::function<bool(const DRElement*)>& takes);

  // Follows a notification of the pane's window (of any object with
  // `anyObject`, as "twdraw.unitsChanged" needs) until the pane retires.
  void observe(const QString& name, std::function<void(const CSNotification&)> handler, bool anyObject = false);

 private:
  QPointer<DRWindowController> m_windowController;
  QHash<QLineEdit*, std::function<void(QLineEdit*)>> m_fieldActions;
  bool m_editingStarted = false;
  bool m_awake = false;
  bool m_retired = false;
};

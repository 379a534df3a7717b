#pragma once
// The modal dialog that steps the red, green and blue of the selected
// pixels up or down with a live preview: every slider move starts again
// from the base pixels, so steps never pile up. OK keeps the preview; the
// caller restores the base after any other end.

#include <QDialog>
#include <QPointF>
#include <cstdint>

class CSPixmap;
class DRPaintView;
class DRPainting;
class QPushButton;
class QSlider;

class DRColorAdjustDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 57;
  // Each slider runs from -kMaxSteps to kMaxSteps; 0 changes nothing.
  static constexpr int kMaxSteps = 10;

  // Runs the dialog modally over the canvas's window; true when it ended
  // with OK. None of the arguments is kept past the call.
  static bool adjustColor(const CSPixmap* basePixmap, DRPainting* painting, DRPaintView* paintView,
                          const CSPixmap* maskPixmap, QPointF maskOrigin);

  DRColorAdjustDialog(const CSPixmap* basePixmap, DRPainting* painting, DRPaintView* paintView,
                      const CSPixmap* maskPixmap, QPointF maskOrigin, QWidget* parent = nullptr);

  QSlider* redSlider() const { return m_redSlider; }
  QSlider* greenSlider() const { return m_greenSlider; }
  QSlider* blueSlider() const { return m_blueSlider; }
  QPushButton* okButton() const { return m_okButton; }
  QPushButton* cancelButton() const { return m_cancelButton; }
  QPushButton* helpButton() const { return m_helpButton; }

  // The preview of the sliders' steps.
  void setDelta();
  void ok() { done(1); }
  void cancel() { done(0); }
  void giveHelp();

 private:
  QSlider* newSlider(const char* name);

  QSlider* m_redSlider = nullptr;
  QSlider* m_greenSlider = nullptr;
  QSlider* m_blueSlider = nullptr;
  QPushButton* m_okButton = nullptr;
  QPushButton* m_cancelButton = nullptr;
  QPushButton* m_helpButton = nullptr;
  const CSPixmap* m_basePixmap;
  const CSPixmap* m_maskPixmap;
  DRPainting* m_painting;
  DRPaintView* m_paintView;
  QPointF m_maskOrigin;
};

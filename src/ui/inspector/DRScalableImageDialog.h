#pragma once
// Asks at which scale (and, for a PDF of several pages, which page) a
// scalable picture is turned into pixels, shows the rendering and answers
// it. Runs application-modal: the painting import waits for the answer. The
// factor runs from 1 (the picture's own size; never smaller) to the factor
// that makes the larger side 16,000 points; the last accepted factor is
// kept in the settings.

#include <QDialog>
#include <QSizeF>
#include <QString>
#include <memory>

#include "support/CSImage.h"

class CSDoubleSlider;
class CSMeasureField;
class PdfRenderer;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class DRScalableImageDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr double kMaxRenderedSide = 16000;  // points
  static constexpr int64_t kHelpTopic = 65;
  static const QString kImageScaleKey;  // "twdraw.imageScale": factor x 1,000

  // Runs the dialog for the file. OK answers the rendering (nil when there
  // is none); Cancel answers nil with `canceled` set. A file that cannot be
  // read (or an EPS file) answers nil without asking and is not a cancel.
  static CSImage scalableImage(const QString& path, bool* canceled);

  explicit DRScalableImageDialog(const QString& path, QWidget* parent = nullptr);
  ~DRScalableImageDialog() override;

  // Whether the file gave a picture of some size.
  bool isLoaded() const { return m_loaded; }

  const CSImage& image() const { return m_image; }
  double scale() const { return m_scale; }
  double maxScale() const { return m_maxScale; }
  QSizeF size() const { return m_size; }
  QSizeF trueSize() const { return m_trueSize; }
  uint64_t pageCount() const { return m_pageCount; }
  uint64_t pageIndex() const { return m_pageIndex; }
  const QString& filePath() const { return m_filePath; }

  CSMeasureField* scaleField() const { return m_scaleField; }
  CSDoubleSlider* scaleSlider() const { return m_scaleSlider; }
  CSMeasureField* widthField() const { return m_widthField; }
  CSMeasureField* heightField() const { return m_heightField; }
  QLineEdit* pageField() const { return m_pageField; }
  QSpinBox* pageSpinner() const { return m_pageSpinner; }
  QLabel* instructionLabel() const { return m_instructionLabel; }
  QLabel* pageCountLabel() const { return m_pageCountLabel; }

  // ---- Actions ----
  // Keeps the factor in the settings and ends with 1.
  void ok();
  void cancel();
  // From the scale field (a percent) or the slider (the factor).
  void setScaling(QWidget* sender);
  // From the page field or the stepper.
  void setPageNumber(QWidget* sender);
  void giveHelp();
  // Typing in a field: acted on when the typing ends.
  void controlTextDidBeginEditing(QLineEdit* field);
  void controlTextDidEndEditing(QLineEdit* field);

  // Escape and the window's close button cancel.
  void reject() override { cancel(); }

  // Renders at the current factor (when it changed) and shows it; while
  // the slider is held down only the fields follow.
  void applyNewScale();
  // The picture is older than the factor (a slider drag in progress).
  bool renderPending() const { return m_scale != m_scaleOfImage; }

 private:
  class ImageWell;

  void buildInterface();
  void awakeFromNib();
  void setScaleLimit();
  void setScaleClamped(double factor);
  void watchField(QLineEdit* field);

  ImageWell* m_imageView = nullptr;
  QLabel* m_instructionLabel = nullptr;
  CSMeasureField* m_scaleField = nullptr;
  CSDoubleSlider* m_scaleSlider = nullptr;
  CSMeasureField* m_widthField = nullptr;
  CSMeasureField* m_heightField = nullptr;
  QLineEdit* m_pageField = nullptr;
  QSpinBox* m_pageSpinner = nullptr;
  QLabel* m_pageLabel = nullptr;
  QLabel* m_pageCountLabel = nullptr;
  QPushButton* m_okButton = nullptr;

  QString m_filePath;
  CSImage m_image;
  std::unique_ptr<PdfRenderer> m_pdfDocument;  // only with several pages
  uint64_t m_pageCount = 0;
  uint64_t m_pageIndex = 0;
  uint64_t m_pageIndexOfImage = 0;
  double m_scale = 1.0;
  double m_scaleOfImage = 1.0;
  double m_maxScale = 1.0;
  QSizeF m_size;
  QSizeF m_trueSize;
  bool m_editingStarted = false;
  bool m_loaded = false;
};

#pragma once
// The modal window that shows how far a colour swap has come and offers
// Cancel. It starts the operation on a pool of its own once it is shown,
// moves its bar with the operation's progress reports and ends itself at
// the final report (or when the operation finishes). Ending waits for the
// worker, so the pixels are never touched by two threads once it has
// closed; ending twice is harmless.

#include <QDialog>
#include <QPointer>
#include <QThreadPool>

class DRSwapPixelsOperation;
class QProgressBar;
class QPushButton;

class DRSwapProgressDialog : public QDialog {
  Q_OBJECT

 public:
  // The bar's steps from none to all done.
  static constexpr int kProgressSteps = 10000;

  // Runs the dialog modally over the parent's window; returns once the
  // operation has finished or been cancelled.
  static void showProgressForOperation(DRSwapPixelsOperation* operation, QWidget* parent);

  DRSwapProgressDialog(DRSwapPixelsOperation* operation, QWidget* parent);
  ~DRSwapProgressDialog() override;

  QProgressBar* indicator() const { return m_indicator; }
  QPushButton* cancelButton() const { return m_cancelButton; }
  QThreadPool& queue() { return m_queue; }
  // The fraction the bar shows, 0 to 1.
  double fraction() const;

  // A progress report of the operation's pixels.
  void updateProgress(double count, double total);
  // Stops the operation, waits for the worker, ends the modal loop; only
  // the first call does anything.
  void cancel();
  bool isEnding() const { return m_ending; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override { cancel(); }

 private:
  // Hands the operation to the pool once.
  void start();

  DRSwapPixelsOperation* m_operation;
  QThreadPool m_queue;
  QProgressBar* m_indicator = nullptr;
  QPushButton* m_cancelButton = nullptr;
  bool m_started = false;
  bool m_ending = false;
};

#pragma once
// The base of work that runs on a thread pool: a subclass puts the work in
// performOperation() and learns the outcome in operationFinished(), both on
// the pool's thread. An exception in the work never leaves the operation: it
// is logged and reported as failure.

#include <QObject>
#include <QRunnable>
#include <atomic>

class CSAsyncOperation : public QObject, public QRunnable {
  Q_OBJECT
 public:
  // The pool does not delete the operation: whoever starts it owns it and
  // may read its state after it ran.
  CSAsyncOperation();
  ~CSAsyncOperation() override = default;

  // The pool's entry point: runs main().
  void run() override;
  // Marks the operation working, runs the work, clears the mark, reports.
  void main();

  // The work; true for success. The base does nothing and fails.
  virtual bool performOperation();
  // Called on the operation's own thread after the work, with its result; a
  // subclass that touches the interface must hand over to the main thread.
  virtual void operationFinished(bool success);

  // Asks the operation to stop; one not yet started then never works. A
  // subclass whose work can stop part-way overrides this and calls it.
  virtual void cancel();
  bool isCancelled() const { return m_cancelled.load(); }

  bool isConcurrent() const { return false; }
  bool isExecuting() const { return m_working.load(); }
  // An operation that has not started answers true as well.
  bool isFinished() const { return !m_working.load(); }
  bool working() const { return m_working.load(); }

 signals:
  // Emitted after operationFinished() from the pool's thread; receivers in
  // other threads get it queued.
  void finished(bool success);

 private:
  // Written by the pool's thread and read by whoever asks.
  std::atomic<bool> m_working{false};
  std::atomic<bool> m_cancelled{false};
};

#include "ui/paint/DRSwapProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "pixmap/CSPixmap.h"
#include "platform/NotificationCenter.h"
#include "ui/paint/DRSwapPixelsOperation.h"

void DRSwapProgressDialog::showProgressForOperation(DRSwapPixelsOperation* operation, QWidget* parent) {
  if (!operation) return;
  DRSwapProgressDialog dialog(operation, parent ? parent->window() : nullptr);
  dialog.exec();
}

DRSwapProgressDialog::DRSwapProgressDialog(DRSwapPixelsOperation* operation, QWidget* parent)
    : QDialog(parent), m_operation(operation) {
  setObjectName(QStringLiteral("SwapProgressDialog"));
  setWindowTitle(tr("Swap Colors"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Swapping colors…"), this));
  m_indicator = new QProgressBar(this);
  m_indicator->setObjectName(QStringLiteral("indicator"));
  m_indicator->setRange(0, kProgressSteps);
  m_indicator->setValue(0);
  m_indicator->setMinimumWidth(280);
  layout->addWidget(m_indicator);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  m_cancelButton = new QPushButton(tr("Cancel"), this);
  buttons->addWidget(m_cancelButton);
  layout->addLayout(buttons);
  connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });

  m_queue.setObjectName(QStringLiteral("twdraw.swapColors"));
  m_queue.setMaxThreadCount(1);
  // The reports are posted on the main thread; only those of this
  // operation's pixels move the bar.
  const void* pixels = m_operation ? static_cast<const void*>(m_operation->workPixmap()) : nullptr;
  NotificationCenter::defaultCenter().addObserver(
      this, CSPixmap::pixmapReplaceNotification(), nullptr, [this, pixels](const CSNotification& notification) {
        if (!pixels || notification.object != pixels) return;
        updateProgress(notification.userInfo.value(QStringLiteral("count")).toDouble(),
                       notification.userInfo.value(QStringLiteral("total")).toDouble());
      });
  if (m_operation) {
    connect(m_operation, &CSAsyncOperation::finished, this, [this] { cancel(); }, Qt::QueuedConnection);
  }
}

DRSwapProgressDialog::~DRSwapProgressDialog() {
  NotificationCenter::defaultCenter().removeObserver(this);
  // The worker never outlives the window that shows it.
  if (m_operation) m_operation->cancel();
  m_queue.waitForDone();
}

double DRSwapProgressDialog::fraction() const {
  return double(m_indicator->value()) / double(kProgressSteps);
}

void DRSwapProgressDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The work starts once the window is up and its modal loop runs.
  QTimer::singleShot(0, this, [this] { start(); });
}

void DRSwapProgressDialog::start() {
  if (m_started || m_ending || !m_operation) return;
  m_started = true;
  m_queue.start(m_operation);
}

void DRSwapProgressDialog::updateProgress(double count, double total) {
  if (m_ending || !(total > 0)) return;
  const double part = std::clamp(count / total, 0.0, 1.0);
  m_indicator->setValue(int(std::floor(part * kProgressSteps)));
  if (count == total) cancel();
}

void DRSwapProgressDialog::cancel() {
  // The final report and the finished signal both end the run; a second
  // end would stop whatever modal loop runs by then.
  if (m_ending) return;
  m_ending = true;
  if (m_operation) m_operation->cancel();
  m_queue.waitForDone();
  done(0);
}

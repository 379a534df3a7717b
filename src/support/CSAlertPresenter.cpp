#include "support/CSAlertPresenter.h"

#include <atomic>

namespace {
std::atomic<CSAlertPresenter*> g_presenter{nullptr};
}

CSAlertPresenter* SetAlertPresenter(CSAlertPresenter* presenter) {
  return g_presenter.exchange(presenter);
}

CSAlertPresenter* CurrentAlertPresenter() {
  CSAlertPresenter* presenter = g_presenter.load();
  return presenter ? presenter : &CSRecordingAlertPresenter::shared();
}

CSRecordingAlertPresenter& CSRecordingAlertPresenter::shared() {
  static CSRecordingAlertPresenter presenter;
  return presenter;
}

int CSRecordingAlertPresenter::giveAlertMessage(const QString& message, const QString& moreInfo,
                                                const QStringList& buttons, bool* suppress) {
  std::lock_guard lock(m_lock);
  m_alerts.push_back({message, moreInfo, buttons, suppress != nullptr});
  if (suppress) *suppress = m_suppressAnswer;
  return m_answer;
}

std::vector<CSRecordingAlertPresenter::Alert> CSRecordingAlertPresenter::alerts() const {
  std::lock_guard lock(m_lock);
  return m_alerts;
}

void CSRecordingAlertPresenter::clear() {
  std::lock_guard lock(m_lock);
  m_alerts.clear();
  m_answer = 0;
  m_suppressAnswer = false;
}

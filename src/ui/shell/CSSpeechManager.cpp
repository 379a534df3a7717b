#include "ui/shell/CSSpeechManager.h"

#include <QTextToSpeech>

namespace {

// QTextToSpeech: finished when it goes from speaking back to ready, broken
// off when its engine fails (or there is none).
class TextToSpeechSynthesizer : public CSSpeechSynthesizer {
 public:
  TextToSpeechSynthesizer() {
    connect(&m_speech, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
      switch (state) {
        case QTextToSpeech::Speaking:
          m_started = true;
          break;
        case QTextToSpeech::Ready:
          if (m_started) {
            m_started = false;
            emit didFinishSpeaking(true);
          }
          break;
        case QTextToSpeech::Error:
          m_started = false;
          emit didFinishSpeaking(false);
          break;
        default:
          break;
      }
    });
  }

  void startSpeaking(const QString& text) override {
    if (m_speech.state() == QTextToSpeech::Error) {
      // Without a working engine nothing will ever report; say so once the
      // caller has finished starting.
      QMetaObject::invokeMethod(
          this, [this] { emit didFinishSpeaking(false); }, Qt::QueuedConnection);
      return;
    }
    m_speech.say(text);
  }
  void stopSpeaking() override {
    m_started = false;
    m_speech.stop();
  }
  bool isSpeaking() const override { return m_speech.state() == QTextToSpeech::Speaking; }

 private:
  QTextToSpeech m_speech;
  bool m_started = false;
};

CSSpeechManager::SynthesizerFactory& Factory() {
  static CSSpeechManager::SynthesizerFactory factory;
  return factory;
}

}  // namespace

CSSpeechManager& CSSpeechManager::sharedInstance() {
  static CSSpeechManager* manager = new CSSpeechManager;
  return *manager;
}

void CSSpeechManager::setSynthesizerFactory(SynthesizerFactory factory) {
  Factory() = std::move(factory);
}

void CSSpeechManager::speakString(const QString& text) {
  stopSpeaking();
  if (text.isEmpty()) return;
  if (!m_speaker) {
    const SynthesizerFactory& factory = Factory();
    m_speaker = factory ? factory() : new TextToSpeechSynthesizer;
    if (!m_speaker) return;
    CSSpeechSynthesizer* speaker = m_speaker;
    connect(speaker, &CSSpeechSynthesizer::didFinishSpeaking, this,
            [this, speaker](bool finished) { speechSynthesizerDidFinishSpeaking(speaker, finished); });
  }
  m_speaker->startSpeaking(text);
}

void CSSpeechManager::stopSpeaking() {
  if (m_speaker) m_speaker->stopSpeaking();
  ditchSpeaker();
}

bool CSSpeechManager::isSpeaking() const {
  if (!m_speaker) return false;
  return m_keepSpeaker ? m_speaker->isSpeaking() : true;
}

void CSSpeechManager::ditchSpeaker() {
  if (m_keepSpeaker || !m_speaker) return;
  CSSpeechSynthesizer* speaker = m_speaker;
  m_speaker = nullptr;
  disconnect(speaker, nullptr, this, nullptr);
  speaker->deleteLater();
}

void CSSpeechManager::speechSynthesizerDidFinishSpeaking(CSSpeechSynthesizer* synthesizer, bool finished) {
  (void)finished;
  if (synthesizer && synthesizer == m_speaker) ditchSpeaker();
}

#pragma once
// A speech engine that speaks nothing: while a FakeSpeech lives, the shared
// speech manager makes scripted synthesizers that note what they are told,
// and the test ends their speech as the engine would (finish()).

#include <QString>
#include <QStringList>
#include <memory>

#include "ui/shell/CSSpeechManager.h"

class FakeSpeechSynthesizer : public CSSpeechSynthesizer {
 public:
  struct Log {
    QStringList spoken;
    int made = 0;
    int stops = 0;
    int destroyed = 0;
  };

  explicit FakeSpeechSynthesizer(std::shared_ptr<Log> log) : m_log(std::move(log)) { ++m_log->made; }
  ~FakeSpeechSynthesizer() override { ++m_log->destroyed; }

  void startSpeaking(const QString& text) override {
    m_log->spoken.append(text);
    m_speaking = true;
  }
  void stopSpeaking() override {
    ++m_log->stops;
    m_speaking = false;
  }
  bool isSpeaking() const override { return m_speaking; }

  // The engine reached the end of the text.
  void finish() {
    m_speaking = false;
    emit didFinishSpeaking(true);
  }

 private:
  std::shared_ptr<Log> m_log;
  bool m_speaking = false;
};

class FakeSpeech {
 public:
  FakeSpeech() {
    CSSpeechManager::setSynthesizerFactory([log = m_log] { return new FakeSpeechSynthesizer(log); });
  }
  ~FakeSpeech() { CSSpeechManager::setSynthesizerFactory(nullptr); }
  FakeSpeech(const FakeSpeech&) = delete;
  FakeSpeech& operator=(const FakeSpeech&) = delete;

  const FakeSpeechSynthesizer::Log& log() const { return *m_log; }
  // The manager's synthesizer, or null while it has none.
  static FakeSpeechSynthesizer* current() {
    return static_cast<FakeSpeechSynthesizer*>(CSSpeechManager::sharedInstance().speaker());
  }

 private:
  std::shared_ptr<FakeSpeechSynthesizer::Log> m_log = std::make_shared<FakeSpeechSynthesizer::Log>();
};

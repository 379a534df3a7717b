#pragma once
// Speaks a text aloud with the desktop's speech engine (the help viewer's
// speak command). The engine sits behind CSSpeechSynthesizer so that tests
// hand in a scripted one; by default it is QTextToSpeech. A synthesizer is
// made when speech starts and, unless it is to be kept, let go as soon as
// it finishes or is stopped, so that it exists only while speaking.

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

// A speech engine as the manager drives it. Main thread only.
class CSSpeechSynthesizer : public QObject {
  Q_OBJECT
 public:
  ~CSSpeechSynthesizer() override = default;
  virtual void startSpeaking(const QString& text) = 0;
  virtual void stopSpeaking() = 0;
  virtual bool isSpeaking() const = 0;

 signals:
  // The text was spoken to its end (true) or speech broke off (false).
  void didFinishSpeaking(bool finished);
};

class CSSpeechManager : public QObject {
  Q_OBJECT
 public:
  // Makes a synthesizer; the manager takes it over.
  using SynthesizerFactory = std::function<CSSpeechSynthesizer*()>;

  static CSSpeechManager& sharedInstance();
  // Tests install scripted synthesizers; null restores QTextToSpeech.
  static void setSynthesizerFactory(SynthesizerFactory factory);

  // The synthesizer while one exists.
  CSSpeechSynthesizer* speaker() const { return m_speaker; }
  // When true the synthesizer stays after speaking; false by default.
  bool keepSpeaker() const { return m_keepSpeaker; }
  void setKeepSpeaker(bool keep) { m_keepSpeaker = keep; }

  // Stops any speech; then speaks the text, an empty one ending there.
  void speakString(const QString& text);
  void stopSpeaking();
  // False without a synthesizer; with one, true unless it is kept, when the
  // synthesizer answers.
  bool isSpeaking() const;
  // Lets the synthesizer go unless it is kept. It is deleted once control
  // returns to the event loop, since it may be the one calling.
  void ditchSpeaker();
  void speechSynthesizerDidFinishSpeaking(CSSpeechSynthesizer* synthesizer, bool finished);

 private:
  CSSpeechManager() = default;

  QPointer<CSSpeechSynthesizer> m_speaker;
  bool m_keepSpeaker = false;
};

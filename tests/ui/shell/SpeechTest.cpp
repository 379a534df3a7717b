// Speech: a synthesizer exists only while it speaks unless it is kept, an
// empty text only stops, and a synthesizer let go cannot end the next one's
// speech.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ui/FakeSpeech.h"
#include "ui/shell/CSSpeechManager.h"

namespace {

void DeleteLaterNow() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class SpeechTest : public ::testing::Test {
 protected:
  void TearDown() override {
    manager.setKeepSpeaker(false);
    manager.stopSpeaking();
    DeleteLaterNow();
  }
  CSSpeechManager& manager = CSSpeechManager::sharedInstance();
  FakeSpeech speech;
};

TEST_F(SpeechTest, AnEmptyStringOnlyStopsSpeech) {
  manager.speakString(QStringLiteral("Hello"));
  ASSERT_TRUE(manager.isSpeaking());
  manager.speakString(QString());
  EXPECT_FALSE(manager.isSpeaking());
  EXPECT_EQ(manager.speaker(), nullptr);
  EXPECT_EQ(speech.log().spoken, QStringList{QStringLiteral("Hello")});
  EXPECT_EQ(speech.log().stops, 1);
  DeleteLaterNow();
  EXPECT_EQ(speech.log().destroyed, 1);
}

TEST_F(SpeechTest, AfterTheEndTheSynthesizerIsGoneUnlessKept) {
  manager.speakString(QStringLiteral("one"));
  FakeSpeech::current()->finish();
  EXPECT_FALSE(manager.isSpeaking());
  EXPECT_EQ(manager.speaker(), nullptr);
  DeleteLaterNow();
  EXPECT_EQ(speech.log().destroyed, 1);

  // Kept, it stays and answers for itself; the next text reuses it.
  manager.setKeepSpeaker(true);
  manager.speakString(QStringLiteral("two"));
  EXPECT_TRUE(manager.isSpeaking());
  FakeSpeech::current()->finish();
  ASSERT_NE(manager.speaker(), nullptr);
  EXPECT_FALSE(manager.isSpeaking());
  manager.speakString(QStringLiteral("three"));
  EXPECT_TRUE(manager.isSpeaking());
  EXPECT_EQ(speech.log().made, 2);
  EXPECT_EQ(speech.log().spoken, (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
}

TEST_F(SpeechTest, ALetGoSynthesizerFinishingLateChangesNothing) {
  manager.speakString(QStringLiteral("first"));
  FakeSpeechSynthesizer* first = FakeSpeech::current();
  manager.speakString(QStringLiteral("second"));
  ASSERT_NE(FakeSpeech::current(), first);
  // The first one is stopped but not yet deleted; its late report is not
  // about the speech now running.
  first->finish();
  EXPECT_TRUE(manager.isSpeaking());
  EXPECT_NE(manager.speaker(), nullptr);
}

}  // namespace

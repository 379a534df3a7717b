#include "richtext/views/CBViewService.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A service answering the required operations plainly, with the optional
// operations it is told to have, counting what it is asked.
class RecordingService : public CBViewService {
 public:
  explicit RecordingService(uint32_t operations) : m_operations(operations) {}

  QMenu* pageContextMenu() override { return nullptr; }
  QMenu* paragraphContextMenu() override { return nullptr; }
  QMenu* pictureContextMenu() override { return nullptr; }
  QMenu* textContextMenu() override { return nullptr; }
  uint32_t newUndoID() override { return ++undoId; }
  CSUndoManager* undoManager() override { return nullptr; }
  void clearGoodWordMarks(QObject*) override {}
  void clearSpellingError() override {}
  void correctWord(const QString&) override {}
  void rememberWord(const QString&) override {}
  bool spellingErrorAt(int32_t) override { return false; }
  void plain(QObject*) override {}
  void selectAll(QObject*) override {}
  bool dragAndDrop() override { return false; }
  bool useStandardKeys() override { return true; }
  double verticalRulerWidth() override { return 0; }
  bool mayRespond() override { return respond; }

  uint32_t optionalOperations() const override {
    ++asked;
    return m_operations;
  }
  void setBlockBlink(bool block) override { blinkBlocks << block; }
  void setStatusMessage(const QString& message, bool, bool) override { messages << message; }

  bool respond = true;
  uint32_t undoId = 0;
  mutable int asked = 0;
  QList<bool> blinkBlocks;
  QStringList messages;

 private:
  uint32_t m_operations;
};

TEST(CBViewServiceTest, WithoutAServiceTheViewAnswersTheMouse) {
  CBViewServiceLink link;
  EXPECT_TRUE(link.mayRespond());
  link.setBlockBlink(true);  // nothing to ask
  link.setStatusMessage(QStringLiteral("x"), false, false);

  RecordingService refusing(0);
  refusing.respond = false;
  link.setService(&refusing);
  EXPECT_FALSE(link.mayRespond());
  link.setService(nullptr);
  EXPECT_TRUE(link.mayRespond());
}

TEST(CBViewServiceTest, OptionalOperationsAreAskedForOnceAndUsedOnlyWhenPresent) {
  CBViewServiceLink link;
  RecordingService without(CBViewService::kDragZoomForView | CBViewService::kFrameContextMenu);
  link.setService(&without);
  link.setBlockBlink(true);
  link.setStatusMessage(QStringLiteral("Copied"), true, false);
  EXPECT_TRUE(without.blinkBlocks.isEmpty());
  EXPECT_TRUE(without.messages.isEmpty());

  RecordingService with(CBViewService::kSetBlockBlink | CBViewService::kSetStatusMessage);
  link.setService(&with);
  link.setBlockBlink(true);
  link.setBlockBlink(false);
  link.setStatusMessage(QStringLiteral("Copied"), true, false);
  link.setStatusMessage(QString(), false, false);
  EXPECT_EQ(with.blinkBlocks, (QList<bool>{true, false}));
  EXPECT_EQ(with.messages.size(), 2);
  EXPECT_TRUE(with.messages[1].isNull());
  EXPECT_EQ(with.asked, 1);
  EXPECT_EQ(without.asked, 1);
}

}  // namespace

// The autosave copy under the driven clock, with edits made through the
// canvas and the drawing controller: the copy waits for the user to pause
// and holds what the edit changed.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "DrawVCFixture.h"
#include "testkit/QStringPrinter.h"
#include "ui/EventDriver.h"

namespace {

class DrawVCAutosaveTest : public DrawVCFixture {
 protected:
  void SetUp() override {
    DrawVCFixture::SetUp();
    ASSERT_TRUE(support.isValid());
    services.supportFolderPath = support.path();
    services.autosavePreference = true;
    // The drawing was opened at the fixture's start of the clock.
    opened = services.now;
  }
  // One timer tick at that time.
  void tick(double at) {
    services.now = at;
    drawing.autosaveTimerFired(true);
  }
  QString package() const { return support.filePath(drawing.guid() + QStringLiteral(".TWdraw_autosave")); }
  QString writtenElements() const {
    return OuterBlock(QString::fromUtf8(ReadBytes(package() + QStringLiteral("/drawing.xml"))),
                      QStringLiteral("elements"));
  }

  QTemporaryDir support;
  double opened = 0;
};

TEST_F(DrawVCAutosaveTest, AnEditAt130SecondsIsInTheCopyWrittenAt135) {
  DRElementRectangle* rect = addRect(QRectF(20, 20, 40, 30));
  rect->setFillKolor(g_blackKolor);  // a press anywhere on it hits it
  select({0});
  canvas->setDrawingFrame();
  for (double at = opened + 1; at < opened + 129.5; at += 1) tick(at);
  ASSERT_FALSE(QFileInfo::exists(package()));

  // A drag of the rectangle ending at 130 s, the timer firing while the
  // button is held.
  services.now = opened + 129.5;
  EventDriver mouse(canvas);
  mouse.setStep(1000);
  mouse.press(QPointF(30, 30));
  mouse.move(QPointF(40, 30));
  tick(opened + 129.8);
  services.now = opened + 130;
  mouse.move(QPointF(60, 30));
  mouse.release(QPointF(60, 30));
  ASSERT_EQ(ConvertMeasureRect(rect->frame()).topLeft(), QPointF(50, 20));
  // Nothing is written until the drawing has been left alone for five
  // seconds after the last change.
  for (double at = opened + 130; at < opened + 135; at += 0.5) {
    tick(at);
    ASSERT_FALSE(QFileInfo::exists(package())) << "written at " << at - opened << " s";
  }
  tick(opened + 135);
  ASSERT_TRUE(QFileInfo::exists(package()));
  EXPECT_FALSE(drawing.dirtySinceAutoSave());
  EXPECT_EQ(writtenElements(), SaveBlocks(drawing).elements);
}

TEST_F(DrawVCAutosaveTest, AChangeMergedIntoAnEntryAfterTheCopyIsWrittenAgain) {
  DRElementRectangle* rect = addRect(QRectF(20, 20, 40, 30));
  select({0});
  // One gesture's id: the first change opens the entry, the second merges.
  const uint32_t gesture = vc.newUndoID();
  services.now = opened + 130;
  ASSERT_TRUE(vc.setUndoID(gesture, kUndoActionChange, kUndoMove));
  rect->setFrame(ConvertViewRect(QRectF(30, 20, 40, 30)));
  tick(opened + 135);
  ASSERT_TRUE(QFileInfo::exists(package()));
  ASSERT_FALSE(drawing.dirtySinceAutoSave());

  services.now = opened + 140;
  ASSERT_TRUE(vc.setUndoID(gesture, kUndoActionChange, kUndoMove));
  rect->setFrame(ConvertViewRect(QRectF(70, 20, 40, 30)));
  EXPECT_TRUE(drawing.dirtySinceAutoSave());
  EXPECT_DOUBLE_EQ(drawing.lastEditTime(), opened + 140);
  // The next copy comes two minutes after the first, and holds the change.
  tick(opened + 255);
  EXPECT_DOUBLE_EQ(drawing.autosaveTime(), opened + 255);
  EXPECT_EQ(writtenElements(), SaveBlocks(drawing).elements);
}

}  // namespace

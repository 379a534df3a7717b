#pragma once
// Records the sheets and panels opened and answers them from public fields;
// registered while the fake lives.

#include <QStringList>

#include "ui/editor/DREditorDialogs.h"

class FakeEditorDialogs : public DREditorDialogs {
 public:
  FakeEditorDialogs() { SetEditorDialogs(this); }
  ~FakeEditorDialogs() override { SetEditorDialogs(nullptr); }
  FakeEditorDialogs(const FakeEditorDialogs&) = delete;
  FakeEditorDialogs& operator=(const FakeEditorDialogs&) = delete;

  // The sheets run, by name: "align", "rotate", "scale", "shape",
  // "background", "typeSelect", "paintingSize", "distribute", "open".
  QStringList sheets;
  // The painting-size sheet's answer and the size it was opened on.
  bool sizeChosen = true;
  QSizeF chosenSize{100, 100};
  QSizeF offeredSize;
  int centerFlagSeen = 0;
  QStringList openPanelAnswer;
  // What the last open panel was asked for.
  QString openPanelTitle;
  QStringList openPanelExtensions;
  // The distribute sheet's answer.
  bool offsetChosen = true;
  CSPoint chosenOffset{12700, 0};

  void runAlignSheet(DREditorWindowHost*) override { sheets << QStringLiteral("align"); }
  void runRotateSheet(DREditorWindowHost*) override { sheets << QStringLiteral("rotate"); }
  void runScaleSheet(DREditorWindowHost*) override { sheets << QStringLiteral("scale"); }
  void runShapeSheet(DREditorWindowHost*) override { sheets << QStringLiteral("shape"); }
  void runBackgroundSheet(DREditorWindowHost*) override { sheets << QStringLiteral("background"); }
  void runTypeSelectSheet(DREditorWindowHost*) override { sheets << QStringLiteral("typeSelect"); }
  void getPaintingSize(DREditorWindowHost*, QSizeF defaultSize, SizeHandler done) override {
    sheets << QStringLiteral("paintingSize");
    offeredSize = defaultSize;
    centerFlagSeen = g_centerFlag;
    if (done) done(sizeChosen, sizeChosen ? chosenSize : QSizeF());
  }
  void getDistributeOffset(DREditorWindowHost*, OffsetHandler done) override {
    sheets << QStringLiteral("distribute");
    if (done) done(offsetChosen, offsetChosen ? chosenOffset : CSPoint{});
  }
  QStringList runOpenPanel(DREditorWindowHost*, const QString& title, const QStringList& extensions) override {
    sheets << QStringLiteral("open");
    openPanelTitle = title;
    openPanelExtensions = extensions;
    return openPanelAnswer;
  }
};

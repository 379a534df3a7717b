#pragma once
// The shapes the drawing benchmarks fill their drawings with.

#include <unistd.h>

#include <QDir>
#include <QRectF>
#include <QString>
#include <cstdlib>
#include <memory>

#include "BenchApplication.h"
#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "platform/AtomicSwap.h"
#include "support/Fonts.h"
#include "support/Kolor.h"
#include "support/Measure.h"

// A rectangle (kind 0), an ellipse (1) or a line without arrowheads from
// corner to corner (2) at the rectangle (points), a closed shape filled
// with the Kolor, its original size its frame's.
inline std::unique_ptr<DRElement> MakeBenchShape(int kind, const QRectF& rect, Kolor fill) {
  std::unique_ptr<DRElement> element;
  if (kind == 2) {
    auto line = std::make_unique<DRElementLine>();
    line->setArrow(std::nullopt);
    line->setFrame(ConvertViewRect(rect));
    line->setStartPoint(CSPoint{0, 0});
    line->setEndPoint(CSPoint{line->frame().width, line->frame().height});
    element = std::move(line);
  } else {
    std::unique_ptr<DRElementClosed> closed;
    if (kind == 0)
      closed = std::make_unique<DRElementRectangle>();
    else
      closed = std::make_unique<DRElementEllipse>();
    closed->setFrame(ConvertViewRect(rect));
    closed->setFillKolor(fill);
    element = std::move(closed);
  }
  element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
  return element;
}

// A folder of this process's own in the temporary folder, named after the
// benchmark, made on the first call and removed at exit.
inline QString BenchTemporaryFolder(const char* name) {
  static QString folder;
  if (folder.isEmpty()) {
    folder = QDir::temp().filePath(QStringLiteral("twdraw-bench-%1-%2").arg(QLatin1String(name)).arg(getpid()));
    QDir().mkpath(folder);
    std::atexit([] { RemoveItemTree(folder); });
  }
  return folder;
}

// A drawing of `count` shapes in rows of `columns` (rectangles, ellipses
// and lines, translucent fills), every tenth a text box in one font; the
// same for every run.
inline DRDrawing* NewMixedBenchDrawing(int count, int columns) {
  EnsureBenchApplication();
  CreateXmlDecoder();
  RegisterElementClasses();
  auto* made = new DRDrawing;
  made->setCreatePreview(false);
  const QFont font = DefaultUserFontOfSize(12);
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % uint32_t(range));
  };
  for (int i = 0; i < count; ++i) {
    const QRectF rect((i % columns) * 20.0 + next(10), (i / columns) * 20.0 + next(10), 10 + next(40), 10 + next(40));
    std::unique_ptr<DRElement> element;
    if (i % 10 == 9) {
      auto text = std::make_unique<DRElementText>();
      DRTextInfo info = text->textInfo();
      info.setFont(font);
      text->setTextInfo(info);
      text->setFrame(ConvertViewRect(QRectF(rect.topLeft(), QSizeF(120, 20))));
      text->setText(QStringLiteral("Label %1 & <more>").arg(i));
      text->setOriginalSize(CSPoint{text->frame().width, text->frame().height});
      element = std::move(text);
    } else {
      element = MakeBenchShape(i % 3, rect, MakeKolor(next(256), next(256), next(256), 50 + next(51)));
    }
    made->elements().push_back(std::move(element));
  }
  return made;
}

// Typing into a text element of 10,000 characters in place: each keystroke
// keeps the editor's text in the element's style, lays it out again for the
// element's height and stores it in the element, which lays it out once
// more. A letter typed and taken back at the end of the text, and the same
// at its start, where every line after it moves.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <memory>

#include "BenchApplication.h"
#include "model/DRDrawing.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRTextView.h"

namespace {

constexpr int kTextLength = 10000;
constexpr double kBoxWidth = 300;

struct Typing {
  DRDrawing drawing;
  DRDrawVC controller;
  std::unique_ptr<DRDrawView> view;
  DRTextView* editor = nullptr;
};

void Press(QWidget* editor, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(editor, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(editor, &release);
}

std::unique_ptr<Typing> StartTyping() {
  EnsureBenchApplication<QApplication>();
  CreateXmlDecoder();
  RegisterElementClasses();
  auto typing = std::make_unique<Typing>();
  typing->view = std::make_unique<DRDrawView>();
  typing->view->setDrawing(&typing->drawing);
  typing->view->setViewController(&typing->controller);
  typing->controller.setDrawing(&typing->drawing);
  typing->controller.setView(typing->view.get());

  // Words of two to nine letters, so that the lines wrap at words.
  QString string;
  for (int i = 0; string.size() < kTextLength; ++i) {
    string += QString(2 + i % 8, QChar(u'a' + i % 26));
    string += u' ';
  }
  string.truncate(kTextLength);
  auto text = std::make_unique<DRElementText>();
  text->setFrame(ConvertViewRect(QRectF(20, 20, kBoxWidth, 10)));
  text->setText(string);
  DRElementText* element = text.get();
  typing->drawing.elements().push_back(std::move(text));
  typing->view->startTyping(element, nullptr);
  typing->editor = qobject_cast<DRTextView*>(typing->view->typingView());
  // A keystroke must reach the element, or nothing would be measured.
  if (typing->editor) {
    Press(typing->editor, Qt::Key_W, QStringLiteral("w"));
    const bool stored = element->text().size() == kTextLength + 1;
    Press(typing->editor, Qt::Key_Backspace, QString());
    if (!stored) typing->editor = nullptr;
  }
  return typing;
}

void TypeAndTakeBack(benchmark::State& state, bool atStart) {
  std::unique_ptr<Typing> typing = StartTyping();
  if (!typing->editor) {
    state.SkipWithError("typing into the text changes nothing");
    return;
  }
  for (auto _ : state) {
    if (atStart)
      typing->editor->scrollToBeginningOfDocument();
    else
      typing->editor->scrollToEndOfDocument();
    Press(typing->editor, Qt::Key_W, QStringLiteral("w"));
    Press(typing->editor, Qt::Key_Backspace, QString());
  }
  state.SetItemsProcessed(state.iterations() * 2);
}

void BM_TypeAtTheEnd(benchmark::State& state) {
  TypeAndTakeBack(state, false);
}
BENCHMARK(BM_TypeAtTheEnd)->Unit(benchmark::kMillisecond);

void BM_TypeAtTheStart(benchmark::State& state) {
  TypeAndTakeBack(state, true);
}
BENCHMARK(BM_TypeAtTheStart)->Unit(benchmark::kMillisecond);

}  // namespace

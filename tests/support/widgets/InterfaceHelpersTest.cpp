#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSlider>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"
#include "support/widgets/InterfaceHelpers.h"

namespace {

QKeyEvent Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return QKeyEvent(QEvent::KeyPress, key, modifiers);
}

TEST(InterfaceHelpersTest, FunctionKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    bool allowModifiers;
    int expected;
  };
  const Case cases[] = {
      {Qt::Key_F1, Qt::NoModifier, false, 1},
      {Qt::Key_F12, Qt::NoModifier, false, 12},
      {Qt::Key_F16, Qt::NoModifier, false, 16},
      {Qt::Key_F17, Qt::NoModifier, false, 0},
      {Qt::Key_A, Qt::NoModifier, false, 0},
      {Qt::Key_Escape, Qt::NoModifier, true, 0},
      {Qt::Key_F5, Qt::ShiftModifier, false, 0},
      {Qt::Key_F5, Qt::ControlModifier, false, 0},
      {Qt::Key_F5, Qt::AltModifier, false, 0},
      {Qt::Key_F5, Qt::MetaModifier, false, 0},
      {Qt::Key_F5, Qt::ShiftModifier | Qt::ControlModifier, true, 5},
      {Qt::Key_F3, Qt::KeypadModifier, false, 3},  // the keypad flag is not a modifier key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.key << " " << int(c.modifiers));
    const QKeyEvent event = Key(c.key, c.modifiers);
    EXPECT_EQ(FunctionKeyForEvent(&event, c.allowModifiers), c.expected);
  }
  EXPECT_EQ(FunctionKeyForEvent(nullptr, true), 0);
}

TEST(InterfaceHelpersTest, DigitAndHexadecimalKeys) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    int64_t value;
  };
  const Case cases[] = {
      {Qt::Key_0, Qt::NoModifier, 0},
      {Qt::Key_7, Qt::NoModifier, 7},
      {Qt::Key_9, Qt::KeypadModifier, 9},
      {Qt::Key_A, Qt::NoModifier, 10},
      {Qt::Key_C, Qt::ShiftModifier, 12},
      {Qt::Key_F, Qt::NoModifier, 15},
      {Qt::Key_G, Qt::NoModifier, kKeyNotFound},
      {Qt::Key_Exclam, Qt::NoModifier, kKeyNotFound},
      {Qt::Key_F1, Qt::NoModifier, kKeyNotFound},
      {Qt::Key_Space, Qt::NoModifier, kKeyNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const QKeyEvent event = Key(c.key, c.modifiers);
    EXPECT_EQ(DecodeNumericKeyCode(&event), c.value);
  }
  EXPECT_EQ(DecodeNumericKeyCode(nullptr), kKeyNotFound);
}

TEST(InterfaceHelpersTest, StandardWindowSize) {
  EXPECT_EQ(StandardWindowFrame(QRect(0, 25, 1920, 1055), 0.5), QRect(0, 25, 960, 1055));
  EXPECT_EQ(StandardWindowFrame(QRect(100, 0, 1250, 800), 0.333), QRect(100, 0, 416, 800));
  EXPECT_EQ(StandardWindowFrame(QRect(0, 0, 1249, 800), 0.5), std::nullopt);
  EXPECT_EQ(StandardWindowFrame(QRect(0, 0, 2000, 800), 0), std::nullopt);
  // The offscreen screen is narrow: the window is maximised instead.
  QWidget window;
  window.show();
  SetStandardWindowSize(&window, 0.5);
  EXPECT_TRUE(window.isMaximized());
  SetStandardWindowSize(nullptr, 0.5);
}

TEST(InterfaceHelpersTest, CheckboxesAndTextFields) {
  QCheckBox box;
  box.setTristate(true);
  box.setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(UnmixedCheckboxState(&box), Qt::Checked);
  EXPECT_EQ(box.checkState(), Qt::Checked);
  box.setCheckState(Qt::Unchecked);
  EXPECT_EQ(UnmixedCheckboxState(&box), Qt::Unchecked);

  QWidget view;
  auto* earlier = new QWidget(&view);
  view.show();
  int actions = 0;
  QLineEdit* field = NewTextField(
      &view, [&](QLineEdit* f) { actions += f->text() == QStringLiteral("abc"); }, QStringLiteral("abc"), nullptr,
      QRect(5, 5, 100, 20));
  EXPECT_EQ(field->parentWidget(), &view);
  EXPECT_EQ(view.children().last(), field);  // above the view's other children
  EXPECT_NE(view.children().indexOf(earlier), -1);
  EXPECT_FALSE(field->hasFrame());
  EXPECT_EQ(field->selectedText(), QStringLiteral("abc"));
  EXPECT_EQ(field->geometry(), QRect(5, 5, 100, 20));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(field, &enter);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(TextFieldForTextView(field), field);
  EXPECT_EQ(TextFieldForTextView(earlier), nullptr);

  std::unique_ptr<QLineEdit> loose(NewTextField(nullptr, nullptr, QStringLiteral("x"), nullptr, QRect()));
  EXPECT_EQ(loose->parentWidget(), nullptr);
}

TEST(InterfaceHelpersTest, SliderTakesTheFocusFromItsPairedField) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* paired = new QWidget;
  auto* field = new QLineEdit(paired);
  auto* slider = new QSlider;
  auto* elsewhere = new QLineEdit;
  layout->addWidget(paired);
  layout->addWidget(slider);
  layout->addWidget(elsewhere);
  window.show();
  QApplication::setActiveWindow(&window);
  field->setFocus();
  ASSERT_EQ(window.focusWidget(), field);
  YankFocusForSliderPair(elsewhere, paired);  // not a slider: nothing
  EXPECT_EQ(window.focusWidget(), field);
  YankFocusForSliderPair(slider, paired);
  EXPECT_NE(window.focusWidget(), field);
  elsewhere->setFocus();
  YankFocusForSliderPair(slider, paired);  // the edit is not in the paired view
  EXPECT_EQ(window.focusWidget(), elsewhere);
}

TEST(InterfaceHelpersTest, ToolbarControlsAndColourWells) {
  QMainWindow window;
  QToolBar* bar = window.addToolBar(QStringLiteral("tools"));
  QAction* zoom = bar->addAction(QStringLiteral("Zoom"));
  zoom->setObjectName(QStringLiteral("zoomIn"));
  bar->addAction(QStringLiteral("Other"))->setObjectName(QStringLiteral("other"));
  auto* content = new QWidget;
  window.setCentralWidget(content);
  QAction* found = nullptr;
  QWidget* control = ToolbarControlForAction(content, QStringLiteral("zoomIn"), &found);
  EXPECT_EQ(found, zoom);
  EXPECT_EQ(control, bar->widgetForAction(zoom));
  EXPECT_EQ(ToolbarControlForAction(content, QStringLiteral("missing"), &found), nullptr);
  EXPECT_EQ(found, nullptr);

  auto* first = new QWidget(content);
  auto* group = new QWidget(content);
  auto* inner = new QWidget(group);
  EXPECT_EQ(ActiveColorWell(content), nullptr);
  first->setProperty(kActiveColorWellProperty, true);
  inner->setProperty(kActiveColorWellProperty, true);
  EXPECT_EQ(ActiveColorWell(content), inner);  // the last child is searched first
  EXPECT_EQ(ActiveColorWell(first), first);
  EXPECT_EQ(ActiveColorWell(nullptr), nullptr);

  content->setMouseTracking(true);
  RemoveTrackingAreas(content);
  EXPECT_FALSE(content->hasMouseTracking());
}

TEST(InterfaceHelpersTest, LinkTextAndItsScrollArea) {
  const QString url = QStringLiteral("https://example.org/help");
  const CSAttributedString link = LinkText(url, QStringLiteral("Help"), Qt::AlignHCenter, false);
  EXPECT_EQ(link.string(), QStringLiteral("Help "));
  ASSERT_EQ(link.runs().size(), 1);
  const QTextCharFormat format = link.formatAt(0);
  EXPECT_EQ(format.anchorHref(), url);
  EXPECT_TRUE(format.fontUnderline());
  EXPECT_EQ(format.foreground().color(), LinkColor());
  EXPECT_EQ(format.intProperty(kCursorShapeProperty), int(Qt::PointingHandCursor));
  EXPECT_EQ(ParagraphAlignment(link), Qt::AlignHCenter);
  EXPECT_EQ(ParagraphLineBreakMode(link), kLineBreakByClipping);
  EXPECT_LT(LinkText(url, QStringLiteral("Help"), Qt::AlignLeft, true).formatAt(0).font().pointSizeF(),
            format.font().pointSizeF());

  QWidget parent;
  auto* area = new QScrollArea(&parent);
  auto* view = new QWidget;
  area->setWidget(view);
  area->setGeometry(100, 50, 300, 40);
  const QSizeF size = SizeOfAttributedString(link);
  AdjustScrollViewForLink(view, link, false);
  EXPECT_EQ(area->geometry(), QRect(100, 50, int(std::ceil(size.width() + 4)), int(std::ceil(size.height()))));
  area->setGeometry(100, 50, 300, 40);
  AdjustScrollViewForLink(area, link, true);
  const int width = int(std::ceil(size.width() + 4));
  EXPECT_EQ(area->geometry().x(), 100 + (300 - width) / 2);
  EXPECT_EQ(area->geometry().y(), 50);
  AdjustScrollViewForLink(&parent, link, true);  // no scroll area: nothing
}

TEST(InterfaceHelpersTest, TableRowColours) {
  QTableWidget table(3, 1);
  table.selectRow(1);
  EXPECT_EQ(GrayForTableRow(&table, 1), GrayColor(1));
  EXPECT_EQ(BlackForTableRow(&table, 1), GrayColor(1));
  EXPECT_EQ(GrayForTableRow(&table, 0), GrayColor(4));
  EXPECT_FALSE(BlackForTableRow(&table, 0).isValid());
  EXPECT_EQ(GrayForTableRow(nullptr, -1), GrayColor(4));
  g_darkMode = true;
  EXPECT_EQ(GrayForTableRow(&table, 1), GrayColor(4));
  EXPECT_FALSE(BlackForTableRow(&table, 1).isValid());
  g_darkMode = false;
}

TEST(InterfaceHelpersTest, PanelsDialogsAndColourLists) {
  // The colour dialog keeps its custom colours in the settings on exit.
  QStandardPaths::setTestModeEnabled(true);
  EXPECT_EQ(SharedColorDialog(false), nullptr);
  ClosePanels();  // nothing made yet: nothing happens
  QColorDialog* colours = SharedColorDialog();
  ASSERT_NE(colours, nullptr);
  EXPECT_EQ(SharedColorDialog(), colours);
  int heard = 0;
  QObject::connect(colours, &QColorDialog::currentColorChanged, [&] { ++heard; });
  colours->show();
  colours->setCurrentColor(Qt::green);
  EXPECT_EQ(heard, 1);
  ClosePanels();
  EXPECT_FALSE(colours->isVisible());
  colours->setCurrentColor(Qt::blue);
  EXPECT_EQ(heard, 1);  // the old client hears nothing more
  ASSERT_NE(SharedFontDialog(), nullptr);

  const NamedKolor entries[] = {{MakeKolor(10, 20, 30), "Ink"}, {MakeKolor(200, 100, 0, 50), "Half orange"}};
  AddColorPanelList(entries, 2);
  EXPECT_EQ(QColorDialog::customColor(0).rgb(), qRgb(10, 20, 30));
  EXPECT_EQ(QColorDialog::customColor(1).rgb(), qRgb(200, 100, 0));
  std::vector<NamedKolor> many(40, NamedKolor{MakeKolor(1, 2, 3), "x"});
  AddColorPanelList(many.data(), int(many.size()));  // only as many as there are places
  EXPECT_EQ(QColorDialog::customColor(QColorDialog::customCount() - 1).rgb(), qRgb(1, 2, 3));
  AddColorPanelList(nullptr, 3);
}

TEST(InterfaceHelpersTest, MouseFileDialogsAndLanguage) {
  QWidget view;
  view.setGeometry(40, 30, 200, 100);
  view.show();
  const QPointF inside(10.7, 20.2);
  const QPointF global = view.mapToGlobal(inside);
  const QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(MousePoint(&press, &view), QPointF(10, 20));
  const QPointF negative = view.mapToGlobal(QPointF(-0.5, 3));
  const QMouseEvent outside(QEvent::MouseMove, QPointF(), negative, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  EXPECT_EQ(MousePoint(&outside, &view), QPointF(-1, 3));

  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(QStringLiteral("/"));
  dialog.selectFile(QStringLiteral("/etc"));
  EXPECT_TRUE(OpenPanelUrl(&dialog, QDialog::Rejected).isEmpty());
  EXPECT_TRUE(OpenPanelUrls(&dialog, QDialog::Rejected).isEmpty());
  EXPECT_EQ(OpenPanelUrls(&dialog, QDialog::Accepted), dialog.selectedUrls());
  EXPECT_TRUE(OpenPanelUrl(nullptr, QDialog::Accepted).isEmpty());

  // Pending work of the event loop runs while the screen is brought up to date.
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  ForceScreenUpdate();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(IsOptionKeyDown());  // no key is held on the offscreen platform

  QString name;
  const QString code = PrimaryLanguage(&name);
  EXPECT_FALSE(code.contains(u'-'));
  EXPECT_EQ(code.isEmpty(), name.isEmpty());
}

}  // namespace

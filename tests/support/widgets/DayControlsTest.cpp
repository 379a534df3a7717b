#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLineEdit>
#include <QVBoxLayout>

#include "support/widgets/DayControls.h"

TEST(DayControls, SelectsTheDayPartOfAFocusedDateField) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* pane = new QWidget(&window);
  auto* paneLayout = new QVBoxLayout(pane);
  auto* field = new QLineEdit(QStringLiteral("12/25/2024"), pane);
  paneLayout->addWidget(field);
  auto* outside = new QLineEdit(QStringLiteral("1/2/3"), &window);
  layout->addWidget(pane);
  layout->addWidget(outside);
  window.show();

  field->setFocus();
  SelectDayInDate(pane, 20241225);
  EXPECT_EQ(field->selectedText(), "25");
  SelectDayInDate(pane, 1);  // day first
  EXPECT_EQ(field->selectedText(), "12");

  field->setText(QStringLiteral("12-25-2024"));  // not two slashes: left alone
  field->deselect();
  SelectDayInDate(pane, 20241225);
  EXPECT_FALSE(field->hasSelectedText());

  outside->setFocus();  // focus outside the view: left alone
  outside->deselect();
  SelectDayInDate(pane, 20241225);
  EXPECT_FALSE(outside->hasSelectedText());
  SelectDayInDate(nullptr, 20241225);
}

TEST(DayControls, SelectsTheDaySectionOfADateEdit) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QDateEdit(QDate(2024, 12, 25), &window);
  edit->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  layout->addWidget(edit);
  window.show();
  edit->setFocus();
  edit->setSelectedSection(QDateTimeEdit::YearSection);
  SelectDayInDate(&window, 20241225);
  EXPECT_EQ(edit->currentSection(), QDateTimeEdit::DaySection);
  EXPECT_EQ(edit->sectionText(edit->currentSection()), "25");
}

#include "support/widgets/InterfaceHelpers.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <QToolBar>
#include <cmath>

#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"

namespace {

QPointer<QFontDialog>& FontDialogSlot() {
  static QPointer<QFontDialog> dialog;
  return dialog;
}

QPointer<QColorDialog>& ColorDialogSlot() {
  static QPointer<QColorDialog> dialog;
  return dialog;
}

void Detach(QWidget* dialog) {
  if (!dialog) return;
  // Every connection from the dialog goes: its clients (target, delegate)
  // must hear nothing more from it.
  dialog->disconnect();
  dialog->hide();
}

QWidget* ActiveColorWellBelow(QWidget* view) {
  if (view->property(kActiveColorWellProperty).toBool()) return view;
  const QObjectList& children = view->children();
  for (auto it = children.crbegin(); it != children.crend(); ++it) {
    if (auto* child = qobject_cast<QWidget*>(*it)) {
      if (QWidget* well = ActiveColorWellBelow(child)) return well;
    }
  }
  return nullptr;
}

bool IsSelectedRow(const QAbstractItemView* table, int row) {
  if (!table || !table->selectionModel() || row < 0) return false;
  return table->selectionModel()->isRowSelected(row, table->rootIndex());
}

}  // namespace

bool IsActiveWindow(const QWidget* window) {
  if (!window) return false;
  return QGuiApplication::applicationState() == Qt::ApplicationActive &&
         QApplication::activeWindow() == window->window();
}

std::optional<QRect> StandardWindowFrame(const QRect& available, double fraction) {
  if (available.width() < kStandardWindowMinScreenWidth || !(fraction > 0) || !std::isfinite(fraction)) {
    return std::nullopt;
  }
  const int width = int(std::floor(std::min(fraction, 1.0) * available.width()));
  return QRect(available.x(), available.y(), width, available.height());
}

void SetStandardWindowSize(QWidget* window, double fraction) {
  if (!window) return;
  QScreen* screen = window->screen();
  if (!screen) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    screen = screens.isEmpty() ? nullptr : screens.first();
  }
  const std::optional<QRect> frame = screen ? StandardWindowFrame(screen->availableGeometry(), fraction) : std::nullopt;
  if (!frame) {
    if (!window->isMaximized()) window->showMaximized();
    return;
  }
  // The frame includes the window's title bar and borders.
  const QRect outer = window->frameGeometry();
  const QRect inner = window->geometry();
  const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
  window->setGeometry(frame->marginsRemoved(margins));
  if (window->isVisible()) window->update();
}

QFontDialog* SharedFontDialog(bool create) {
  auto& slot = FontDialogSlot();
  if (!slot && create) slot = new QFontDialog();
  return slot;
}

QColorDialog* SharedColorDialog(bool create) {
  auto& slot = ColorDialogSlot();
  if (!slot && create) {
    slot = new QColorDialog();
    // Clients put controls of their own into the panel's window, which a
    // platform dialog would not show.
    slot->setOption(QColorDialog::DontUseNativeDialog);
    slot->setOption(QColorDialog::ShowAlphaChannel);
    slot->setOption(QColorDialog::NoButtons);
  }
  return slot;
}

void ClosePanels() {
  Detach(SharedFontDialog(false));
  Detach(SharedColorDialog(false));
}

QLineEdit* NewTextField(QWidget* view, std::function<void(QLineEdit*)> action, const QString& text, const QFont* font,
                        const QRect& frame) {
  auto* field = new QLineEdit(view);
  field->setFrame(false);
  field->setAttribute(Qt::WA_MacShowFocusRect, false);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  field->setPalette(palette);
  field->setAutoFillBackground(false);
  field->setFont(WidgetFont(font ? *font : SystemFont(SystemFontSize())));
  field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  field->setText(text);
  field->setGeometry(frame);
  if (action) {
    QObject::connect(field, &QLineEdit::editingFinished, field, [field, action] { action(field); });
  }
  if (view) {
    field->raise();
    field->show();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
  }
  return field;
}

QLineEdit* TextFieldForTextView(QWidget* textView) {
  for (QWidget* w = textView; w; w = w->parentWidget()) {
    if (auto* field = qobject_cast<QLineEdit*>(w)) return field;
  }
  return nullptr;
}

Qt::CheckState UnmixedCheckboxState(QCheckBox* box) {
  if (!box) return Qt::Unchecked;
  if (box->checkState() == Qt::PartiallyChecked) box->setCheckState(Qt::Checked);
  return box->checkState();
}

void YankFocusForSliderPair(QWidget* control, QWidget* pairedView) {
  if (!control || !pairedView) return;
  if (!qobject_cast<QAbstractSlider*>(control) && !qobject_cast<QAbstractSpinBox*>(control)) return;
  QWidget* window = control->window();
  QWidget* focus = window->focusWidget();
  if (!qobject_cast<QLineEdit*>(focus) || !pairedView->isAncestorOf(focus)) return;
  // The edit ends (and reports its value) as it loses the focus.
  focus->clearFocus();
  window->setFocus(Qt::OtherFocusReason);
}

QWidget* ToolbarControlForAction(QWidget* view, const QString& actionName, QAction** item) {
  if (item) *item = nullptr;
  if (!view || actionName.isEmpty()) return nullptr;
  const QList<QToolBar*> toolbars = view->window()->findChildren<QToolBar*>();
  for (auto bar = toolbars.crbegin(); bar != toolbars.crend(); ++bar) {
    const QList<QAction*> actions = (*bar)->actions();
    for (auto it = actions.crbegin(); it != actions.crend(); ++it) {
      if ((*it)->objectName() != actionName) continue;
      if (QWidget* control = (*bar)->widgetForAction(*it)) {
        if (item) *item = *it;
        return control;
      }
    }
  }
  return nullptr;
}

QWidget* ActiveColorWell(QWidget* view) {
  return view ? ActiveColorWellBelow(view) : nullptr;
}

void RemoveTrackingAreas(QWidget* view) {
  if (!view) return;
  view->setMouseTracking(false);
  view->setAttribute(Qt::WA_Hover, false);
}

CSAttributedString LinkText(const QString& url, const QString& text, Qt::Alignment alignment, bool small) {
  QTextCharFormat format;
  format.setFont(SystemFont(small ? SmallSystemFontSize() : SystemFontSize()), QTextCharFormat::FontPropertiesAll);
  format.setFontUnderline(true);
  format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
  format.setForeground(LinkColor());
  format.setAnchor(true);
  format.setAnchorHref(url);
  format.setProperty(kCursorShapeProperty, int(Qt::PointingHandCursor));
  format.setProperty(kLineBreakModeProperty, int(kLineBreakByClipping));
  format.setProperty(QTextFormat::BlockAlignment, int(alignment));
  return CSAttributedString(text + u' ', format);
}

void AdjustScrollViewForLink(QWidget* textView, const CSAttributedString& text, bool centre) {
  QWidget* scroll = textView;
  while (scroll && !qobject_cast<QAbstractScrollArea*>(scroll)) scroll = scroll->parentWidget();
  if (!scroll) return;
  const QSizeF size = SizeOfAttributedString(text);
  const int width = int(std::ceil(size.width() + 4));
  const int height = int(std::ceil(size.height()));
  const QRect old = scroll->geometry();
  int x = old.x();
  if (centre) x += int(std::floor((old.width() - width) / 2.0));
  scroll->setGeometry(x, old.y(), width, height);
}

QColor GrayForTableRow(const QAbstractItemView* table, int row) {
  if (g_darkMode) return GrayColor(4);
  return IsSelectedRow(table, row) ? GrayColor(1) : GrayColor(4);
}

QColor BlackForTableRow(const QAbstractItemView* table, int row) {
  if (g_darkMode) return QColor();
  return IsSelectedRow(table, row) ? GrayColor(1) : QColor();
}

int FunctionKeyForEvent(const QKeyEvent* event, bool allowModifiers) {
  if (!event) return 0;
  const int key = event->key();
  if (key < Qt::Key_F1 || key > Qt::Key_F16) return 0;
  constexpr Qt::KeyboardModifiers kBlocking =
      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  if (!allowModifiers && (event->modifiers() & kBlocking)) return 0;
  return key - Qt::Key_F1 + 1;
}

int64_t DecodeNumericKeyCode(const QKeyEvent* event) {
  if (!event) return kKeyNotFound;
  const int key = event->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
  if (key >= Qt::Key_A && key <= Qt::Key_F) return 10 + key - Qt::Key_A;
  return kKeyNotFound;
}

bool IsFullKeyboardAccessOn() {
  return QGuiApplication::styleHints()->tabFocusBehavior() == Qt::TabFocusAllControls;
}

void ForceScreenUpdate() {
  QEventLoop loop;
  QTimer::singleShot(100, &loop, &QEventLoop::quit);
  loop.exec();
}

QPointF MousePoint(const QMouseEvent* event, const QWidget* view) {
  if (!event || !view) return QPointF();
  const QPointF local = view->mapFromGlobal(event->globalPosition());
  return QPointF(std::floor(float(local.x())), std::floor(float(local.y())));
}

QUrl OpenPanelUrl(const QFileDialog* dialog, int result) {
  const QList<QUrl> urls = OpenPanelUrls(dialog, result);
  return urls.isEmpty() ? QUrl() : urls.first();
}

QList<QUrl> OpenPanelUrls(const QFileDialog* dialog, int result) {
  if (!dialog || result != QDialog::Accepted) return {};
  return dialog->selectedUrls();
}

void AddColorPanelList(const NamedKolor* entries, int count) {
  if (!entries || count <= 0) return;
  const int places = std::min(count, QColorDialog::customCount());
  for (int i = 0; i < places; ++i) QColorDialog::setCustomColor(i, ColorFromKolor(entries[i].kolor));
}

QString PrimaryLanguage(QString* displayName) {
  if (displayName) *displayName = QString();
  const QStringList languages = QLocale::system().uiLanguages();
  if (languages.isEmpty()) return QString();
  QString code = languages.first();
  const qsizetype dash = code.indexOf(u'-');
  if (dash >= 0) code.truncate(dash);
  // The C locale names no language at all.
  const QLocale language(code);
  if (code.isEmpty() || language.language() == QLocale::C) return QString();
  if (displayName) {
    if (language.language() == QLocale().language()) *displayName = language.nativeLanguageName();
    if (displayName->isEmpty()) *displayName = QLocale::languageToString(language.language());
  }
  return code;
}

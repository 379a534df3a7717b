#include "ui/shell/CSAboutController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QTextBlockFormat>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "support/CSKernel.h"
#include "support/Fonts.h"
#include "support/StringWithFormat.h"
#include "support/TextDrawing.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/shell/CSBundleKeys.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/ShellResources.h"
#include "ui/shell/ShellWindows.h"

namespace {

// The window's content width; the links are centred in it.
constexpr int kContentWidth = 280;
constexpr int kIconSize = 64;

QPointer<CSAboutController>& OpenController() {
  static QPointer<CSAboutController> controller;
  return controller;
}

QVariantMap& InfoOverride() {
  static QVariantMap info;
  return info;
}

// Shows the styled text in the view, its fonts as large on the screen as
// the text measures (SizeOfAttributedString lays out at 72 dpi).
void FillLinkView(QTextBrowser* view, const CSAttributedString& text) {
  auto* document = view->document();
  document->clear();
  document->setDocumentMargin(0);
  QTextCursor cursor(document);
  QTextBlockFormat block;
  block.setAlignment(ParagraphAlignment(text));
  cursor.setBlockFormat(block);
  for (const CSAttributedString::Run& run : text.runs()) {
    QTextCharFormat format = run.format;
    format.setFont(WidgetFont(run.format.font()), QTextCharFormat::FontPropertiesAll);
    cursor.insertText(text.string().mid(run.start, run.length), format);
  }
}

QTextBrowser* MakeLinkView(QWidget* parent) {
  auto* view = new QTextBrowser(parent);
  view->setFrameShape(QFrame::NoFrame);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setOpenLinks(false);
  view->setOpenExternalLinks(false);
  view->viewport()->setAutoFillBackground(false);
  view->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
  // Links go to the desktop like every other link the application opens.
  QObject::connect(view, &QTextBrowser::anchorClicked, view, [](const QUrl& url) { Workspace().openUrl(url); });
  return view;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, double pointSize, bool bold) {
  auto* label = new QLabel(text, parent);
  QFont font = WidgetFont(SystemFont(pointSize));
  font.setBold(bold);
  label->setFont(font);
  label->setAlignment(Qt::AlignHCenter);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

// ---- Class-wide ---------------------------------------------------------------------------------

void CSAboutController::introduceTindleApp(const QString& description) {
  CSAboutController* controller = OpenController();
  if (!controller) {
    controller = new CSAboutController;
    QWidget* window = controller->window();
    if (!window) {
      delete controller;
      return;
    }
    window->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = window->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      window->move(frame.topLeft());
    }
    controller->setDescription(description);
    OpenController() = controller;
  }
  QWidget* window = controller->window();
  MakeKeyAndOrderFront(window);
  window->setFocus(Qt::OtherFocusReason);
}

CSAboutController* CSAboutController::openController() {
  return OpenController();
}

QVariantMap CSAboutController::infoDictionary() {
  if (!InfoOverride().isEmpty()) return InfoOverride();
  return QVariantMap{
      {QStringLiteral("CFBundleName"), QString::fromUtf8(kBundleName)},
      {QStringLiteral("CFBundleShortVersionString"), QString::fromUtf8(kBundleShortVersionString)},
      {QStringLiteral("CFBundleVersion"), QString::fromUtf8(kBundleVersion)},
      {QStringLiteral("NSHumanReadableCopyright"), QString::fromUtf8(kBundleCopyright)},
  };
}

void CSAboutController::setInfoDictionary(const QVariantMap& info) {
  InfoOverride() = info;
}

// ---- Life ---------------------------------------------------------------------------------------

CSAboutController::CSAboutController() {
  const QVariantMap info = infoDictionary();
  m_link = LinkText(SiteRoot().toString(), SiteHostName(), Qt::AlignHCenter, false);
  m_licenseLink = LinkText(LicensePageUrl().toString(), QStringLiteral("License"), Qt::AlignHCenter, false);
  m_appName = info.value(QStringLiteral("CFBundleName")).toString();
  m_copyright = info.value(QStringLiteral("NSHumanReadableCopyright")).toString();
  const QString build = info.contains(QStringLiteral("TWBuild"))
                            ? info.value(QStringLiteral("TWBuild")).toString()
                            : info.value(QStringLiteral("CFBundleVersion")).toString();
  m_version = StringWithFormat("%@ (%@)", g_appVersionString, build);
  buildWindow();
  awakeFromNib();
}

CSAboutController::~CSAboutController() {
  delete m_window.data();
}

void CSAboutController::setDescription(const QString& description) {
  m_description = description;
  if (m_descriptionLabel) m_descriptionLabel->setText(description);
}

void CSAboutController::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  window->setObjectName(QString::fromLatin1(kAboutInterface));
  window->setWindowTitle(m_appName);
  window->setFocusPolicy(Qt::StrongFocus);

  auto* layout = new QVBoxLayout(window);
  layout->setContentsMargins(20, 20, 20, 20);
  layout->setSpacing(8);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) {
    auto* iconLabel = new QLabel(window);
    iconLabel->setPixmap(icon.pixmap(kIconSize, kIconSize));
    iconLabel->setAlignment(Qt::AlignHCenter);
    layout->addWidget(iconLabel);
  }
  const double size = SystemFontSize();
  QLabel* name = MakeLabel(window, m_appName, size * 4 / 3, true);
  name->setObjectName(QStringLiteral("appName"));
  layout->addWidget(name);
  QLabel* version = MakeLabel(window, m_version, SmallSystemFontSize(), false);
  version->setObjectName(QStringLiteral("version"));
  layout->addWidget(version);
  m_descriptionLabel = MakeLabel(window, m_description, size, false);
  m_descriptionLabel->setObjectName(QStringLiteral("description"));
  m_descriptionLabel->setFixedWidth(kContentWidth);
  layout->addSpacing(4);
  layout->addWidget(m_descriptionLabel);
  layout->addSpacing(4);

  // Each link view sits unlaid-out in a strip of the content width, so that
  // it can be fitted around its text and centred there.
  auto addLinkStrip = [&](QTextBrowser** view, const CSAttributedString& text, const char* objectName) {
    auto* strip = new QWidget(window);
    const int height = int(std::ceil(SizeOfAttributedString(text).height()));
    strip->setFixedSize(kContentWidth, std::max(height, 1));
    *view = MakeLinkView(strip);
    (*view)->setObjectName(QString::fromLatin1(objectName));
    (*view)->setGeometry(0, 0, kContentWidth, height);
    FillLinkView(*view, text);
    layout->addWidget(strip);
  };
  addLinkStrip(&m_linkView, m_link, "linkView");
  addLinkStrip(&m_licenseLinkView, m_licenseLink, "licenseLinkView");

  if (!m_copyright.isEmpty()) {
    QLabel* copyright = MakeLabel(window, m_copyright, SmallSystemFontSize(), false);
    copyright->setObjectName(QStringLiteral("copyright"));
    copyright->setFixedWidth(kContentWidth);
    layout->addSpacing(4);
    layout->addWidget(copyright);
  }
  // Escape closes the box, whichever of its parts has the focus.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, window, &QWidget::close);
  window->installEventFilter(this);
  m_window = window;
}

void CSAboutController::awakeFromNib() {
  for (QTextBrowser* view : {m_linkView, m_licenseLinkView}) {
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  }
  AdjustScrollViewForLink(m_linkView, m_link, true);
  AdjustScrollViewForLink(m_licenseLinkView, m_licenseLink, true);
}

bool CSAboutController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window && event->type() == QEvent::Close) windowWillClose();
  return QObject::eventFilter(watched, event);
}

void CSAboutController::windowWillClose() {
  if (OpenController() == this) OpenController() = nullptr;
  // The close is still being delivered to the window.
  deleteLater();
}

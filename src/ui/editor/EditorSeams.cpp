// The registrations of the editor's upward seams and what answers while
// nothing is registered.

#include <QMimeData>
#include <QWidget>

#include "support/widgets/CSDragPasteboard.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DREditorAppServices.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/editor/DRPaneFactory.h"
#include "ui/editor/DRTabBandPainter.h"
#include "ui/editor/EditorNotifications.h"

const QString g_toolChangedNotification = QStringLiteral("twdraw.toolChanged");
const QString g_toolKey = QStringLiteral("DRToolbarView.tool");
const QString g_toggleInfoNotification = QStringLiteral("twdraw.toggleInfo");
const QString g_tabChangeNotification = QStringLiteral("cvb.tabChange");
const QString g_activateCropNotification = QStringLiteral("twdraw.activateCrop");
const QString g_cropKey = QStringLiteral("crop");
const QString g_acceptCropNotification = QStringLiteral("twdraw.acceptCrop");
const QString g_arrowChangeNotification = QStringLiteral("twdraw.arrowChange");
const QString g_brushChangeNotification = QStringLiteral("twdraw.brushChange");
const QString g_brushSampleNotification = QStringLiteral("twdraw.brushSample");
const QString g_favoriteColorNotification = QStringLiteral("twcs.favoriteColor");

int g_centerFlag = 0;
QStringList g_clipboardTypes;

namespace {

// No favourites until the real manager is registered.
class EmptyFavoriteColors : public DRFavoriteColorManager {
 public:
  int kolorCount() const override { return 0; }
  Kolor kolorAtIndex(int) const override { return g_nilKolor; }
  void addKolor(Kolor, bool) override {}
  void deleteKolor(Kolor) override {}
};

DREditorPrefs* g_prefs = nullptr;
DREditorAppServices* g_appServices = nullptr;
DREditorDialogs* g_dialogs = nullptr;
DRPaneFactory* g_paneFactory = nullptr;
DRClipboardServices* g_clipboard = nullptr;
DRTabBandPainter* g_tabBands = nullptr;
DRFavoriteColorManager* g_favorites = nullptr;

template <typename T>
T& DefaultOf() {
  static T fallback;
  return fallback;
}

}  // namespace

DREditorPrefs& EditorPrefs() {
  return g_prefs ? *g_prefs : DefaultOf<DREditorPrefs>();
}
void SetEditorPrefs(DREditorPrefs* prefs) {
  g_prefs = prefs;
}

DREditorAppServices& EditorAppServices() {
  return g_appServices ? *g_appServices : DefaultOf<DREditorAppServices>();
}
void SetEditorAppServices(DREditorAppServices* services) {
  g_appServices = services;
}

DREditorDialogs& EditorDialogs() {
  return g_dialogs ? *g_dialogs : DefaultOf<DREditorDialogs>();
}
void SetEditorDialogs(DREditorDialogs* dialogs) {
  g_dialogs = dialogs;
}

void SetPaneFactory(DRPaneFactory* factory) {
  g_paneFactory = factory;
}
DRPaneFactory* PaneFactory() {
  return g_paneFactory;
}

QWidget* CreatePane(const QString& className, const QString& interfaceName, QWidget* parent) {
  if (g_paneFactory) {
    if (QWidget* pane = g_paneFactory->makePane(className, interfaceName, parent)) return pane;
  }
  auto* plain = new QWidget(parent);
  plain->setObjectName(interfaceName);
  return plain;
}

QStringList DRClipboardServices::PasteboardImageTypes() const {
  return ::PasteboardImageTypes();
}

PasteboardDataKind DRClipboardServices::PasteboardDataType(const QMimeData* pasteboard, const QStringList& types,
                                                           QString* chosenType) const {
  return ::PasteboardDataType(pasteboard, types, chosenType);
}

std::unique_ptr<QMimeData> DRClipboardServices::dragPasteboard() const {
  return CSDragPasteboard::dragPasteboard();
}

DRClipboardServices& ClipboardServices() {
  return g_clipboard ? *g_clipboard : DefaultOf<DRClipboardServices>();
}
void SetClipboardServices(DRClipboardServices* services) {
  g_clipboard = services;
}

void SetTabBandPainter(DRTabBandPainter* painter) {
  g_tabBands = painter;
}
DRTabBandPainter* TabBandPainter() {
  return g_tabBands;
}

DRFavoriteColorManager& FavoriteColorManager() {
  return g_favorites ? *g_favorites : DefaultOf<EmptyFavoriteColors>();
}
void SetFavoriteColorManager(DRFavoriteColorManager* manager) {
  g_favorites = manager;
}

#include <gtest/gtest.h>

#include <QMimeData>
#include <QWidget>
#include <memory>

#include "testkit/QStringPrinter.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/FakeEditorDialogs.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeFavoriteColorManager.h"
#include "ui/FakePaneFactory.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DREditorAppServices.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRFavoriteColorManager.h"
#include "ui/editor/DRPaneFactory.h"

namespace {

TEST(PaneFactory, AClassNobodyMakesGetsAPlainWidgetNamedAfterItsFile) {
  QWidget parent;
  QWidget* pane = CreatePane(QStringLiteral("DRPropFillVC"), QStringLiteral("PropFill"), &parent);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->objectName(), QStringLiteral("PropFill"));
  EXPECT_EQ(pane->parent(), &parent);

  FakePaneFactory factory({QStringLiteral("DRPropLineVC")});
  pane = CreatePane(QStringLiteral("DRPropLineVC"), QStringLiteral("PropLine"), &parent);
  EXPECT_EQ(pane->objectName(), QStringLiteral("DRPropLineVC:PropLine"));
  pane = CreatePane(QStringLiteral("DRPropShadowVC"), QStringLiteral("PropShadow"), &parent);
  EXPECT_EQ(pane->objectName(), QStringLiteral("PropShadow"));
  EXPECT_EQ(pane->parent(), &parent);
  EXPECT_EQ(factory.requested, (QStringList{QStringLiteral("DRPropLineVC"), QStringLiteral("DRPropShadowVC")}));
}

TEST(EditorSeams, DefaultsAnswerUntilSomethingIsRegistered) {
  EXPECT_EQ(EditorPrefs().favoriteColorCount(), -1);
  EXPECT_TRUE(EditorPrefs().showRecentColors());
  {
    FakeEditorPrefs prefs;
    prefs.favoriteCount = 4;
    EXPECT_EQ(EditorPrefs().favoriteColorCount(), 4);
    EditorPrefs().setFavoriteColorCount(0);
    EXPECT_EQ(prefs.favoriteCount, 0);
  }
  EXPECT_EQ(EditorPrefs().favoriteColorCount(), -1);

  FavoriteColorManager().addKolor(0x64FF0000, true);
  EXPECT_EQ(FavoriteColorManager().kolorCount(), 0);
  {
    FakeFavoriteColorManager favourites;
    FavoriteColorManager().addKolor(0x64FF0000, true);
    FavoriteColorManager().addKolor(g_blackKolor, true);
    EXPECT_EQ(FavoriteColorManager().kolorCount(), 1);
  }
  EXPECT_EQ(FavoriteColorManager().kolorCount(), 0);
}

// Receives the colours of the panel.
class Swatches : public DRColorPanelDelegate {
 public:
  std::vector<std::pair<Kolor, int>> received;
  void setKolor(Kolor kolor, int swatch) override { received.emplace_back(kolor, swatch); }
};

TEST(EditorSeams, ColourPanelRequestsReachTheRegisteredServices) {
  Swatches swatches;
  EditorAppServices().openColorPanel(3, 0x64FF0000, &swatches);  // nobody registered: nothing
  {
    FakeEditorAppServices services;
    EditorAppServices().openColorPanel(5, 0x64FF0000, &swatches);  // not a panel swatch
    EditorAppServices().openColorPanel(11, 0x6400FF00, &swatches);
    services.chooseKolor(0x640000FF);
    ASSERT_EQ(services.opened.size(), 1u);
    EXPECT_EQ(services.opened[0].swatch, 11);
  }
  EditorAppServices().openColorPanel(3, 0x64FF0000, &swatches);
  EXPECT_EQ(swatches.received, (std::vector<std::pair<Kolor, int>>{{0x640000FF, 11}}));
}

TEST(EditorSeams, WithoutTheSheetThePaintingSizeIsCancelled) {
  int answers = 0;
  bool chosen = true;
  const auto done = [&](bool success, QSizeF) {
    ++answers;
    chosen = success;
  };
  EditorDialogs().getPaintingSize(nullptr, QSizeF(200, 100), done);
  EXPECT_EQ(answers, 1);
  EXPECT_FALSE(chosen);
  EXPECT_TRUE(EditorDialogs().runOpenPanel(nullptr, QStringLiteral("Place"), {QStringLiteral("png")}).isEmpty());

  FakeEditorDialogs dialogs;
  dialogs.chosenSize = QSizeF(64, 48);
  g_centerFlag = 23;
  QSizeF size;
  EditorDialogs().getPaintingSize(nullptr, QSizeF(200, 100), [&](bool success, QSizeF chosenSize) {
    chosen = success;
    size = chosenSize;
  });
  g_centerFlag = 0;
  EXPECT_TRUE(chosen);
  EXPECT_EQ(size, QSizeF(64, 48));
  EXPECT_EQ(dialogs.offeredSize, QSizeF(200, 100));
  EXPECT_EQ(dialogs.centerFlagSeen, 23);
  EditorDialogs().runAlignSheet(nullptr);
  EXPECT_EQ(dialogs.sheets, (QStringList{QStringLiteral("paintingSize"), QStringLiteral("align")}));
}

TEST(EditorSeams, TheDefaultClipboardOffersImageTypesAndPrivatePasteboards) {
  const QStringList types = ClipboardServices().PasteboardImageTypes();
  ASSERT_GE(types.size(), 6);
  EXPECT_EQ(types.mid(0, 6),
            (QStringList{QStringLiteral("image/jpeg"), QStringLiteral("image/jp2"), QStringLiteral("image/tiff"),
                         QStringLiteral("image/gif"), QStringLiteral("image/png"), QStringLiteral("image/bmp")}));
  QStringList unique = types;
  EXPECT_EQ(unique.removeDuplicates(), 0);
  const std::unique_ptr<QMimeData> first = ClipboardServices().dragPasteboard();
  const std::unique_ptr<QMimeData> second = ClipboardServices().dragPasteboard();
  ASSERT_TRUE(first && second);
  EXPECT_NE(first.get(), second.get());
  EXPECT_TRUE(first->formats().isEmpty());
  EXPECT_EQ(ClipboardServices().PasteImageCore(nullptr, CSImage(), nullptr, true, true, -1, -1), nullptr);

  FakeClipboardServices clipboard;
  QMimeData pasteboard;
  ClipboardServices().CopyElements(nullptr, &pasteboard);
  EXPECT_EQ(clipboard.copyCount, 1);
}

}  // namespace

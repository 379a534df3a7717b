#pragma once
// A real drawing window with a bitmap element whose painting is open in a
// painting tab, made by the painting editor's own factory; beeps and alerts
// are counted, and the tool settings the canvas reads are restored after
// each test.

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QScrollArea>
#include <memory>

#include "../shell/ShellTestSupport.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/CSAlertPresenter.h"
#include "support/Measure.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/EditorSetup.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"
#include "ui/shell/DRWindowController.h"

// An opaque image of one colour.
inline CSImage SolidImage(QSize size, QColor color) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(color);
  return CSImage::initWithCGImage(image, QSizeF(0, 0));
}

inline QByteArray PngData(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// A menu item of a selector and tag, as the main menu makes them.
inline std::unique_ptr<QAction> PaintItem(const QString& selector, int tag = 0) {
  auto item = std::make_unique<QAction>(selector);
  item->setProperty(DRActionRouter::kSelectorProperty, selector);
  item->setProperty(DRDrawVC::kTagProperty, tag);
  if (selector == QLatin1String("undoEdit:")) item->setObjectName(QStringLiteral("undoEdit"));
  return item;
}

// The painting's pixels with the floating pixmap laid over them, as the
// painting would be once the floating pixels were dropped, with its size.
inline QByteArray PaintState(DRPaintVC* vc) {
  DRPainting* painting = vc->painting().get();
  CSPixmap* map = painting ? painting->pixmap() : nullptr;
  if (!map) return QByteArray();
  std::unique_ptr<CSPixmap> copy = map->copy();
  if (const CSPixmap* floating = vc->paintView()->floatingPixmap())
    copy->mergeBitmap(floating->bitmap(), vc->paintView()->floatingRect().topLeft(), kPixmapBlendSourceOver);
  const PixelBitmap pixels = copy->bitmap();
  QByteArray state = QByteArray::number(copy->width()) + "x" + QByteArray::number(copy->height()) + ":";
  for (int y = 0; y < pixels.height; ++y)
    state.append(reinterpret_cast<const char*>(pixels.row(y)), qsizetype(pixels.width) * 4);
  return state;
}

class PaintTest : public ShellTest {
 public:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    DRSettings& settings = DRSettings::sharedInstance();
    m_grid = settings.showPaintGrid();
    m_exponent = settings.checkerboardExponent();
    m_blend = settings.blendPixels();
    m_fill = settings.fillKolor();
    m_brush = settings.brush();
    m_brushSize = settings.brushSizeExponent();
    m_pencilOption = settings.pencilOption();
    m_pixelSelector = settings.pixelSelector();
    m_shrink = settings.shrinkSelection();
    m_smudge = settings.smudgeBlur();
    m_colorTarget = settings.colorTarget();
    m_swap = settings.swapKolor();
    settings.setBrush(0);
    settings.setBrushSizeExponent(2);
    settings.setPencilOption(0);
    settings.setPixelSelector(0);
    settings.setShrinkSelection(false);
    settings.setSmudgeBlur(false);
    settings.setColorTarget(0);
    CSRecordingAlertPresenter::shared().clear();
    CSRecordingAlertPresenter::shared().setAnswer(0);
    m_clipboardTypes = g_clipboardTypes;
    g_clipboardTypes = {QStringLiteral("twdraw.elements"), QStringLiteral("image/tiff"), QStringLiteral("image/png"),
                        QStringLiteral("text/plain")};
    DRPaintVC::setBeepFunction([this] { ++beeps; });
    DRWindowController::setPaintTabFactory(&DRPaintVC::createForWindow);
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(800, 600);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    ShellTest::TearDown();
    DRWindowController::setPaintTabFactory(nullptr);
    DRPaintVC::setBeepFunction(nullptr);
    DRSettings& settings = DRSettings::sharedInstance();
    settings.setShowPaintGrid(m_grid);
    settings.setCheckerboardExponent(m_exponent);
    settings.setBlendPixels(m_blend);
    settings.setFillKolor(m_fill);
    settings.setBrush(m_brush);
    settings.setBrushSizeExponent(m_brushSize);
    settings.setPencilOption(m_pencilOption);
    settings.setPixelSelector(m_pixelSelector);
    settings.setShrinkSelection(m_shrink);
    settings.setSmudgeBlur(m_smudge);
    settings.setColorTarget(m_colorTarget);
    settings.setSwapKolor(m_swap);
    QApplication::clipboard()->clear();
    g_clipboardTypes = m_clipboardTypes;
  }

  DRDrawing* drawing() const { return controller->drawing(); }

  // A bitmap element showing the painting, placed in the drawing.
  DRElementBitmap* addBitmap(std::shared_ptr<DRPainting> painting) {
    auto bitmap = std::make_unique<DRElementBitmap>(std::move(painting));
    bitmap->setFrame(ConvertViewRect(QRectF(20, 20, bitmap->painting()->originalSize().width(),
                                            bitmap->painting()->originalSize().height())));
    DRElementBitmap* raw = bitmap.get();
    drawing()->elements().push_back(std::move(bitmap));
    return raw;
  }
  // Opens the bitmap's painting in its tab and selects the tab.
  DRPaintVC* openTab(DRElementBitmap* bitmap) {
    controller->drawView()->setSelection({bitmap});
    controller->editPaintings();
    Spin();
    const auto* record = controller->bitmapDictForGuid(bitmap->guid());
    auto* vc = record ? dynamic_cast<DRPaintVC*>(record->control.get()) : nullptr;
    if (vc) view = vc->paintView();
    return vc;
  }
  // A painting of one colour opened in its tab.
  DRPaintVC* openSolid(QSize size, QColor color) {
    bitmap = addBitmap(DRPainting::paintingFromImage(SolidImage(size, color)));
    return openTab(bitmap);
  }
  // Sends a command as the menu does, with its validation.
  bool send(DRPaintVC* vc, const QString& selector, int tag = 0) {
    std::unique_ptr<QAction> item = PaintItem(selector, tag);
    if (!vc->validateMenuItem(selector, item.get())) return false;
    return vc->performAction(selector, item.get());
  }
  // Chooses a tool on the window's palette, as a click on its cell does.
  void chooseTool(DRTool tool) {
    controller->toolbarView()->setSelectedTool(tool);
    Spin();
  }
  // The pixel word of the painting at a pixel.
  uint32_t pixelAt(DRPaintVC* vc, int x, int y) {
    CSPixmap* map = vc->painting()->pixmap();
    const PixmapMode mode = map->pixmapMode();
    map->setPixmapMode(kPixmapModeColor);
    uint32_t pixel = 0;
    map->getPixelColor(&pixel, x, y);
    map->setPixmapMode(mode);
    return pixel;
  }
  QString undoTitle(DRPaintVC* vc) {
    QString title;
    vc->undoManager().validateState(true, &title);
    return title;
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settingsScope;
  DRWindowController* controller = nullptr;
  DRElementBitmap* bitmap = nullptr;
  DRPaintView* view = nullptr;
  int beeps = 0;

 private:
  bool m_grid = false;
  double m_exponent = 2;
  bool m_blend = true;
  Kolor m_fill = g_nilKolor;
  int32_t m_brush = 0;
  uint64_t m_brushSize = 2;
  int32_t m_pencilOption = 0;
  int32_t m_pixelSelector = 0;
  bool m_shrink = true;
  bool m_smudge = false;
  int32_t m_colorTarget = 0;
  Kolor m_swap = g_blackKolor;
  QStringList m_clipboardTypes;
};

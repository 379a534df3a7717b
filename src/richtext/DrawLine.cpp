#include "richtext/DrawLine.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "richtext/Borders.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DrawingServices.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Tables.h"
#include "richtext/TextServices.h"
#include "support/ChromeDrawing.h"
#include "support/GraphicsContext.h"

namespace {

constexpr Kolor kLightGrey = 0x64C0C0C0;
constexpr Kolor kInvisibleGrey = 0x64808080;
constexpr Kolor kSpecialUnderlines[3] = {0x640000F0, 0x64F00000, 0x6400F000};
constexpr char16_t kLeaders[4] = {u' ', u'.', u'-', u'='};

bool g_applicationActive = true;

float Points(int64_t measure) { return float(double(measure) / 12700.0); }

// Device pixels per point of the current painter (the zoom and the screen's
// ratio); 1 without one.
double DeviceScale(QPainter* painter, const Pane* pane) {
  if (painter) {
    const double scale = std::abs(painter->deviceTransform().m22());
    if (scale > 0) return scale;
  }
  return pane && pane->zoom > 0 ? pane->zoom : 1.0;
}

float Zoom(const Pane* pane) { return pane && pane->zoom > 0 ? pane->zoom : 1.0f; }

void DrawUnderline(const LineFormat* lf, const LineRun& run, double x, double baselineY, float zoom) {
  CorvaneDoc* doc = lf->document;
  CharProps props;
  DocRange range;
  FetchCharProps(doc, &range, uint32_t(std::max(0, run.head().firstCp)), &props);
  const float x1 = float(x), x2 = float(x + run.head().width);
  const Kolor kolor = IsVisibleKolor(props.color) ? props.color : MakeKolor(0, 0, 0);
  float position = 0;
  const float thickness = std::max(FontUnderlineMetrics(props, &position), 1.0f / zoom);
  if (run.strike) {
    float ascent = 0;
    LineMetricsForFont(props, &ascent);
    const float y = float(baselineY - ascent / 4);
    DrawLine(kolor, x1, y, x2, y, thickness);
  }
  const float y = float(baselineY + std::max(position, 1.0f));
  switch (run.value) {
    case 0: break;
    case 2: {
      DocRange words{doc, uint32_t(std::max(0, run.head().firstCp)), uint32_t(std::max(0, run.head().endCp))};
      // The word underline needs the text segment under it.
      for (const LineRun& text : lf->runs) {
        if (text.head().kind != kRunText || text.head().firstCp < 0) continue;
        if (text.head().endCp <= run.head().firstCp || text.head().firstCp >= run.head().endCp) continue;
        DrawWordUnderline(words, &text.segment, float(x - run.head().x + text.head().x), y, thickness, kolor);
      }
      break;
    }
    case 3:
      DrawLine(kolor, x1, y, x2, y, thickness);
      DrawLine(kolor, x1, y + 2 * thickness, x2, y + 2 * thickness, thickness);
      break;
    case 4: DrawDottedLine(kolor, x1, y, x2, y, thickness); break;
    case 5: DrawDashedLine(kolor, x1, y, x2, y, thickness); break;
    case 8:
    case 9:
    case 10:
      if (doc->active) DrawSpecialUnderline(kSpecialUnderlines[run.value - 8], x1, x2, y, zoom);
      break;
    default: {
      // One line, its top on a device pixel.
      const double scale = DeviceScale(CurrentQuartzContext(), lf->pane);
      const float snapped = float(std::round(y * scale) / scale);
      DrawLine(kolor, x1, snapped, x2, snapped, thickness);
      break;
    }
  }
}

void DrawInvisibleChar(const LineFormat* lf, const LineRun& run, double x, const QRectF& lineRect) {
  const QRectF rect(x, lineRect.y(), std::max(1.0f, run.head().width), lineRect.height());
  char16_t c = run.character;
  uint32_t kind = run.head().kind == kRunTab ? kMarkInvisible : run.value;
  if (run.head().kind == kRunTab) c = u'\t';
  switch (kind) {
    case 0:
      if (g_corvaneConfig.invisibleMark) DrawSingleCharacter(g_corvaneConfig.invisibleMark, kInvisibleGrey, rect, lf->baseline);
      break;
    case 1:
    case 2:
    case 3:
    case 4: {
      static const char16_t symbols[4] = {0x2022, u'<', u'>', u'|'};
      const QString text = QString(QChar(symbols[kind - 1])) + QString::asprintf("%02x", unsigned(c) & 0xFF);
      DrawStringWithSystemFont(text, kInvisibleGrey, 8, rect);
      break;
    }
    case 5: {
      char16_t symbol = 0;
      switch (c) {
        case u'\t': symbol = 0x2192; break;
        case u'\n': symbol = 0x00B6; break;
        case 11: symbol = 0x25FB; break;
        case 12: symbol = 0x25EB; break;
        case u' ': symbol = 0x00B7; break;
        case 0x2028: symbol = 0x21A9; break;
        case 0x00A0:
        case 0x2011:
        case 0x202F: symbol = u'_'; break;
        default: break;
      }
      if (symbol) DrawSingleCharacter(symbol, kInvisibleGrey, rect, lf->baseline);
      break;
    }
    default: break;
  }
}

bool PaneShowsInvisibles(const LineFormat* lf) { return lf->pane && lf->pane->contentsFlags[2] && !lf->plainView; }

void DrawDividerLine(const LineFormat* lf, const QRectF& lineRect) {
  CorvaneDoc* doc = lf->document;
  KnotEntry entry;
  uint32_t cp = lf->endCp > lf->firstCp ? lf->endCp - 1 : lf->firstCp;
  if (!KnotEntryAtCp(doc, cp, &entry) || entry.type != kKnotDivider) {
    cp = lf->firstCp;
    if (!KnotEntryAtCp(doc, cp, &entry) || entry.type != kKnotDivider) return;
  }
  CharProps props;
  DocRange range;
  FetchCharProps(doc, &range, cp, &props);
  const Pane* pane = lf->pane;
  const bool selected = pane && pane->objectSelection == kNoCpValue && std::min(pane->anchor, pane->end) <= int32_t(cp) &&
                        std::max(pane->anchor, pane->end) > int32_t(cp);
  if (selected) {
    DrawLineHighlight(lf, lineRect);
    DrawDivider(entry.word1, props, false, lineRect);
  } else if (IsVisibleKolor(props.color)) {
    DrawDivider(entry.word1, props, false, lineRect);
  }
  if (PaneShowsInvisibles(lf)) DrawOutline(lineRect, Zoom(pane));
}

bool CaretBelongsToLine(const LineFormat* lf, const Pane* pane) {
  const uint32_t anchor = uint32_t(std::max(0, pane->anchor));
  const uint32_t last = lf->endsParagraph && lf->endCp > lf->firstCp ? lf->endCp - 1 : lf->endCp;
  const bool atLineEnd = pane->selectionFlags[2];
  if (anchor < lf->firstCp || anchor > last) return false;
  if (anchor == last && !atLineEnd) return false;
  if (anchor == lf->firstCp && atLineEnd) return false;
  return true;
}

}  // namespace

void SetApplicationActiveForDrawing(bool active) { g_applicationActive = active; }

float InsertionPointWidth() { return g_corvaneConfig.wideCaret ? 3.0f : 1.0f; }

Kolor TextSelectionKolor(CorvaneDoc* doc, Pane* pane) {
  if (!doc) return g_nilKolor;
  if (pane && pane == CurrentPane(doc) && doc->active) {
    if (!g_applicationActive && !pane->paneFlags[6]) return kLightGrey;
    if (ViewIsFocused(pane->view)) return HighlightKolor(false);
  }
  return kLightGrey;
}

Kolor InsertionPointKolor(const LineFormat* lf, uint32_t cp, Kolor paraKolor, Kolor lineKolor) {
  Kolor ground = g_nilKolor;
  if (lf && lf->document) {
    CharProps props;
    DocRange range;
    FetchCharProps(lf->document, &range, cp, &props);
    if (IsVisibleKolor(props.back)) ground = props.back;
  }
  if (!IsVisibleKolor(ground) && IsVisibleKolor(paraKolor)) ground = paraKolor;
  if (!IsVisibleKolor(ground) && IsVisibleKolor(lineKolor)) ground = lineKolor;
  if (!IsVisibleKolor(ground) && lf && lf->document) {
    const Kolor back = DocumentBackgroundKolor(lf->document, CurrentQuartzContext());
    if (IsVisibleKolor(back)) ground = back;
  }
  if (!IsVisibleKolor(ground)) ground = lf && lf->darkColors ? MakeKolor(0, 0, 0) : MakeKolor(255, 255, 255);
  const Kolor inverse = KolorFromColorCore(InvertColor(ColorFromKolor(MakeKolor(
      KolorRed(ground), KolorGreen(ground), KolorBlue(ground), 100))));
  return MakeKolor(KolorRed(inverse), KolorGreen(inverse), KolorBlue(inverse), 100);
}

bool DrawLineHighlight(const LineFormat* lf, const QRectF& rect) {
  if (!lf) return false;
  const Kolor kolor = TextSelectionKolor(lf->document, lf->pane);
  if (!IsVisibleKolor(kolor)) return false;
  DrawRectangle(g_nilKolor, kolor, rect);
  return true;
}

double SnapToDevicePixels(double value, double scale, bool down) {
  if (scale <= 0) return value;
  double snapped = std::rint(value * scale) / scale;
  // A snap that moved the edge inward goes one device pixel further out.
  if (down && snapped > value + 1e-9) snapped -= 1.0 / scale;
  if (!down && snapped < value - 1e-9) snapped += 1.0 / scale;
  return snapped;
}

void DrawOutline(const QRectF& rect, float zoom) {
  QRectF frame = rect;
  if (zoom > 0 && zoom != std::floor(zoom)) {
    const double left = SnapToDevicePixels(rect.left(), zoom, true);
    const double top = SnapToDevicePixels(rect.top(), zoom, true);
    const double right = SnapToDevicePixels(rect.right(), zoom, false);
    const double bottom = SnapToDevicePixels(rect.bottom(), zoom, false);
    frame = QRectF(QPointF(left, top), QPointF(right, bottom));
  }
  DrawRectangleCore(kLightGrey, g_nilKolor, false, frame, zoom);
}

QRectF DrawOrFindPicture(const LineFormat* lf, const LineRun& run, bool draw, const QRectF& lineRect) {
  if (!lf || !lf->document || run.head().firstCp < 0) return QRectF();
  CorvaneDoc* doc = lf->document;
  KnotEntry entry;
  if (!KnotEntryAtCp(doc, uint32_t(run.head().firstCp), &entry) || entry.type != kKnotPicture) return QRectF();
  const float border = run.borderThickness;
  const double baselineY = lineRect.y() + lf->baseline;
  CharProps props;
  DocRange range;
  FetchCharProps(doc, &range, uint32_t(run.head().firstCp), &props);
  const double shift = Points(props.sub);
  QRectF rect;
  rect.setX(std::floor(lineRect.x() + lf->leftEdge + run.head().x + border));
  rect.setWidth(std::max(0.0f, run.head().width - 2 * border));
  const double height = std::max(0.0f, run.height);
  rect.setHeight(height);
  double top;
  switch (entry.word2) {
    case 1: top = lineRect.bottom() - height - border; break;
    case 2: top = baselineY - shift - (height + 2 * border) / 2 + border; break;
    case 3: top = baselineY - shift - height - border; break;
    default: top = lineRect.y() + border; break;
  }
  rect.moveTop(top);
  if (!draw) return rect;
  const Pane* pane = lf->pane;
  const bool plain = lf->flags & kLinePlainRendering;
  double fraction = 1.0;
  if (run.selected && !plain && !lf->plainView && !(pane && pane->paneFlags[2])) {
    DrawLineHighlight(lf, rect);
    fraction = 0.5;
  }
  if (entry.opacity >= 1 && entry.opacity <= 1001) fraction = (entry.opacity - 1) / 1000.0;
  if (const PictureEntry* picture = PictureAtIndex(doc, entry.word1); picture && picture->image) {
    DrawPicture(picture->image, rect, float(fraction));
  }
  if (PaneShowsInvisibles(lf)) DrawOutline(rect, Zoom(pane));
  return rect;
}

void DrawFormattedLine(const LineFormat* lf, float rightLimit, Kolor backgroundKolor, CaretRecord* caretOut,
                       const QRectF& lineRectIn, const QRectF& clipRect) {
  if (!lf || !lf->document) return;
  CorvaneDoc* doc = lf->document;
  Pane* pane = lf->pane ? lf->pane : CurrentPane(doc);
  QPainter* painter = CurrentQuartzContext();
  const double scale = DeviceScale(painter, pane);
  const float zoom = Zoom(pane);
  const bool plain = lf->flags & kLinePlainRendering;

  // 1. Whole device pixels, never inside the line.
  QRectF lineRect = lineRectIn;
  if (scale != std::floor(scale) || lineRect.top() * scale != std::floor(lineRect.top() * scale) ||
      lineRect.bottom() * scale != std::floor(lineRect.bottom() * scale)) {
    const double top = SnapToDevicePixels(lineRect.top(), scale, true);
    const double bottom = SnapToDevicePixels(lineRect.bottom(), scale, false);
    lineRect.setTop(top);
    lineRect.setBottom(bottom);
  }

  // 2-3. Grounds and the paragraph's border.
  if (!plain && IsVisibleKolor(backgroundKolor)) DrawRectangle(g_nilKolor, backgroundKolor, lineRect);
  ParaProps para;
  DocRange paraRange;
  FetchParaProps(doc, pane, lf->firstCp, &paraRange, &para);
  if (lf->lineKind == 0 && lf->framed && !plain) {
    const double left = lineRect.x() + lf->paraLeftEdge, right = lineRect.x() + lf->rightEdge;
    if (para.border.btype == kEdgeNone) {
      if (IsVisibleKolor(para.border.back))
        DrawRectangle(g_nilKolor, para.border.back, QRectF(left, lineRect.y(), right - left, lineRect.height()));
    } else {
      const BorderSides sides = BorderThickness(para.border, lf->borderEdges);
      const QRectF box(left - sides.left, lineRect.y(), right - left + sides.left + sides.right, lineRect.height());
      DrawBorder(doc, para.border, false, lf->borderEdges, box);
    }
  }

  // 4. Rows draw themselves.
  if (lf->lineKind == 3) {
    DrawTableRow(lf, lineRect.x(), lineRect.y(), clipRect.isNull() ? lineRect : clipRect, caretOut);
    return;
  }
  bool clipped = false;
  QRectF clip = lineRect;
  if (!lf->plainView) {
    if (rightLimit != 0 && lf->lineKind != 0) clip.setRight(std::min<double>(clip.right(), rightLimit));
    if (!clipRect.isNull()) clip = clip.intersected(clipRect);
    if (clip.isEmpty()) return;
    ClipToRect(clip);
    clipped = true;
  }

  // 5. The runs, in the order the formatter sorted them.
  const double base = lineRect.x() + lf->leftEdge;
  const double baselineY = lineRect.y() + lf->baseline;
  const bool noHighlights = pane && pane->paneFlags[2];
  if (lf->lineKind == 0) {
    for (const LineRun& run : lf->runs) {
      const LineRunHead& head = run.head();
      const double x = base + head.x;
      switch (head.kind) {
        case kRunHighlight:
          if (!plain) DrawRectangle(run.frame, run.fill, QRectF(x, clip.y(), head.width, clip.height()));
          break;
        case kRunBarTab:
          DrawLine(IsVisibleKolor(doc->docProps.btcolor) ? doc->docProps.btcolor : MakeKolor(0, 0, 0), float(x),
                   float(lineRect.top()), float(x), float(lineRect.bottom()), 1.0f / zoom);
          break;
        case kRunCheckbox: {
          CharProps props;
          DocRange range;
          FetchCharProps(doc, &range, uint32_t(std::max(0, head.firstCp)), &props);
          const double size = g_checkboxSize;
          const double bottom = baselineY - Points(props.sub) - g_checkboxShift;
          DrawCheckbox(doc, run.value != 0, QRectF(x, bottom - size, size, size));
          break;
        }
        case kRunUnderline: DrawUnderline(lf, run, x, baselineY, zoom); break;
        case kRunFindMark:
          if (!plain && !noHighlights) DrawRectangle(g_nilKolor, kLightGrey, QRectF(x, lineRect.y(), head.width, lineRect.height()));
          break;
        case kRunMark: DrawInvisibleChar(lf, run, x, lineRect); break;
        case kRunText: DrawLineSegment(&run.segment, float(x), float(lineRect.y()), lf->baseline); break;
        case kRunPicture: DrawOrFindPicture(lf, run, true, lineRect); break;
        case kRunSelection:
          if (!noHighlights && !plain) DrawLineHighlight(lf, QRectF(x, lineRect.y(), head.width, lineRect.height()));
          break;
        case kRunTab: {
          const uint32_t leader = (run.value >> 26) & 7;
          if (leader >= 1 && leader <= 3) {
            CharProps props;
            DocRange range;
            FetchCharProps(doc, &range, uint32_t(std::max(0, head.firstCp)), &props);
            DrawTabLeader(props, kLeaders[leader], float(x), float(x + head.width), float(base), float(baselineY));
          } else if (leader == 4 || leader == 5) {
            DrawLine(MakeKolor(0, 0, 0), float(x), float(baselineY), float(x + head.width), float(baselineY),
                     leader == 5 ? 2.0f / zoom : 1.0f / zoom);
          }
          if (PaneShowsInvisibles(lf) && pane->contentsFlags[2]) DrawInvisibleChar(lf, run, x, lineRect);
          break;
        }
        case kRunTagMarker: {
          KnotEntry tag;
          if (head.firstCp >= 0 && KnotEntryAtCp(doc, uint32_t(head.firstCp), &tag)) {
            DrawTagInRect(&tag, QRectF(x, baselineY - run.height, head.width, run.height));
          }
          break;
        }
        default: break;
      }
    }
  } else if (lf->lineKind == 2) {
    DrawDividerLine(lf, lineRect);
  }

  // 7.
  if (clipped) ResetClip();

  // 8. The drop-position mark, else the caret.
  if (!pane) return;
  const Kolor paraKolor = para.border.back;
  if (pane->dragMarkCp > 0 && lf->lineKind == 0 && uint32_t(pane->dragMarkCp) >= lf->firstCp &&
      uint32_t(pane->dragMarkCp) < lf->endCp) {
    const double x = SnapToDevicePixels(base + LineXFromCpCore(lf, uint32_t(pane->dragMarkCp), nullptr), scale, true);
    const Kolor kolor = InsertionPointKolor(lf, uint32_t(pane->dragMarkCp), paraKolor, backgroundKolor);
    const float top = float(lineRect.y() + lf->spaceAbove), bottom = float(lineRect.bottom() - lf->spaceBelow);
    DrawLine(kolor, float(x), top, float(x), bottom, 1.0f / zoom);
    return;
  }
  const bool caretShown = !lf->plainView && !(lf->flags & kLineNoSelectionMarks) && doc->kind != kHelpDocument &&
                          doc->active && (g_applicationActive || pane->paneFlags[6]) && pane == CurrentPane(doc) &&
                          !IsDocumentLocked(doc) && pane->objectSelection == kNoCpValue &&
                          pane->selectionFlags[1] && pane->caretX >= 0 && pane->anchor == pane->end;
  if (!caretShown || !CaretBelongsToLine(lf, pane) || !ViewIsFocused(pane->view)) return;
  QRectF view;
  GetViewRect(&view, doc, pane);
  double x = pane->caretX;
  if (view.width() > 2) x = std::clamp<double>(x, view.left() + 1, view.right() - 1);
  x = SnapToDevicePixels(x, scale, true);
  CaretRecord caret;
  caret.x = x;
  caret.top = lineRect.y() + lf->spaceAbove;
  caret.width = InsertionPointWidth() / zoom;
  caret.height = std::max(0.0, lineRect.height() - lf->spaceAbove - lf->spaceBelow);
  caret.kolor = InsertionPointKolor(lf, uint32_t(pane->anchor), paraKolor, backgroundKolor);
  if (caretOut) {
    *caretOut = caret;
  } else {
    DrawInsertionPoint(caret.kolor, zoom, QRectF(caret.x, caret.top, caret.width, caret.height));
  }
}

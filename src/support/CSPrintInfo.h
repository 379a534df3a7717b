#pragma once
// A document's page set-up as plain values: paper, orientation, margins and
// scale, all in points. The library below the interface keeps it without the
// printing module; the shell turns it into a QPageLayout for its printer and
// page set-up dialogs and back.

#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

struct CSPrintInfo {
  enum Orientation : int { Portrait = 0, Landscape = 1 };

  QString paperName;  // what the page set-up calls the paper ("A4", "Letter"); may be empty
  QSizeF paperSize;   // the sheet in portrait, in points
  Orientation orientation = Portrait;
  double leftMargin = 72;  // points
  double rightMargin = 72;
  double topMargin = 90;
  double bottomMargin = 90;
  double scale = 1.0;  // 1.0 prints at full size
  bool horizontallyCentered = true;
  bool verticallyCentered = true;

  // The system's usual paper: Letter where the locale measures in US units,
  // otherwise A4, in portrait with the default margins.
  static CSPrintInfo defaultPrintInfo();
  // The application's shared set-up, which new documents copy; the default
  // until the shell sets another.
  static CSPrintInfo sharedPrintInfo();
  static void setSharedPrintInfo(const CSPrintInfo& info);

  // The sheet as it lies on the page: width and height swapped in landscape.
  QSizeF orientedPaperSize() const;
  // The printable rectangle inside the margins, in points from the top left
  // of the oriented sheet; empty when the margins leave no room.
  QRectF imageableRect() const;
  void setAllMargins(double points);

  QPageLayout toPageLayout() const;
  // Takes paper, orientation and margins from a layout the user chose; the
  // scale and centring stay as they are.
  void applyPageLayout(const QPageLayout& layout);

  bool operator==(const CSPrintInfo& other) const = default;
};

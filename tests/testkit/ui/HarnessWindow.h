#pragma once
// A top-level window for widget tests on the offscreen platform: views are
// placed in it at fixed geometries, it is shown (so widgets get real sizes
// and paint), and it renders itself or one view into an image.

#include <QImage>
#include <QRect>
#include <QWidget>

class HarnessWindow : public QWidget {
 public:
  explicit HarnessWindow(QSize size = QSize(400, 600));

  // Reparents the view into the window at the geometry and shows both.
  template <typename View>
  View* place(View* view, const QRect& geometry) {
    placeWidget(view, geometry);
    return view;
  }
  // The view as it looks now, in device-independent pixels (ARGB32
  // premultiplied), painted through its paint event.
  static QImage grabView(QWidget* view);

 private:
  void placeWidget(QWidget* view, const QRect& geometry);
};

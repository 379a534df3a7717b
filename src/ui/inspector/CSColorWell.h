#pragma once
// A plain colour well. A click makes it the active well: the shared colour
// panel opens on its colour, and every colour chosen there becomes the
// well's and is sent (kolorChanged) until the panel closes, another well
// becomes active or the well is clicked again. While active it carries the
// kActiveColorWellProperty mark. Its swatch looks as the inspector's wells'
// do (DRColorWell::drawWellInside): the no-colour Kolor (a mixed value) as a
// grey cross.

#include <QAbstractButton>
#include <QColorDialog>
#include <QMetaObject>
#include <QPointer>

#include "support/Kolor.h"

class CSColorWell : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CSColorWell(QWidget* parent = nullptr);
  ~CSColorWell() override;

  Kolor kolor() const { return m_kolor; }
  // Shows the colour, in the panel too while active; sends nothing.
  void setKolor(Kolor kolor);

  bool isActive() const { return m_panel != nullptr; }
  void activate();
  // Also callable by name, for code that finds the well through
  // ActiveColorWell() and knows only that it is a widget.
  Q_INVOKABLE void deactivate();
  // The well the shared panel serves now, or null.
  static CSColorWell* activeWell();

  QSize sizeHint() const override;

 signals:
  void kolorChanged(Kolor kolor);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void panelColorChanged(const QColor& color);

  Kolor m_kolor = g_whiteKolor;
  QPointer<QColorDialog> m_panel;
  QMetaObject::Connection m_connection;
};

#pragma once
// The status line of a document window: a thin band showing a text whose
// tab-separated parts are spread over equal columns. The window controller
// sets its text for positions, sizes, moves and lines being drawn.

#include <QString>
#include <QWidget>

class DRStatusView : public QWidget {
  Q_OBJECT

 public:
  // The space left and right of the text, in points.
  static constexpr double kTextInset = 6.0;

  explicit DRStatusView(QWidget* parent = nullptr);
  ~DRStatusView() override;

  // Observes appearance changes.
  void awakeFromNib();

  QString statusString() const { return m_statusString; }
  void setStatusString(const QString& status) { m_statusString = status; }
  // Stores the text and redraws.
  void setStatus(const QString& status);

  // Drops the colours and text attributes shared by all status lines (they
  // are made again for the new appearance) and redraws.
  void darkModeChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString m_statusString;
};

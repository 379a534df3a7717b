#pragma once
// Reads a PDF document and renders its pages into images: a thin layer over
// Qt Pdf, so that code above the platform folder never touches it directly.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <memory>

class QPdfDocument;
class QBuffer;

class PdfRenderer {
 public:
  PdfRenderer();
  ~PdfRenderer();
  PdfRenderer(const PdfRenderer&) = delete;
  PdfRenderer& operator=(const PdfRenderer&) = delete;

  // Each answers whether the document could be read; a failed load leaves
  // no document (page count 0).
  bool loadData(const QByteArray& data);
  bool loadFile(const QString& path);

  int pageCount() const;
  // The page's size in points; empty for a page that does not exist.
  QSizeF pageSize(int page) const;
  // The page drawn into a transparent image of exactly `pixels`; a null
  // image for a missing page or an empty or oversized request.
  QImage render(int page, QSize pixels) const;
  // The bytes a document was loaded from with loadData; empty otherwise.
  const QByteArray& data() const { return m_data; }

 private:
  void close();

  std::unique_ptr<QPdfDocument> m_document;
  std::unique_ptr<QBuffer> m_buffer;
  QByteArray m_data;
};

#include "platform/PdfRenderer.h"

#include <QBuffer>
#include <QPdfDocument>

namespace {
// A rendered page is a full ARGB bitmap; refuse anything beyond this.
constexpr qint64 kMaxRenderPixels = qint64(16384) * 16384;
}  // namespace

PdfRenderer::PdfRenderer() = default;

PdfRenderer::~PdfRenderer() {
  close();
}

void PdfRenderer::close() {
  if (m_document) m_document->close();
  m_document.reset();
  m_buffer.reset();
  m_data.clear();
}

bool PdfRenderer::loadData(const QByteArray& data) {
  close();
  if (data.isEmpty()) return false;
  m_data = data;
  m_buffer = std::make_unique<QBuffer>(&m_data);
  if (!m_buffer->open(QIODevice::ReadOnly)) {
    close();
    return false;
  }
  m_document = std::make_unique<QPdfDocument>();
  // A buffer is random-access with its whole size known, so the document is
  // read before load() returns.
  m_document->load(m_buffer.get());
  if (m_document->status() != QPdfDocument::Status::Ready || m_document->pageCount() <= 0) {
    close();
    return false;
  }
  return true;
}

bool PdfRenderer::loadFile(const QString& path) {
  close();
  m_document = std::make_unique<QPdfDocument>();
  if (m_document->load(path) != QPdfDocument::Error::None || m_document->pageCount() <= 0) {
    close();
    return false;
  }
  return true;
}

int PdfRenderer::pageCount() const {
  return m_document ? m_document->pageCount() : 0;
}

QSizeF PdfRenderer::pageSize(int page) const {
  if (page < 0 || page >= pageCount()) return {};
  return m_document->pagePointSize(page);
}

QImage PdfRenderer::render(int page, QSize pixels) const {
  if (page < 0 || page >= pageCount() || pixels.isEmpty() ||
      qint64(pixels.width()) * pixels.height() > kMaxRenderPixels)
    return {};
  QImage image = m_document->render(page, pixels);
  if (image.isNull()) return {};
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

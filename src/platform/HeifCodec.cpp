#include "platform/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// The library loads its codec plugins on first use; do it once per process.
void EnsureHeifInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct EncoderDeleter {
  void operator()(heif_encoder* e) const { heif_encoder_release(e); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextDeleter>;
using HandlePtr = std::unique_ptr<heif_image_handle, HandleDeleter>;
using ImagePtr = std::unique_ptr<heif_image, ImageDeleter>;
using EncoderPtr = std::unique_ptr<heif_encoder, EncoderDeleter>;

bool Failed(const heif_error& err, QString* error) {
  if (err.code == heif_error_Ok) return false;
  if (error) *error = QString::fromUtf8(err.message ? err.message : "HEIF error");
  return true;
}

// Reads the container (not the pixels) and answers the primary image handle.
HandlePtr OpenPrimaryImage(const QByteArray& data, ContextPtr& context, QString* error) {
  EnsureHeifInitialised();
  if (data.size() < 12 || data.size() > INT32_MAX) {
    if (error) *error = QStringLiteral("The data is not a HEIF file.");
    return nullptr;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  if (heif_check_filetype(bytes, int(data.size())) == heif_filetype_no) {
    if (error) *error = QStringLiteral("The data is not a HEIF file.");
    return nullptr;
  }
  context.reset(heif_context_alloc());
  if (!context) return nullptr;
  heif_context_set_maximum_image_size_limit(context.get(), kHeifMaxSide);
  if (Failed(heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr),
             error))
    return nullptr;
  heif_image_handle* handle = nullptr;
  if (Failed(heif_context_get_primary_image_handle(context.get(), &handle), error)) return nullptr;
  return HandlePtr(handle);
}

}  // namespace

QSize HeifImageSize(const QByteArray& data) {
  ContextPtr context;
  HandlePtr handle = OpenPrimaryImage(data, context, nullptr);
  if (!handle) return {};
  return {heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())};
}

QImage HeifDecodeImage(const QByteArray& data, int64_t maxPixels, QString* error) {
  ContextPtr context;
  HandlePtr handle = OpenPrimaryImage(data, context, error);
  if (!handle) return {};
  const int width = heif_image_handle_get_width(handle.get());
  const int height = heif_image_handle_get_height(handle.get());
  if (width <= 0 || height <= 0 || width > kHeifMaxSide || height > kHeifMaxSide ||
      int64_t(width) * height > maxPixels) {
    if (error) *error = QStringLiteral("The HEIF image is too large (%1 x %2).").arg(width).arg(height);
    return {};
  }
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  heif_image* decoded = nullptr;
  if (Failed(heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr),
             error))
    return {};
  ImagePtr image(decoded);
  const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int bytesPerPixel = alpha ? 4 : 3;
  // The decoded image may differ from the handle's size after a rotation;
  // check it again before copying.
  if (!plane || w <= 0 || h <= 0 || int64_t(w) * h > maxPixels || stride < w * bytesPerPixel) {
    if (error) *error = QStringLiteral("The HEIF image could not be decoded.");
    return {};
  }
  QImage result(w, h, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  if (result.isNull()) {
    if (error) *error = QStringLiteral("Not enough memory for the HEIF image.");
    return {};
  }
  for (int y = 0; y < h; ++y) std::memcpy(result.scanLine(y), plane + size_t(y) * size_t(stride), size_t(w) * bytesPerPixel);
  return result.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

bool HeifCanEncode() {
  EnsureHeifInitialised();
  return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

QByteArray HeifEncodeImage(const QImage& source, double quality, QString* error) {
  EnsureHeifInitialised();
  if (source.isNull() || source.width() > kHeifMaxSide || source.height() > kHeifMaxSide) {
    if (error) *error = QStringLiteral("There is no image to encode.");
    return {};
  }
  const bool alpha = source.hasAlphaChannel();
  const QImage pixels = source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  const int w = pixels.width(), h = pixels.height();

  ContextPtr context(heif_context_alloc());
  if (!context) return {};
  heif_encoder* rawEncoder = nullptr;
  if (Failed(heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder), error)) return {};
  EncoderPtr encoder(rawEncoder);
  const double q = std::isnan(quality) ? 0.0 : std::clamp(quality, 0.0, 1.0);
  if (Failed(heif_encoder_set_lossy_quality(encoder.get(), int(std::lround(q * 100.0))), error)) return {};

  heif_image* rawImage = nullptr;
  if (Failed(heif_image_create(w, h, heif_colorspace_RGB,
                               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, &rawImage),
             error))
    return {};
  ImagePtr image(rawImage);
  if (Failed(heif_image_add_plane(image.get(), heif_channel_interleaved, w, h, 8), error)) return {};
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const size_t rowBytes = size_t(w) * (alpha ? 4 : 3);
  if (!plane || size_t(stride) < rowBytes) return {};
  for (int y = 0; y < h; ++y) std::memcpy(plane + size_t(y) * size_t(stride), pixels.constScanLine(y), rowBytes);

  if (Failed(heif_context_encode_image(context.get(), image.get(), encoder.get(), nullptr, nullptr), error)) return {};

  QByteArray out;
  heif_writer writer{};
  writer.writer_api_version = 1;
  writer.write = [](heif_context*, const void* data, size_t size, void* userdata) -> heif_error {
    auto* target = static_cast<QByteArray*>(userdata);
    target->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "Success"};
  };
  if (Failed(heif_context_write(context.get(), &writer, &out), error)) return {};
  return out;
}

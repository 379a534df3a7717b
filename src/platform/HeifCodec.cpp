#include "platform/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

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

// ---- Derived-image sizes (see HeifDerivedImagesWithinBudget) --------------

// A bounded view of bytes with big-endian reads that fail instead of overrunning.
class BoxReader {
 public:
  BoxReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool ok() const { return m_ok; }
  size_t position() const { return m_pos; }
  size_t left() const { return m_ok ? m_size - m_pos : 0; }
  uint64_t read(int bytes) {  // 0-8 bytes
    if (!m_ok || bytes < 0 || bytes > 8 || size_t(bytes) > m_size - m_pos) {
      m_ok = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | m_data[m_pos++];
    return v;
  }
  void skip(uint64_t bytes) {
    if (!m_ok || bytes > m_size - m_pos)
      m_ok = false;
    else
      m_pos += size_t(bytes);
  }
  // The next box: its type and a reader over its body; false at the end.
  bool nextBox(uint32_t* type, BoxReader* body) {
    if (!m_ok || left() < 8) return false;
    uint64_t size = read(4);
    *type = uint32_t(read(4));
    size_t header = 8;
    if (size == 1) {
      size = read(8);
      header = 16;
    } else if (size == 0) {
      size = m_size - m_pos + header;  // to the end
    }
    if (!m_ok || size < header || size - header > m_size - m_pos) {
      m_ok = false;
      return false;
    }
    *body = BoxReader(m_data + m_pos, size_t(size - header));
    m_pos += size_t(size - header);
    return true;
  }
  const uint8_t* here() const { return m_data + m_pos; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_ok = true;
};

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}

// Caps on the boxes walked here; more than this is refused as malformed.
constexpr uint64_t kMaxHeifItems = 65536;

struct DerivedItem {
  uint32_t id = 0;
  uint32_t type = 0;
};

}  // namespace

bool HeifDerivedImagesWithinBudget(const QByteArray& file, int64_t maxPixels) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
  BoxReader top(bytes, size_t(file.size()));
  uint32_t type = 0;
  BoxReader meta(nullptr, 0);
  bool found = false;
  while (top.nextBox(&type, &meta))
    if (type == FourCC("meta")) {
      found = true;
      break;
    }
  if (!found) return true;
  meta.skip(4);  // version and flags

  std::vector<DerivedItem> derived;
  BoxReader iloc(nullptr, 0), idat(nullptr, 0), box(nullptr, 0);
  bool haveIloc = false;
  while (meta.nextBox(&type, &box)) {
    if (type == FourCC("iinf")) {
      const int version = int(box.read(1));
      box.skip(3);
      const uint64_t count = box.read(version == 0 ? 2 : 4);
      if (count > kMaxHeifItems) return false;
      BoxReader infe(nullptr, 0);
      uint32_t infeType = 0;
      while (box.nextBox(&infeType, &infe)) {
        if (infeType != FourCC("infe")) continue;
        const int v = int(infe.read(1));
        infe.skip(3);
        if (v < 2) continue;
        const uint32_t id = uint32_t(infe.read(v == 2 ? 2 : 4));
        infe.skip(2);  // protection index
        const uint32_t itemType = uint32_t(infe.read(4));
        if (infe.ok() && (itemType == FourCC("grid") || itemType == FourCC("iovl"))) derived.push_back({id, itemType});
      }
    } else if (type == FourCC("iloc")) {
      iloc = box;
      haveIloc = true;
    } else if (type == FourCC("idat")) {
      idat = box;
    }
  }
  if (derived.empty()) return true;
  if (!haveIloc) return false;

  const int version = int(iloc.read(1));
  iloc.skip(3);
  const int sizes = int(iloc.read(1));
  const int more = int(iloc.read(1));
  const int offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
  const int indexSize = (version == 1 || version == 2) ? (more & 15) : 0;
  const uint64_t count = iloc.read(version < 2 ? 2 : 4);
  if (!iloc.ok() || count > kMaxHeifItems) return false;
  for (uint64_t i = 0; i < count && iloc.ok(); ++i) {
    const uint32_t id = uint32_t(iloc.read(version < 2 ? 2 : 4));
    const int method = (version == 1 || version == 2) ? int(iloc.read(2) & 15) : 0;
    iloc.skip(2);  // data reference index
    const uint64_t base = iloc.read(baseSize);
    const uint64_t extents = iloc.read(2);
    uint64_t offset = 0;
    for (uint64_t e = 0; e < extents && iloc.ok(); ++e) {
      if (indexSize) iloc.read(indexSize);
      const uint64_t extentOffset = iloc.read(offsetSize);
      iloc.read(lengthSize);
      if (e == 0) offset = base + extentOffset;
    }
    const auto item = std::find_if(derived.begin(), derived.end(), [id](const DerivedItem& d) { return d.id == id; });
    if (!iloc.ok() || item == derived.end()) continue;

    // The item's first bytes: in the file, or inside the idat box.
    BoxReader source = method == 1 ? idat : BoxReader(bytes, size_t(file.size()));
    if (method > 1) return false;
    source.skip(offset);
    source.skip(1);  // version
    const int flags = int(source.read(1));
    if (item->type == FourCC("grid"))
      source.skip(2);  // rows and columns
    else
      source.skip(8);  // overlay fill colour
    const int fieldSize = (flags & 1) ? 4 : 2;
    const uint64_t w = source.read(fieldSize), h = source.read(fieldSize);
    if (!source.ok()) return false;
    if (w > uint64_t(kHeifMaxSide) || h > uint64_t(kHeifMaxSide) || int64_t(w * h) > maxPixels) return false;
    derived.erase(item);
  }
  return iloc.ok() && derived.empty();
}

namespace {

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

// The alpha and depth images travel beside the primary one and are decoded
// with it at their own size, which need not match the primary's.
bool AuxiliaryImagesWithinBudget(const heif_image_handle* handle, int64_t maxPixels) {
  const int count = heif_image_handle_get_number_of_auxiliary_images(handle, 0);
  if (count <= 0) return true;
  if (count > 64) return false;
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  const int listed = heif_image_handle_get_list_of_auxiliary_image_IDs(handle, 0, ids.data(), count);
  for (int i = 0; i < listed && i < count; ++i) {
    heif_image_handle* aux = nullptr;
    if (heif_image_handle_get_auxiliary_image_handle(handle, ids[size_t(i)], &aux).code != heif_error_Ok) continue;
    HandlePtr owned(aux);
    const int w = heif_image_handle_get_width(aux), h = heif_image_handle_get_height(aux);
    if (w > kHeifMaxSide || h > kHeifMaxSide || int64_t(w) * h > maxPixels) return false;
  }
  return true;
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
  if (!HeifDerivedImagesWithinBudget(data, maxPixels) || !AuxiliaryImagesWithinBudget(handle.get(), maxPixels)) {
    if (error) *error = QStringLiteral("The HEIF image is too large or malformed.");
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
  for (int y = 0; y < h; ++y)
    std::memcpy(result.scanLine(y), plane + size_t(y) * size_t(stride), size_t(w) * bytesPerPixel);
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

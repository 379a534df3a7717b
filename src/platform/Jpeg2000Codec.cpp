#include "platform/Jpeg2000Codec.h"

#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr unsigned char kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr unsigned char kCodestreamSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};  // SOC then SIZ

bool StartsWith(const QByteArray& data, const unsigned char* signature, size_t length) {
  return size_t(data.size()) >= length && std::memcmp(data.constData(), signature, length) == 0;
}

uint32_t BigEndian(const unsigned char* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

// The codestream inside a JP2 file: the contents of its top-level "jp2c"
// box. Empty when there is none or the boxes before it are malformed.
QByteArrayView CodestreamOfJp2(QByteArrayView data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  const uint64_t size = uint64_t(data.size());
  uint64_t position = 0;
  while (size - position >= 8) {
    uint64_t length = BigEndian(bytes + position, 4);
    const uint32_t type = BigEndian(bytes + position + 4, 4);
    uint64_t header = 8;
    if (length == 1) {
      if (size - position < 16) return {};
      length = (uint64_t(BigEndian(bytes + position + 8, 4)) << 32) | BigEndian(bytes + position + 12, 4);
      header = 16;
    } else if (length == 0) {
      length = size - position;  // the last box runs to the end
    }
    if (length < header) return {};
    const uint64_t available = size - position;
    if (type == 0x6A703263)  // "jp2c"
      return data.sliced(qsizetype(position + header), qsizetype(std::min(length, available) - header));
    if (length >= available) return {};
    position += length;
  }
  return {};
}

}  // namespace

Jpeg2000Header ReadJpeg2000Header(const QByteArray& data) {
  Jpeg2000Header header;
  QByteArrayView stream(data);
  if (StartsWith(data, kJp2Signature, sizeof kJp2Signature)) stream = CodestreamOfJp2(stream);
  // SOC, then the size marker: its length, capabilities, the image grid's
  // size and offset, the tile size and offset, the component count.
  constexpr qsizetype kFixedLength = 4 + 2 + 2 + 8 * 4 + 2;
  if (stream.size() < kFixedLength || std::memcmp(stream.data(), kCodestreamSignature, 4) != 0) return header;
  const auto* siz = reinterpret_cast<const unsigned char*>(stream.data()) + 4;
  const uint32_t length = BigEndian(siz, 2);
  const uint32_t width = BigEndian(siz + 4, 4), height = BigEndian(siz + 8, 4);
  const uint32_t x0 = BigEndian(siz + 12, 4), y0 = BigEndian(siz + 16, 4);
  const uint32_t tileWidth = BigEndian(siz + 20, 4), tileHeight = BigEndian(siz + 24, 4);
  const uint32_t tileX0 = BigEndian(siz + 28, 4), tileY0 = BigEndian(siz + 32, 4);
  const uint32_t components = BigEndian(siz + 36, 2);
  // The rules of the marker: the image and the first tile overlap, and the
  // marker's length is that of its component records.
  if (x0 >= width || y0 >= height || tileWidth == 0 || tileHeight == 0 || tileX0 > x0 || tileY0 > y0 ||
      uint64_t(tileX0) + tileWidth <= x0 || uint64_t(tileY0) + tileHeight <= y0 || components == 0 ||
      components > 16384 || length != 38 + 3 * components)
    return header;
  header.valid = true;
  header.width = width - x0;
  header.height = height - y0;
  header.components = components;
  const uint64_t across = (uint64_t(width - tileX0) + tileWidth - 1) / tileWidth;
  const uint64_t down = (uint64_t(height - tileY0) + tileHeight - 1) / tileHeight;
  // Each factor is below 2^32: the product cannot wrap.
  header.tiles = across * down;
  return header;
}

namespace {

// Whether the header may go to the decoder: the library builds its
// structures for every tile and component while it reads the header, so a
// tiny file declaring a huge grid takes seconds and much memory there.
bool HeaderWithinCaps(const Jpeg2000Header& header, QString* reason) {
  if (!header.valid) {
    *reason = QStringLiteral("unreadable header");
    return false;
  }
  if (header.tiles > kJpeg2000MaxTiles || header.tiles * header.components > kJpeg2000MaxTileComponents) {
    *reason = QStringLiteral("too many tiles");
    return false;
  }
  return true;
}

// The library reads through callbacks; this is the memory they read from.
struct MemoryStream {
  const unsigned char* data;
  OPJ_UINT64 size;
  OPJ_UINT64 position = 0;
};

OPJ_SIZE_T ReadStream(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  const OPJ_UINT64 left = stream->size - stream->position;
  if (left == 0) return OPJ_SIZE_T(-1);  // the end
  const OPJ_SIZE_T n = OPJ_SIZE_T(std::min<OPJ_UINT64>(count, left));
  std::memcpy(buffer, stream->data + stream->position, n);
  stream->position += n;
  return n;
}

OPJ_OFF_T SkipStream(OPJ_OFF_T count, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (count < 0) {
    // -(count + 1) + 1 is -count without overflowing at the smallest value.
    const OPJ_UINT64 back = std::min<OPJ_UINT64>(OPJ_UINT64(-(count + 1)) + 1, stream->position);
    stream->position -= back;
    return -OPJ_OFF_T(back);
  }
  const OPJ_UINT64 ahead = std::min<OPJ_UINT64>(OPJ_UINT64(count), stream->size - stream->position);
  stream->position += ahead;
  return OPJ_OFF_T(ahead);
}

OPJ_BOOL SeekStream(OPJ_OFF_T offset, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (offset < 0 || OPJ_UINT64(offset) > stream->size) return OPJ_FALSE;
  stream->position = OPJ_UINT64(offset);
  return OPJ_TRUE;
}

// The library's messages: errors are kept as the reason, the rest dropped.
void KeepMessage(const char* message, void* user) {
  auto* reason = static_cast<QString*>(user);
  if (reason && reason->isEmpty() && message) *reason = QString::fromUtf8(message).trimmed();
}
void DropMessage(const char*, void*) {}

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// A codec and a stream over the data, with its header read.
struct Reader {
  MemoryStream memory{nullptr, 0};
  QString reason;
  CodecPtr codec;
  StreamPtr stream;
  ImagePtr image;

  bool open(const QByteArray& data) {
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (StartsWith(data, kJp2Signature, sizeof kJp2Signature))
      format = OPJ_CODEC_JP2;
    else if (StartsWith(data, kCodestreamSignature, sizeof kCodestreamSignature))
      format = OPJ_CODEC_J2K;
    if (format == OPJ_CODEC_UNKNOWN) return fail(QStringLiteral("not JPEG 2000 data"));
    if (!HeaderWithinCaps(ReadJpeg2000Header(data), &reason)) return false;
    memory = MemoryStream{reinterpret_cast<const unsigned char*>(data.constData()), OPJ_UINT64(data.size())};

    codec.reset(opj_create_decompress(format));
    if (!codec) return fail(QStringLiteral("no JPEG 2000 decoder"));
    opj_set_error_handler(codec.get(), KeepMessage, &reason);
    opj_set_warning_handler(codec.get(), DropMessage, nullptr);
    opj_set_info_handler(codec.get(), DropMessage, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(codec.get(), &parameters)) return fail(QStringLiteral("the decoder cannot be set up"));

    stream.reset(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!stream) return fail(QStringLiteral("no stream"));
    opj_stream_set_user_data(stream.get(), &memory, nullptr);
    opj_stream_set_user_data_length(stream.get(), memory.size);
    opj_stream_set_read_function(stream.get(), ReadStream);
    opj_stream_set_skip_function(stream.get(), SkipStream);
    opj_stream_set_seek_function(stream.get(), SeekStream);

    opj_image_t* header = nullptr;
    if (!opj_read_header(stream.get(), codec.get(), &header)) {
      opj_image_destroy(header);
      return fail(QStringLiteral("unreadable header"));
    }
    image.reset(header);
    if (!image || image->x1 <= image->x0 || image->y1 <= image->y0 || image->numcomps == 0)
      return fail(QStringLiteral("an empty image"));
    return true;
  }

  QSize size() const { return QSize(int(image->x1 - image->x0), int(image->y1 - image->y0)); }

  bool fail(const QString& why) {
    if (reason.isEmpty()) reason = why;
    return false;
  }
};

bool SizeWithinCaps(OPJ_UINT32 width, OPJ_UINT32 height, int64_t maxPixels) {
  return width > 0 && height > 0 && width <= OPJ_UINT32(kJpeg2000MaxSide) && height <= OPJ_UINT32(kJpeg2000MaxSide) &&
         int64_t(width) * int64_t(height) <= maxPixels;
}

// One component's samples scaled to 8 bits, read at image pixels.
class Channel {
 public:
  Channel(const opj_image_t& image, const opj_image_comp_t& component) : m_c(component) {
    m_x0 = image.x0;
    m_y0 = image.y0;
    if (m_c.sgnd) m_offset = int64_t(1) << (m_c.prec - 1);
    if (m_c.prec > 8) m_shift = int(m_c.prec) - 8;
    if (m_c.prec < 8) m_max = (int64_t(1) << m_c.prec) - 1;
  }

  static bool usable(const opj_image_comp_t& c) {
    return c.data && c.w > 0 && c.h > 0 && c.dx > 0 && c.dy > 0 && c.prec >= 1 && c.prec <= 31;
  }

  // Column and row of the sample covering image pixel (x, y).
  void prepareRow(OPJ_UINT32 y) {
    const OPJ_UINT64 row = (OPJ_UINT64(m_y0) + y) / m_c.dy;
    m_row = OPJ_UINT32(std::min<OPJ_UINT64>(row > m_c.y0 ? row - m_c.y0 : 0, m_c.h - 1));
  }
  int at(OPJ_UINT32 x) const {
    const OPJ_UINT64 column = (OPJ_UINT64(m_x0) + x) / m_c.dx;
    const OPJ_UINT32 i = OPJ_UINT32(std::min<OPJ_UINT64>(column > m_c.x0 ? column - m_c.x0 : 0, m_c.w - 1));
    int64_t v = int64_t(m_c.data[size_t(m_row) * m_c.w + i]) + m_offset;
    if (m_shift)
      v >>= m_shift;
    else if (m_max)
      v = v * 255 / m_max;
    return int(std::clamp<int64_t>(v, 0, 255));
  }

 private:
  const opj_image_comp_t& m_c;
  OPJ_UINT32 m_x0 = 0, m_y0 = 0, m_row = 0;
  int64_t m_offset = 0;
  int m_shift = 0;
  int64_t m_max = 0;
};

int Clamp8(double v) {
  return int(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

bool IsJpeg2000Data(const QByteArray& data) {
  return StartsWith(data, kJp2Signature, sizeof kJp2Signature) ||
         StartsWith(data, kCodestreamSignature, sizeof kCodestreamSignature);
}

QSize Jpeg2000ImageSize(const QByteArray& data) {
  Reader reader;
  if (!reader.open(data)) return {};
  return reader.size();
}

QImage Jpeg2000DecodeImage(const QByteArray& data, int64_t maxPixels, QString* error) {
  auto failed = [error](const QString& why) {
    if (error) *error = why;
    return QImage();
  };
  // The size marker's grid is checked before the decoder reads anything.
  const Jpeg2000Header header = ReadJpeg2000Header(data);
  if (header.valid && !SizeWithinCaps(header.width, header.height, maxPixels))
    return failed(QStringLiteral("the image is too large"));
  Reader reader;
  if (!reader.open(data)) return failed(reader.reason);
  const OPJ_UINT32 width = reader.image->x1 - reader.image->x0, height = reader.image->y1 - reader.image->y0;
  if (!SizeWithinCaps(width, height, maxPixels)) return failed(QStringLiteral("the image is too large"));

  // Each decoded component is a plane of 32-bit samples: decode only those
  // the picture needs. Fewer than all skips the file's channel definitions,
  // which an image with that many components rarely has.
  if (reader.image->numcomps > kJpeg2000MaxDecodedComponents) {
    const std::array<OPJ_UINT32, kJpeg2000MaxDecodedComponents> first = {0, 1, 2, 3};
    if (!opj_set_decoded_components(reader.codec.get(), kJpeg2000MaxDecodedComponents, first.data(), OPJ_FALSE))
      return failed(QStringLiteral("the components cannot be chosen"));
  }
  for (OPJ_UINT32 i = 0; i < std::min(reader.image->numcomps, kJpeg2000MaxDecodedComponents); ++i) {
    const opj_image_comp_t& c = reader.image->comps[i];
    if (!SizeWithinCaps(c.w, c.h, maxPixels)) return failed(QStringLiteral("the image is too large"));
  }

  if (!opj_decode(reader.codec.get(), reader.stream.get(), reader.image.get()) ||
      !opj_end_decompress(reader.codec.get(), reader.stream.get()))
    return failed(reader.reason.isEmpty() ? QStringLiteral("the image cannot be decoded") : reader.reason);

  const opj_image_t& image = *reader.image;
  // A palette turns one component into three: the size is checked again.
  const OPJ_UINT32 count = std::min(image.numcomps, kJpeg2000MaxDecodedComponents);
  if (image.x1 - image.x0 != width || image.y1 - image.y0 != height || count == 0)
    return failed(QStringLiteral("the image changed while it was decoded"));
  for (OPJ_UINT32 i = 0; i < count; ++i) {
    if (!Channel::usable(image.comps[i]) || !SizeWithinCaps(image.comps[i].w, image.comps[i].h, maxPixels))
      return failed(QStringLiteral("a component has no samples"));
  }

  // Which components hold colour and which alpha.
  const bool cmyk = image.color_space == OPJ_CLRSPC_CMYK && count >= 4;
  const bool ycc = image.color_space == OPJ_CLRSPC_SYCC || image.color_space == OPJ_CLRSPC_EYCC;
  const bool colour = count >= 3 && image.color_space != OPJ_CLRSPC_GRAY;
  int alpha = -1;
  for (OPJ_UINT32 i = 0; i < count; ++i)
    if (image.comps[i].alpha) alpha = int(i);
  if (alpha < 0 && !cmyk) {
    if (!colour && count == 2) alpha = 1;
    if (colour && count == 4) alpha = 3;
  }

  QImage out(int(width), int(height), alpha >= 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (out.isNull()) return failed(QStringLiteral("no memory for the image"));
  Channel c0(image, image.comps[0]);
  Channel c1(image, image.comps[std::min<OPJ_UINT32>(1, count - 1)]);
  Channel c2(image, image.comps[std::min<OPJ_UINT32>(2, count - 1)]);
  Channel c3(image, image.comps[std::min<OPJ_UINT32>(3, count - 1)]);
  Channel ca(image, image.comps[alpha >= 0 ? OPJ_UINT32(alpha) : 0]);
  for (OPJ_UINT32 y = 0; y < height; ++y) {
    for (Channel* channel : {&c0, &c1, &c2, &c3, &ca}) channel->prepareRow(y);
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(int(y)));
    for (OPJ_UINT32 x = 0; x < width; ++x) {
      int r = 0, g = 0, b = 0;
      if (cmyk) {
        const int k = 255 - c3.at(x);
        r = (255 - c0.at(x)) * k / 255;
        g = (255 - c1.at(x)) * k / 255;
        b = (255 - c2.at(x)) * k / 255;
      } else if (colour && ycc) {
        const double luma = c0.at(x), blue = c1.at(x) - 128.0, red = c2.at(x) - 128.0;
        r = Clamp8(luma + 1.402 * red);
        g = Clamp8(luma - 0.344136 * blue - 0.714136 * red);
        b = Clamp8(luma + 1.772 * blue);
      } else if (colour) {
        r = c0.at(x);
        g = c1.at(x);
        b = c2.at(x);
      } else {
        r = g = b = c0.at(x);
      }
      line[x] = qRgba(r, g, b, alpha >= 0 ? ca.at(x) : 255);
    }
  }
  if (alpha >= 0) out.convertTo(QImage::Format_ARGB32_Premultiplied);
  return out;
}

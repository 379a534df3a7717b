// The compression check reads TIFF files from outside: any bytes answer,
// without reading past the file or walking a directory chain for ever, and
// "uncompressed" only for a file with a TIFF header.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "model/GraphicHelpers.h"
#include "support/Numbers.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// One temporary file for the run, rewritten with each input.
struct InputFile {
  QString path;
  int fd = -1;

  InputFile() {
    QByteArray name = QFile::encodeName(QDir::tempPath() + "/fuzz_tiff_compression.XXXXXX");
    fd = mkstemp(name.data());
    Check(fd >= 0);
    path = QFile::decodeName(name);
  }
  ~InputFile() {
    close(fd);
    unlink(QFile::encodeName(path).constData());
  }

  void write(const uint8_t* data, size_t size) {
    Check(ftruncate(fd, 0) == 0);
    size_t done = 0;
    while (done < size) {
      const ssize_t wrote = pwrite(fd, data + done, size - done, off_t(done));
      Check(wrote > 0);
      done += size_t(wrote);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static InputFile file;
  file.write(data, size);
  if (!IsTiffCompressed(file.path)) {
    Check(size >= 8);
    const bool bigEndian = data[0] == 0x4D && data[1] == 0x4D;
    Check((bigEndian ? ReadBigEndian(data + 2, 2) : ReadLittleEndian(data + 2, 2)) == 42);
  }
  return 0;
}

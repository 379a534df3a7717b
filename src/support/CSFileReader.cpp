#include "support/CSFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <new>

#include "support/CSCore.h"

std::unique_ptr<CSFileReader> CSFileReader::initWithFile(const QString& path, FileError* error) {
  return initWithFile(path, 1, nullptr, error);
}

std::unique_ptr<CSFileReader> CSFileReader::initWithFile(const QString& path, uint32_t, const void*, FileError* error) {
  std::unique_ptr<CSFileReader> reader(new (std::nothrow) CSFileReader);
  const FileError code = reader ? reader->openFile(path) : kFileErrorNoMemory;
  if (error) *error = code;
  if (code != 0) return nullptr;
  return reader;
}

CSFileReader::~CSFileReader() {
  if (m_fileNumber >= 0) close(m_fileNumber);
}

FileError CSFileReader::openFile(const QString& path) {
  if (path.isEmpty()) return kFileErrorNotFound;
  // Non-blocking, so that a named pipe cannot hold the caller; offsets only
  // mean something in a regular file.
  const int flags = (readType() == 2 ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
  const int fd = open(QFile::encodeName(path).constData(), flags);
  if (fd < 0) return ConvertUnixError(kFileOperationReaderOpen);
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    close(fd);
    return kFileErrorCantOpen;
  }
  m_readBuffer.reset(new (std::nothrow) uint8_t[kBlockSize]);
  if (!m_readBuffer) {
    close(fd);
    return kFileErrorNoMemory;
  }
  m_fileNumber = fd;
  m_filePath = path;
  m_fileSize.store(uint64_t(info.st_size));
  return 0;
}

bool CSFileReader::measure(uint64_t* size) const {
  struct stat info {};
  if (fstat(m_fileNumber, &info) != 0 || info.st_size < 0) return false;
  *size = uint64_t(info.st_size);
  return true;
}

uint64_t CSFileReader::actualFileSize() {
  uint64_t size = 0;
  if (!measure(&size)) {
    LogString("actualFileSize: Can't get size of file %@: %d", m_filePath, errno);
    return m_fileSize.load();
  }
  m_fileSize.store(size);
  return size;
}

uint64_t CSFileReader::readFully(void* buffer, uint64_t length, uint64_t offset, int* errorNumber) const {
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint64_t done = 0;
  *errorNumber = 0;
  // pread may stop short of what was asked without being at the end of the
  // file (signals, some file systems): ask again for the rest.
  while (done < length) {
    const ssize_t got = pread(m_fileNumber, bytes + done, size_t(length - done), off_t(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      *errorNumber = errno;
      break;
    }
    if (got == 0) break;  // the file ended early: it shrank since measured
    done += uint64_t(got);
  }
  return done;
}

bool CSFileReader::readDataTo(void* buffer, uint64_t length, uint64_t offset) {
  const uint64_t size = m_fileSize.load();
  if (length > size || offset > size - length) return false;
  if (length == 0) return true;
  int errorNumber = 0;
  if (readFully(buffer, length, offset, &errorNumber) == length) return true;
  // An early end has no errno; it is still a failed read.
  recordError(errorNumber ? ConvertUnixErrorCore(kFileOperationRead, errorNumber) : kFileErrorCantRead);
  return false;
}

const uint8_t* CSFileReader::readDataFrom(uint64_t offset, uint64_t* length) {
  const uint64_t size = m_fileSize.load();
  if (offset >= size) {  // at or past the end: nothing to read, and no failure
    if (length) *length = 0;
    return nullptr;
  }
  const uint64_t count = std::min(kBlockSize, size - offset);
  int errorNumber = 0;
  const uint64_t got = readFully(m_readBuffer.get(), count, offset, &errorNumber);
  if (got < count) {
    recordError(errorNumber ? ConvertUnixErrorCore(kFileOperationRead, errorNumber) : kFileErrorCantRead);
    if (length) *length = 0;
    return nullptr;
  }
  if (length) *length = count;
  return m_readBuffer.get();
}

const uint8_t* CSFileReader::readBlock(uint64_t blockNumber, uint64_t* length) {
  if (blockNumber > UINT64_MAX / kBlockSize) {
    if (length) *length = 0;
    return nullptr;
  }
  return readDataFrom(blockNumber * kBlockSize, length);
}

#include "support/CSFileReaderWriter.h"

#include <unistd.h>

#include <cerrno>
#include <new>

#include "support/CSCore.h"

std::unique_ptr<CSFileReaderWriter> CSFileReaderWriter::initWithFile(const QString& path, FileError* error) {
  return initWithFile(path, 1, nullptr, error);
}

std::unique_ptr<CSFileReaderWriter> CSFileReaderWriter::initWithFile(const QString& path, uint32_t, const void*,
                                                                     FileError* error) {
  std::unique_ptr<CSFileReaderWriter> writer(new (std::nothrow) CSFileReaderWriter);
  const FileError code = writer ? writer->openFile(path) : kFileErrorNoMemory;
  if (error) *error = code;
  if (code != 0) return nullptr;
  return writer;
}

uint64_t CSFileReaderWriter::actualFileSize() {
  std::lock_guard lock(m_lock);
  uint64_t size = 0;
  if (!measure(&size)) {
    LogString("[CSFileReaderWriter actualFileSize]: Can't get size of file %@: %d", filePath(), errno);
    return fileSize();
  }
  setFileSize(size);
  return size;
}

bool CSFileReaderWriter::readDataTo(void* buffer, uint64_t length, uint64_t offset) {
  std::lock_guard lock(m_lock);
  return CSFileReader::readDataTo(buffer, length, offset);
}

const uint8_t* CSFileReaderWriter::readDataFrom(uint64_t offset, uint64_t* length) {
  std::lock_guard lock(m_lock);
  return CSFileReader::readDataFrom(offset, length);
}

bool CSFileReaderWriter::writeData(const void* bytes, uint64_t length, uint64_t offset) {
  std::lock_guard lock(m_lock);
  if (length > uint64_t(INT64_MAX) || offset > uint64_t(INT64_MAX) - length) {
    recordError(ConvertUnixErrorCore(kFileOperationWrite, EFBIG));
    return false;
  }
  const auto* data = static_cast<const uint8_t*>(bytes);
  uint64_t done = 0;
  while (done < length) {
    const ssize_t put = pwrite(fileNumber(), data + done, size_t(length - done), off_t(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      recordError(ConvertUnixErrorCore(kFileOperationWrite, errno));
      break;
    }
    if (put == 0) {
      recordError(ConvertUnixErrorCore(kFileOperationWrite, ENOSPC));
      break;
    }
    done += uint64_t(put);
  }
  // Whatever did land extends the file.
  if (offset + done > fileSize()) setFileSize(offset + done);
  return done == length;
}

bool CSFileReaderWriter::writeData(const void*, uint64_t) {
  recordError(kFileErrorCantAccess);
  return false;
}

bool CSFileReaderWriter::sync() {
  std::lock_guard lock(m_lock);
  if (fsync(fileNumber()) == 0) return true;
  recordError(ConvertUnixErrorCore(kFileOperationWrite, errno));
  return false;
}

bool CSFileReaderWriter::truncateToLength(uint64_t length) {
  std::lock_guard lock(m_lock);
  if (length > uint64_t(INT64_MAX)) {
    recordError(ConvertUnixErrorCore(kFileOperationWrite, EFBIG));
    return false;
  }
  if (ftruncate(fileNumber(), off_t(length)) == 0) {
    setFileSize(length);
    return true;
  }
  recordError(ConvertUnixErrorCore(kFileOperationWrite, errno));
  return false;
}

#pragma once
// Reads one open file by offset and length, or in fixed blocks through a
// buffer of its own, and keeps the file error of the last failed operation.

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

#include "support/FileErrors.h"

class CSFileReader {
 public:
  static constexpr uint64_t kBlockSize = 4096;
  static uint64_t blockSize() { return kBlockSize; }

  // Opens the file; null on failure with the file error in `*error` (4 for
  // a missing file). The mutex option and the owner are accepted for the
  // callers that pass them and are not used.
  static std::unique_ptr<CSFileReader> initWithFile(const QString& path, FileError* error = nullptr);
  static std::unique_ptr<CSFileReader> initWithFile(const QString& path, uint32_t mutexOption, const void* owner,
                                                    FileError* error);

  virtual ~CSFileReader();
  CSFileReader(const CSFileReader&) = delete;
  CSFileReader& operator=(const CSFileReader&) = delete;

  // The open mode: 0 read-only here, 2 read-write for the writer.
  virtual int readType() const { return 0; }

  // Measures the open file again and stores the size.
  virtual uint64_t actualFileSize();

  // Reads exactly `length` bytes at `offset`; false without recording an
  // error when that would pass the measured size.
  virtual bool readDataTo(void* buffer, uint64_t length, uint64_t offset);
  // Reads up to one block at `offset` into the own buffer, which the next
  // read reuses; null (and `*length` 0) on failure.
  virtual const uint8_t* readDataFrom(uint64_t offset, uint64_t* length);
  const uint8_t* readBlock(uint64_t blockNumber, uint64_t* length);

  FileError error() const { return m_error.load(); }
  QString filePath() const { return m_filePath; }
  uint64_t fileSize() const { return m_fileSize.load(); }

 protected:
  CSFileReader() = default;
  // Opens `path` in readType()'s mode; the file error, or 0.
  FileError openFile(const QString& path);
  // Reads whole, retrying short reads; the number of bytes read.
  uint64_t readFully(void* buffer, uint64_t length, uint64_t offset, int* errorNumber) const;
  void recordError(FileError error) { m_error.store(error); }
  int fileNumber() const { return m_fileNumber; }
  void setFileSize(uint64_t size) { m_fileSize.store(size); }
  bool measure(uint64_t* size) const;

 private:
  QString m_filePath;
  int m_fileNumber = -1;
  std::atomic<uint64_t> m_fileSize{0};
  std::unique_ptr<uint8_t[]> m_readBuffer;
  std::atomic<FileError> m_error{0};
};

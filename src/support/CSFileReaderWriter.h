#pragma once
// A block file reader that also writes at an offset, flushes to disk and
// truncates. Every operation takes the object's own lock, so blocks written
// from several threads land whole and the size stays consistent.

#include <mutex>

#include "support/CSFileReader.h"

class CSFileReaderWriter : public CSFileReader {
 public:
  static std::unique_ptr<CSFileReaderWriter> initWithFile(const QString& path, FileError* error = nullptr);
  static std::unique_ptr<CSFileReaderWriter> initWithFile(const QString& path, uint32_t mutexOption, const void* owner,
                                                          FileError* error);

  int readType() const override { return 2; }
  uint64_t actualFileSize() override;
  bool readDataTo(void* buffer, uint64_t length, uint64_t offset) override;
  const uint8_t* readDataFrom(uint64_t offset, uint64_t* length) override;

  // Writes all `length` bytes at `offset`; the size grows when the write
  // passes the end.
  bool writeData(const void* bytes, uint64_t length, uint64_t offset);
  // Writing at the current position is not supported: records error 12.
  bool writeData(const void* bytes, uint64_t length);
  bool sync();
  bool truncateToLength(uint64_t length);

 private:
  CSFileReaderWriter() = default;
  std::recursive_mutex m_lock;
};

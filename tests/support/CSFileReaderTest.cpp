#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "support/CSFileReader.h"
#include "support/CSFileReaderWriter.h"
#include "testkit/LogCapture.h"
#include "testkit/TestFiles.h"

namespace {
QByteArray Pattern(qsizetype size) {
  QByteArray bytes(size, '\0');
  for (qsizetype i = 0; i < size; ++i) bytes[i] = char((i * 31 + 7) & 0xFF);
  return bytes;
}

}  // namespace

TEST(CSFileReader, OpeningFailures) {
  QTemporaryDir dir;
  FileError error = 99;
  EXPECT_EQ(CSFileReader::initWithFile(dir.filePath("missing"), &error), nullptr);
  EXPECT_EQ(error, kFileErrorExistence);
  EXPECT_EQ(FileErrorDescription(error), QString("A new file already exists, or an old file doesn't exist"));
  EXPECT_EQ(CSFileReader::initWithFile(QString(), &error), nullptr);
  EXPECT_EQ(error, kFileErrorNotFound);
  WriteBytes(dir.filePath("f"), "x");
  EXPECT_EQ(CSFileReaderWriter::initWithFile(dir.filePath("f/under-a-file"), &error), nullptr);
  EXPECT_EQ(error, kFileErrorNotFound);  // ENOTDIR
  // A named pipe would block a reader forever; it is refused at once.
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
  EXPECT_EQ(CSFileReader::initWithFile(dir.filePath("pipe"), &error), nullptr);
  EXPECT_EQ(error, kFileErrorCantOpen);
  auto reader = CSFileReader::initWithFile(dir.filePath("f"), 1, nullptr, &error);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(reader->readType(), 0);
  EXPECT_EQ(reader->filePath(), dir.filePath("f"));
  EXPECT_EQ(CSFileReader::blockSize(), 4096u);
}

TEST(CSFileReader, ReadsExactRangesAndBlocks) {
  QTemporaryDir dir;
  const QByteArray content = Pattern(2 * 4096 + 100);
  WriteBytes(dir.filePath("data"), content);
  auto reader = CSFileReader::initWithFile(dir.filePath("data"));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->fileSize(), uint64_t(content.size()));

  QByteArray buffer(300, '\0');
  ASSERT_TRUE(reader->readDataTo(buffer.data(), 300, 4000));
  EXPECT_EQ(buffer, content.mid(4000, 300));
  // Past the end, or wrapping around: NO, and no error recorded.
  EXPECT_FALSE(reader->readDataTo(buffer.data(), 101, uint64_t(content.size()) - 100));
  EXPECT_FALSE(reader->readDataTo(buffer.data(), 2, UINT64_MAX));
  EXPECT_FALSE(reader->readDataTo(buffer.data(), UINT64_MAX, 2));
  EXPECT_EQ(reader->error(), 0u);
  EXPECT_TRUE(reader->readDataTo(buffer.data(), 0, uint64_t(content.size())));

  uint64_t length = 0;
  const uint8_t* block = reader->readBlock(1, &length);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(length, 4096u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(block), 4096), content.mid(4096, 4096));
  block = reader->readBlock(2, &length);  // the partial last block: only what remains
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(length, 100u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(block), 100), content.right(100));
  EXPECT_EQ(reader->readBlock(3, &length), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(reader->error(), 0u);  // the end of the file is no failure
  EXPECT_EQ(reader->readBlock(UINT64_MAX / 2, &length), nullptr);
}

TEST(CSFileReader, FileThatShrankIsAFailedReadNotSuccess) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("data"), Pattern(10000));
  auto reader = CSFileReader::initWithFile(dir.filePath("data"));
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(truncate(QFile::encodeName(dir.filePath("data")).constData(), 5000), 0);
  QByteArray buffer(4000, '\0');
  EXPECT_FALSE(reader->readDataTo(buffer.data(), 4000, 4000));
  EXPECT_EQ(reader->error(), kFileErrorCantRead);
  uint64_t length = 1;
  EXPECT_EQ(reader->readDataFrom(8000, &length), nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(reader->actualFileSize(), 5000u);
  EXPECT_EQ(reader->fileSize(), 5000u);
}

TEST(CSFileReaderWriter, WritesGrowTruncateAndSync) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("data"), "0123456789");
  auto writer = CSFileReaderWriter::initWithFile(dir.filePath("data"));
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->readType(), 2);
  ASSERT_TRUE(writer->writeData("ab", 2, 3));
  EXPECT_EQ(writer->fileSize(), 10u);  // inside the file: unchanged
  ASSERT_TRUE(writer->writeData("XY", 2, 20));
  EXPECT_EQ(writer->fileSize(), 22u);  // past the end: grows
  EXPECT_TRUE(writer->sync());
  EXPECT_FALSE(writer->writeData("q", 1));
  EXPECT_EQ(writer->error(), kFileErrorCantAccess);
  ASSERT_TRUE(writer->truncateToLength(6));
  EXPECT_EQ(writer->fileSize(), 6u);
  EXPECT_EQ(writer->actualFileSize(), 6u);
  QFile file(dir.filePath("data"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("012ab5"));
  ASSERT_TRUE(writer->truncateToLength(8));  // extending pads with zeros
  QByteArray tail(2, 'x');
  ASSERT_TRUE(writer->readDataTo(tail.data(), 2, 6));
  EXPECT_EQ(tail, QByteArray(2, '\0'));
}

TEST(CSFileReaderWriter, FourWriterThreadsLandWholeBlocks) {
  QTemporaryDir dir;
  WriteBytes(dir.filePath("data"), "");
  auto writer = CSFileReaderWriter::initWithFile(dir.filePath("data"));
  ASSERT_NE(writer, nullptr);
  constexpr int kThreads = 4, kBlocks = 300;
  constexpr uint64_t kBlock = 4096;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<char> block(kBlock);
      for (int i = 0; i < kBlocks; ++i) {
        std::fill(block.begin(), block.end(), char('A' + t));
        block[0] = char(i & 0x7F);
        const uint64_t offset = (uint64_t(i) * kThreads + uint64_t(t)) * kBlock;
        ASSERT_TRUE(writer->writeData(block.data(), kBlock, offset));
        // Read back some other block meanwhile; the lock keeps reads whole.
        uint64_t length = 0;
        writer->readDataFrom(offset / 2 / kBlock * kBlock, &length);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const uint64_t total = uint64_t(kThreads) * kBlocks * kBlock;
  EXPECT_EQ(writer->fileSize(), total);
  EXPECT_EQ(writer->actualFileSize(), total);
  std::vector<char> block(kBlock);
  for (int i = 0; i < kBlocks; ++i) {
    for (int t = 0; t < kThreads; ++t) {
      ASSERT_TRUE(writer->readDataTo(block.data(), kBlock, (uint64_t(i) * kThreads + uint64_t(t)) * kBlock));
      ASSERT_EQ(block[0], char(i & 0x7F));
      ASSERT_EQ(std::count(block.begin() + 1, block.end(), char('A' + t)), int64_t(kBlock - 1)) << t << " " << i;
    }
  }
}

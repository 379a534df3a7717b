#include <gtest/gtest.h>

#include <cerrno>

#include "support/FileErrors.h"

TEST(FileErrors, EveryDescription) {
  const char* expected[] = {
      "Unknown error",
      "The file is too big",
      "The file is being used by another app",
      "The disk is full",
      "A new file already exists, or an old file doesn't exist",
      "The file format is incorrect, or the file has been damaged",
      "An item can't be identified",
      "An internal error occurred",
      "Not enough memory",
      "The file can't be opened",
      "The file can't be found",
      "You don't have permission to access the file or the folder it's in",
      "The file can't be accessed",
      "The file can't be read",
      "Text can't be encoded",
      "The file was created by a newer version of the app than the one you're using",
      "The file can't be written",
      "An item can't be encoded",
  };
  for (FileError code = 0; code <= kFileErrorLast; ++code)
    EXPECT_EQ(FileErrorDescription(code), QString::fromUtf8(expected[code])) << code;
  EXPECT_EQ(FileErrorDescription(18), QStringLiteral("Unknown error"));
  EXPECT_EQ(FileErrorDescription(0xFFFFFFFF), QStringLiteral("Unknown error"));
}

TEST(FileErrors, ErrnoByOperation) {
  struct Row {
    int errorNumber;
    FileError open, readerOpen, read, write;
  };
  // Symbolic names: the numbers differ between systems (EAGAIN is 11 here,
  // ELOOP 40, ENAMETOOLONG 36), and the table must follow the names.
  const Row rows[] = {
      {0, 0, 0, 0, 0},           {EPERM, 11, 11, 11, 11},        {EACCES, 11, 11, 11, 11},    {EROFS, 11, 11, 11, 11},
      {ENOLINK, 11, 11, 11, 11}, {ENOENT, 10, 4, 13, 10},        {EINTR, 2, 2, 2, 2},         {EBUSY, 2, 2, 2, 2},
      {EAGAIN, 2, 2, 2, 2},      {EEXIST, 4, 4, 4, 4},           {ENOTDIR, 10, 10, 10, 10},   {EISDIR, 10, 10, 10, 10},
      {ELOOP, 10, 10, 10, 10},   {ENAMETOOLONG, 10, 10, 10, 10}, {EMULTIHOP, 10, 10, 10, 10}, {EFBIG, 1, 1, 1, 1},
      {ENOSPC, 3, 3, 3, 3},      {ERANGE, 12, 12, 12, 12},       {EIO, 9, 9, 13, 16},         {ENOMEM, 9, 9, 13, 16},
      {EDQUOT, 9, 9, 13, 16},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ConvertUnixErrorCore(kFileOperationOpen, row.errorNumber), row.open) << row.errorNumber;
    EXPECT_EQ(ConvertUnixErrorCore(kFileOperationReaderOpen, row.errorNumber), row.readerOpen) << row.errorNumber;
    EXPECT_EQ(ConvertUnixErrorCore(kFileOperationRead, row.errorNumber), row.read) << row.errorNumber;
    EXPECT_EQ(ConvertUnixErrorCore(kFileOperationWrite, row.errorNumber), row.write) << row.errorNumber;
  }
  EXPECT_EQ(ConvertUnixErrorCore(7, ENOENT), 13u);  // an unknown operation reads ENOENT as "can't be read"
  errno = ENOSPC;
  EXPECT_EQ(ConvertUnixError(kFileOperationRead), 3u);
}

TEST(FileErrors, ErrorObjects) {
  const CSError fromCode = ErrorForFileError(10);
  EXPECT_EQ(fromCode.domain(), QStringLiteral("NSOSStatusErrorDomain"));
  EXPECT_EQ(fromCode.code(), 0);
  EXPECT_EQ(fromCode.failureReason(), QStringLiteral("The file can't be found"));
  EXPECT_EQ(ErrorForFileError(99).failureReason(), QStringLiteral("Unknown error"));

  const CSError fromReason = ErrorForReason(QStringLiteral("No room"), -34);
  EXPECT_EQ(fromReason.domain(), CSError::kOSStatusDomain);
  EXPECT_EQ(fromReason.code(), -34);
  EXPECT_EQ(fromReason.failureReason(), QStringLiteral("No room"));

  const CSError fromErrno = ErrorForUnixError(kFileOperationWrite, ENOSPC);
  EXPECT_EQ(fromErrno.domain(), CSError::kPOSIXDomain);
  EXPECT_EQ(fromErrno.failureReason(), QStringLiteral("The disk is full"));
}

TEST(FileErrors, CocoaDomainErrorCode) {
  struct Row {
    QString domain;
    int64_t code;
    int64_t expected;
  };
  const Row rows[] = {
      {CSError::kPOSIXDomain, EPERM, 513},  {CSError::kPOSIXDomain, ENOENT, 4},   {CSError::kPOSIXDomain, EACCES, 257},
      {CSError::kPOSIXDomain, EEXIST, 516}, {CSError::kPOSIXDomain, ENODEV, 642}, {CSError::kPOSIXDomain, EROFS, 642},
      {CSError::kPOSIXDomain, ENOSPC, 640}, {CSError::kPOSIXDomain, EIO, 0},      {CSError::kCocoaDomain, 260, 4},
      {CSError::kCocoaDomain, 512, 512},    {CSError::kOSStatusDomain, 2, 0},
  };
  for (const Row& row : rows) {
    const CSError error(row.domain, row.code);
    EXPECT_EQ(CocoaDomainErrorCode(&error), row.expected) << row.domain.toStdString() << " " << row.code;
  }
  EXPECT_EQ(CocoaDomainErrorCode(nullptr), 0);
}

#pragma once
// The fixed file-error codes with their messages, the conversion of system
// error numbers into them, and the error objects that file operations hand
// back to their callers.

#include <QString>
#include <cstdint>

#include "support/CSError.h"

// A file error: one of 18 codes, each with one fixed message. Codes above the
// last are read as kFileErrorUnknown.
using FileError = uint32_t;
enum : FileError {
  kFileErrorUnknown = 0,
  kFileErrorTooBig = 1,
  kFileErrorBusy = 2,
  kFileErrorDiskFull = 3,
  kFileErrorExistence = 4,  // a new file already exists, or an old one doesn't
  kFileErrorBadFormat = 5,
  kFileErrorCantIdentify = 6,
  kFileErrorInternal = 7,
  kFileErrorNoMemory = 8,
  kFileErrorCantOpen = 9,
  kFileErrorNotFound = 10,
  kFileErrorNoPermission = 11,
  kFileErrorCantAccess = 12,
  kFileErrorCantRead = 13,
  kFileErrorCantEncodeText = 14,
  kFileErrorNewerVersion = 15,
  kFileErrorCantWrite = 16,
  kFileErrorCantEncodeItem = 17,
};
constexpr FileError kFileErrorLast = kFileErrorCantEncodeItem;

// What was being done when a system call failed; it decides the code for a
// missing file and for error numbers without a row of their own.
enum FileOperation : int {
  kFileOperationOpen = 0,
  kFileOperationReaderOpen = 1,  // opening by the block file reader
  kFileOperationRead = 2,
  kFileOperationWrite = 3,
};

QString FileErrorDescription(FileError code);

// `ConvertUnixErrorCore(operation, errno)`.
FileError ConvertUnixError(int operation);
// Maps by the symbolic error names, so the numbers of this system apply.
FileError ConvertUnixErrorCore(int operation, int errorNumber);

// The library's own errors are in the OSStatus domain and carry their file
// error in the failure reason, not the code.

// An OSStatus-domain error with code 0 whose reason is the code's message.
CSError ErrorForFileError(FileError code);
// An OSStatus-domain error with the given code and reason.
CSError ErrorForReason(const QString& reason, int64_t code);
// A POSIX-domain error for a system error number, with the matching file
// error's message as its reason.
CSError ErrorForUnixError(int operation, int errorNumber);

// The platform file-error code that matches an error; null gives 0.
int64_t CocoaDomainErrorCode(const CSError* error);

#include "support/FileErrors.h"

#include <array>
#include <cerrno>

namespace {
constexpr std::array<const char*, kFileErrorLast + 1> kMessages = {
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
}  // namespace

QString FileErrorDescription(FileError code) {
  if (code > kFileErrorLast) code = kFileErrorUnknown;
  return QString::fromUtf8(kMessages[code]);
}

FileError ConvertUnixError(int operation) {
  return ConvertUnixErrorCore(operation, errno);
}

FileError ConvertUnixErrorCore(int operation, int errorNumber) {
  // A switch over names, not numbers: the same condition has another number
  // on each system (EAGAIN, ELOOP and ENAMETOOLONG differ, for a start).
  switch (errorNumber) {
    case 0:
      return kFileErrorUnknown;
    case EPERM:
    case EACCES:
    case EROFS:
    case ENOLINK:
      return kFileErrorNoPermission;
    case ENOENT:
      switch (operation) {
        case kFileOperationOpen:
          return kFileErrorNotFound;
        case kFileOperationReaderOpen:
          return kFileErrorExistence;
        case kFileOperationWrite:
          // A folder on the path is missing: nothing was full.
          return kFileErrorNotFound;
        default:
          return kFileErrorCantRead;
      }
    case EINTR:
    case EBUSY:
    case EAGAIN:
      return kFileErrorBusy;
    case EEXIST:
      return kFileErrorExistence;
    case ENOTDIR:
    case EISDIR:
    case ELOOP:
    case ENAMETOOLONG:
    case EMULTIHOP:
      return kFileErrorNotFound;
    case EFBIG:
      return kFileErrorTooBig;
    case ENOSPC:
      return kFileErrorDiskFull;
    case ERANGE:
      return kFileErrorCantAccess;
    default:
      switch (operation) {
        case kFileOperationRead:
          return kFileErrorCantRead;
        case kFileOperationWrite:
          return kFileErrorCantWrite;
        default:
          return kFileErrorCantOpen;
      }
  }
}

CSError ErrorForFileError(FileError code) {
  return ErrorForReason(FileErrorDescription(code), 0);
}

CSError ErrorForReason(const QString& reason, int64_t code) {
  return CSError::withReason(reason, code);
}

CSError ErrorForUnixError(int operation, int errorNumber) {
  return CSError(CSError::kPOSIXDomain, errorNumber,
                 FileErrorDescription(ConvertUnixErrorCore(operation, errorNumber)));
}

int64_t CocoaDomainErrorCode(const CSError* error) {
  if (!error) return 0;
  if (error->domain() == CSError::kPOSIXDomain) {
    switch (error->code()) {
      case EPERM:
        return 513;  // write, no permission
      case ENOENT:
        return 4;  // no such file
      case EACCES:
        return 257;  // read, no permission
      case EEXIST:
        return 516;  // file exists
      case ENODEV:
      case EROFS:
        return 642;  // read-only volume
      case ENOSPC:
        return 640;  // out of space
      default:
        return 0;
    }
  }
  if (error->domain() == CSError::kCocoaDomain) return error->code() == 260 ? 4 : error->code();
  return 0;
}

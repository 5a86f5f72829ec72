#include "core/support/AppError.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace parlaro {

AppError::AppError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number) {}

AppError errorFromErrno(int err) {
    switch (err) {
        case EACCES:
        case EPERM:
        case EROFS:
            return AppError(errors::kPermissionDenied, "Permission denied");
        case ENOENT:
            return AppError(errors::kFileNotFound, "File not found");
        case ENOTDIR:
            return AppError(errors::kPathNotFound, "Path not found");
        case EEXIST:
            return AppError(errors::kFileExists, "File already exists");
        case ENOSPC:
        case EDQUOT:
            return AppError(errors::kDiskFull, "Disk full");
        case EIO:
            return AppError(errors::kDeviceIoError, "Device I/O error");
        default:
            return AppError(
                errors::kPathFileAccessError,
                "Path/File access error (" + QString::fromLocal8Bit(std::strerror(err)) + ")");
    }
}

int errorNumber(const std::exception& e) {
    if (const auto* app = dynamic_cast<const AppError*>(&e)) return app->number();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return errors::kOutOfMemory;
    return errors::kInvalidArgument;
}

QString errorDescription(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e)) return "Out of memory";
    return QString::fromUtf8(e.what());
}

}  // namespace parlaro

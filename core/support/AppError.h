// Run-time errors as the program reports them: a number and a description. File-system
// failures use the numbers users of the program know ("Permission denied" is 70).
#pragma once

#include <QString>

#include <stdexcept>

namespace parlaro {

class AppError : public std::runtime_error {
  public:
    AppError(int number, const QString& description);
    int number() const { return number_; }
    QString description() const { return QString::fromUtf8(what()); }

  private:
    int number_;
};

namespace errors {
constexpr int kInvalidArgument = 5;
constexpr int kOutOfMemory = 7;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kFileNotFound = 53;
constexpr int kDeviceIoError = 57;
constexpr int kFileExists = 58;
constexpr int kDiskFull = 61;
constexpr int kPermissionDenied = 70;
constexpr int kPathFileAccessError = 75;
constexpr int kPathNotFound = 76;
constexpr int kKeyInUse = 457;
}  // namespace errors

// The error for a failed system call's errno.
AppError errorFromErrno(int err);

// Number and description of any exception, for the messages that report it.
int errorNumber(const std::exception& e);
QString errorDescription(const std::exception& e);

}  // namespace parlaro

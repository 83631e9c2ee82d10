// Exception classes shared by all components. Every exception carries an
// English message; the application's default handler shows it to the user.
#pragma once

#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  QString message_;
  std::string utf8_;
};

// Failures of files and streams.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
 public:
  EFOpenError(const QString& fileName, const QString& reason);
};
class EFCreateError : public EStreamError {
 public:
  EFCreateError(const QString& fileName, const QString& reason);
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// A value could not be converted or assigned.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Misuse of a string list (duplicates refused, index out of range).
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

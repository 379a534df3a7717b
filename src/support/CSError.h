#pragma once
// The library's error value: a domain, a code and the texts that travel with
// it. Every failure message that quotes an error reads it through reason().

#include <QString>
#include <cstdint>

class CSError {
 public:
  // The error domains; the library makes its own errors in the OSStatus one.
  static const QString kOSStatusDomain;  // "NSOSStatusErrorDomain"
  static const QString kPOSIXDomain;     // "NSPOSIXErrorDomain": system error numbers
  static const QString kCocoaDomain;     // "NSCocoaErrorDomain": platform file-error codes

  CSError() = default;
  CSError(const QString& domain, int64_t code, const QString& failureReason = QString(),
          const QString& description = QString())
      : m_domain(domain), m_code(code), m_failureReason(failureReason), m_description(description) {}
  // An error in the OSStatus domain with the given failure reason.
  static CSError withReason(const QString& failureReason, int64_t code) {
    return CSError(kOSStatusDomain, code, failureReason);
  }

  const QString& domain() const { return m_domain; }
  int64_t code() const { return m_code; }
  const QString& failureReason() const { return m_failureReason; }
  void setFailureReason(const QString& text) { m_failureReason = text; }
  const QString& description() const { return m_description; }
  void setDescription(const QString& text) { m_description = text; }

  // The failure reason, else the description, else "An unknown error
  // occurred."; typographic quotes straightened.
  QString reason() const;

  bool operator==(const CSError& other) const = default;

 private:
  QString m_domain;
  int64_t m_code = 0;
  QString m_failureReason;
  QString m_description;
};

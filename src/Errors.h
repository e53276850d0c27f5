#pragma once
// An operation that failed in a way the user must hear of (a file that cannot be read or written). The
// message is complete and ready for the error box.

#include <QString>

#include <stdexcept>

class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

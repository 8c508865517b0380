#pragma once
// The one kind of error the HEX image and its conversions raise: a message text
// that reaches the user as it is.

#include <QByteArray>
#include <QString>

#include <exception>

namespace relvane {

class ErrorMsg : public std::exception {
public:
    explicit ErrorMsg(const QString& text) : text_(text), utf8_(text.toUtf8()) {}

    QString Message() const { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;  // kept so what() stays valid as long as the error lives
};

}  // namespace relvane

#include "cli/CliApplication.h"

#include <cstdio>
#include <exception>

namespace relvane::cli {

CliApplication* CliApplication::Instance() {
    return dynamic_cast<CliApplication*>(QCoreApplication::instance());
}

bool CliApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (...) {
        ++errors_;
        QString text;
        try {
            throw;
        } catch (const std::exception& e) {
            text = QString::fromUtf8(e.what());
        } catch (...) {
        }
        if (text.isEmpty()) text = QStringLiteral("An unexpected error occurred.");
        text = QStringLiteral("relvane: ") + text;
        if (console_) console_->Err(text);
        else std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        // The event counts as handled: nothing else should act on it half-done.
        return true;
    }
}

}  // namespace relvane::cli

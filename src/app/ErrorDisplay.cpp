#include "app/ErrorDisplay.h"

#include <cstdio>

namespace relvane {

void ErrorDisplay::Show(const std::exception& error)
{
    ++shown_;
    QString text = QString::fromUtf8(error.what());
    if (text.isEmpty())
        text = QStringLiteral("An unexpected error occurred.");
    dialogs_.Error(text);
}

void ErrorDisplay::ShowUnknown()
{
    ++shown_;
    dialogs_.Error(QStringLiteral("An unexpected error occurred."));
}

void ErrorDisplay::ShowCurrent()
{
    try {
        throw;
    } catch (const std::exception& e) {
        Show(e);
    } catch (...) {
        ShowUnknown();
    }
}

RelvaneApplication::RelvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool RelvaneApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (display_ && depth_ == 0) {
            ++depth_;
            try {
                display_->ShowCurrent();
            } catch (...) {
                std::fputs("relvane-tool: the error display failed\n", stderr);
            }
            --depth_;
        } else {
            try {
                throw;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "relvane-tool: %s\n", e.what());
            } catch (...) {
                std::fputs("relvane-tool: unexpected error\n", stderr);
            }
        }
        // The event counts as handled: nothing else should act on it half-done.
        return true;
    }
}

} // namespace relvane

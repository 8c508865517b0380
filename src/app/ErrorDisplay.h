#pragma once
// The general error display: an exception that escapes a handler is shown in an error box
// and the program goes on, the window keeping its state.

#include "config/Dialogs.h"

#include <QApplication>

#include <exception>
#include <utility>

namespace relvane {

class ErrorDisplay {
public:
    explicit ErrorDisplay(Dialogs& dialogs) : dialogs_(dialogs) {}

    // Shows the exception's text (UTF-8) in an error box.
    void Show(const std::exception& error);
    // For anything thrown that is not a std::exception.
    void ShowUnknown();
    // Shows whatever exception is being handled now; call from inside a catch block.
    void ShowCurrent();

    int Shown() const { return shown_; }

private:
    Dialogs& dialogs_;
    int shown_ = 0;
};

// Runs a handler body; an exception from it goes to the display instead of further up.
// Returns false when the body threw.
template <typename Body>
bool RunGuarded(ErrorDisplay& display, Body&& body)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        display.ShowCurrent();
        return false;
    }
}

// The program's QApplication: every event, and with it every timer, click and slot it
// triggers, is delivered inside a guard, so an exception never unwinds through Qt.
class RelvaneApplication final : public QApplication {
public:
    RelvaneApplication(int& argc, char** argv);

    // The display shown for escaping exceptions; none set (or null) writes them to stderr.
    void SetErrorDisplay(ErrorDisplay* display) { display_ = display; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorDisplay* display_ = nullptr;
    // A box shown for one error runs a nested event loop; an error inside that loop
    // is reported on stderr instead of stacking another box.
    int depth_ = 0;
};

} // namespace relvane

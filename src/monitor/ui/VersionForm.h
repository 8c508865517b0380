#pragma once
// The version check before a transfer: waits up to 1 s for the module's next
// version answer (prompted by the heartbeat's VERSION_REQ) and tells whether
// its software suits the tool. Shown modally by RunVersionCheckWindow, which a
// transfer's host calls; registered with the dispatcher while it exists; read
// TimedOut() and Accepted() after exec() returns.

#include "monitor/ServiceConsoles.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferHost.h"

#include <QDialog>

#include <functional>

class QLabel;

namespace relvane {

class TVersionForm : public QDialog, public ToolFrameListener {
    Q_OBJECT
public:
    // Starts the 1 s answer time-out at once. With a dispatcher the window
    // registers in its slot for as long as it exists.
    explicit TVersionForm(Dispatcher* dispatcher = nullptr, QWidget* parent = nullptr);
    ~TVersionForm() override;

    // The dispatcher's offer of every received frame, whatever its checksum.
    void OnToolFrame(const std::uint8_t* frame, int count) override;

    bool TimedOut() const { return check_.TimedOut(); }
    bool Accepted() const { return check_.Accepted(); }
    VersionCheck& Check() { return check_; }

private:
    Dispatcher* dispatcher_;
    VersionCheck check_;
    QLabel* label1_ = nullptr;
};

// The version check of a transfer command: creates a TVersionForm over parent (registered with
// the dispatcher while it exists), shows it modally, closes it CLOSE_DELAY_MS after the first
// answer and destroys it once it has closed. beforeShow runs on the window just before it is
// shown (tests watch it).
VersionCheckResult RunVersionCheckWindow(Dispatcher& dispatcher, QWidget* parent,
                                         const std::function<void(TVersionForm&)>& beforeShow = {});

}  // namespace relvane

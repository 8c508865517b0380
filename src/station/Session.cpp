#include "station/Session.h"

#include "monitor/ServiceConsoles.h"
#include "protocol/MessageCatalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace relvane {

Session::Session(AdapterBackend& backend, Say say, std::function<bool()> interrupted)
    : backend_(backend), say_(std::move(say)), interrupted_(std::move(interrupted)),
      link_(std::make_unique<UsbThread>(backend_)), receiver_(&dispatcher_) {
    dispatcher_.SetLinkControl(link_.get());
    link_->SetFrameReceiver(&receiver_);
    link_->SetLinkObserver(this);
}

Session::~Session() {
    link_->SetLinkObserver(nullptr);
    link_->Stop();
    link_->Join(2000);
    link_.reset();
}

bool Session::OpenAdapter(const QString& description) {
    if (!link_->Open(description)) return false;
    description_ = description;
    lost_ = false;
    return true;
}

void Session::Send(const Frame& frame) { SendFrame(*link_, frame); }

bool Session::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    // The tick bounds each wait, so the condition, the clock and an interrupt are seen even
    // when nothing arrives.
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (Interrupted()) return false;
        if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs) return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Session::Pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    WaitUntil([&] { return clock.elapsed() >= ms; }, -1);
}

bool Session::Drain() {
    return WaitUntil([&] { return link_->Queue().WaitingCount() == 0; }, 2000);
}

namespace {
class VersionListener : public ToolFrameListener {
public:
    explicit VersionListener(VersionCheck& check) : check_(check) {}
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        if (check_.OnFrame(frame, count)) answered = true;
    }
    bool answered = false;

private:
    VersionCheck& check_;
};
}  // namespace

VersionCheckResult Session::RunVersionCheck(QByteArray* text) {
    VersionCheck check;
    VersionListener listener(check);
    dispatcher_.RegisterToolWindow(ToolSlot::Version, &listener);
    bool finished = false;
    QObject::connect(&check, &VersionCheck::finished, [&] { finished = true; });
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { Send(BuildVersionRequest()); });
    Send(BuildVersionRequest());
    heartbeat.start(400);
    // The window lingers 500 ms after the answer; a command need not.
    WaitUntil([&] { return listener.answered || finished; }, -1);
    heartbeat.stop();
    dispatcher_.UnregisterToolWindow(ToolSlot::Version, &listener);
    if (text) *text = check.VersionText();
    if (!listener.answered) return VersionCheckResult::TimedOut;
    return check.Accepted() ? VersionCheckResult::Accepted : VersionCheckResult::WrongVersion;
}

bool Session::WaitForAnswer(int timeoutMs, QByteArray* text) {
    VersionCheck check;  // only its reading of the answer; its own time-out is not used
    check.Timer1().stop();
    VersionListener listener(check);
    dispatcher_.RegisterToolWindow(ToolSlot::Version, &listener);
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { Send(BuildVersionRequest()); });
    Send(BuildVersionRequest());
    heartbeat.start(400);
    WaitUntil([&] { return listener.answered; }, timeoutMs);
    heartbeat.stop();
    check.Timer1().stop();
    check.Timer2().stop();
    dispatcher_.UnregisterToolWindow(ToolSlot::Version, &listener);
    if (text) *text = check.VersionText();
    return listener.answered;
}

void Session::OnLinkLost() {
    lost_ = true;
    ++losses_;
    Say_(QStringLiteral("The link to the module was lost"));
}

void Session::OnLinkRestored() {
    lost_ = false;
    ++restores_;
    Say_(QStringLiteral("The link to the module is back"));
}

}  // namespace relvane

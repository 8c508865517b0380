#include "cli/Session.h"

#include "monitor/ServiceConsoles.h"
#include "protocol/MessageCatalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace relvane::cli {

QString ChooseAdapter(AdapterBackend& backend, const QString& requested, QStringList* message, int* status) {
    QList<AdapterInfo> adapters;
    backend.ListAdapters(adapters);
    QStringList present;
    for (const AdapterInfo& a : adapters)
        if (a.detailsOk && !a.description.isEmpty()) present << a.description;
    const auto listing = [&] {
        for (const QString& d : present) *message << QStringLiteral("  ") + d;
    };
    if (!requested.isEmpty()) {
        if (present.contains(requested)) return requested;
        *message << NotConnectedText();
        *message << QStringLiteral("No adapter \"%1\"; adapters present:").arg(requested);
        if (present.isEmpty()) *message << QStringLiteral("  (none)");
        listing();
        *status = EXIT_NO_ADAPTER;
        return {};
    }
    if (present.size() == 1) return present.first();
    if (present.isEmpty()) {
        *message << NotConnectedText();
        *message << QStringLiteral("No adapter found");
        *status = EXIT_NO_ADAPTER;
        return {};
    }
    *message << QStringLiteral("Several adapters are present; choose one with -a DESCRIPTION:");
    listing();
    *status = EXIT_USAGE;
    return {};
}

Session::Session(AdapterBackend& backend, Console& console, std::function<bool()> interrupted)
    : backend_(backend), console_(console), interrupted_(std::move(interrupted)),
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

int Session::Open(const QString& requested) {
    QStringList message;
    int status = EXIT_NO_ADAPTER;
    const QString description = ChooseAdapter(backend_, requested, &message, &status);
    if (description.isEmpty()) {
        for (const QString& line : message) console_.Err(line);
        return status;
    }
    if (!link_->Open(description)) {
        console_.Err(NotConnectedText());
        console_.Err(QStringLiteral("Unable to open adapter \"%1\"").arg(description));
        // The same help the window's status bar gives (who holds it, the dialout group).
        const QString hint = OpenErrorHint(link_->LastOpenError());
        if (!hint.isEmpty()) console_.Err(hint);
        return EXIT_NO_ADAPTER;
    }
    description_ = description;
    return EXIT_OK;
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

void Session::OnLinkLost() {
    lost_ = true;
    console_.Err(QStringLiteral("The link to the module was lost"));
}

void Session::OnLinkRestored() {
    lost_ = false;
    console_.Err(QStringLiteral("The link to the module is back"));
}

}  // namespace relvane::cli

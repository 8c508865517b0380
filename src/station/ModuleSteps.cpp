#include "station/ModuleSteps.h"

#include "monitor/ServiceConsoles.h"
#include "protocol/MessageCatalogue.h"
#include "tools/ToolHost.h"
#include "tools/ToolText.h"

#include <QTimer>

namespace relvane {

namespace {

class PingListener : public ToolFrameListener {
public:
    PingListener(PingTest& test, const Session::Say& line) : test_(test), line_(line) {}
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        const PingTest::FrameResult r = test_.OnFrame(frame, count);
        for (const QString& l : r.lines) {
            if (line_) line_(l);
            if (l == QLatin1String("Chksum Error....")) ++checksumErrors;
        }
        if (r.dataError) ++mismatches;
    }
    int mismatches = 0;
    int checksumErrors = 0;

private:
    PingTest& test_;
    const Session::Say& line_;
};

// The system setup window's view of the main window, for a front end without one: messages
// are collected, nothing is asked.
class HeadlessToolHost : public ToolHost, public Dialogs {
public:
    explicit HeadlessToolHost(Session& session) : session_(session) {}
    TxSink& TxQueue() override { return session_.tx(); }
    Dialogs& Boxes() override { return *this; }
    bool Connected() const override { return session_.link().State() == LINK_OPEN; }
    QByteArray SoftwareVersionText() const override { return {}; }
    void Beep() override {}
    void RegisterToolWindow(ToolSlot slot, ToolFrameListener* w) override { session_.dispatcher().RegisterToolWindow(slot, w); }
    void UnregisterToolWindow(ToolSlot slot, ToolFrameListener* w) override {
        session_.dispatcher().UnregisterToolWindow(slot, w);
    }
    void SetCalibrationWindowVisible(bool) override {}
    void SetCalibrationWindowExists(bool) override {}

    MessageAnswer Message(MessageKind, const QString& text, MessageButtons, const QString&) override {
        messages << text;
        return MessageAnswer::Ok;
    }
    std::optional<QString> OpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<QString> SaveFile(const FileDialogOptions&) override { return std::nullopt; }

    QStringList messages;

private:
    Session& session_;
};

// Passes every frame to the tool and notes the answers to the store and the request.
class SystemListener : public ToolFrameListener {
public:
    explicit SystemListener(SystemSetupTool& tool) : tool_(tool) {}
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        const bool valid = ToolFrameAccepted(frame, count, FRAME_TYPE_COMMAND);
        tool_.OnToolFrame(frame, count);
        if (!valid) return;
        if (frame[FRAME_COMMAND] == SYSTEM_DATA_WRITE_CFM) stored = true;
        else if (frame[FRAME_COMMAND] == SYSTEM_DATA_READ_CFM && stored && frame[FRAME_LENGTH] >= 11) {
            answered = true;
            readBack.serial = (std::uint32_t(frame[4]) << 24) | (std::uint32_t(frame[5]) << 16) |
                              (std::uint32_t(frame[6]) << 8) | std::uint32_t(frame[7]);
            readBack.week = frame[8];
            readBack.yearSince2000 = frame[9];
            readBack.hardwareVersion = frame[10];
        }
    }
    bool stored = false;
    bool answered = false;
    SystemData readBack;

private:
    SystemSetupTool& tool_;
};

QString SystemText(const SystemData& d) {
    return QStringLiteral("serial %1, year %2, week %3, hardware %4")
        .arg(SerialText(d.serial), YearText(d.yearSince2000), TwoDigitText(d.week), TwoDigitText(d.hardwareVersion));
}

class RebootListener : public MainFrameHandler {
public:
    void OnRebootConfirmed() override { confirmed = true; }
    bool confirmed = false;
};

}  // namespace

PingResult RunPingTest(Session& session, int count, int intervalMs, const Session::Say& line,
                       const std::function<void(int, int)>& progress, bool failOnLinkLoss) {
    PingState state;
    PingTest test(session.tx(), state);
    PingListener listener(test, line);
    session.dispatcher().RegisterToolWindow(ToolSlot::Ping, &listener);

    PingResult result;
    int finished = 0;
    QTimer timer;
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // No new ping beyond the count; an outstanding one still counts towards its time-out.
        if (!state.outstanding && result.sent >= count) return;
        const bool wasOutstanding = state.outstanding;
        const QStringList lines = test.TimerTick();
        for (const QString& l : lines)
            if (line) line(l);
        if (wasOutstanding && !state.outstanding) ++result.timeouts;
        if (!wasOutstanding) {
            if (result.sent > 0) ++finished;
            ++result.sent;
        } else if (!state.outstanding) {
            ++finished;
        }
        if (progress) progress(finished, count);
    });
    timer.start();
    const bool done = session.WaitUntil(
        [&] {
            if (failOnLinkLoss && session.LinkLost()) return result.linkLost = true;
            return result.sent >= count && !state.outstanding;
        },
        -1);
    timer.stop();
    session.dispatcher().UnregisterToolWindow(ToolSlot::Ping, &listener);
    result.mismatches = listener.mismatches;
    result.checksumErrors = listener.checksumErrors;
    result.interrupted = !done;
    if (progress && done && !result.linkLost) progress(count, count);
    return result;
}

SystemStepResult WriteSystemData(Session& session, const SystemData& data) {
    HeadlessToolHost host(session);
    SystemSetupTool tool(host);
    SystemListener listener(tool);
    session.dispatcher().RegisterToolWindow(ToolSlot::SystemSetup, &listener);
    tool.setSerialText(SerialText(data.serial));
    tool.setYearText(YearText(data.yearSince2000));
    tool.setWeekText(TwoDigitText(data.week));
    tool.setHardwareText(TwoDigitText(data.hardwareVersion));
    SystemStepResult result;
    bool sent = false;
    try {
        sent = tool.Upload();
    } catch (const std::exception&) {
        sent = false;
    }
    if (!sent) {
        session.dispatcher().UnregisterToolWindow(ToolSlot::SystemSetup, &listener);
        result.message = host.messages.isEmpty() ? QStringLiteral("the production data cannot be sent")
                                                 : host.messages.last().trimmed();
        return result;
    }
    // The store is asked again once when its confirmation does not come, and so is the read.
    if (!session.WaitUntil([&] { return listener.stored || session.LinkLost(); }, 1500) && !session.Interrupted() &&
        !session.LinkLost()) {
        tool.Upload();
        session.WaitUntil([&] { return listener.stored || session.LinkLost(); }, 1500);
    }
    if (listener.stored && !session.WaitUntil([&] { return listener.answered || session.LinkLost(); }, 1500) &&
        !session.Interrupted() && !session.LinkLost()) {
        session.Send(BuildSystemDataRequest());
        session.WaitUntil([&] { return listener.answered || session.LinkLost(); }, 1500);
    }
    session.dispatcher().UnregisterToolWindow(ToolSlot::SystemSetup, &listener);
    if (session.Interrupted()) {
        result.message = QStringLiteral("stopped");
        return result;
    }
    if (session.LinkLost()) {
        result.message = QStringLiteral("link lost");
        return result;
    }
    if (!listener.stored) {
        result.message = QStringLiteral("no answer to the store of the production data");
        return result;
    }
    if (!listener.answered) {
        result.message = QStringLiteral("no answer to the read-back of the production data");
        return result;
    }
    result.readBack = listener.readBack;
    const SystemData& r = listener.readBack;
    if (r.serial != data.serial || r.week != data.week || r.yearSince2000 != data.yearSince2000 ||
        r.hardwareVersion != data.hardwareVersion) {
        result.message = QStringLiteral("read back %1, sent %2").arg(SystemText(r), SystemText(data));
        return result;
    }
    result.ok = true;
    return result;
}

bool RebootModule(Session& session, int timeoutMs) {
    RebootListener listener;
    session.dispatcher().AddHandler(&listener);
    session.Send(BuildRebootRequest());
    if (!session.WaitUntil([&] { return listener.confirmed; }, timeoutMs / 2) && !session.Interrupted()) {
        session.Send(BuildRebootRequest());
        session.WaitUntil([&] { return listener.confirmed; }, timeoutMs / 2);
    }
    session.dispatcher().RemoveHandler(&listener);
    return listener.confirmed;
}

}  // namespace relvane

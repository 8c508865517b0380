#include "station/FirmwareSteps.h"

#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareUpdate.h"
#include "protocol/MessageCatalogue.h"

#include <QElapsedTimer>

namespace relvane {

namespace {

constexpr int kStallMs = 10000;  // no acknowledgement of a block for this long: the bootloader is gone

class UpdateView : public FirmwareUpdateView, public RawByteHandler {
public:
    UpdateView(const StepProgress& progress, const Session::Say& say) : progress_(progress), say_(say) {}

    void ShowMessage(const QString& text) override {
        messages << text;
        if (say_) say_(text);
    }
    void SetProgress(int) override {
        if (!update) return;
        lastActivity.start();
        const long long total = static_cast<long long>(update->endAddress()) - update->startAddress() + 1;
        if (progress_) progress_(std::min<long long>(update->sent(), total), total);
    }
    void OnRawByte(std::uint8_t b) override {
        if (!update) return;
        lastActivity.start();
        const auto before = update->state();
        update->HandleByte(b);
        if (before == FirmwareUpdate::Sending && update->state() == FirmwareUpdate::Idle &&
            !messages.contains(FirmwareUpdate::UpdatedText()))
            aborted = true;
    }

    FirmwareUpdate* update = nullptr;
    QStringList messages;
    bool aborted = false;
    QElapsedTimer lastActivity;

private:
    const StepProgress& progress_;
    const Session::Say& say_;
};

class CompareView : public FirmwareCompareView {
public:
    CompareView(const StepProgress& progress, const Session::Say& statusLine)
        : progress_(progress), statusLine_(statusLine) {}
    void ShowMessage(const QString& text) override { result = text; }
    void AddStatusLine(const QString& line) override {
        if (statusLine_) statusLine_(line);
    }
    void AddFileLine(const QString&) override {}
    void AddTargetLine(const QString&) override {}
    void ClearFileLines() override {}
    void ClearTargetLines() override {}
    void SetProgress(int) override {
        if (compare && progress_) progress_(compare->address(), FirmwareCompare::COMPARE_END);
    }
    void SetPercentText(const QString&) override {}

    FirmwareCompare* compare = nullptr;
    QString result;

private:
    const StepProgress& progress_;
    const Session::Say& statusLine_;
};

}  // namespace

ProgramResult ProgramFirmware(Session& session, const QString& path, const ProgramOptions& options,
                              const StepProgress& progress, const Session::Say& say) {
    UpdateView view(progress, say);
    FirmwareUpdate upd(session.tx(), view, [&](int ms) { session.Pause(ms); });
    view.update = &upd;
    try {
        upd.Program(path);
    } catch (const ErrorMsg& e) {
        return {ProgramEnd::Refused, e.Message()};
    }
    if (upd.state() != FirmwareUpdate::WaitPrompt)
        return {ProgramEnd::Refused, view.messages.isEmpty() ? QString() : view.messages.last(), true};

    // From here every received byte belongs to the bootloader exchange.
    session.link().SetRawByteHandler(&view);
    session.link().SetRxMode(RX_MODE_RAW);
    if (options.reboot) session.Send(BuildRebootRequest());
    view.lastActivity.start();
    bool lost = false;
    const bool ended = session.WaitUntil(
        [&] {
            if (view.aborted || upd.state() == FirmwareUpdate::Idle) return true;
            if (options.failOnLinkLoss && session.LinkLost()) return lost = true;
            const int limit = upd.state() == FirmwareUpdate::Sending ? kStallMs : options.promptTimeoutMs;
            return view.lastActivity.elapsed() > limit;
        },
        -1);
    const bool updated = view.messages.contains(FirmwareUpdate::UpdatedText());
    if (!lost) session.Drain();  // the end mark
    session.link().SetRxMode(RX_MODE_FRAMES);
    session.link().SetRawByteHandler(nullptr);
    if (updated) return {ProgramEnd::Updated, FirmwareUpdate::UpdatedText(), true};
    if (!ended) return {ProgramEnd::Interrupted, {}};
    if (lost) return {ProgramEnd::LinkLost, {}};
    if (view.aborted) return {ProgramEnd::Aborted, {}};
    if (view.messages.contains(FirmwareUpdate::StalledText()))
        return {ProgramEnd::Stalled, FirmwareUpdate::StalledText(), true};
    if (upd.state() == FirmwareUpdate::Sending) return {ProgramEnd::Stalled, {}};
    return {ProgramEnd::NoBootloader, {}};
}

CompareResult CompareFirmware(Session& session, const QString& path, const QByteArray& version,
                              const StepProgress& progress, const Session::Say& statusLine,
                              bool failOnLinkLoss) {
    CompareView view(progress, statusLine);
    FirmwareCompare::Hooks hooks;
    hooks.pause = [&](int ms) { session.Pause(ms); };
    FirmwareCompare cmp(session.tx(), view, hooks);
    view.compare = &cmp;
    session.dispatcher().RegisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
    cmp.SetRememberedPath(path);
    try {
        cmp.Start(path, QString::fromLatin1(version));
    } catch (const ErrorMsg& e) {
        session.dispatcher().UnregisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
        return {CompareEnd::Refused, e.Message()};
    }
    bool lost = false;
    session.WaitUntil([&] { return !view.result.isEmpty() || (failOnLinkLoss && (lost = session.LinkLost())); }, -1);
    if (view.result.isEmpty()) cmp.Cancel();  // interrupted or lost
    cmp.Stop();
    session.dispatcher().UnregisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
    if (view.result.isEmpty()) return {lost ? CompareEnd::LinkLost : CompareEnd::Interrupted, {}};
    if (view.result == FirmwareCompare::IdenticalText()) return {CompareEnd::Identical, view.result};
    if (view.result == FirmwareCompare::NoContactText()) return {CompareEnd::NoContact, view.result};
    return {CompareEnd::Different, view.result};
}

}  // namespace relvane

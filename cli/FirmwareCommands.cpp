// firmware program and firmware compare: the bootloader exchange of the Firmware window and the
// compare of the FIA window, over the same cores.

#include "cli/Commands.h"
#include "firmware/ErrorMsg.h"
#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareUpdate.h"
#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>

namespace relvane::cli {

namespace {

constexpr int kStallMs = 10000;         // no acknowledgement of a block for this long: the bootloader is gone
constexpr int kStartAfterUpdateMs = 1000;  // the new firmware's start before --verify asks it

class UpdateView : public FirmwareUpdateView, public RawByteHandler {
public:
    UpdateView(Console& console, FirmwareUpdate*& update) : console_(console), update_(update) {}

    void ShowMessage(const QString& text) override {
        messages << text;
        if (progress_) progress_->Finish();
        console_.Err(text);
    }
    void SetProgress(int) override {
        if (!update_) return;
        lastActivity.start();
        if (!progress_) progress_ = std::make_unique<Progress>(console_, QStringLiteral("Programming"), QStringLiteral("bytes"));
        const long long total = static_cast<long long>(update_->endAddress()) - update_->startAddress() + 1;
        progress_->Update(std::min<long long>(update_->sent(), total), total);
    }
    void OnRawByte(std::uint8_t b) override {
        if (!update_) return;
        lastActivity.start();
        const auto before = update_->state();
        update_->HandleByte(b);
        if (before == FirmwareUpdate::Sending && update_->state() == FirmwareUpdate::Idle &&
            !messages.contains(FirmwareUpdate::UpdatedText()))
            aborted = true;
    }
    void Done() { progress_.reset(); }

    QStringList messages;
    bool aborted = false;
    QElapsedTimer lastActivity;

private:
    Console& console_;
    FirmwareUpdate*& update_;
    std::unique_ptr<Progress> progress_;
};

class CompareView : public FirmwareCompareView {
public:
    CompareView(Console& console, FirmwareCompare*& compare) : console_(console), compare_(compare) {}
    void ShowMessage(const QString& text) override {
        if (progress_) progress_->Finish();
        result = text;
    }
    void AddStatusLine(const QString& line) override {
        if (progress_) progress_->Finish();
        console_.Out(line);
    }
    void AddFileLine(const QString&) override {}
    void AddTargetLine(const QString&) override {}
    void ClearFileLines() override {}
    void ClearTargetLines() override {}
    void SetProgress(int) override {
        if (!compare_) return;
        if (!progress_) progress_ = std::make_unique<Progress>(console_, QStringLiteral("Comparing"), QStringLiteral("bytes"));
        progress_->Update(compare_->address(), FirmwareCompare::COMPARE_END);
    }
    void SetPercentText(const QString&) override {}

    QString result;

private:
    Console& console_;
    FirmwareCompare*& compare_;
    std::unique_ptr<Progress> progress_;
};

// The compare of the FIA window on an open session. EXIT_OK when the module holds the file.
int Compare(Invocation& inv, Session& session, const QString& path) {
    QByteArray version;
    session.RunVersionCheck(&version);  // only for the header line; none is no failure here
    FirmwareCompare* compare = nullptr;
    CompareView view(inv.console(), compare);
    FirmwareCompare::Hooks hooks;
    hooks.pause = [&](int ms) { session.Pause(ms); };
    FirmwareCompare cmp(session.tx(), view, hooks);
    compare = &cmp;
    session.dispatcher().RegisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
    cmp.SetRememberedPath(path);
    try {
        cmp.Start(path, QString::fromLatin1(version));
    } catch (const ErrorMsg& e) {
        session.dispatcher().UnregisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
        inv.console().Err(e.Message());
        return EXIT_FAILED;
    }
    session.WaitUntil([&] { return !view.result.isEmpty(); }, -1);
    if (view.result.isEmpty()) cmp.Cancel();  // interrupted
    cmp.Stop();
    session.dispatcher().UnregisterToolWindow(ToolSlot::FirmwareCompare, &cmp);
    compare = nullptr;
    if (view.result.isEmpty()) {
        inv.console().Err(FirmwareCompare::CancelText());
        return EXIT_FAILED;
    }
    inv.console().Out(view.result);
    return view.result == FirmwareCompare::IdenticalText() ? EXIT_OK : EXIT_FAILED;
}

std::optional<int> CheckHexFile(Invocation& inv, const QString& path) {
    if (!QFileInfo(path).isFile()) return UsageError(inv, QStringLiteral("no HEX file %1").arg(path));
    return std::nullopt;
}

int Program(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("firmware program");
    const QCommandLineOption reboot(QStringLiteral("reboot"),
                                    QStringLiteral("Send REBOOT_REQ to start the bootloader (else reboot the module by hand)."));
    const QCommandLineOption verify(QStringLiteral("verify"), QStringLiteral("Compare the module's firmware with the file afterwards."));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait for the bootloader (default 60)."),
                                     QStringLiteral("SECONDS"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Programs an Intel HEX file into the module through its bootloader, "
                                         "as the Firmware window does."),
                          {reboot, verify, timeout}, QStringLiteral("FILE.hex"), 1, 1))
        return *done;
    const QString path = inv.positional.at(0);
    if (auto bad = CheckHexFile(inv, path)) return *bad;
    const auto waitSeconds = IntOption(inv, timeout, 60, 1);
    if (!waitSeconds) return EXIT_USAGE;

    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;

    FirmwareUpdate* update = nullptr;
    UpdateView view(inv.console(), update);
    FirmwareUpdate upd(session.tx(), view, [&](int ms) { session.Pause(ms); });
    update = &upd;
    try {
        upd.Program(path);
    } catch (const ErrorMsg& e) {
        inv.console().Err(e.Message());
        return EXIT_FAILED;
    }
    if (upd.state() != FirmwareUpdate::WaitPrompt) return EXIT_FAILED;  // refused, message shown

    // From here every received byte belongs to the bootloader exchange.
    session.link().SetRawByteHandler(&view);
    session.link().SetRxMode(RX_MODE_RAW);
    if (inv.parser.isSet(reboot)) session.Send(BuildRebootRequest());
    view.lastActivity.start();
    const bool ended = session.WaitUntil(
        [&] {
            if (view.aborted || upd.state() == FirmwareUpdate::Idle) return true;
            const int limit = upd.state() == FirmwareUpdate::Sending ? kStallMs : *waitSeconds * 1000;
            return view.lastActivity.elapsed() > limit;
        },
        -1);
    const bool updated = view.messages.contains(FirmwareUpdate::UpdatedText());
    session.Drain();  // the end mark
    session.link().SetRxMode(RX_MODE_FRAMES);
    session.link().SetRawByteHandler(nullptr);
    update = nullptr;
    view.Done();
    if (!updated) {
        if (!ended) inv.console().Err(QStringLiteral("Programming interrupted"));
        else if (view.aborted) inv.console().Err(QStringLiteral("The bootloader aborted the transfer"));
        else if (upd.state() == FirmwareUpdate::Sending) inv.console().Err(QStringLiteral("The bootloader stopped answering"));
        else if (upd.state() != FirmwareUpdate::Idle) inv.console().Err(QStringLiteral("No answer from the bootloader"));
        return EXIT_FAILED;
    }
    if (!inv.parser.isSet(verify)) return EXIT_OK;
    session.Pause(kStartAfterUpdateMs);
    return Compare(inv, session, path);
}

int CompareCommand(Invocation& inv, const QStringList& args) {
    inv.name = QStringLiteral("firmware compare");
    if (auto done = Parse(inv, args,
                          QStringLiteral("Compares the module's firmware with an Intel HEX file (addresses 0000 "
                                         "to FBFF), as the FIA window does. Exit status 1 when they differ."),
                          {}, QStringLiteral("FILE.hex"), 1, 1))
        return *done;
    const QString path = inv.positional.at(0);
    if (auto bad = CheckHexFile(inv, path)) return *bad;
    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;
    return Compare(inv, session, path);
}

}  // namespace

int RunFirmware(Invocation& inv, const QStringList& arguments) {
    QStringList args = arguments;
    const QString sub = TakeSubcommand(args);
    if (sub == QLatin1String("program")) return Program(inv, args);
    if (sub == QLatin1String("compare")) return CompareCommand(inv, args);
    if (sub.isEmpty() && AsksForHelp(args)) {
        inv.console().Out(QStringLiteral("Usage: relvane firmware program FILE.hex [--reboot] [--verify]"));
        inv.console().Out(QStringLiteral("       relvane firmware compare FILE.hex"));
        return EXIT_OK;
    }
    return UsageError(inv, sub.isEmpty() ? QStringLiteral("missing sub-command: program or compare")
                                         : QStringLiteral("unknown sub-command \"%1\"").arg(sub));
}

}  // namespace relvane::cli

// read, upload, defaults and diff: the whole configuration, moved by the same sequencer and
// the same request chains as the window's Read, Upload and Default settings.

#include "cli/Commands.h"
#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "protocol/BlockCodec.h"
#include "protocol/TransferSequencer.h"

#include <QFileInfo>
#include <QTimer>

namespace relvane::cli {

namespace {

// The main window's part of a transfer, for a front end without windows: messages go to
// standard error, the questions are answered by the command's options, the progress is a
// count of the blocks that have arrived or been acknowledged.
class CliTransferHost : public TransferHost, public MainFrameHandler {
public:
    CliTransferHost(Session& session, Console& console, QString what)
        : session_(session), console_(console), what_(std::move(what)) {}

    bool rebootAnswer = false;
    bool factoryAnswer = false;
    ProgressEnd lastEnd = ProgressEnd::Finished;
    QStringList messages;
    int blocks = 0;

    // TransferHost
    bool Connected() const override { return session_.link().State() == LINK_OPEN && !session_.LinkLost(); }
    bool FirmwareBusy() const override { return false; }
    TxSink& TxQueue() override { return session_.tx(); }
    // There is no monitor selection to move here; the monitor command turns forwarding off itself.
    bool ResetMonitorSelection() override { return false; }
    void PauseMs(int ms) override { session_.Pause(ms); }
    VersionCheckResult RunVersionCheck() override { return session_.RunVersionCheck(); }
    ProgressEnd RunProgress(const std::function<void()>& cancel) override {
        blocks = 0;
        Progress progress(console_, what_, QStringLiteral("blocks"));
        progress_ = &progress;
        // An interrupt is the progress window's Cancel.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (session_.Interrupted() && headless_.IsOpen()) {
                cancel();
                headless_.Cancel();
            }
        });
        watch.start(20);
        lastEnd = headless_.Run();
        watch.stop();
        progress_ = nullptr;
        progress.Finish();
        if (lastEnd == ProgressEnd::TimedOut) ShowMessage(UpdateTimeoutText());
        if (lastEnd == ProgressEnd::Cancelled) ShowMessage(QStringLiteral("Cancelled"));
        return lastEnd;
    }
    void CloseProgress() override { headless_.Close(); }
    void SetTransferBusy(bool) override {}
    void RequestNamePropagation() override {}
    void SetTitleSourceModule() override {}
    void ShowMessage(const QString& text) override {
        messages << text;
        console_.Err(text.trimmed());
    }
    bool AskYesNo(const QString& text) override {
        if (text == RebootQuestionText()) return rebootAnswer;
        if (text == FactoryQuestionText()) return factoryAnswer;
        return false;
    }

    // MainFrameHandler: counts the blocks for the progress line.
    void OnConfigBlockRead(std::uint8_t, const std::uint8_t*, int) override { Count(); }
    void OnConfigBlockWritten(std::uint8_t, int) override { Count(); }

    HeadlessProgress& Headless() { return headless_; }

private:
    void Count() {
        ++blocks;
        if (progress_) progress_->Update(blocks, CONFIG_BLOCK_COUNT);
    }

    Session& session_;
    Console& console_;
    QString what_;
    HeadlessProgress headless_;
    Progress* progress_ = nullptr;
};

// A session with the sequencer and its host wired to the dispatcher.
struct Transfer {
    Transfer(Invocation& inv, const QString& what)
        : session(inv.context.backend, inv.console(), inv.context.interrupted),
          host(session, inv.console(), what), sequencer(model, host) {}
    ~Transfer() {
        session.dispatcher().RemoveHandler(&sequencer);
        session.dispatcher().RemoveHandler(&host);
    }
    void Attach() {
        session.dispatcher().AddHandler(&sequencer);
        session.dispatcher().AddHandler(&host);
    }
    // True when the chain ran to its end with every block, so the model holds the module's
    // configuration (a read that lost a block ends too, but the model does not take it).
    bool RunRead() {
        const int before = sequencer.TakenReads();
        sequencer.Read();
        return sequencer.TakenReads() > before;
    }

    Session session;
    ConfigModel model;
    CliTransferHost host;
    TransferSequencer sequencer;
};

// The exit status after a command whose chain did not end: the version check's failure, a
// stalled chain or a cancel all fail; the messages are out already.
int FailureStatus(Transfer&) { return EXIT_FAILED; }

std::optional<int> SaveTo(Invocation& inv, const ConfigModel& model, const QString& path) {
    QString error;
    if (!SaveConfigFile(model, path, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    inv.console().Err(QStringLiteral("Configuration saved to %1").arg(QFileInfo(ConfigFilePath(path)).absoluteFilePath()));
    return std::nullopt;
}

// The module's box name, which configuration files do not hold. Asked before the sequencer is
// attached, because a NAME_READ_CFM moves the sequencer on whatever its state.
class BoxNameReader : public MainFrameHandler {
public:
    explicit BoxNameReader(ConfigModel& model) : model_(model) {}
    void OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count) override {
        if (command == NAME_READ_CFM) done = DecodeConfigBlock(model_, frame, count);
    }
    bool done = false;

private:
    ConfigModel& model_;
};

bool ReadBoxName(Session& session, ConfigModel& into) {
    ConfigModel scratch;
    BoxNameReader reader(scratch);
    session.dispatcher().AddHandler(&reader);
    session.Send(BuildNameReadRequest());
    const bool ok = session.WaitUntil([&] { return reader.done; }, 2000);
    session.dispatcher().RemoveHandler(&reader);
    if (ok) into.SetBoxName(scratch.BoxName());
    return ok;
}

}  // namespace

int RunRead(Invocation& inv, const QStringList& args) {
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The configuration file to write (.cfg)."), QStringLiteral("FILE.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Reads the module's whole configuration, with the version check and "
                                         "the request chain of the window's Read, and saves it as a "
                                         "configuration file."),
                          {output}, {}, 0, 0))
        return *done;
    if (!inv.parser.isSet(output) || inv.parser.value(output).isEmpty())
        return UsageError(inv, QStringLiteral("-o FILE.cfg is required"));
    Transfer t(inv, QStringLiteral("Reading"));
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    t.Attach();
    if (!t.RunRead()) return FailureStatus(t);
    if (auto failed = SaveTo(inv, t.model, inv.parser.value(output))) return *failed;
    return EXIT_OK;
}

int RunUpload(Invocation& inv, const QStringList& args) {
    const QCommandLineOption reboot(QStringLiteral("reboot"),
                                    QStringLiteral("Send REBOOT_REQ at the end, so the module uses the new settings."));
    const QCommandLineOption boxName(QStringLiteral("box-name"),
                                     QStringLiteral("The box name to upload (files do not hold one; default: keep "
                                                    "the module's)."),
                                     QStringLiteral("NAME"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Upload even when the configuration's checks find errors."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Uploads a configuration file with the version check and the block "
                                         "chain of the window's Upload. A configuration whose checks find errors "
                                         "(see \"relvane config check\") is refused unless --force is given."),
                          {reboot, boxName, force}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    const QString path = ConfigFilePath(inv.positional.at(0));
    if (!QFileInfo(path).isFile()) return UsageError(inv, QStringLiteral("no configuration file %1").arg(path));
    const QString name = inv.parser.value(boxName);
    if (name.size() > kChannelNameLength)
        return UsageError(inv, QStringLiteral("--box-name holds at most %1 characters").arg(kChannelNameLength));

    Transfer t(inv, QStringLiteral("Uploading"));
    QString error;
    if (!LoadConfigFile(t.model, path, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    // Before any message goes to the module.
    if (auto refused = RefuseProblems(inv, t.model, inv.parser.isSet(force))) return *refused;
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    t.host.rebootAnswer = inv.parser.isSet(reboot);

    // A file carries no box name and loading one empties it; uploading that would wipe the
    // module's name, so the module's own name goes back unless one is given.
    if (inv.parser.isSet(boxName)) {
        bool mapped = true;
        t.model.SetBoxName(StringToCp1252(name, &mapped));
        if (!mapped) return UsageError(inv, QStringLiteral("--box-name holds a character Windows-1252 lacks"));
    } else if (t.host.Connected() && t.session.RunVersionCheck() == VersionCheckResult::Accepted) {
        if (!ReadBoxName(t.session, t.model)) {
            inv.console().Err(QStringLiteral("The module did not tell its box name; give one with --box-name"));
            return EXIT_FAILED;
        }
    }
    // (A failed version check here is reported by the upload's own check below.)
    t.Attach();
    const int before = t.sequencer.EndedTransfers();
    t.sequencer.Upload();
    const bool complete = t.sequencer.EndedTransfers() > before;
    t.session.Drain();  // the reboot request, if any, goes out before the link closes
    return complete ? EXIT_OK : FailureStatus(t);
}

int RunDefaults(Invocation& inv, const QStringList& args) {
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Also save the configuration read afterwards."),
                                    QStringLiteral("FILE.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Makes the module restore its factory settings, then reads its "
                                         "configuration (as the window's Default settings)."),
                          {output}, {}, 0, 0))
        return *done;
    Transfer t(inv, QStringLiteral("Reading"));
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    t.host.factoryAnswer = true;  // running the command is the answer to the question
    t.Attach();
    const int before = t.sequencer.TakenReads();
    t.sequencer.FactoryDefault();
    if (t.sequencer.TakenReads() <= before) return FailureStatus(t);
    if (inv.parser.isSet(output)) {
        if (auto failed = SaveTo(inv, t.model, inv.parser.value(output))) return *failed;
    }
    return EXIT_OK;
}

int RunDiff(Invocation& inv, const QStringList& args) {
    if (auto done = Parse(inv, args,
                          QStringLiteral("Reads the module's configuration and shows the fields where FILE.cfg "
                                         "differs from it. Exit status 1 when any do."),
                          {}, QStringLiteral("FILE.cfg"), 1, 1))
        return *done;
    const QString path = ConfigFilePath(inv.positional.at(0));
    if (!QFileInfo(path).isFile()) return UsageError(inv, QStringLiteral("no configuration file %1").arg(path));
    ConfigModel file;
    QString error;
    if (!LoadConfigFile(file, path, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    Transfer t(inv, QStringLiteral("Reading"));
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    t.Attach();
    if (!t.RunRead()) return FailureStatus(t);
    const QList<ConfigDifference> diffs = DiffConfigs(file, t.model);
    for (const ConfigDifference& d : diffs) inv.console().Out(DifferenceLine(d));
    return diffs.isEmpty() ? EXIT_OK : EXIT_FAILED;
}

}  // namespace relvane::cli

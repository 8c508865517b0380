// read, upload, defaults and diff: the whole configuration, moved by the same sequencer and
// the same request chains as the window's Read, Upload and Default settings.

#include "cli/Commands.h"
#include "cli/Json.h"
#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/ConfigHistory.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "protocol/BlockCodec.h"
#include "protocol/TransferSequencer.h"
#include "station/HeadlessTransfer.h"

#include <QFileInfo>
#include <QTimer>

namespace relvane::cli {

namespace {

// A transfer of the core with its progress as a line on standard error.
struct Transfer {
    Transfer(Invocation& inv, const QString& what)
        : console(inv.console()), what_(what),
          session(inv.context.backend, inv.console(), inv.context.interrupted),
          transfer(session, [this](const QString& line) { Say(line); },
                   [this](int blocks, int total) { Update(blocks, total); }),
          host(transfer.host), model(transfer.model), sequencer(transfer.sequencer) {}

    void Attach() { transfer.Attach(); }
    bool RunRead() {
        const bool whole = transfer.Read();
        progress.reset();
        return whole;
    }

    Console& console;
    QString what_;
    std::unique_ptr<Progress> progress;
    Session session;
    HeadlessTransfer transfer;
    HeadlessTransferHost& host;
    ConfigModel& model;
    TransferSequencer& sequencer;

private:
    void Say(const QString& line) {
        if (progress) progress->Finish();
        console.Err(line);
    }
    void Update(int blocks, int total) {
        if (blocks == 0) {
            progress = std::make_unique<Progress>(console, what_, QStringLiteral("blocks"));
            return;
        }
        if (progress) progress->Update(blocks, total);
    }
};

// The exit status after a command whose chain did not end: the version check's failure, a
// stalled chain or a cancel all fail; the messages are out already.
int FailureStatus(Transfer&) { return EXIT_FAILED; }

const QCommandLineOption kJson(QStringLiteral("json"),
                               QStringLiteral("The result as one JSON object on standard output."));

// The result object of read, upload and defaults: {"result": "ok"|"failed", ...}.
int JsonResult(Invocation& inv, int status, Transfer& t, QJsonObject fields = {}) {
    if (!inv.parser.isSet(kJson)) return status;
    fields.insert(QStringLiteral("result"), status == EXIT_OK ? QStringLiteral("ok") : QStringLiteral("failed"));
    if (status != EXIT_OK) {
        QJsonArray messages;
        for (const QString& m : t.host.messages) messages.append(m.trimmed());
        fields.insert(QStringLiteral("messages"), messages);
    }
    inv.console().Out(JsonLine(fields));
    return status;
}

std::optional<int> SaveTo(Invocation& inv, const ConfigModel& model, const QString& path) {
    QString error;
    if (!SaveConfigFile(model, path, &error)) {
        inv.console().Err(error);
        return EXIT_FAILED;
    }
    inv.console().Err(QStringLiteral("Configuration saved to %1").arg(QFileInfo(ConfigFilePath(path)).absoluteFilePath()));
    return std::nullopt;
}

}  // namespace

int RunRead(Invocation& inv, const QStringList& args) {
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The configuration file to write (.cfg)."), QStringLiteral("FILE.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Reads the module's whole configuration, with the version check and "
                                         "the request chain of the window's Read, and saves it as a "
                                         "configuration file."),
                          {output, kJson, NoHistoryOption()}, {}, 0, 0))
        return *done;
    if (!inv.parser.isSet(output) || inv.parser.value(output).isEmpty())
        return UsageError(inv, QStringLiteral("-o FILE.cfg is required"));
    Transfer t(inv, QStringLiteral("Reading"));
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    t.Attach();
    if (!t.RunRead()) return JsonResult(inv, FailureStatus(t), t);
    AddRestorePoint(inv, HistoryEvent::Read, t.model, t.session.Description());
    if (auto failed = SaveTo(inv, t.model, inv.parser.value(output))) return JsonResult(inv, *failed, t);
    return JsonResult(inv, EXIT_OK, t,
                      {{QStringLiteral("file"), QFileInfo(ConfigFilePath(inv.parser.value(output))).absoluteFilePath()},
                       {QStringLiteral("box_name"), Cp1252ToString(t.model.BoxName())}});
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
                          {reboot, boxName, kJson, force, NoHistoryOption()}, QStringLiteral("FILE.cfg"), 1, 1))
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
    AddRestorePoint(inv, HistoryEvent::Upload, t.model, t.session.Description());
    const bool complete = t.transfer.Upload();
    t.progress.reset();
    t.session.Drain();  // the reboot request, if any, goes out before the link closes
    return JsonResult(inv, complete ? EXIT_OK : FailureStatus(t), t,
                      {{QStringLiteral("file"), path},
                       {QStringLiteral("box_name"), Cp1252ToString(t.model.BoxName())},
                       {QStringLiteral("reboot"), t.host.rebootAnswer}});
}

int RunDefaults(Invocation& inv, const QStringList& args) {
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Also save the configuration read afterwards."),
                                    QStringLiteral("FILE.cfg"));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Makes the module restore its factory settings, then reads its "
                                         "configuration (as the window's Default settings)."),
                          {output, NoHistoryOption()}, {}, 0, 0))
        return *done;
    Transfer t(inv, QStringLiteral("Reading"));
    if (auto failed = OpenSession(inv, t.session)) return *failed;
    // What the module holds goes to a restore point before the factory settings replace it, as
    // the window keeps the module's as last read; without it the command changes nothing.
    if (!inv.parser.isSet(NoHistoryOption())) {
        t.Attach();
        if (!t.RunRead()) {
            inv.console().Err(QStringLiteral("The module's configuration could not be read for its restore point; "
                                             "its settings were not changed (--no-history skips the restore point)"));
            return FailureStatus(t);
        }
        AddRestorePoint(inv, HistoryEvent::Defaults, t.model, t.session.Description());
    }
    t.host.factoryAnswer = true;  // running the command is the answer to the question
    const bool whole = t.transfer.FactoryDefault();
    t.progress.reset();
    if (!whole) return FailureStatus(t);
    AddRestorePoint(inv, HistoryEvent::Read, t.model, t.session.Description());
    if (inv.parser.isSet(output)) {
        if (auto failed = SaveTo(inv, t.model, inv.parser.value(output))) return *failed;
    }
    return EXIT_OK;
}

int RunDiff(Invocation& inv, const QStringList& args) {
    if (auto done = Parse(inv, args,
                          QStringLiteral("Reads the module's configuration and shows the fields where FILE.cfg "
                                         "differs from it. Exit status 1 when any do."),
                          {kJson}, QStringLiteral("FILE.cfg"), 1, 1))
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
    if (!t.RunRead()) return JsonResult(inv, FailureStatus(t), t);
    const QList<ConfigDifference> diffs = DiffConfigs(file, t.model);
    PrintDifferences(inv, diffs, inv.parser.isSet(kJson));
    return diffs.isEmpty() ? EXIT_OK : EXIT_FAILED;
}

}  // namespace relvane::cli

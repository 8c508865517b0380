// The steps of a station recipe on one module, over the cores the command line uses.

#include "config/ConfigDiff.h"
#include "config/ConfigFile.h"
#include "config/Cp1252.h"
#include "protocol/BlockCodec.h"
#include "station/FirmwareSteps.h"
#include "station/HeadlessTransfer.h"
#include "station/ModuleSteps.h"
#include "station/Session.h"
#include "station/StationSlot.h"

#include <QDate>

namespace relvane {

namespace {

// The file's configuration as the module holds it once uploaded: every block encoded as the
// upload sends it and decoded as a read takes it (a value the file leaves empty goes out as 0).
void AsUploaded(ConfigModel& file, ConfigModel& out) {
    out.Assign(file);
    for (const BlockRef& b : AllConfigBlocks()) {
        if (b.kind == BlockKind::BoxName) continue;
        if (const auto frame = EncodeConfigBlock(file, b.kind, b.index)) DecodeConfigBlock(out, frame->data(), frame->length());
    }
}

constexpr int kBootloaderPromptMs = 10000;  // from REBOOT_REQ to the bootloader's prompt
constexpr int kTransferStallMs = 5000;      // a configuration transfer without a block this long
}  // namespace

bool StationSlot::StepConnect(Session& session, ModuleRecord& record, QString* message) {
    if (!session.WaitForAnswer(options_.answerTimeoutMs, &version_)) {
        *message = QStringLiteral("no answer");
        return false;
    }
    ConfigModel names;
    if (ReadBoxName(session, names)) record.boxName = Cp1252ToString(names.BoxName());
    *message = QStringLiteral("version %1").arg(QString::fromLatin1(version_));
    return true;
}

bool StationSlot::StepFirmware(Session& session, QString* message) {
    ProgramOptions o;
    o.reboot = true;
    o.promptTimeoutMs = kBootloaderPromptMs;
    o.failOnLinkLoss = true;
    const ProgramResult r = ProgramFirmware(
        session, options_.recipe.firmwareFile, o, [this](long long d, long long t) { Progress(d, t); }, {});
    switch (r.end) {
    case ProgramEnd::Updated:
        break;
    case ProgramEnd::Refused:
        *message = r.message;
        return false;
    case ProgramEnd::Interrupted:
        *message = QStringLiteral("stopped");
        return false;
    case ProgramEnd::Aborted:
        *message = QStringLiteral("the bootloader aborted the transfer");
        return false;
    case ProgramEnd::Stalled:
        *message = QStringLiteral("no answer from the bootloader during programming");
        return false;
    case ProgramEnd::NoBootloader:
        *message = QStringLiteral("no answer from the bootloader");
        return false;
    case ProgramEnd::LinkLost:
        *message = QStringLiteral("link lost");
        return false;
    }
    // The new firmware starts: the module answers again before anything else is asked.
    if (!session.WaitForAnswer(options_.answerTimeoutMs, &version_)) {
        *message = QStringLiteral("no answer after programming");
        return false;
    }
    *message = QStringLiteral("programmed; version %1").arg(QString::fromLatin1(version_));
    return true;
}

bool StationSlot::StepCompare(Session& session, QString* message) {
    const CompareResult r = CompareFirmware(
        session, options_.recipe.firmwareFile, version_, [this](long long d, long long t) { Progress(d, t); }, {}, true);
    switch (r.end) {
    case CompareEnd::Identical:
        *message = QStringLiteral("0000-FBFF identical");
        return true;
    case CompareEnd::Different:
        *message = r.message;
        return false;
    case CompareEnd::NoContact:
        *message = QStringLiteral("no answer");
        return false;
    case CompareEnd::Refused:
        *message = r.message;
        return false;
    case CompareEnd::Interrupted:
        *message = QStringLiteral("stopped");
        return false;
    case CompareEnd::LinkLost:
        *message = QStringLiteral("link lost");
        return false;
    }
    return false;
}

bool StationSlot::StepConfig(Session& session, ModuleRecord& record, QString* message) {
    QStringList said;
    const auto say = [&said](const QString& text) { said << text; };
    ConfigModel file;
    QString error;
    if (!LoadConfigFile(file, options_.recipe.configFile, &error)) {
        *message = error;
        return false;
    }
    const auto reason = [&](HeadlessTransferHost& host, const QString& what) {
        if (!host.cancelReason.isEmpty()) return host.cancelReason;
        if (!said.isEmpty()) return what + QStringLiteral(": ") + said.last().trimmed();
        return what + QStringLiteral(" did not finish");
    };
    {
        HeadlessTransfer upload(session, say, [this](int b, int t) { Progress(b, 2LL * t); });
        upload.host.stallMs = kTransferStallMs;
        upload.model.Assign(file);
        // Files hold no box name: the module keeps its own.
        upload.model.SetBoxName(StringToCp1252(record.boxName));
        if (!upload.Upload() || upload.host.lastEnd != ProgressEnd::Finished) {
            *message = reason(upload.host, QStringLiteral("upload"));
            return false;
        }
    }
    said.clear();
    HeadlessTransfer readBack(session, say, [this](int b, int t) { Progress(t + b, 2LL * t); });
    readBack.host.stallMs = kTransferStallMs;
    if (!readBack.Read()) {
        *message = reason(readBack.host, QStringLiteral("read-back"));
        return false;
    }
    record.boxName = Cp1252ToString(readBack.model.BoxName());
    ConfigModel expected;
    AsUploaded(file, expected);
    const QList<ConfigDifference> diffs = DiffConfigs(expected, readBack.model);
    if (!diffs.isEmpty()) {
        *message = QStringLiteral("%1 field(s) differ from the file after the upload, first: %2")
                       .arg(diffs.size())
                       .arg(DifferenceLine(diffs.first()));
        return false;
    }
    *message = QStringLiteral("uploaded and read back, 113 blocks");
    return true;
}

bool StationSlot::StepSystem(Session& session, ModuleRecord& record, QString* message) {
    const Recipe& r = options_.recipe;
    QString error;
    std::optional<qint64> serial;
    if (r.askSerial) {
        serial = AskSerial(session);
        if (!serial) {
            *message = Stopped() ? QStringLiteral("stopped") : QStringLiteral("no serial number given");
            return false;
        }
        if (!store_.ReserveTyped(*serial, record.runId, &error)) {
            *message = error;
            return false;
        }
    } else {
        serial = store_.NextSerial(r.serialStart, record.runId, &error);
        if (!serial) {
            *message = error;
            return false;
        }
        record.serialCounter = r.serialStart;
    }
    // The number is given to this module from here on, also when it fails.
    record.serial = serial;
    int isoYear = 0;
    const int week = QDate::currentDate().weekNumber(&isoYear);
    if (isoYear < 2006 || isoYear > 2099) {
        *message = QStringLiteral("the date's year %1 cannot be stored (2006-2099)").arg(isoYear);
        return false;
    }
    SystemData data;
    data.serial = std::uint32_t(*serial);
    data.week = std::uint8_t(week);
    data.yearSince2000 = std::uint8_t(isoYear - 2000);
    data.hardwareVersion = std::uint8_t(r.hardwareVersion);
    const SystemStepResult result = WriteSystemData(session, data);
    if (!result.ok) {
        *message = result.message;
        return false;
    }
    *message = QStringLiteral("serial %1, year %2, week %3, hardware %4")
                   .arg(SerialText(data.serial), YearText(data.yearSince2000), TwoDigitText(data.week),
                        TwoDigitText(data.hardwareVersion));
    return true;
}

bool StationSlot::StepPing(Session& session, QString* message) {
    const Recipe& r = options_.recipe;
    const PingResult p = RunPingTest(session, r.pingCount, r.pingIntervalMs, {},
                                     [this](int d, int t) { Progress(d, t); }, true);
    if (p.interrupted) {
        *message = QStringLiteral("stopped");
        return false;
    }
    if (p.linkLost) {
        *message = QStringLiteral("link lost");
        return false;
    }
    *message = QStringLiteral("%1 pings, %2 errors (mismatches %3, time-outs %4, checksum errors %5), at most %6 allowed")
                   .arg(p.sent)
                   .arg(p.Errors())
                   .arg(p.mismatches)
                   .arg(p.timeouts)
                   .arg(p.checksumErrors)
                   .arg(r.pingMaxErrors);
    return p.Errors() <= r.pingMaxErrors;
}

bool StationSlot::StepReboot(Session& session, QString* message) {
    if (!RebootModule(session)) {
        *message = QStringLiteral("no answer to the reboot request");
        return false;
    }
    *message = QStringLiteral("rebooted");
    return true;
}

}  // namespace relvane

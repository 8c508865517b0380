// status, monitor and ping: the commands that watch the running module.

#include "can/CanLogFormats.h"
#include "cli/CanLog.h"
#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/StatusTable.h"
#include "config/ConfigFile.h"
#include "monitor/ServiceConsoles.h"
#include "station/ModuleSteps.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace relvane::cli {

// --- status ------------------------------------------------------------------------------------

namespace {

class LiveCollector : public MainFrameHandler {
public:
    void OnStatusSum(const StatusSummary& s) override { snapshot.summary = s; }
    void OnInputState(const InputStates& s) override { snapshot.inputs = s; }
    void OnChannelState(const ChannelState& s) override {
        if (s.valid && s.channel >= 1 && s.channel <= 34) snapshot.channels[static_cast<std::size_t>(s.channel - 1)] = s;
    }
    LiveSnapshot snapshot;
};

// One round of the live poll, spaced like the window's 150 ms poll, then up to a second more
// for the answers.
LiveSnapshot Poll(Session& session, LiveCollector& collector) {
    collector.snapshot = {};
    session.Send(BuildStatusSumRequest());
    session.Pause(150);
    session.Send(BuildChannelStateRequest());
    session.Pause(150);
    session.Send(BuildInputStateRequest());
    session.WaitUntil([&] { return collector.snapshot.Complete(); }, 1000);
    return collector.snapshot;
}

}  // namespace

int RunStatus(Invocation& inv, const QStringList& args) {
    const QCommandLineOption watch(QStringLiteral("watch"), QStringLiteral("Refresh the table until interrupted."));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Milliseconds between refreshes (default 1000)."),
                                      QStringLiteral("MS"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("With --watch: stop after N tables."),
                                   QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object a table (with --watch: JSON Lines)."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Shows the live values: outputs with state, current and fault; inputs; "
                                         "CAN inputs; total current, supply voltage, temperature, errors."),
                          {watch, interval, count, json}, {}, 0, 0))
        return *done;
    const auto every = IntOption(inv, interval, 1000, 0);
    const auto limit = IntOption(inv, count, 0, 1);
    if (!every || !limit) return EXIT_USAGE;

    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;
    LiveCollector collector;
    session.dispatcher().AddHandler(&collector);

    const bool watching = inv.parser.isSet(watch);
    int shown = 0;
    int status = EXIT_OK;
    while (true) {
        QElapsedTimer round;
        round.start();
        const LiveSnapshot snap = Poll(session, collector);
        if (session.Interrupted()) break;
        if (snap.Empty()) {
            inv.console().Err(QStringLiteral("No answer from the module"));
            status = EXIT_FAILED;
            if (!watching) break;
        } else {
            const QStringList table = StatusTable(snap);
            if (inv.parser.isSet(json)) {
                inv.console().Out(JsonLine(StatusJson(snap)));
            } else if (watching && inv.console().OutIsTerminal()) {
                // Redraw in place: cursor home, clear the screen.
                inv.console().OutRaw(QStringLiteral("\x1b[H\x1b[2J") + table.join(QLatin1Char('\n')) + QLatin1Char('\n'));
            } else {
                if (shown > 0) inv.console().Out(QString());
                for (const QString& line : table) inv.console().Out(line);
            }
            status = snap.Complete() ? EXIT_OK : EXIT_FAILED;
            if (!snap.Complete()) inv.console().Err(QStringLiteral("Some live values did not arrive"));
        }
        ++shown;
        if (!watching || (*limit > 0 && shown >= *limit)) break;
        const qint64 rest = *every - round.elapsed();
        if (rest > 0) session.Pause(static_cast<int>(rest));
        if (session.Interrupted()) break;
    }
    session.dispatcher().RemoveHandler(&collector);
    return status;
}

// --- monitor -----------------------------------------------------------------------------------

namespace {

enum class LogFormat { Text, Candump, Json, Asc, Trc };

// The format of --format, or, without it, the one the extension of -o names (.asc, .trc).
std::optional<LogFormat> ChooseFormat(const QString& given, const QString& outputPath) {
    const QString name = given.isEmpty() ? QFileInfo(outputPath).suffix().toLower() : given;
    if (name == QLatin1String("candump")) return LogFormat::Candump;
    if (name == QLatin1String("json")) return LogFormat::Json;
    if (name == QLatin1String("asc")) return LogFormat::Asc;
    if (name == QLatin1String("trc")) return LogFormat::Trc;
    if (name == QLatin1String("text") || given.isEmpty()) return LogFormat::Text;
    return std::nullopt;
}

class MonitorWriter : public MainFrameHandler {
public:
    MonitorWriter(Console& console, LogFormat format, QFile* file, const ConfigModel* names, const DbcDatabase* dbc)
        : console_(console), format_(format), file_(file), names_(names), dbc_(dbc) {}

    // The start of measurement: the header of the ASC and TRC formats.
    void Begin() {
        start_ = QDateTime::currentDateTime();
        clock_.start();
        if (format_ == LogFormat::Asc) Write(AscHeader(start_));
        if (format_ == LogFormat::Trc) Write(TrcHeader(start_));
    }
    void End() {
        if (format_ == LogFormat::Asc) Write(AscFooter());
    }

    void OnCanMonitor(const CanMonitorMessage& m) override {
        const qint64 ns = clock_.nsecsElapsed();
        ++count;
        switch (format_) {
        case LogFormat::Text: Write({MonitorTextLine(m, QTime::currentTime(), names_, dbc_)}); break;
        case LogFormat::Candump:
            // Wall-clock milliseconds plus a monotonic sub-millisecond part, so lines within one
            // millisecond keep their order.
            Write({CandumpLine(m, QDateTime::currentDateTimeUtc().toMSecsSinceEpoch() * 1000 + (ns / 1000) % 1000)});
            break;
        case LogFormat::Json:
            Write({JsonLine(CanMessageJson(m, QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                                           CanInputNames(m, names_)))});
            break;
        case LogFormat::Asc: Write({AscFrameLine(double(ns) / 1e9, CanLogFrame::FromMonitor(m))}); break;
        case LogFormat::Trc: Write({TrcFrameLine(count, double(ns) / 1e6, CanLogFrame::FromMonitor(m))}); break;
        }
    }
    int count = 0;

private:
    void Write(const QStringList& lines) {
        for (const QString& line : lines) {
            console_.Out(line);
            if (!file_) continue;
            // The window's log file and the Windows tools' formats have CR LF line ends; candump
            // and JSON Lines logs LF.
            const bool lf = format_ == LogFormat::Candump || format_ == LogFormat::Json;
            file_->write(line.toUtf8() + (lf ? "\n" : "\r\n"));
        }
        if (file_) file_->flush();
    }

    Console& console_;
    LogFormat format_;
    QFile* file_;
    const ConfigModel* names_;
    const DbcDatabase* dbc_;
    QDateTime start_;
    QElapsedTimer clock_;
};

}  // namespace

int RunMonitor(Invocation& inv, const QStringList& args) {
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("What the module forwards: off, active, all (default) or a CAN "
                                                 "input number 1 to 32."),
                                  QStringLiteral("MODE"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("text (the window's lines, default), candump, json (JSON Lines), asc "
                                                   "(Vector ASC) or trc (PEAK TRC 1.1); without it a FILE ending in "
                                                   ".asc or .trc picks that format."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Also write the lines to FILE: appended for text, candump and json, "
                                                   "a new file for asc and trc."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption names(QStringLiteral("config"),
                                   QStringLiteral("Name the CAN inputs of text lines after this configuration file."),
                                   QStringLiteral("FILE.cfg"));
    const QCommandLineOption dbc(QStringLiteral("dbc"),
                                 QStringLiteral("Decode the messages this CAN database knows: text lines end in their "
                                                "signals, \"name=value unit\"."),
                                 QStringLiteral("FILE.dbc"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Stop after N messages."),
                                   QStringLiteral("N"));
    const QCommandLineOption duration(QStringLiteral("duration"), QStringLiteral("Stop after SECONDS."),
                                      QStringLiteral("SECONDS"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("The same as --format json."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Shows the CAN traffic the module forwards, one line a message, until "
                                         "interrupted. Lines are written through one at a time."),
                          {mode, format, output, names, dbc, count, duration, json}, {}, 0, 0))
        return *done;
    const std::optional<int> selection = MonitorSelection(inv.parser.isSet(mode) ? inv.parser.value(mode) : QStringLiteral("all"));
    if (!selection) return UsageError(inv, QStringLiteral("--mode takes off, active, all or 1 to 32, not \"%1\"").arg(inv.parser.value(mode)));
    const QString fmt = inv.parser.isSet(json) ? QStringLiteral("json") : inv.parser.value(format);
    const std::optional<LogFormat> logFormat = ChooseFormat(fmt, inv.parser.value(output));
    if (!logFormat)
        return UsageError(inv, QStringLiteral("--format takes text, candump, json, asc or trc, not \"%1\"").arg(fmt));
    const auto maxCount = IntOption(inv, count, 0, 1);
    const auto seconds = IntOption(inv, duration, 0, 1);
    if (!maxCount || !seconds) return EXIT_USAGE;

    ConfigModel model;
    const ConfigModel* nameSource = nullptr;
    if (inv.parser.isSet(names)) {
        const QString path = ConfigFilePath(inv.parser.value(names));
        QString error;
        if (!QFileInfo(path).isFile()) return UsageError(inv, QStringLiteral("no configuration file %1").arg(path));
        if (!LoadConfigFile(model, path, &error)) {
            inv.console().Err(error);
            return EXIT_FAILED;
        }
        nameSource = &model;
    }
    DbcDatabase database;
    if (inv.parser.isSet(dbc)) {
        if (auto failed = LoadDbc(inv, inv.parser.value(dbc), database)) return *failed;
    }
    QFile file;
    if (inv.parser.isSet(output)) {
        file.setFileName(inv.parser.value(output));
        // ASC and TRC are whole files with a header of their own: a new run starts a new file.
        const bool whole = *logFormat == LogFormat::Asc || *logFormat == LogFormat::Trc;
        if (!file.open(QIODevice::WriteOnly | (whole ? QIODevice::Truncate : QIODevice::Append))) {
            // The window stays silent here; a script must know its log is not written.
            inv.console().Err(QStringLiteral("Unable to open %1 for writing").arg(file.fileName()));
            return EXIT_FAILED;
        }
    }

    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;
    MonitorWriter writer(inv.console(), *logFormat, file.isOpen() ? &file : nullptr, nameSource,
                         inv.parser.isSet(dbc) ? &database : nullptr);
    session.dispatcher().AddHandler(&writer);
    writer.Begin();
    const MonitorModeRequest request = BuildCanMonitorModeRequest(*selection);
    SendFrame(session.tx(), request.data(), request.count);
    session.WaitUntil([&] { return *maxCount > 0 && writer.count >= *maxCount; },
                      *seconds > 0 ? *seconds * 1000 : -1);
    // Leave the module quiet: forwarding would otherwise go on after the command has ended.
    if (*selection != 0) {
        const MonitorModeRequest off = BuildCanMonitorModeRequest(0);
        SendFrame(session.tx(), off.data(), off.count);
        session.Drain();
    }
    session.dispatcher().RemoveHandler(&writer);
    writer.End();
    return EXIT_OK;
}

// --- ping --------------------------------------------------------------------------------------

int RunPing(Invocation& inv, const QStringList& args) {
    const QCommandLineOption number({QStringLiteral("n"), QStringLiteral("count")},
                                    QStringLiteral("Number of pings (default 10)."), QStringLiteral("COUNT"));
    const QCommandLineOption interval({QStringLiteral("i"), QStringLiteral("interval")},
                                      QStringLiteral("Timer interval in ms (default 500); a ping without an answer "
                                                     "times out after 50 intervals."),
                                      QStringLiteral("MS"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Only the counts, as one JSON object."));
    if (auto done = Parse(inv, args,
                          QStringLiteral("Runs the ping test: pings with random data, each answer compared with its "
                                         "request. Exit status 1 when any answer differs or times out."),
                          {number, interval, json}, {}, 0, 0))
        return *done;
    const auto pings = IntOption(inv, number, 10, 1);
    const auto ms = IntOption(inv, interval, 500, 1);
    if (!pings || !ms) return EXIT_USAGE;

    Session session(inv.context.backend, inv.console(), inv.context.interrupted);
    if (auto failed = OpenSession(inv, session)) return *failed;
    const bool asJson = inv.parser.isSet(json);
    const PingResult r = RunPingTest(session, *pings, *ms, [&](const QString& line) {
        if (!asJson) inv.console().Out(line);
    });
    const bool ok = !r.interrupted && r.mismatches == 0 && r.timeouts == 0 && r.sent == *pings;
    if (asJson)
        inv.console().Out(JsonLine(QJsonObject{{QStringLiteral("pings"), r.sent},
                                               {QStringLiteral("mismatches"), r.mismatches},
                                               {QStringLiteral("timeouts"), r.timeouts},
                                               {QStringLiteral("checksum_errors"), r.checksumErrors},
                                               {QStringLiteral("result"), ok ? QStringLiteral("ok") : QStringLiteral("failed")}}));
    else
        inv.console().Out(QStringLiteral("Pings: %1, mismatches: %2, time-outs: %3, checksum errors: %4")
                              .arg(r.sent)
                              .arg(r.mismatches)
                              .arg(r.timeouts)
                              .arg(r.checksumErrors));
    return ok ? EXIT_OK : EXIT_FAILED;
}

}  // namespace relvane::cli

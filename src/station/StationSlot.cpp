#include "station/StationSlot.h"

#include "station/Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUuid>

namespace relvane {

StationSlot::StationSlot(AdapterBackend& backend, RecordStore& store, const StationOptions& options, QString adapter,
                         const std::atomic<bool>& stop)
    : backend_(backend), store_(store), options_(options), adapter_(std::move(adapter)), stop_(stop) {
    thread_.setObjectName(QStringLiteral("station ") + adapter_);
}

StationSlot::~StationSlot() { Wait(); }

void StationSlot::Start() {
    moveToThread(&thread_);
    connect(&thread_, &QThread::started, this, &StationSlot::Run, Qt::DirectConnection);
    thread_.start();
}

void StationSlot::Wait() {
    if (thread_.isRunning()) thread_.wait();
}

void StationSlot::ProvideSerial(qint64 serial) {
    QMutexLocker lock(&serialMutex_);
    typedSerial_ = serial;
}

void StationSlot::Emit(StationEvent::Kind kind, const QString& step, const QString& message) {
    StationEvent e;
    e.kind = kind;
    e.adapter = adapter_;
    e.step = step;
    e.message = message;
    Q_EMIT slotEvent(e);
}

void StationSlot::Progress(long long done, long long total) {
    const int percent = total > 0 ? int(std::clamp(done * 100 / total, 0LL, 100LL)) : 0;
    if (percent == percent_) return;
    percent_ = percent;
    StationEvent e;
    e.kind = StationEvent::StepProgress;
    e.adapter = adapter_;
    e.step = step_;
    e.percent = percent;
    Q_EMIT slotEvent(e);
}

namespace {
bool AdapterPresent(AdapterBackend& backend, const QString& description) {
    QList<AdapterInfo> adapters;
    if (!backend.ListAdapters(adapters)) return false;
    for (const AdapterInfo& a : adapters)
        if (a.detailsOk && a.description == description) return true;
    return false;
}
}  // namespace

void StationSlot::Run() {
    {
        Session session(backend_, {}, [this] { return Stopped(); });
        session.link().SetFastLink(options_.fastLink || options_.recipe.fastLink);
        for (int n = 0; !Stopped() && (options_.count <= 0 || n < options_.count); ++n) {
            Emit(StationEvent::Waiting);
            // The adapter present and its link open: a module can answer. The adapters are
            // listed every 250 ms; one present that does not open is said once.
            QElapsedTimer sinceLook;
            bool toldBusy = false;
            session.WaitUntil(
                [&] {
                    if (session.link().State() == LINK_OPEN && !session.LinkLost()) return true;
                    if (session.link().State() != LINK_CLOSED || (sinceLook.isValid() && sinceLook.elapsed() < 250))
                        return false;
                    sinceLook.start();
                    if (!AdapterPresent(backend_, adapter_)) return false;
                    if (session.OpenAdapter(adapter_)) return true;
                    if (!toldBusy)
                        Emit(StationEvent::Message, {},
                             QStringLiteral("the adapter cannot be opened (%1); trying again")
                                 .arg(session.link().LastOpenError().text.isEmpty() ? QStringLiteral("busy or no permission")
                                                                                      : session.link().LastOpenError().text));
                    toldBusy = true;
                    return false;
                },
                -1);
            if (Stopped()) break;
            const int lossesBefore = session.Losses();
            const int nextBefore = next_.load();
            const ModuleRecord record = RunModule(session);
            QString error;
            if (!store_.Record(record, &error))
                Emit(StationEvent::Message, {}, QStringLiteral("the record of this module could not be kept: %1").arg(error));
            StationEvent ended;
            ended.kind = StationEvent::ModuleEnded;
            ended.adapter = adapter_;
            ended.pass = record.pass;
            ended.step = record.failedStep;
            ended.message = record.reason;
            ended.serial = record.serial;
            ended.record = record;
            Q_EMIT slotEvent(ended);
            if (Stopped() || (options_.count > 0 && n + 1 >= options_.count)) break;
            Emit(StationEvent::Replace);
            // The module is replaced when its link went and came back, or on Enter.
            session.WaitUntil(
                [&] {
                    return next_.load() != nextBefore ||
                           (session.Losses() > lossesBefore && !session.LinkLost() && session.link().State() == LINK_OPEN);
                },
                -1);
        }
    }
    store_.CloseThread();
    Emit(StationEvent::SlotEnded);
    thread_.quit();
}

ModuleRecord StationSlot::RunModule(Session& session) {
    ModuleRecord record;
    runId_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
    record.runId = runId_;
    record.adapter = adapter_;
    record.station = options_.stationName.isEmpty() ? options_.recipe.stationName : options_.stationName;
    record.operatorName = options_.operatorName.isEmpty() ? options_.recipe.operatorName : options_.operatorName;
    const Recipe& r = options_.recipe;
    if (r.firmware) {
        record.firmwareFile = r.firmwareFile;
        record.firmwareSha256 = r.firmwareSha256;
    }
    if (r.config) {
        record.configFile = r.configFile;
        record.configSha256 = r.configSha256;
    }
    record.started = QDateTime::currentDateTimeUtc();
    record.pass = true;
    version_.clear();
    for (const QString& step : r.Steps()) {
        step_ = step;
        percent_ = -1;
        if (step != QLatin1String("connect")) Emit(StationEvent::StepStarted, step);
        QElapsedTimer clock;
        clock.start();
        QString message;
        bool pass = false;
        if (Stopped()) message = QStringLiteral("stopped");
        else if (step == QLatin1String("connect")) pass = StepConnect(session, record, &message);
        else if (step == QLatin1String("firmware")) pass = StepFirmware(session, &message);
        else if (step == QLatin1String("compare")) pass = StepCompare(session, &message);
        else if (step == QLatin1String("config")) pass = StepConfig(session, record, &message);
        else if (step == QLatin1String("system")) pass = StepSystem(session, record, &message);
        else if (step == QLatin1String("ping")) pass = StepPing(session, &message);
        else if (step == QLatin1String("reboot")) pass = StepReboot(session, &message);
        // Whatever a step saw last, a stop or a pulled cable is the reason it ended.
        if (!pass && Stopped()) message = QStringLiteral("stopped");
        else if (!pass && session.LinkLost()) message = QStringLiteral("link lost");
        if (step == QLatin1String("connect") && pass) Emit(StationEvent::ModuleStarted, {}, message);
        StepRecord s{step, pass, message, clock.elapsed()};
        record.steps << s;
        StationEvent e;
        e.kind = StationEvent::StepEnded;
        e.adapter = adapter_;
        e.step = step;
        e.pass = pass;
        e.message = message;
        e.durationMs = s.durationMs;
        Q_EMIT slotEvent(e);
        if (!pass) {
            record.pass = false;
            record.failedStep = step;
            record.reason = message;
            break;
        }
    }
    record.ended = QDateTime::currentDateTimeUtc();
    return record;
}

std::optional<qint64> StationSlot::AskSerial(Session& session) {
    {
        QMutexLocker lock(&serialMutex_);
        typedSerial_.reset();
    }
    asking_ = true;
    Emit(StationEvent::SerialNeeded, QStringLiteral("system"));
    std::optional<qint64> serial;
    session.WaitUntil(
        [&] {
            QMutexLocker lock(&serialMutex_);
            serial = typedSerial_;
            return serial.has_value() || session.LinkLost();
        },
        -1);
    asking_ = false;
    return serial;
}

}  // namespace relvane

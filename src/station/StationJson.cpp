#include "station/StationJson.h"

#include "station/Recipe.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace relvane {

namespace {
QJsonValue OptionalNumber(const std::optional<qint64>& v) { return v ? QJsonValue(double(*v)) : QJsonValue(); }
QString Result(bool pass) { return pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"); }

QString Csv(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) && !field.contains(QLatin1Char('\n')) &&
        !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

const QStringList kRunColumns = {
    QStringLiteral("run_id"),       QStringLiteral("serial"),        QStringLiteral("box_name"),
    QStringLiteral("adapter"),      QStringLiteral("station"),       QStringLiteral("operator"),
    QStringLiteral("firmware_file"), QStringLiteral("firmware_sha256"), QStringLiteral("config_file"),
    QStringLiteral("config_sha256"), QStringLiteral("result"),       QStringLiteral("failed_step"),
    QStringLiteral("reason"),       QStringLiteral("started"),       QStringLiteral("ended")};
}  // namespace

QJsonObject RecordJson(const ModuleRecord& r) {
    QJsonArray steps;
    for (const StepRecord& s : r.steps)
        steps.append(QJsonObject{{QStringLiteral("step"), s.step},
                                 {QStringLiteral("result"), Result(s.pass)},
                                 {QStringLiteral("message"), s.message},
                                 {QStringLiteral("duration_ms"), double(s.durationMs)}});
    return QJsonObject{{QStringLiteral("run_id"), r.runId},
                       {QStringLiteral("serial"), OptionalNumber(r.serial)},
                       {QStringLiteral("box_name"), r.boxName},
                       {QStringLiteral("adapter"), r.adapter},
                       {QStringLiteral("station"), r.station},
                       {QStringLiteral("operator"), r.operatorName},
                       {QStringLiteral("firmware_file"), r.firmwareFile},
                       {QStringLiteral("firmware_sha256"), r.firmwareSha256},
                       {QStringLiteral("config_file"), r.configFile},
                       {QStringLiteral("config_sha256"), r.configSha256},
                       {QStringLiteral("result"), Result(r.pass)},
                       {QStringLiteral("failed_step"), r.failedStep},
                       {QStringLiteral("reason"), r.reason},
                       {QStringLiteral("started"), StoredTime(r.started)},
                       {QStringLiteral("ended"), StoredTime(r.ended)},
                       {QStringLiteral("steps"), steps}};
}

QByteArray EventJsonLine(const StationEvent& e) {
    QJsonObject o{{QStringLiteral("event"), EventName(e.kind)}, {QStringLiteral("time"), StoredTime(e.time)}};
    if (!e.adapter.isEmpty()) o.insert(QStringLiteral("adapter"), e.adapter);
    switch (e.kind) {
    case StationEvent::StepStarted:
        o.insert(QStringLiteral("step"), e.step);
        break;
    case StationEvent::StepProgress:
        o.insert(QStringLiteral("step"), e.step);
        o.insert(QStringLiteral("percent"), e.percent);
        break;
    case StationEvent::StepEnded:
        o.insert(QStringLiteral("step"), e.step);
        o.insert(QStringLiteral("result"), Result(e.pass));
        o.insert(QStringLiteral("message"), e.message);
        o.insert(QStringLiteral("duration_ms"), double(e.durationMs));
        break;
    case StationEvent::ModuleEnded:
        o.insert(QStringLiteral("result"), Result(e.pass));
        o.insert(QStringLiteral("record"), RecordJson(e.record));
        break;
    case StationEvent::ModuleStarted:
    case StationEvent::Message:
        o.insert(QStringLiteral("message"), e.message);
        break;
    default:
        break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString RecordCsvHeader() {
    QStringList columns = kRunColumns;
    for (const QString& step : kStationSteps)
        columns << step + QStringLiteral("_result") << step + QStringLiteral("_message") << step + QStringLiteral("_ms");
    return columns.join(QLatin1Char(','));
}

QString RecordCsvRow(const ModuleRecord& r) {
    QStringList fields{r.runId,
                       r.serial ? QString::number(*r.serial) : QString(),
                       r.boxName,
                       r.adapter,
                       r.station,
                       r.operatorName,
                       r.firmwareFile,
                       r.firmwareSha256,
                       r.configFile,
                       r.configSha256,
                       Result(r.pass),
                       r.failedStep,
                       r.reason,
                       StoredTime(r.started),
                       StoredTime(r.ended)};
    for (const QString& step : kStationSteps) {
        const auto s = std::find_if(r.steps.begin(), r.steps.end(), [&](const StepRecord& x) { return x.step == step; });
        if (s == r.steps.end()) fields << QString() << QString() << QString();
        else fields << Result(s->pass) << s->message << QString::number(s->durationMs);
    }
    for (QString& f : fields) f = Csv(f);
    return fields.join(QLatin1Char(','));
}

}  // namespace relvane

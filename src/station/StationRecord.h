#pragma once
// One module's run at the station, as it is recorded.

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace relvane {

struct StepRecord {
    QString step;        // "connect", "firmware", "compare", "config", "system", "ping", "reboot"
    bool pass = false;
    QString message;     // what happened, or why it failed
    qint64 durationMs = 0;
};

struct ModuleRecord {
    QString runId;                  // unique: a station, a slot and a time never repeat it
    std::optional<qint64> serial;   // the serial number given to the module, if one was
    std::optional<qint64> serialCounter;  // the serial_start of the counter that gave it
    QString boxName;
    QString adapter;
    QString station;
    QString operatorName;
    QString firmwareFile;
    QString firmwareSha256;
    QString configFile;
    QString configSha256;
    bool pass = false;
    QString failedStep;
    QString reason;
    QDateTime started;  // UTC
    QDateTime ended;    // UTC
    QList<StepRecord> steps;
};

// Times as they are stored: ISO 8601 UTC with milliseconds, "2026-12-09T19:43:31.123Z", so
// they sort as text in either database.
QString StoredTime(const QDateTime& t);
QDateTime FromStoredTime(const QString& text);

}  // namespace relvane

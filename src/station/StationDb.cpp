#include "station/StationDb.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <atomic>

namespace relvane {

QString StoredTime(const QDateTime& t) { return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")); }

QDateTime FromStoredTime(const QString& text) {
    // Stored with their "Z", so they read back as UTC.
    return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC();
}

QString DbTarget::Display() const {
    if (kind == SQLite) return path;
    QString s = QStringLiteral("postgresql://");
    if (!user.isEmpty()) s += user + QLatin1Char('@');
    s += host.startsWith(QLatin1Char('/')) ? QString() : host;
    if (port > 0) s += QLatin1Char(':') + QString::number(port);
    s += QLatin1Char('/') + dbname;
    if (host.startsWith(QLatin1Char('/'))) s += QStringLiteral("?host=") + host;
    return s;
}

QString DefaultStationDatabase() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/relvane/station.sqlite");
}

std::optional<DbTarget> ParseDbTarget(const QString& text, QString* error) {
    DbTarget t;
    if (text.isEmpty()) {
        t.path = DefaultStationDatabase();
        return t;
    }
    if (!text.startsWith(QLatin1String("postgresql://")) && !text.startsWith(QLatin1String("postgres://"))) {
        t.path = QFileInfo(text).absoluteFilePath();
        return t;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        if (error) *error = QStringLiteral("\"%1\" is no connection URI: %2").arg(text, url.errorString());
        return std::nullopt;
    }
    t.kind = DbTarget::PostgreSQL;
    t.user = url.userName();
    t.password = url.password();
    t.host = url.host();
    t.port = url.port(-1);
    t.dbname = url.path().mid(1);
    QStringList options{QStringLiteral("connect_timeout=3")};
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) t.host = value;
        else if (key == QLatin1String("port")) t.port = value.toInt();
        else if (key == QLatin1String("user")) t.user = value;
        else if (key == QLatin1String("password")) t.password = value;
        else if (key == QLatin1String("dbname")) t.dbname = value;
        else if (key != QLatin1String("connect_timeout")) options << key + QLatin1Char('=') + value;
        else options[0] = key + QLatin1Char('=') + value;
    }
    t.options = options.join(QLatin1Char(';'));
    if (t.dbname.isEmpty()) {
        if (error) *error = QStringLiteral("\"%1\" names no database (postgresql://user@host/dbname)").arg(text);
        return std::nullopt;
    }
    return t;
}

namespace {

std::atomic<int> gNextDb{0};

QString SqlError(const QSqlError& e) {
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
}

bool Exec(QSqlQuery& q, QString* error) {
    if (q.exec()) return true;
    if (error) *error = SqlError(q.lastError());
    return false;
}

bool Exec(QSqlDatabase& db, const QString& sql, QString* error) {
    QSqlQuery q(db);
    if (q.exec(sql)) return true;
    if (error) *error = SqlError(q.lastError());
    return false;
}

// A text column: an empty text is stored as "", never as NULL.
QVariant Text(const QString& s) { return s.isNull() ? QVariant(QStringLiteral("")) : QVariant(s); }

QVariant Optional(const std::optional<qint64>& v) { return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::LongLong)); }

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS runs ("
    " run_id TEXT PRIMARY KEY, serial BIGINT, serial_counter BIGINT, box_name TEXT NOT NULL,"
    " adapter TEXT NOT NULL, station TEXT NOT NULL, operator TEXT NOT NULL,"
    " firmware_file TEXT NOT NULL, firmware_sha256 TEXT NOT NULL,"
    " config_file TEXT NOT NULL, config_sha256 TEXT NOT NULL,"
    " result TEXT NOT NULL, failed_step TEXT NOT NULL, reason TEXT NOT NULL,"
    " started_at TEXT NOT NULL, ended_at TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS steps ("
    " run_id TEXT NOT NULL REFERENCES runs(run_id), position INTEGER NOT NULL, step TEXT NOT NULL,"
    " result TEXT NOT NULL, message TEXT NOT NULL, duration_ms BIGINT NOT NULL,"
    " PRIMARY KEY (run_id, position))",
    "CREATE TABLE IF NOT EXISTS serials ("
    " serial BIGINT PRIMARY KEY, counter BIGINT, run_id TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS outbox (run_id TEXT PRIMARY KEY)",
    "CREATE INDEX IF NOT EXISTS runs_serial ON runs (serial)",
    "CREATE INDEX IF NOT EXISTS runs_started ON runs (started_at)",
    "CREATE INDEX IF NOT EXISTS serials_counter ON serials (counter)",
};

}  // namespace

StationDb::StationDb(DbTarget target)
    : target_(std::move(target)), base_(QStringLiteral("relvane-station-%1").arg(gNextDb.fetch_add(1))) {}

StationDb::~StationDb() {
    QMutexLocker lock(&mutex_);
    for (const QString& name : std::as_const(opened_)) {
        { QSqlDatabase db = QSqlDatabase::database(name, false); db.close(); }
        QSqlDatabase::removeDatabase(name);
    }
}

QString StationDb::ConnectionName() const {
    return base_ + QStringLiteral("-%1").arg(reinterpret_cast<quintptr>(QThread::currentThread()));
}

bool StationDb::Open(QString* error) {
    const QString name = ConnectionName();
    {
        QMutexLocker lock(&mutex_);
        if (!opened_.contains(name)) {
            QSqlDatabase db = QSqlDatabase::addDatabase(
                target_.kind == DbTarget::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            if (!db.isValid()) {
                if (error) *error = QStringLiteral("the Qt SQL driver for %1 is missing (install libqt6sql6-%2)")
                                        .arg(target_.kind == DbTarget::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"),
                                             target_.kind == DbTarget::SQLite ? QStringLiteral("sqlite") : QStringLiteral("psql"));
                QSqlDatabase::removeDatabase(name);
                return false;
            }
            if (target_.kind == DbTarget::SQLite) {
                QDir().mkpath(QFileInfo(target_.path).absolutePath());
                db.setDatabaseName(target_.path);
                db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
            } else {
                db.setHostName(target_.host);
                if (target_.port > 0) db.setPort(target_.port);
                db.setUserName(target_.user);
                db.setPassword(target_.password);
                db.setDatabaseName(target_.dbname);
                db.setConnectOptions(target_.options);
            }
            opened_.insert(name);
        }
    }
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isOpen() && !db.open()) {
        if (error) *error = QStringLiteral("%1: %2").arg(target_.Display(), SqlError(db.lastError()));
        return false;
    }
    // A dropped server connection shows only when it is used: check it.
    if (target_.kind == DbTarget::PostgreSQL) {
        QSqlQuery ping(db);
        if (!ping.exec(QStringLiteral("SELECT 1"))) {
            db.close();
            if (!db.open()) {
                if (error) *error = QStringLiteral("%1: %2").arg(target_.Display(), SqlError(db.lastError()));
                return false;
            }
        }
    }
    return Migrate(error);
}

void StationDb::CloseThread() {
    const QString name = ConnectionName();
    QMutexLocker lock(&mutex_);
    if (!opened_.remove(name)) return;
    { QSqlDatabase db = QSqlDatabase::database(name, false); db.close(); }
    QSqlDatabase::removeDatabase(name);
}

bool StationDb::Migrate(QString* error) {
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    QString e;
    int version = 0;
    {
        // A database that has no version table yet is version 0.
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version"))) {
            version = q.next() && !q.value(0).isNull() ? q.value(0).toInt() : 0;
        } else if (!Exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"), &e)) {
            if (error) *error = QStringLiteral("%1: %2").arg(target_.Display(), e);
            return false;
        }
    }
    if (version > STATION_SCHEMA_VERSION) {
        if (error) *error = QStringLiteral("%1: its records are of schema version %2; this program knows up to %3")
                                .arg(target_.Display()).arg(version).arg(STATION_SCHEMA_VERSION);
        return false;
    }
    if (version == STATION_SCHEMA_VERSION) return true;
    // Version 0 -> 1: the tables. Later versions add their steps here, each in its transaction.
    db.transaction();
    for (const char* sql : kSchema) {
        if (!Exec(db, QLatin1String(sql), &e)) {
            db.rollback();
            if (error) *error = QStringLiteral("%1: %2").arg(target_.Display(), e);
            return false;
        }
    }
    if (!Exec(db, QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(STATION_SCHEMA_VERSION), &e) ||
        !db.commit()) {
        db.rollback();
        // Two stations creating the schema at once: the other one won; its schema is ours.
        QSqlQuery again(db);
        if (again.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) && again.next() &&
            again.value(0).toInt() == STATION_SCHEMA_VERSION)
            return true;
        if (error) *error = QStringLiteral("%1: %2").arg(target_.Display(), e.isEmpty() ? SqlError(db.lastError()) : e);
        return false;
    }
    return true;
}

bool StationDb::Insert(const ModuleRecord& r, QString* error, bool outbox) {
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    if (!db.transaction()) {
        if (error) *error = SqlError(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO runs (run_id, serial, serial_counter, box_name, adapter, station, operator, firmware_file,"
        " firmware_sha256, config_file, config_sha256, result, failed_step, reason, started_at, ended_at)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (run_id) DO NOTHING"));
    for (const QVariant& v : {Text(r.runId), Optional(r.serial), Optional(r.serialCounter), Text(r.boxName),
                              Text(r.adapter), Text(r.station), Text(r.operatorName), Text(r.firmwareFile),
                              Text(r.firmwareSha256), Text(r.configFile), Text(r.configSha256),
                              Text(r.pass ? QStringLiteral("PASS") : QStringLiteral("FAIL")), Text(r.failedStep),
                              Text(r.reason), Text(StoredTime(r.started)), Text(StoredTime(r.ended))})
        q.addBindValue(v);
    bool ok = Exec(q, error);
    for (qsizetype i = 0; ok && i < r.steps.size(); ++i) {
        const StepRecord& s = r.steps.at(i);
        QSqlQuery sq(db);
        sq.prepare(QStringLiteral("INSERT INTO steps (run_id, position, step, result, message, duration_ms)"
                                  " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (run_id, position) DO NOTHING"));
        sq.addBindValue(r.runId);
        sq.addBindValue(int(i));
        sq.addBindValue(Text(s.step));
        sq.addBindValue(s.pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
        sq.addBindValue(Text(s.message));
        sq.addBindValue(s.durationMs);
        ok = Exec(sq, error);
    }
    if (ok && r.serial) {
        // The serial is taken for good, also when it was reserved elsewhere first.
        QSqlQuery s(db);
        s.prepare(QStringLiteral("INSERT INTO serials (serial, counter, run_id) VALUES (?, ?, ?) ON CONFLICT (serial) DO NOTHING"));
        s.addBindValue(*r.serial);
        s.addBindValue(Optional(r.serialCounter));
        s.addBindValue(r.runId);
        ok = Exec(s, error);
    }
    if (ok && outbox) {
        QSqlQuery o(db);
        o.prepare(QStringLiteral("INSERT INTO outbox (run_id) VALUES (?) ON CONFLICT (run_id) DO NOTHING"));
        o.addBindValue(r.runId);
        ok = Exec(o, error);
    }
    if (ok && db.commit()) return true;
    if (ok && error) *error = SqlError(db.lastError());
    db.rollback();
    return false;
}

bool StationDb::Contains(const QString& runId, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("SELECT 1 FROM runs WHERE run_id = ?"));
    q.addBindValue(runId);
    return Exec(q, error) && q.next();
}

std::optional<qint64> StationDb::CounterNext(qint64 start, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("SELECT MAX(serial) FROM serials WHERE counter = ?"));
    q.addBindValue(start);
    if (!Exec(q, error)) return std::nullopt;
    if (q.next() && !q.value(0).isNull()) return std::max(start, q.value(0).toLongLong() + 1);
    return start;
}

std::optional<bool> StationDb::SerialTaken(qint64 serial, QString* by, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("SELECT s.run_id, r.station, r.adapter, r.started_at FROM serials s"
                             " LEFT JOIN runs r ON r.run_id = s.run_id WHERE s.serial = ?"
                             " UNION ALL SELECT run_id, station, adapter, started_at FROM runs WHERE serial = ?"));
    q.addBindValue(serial);
    q.addBindValue(serial);
    if (!Exec(q, error)) return std::nullopt;
    if (!q.next()) return false;
    if (by) {
        *by = q.value(1).isNull() ? QStringLiteral("reserved by run %1").arg(q.value(0).toString())
                                  : QStringLiteral("recorded by station %1, adapter %2, %3")
                                        .arg(q.value(1).toString(), q.value(2).toString(), q.value(3).toString());
    }
    return true;
}

std::optional<bool> StationDb::SerialPassed(qint64 serial, QString* by, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("SELECT station, adapter, started_at FROM runs WHERE serial = ? AND result = 'PASS'"));
    q.addBindValue(serial);
    if (!Exec(q, error)) return std::nullopt;
    if (!q.next()) return false;
    if (by) *by = QStringLiteral("passed at station %1, adapter %2, %3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    return true;
}

bool StationDb::ReserveSerial(qint64 serial, std::optional<qint64> counter, const QString& runId, QString* error) {
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO serials (serial, counter, run_id) SELECT ?, ?, ?"
                             " WHERE NOT EXISTS (SELECT 1 FROM runs WHERE serial = ?)"
                             " ON CONFLICT (serial) DO NOTHING"));
    q.addBindValue(serial);
    q.addBindValue(Optional(counter));
    q.addBindValue(runId);
    q.addBindValue(serial);
    if (!Exec(q, error)) return false;
    if (q.numRowsAffected() == 1) return true;
    if (error) error->clear();
    return false;
}

namespace {
ModuleRecord RecordFrom(const QSqlQuery& q) {
    ModuleRecord r;
    r.runId = q.value(0).toString();
    if (!q.value(1).isNull()) r.serial = q.value(1).toLongLong();
    if (!q.value(2).isNull()) r.serialCounter = q.value(2).toLongLong();
    r.boxName = q.value(3).toString();
    r.adapter = q.value(4).toString();
    r.station = q.value(5).toString();
    r.operatorName = q.value(6).toString();
    r.firmwareFile = q.value(7).toString();
    r.firmwareSha256 = q.value(8).toString();
    r.configFile = q.value(9).toString();
    r.configSha256 = q.value(10).toString();
    r.pass = q.value(11).toString() == QLatin1String("PASS");
    r.failedStep = q.value(12).toString();
    r.reason = q.value(13).toString();
    r.started = FromStoredTime(q.value(14).toString());
    r.ended = FromStoredTime(q.value(15).toString());
    return r;
}
const char kRunColumns[] =
    "SELECT run_id, serial, serial_counter, box_name, adapter, station, operator, firmware_file, firmware_sha256,"
    " config_file, config_sha256, result, failed_step, reason, started_at, ended_at FROM runs";
}  // namespace

std::optional<QList<ModuleRecord>> StationDb::Records(const QDateTime& since, QString* error) {
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    QSqlQuery q(db);
    q.prepare(QLatin1String(kRunColumns) + QStringLiteral(" WHERE started_at >= ? ORDER BY started_at, run_id"));
    q.addBindValue(since.isValid() ? StoredTime(since) : QStringLiteral("0000"));
    if (!Exec(q, error)) return std::nullopt;
    QList<ModuleRecord> records;
    QHash<QString, qsizetype> index;
    while (q.next()) {
        index.insert(q.value(0).toString(), records.size());
        records << RecordFrom(q);
    }
    QSqlQuery s(db);
    s.prepare(QStringLiteral("SELECT s.run_id, s.step, s.result, s.message, s.duration_ms FROM steps s"
                             " JOIN runs r ON r.run_id = s.run_id WHERE r.started_at >= ? ORDER BY s.run_id, s.position"));
    s.addBindValue(since.isValid() ? StoredTime(since) : QStringLiteral("0000"));
    if (!Exec(s, error)) return std::nullopt;
    while (s.next()) {
        const auto at = index.find(s.value(0).toString());
        if (at == index.end()) continue;
        records[*at].steps << StepRecord{s.value(1).toString(), s.value(2).toString() == QLatin1String("PASS"),
                                         s.value(3).toString(), s.value(4).toLongLong()};
    }
    return records;
}

std::optional<ModuleRecord> StationDb::Record(const QString& runId, QString* error) {
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    QSqlQuery q(db);
    q.prepare(QLatin1String(kRunColumns) + QStringLiteral(" WHERE run_id = ?"));
    q.addBindValue(runId);
    if (!Exec(q, error)) return std::nullopt;
    if (!q.next()) {
        if (error) *error = QStringLiteral("no run %1").arg(runId);
        return std::nullopt;
    }
    ModuleRecord r = RecordFrom(q);
    QSqlQuery s(db);
    s.prepare(QStringLiteral("SELECT step, result, message, duration_ms FROM steps WHERE run_id = ? ORDER BY position"));
    s.addBindValue(runId);
    if (!Exec(s, error)) return std::nullopt;
    while (s.next())
        r.steps << StepRecord{s.value(0).toString(), s.value(1).toString() == QLatin1String("PASS"), s.value(2).toString(),
                              s.value(3).toLongLong()};
    return r;
}

bool StationDb::AddToOutbox(const QString& runId, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("INSERT INTO outbox (run_id) VALUES (?) ON CONFLICT (run_id) DO NOTHING"));
    q.addBindValue(runId);
    return Exec(q, error);
}

std::optional<QStringList> StationDb::Outbox(QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("SELECT o.run_id FROM outbox o JOIN runs r ON r.run_id = o.run_id ORDER BY r.started_at"));
    if (!Exec(q, error)) return std::nullopt;
    QStringList ids;
    while (q.next()) ids << q.value(0).toString();
    return ids;
}

bool StationDb::RemoveFromOutbox(const QString& runId, QString* error) {
    QSqlQuery q(QSqlDatabase::database(ConnectionName(), false));
    q.prepare(QStringLiteral("DELETE FROM outbox WHERE run_id = ?"));
    q.addBindValue(runId);
    return Exec(q, error);
}

}  // namespace relvane

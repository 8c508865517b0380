#pragma once
// Where a station's records go. Without a server: the SQLite file alone. With a PostgreSQL
// server: every record is first committed to the local SQLite file, which is the spool, then
// sent on; a record the server has not taken waits in the spool's outbox and is sent again
// later (a run already on the server is not written twice: runs are keyed by their id). Serial
// numbers are reserved on the server while it can be reached, else in the local file.
// Thread-safe: the station's slots call it from their own threads.

#include "station/StationDb.h"

#include <QMutex>
#include <QString>

#include <memory>
#include <optional>

namespace relvane {

class RecordStore {
public:
    // local: the SQLite file; remote: a server, or nothing.
    RecordStore(DbTarget local, std::optional<DbTarget> remote);
    ~RecordStore();

    // Opens the local file (which must work) and tries the server. False with *error when the
    // local file cannot be used; a server that cannot be reached only sets *warning.
    bool Start(QString* error, QString* warning);

    // Commits the record (to the local file first when there is a server). False with *error
    // only when it could not be kept anywhere.
    bool Record(const ModuleRecord& record, QString* error);
    // Sends what waits in the outbox; returns how many still wait (0 without a server).
    int Flush(QString* error = nullptr);
    int Pending();
    bool ServerReachable() const { return online_; }

    // Checks before the first module that the counter starting at start would not hand out a
    // number already recorded; its next number in *next.
    bool CheckCounter(qint64 start, qint64* next, QString* error);
    // The counter's next free number, reserved for this run. Nothing (with *error) when the
    // database fails or the numbers are used up.
    std::optional<qint64> NextSerial(qint64 start, const QString& runId, QString* error);
    // A typed or scanned serial number: reserved unless a module that passed has it already
    // (*error says which run).
    bool ReserveTyped(qint64 serial, const QString& runId, QString* error);

    // The thread ends: its connections go.
    void CloseThread();

    const DbTarget& Local() const { return local_->Target(); }
    const DbTarget* Remote() const { return remote_ ? &remote_->Target() : nullptr; }

private:
    // The database serials are kept in: the server when it can be reached, else the local file.
    StationDb& SerialDb();
    bool Reach();

    QMutex mutex_;
    std::unique_ptr<StationDb> local_;
    std::unique_ptr<StationDb> remote_;
    bool online_ = false;
};

}  // namespace relvane

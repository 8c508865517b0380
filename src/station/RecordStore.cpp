#include "station/RecordStore.h"

#include "station/Recipe.h"

namespace relvane {

RecordStore::RecordStore(DbTarget local, std::optional<DbTarget> remote)
    : local_(std::make_unique<StationDb>(std::move(local))) {
    if (remote) remote_ = std::make_unique<StationDb>(std::move(*remote));
}

RecordStore::~RecordStore() = default;

bool RecordStore::Start(QString* error, QString* warning) {
    QMutexLocker lock(&mutex_);
    if (!local_->Open(error)) return false;
    if (!remote_) return true;
    QString e;
    online_ = remote_->Open(&e);
    if (!online_ && warning) *warning = QStringLiteral("the record server cannot be reached (%1); records wait in %2")
                                            .arg(e, local_->Target().path);
    return true;
}

bool RecordStore::Reach() {
    if (!remote_) return false;
    QString e;
    online_ = remote_->Open(&e);
    return online_;
}

StationDb& RecordStore::SerialDb() {
    if (remote_ && Reach()) return *remote_;
    return *local_;
}

bool RecordStore::Record(const ModuleRecord& record, QString* error) {
    {
        QMutexLocker lock(&mutex_);
        if (!local_->Open(error) || !local_->Insert(record, error, remote_ != nullptr)) return false;
    }
    if (remote_) Flush();
    return true;
}

int RecordStore::Flush(QString* error) {
    QMutexLocker lock(&mutex_);
    if (!remote_) return 0;
    QString e;
    if (!local_->Open(&e)) {
        if (error) *error = e;
        return Pending();
    }
    const auto ids = local_->Outbox(&e);
    if (!ids) {
        if (error) *error = e;
        return 0;
    }
    if (ids->isEmpty()) return 0;
    if (!Reach()) {
        if (error) *error = QStringLiteral("the record server cannot be reached");
        return int(ids->size());
    }
    int left = int(ids->size());
    for (const QString& id : *ids) {
        const auto record = local_->Record(id, &e);
        // Written (or found there already: an earlier send whose answer was lost), then taken
        // off the outbox; killed in between, it is sent again and stored once.
        if (!record || !remote_->Insert(*record, &e) || !local_->RemoveFromOutbox(id, &e)) {
            online_ = remote_->Open(nullptr);
            if (error) *error = e;
            break;
        }
        --left;
    }
    return left;
}

int RecordStore::Pending() {
    QString e;
    if (!remote_ || !local_->Open(&e)) return 0;
    const auto ids = local_->Outbox(&e);
    return ids ? int(ids->size()) : 0;
}

bool RecordStore::CheckCounter(qint64 start, qint64* next, QString* error) {
    QMutexLocker lock(&mutex_);
    StationDb& db = SerialDb();
    if (!db.Open(error)) return false;
    const auto n = db.CounterNext(start, error);
    if (!n) return false;
    QString by;
    const auto taken = db.SerialTaken(*n, &by, error);
    if (!taken) return false;
    if (*taken) {
        if (error) *error = QStringLiteral("serial_start=%1 would give serial number %2, which is already recorded (%3); "
                                           "choose another serial_start").arg(start).arg(*n).arg(by);
        return false;
    }
    if (*n > kMaxSerial) {
        if (error) *error = QStringLiteral("serial_start=%1: the counter has reached the last serial number").arg(start);
        return false;
    }
    if (next) *next = *n;
    return true;
}

std::optional<qint64> RecordStore::NextSerial(qint64 start, const QString& runId, QString* error) {
    QMutexLocker lock(&mutex_);
    StationDb& db = SerialDb();
    if (!db.Open(error)) return std::nullopt;
    // Another station of the line may take a number between the look and the reservation: the
    // reservation then fails and the next number is tried.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const auto n = db.CounterNext(start, error);
        if (!n) return std::nullopt;
        if (*n > kMaxSerial) {
            if (error) *error = QStringLiteral("the counter from %1 has reached the last serial number").arg(start);
            return std::nullopt;
        }
        QString e;
        if (db.ReserveSerial(*n, start, runId, &e)) {
            // The spool keeps the reservation too, so the counter goes on when the server is away.
            if (&db != local_.get() && local_->Open(nullptr)) local_->ReserveSerial(*n, start, runId, nullptr);
            return *n;
        }
        if (!e.isEmpty()) {
            if (error) *error = e;
            return std::nullopt;
        }
        // Taken by a typed number or another counter: reserve it for the counter's count and go on.
        const auto taken = db.SerialTaken(*n, nullptr, error);
        if (!taken) return std::nullopt;
        if (*taken) {
            if (error) *error = QStringLiteral("serial number %1 is already recorded").arg(*n);
            return std::nullopt;
        }
    }
    if (error) *error = QStringLiteral("no free serial number could be reserved");
    return std::nullopt;
}

bool RecordStore::ReserveTyped(qint64 serial, const QString& runId, QString* error) {
    QMutexLocker lock(&mutex_);
    StationDb& db = SerialDb();
    if (!db.Open(error)) return false;
    // A module that failed keeps its label's number when it is tested again; one that passed
    // has it for good.
    QString by;
    const auto passed = db.SerialPassed(serial, &by, error);
    if (!passed) return false;
    if (*passed) {
        if (error) *error = QStringLiteral("serial number %1 is already recorded (%2)").arg(serial).arg(by);
        return false;
    }
    QString e;
    db.ReserveSerial(serial, std::nullopt, runId, &e);
    if (!e.isEmpty()) {
        if (error) *error = e;
        return false;
    }
    if (&db != local_.get() && local_->Open(nullptr)) local_->ReserveSerial(serial, std::nullopt, runId, nullptr);
    return true;
}

void RecordStore::CloseThread() {
    QMutexLocker lock(&mutex_);
    local_->CloseThread();
    if (remote_) remote_->CloseThread();
}

}  // namespace relvane

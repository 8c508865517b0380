#include "station/StationEngine.h"

#include "station/StationSlot.h"

#include <QThread>

#include <memory>
#include <QTimer>

namespace relvane {

QString EventName(StationEvent::Kind kind) {
    switch (kind) {
    case StationEvent::Waiting: return QStringLiteral("waiting");
    case StationEvent::ModuleStarted: return QStringLiteral("module_started");
    case StationEvent::StepStarted: return QStringLiteral("step_started");
    case StationEvent::StepProgress: return QStringLiteral("step_progress");
    case StationEvent::StepEnded: return QStringLiteral("step_ended");
    case StationEvent::ModuleEnded: return QStringLiteral("module_ended");
    case StationEvent::Replace: return QStringLiteral("replace");
    case StationEvent::SerialNeeded: return QStringLiteral("serial_needed");
    case StationEvent::Message: return QStringLiteral("message");
    case StationEvent::SlotEnded: return QStringLiteral("slot_ended");
    }
    return {};
}

StationEngine::StationEngine(AdapterBackend& backend, RecordStore& store, StationOptions options, QObject* parent)
    : QObject(parent), backend_(backend), store_(store), options_(std::move(options)) {
    qRegisterMetaType<StationEvent>();
}

StationEngine::~StationEngine() {
    Stop();
    if (flushThread_) {
        flushThread_->wait();
        delete flushThread_;
    }
    for (StationSlot* slot : std::as_const(slots_)) {
        slot->Wait();
        delete slot;
    }
}

bool StationEngine::Start(QString* error) {
    QStringList adapters = options_.adapters;
    if (adapters.isEmpty()) {
        QList<AdapterInfo> present;
        backend_.ListAdapters(present);
        for (const AdapterInfo& a : present)
            if (a.detailsOk && !a.description.isEmpty() && !adapters.contains(a.description)) adapters << a.description;
        if (adapters.isEmpty()) {
            if (error) *error = QStringLiteral("no adapter found; plug one in or name it with -a");
            return false;
        }
    }
    adapters.removeDuplicates();
    const Recipe& r = options_.recipe;
    if (r.system && !r.askSerial) {
        qint64 next = 0;
        if (!store_.CheckCounter(r.serialStart, &next, error)) return false;
    }
    stop_ = false;
    for (const QString& adapter : std::as_const(adapters)) {
        auto* slot = new StationSlot(backend_, store_, options_, adapter, stop_);
        connect(slot, &StationSlot::slotEvent, this, &StationEngine::OnSlotEvent, Qt::QueuedConnection);
        slots_ << slot;
    }
    running_ = int(slots_.size());
    for (StationSlot* slot : std::as_const(slots_)) slot->Start();
    if (store_.Remote()) {
        flush_ = new QTimer(this);
        connect(flush_, &QTimer::timeout, this, &StationEngine::FlushRecords);
        flush_->start(5000);
    }
    return true;
}

void StationEngine::Stop() { stop_ = true; }

void StationEngine::Next(const QString& adapter) {
    for (StationSlot* slot : std::as_const(slots_))
        if (adapter.isEmpty() || slot->Adapter() == adapter) slot->Next();
}

void StationEngine::ProvideSerial(const QString& adapter, qint64 serial) {
    for (StationSlot* slot : std::as_const(slots_))
        if (slot->Adapter() == adapter) slot->ProvideSerial(serial);
}

QStringList StationEngine::AskingSerial() const {
    QStringList asking;
    for (StationSlot* slot : slots_)
        if (slot->AskingSerial()) asking << slot->Adapter();
    return asking;
}

QStringList StationEngine::Adapters() const {
    QStringList names;
    for (StationSlot* slot : slots_) names << slot->Adapter();
    return names;
}

void StationEngine::FlushRecords() {
    // On a thread of its own: a server that does not answer must not hold the window up.
    if (flushThread_) return;
    auto left = std::make_shared<std::atomic<int>>(0);
    auto error = std::make_shared<QString>();
    flushThread_ = QThread::create([this, left, error] {
        *left = store_.Flush(error.get());
        store_.CloseThread();
    });
    connect(flushThread_, &QThread::finished, this, [this, left, error] {
        flushThread_->deleteLater();
        flushThread_ = nullptr;
        const int n = left->load();
        // Said once when records start to wait and once when they have all gone.
        if (n > 0 && pendingShown_ == 0) {
            StationEvent e;
            e.kind = StationEvent::Message;
            e.message = QStringLiteral("%1 record(s) wait for the record server: %2").arg(n).arg(*error);
            Q_EMIT stationEvent(e);
        } else if (n == 0 && pendingShown_ > 0) {
            StationEvent e;
            e.kind = StationEvent::Message;
            e.message = QStringLiteral("every waiting record has reached the record server");
            Q_EMIT stationEvent(e);
        }
        pendingShown_ = n;
        if (running_ == 0 && finishing_) {
            finishing_ = false;
            Q_EMIT finished();
        }
    });
    flushThread_->start();
}

void StationEngine::OnSlotEvent(const StationEvent& event) {
    if (event.kind == StationEvent::ModuleEnded) {
        // The slot has sent the record already when the server could take it.
        if (event.pass) ++passed_;
        else ++failed_;
    }
    Q_EMIT stationEvent(event);
    if (event.kind == StationEvent::SlotEnded && --running_ == 0) {
        for (StationSlot* slot : std::as_const(slots_)) slot->Wait();
        if (flush_) flush_->stop();
        if (!store_.Remote()) {
            Q_EMIT finished();
            return;
        }
        // A last try for the records that wait; finished comes after it.
        finishing_ = true;
        if (!flushThread_) FlushRecords();
    }
}

}  // namespace relvane

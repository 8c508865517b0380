#pragma once
// The end-of-line station: the same recipe run on module after module, on several adapters side
// by side. Each adapter has its slot, a thread of its own with its own link, so no slot ever waits
// for another; the engine, on the thread that made it, hands out serial numbers through the
// record store, passes the front end's Enter and typed serial numbers to the slots and forwards
// their events. The command line and the window are its two front ends.

#include "link/AdapterBackend.h"
#include "station/Recipe.h"
#include "station/RecordStore.h"
#include "station/StationRecord.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

namespace relvane {

struct StationEvent {
    enum Kind {
        Waiting,       // for a module on the adapter (present and answering)
        ModuleStarted, // a module answered; the recipe starts
        StepStarted,
        StepProgress,  // percent
        StepEnded,     // pass, message, durationMs
        ModuleEnded,   // pass, step (the failed one), message (its reason), record
        Replace,       // waiting for the module to be replaced (link lost and back, or Enter)
        SerialNeeded,  // serial=ask: the front end provides one with ProvideSerial
        Message,       // a note: the record server away or back, a record that cannot be kept
        SlotEnded,
    };
    Kind kind = Message;
    QString adapter;
    QString step;
    int percent = -1;
    bool pass = false;
    QString message;
    qint64 durationMs = 0;
    std::optional<qint64> serial;
    ModuleRecord record;
    QDateTime time = QDateTime::currentDateTimeUtc();
};

// The event's name in JSON Lines: "waiting", "module_started", "step_started", ...
QString EventName(StationEvent::Kind kind);

struct StationOptions {
    Recipe recipe;
    QStringList adapters;   // empty: every adapter present at Start
    QString operatorName;   // overrides the recipe's
    QString stationName;    // overrides the recipe's
    int count = 0;          // modules per adapter; 0: until stopped
    int answerTimeoutMs = 10000;  // a module that does not answer this long FAILs "no answer"
    bool fastLink = false;  // with the recipe's fast_link=1
};

class StationSlot;

class StationEngine : public QObject {
    Q_OBJECT
public:
    StationEngine(AdapterBackend& backend, RecordStore& store, StationOptions options, QObject* parent = nullptr);
    ~StationEngine() override;

    // Names the slots (the adapters asked for, else every one present), checks the serial
    // counter against the records and starts every slot. False with *error, and nothing started,
    // when there is no adapter or the counter would repeat a recorded number.
    bool Start(QString* error);
    // Every running step ends as a FAIL "stopped", which is recorded; then the slots end.
    void Stop();
    bool Stopping() const { return stop_.load(); }
    // Enter: every slot waiting for its module to be replaced goes on (or only the one named).
    void Next(const QString& adapter = {});
    // The typed or scanned serial number for the slot that asked (SerialNeeded).
    void ProvideSerial(const QString& adapter, qint64 serial);
    // Adapters that wait for a serial number, in slot order.
    QStringList AskingSerial() const;

    QStringList Adapters() const;
    bool Running() const { return running_ > 0; }
    // 0 when every module passed, 1 when one failed.
    int ExitStatus() const { return failed_ > 0 ? 1 : 0; }
    int Passed() const { return passed_; }
    int Failed() const { return failed_; }
    const StationOptions& Options() const { return options_; }

Q_SIGNALS:
    void stationEvent(const relvane::StationEvent& event);
    // Every slot has ended.
    void finished();

private:
    void OnSlotEvent(const StationEvent& event);
    void FlushRecords();

    AdapterBackend& backend_;
    RecordStore& store_;
    StationOptions options_;
    std::atomic<bool> stop_{false};
    QList<StationSlot*> slots_;
    int running_ = 0;
    int passed_ = 0;
    int failed_ = 0;
    QTimer* flush_ = nullptr;
    QThread* flushThread_ = nullptr;
    bool finishing_ = false;
    int pendingShown_ = 0;
};

}  // namespace relvane

Q_DECLARE_METATYPE(relvane::StationEvent)

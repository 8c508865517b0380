#pragma once
// One adapter of the station: its thread, its link, its modules one after the other. Internal
// to the station engine.

#include "station/StationEngine.h"

#include <QMutex>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <optional>

namespace relvane {

class Session;

class StationSlot : public QObject {
    Q_OBJECT
public:
    StationSlot(AdapterBackend& backend, RecordStore& store, const StationOptions& options, QString adapter,
                const std::atomic<bool>& stop);
    ~StationSlot() override;

    // Starts the slot's thread; the slot lives there until it ends.
    void Start();
    // Joins the thread (after Stop, or when it has ended).
    void Wait();

    const QString& Adapter() const { return adapter_; }
    void Next() { ++next_; }
    bool AskingSerial() const { return asking_.load(); }
    void ProvideSerial(qint64 serial);

Q_SIGNALS:
    void slotEvent(const relvane::StationEvent& event);

private:
    // The slot's thread.
    void Run();
    // One module, from its answer to its record.
    ModuleRecord RunModule(Session& session);
    // Each step: true when it passed; *message says what happened or why not.
    bool StepConnect(Session& session, ModuleRecord& record, QString* message);
    bool StepFirmware(Session& session, QString* message);
    bool StepCompare(Session& session, QString* message);
    bool StepConfig(Session& session, ModuleRecord& record, QString* message);
    bool StepSystem(Session& session, ModuleRecord& record, QString* message);
    bool StepPing(Session& session, QString* message);
    bool StepReboot(Session& session, QString* message);

    void Emit(StationEvent::Kind kind, const QString& step = {}, const QString& message = {});
    // Step progress, sent when the whole percent changes.
    void Progress(long long done, long long total);
    std::optional<qint64> AskSerial(Session& session);
    bool Stopped() const { return stop_.load(); }

    AdapterBackend& backend_;
    RecordStore& store_;
    const StationOptions& options_;
    const QString adapter_;
    const std::atomic<bool>& stop_;
    QThread thread_;
    std::atomic<int> next_{0};
    std::atomic<bool> asking_{false};
    QMutex serialMutex_;
    std::optional<qint64> typedSerial_;
    QString step_;
    int percent_ = -1;
    QByteArray version_;  // of the module's first answer
    QString runId_;
};

}  // namespace relvane

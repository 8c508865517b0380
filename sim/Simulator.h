#pragma once
// The simulated module on a pseudo-terminal, registered as an adapter. It runs on
// its own thread, so the tool's link thread and a test's thread may block freely.

#include "sim/ConfigStore.h"
#include "sim/Module.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace relvane::sim {

class FirmwareSim;
class ProductionSim;

// The simulated module's parts, for tests and extensions.
struct SimulatorParts {
    Module& module;
    ProductionSim& production;
    FirmwareSim& firmware;
};

struct SimulatorOptions {
    QString description = QStringLiteral("Relvane Simulator");
    QString adapterDir;  // empty = AdapterDirectory()
    QString version = QStringLiteral("V8.12");
    bool fast = false;   // no 38400-baud pacing
    bool bootloaderOnReboot = false;  // a REBOOT_REQ starts the bootloader
};

struct SimulatorCounters {
    int framesReceived = 0;   // every decoded frame, good or bad
    int badChecksum = 0;      // ignored for their checksum
    int unknown = 0;          // good checksum, no handler
    int handled = 0;
    int ignoredSilent = 0;    // arrived while silent
    int framesSent = 0;       // went on the wire (corrupted ones included)
    int dropped = 0;
    int corrupted = 0;
    int refused = 0;          // too long to encode
    qint64 bytesReceived = 0;
    qint64 bytesSent = 0;
    int plugs = 0;            // pseudo-terminals created
};

class Simulator {
public:
    explicit Simulator(SimulatorOptions options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Where console lines go (called on the simulator's thread, without its lock
    // held). Set before Start.
    void SetPrinter(std::function<void(const QString&)> printer);

    // Creates the pseudo-terminal, registers it and starts the thread.
    bool Start(QString* error);
    // Stops the thread, closes the pseudo-terminal and removes the registration.
    void Stop();
    // False once stopped or after the `quit` command.
    bool IsRunning() const;

    QString DevicePath() const;        // empty while unplugged
    QString RegistrationFile() const;  // empty while unplugged
    QString AdapterDir() const;
    const SimulatorOptions& Options() const { return options_; }

    // One console command line. Thread-safe; returns once the command has taken effect.
    void Command(const QString& line);
    // The console help text, one command a line.
    QString HelpText() const;

    // Observation.
    QList<QByteArray> ReceivedFrames() const;  // decoded, in order, as they arrived
    QList<QByteArray> SentFrames() const;      // as they went on the wire
    SimulatorCounters Counters() const;
    void ClearObservations();
    bool IsPlugged() const;
    bool IsSilent() const;

    // The stored payload of one configuration block (frame bytes 4 onwards).
    QByteArray StoredBlock(BlockKind kind, int slot) const;
    // Runs f on the module under the simulator's lock (tests and extensions).
    void WithModule(const std::function<void(Module&)>& f);
    void WithParts(const std::function<void(SimulatorParts&)>& f);

private:
    class Impl;
    SimulatorOptions options_;
    std::unique_ptr<Impl> d_;
};

}  // namespace relvane::sim

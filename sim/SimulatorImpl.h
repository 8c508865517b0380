#pragma once
// Inside the simulator: the state its thread works on. SimulatorLoop.cpp runs the wire (pacing,
// faults, plugging), SimulatorConsole.cpp the console commands, Simulator.cpp the public face.
// Everything here is guarded by `mutex` unless said otherwise.

#include "sim/Simulator.h"

#include "link/FrameCodec.h"
#include "sim/CanSim.h"
#include "sim/DiagnosticSim.h"
#include "sim/FirmwareSim.h"
#include "sim/ProductionSim.h"
#include "sim/Pty.h"

#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace relvane::sim {

class Simulator::Impl : public FrameSink {
public:
    using Clock = std::chrono::steady_clock;

    // 38400 baud, 8 data bits, 2 stop bits and a start bit: 11 bits a byte.
    static constexpr auto kByteTime = std::chrono::nanoseconds(11'000'000'000LL / 38400);
    // Observations kept for tests and the console; old ones go so a long run stays small.
    static constexpr std::size_t kObservationLimit = 4096;
    // Wire bytes waiting for the tool to read beyond what the pseudo-terminal holds.
    static constexpr std::size_t kTxBacklogLimit = 64 * 1024;

    enum class Fault { Drop, Corrupt };

    explicit Impl(const SimulatorOptions& o);

    ~Impl() override { CloseWake(); }

    // --- Called under `mutex` -------------------------------------------------

    void DispatchFrame(const std::uint8_t* frame, int count) override;

    // Unframed bootloader bytes; no frame faults apply to them.
    void TransmitRaw(const std::uint8_t* bytes, int n);

    // A frame from the module: faults applied, recorded, encoded, queued for the wire.
    void Transmit(const Frame& frame);

    void Print(const QString& line) { pendingPrints.push_back(line); }

    static void Remember(std::deque<QByteArray>& list, QByteArray frame);

    bool Plug(QString* error);

    void Unplug();

    // --- The console (SimulatorConsole.cpp) ---------------------------------------

    // Runs one console command line.
    void Execute(const QString& line);
    // Counts one arrival for every waiting "after" command and runs those that are due,
    // in the order they were given.
    void RunTriggers();
    // The help lines of the simulator's own commands, then the module's.
    QStringList HelpLines() const;

    // --- The wire and the thread (SimulatorLoop.cpp) ------------------------------

    // Feeds the received bytes whose wire time has passed.
    void FeedDue(Clock::time_point now);

    // Writes the bytes whose wire time has passed.
    void WriteDue(Clock::time_point now);

    void ReadAvailable();

    std::optional<Clock::time_point> NextWake() const;

    void Run();

    bool OpenWake();
    void CloseWake();
    void Wake();

    // Emits the collected console lines; called without the lock.
    void FlushPrints(std::vector<QString> lines);
    std::vector<QString> TakePrints();

    SimulatorOptions options;
    Module module;
    ProductionSim production;
    FirmwareSim firmware;
    CanSim can;
    DiagnosticLog diagnostic;
    SlipReceiver receiver;
    QString adapterDir;
    QString registrationName;
    QString registrationFile;
    Pty pty;

    std::deque<std::pair<std::uint8_t, Clock::time_point>> rx;
    Clock::time_point rxLineFree{};
    std::deque<std::uint8_t> tx;
    Clock::time_point txNextDue{};
    Clock::time_point txLineFree{};
    bool txBlocked = false;

    std::deque<Fault> faults;
    std::deque<std::pair<int, QString>> triggers;  // arrivals still to come, command
    bool silent = false;
    std::optional<Clock::time_point> replugAt;

    std::deque<QByteArray> received;
    std::deque<QByteArray> sent;
    SimulatorCounters counters;
    std::vector<QString> pendingPrints;
    std::function<void(const QString&)> printer;

    mutable std::mutex mutex;
    std::condition_variable commandDone;
    std::deque<std::pair<QString, std::uint64_t>> commands;
    std::uint64_t commandsQueued = 0;
    std::uint64_t commandsDone = 0;
    bool running = false;
    bool stopRequested = false;
    int wakeFd = -1;
    std::thread thread;
    std::thread::id threadId;
};

}  // namespace relvane::sim

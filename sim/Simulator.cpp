#include "sim/Simulator.h"

#include "link/AdapterDirectory.h"
#include "link/FrameCodec.h"
#include "sim/CanSim.h"
#include "sim/DiagnosticSim.h"
#include "sim/FirmwareSim.h"
#include "sim/MessageCodes.h"
#include "sim/ProductionSim.h"
#include "sim/Pty.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace relvane::sim {

namespace {

using Clock = std::chrono::steady_clock;

// 38400 baud, 8 data bits, 2 stop bits and a start bit: 11 bits a byte.
constexpr auto kByteTime = std::chrono::nanoseconds(11'000'000'000LL / 38400);

// Observations kept for tests and the console; old ones go so a long run stays small.
constexpr std::size_t kObservationLimit = 4096;

// Wire bytes waiting for the tool to read beyond what the pseudo-terminal holds.
constexpr std::size_t kTxBacklogLimit = 64 * 1024;

std::atomic<int> gInstanceCounter{0};

enum class Fault { Drop, Corrupt };

struct BuiltinCommand {
    const char* usage;
    const char* help;
};
constexpr BuiltinCommand kBuiltinCommands[] = {
    {"unplug", "remove the registration and close the pseudo-terminal"},
    {"replug [MS]", "after MS milliseconds (default 0) plug in again with the same description"},
    {"drop", "drop the next frame (or bootloader answer) sent"},
    {"corrupt", "change one byte of the next frame sent so its checksum fails (or of the next bootloader answer)"},
    {"silent", "take frames and bootloader bytes but answer nothing"},
    {"speak", "answer again"},
    {"resend", "send the resend request (type 0, command 1)"},
    {"after N COMMAND", "run COMMAND when the Nth frame (heartbeat not counted) or bootloader block from now arrives, before it is answered"},
    {"after clear", "forget the commands waiting for their frame"},
    {"quit", "remove the registration and end"},
    {"help", "this list"},
};

}  // namespace

class Simulator::Impl : public FrameSink {
public:
    explicit Impl(const SimulatorOptions& o)
        : options(o), module(o.version), receiver(this) {
        adapterDir = o.adapterDir.isEmpty() ? AdapterDirectory() : o.adapterDir;
        registrationName = QStringLiteral("relvane-sim-%1-%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(gInstanceCounter.fetch_add(1));
        module.SetOutput([this](const Frame& f) { Transmit(f); });
        module.SetPrinter([this](const QString& line) { Print(line); });
        // Production first: the firmware part answers the system data request only when nothing else does.
        RegisterProductionHandlers(module, production);
        RegisterFirmwareHandlers(module, firmware);
        RegisterCanHandlers(module, can);
        RegisterDiagnosticHandlers(module, diagnostic);
        firmware.SetRawOutput([this](const std::uint8_t* bytes, int n) { TransmitRaw(bytes, n); });
        firmware.SetPrinter([this](const QString& line) { Print(line); });
        firmware.enterOnReboot = o.bootloaderOnReboot;
    }

    ~Impl() override { CloseWake(); }

    // --- Called under `mutex` -------------------------------------------------

    void DispatchFrame(const std::uint8_t* frame, int count) override {
        Remember(received, QByteArray(reinterpret_cast<const char*>(frame), count));
        ++counters.framesReceived;
        // The tool's heartbeat (version and statistics requests) comes every 400 ms whatever
        // else runs: it does not count, so "after N" names the Nth frame of the command under way.
        const bool heartbeat = count >= 4 && frame[2] == FRAME_TYPE_COMMAND &&
                               (frame[3] == VERSION_REQ || frame[3] == STATISTICS_REQ);
        if (!heartbeat) RunTriggers();
        if (!pty.isOpen()) return;  // the trigger pulled the cable: nobody hears an answer
        if (silent) {
            ++counters.ignoredSilent;
            return;
        }
        const int rebootsBefore = module.reboots;
        switch (module.Receive(frame, count)) {
        case Module::Outcome::Handled: ++counters.handled; break;
        case Module::Outcome::BadChecksum: ++counters.badChecksum; break;
        case Module::Outcome::Unknown: ++counters.unknown; break;
        }
        if (module.reboots != rebootsBefore) firmware.OnReboot();
    }

    // Unframed bootloader bytes; no frame faults apply to them.
    void TransmitRaw(const std::uint8_t* bytes, int n) {
        if (!pty.isOpen() || n <= 0) return;
        std::vector<std::uint8_t> changed;
        if (!faults.empty()) {
            const Fault fault = faults.front();
            faults.pop_front();
            if (fault == Fault::Drop) {
                ++counters.dropped;
                Print(QStringLiteral("dropped a bootloader answer"));
                return;
            }
            // The bootloader's answers are single bytes: changing the first one is enough.
            changed.assign(bytes, bytes + n);
            changed[0] ^= 0x01;
            bytes = changed.data();
            ++counters.corrupted;
            Print(QStringLiteral("corrupted a bootloader answer"));
        }
        if (tx.size() + static_cast<std::size_t>(n) > kTxBacklogLimit) return;
        if (tx.empty()) txNextDue = std::max(txLineFree, Clock::now()) + kByteTime;
        tx.insert(tx.end(), bytes, bytes + n);
    }

    // A frame from the module: faults applied, recorded, encoded, queued for the wire.
    void Transmit(const Frame& frame) {
        if (!pty.isOpen()) return;  // nobody at the other end of the cable
        Frame out = frame;
        if (!faults.empty()) {
            const Fault fault = faults.front();
            faults.pop_front();
            if (fault == Fault::Drop) {
                ++counters.dropped;
                Print(QStringLiteral("dropped a frame (command 0x%1)").arg(frame.command(), 2, 16, QLatin1Char('0')));
                return;
            }
            // Any single changed byte breaks the XOR; the last one leaves the length alone.
            out[out.length() - 1] ^= 0x01;
            ++counters.corrupted;
            Print(QStringLiteral("corrupted a frame (command 0x%1)").arg(frame.command(), 2, 16, QLatin1Char('0')));
        }
        std::uint8_t wire[ENCODED_FRAME_MAX];
        const int n = EncodeFrame(out.data(), out.length(), wire);
        if (n < 0) {
            ++counters.refused;
            Print(QStringLiteral("frame too long to send (command 0x%1)").arg(frame.command(), 2, 16, QLatin1Char('0')));
            return;
        }
        if (tx.size() + static_cast<std::size_t>(n) > kTxBacklogLimit) {
            // Nobody reads: like a UART with no listener, the frame is simply lost.
            ++counters.dropped;
            return;
        }
        Remember(sent, QByteArray(reinterpret_cast<const char*>(out.data()), out.length()));
        ++counters.framesSent;
        const auto now = Clock::now();
        if (tx.empty()) txNextDue = std::max(txLineFree, now) + kByteTime;
        tx.insert(tx.end(), wire, wire + n);
    }

    void Print(const QString& line) { pendingPrints.push_back(line); }

    static void Remember(std::deque<QByteArray>& list, QByteArray frame) {
        list.push_back(std::move(frame));
        if (list.size() > kObservationLimit) list.pop_front();
    }

    bool Plug(QString* error) {
        QString err;
        if (!OpenPty(&pty, &err)) {
            if (error) *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(err);
            return false;
        }
        const QString file =
            WriteAdapterRegistration(adapterDir, registrationName, options.description, pty.path, &err);
        if (file.isEmpty()) {
            ClosePty(&pty);
            if (error) *error = QStringLiteral("cannot register in %1: %2").arg(adapterDir, err);
            return false;
        }
        registrationFile = file;
        receiver = SlipReceiver(this);
        rx.clear();
        tx.clear();
        txBlocked = false;
        ++counters.plugs;
        return true;
    }

    void Unplug() {
        // The registration goes first, so a tool listing adapters never finds a dead device.
        if (!registrationFile.isEmpty()) RemoveAdapterRegistration(registrationFile);
        registrationFile.clear();
        ClosePty(&pty);
        rx.clear();
        tx.clear();
        txBlocked = false;
    }

    void Execute(const QString& line);

    // Counts one arrival for every waiting "after" command and runs those that are due,
    // in the order they were given.
    void RunTriggers() {
        if (triggers.empty()) return;
        std::vector<QString> due;
        for (auto it = triggers.begin(); it != triggers.end();) {
            if (--it->first <= 0) {
                due.push_back(it->second);
                it = triggers.erase(it);
            } else {
                ++it;
            }
        }
        for (const QString& line : due) Execute(line);
    }

    // Feeds the received bytes whose wire time has passed.
    void FeedDue(Clock::time_point now) {
        while (!rx.empty() && (options.fast || rx.front().second <= now)) {
            const std::uint8_t b = rx.front().first;
            rx.pop_front();
            // The bootloader takes the line raw; everything else is frames.
            if (firmware.Active()) {
                if (silent) continue;
                const int blocks = firmware.blocksTaken;
                firmware.FeedRaw(b);
                if (firmware.blocksTaken != blocks) RunTriggers();
            } else {
                receiver.Feed(b);
            }
        }
    }

    // Writes the bytes whose wire time has passed.
    void WriteDue(Clock::time_point now) {
        if (!pty.isOpen() || tx.empty() || txBlocked) return;
        std::size_t due = 0;
        if (options.fast) {
            due = tx.size();
        } else {
            while (due < tx.size() && txNextDue + kByteTime * static_cast<long>(due) <= now) ++due;
        }
        if (due == 0) return;
        std::vector<std::uint8_t> chunk(tx.begin(), tx.begin() + static_cast<long>(due));
        const ssize_t w = ::write(pty.master, chunk.data(), chunk.size());
        if (w < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) txBlocked = true;
            return;
        }
        const auto written = static_cast<std::size_t>(w);
        tx.erase(tx.begin(), tx.begin() + static_cast<long>(written));
        counters.bytesSent += static_cast<qint64>(written);
        txLineFree = options.fast ? now : txNextDue + kByteTime * static_cast<long>(written - 1);
        txNextDue += kByteTime * static_cast<long>(written);
        if (written < due) txBlocked = true;
    }

    void ReadAvailable() {
        std::uint8_t buf[4096];
        for (;;) {
            const ssize_t r = ::read(pty.master, buf, sizeof buf);
            if (r <= 0) return;
            const auto now = Clock::now();
            for (ssize_t i = 0; i < r; ++i) {
                // Each byte is complete one byte time after the line is free.
                rxLineFree = std::max(rxLineFree, now) + kByteTime;
                rx.emplace_back(buf[i], rxLineFree);
            }
            counters.bytesReceived += r;
        }
    }

    std::optional<Clock::time_point> NextWake() const {
        std::optional<Clock::time_point> wake;
        auto consider = [&](Clock::time_point t) {
            if (!wake || t < *wake) wake = t;
        };
        if (!rx.empty()) consider(options.fast ? Clock::now() : rx.front().second);
        if (pty.isOpen() && !tx.empty() && !txBlocked) consider(options.fast ? Clock::now() : txNextDue);
        if (replugAt) consider(*replugAt);
        if (pty.isOpen()) {
            if (const auto due = can.NextDue()) consider(*due);
        }
        return wake;
    }

    void Run();

    bool OpenWake() {
        wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        return wakeFd >= 0;
    }
    void CloseWake() {
        if (wakeFd >= 0) ::close(wakeFd);
        wakeFd = -1;
    }
    void Wake() {
        const std::uint64_t one = 1;
        if (wakeFd < 0) return;
        [[maybe_unused]] const ssize_t w = ::write(wakeFd, &one, sizeof one);
    }

    // Emits the collected console lines; called without the lock.
    void FlushPrints(std::vector<QString> lines) {
        if (printer)
            for (const QString& l : lines) printer(l);
    }
    std::vector<QString> TakePrints() {
        std::vector<QString> lines;
        lines.swap(pendingPrints);
        return lines;
    }

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

void Simulator::Impl::Execute(const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    const QString cmd = words[0].toLower();
    const QStringList args = words.mid(1);
    if (cmd == QLatin1String("unplug")) {
        if (!pty.isOpen()) {
            if (replugAt) Print(QStringLiteral("stays unplugged: the pending replug is cancelled"));
            else Print(QStringLiteral("already unplugged"));
            replugAt.reset();
            return;
        }
        replugAt.reset();
        const QString was = pty.path;
        Unplug();
        Print(QStringLiteral("unplugged (%1 closed, registration removed)").arg(was));
    } else if (cmd == QLatin1String("replug")) {
        int ms = 0;
        if (!args.isEmpty()) {
            bool ok = false;
            ms = args[0].toInt(&ok);
            if (!ok || ms < 0 || args.size() > 1) {
                Print(QStringLiteral("usage: replug [MS]"));
                return;
            }
        }
        if (pty.isOpen()) {
            // Plugged in: a bounce, out and back in.
            Unplug();
            Print(QStringLiteral("unplugged"));
        }
        replugAt = Clock::now() + std::chrono::milliseconds(ms);
        if (ms > 0) Print(QStringLiteral("replugging in %1 ms").arg(ms));
    } else if (cmd == QLatin1String("drop")) {
        faults.push_back(Fault::Drop);
        Print(QStringLiteral("the next frame will be dropped"));
    } else if (cmd == QLatin1String("corrupt")) {
        faults.push_back(Fault::Corrupt);
        Print(QStringLiteral("the next frame will be corrupted"));
    } else if (cmd == QLatin1String("silent")) {
        silent = true;
        Print(QStringLiteral("silent: no answers until 'speak'"));
    } else if (cmd == QLatin1String("speak")) {
        silent = false;
        Print(QStringLiteral("answering again"));
    } else if (cmd == QLatin1String("resend")) {
        if (!pty.isOpen()) {
            Print(QStringLiteral("unplugged: nothing sent"));
            return;
        }
        module.Send(Frame(FRAME_TYPE_SERVICE, RESEND_REQUEST, 4).Seal());
        Print(QStringLiteral("resend request sent"));
    } else if (cmd == QLatin1String("after")) {
        if (args.size() == 1 && args[0].toLower() == QLatin1String("clear")) {
            Print(QStringLiteral("%1 waiting command(s) forgotten").arg(triggers.size()));
            triggers.clear();
            return;
        }
        bool ok = false;
        const int n = args.isEmpty() ? 0 : args[0].toInt(&ok);
        const QString command = args.mid(1).join(QLatin1Char(' '));
        if (!ok || n < 1 || command.isEmpty() || args[1].toLower() == QLatin1String("after")) {
            Print(QStringLiteral("usage: after N COMMAND (N from 1) or after clear"));
            return;
        }
        triggers.emplace_back(n, command);
        Print(QStringLiteral("'%1' runs when frame %2 from now arrives").arg(command).arg(n));
    } else if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        stopRequested = true;
        Print(QStringLiteral("quitting"));
    } else if (cmd == QLatin1String("help") || cmd == QLatin1String("?")) {
        Print(QStringLiteral("commands:"));
        for (const BuiltinCommand& c : kBuiltinCommands)
            Print(QStringLiteral("  %1 %2").arg(QString::fromLatin1(c.usage).leftJustified(37), QLatin1String(c.help)));
        for (const Module::ConsoleCommand& c : module.ConsoleCommands())
            Print(QStringLiteral("  %1 %2").arg(c.usage.leftJustified(37), c.help));
    } else if (!module.RunConsole(cmd, args)) {
        Print(QStringLiteral("unknown command '%1' (try 'help')").arg(cmd));
    }
}

void Simulator::Impl::Run() {
    std::unique_lock lock(mutex);
    while (!stopRequested) {
        if (!commands.empty()) {
            std::uint64_t last = 0;
            while (!commands.empty()) {
                const auto [line, id] = commands.front();
                commands.pop_front();
                Execute(line);
                last = id;
            }
            // A command is done once its console lines are out.
            std::vector<QString> lines = TakePrints();
            lock.unlock();
            FlushPrints(std::move(lines));
            lock.lock();
            commandsDone = last;
            commandDone.notify_all();
        }
        if (stopRequested) break;

        auto now = Clock::now();
        if (replugAt && *replugAt <= now) {
            replugAt.reset();
            QString err;
            if (Plug(&err)) Print(QStringLiteral("plugged in on %1").arg(pty.path));
            else Print(QStringLiteral("replug failed: %1").arg(err));
        }
        FeedDue(now);
        if (pty.isOpen()) can.Pump(module, Clock::now());
        WriteDue(Clock::now());

        const std::optional<Clock::time_point> wake = NextWake();
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {pty.master, 0, 0}};
        int nfds = 1;
        if (pty.isOpen()) {
            fds[1].events = static_cast<short>(POLLIN | (txBlocked ? POLLOUT : 0));
            nfds = 2;
        }
        std::vector<QString> lines = TakePrints();
        lock.unlock();
        FlushPrints(std::move(lines));

        timespec ts{};
        timespec* timeout = nullptr;
        if (wake) {
            const auto left = std::max(Clock::duration::zero(), *wake - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeout = &ts;
        }
        const int ready = ::ppoll(fds, static_cast<nfds_t>(nfds), timeout, nullptr);

        lock.lock();
        if (ready <= 0) continue;
        if (fds[0].revents & POLLIN) {
            std::uint64_t v = 0;
            [[maybe_unused]] ssize_t r = ::read(wakeFd, &v, sizeof v);
        }
        // Only this thread changes the descriptor, so it is still the one polled.
        if (nfds == 2 && pty.isOpen()) {
            if (fds[1].revents & POLLOUT) txBlocked = false;
            if (fds[1].revents & POLLIN) ReadAvailable();
            if (fds[1].revents & (POLLHUP | POLLERR)) {
                // Not expected while the slave is held open; avoid spinning on it.
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                lock.lock();
            }
        }
    }
    Unplug();
    replugAt.reset();
    running = false;
    commandsDone = commandsQueued;
    commandDone.notify_all();
    std::vector<QString> lines = TakePrints();
    lock.unlock();
    FlushPrints(std::move(lines));
}

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)), d_(std::make_unique<Impl>(options_)) {}

Simulator::~Simulator() { Stop(); }

void Simulator::SetPrinter(std::function<void(const QString&)> printer) {
    std::lock_guard lock(d_->mutex);
    d_->printer = std::move(printer);
}

bool Simulator::Start(QString* error) {
    std::unique_lock lock(d_->mutex);
    if (d_->running) return true;
    if (d_->thread.joinable()) {
        // Ended by `quit`: collect the thread before starting again.
        lock.unlock();
        d_->thread.join();
        lock.lock();
    }
    if (d_->wakeFd < 0 && !d_->OpenWake()) {
        if (error) *error = QStringLiteral("cannot create the wake-up event");
        return false;
    }
    if (!d_->pty.isOpen() && !d_->Plug(error)) return false;
    d_->module.PowerUp();
    d_->stopRequested = false;
    d_->running = true;
    d_->thread = std::thread([this] {
        {
            std::lock_guard l(d_->mutex);
            d_->threadId = std::this_thread::get_id();
        }
        d_->Run();
    });
    return true;
}

void Simulator::Stop() {
    {
        std::lock_guard lock(d_->mutex);
        d_->stopRequested = true;
    }
    d_->Wake();
    if (d_->thread.joinable()) {
        if (d_->thread.get_id() == std::this_thread::get_id()) return;  // from a printer: the loop ends itself
        d_->thread.join();
    }
    std::vector<QString> lines;
    {
        std::lock_guard lock(d_->mutex);
        d_->Unplug();  // never started, or already unplugged by the loop
        d_->replugAt.reset();
        d_->running = false;
        lines = d_->TakePrints();
    }
    d_->FlushPrints(std::move(lines));
}

bool Simulator::IsRunning() const {
    std::lock_guard lock(d_->mutex);
    return d_->running;
}

QString Simulator::DevicePath() const {
    std::lock_guard lock(d_->mutex);
    return d_->pty.path;
}

QString Simulator::RegistrationFile() const {
    std::lock_guard lock(d_->mutex);
    return d_->registrationFile;
}

QString Simulator::AdapterDir() const { return d_->adapterDir; }

void Simulator::Command(const QString& line) {
    std::unique_lock lock(d_->mutex);
    if (!d_->running || std::this_thread::get_id() == d_->threadId) {
        // No loop to hand it to (or we are the loop, in a printer): run it here.
        d_->Execute(line);
        std::vector<QString> lines = d_->TakePrints();
        lock.unlock();
        d_->FlushPrints(std::move(lines));
        return;
    }
    const std::uint64_t id = ++d_->commandsQueued;
    d_->commands.emplace_back(line, id);
    lock.unlock();
    d_->Wake();
    lock.lock();
    d_->commandDone.wait(lock, [&] { return d_->commandsDone >= id || !d_->running; });
}

QString Simulator::HelpText() const {
    QStringList lines;
    for (const BuiltinCommand& c : kBuiltinCommands)
        lines << QStringLiteral("%1 %2").arg(QString::fromLatin1(c.usage).leftJustified(37), QLatin1String(c.help));
    std::lock_guard lock(d_->mutex);
    for (const Module::ConsoleCommand& c : d_->module.ConsoleCommands())
        lines << QStringLiteral("%1 %2").arg(c.usage.leftJustified(37), c.help);
    return lines.join(QLatin1Char('\n'));
}

QList<QByteArray> Simulator::ReceivedFrames() const {
    std::lock_guard lock(d_->mutex);
    return QList<QByteArray>(d_->received.begin(), d_->received.end());
}

QList<QByteArray> Simulator::SentFrames() const {
    std::lock_guard lock(d_->mutex);
    return QList<QByteArray>(d_->sent.begin(), d_->sent.end());
}

SimulatorCounters Simulator::Counters() const {
    std::lock_guard lock(d_->mutex);
    return d_->counters;
}

void Simulator::ClearObservations() {
    std::lock_guard lock(d_->mutex);
    d_->received.clear();
    d_->sent.clear();
    const int plugs = d_->counters.plugs;
    d_->counters = SimulatorCounters{};
    d_->counters.plugs = plugs;
}

bool Simulator::IsPlugged() const {
    std::lock_guard lock(d_->mutex);
    return d_->pty.isOpen();
}

bool Simulator::IsSilent() const {
    std::lock_guard lock(d_->mutex);
    return d_->silent;
}

QByteArray Simulator::StoredBlock(BlockKind kind, int slot) const {
    std::lock_guard lock(d_->mutex);
    return d_->module.config.Block(kind, slot);
}

void Simulator::WithModule(const std::function<void(Module&)>& f) {
    std::vector<QString> lines;
    {
        std::lock_guard lock(d_->mutex);
        f(d_->module);
        lines = d_->TakePrints();
    }
    d_->FlushPrints(std::move(lines));
    d_->Wake();  // frames it sent go out promptly
}

void Simulator::WithParts(const std::function<void(SimulatorParts&)>& f) {
    std::vector<QString> lines;
    {
        std::lock_guard lock(d_->mutex);
        SimulatorParts parts{d_->module, d_->production, d_->firmware};
        f(parts);
        lines = d_->TakePrints();
    }
    d_->FlushPrints(std::move(lines));
    d_->Wake();
}

}  // namespace relvane::sim

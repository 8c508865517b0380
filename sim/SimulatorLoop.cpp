// The simulator's thread: bytes paced in both directions, faults on what is sent, plugging and
// unplugging the pseudo-terminal.

#include "sim/SimulatorImpl.h"

#include "link/AdapterDirectory.h"
#include "sim/MessageCodes.h"

#include <QCoreApplication>

#include <atomic>
#include <cerrno>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace relvane::sim {

namespace {

std::atomic<int> gInstanceCounter{0};

}  // namespace

Simulator::Impl::Impl(const SimulatorOptions& o)
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

void Simulator::Impl::DispatchFrame(const std::uint8_t* frame, int count) {
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
void Simulator::Impl::TransmitRaw(const std::uint8_t* bytes, int n) {
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
void Simulator::Impl::Transmit(const Frame& frame) {
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

void Simulator::Impl::Remember(std::deque<QByteArray>& list, QByteArray frame) {
    list.push_back(std::move(frame));
    if (list.size() > kObservationLimit) list.pop_front();
}

bool Simulator::Impl::Plug(QString* error) {
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

void Simulator::Impl::Unplug() {
    // The registration goes first, so a tool listing adapters never finds a dead device.
    if (!registrationFile.isEmpty()) RemoveAdapterRegistration(registrationFile);
    registrationFile.clear();
    ClosePty(&pty);
    rx.clear();
    tx.clear();
    txBlocked = false;
}

// Feeds the received bytes whose wire time has passed.
void Simulator::Impl::FeedDue(Clock::time_point now) {
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
void Simulator::Impl::WriteDue(Clock::time_point now) {
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

void Simulator::Impl::ReadAvailable() {
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

std::optional<Simulator::Impl::Clock::time_point> Simulator::Impl::NextWake() const {
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

bool Simulator::Impl::OpenWake() {
    wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return wakeFd >= 0;
}

void Simulator::Impl::CloseWake() {
    if (wakeFd >= 0) ::close(wakeFd);
    wakeFd = -1;
}

void Simulator::Impl::Wake() {
    const std::uint64_t one = 1;
    if (wakeFd < 0) return;
    [[maybe_unused]] const ssize_t w = ::write(wakeFd, &one, sizeof one);
}

// Emits the collected console lines; called without the lock.
void Simulator::Impl::FlushPrints(std::vector<QString> lines) {
    if (printer)
        for (const QString& l : lines) printer(l);
}

std::vector<QString> Simulator::Impl::TakePrints() {
    std::vector<QString> lines;
    lines.swap(pendingPrints);
    return lines;
}

void Simulator::Impl::Run() {
    // A byte takes 286 us on the wire; the kernel's default slack of 50 us on every wait
    // would make the module answer late by a sixth of a byte time each time it waits.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
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

}  // namespace relvane::sim

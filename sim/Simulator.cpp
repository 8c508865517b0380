#include "sim/Simulator.h"

#include "sim/SimulatorImpl.h"

namespace relvane::sim {

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

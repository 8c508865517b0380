#include "link/MemoryBackend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace relvane {

struct MemoryBackend::State {
    struct Adapter {
        QString description;
        bool detailsOk;
        quint64 id;
    };
    mutable std::mutex mutex;
    std::condition_variable received;
    QList<Adapter> adapters;
    quint64 nextId = 1;
    bool listFails = false;
    bool openFails = false;
    int openDelayMs = 0;
    QByteArray rx;
    int readChunk = 0;
    int failReads = 0;
    ReadStatus failStatus = ReadStatus::Failed;
    QList<int> writeSteps;
    QByteArray written;
    QList<QByteArray> writeCalls;
    int openCount = 0;
    int openPorts = 0;
    int readCount = 0;

    bool Present(quint64 id) const {
        for (const Adapter& a : adapters)
            if (a.id == id) return true;
        return false;
    }
};

namespace {

class MemoryPort final : public AdapterPort {
public:
    MemoryPort(std::shared_ptr<MemoryBackend::State> s, quint64 id) : s_(std::move(s)), id_(id) {}
    ~MemoryPort() override {
        std::lock_guard<std::mutex> lock(s_->mutex);
        --s_->openPorts;
    }
    MemoryPort(const MemoryPort&) = delete;
    MemoryPort& operator=(const MemoryPort&) = delete;

    ReadStatus Read(std::uint8_t* buffer, int max, int* got) override {
        *got = 0;
        std::unique_lock<std::mutex> lock(s_->mutex);
        ++s_->readCount;
        if (!s_->Present(id_)) return ReadStatus::Gone;
        if (s_->failReads > 0) {
            --s_->failReads;
            return s_->failStatus;
        }
        if (s_->rx.isEmpty()) {
            s_->received.wait_for(lock, std::chrono::milliseconds(LINK_READ_TIMEOUT_MS));
            if (!s_->Present(id_)) return ReadStatus::Gone;
        }
        int n = std::min<int>(max, int(s_->rx.size()));
        if (s_->readChunk > 0) n = std::min(n, s_->readChunk);
        if (n > 0) {
            std::memcpy(buffer, s_->rx.constData(), static_cast<std::size_t>(n));
            s_->rx.remove(0, n);
        }
        *got = n;
        return ReadStatus::Ok;
    }

    bool Write(const std::uint8_t* bytes, int count, int* written) override {
        *written = 0;
        std::lock_guard<std::mutex> lock(s_->mutex);
        if (!s_->Present(id_)) return false;
        int accept = count;
        if (!s_->writeSteps.isEmpty()) {
            const int step = s_->writeSteps.takeFirst();
            if (step < 0) return false;
            accept = std::min(count, step);
        }
        const QByteArray part(reinterpret_cast<const char*>(bytes), accept);
        s_->written.append(part);
        s_->writeCalls.append(part);
        *written = accept;
        return true;
    }

private:
    std::shared_ptr<MemoryBackend::State> s_;
    quint64 id_;
};

}  // namespace

MemoryBackend::MemoryBackend() : state_(std::make_shared<State>()) {}
MemoryBackend::~MemoryBackend() = default;

void MemoryBackend::AddAdapter(const QString& description, bool detailsOk) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->adapters.append(State::Adapter{description, detailsOk, state_->nextId++});
}

void MemoryBackend::RemoveAdapter(const QString& description) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (qsizetype i = 0; i < state_->adapters.size(); ++i) {
        if (state_->adapters[i].description == description) {
            state_->adapters.removeAt(i);
            state_->rx.clear();
            break;
        }
    }
    state_->received.notify_all();
}

void MemoryBackend::SetListFails(bool fails) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->listFails = fails;
}

void MemoryBackend::SetOpenFails(bool fails) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->openFails = fails;
}

void MemoryBackend::SetOpenDelayMs(int ms) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->openDelayMs = ms;
}

void MemoryBackend::Deliver(const QByteArray& bytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->rx.append(bytes);
    state_->received.notify_all();
}

void MemoryBackend::SetReadChunk(int bytes) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->readChunk = bytes;
}

void MemoryBackend::FailReads(int n, ReadStatus status) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->failReads = n;
    state_->failStatus = status;
    state_->received.notify_all();
}

void MemoryBackend::ScriptWrites(const QList<int>& steps) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->writeSteps = steps;
}

QByteArray MemoryBackend::Written() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->written;
}

QList<QByteArray> MemoryBackend::WriteCalls() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->writeCalls;
}

void MemoryBackend::ClearWritten() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->written.clear();
    state_->writeCalls.clear();
}

int MemoryBackend::OpenCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->openCount;
}

int MemoryBackend::OpenPorts() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->openPorts;
}

int MemoryBackend::ReadCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->readCount;
}

int MemoryBackend::Pending() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return int(state_->rx.size());
}

bool MemoryBackend::ListAdapters(QList<AdapterInfo>& out) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->listFails) return false;
    for (const State::Adapter& a : state_->adapters) out.append(AdapterInfo{a.description, a.detailsOk});
    return true;
}

std::unique_ptr<AdapterPort> MemoryBackend::Open(const QString& description) {
    int delay = 0;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        delay = state_->openDelayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->openFails || description.isEmpty()) return nullptr;
    for (const State::Adapter& a : state_->adapters) {
        if (a.detailsOk && a.description == description) {
            ++state_->openCount;
            ++state_->openPorts;
            return std::make_unique<MemoryPort>(state_, a.id);
        }
    }
    return nullptr;
}

}  // namespace relvane

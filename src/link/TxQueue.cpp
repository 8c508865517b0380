#include "link/TxQueue.h"

#include <cstring>

namespace relvane {

TxQueue::TxQueue() {
    std::memset(slots_, 0, sizeof slots_);
    std::memset(lastBytes_, 0, sizeof lastBytes_);
}

bool TxQueue::Add(const std::uint8_t* bytes, int count) {
    if (count <= 0 || count > TX_ENTRY_MAX || bytes == nullptr) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    PutLocked(bytes, count);
    return true;
}

void TxQueue::PutLocked(const std::uint8_t* bytes, int count) {
    for (int i = 0; i < TX_QUEUE_SLOTS; ++i) {
        Slot& s = slots_[i];
        if (!s.busy) {
            s.length = count;
            std::memmove(s.data, bytes, static_cast<std::size_t>(count));
            s.busy = 1;
            // The source may be the record itself (a resend); memmove copes.
            std::memmove(lastBytes_, bytes, static_cast<std::size_t>(count));
            lastLength_ = count;
            lastPresent_ = true;
            return;
        }
        if (i == TX_QUEUE_SLOTS - 1) {
            // Every slot is busy: drop all that waited and scan again from slot 0.
            std::memset(slots_, 0, sizeof slots_);
            i = -1;
        }
    }
}

bool TxQueue::ResendLast() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!lastPresent_) return false;
    PutLocked(lastBytes_, lastLength_);
    lastPresent_ = false;
    return true;
}

void TxQueue::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::memset(slots_, 0, sizeof slots_);
}

bool TxQueue::WriteOne(const Writer& write, const Sleeper& sleep) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Slot& s : slots_) {
        if (!s.busy) continue;
        switch (write(s.data, s.length)) {
        case WriteResult::Complete:
            std::memset(&s, 0, sizeof s);
            sleep(2);
            return true;
        case WriteResult::Short:
            sleep(5);
            return false;
        case WriteResult::Failed:
            sleep(5);
            break;  // try the next busy slot
        }
    }
    return false;
}

int TxQueue::WaitingCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const Slot& s : slots_) n += s.busy ? 1 : 0;
    return n;
}

QList<QByteArray> TxQueue::WaitingEntries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    QList<QByteArray> out;
    for (const Slot& s : slots_) {
        if (s.busy) out.append(QByteArray(reinterpret_cast<const char*>(s.data), s.length));
    }
    return out;
}

bool TxQueue::HasLastEntry() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastPresent_;
}

QByteArray TxQueue::LastEntry() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return QByteArray(reinterpret_cast<const char*>(lastBytes_), lastLength_);
}

}  // namespace relvane

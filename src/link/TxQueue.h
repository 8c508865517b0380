#pragma once
// The link's transmit queue: 25 fixed slots filled by the user-interface thread and
// drained one entry per pass by the link thread. Its mutex is the only lock the two
// threads share for data.

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <functional>
#include <mutex>

namespace relvane {

inline constexpr int TX_QUEUE_SLOTS = 25;
inline constexpr int TX_ENTRY_MAX = 300;  // the largest entry, a 259-byte firmware block, fits

class TxQueue {
public:
    // What one write attempt of an entry gave.
    enum class WriteResult { Complete, Short, Failed };
    // Writes one entry; called with the queue's lock held.
    using Writer = std::function<WriteResult(const std::uint8_t* bytes, int count)>;
    // Pauses the calling thread; replaceable so tests need not sleep.
    using Sleeper = std::function<void(int ms)>;

    TxQueue();

    // Puts one entry into the lowest free slot and records it as the last entry.
    // When every slot is busy, everything waiting is discarded first, so a full
    // queue keeps only the newest entry. Entries longer than a slot (or empty, or
    // without bytes) are refused with false and change nothing.
    bool Add(const std::uint8_t* bytes, int count);

    // Queues the last queued entry once more, once per queued entry: the record's
    // flag is cleared, so a second call before a new Add does nothing. True when
    // something was queued.
    bool ResendLast();

    // Discards every waiting entry (the last-entry record is kept).
    void Clear();

    // Writes at most one entry: the first busy slot in slot order. A complete write
    // frees the slot and pauses 2 ms; a short write leaves it waiting to be written
    // again whole and pauses 5 ms; a failed write pauses 5 ms and the next busy slot
    // is tried. Returns true when an entry was written completely.
    bool WriteOne(const Writer& write, const Sleeper& sleep);

    // Inspection, for diagnostics and tests.
    int WaitingCount() const;
    QList<QByteArray> WaitingEntries() const;  // in slot order
    bool HasLastEntry() const;
    QByteArray LastEntry() const;

private:
    struct Slot {
        std::uint8_t busy;
        std::int32_t length;
        std::uint8_t data[TX_ENTRY_MAX];
    };

    void PutLocked(const std::uint8_t* bytes, int count);

    mutable std::mutex mutex_;
    Slot slots_[TX_QUEUE_SLOTS];
    bool lastPresent_ = false;
    std::int32_t lastLength_ = 0;
    std::uint8_t lastBytes_[TX_ENTRY_MAX];
};

}  // namespace relvane

#pragma once
// The link thread: owns the open adapter, reads what the module sends, writes the
// transmit queue one entry per pass, notices a lost adapter and re-opens it by its
// description. Everything it receives or notices is handed to the user-interface
// thread (the thread that created it) synchronously.

#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/TxQueue.h"

#include <QObject>
#include <QSemaphore>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

class QThread;

namespace relvane {

// Link states.
inline constexpr int LINK_CLOSED = 0;
inline constexpr int LINK_LOST = 1;  // re-opening every 250 ms
inline constexpr int LINK_OPEN = 2;

// Receive modes.
inline constexpr int RX_MODE_FRAMES = 0;  // bytes go to the frame receiver
inline constexpr int RX_MODE_RAW = 1;     // bytes go to the raw byte handler

inline constexpr int LINK_RX_BUFFER = 4096;
inline constexpr int LINK_PASS_WAIT_MS = 10;
inline constexpr int LINK_REOPEN_INTERVAL_MS = 250;

// Told on the user-interface thread when the adapter is lost and when it is back.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void OnLinkLost() = 0;
    virtual void OnLinkRestored() = 0;
};

// Takes received bytes one at a time in raw mode (the firmware update).
class RawByteHandler {
public:
    virtual ~RawByteHandler() = default;
    virtual void OnRawByte(std::uint8_t b) = 0;
};

class UsbThread : public QObject, public TxSink, public LinkControl {
    Q_OBJECT
public:
    // The backend is not owned and must outlive the link. The thread is created
    // here and starts on the first successful Open.
    explicit UsbThread(AdapterBackend& backend, QObject* parent = nullptr);
    // Stops the loop and joins it; the adapter is closed.
    ~UsbThread() override;
    UsbThread(const UsbThread&) = delete;
    UsbThread& operator=(const UsbThread&) = delete;

    // Appends the description of every adapter present that has one; returns how
    // many were appended (0 when listing fails).
    int ListUsbDevices(QStringList& list);

    // Opens the adapter with this description. An adapter already open is closed
    // first. True on success: the state is open and the description remembered.
    bool Open(const QString& description);
    // Why the last Open failed (OpenFailure::None after one that succeeded). The link
    // thread's own re-opens of a lost adapter do not change it.
    OpenError LastOpenError() const;
    // Closes the adapter and forgets the description; entries stay queued.
    void Close();

    // TxSink: queues one entry (at most TX_ENTRY_MAX bytes; longer ones are refused).
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override;
    // LinkControl: queues the last entry once more, once per queued entry.
    void ResendLastFrame() override;

    // The fast link: instead of a pass every 10 ms, the thread waits on the port and on the
    // queue, reads as soon as bytes arrive and writes an entry as soon as it is queued; the
    // module's answers still pace every exchange. Off by default (the tool's own pace).
    void SetFastLink(bool fast) { fast_.store(fast); Wake(); }
    bool FastLink() const { return fast_.load(); }

    // Stores the receive mode (RX_MODE_FRAMES or RX_MODE_RAW; other values are
    // ignored) and tells whether the link is open.
    bool SetRxMode(int mode);
    int RxMode() const { return rxMode_.load(); }

    int State() const { return state_.load(); }
    QString Description() const;
    bool HasOpenPort() const;
    bool IsRunning() const;

    // Where received bytes and events go; set and used on the user-interface thread.
    void SetFrameReceiver(SlipReceiver* receiver) { receiver_ = receiver; }
    void SetRawByteHandler(RawByteHandler* handler) { rawHandler_ = handler; }
    void SetLinkObserver(LinkObserver* observer) { observer_ = observer; }

    // Tells the loop to end. A hand-off that the user-interface thread has not begun
    // is abandoned, so the loop ends without that thread's help. Open fails afterwards.
    void Stop();
    // Stop() and wait for the loop to end (ms < 0: without limit). Returns false
    // when it timed out, or when called from inside a hand-off, where waiting for the
    // link thread would wait for itself.
    bool Join(int ms = -1);

    TxQueue& Queue() { return queue_; }

private:
    enum class HandOffKind { Chunk, Lost, Restored };

    void Run();
    void PassOpen();
    void PassOpenFast();
    // With portGuard_ held, after a read found the port gone: drops it; true (and the
    // generation) when the link was open and is now lost.
    bool DropGonePort(quint64* generation);
    // One write of a queued entry, under portGuard_.
    TxQueue::WriteResult WriteToPort(const std::uint8_t* bytes, int count);
    // Ends the fast link's wait (an entry was queued).
    void Wake();
    void PassLost();
    bool ReopenLost(quint64* generation);
    bool HandOff(HandOffKind kind, quint64 generation);
    // Runs on the user-interface thread. The link thread is always released, also when
    // a handler throws; the first error is then thrown on (to the application's error
    // display) once the link is free, further ones each in an event of their own.
    void RunHandOff(quint64 token, HandOffKind kind, quint64 generation);
    static void PostError(std::exception_ptr error);
    void Pause(int ms);
    void StartOnce();

    AdapterBackend& backend_;
    TxQueue queue_;
    QThread* thread_ = nullptr;
    std::atomic<bool> started_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> state_{LINK_CLOSED};
    std::atomic<int> rxMode_{RX_MODE_FRAMES};
    std::atomic<bool> fast_{false};
    int wakeFd_ = -1;  // an eventfd the fast link polls with the port

    // Guards the open port, the remembered description and the generation, so an
    // Open or Close from the user-interface thread and a re-open by the link thread
    // never see them half-changed. Held across a read or a write of the port, never
    // across a hand-off, and never while taking the queue's lock.
    mutable std::mutex portGuard_;
    std::unique_ptr<AdapterPort> port_;
    QString description_;
    quint64 generation_ = 0;  // changes with every successful Open and every Close
    OpenError lastOpenError_;

    // Receive buffer: written by the link thread, read by the hand-off while the link
    // thread waits for it.
    std::uint8_t rxBuffer_[LINK_RX_BUFFER];
    int rxCount_ = 0;
    // Where the frame bytes read so far stand, for the fast link's gathering (link thread only):
    // after an opening END (rxOpened_) or a frame's own bytes (rxFilled_) a frame is still
    // arriving; its closing END ends it.
    bool rxOpened_ = false;
    bool rxFilled_ = false;
    bool FollowFrameEdges(const std::uint8_t* bytes, int count);

    // Hand-off: token = sequence << 2 | phase.
    std::atomic<quint64> handOffToken_{0};
    quint64 handOffSeq_ = 0;
    QSemaphore handOffDone_;
    QSemaphore wake_;  // ends the idle wait of the closed state
    bool inHandOff_ = false;  // user-interface thread only

    SlipReceiver* receiver_ = nullptr;
    RawByteHandler* rawHandler_ = nullptr;
    LinkObserver* observer_ = nullptr;
};

}  // namespace relvane

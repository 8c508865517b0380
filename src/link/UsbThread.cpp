#include "link/UsbThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>

#include <cstring>
#include <exception>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace relvane {

namespace {

// Hand-off phases, in the low two bits of the token.
constexpr quint64 PHASE_DONE = 0;
constexpr quint64 PHASE_POSTED = 1;
constexpr quint64 PHASE_RUNNING = 2;
constexpr quint64 PHASE_ABANDONED = 3;

}  // namespace

UsbThread::UsbThread(AdapterBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {
    std::memset(rxBuffer_, 0, sizeof rxBuffer_);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    thread_ = QThread::create([this] { Run(); });
    thread_->setObjectName(QStringLiteral("UsbThread"));
}

UsbThread::~UsbThread() {
    Stop();
    if (inHandOff_) {
        // Destroyed by a handler of its own hand-off: let the link thread go on (it
        // sees the stop flag and ends) rather than wait for a hand-off that can only
        // finish after this destructor.
        handOffDone_.release();
    }
    if (started_.load()) thread_->wait();
    delete thread_;
    {
        std::lock_guard<std::mutex> lock(portGuard_);
        port_.reset();
    }
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

int UsbThread::ListUsbDevices(QStringList& list) {
    QList<AdapterInfo> adapters;
    if (!backend_.ListAdapters(adapters)) return 0;
    int count = 0;
    for (const AdapterInfo& a : adapters) {
        // Adapters without readable details or without a description cannot be
        // opened by description, so they are neither offered nor counted.
        if (!a.detailsOk || a.description.isEmpty()) continue;
        list.append(a.description);
        ++count;
    }
    return count;
}

bool UsbThread::Open(const QString& description) {
    if (stop_.load()) return false;
    {
        std::lock_guard<std::mutex> lock(portGuard_);
        if (port_) {
            // A second handle must not leak the first one (nor be refused by it).
            port_.reset();
            state_.store(LINK_CLOSED);
            description_.clear();
            ++generation_;
        }
        std::unique_ptr<AdapterPort> port = backend_.OpenExplained(description, &lastOpenError_);
        if (!port) return false;
        lastOpenError_ = OpenError{};
        port_ = std::move(port);
        description_ = description;
        ++generation_;
        state_.store(LINK_OPEN);
    }
    StartOnce();
    wake_.release();
    return true;
}

void UsbThread::StartOnce() {
    bool expected = false;
    if (!started_.compare_exchange_strong(expected, true)) return;
    // The queue starts empty with the thread. Cleared here, before the thread runs,
    // so that an entry queued right after Open returns cannot be wiped by it.
    queue_.Clear();
    thread_->start(QThread::HighPriority);
}

void UsbThread::Close() {
    state_.store(LINK_CLOSED);
    QThread::msleep(5);
    std::lock_guard<std::mutex> lock(portGuard_);
    // Set again under the guard: a re-open that was under way has either finished
    // (and is undone here) or will see the closed state and give up.
    state_.store(LINK_CLOSED);
    description_.clear();
    port_.reset();
    ++generation_;
}

bool UsbThread::AddToTxQueue(const std::uint8_t* bytes, int count) {
    const bool added = queue_.Add(bytes, count);
    if (fast_.load()) Wake();
    return added;
}

void UsbThread::ResendLastFrame() {
    queue_.ResendLast();
    if (fast_.load()) Wake();
}

void UsbThread::Wake() {
    if (wakeFd_ < 0) return;
    const std::uint64_t one = 1;
    // Only fails when the counter is full, and then the thread is woken anyway.
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

bool UsbThread::SetRxMode(int mode) {
    if (mode == RX_MODE_FRAMES || mode == RX_MODE_RAW) rxMode_.store(mode);
    return state_.load() == LINK_OPEN;
}

QString UsbThread::Description() const {
    std::lock_guard<std::mutex> lock(portGuard_);
    return description_;
}

OpenError UsbThread::LastOpenError() const {
    std::lock_guard<std::mutex> lock(portGuard_);
    return lastOpenError_;
}

bool UsbThread::HasOpenPort() const {
    std::lock_guard<std::mutex> lock(portGuard_);
    return port_ != nullptr;
}

bool UsbThread::IsRunning() const { return started_.load() && thread_->isRunning(); }

void UsbThread::Stop() {
    stop_.store(true);
    wake_.release();
    Wake();
}

bool UsbThread::Join(int ms) {
    Stop();
    if (!started_.load()) return true;
    if (QThread::currentThread() == thread_ || inHandOff_) return false;
    return thread_->wait(ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms));
}

void UsbThread::Pause(int ms) {
    // Short enough slices that a stop request is seen within a few milliseconds.
    QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (!stop_.load()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) return;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 10)));
    }
}

void UsbThread::Run() {
    while (!stop_.load()) {
        switch (state_.load()) {
        case LINK_OPEN:
            if (fast_.load()) PassOpenFast();
            else PassOpen();
            break;
        case LINK_LOST:
            PassLost();
            break;
        default:
            // Closed: no I/O; Open and Stop end the wait early.
            wake_.tryAcquire(1, 50);
            break;
        }
    }
    std::lock_guard<std::mutex> lock(portGuard_);
    port_.reset();
}

bool UsbThread::DropGonePort(quint64* generation) {
    // Closed at once, so a dead port is reported once, not on every pass.
    port_.reset();
    if (state_.load() != LINK_OPEN) return false;
    state_.store(LINK_LOST);
    *generation = generation_;
    return true;
}

TxQueue::WriteResult UsbThread::WriteToPort(const std::uint8_t* bytes, int count) {
    std::lock_guard<std::mutex> lock(portGuard_);
    if (!port_) return TxQueue::WriteResult::Failed;
    int written = 0;
    if (!port_->Write(bytes, count, &written)) return TxQueue::WriteResult::Failed;
    return written >= count ? TxQueue::WriteResult::Complete : TxQueue::WriteResult::Short;
}

void UsbThread::PassOpen() {
    Pause(LINK_PASS_WAIT_MS);
    if (stop_.load()) return;

    ReadStatus status = ReadStatus::Ok;
    int got = 0;
    bool lost = false;
    quint64 generation = 0;
    {
        std::lock_guard<std::mutex> lock(portGuard_);
        if (!port_) return;  // closed meanwhile
        status = port_->Read(rxBuffer_, LINK_RX_BUFFER, &got);
        if (status == ReadStatus::Gone) lost = DropGonePort(&generation);
    }
    if (status == ReadStatus::Ok && got > 0) {
        rxCount_ = got;
        HandOff(HandOffKind::Chunk, 0);
        QThread::msleep(1);  // the pause after a chunk
        Pause(5);
    } else if (lost) {
        HandOff(HandOffKind::Lost, generation);
    }
    // ReadStatus::Failed is a passing error; the port stays and writing goes on.

    if (stop_.load() || state_.load() != LINK_OPEN) return;
    queue_.WriteOne(
        [this](const std::uint8_t* bytes, int count) { return WriteToPort(bytes, count); },
        [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); });
}

bool UsbThread::FollowFrameEdges(const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (bytes[i] != SLIP_END) {
            rxFilled_ = true;
        } else if (rxFilled_) {
            rxFilled_ = false;  // a frame's closing END
            rxOpened_ = false;
        } else {
            rxOpened_ = true;  // an opening END (or one between two)
        }
    }
    return rxOpened_ || rxFilled_;
}

void UsbThread::PassOpenFast() {
    // Wait for bytes or a queued entry; 10 ms at most, so a stop, a closed port and a pulled
    // adapter (seen by the read) are noticed as in the paced loop.
    int fd = -1;
    {
        std::lock_guard<std::mutex> lock(portGuard_);
        if (!port_) return;
        fd = port_->Descriptor();
    }
    bool readable = fd < 0;
    if (queue_.WaitingCount() == 0 || fd >= 0) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        // A queued entry does not end the wait when the port has no descriptor: its read waits
        // for bytes itself, within the read time-out.
        if (fd >= 0) {
            const int r = ::poll(p, 2, queue_.WaitingCount() > 0 ? 0 : LINK_PASS_WAIT_MS);
            readable = r > 0 && (p[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
        }
        std::uint64_t count = 0;
        if (wakeFd_ >= 0) [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    if (stop_.load()) return;

    if (readable) {
        ReadStatus status = ReadStatus::Ok;
        int got = 0;
        bool lost = false;
        quint64 generation = 0;
        {
            std::lock_guard<std::mutex> lock(portGuard_);
            if (!port_) return;
            status = port_->Read(rxBuffer_, LINK_RX_BUFFER, &got);
            // A frame arrives a byte at a time: its bytes are gathered until its closing END
            // (or a pause of 2 ms) so that it crosses to the user-interface thread once, not
            // byte by byte, nor its opening END alone. Raw bytes (the bootloader's) go at once.
            const bool frames = fd >= 0 && rxMode_.load() == RX_MODE_FRAMES;
            bool arriving = frames && status == ReadStatus::Ok && got > 0 && FollowFrameEdges(rxBuffer_, got);
            while (arriving && got < LINK_RX_BUFFER) {
                pollfd more{fd, POLLIN, 0};
                if (::poll(&more, 1, 2) <= 0) break;
                int extra = 0;
                status = port_->Read(rxBuffer_ + got, LINK_RX_BUFFER - got, &extra);
                if (status != ReadStatus::Ok) {
                    // What came before still goes over; the failure shows on the next read.
                    status = ReadStatus::Ok;
                    break;
                }
                arriving = FollowFrameEdges(rxBuffer_ + got, extra);
                got += extra;
            }
            if (status == ReadStatus::Gone) lost = DropGonePort(&generation);
        }
        if (status == ReadStatus::Ok && got > 0) {
            rxCount_ = got;
            HandOff(HandOffKind::Chunk, 0);
        } else if (lost) {
            HandOff(HandOffKind::Lost, generation);
        }
    }

    // Everything queued goes out now, one entry after the other.
    while (!stop_.load() && state_.load() == LINK_OPEN && queue_.WaitingCount() > 0) {
        const bool complete = queue_.WriteOne(
            [this](const std::uint8_t* bytes, int count) { return WriteToPort(bytes, count); },
            // No rest after a complete write; a short or failed one waits as in the paced loop.
            [](int ms) {
                if (ms > 2) QThread::msleep(static_cast<unsigned long>(ms));
            });
        if (!complete) break;
    }
}

void UsbThread::PassLost() {
    Pause(LINK_REOPEN_INTERVAL_MS);
    if (stop_.load()) return;
    quint64 generation = 0;
    if (ReopenLost(&generation)) HandOff(HandOffKind::Restored, generation);
}

bool UsbThread::ReopenLost(quint64* generation) {
    std::lock_guard<std::mutex> lock(portGuard_);
    // An Open or Close from the user-interface thread has taken over.
    if (state_.load() != LINK_LOST || port_) return false;
    std::unique_ptr<AdapterPort> port = backend_.Open(description_);
    if (!port) return false;
    int expected = LINK_LOST;
    if (!state_.compare_exchange_strong(expected, LINK_OPEN)) return false;  // Close began
    port_ = std::move(port);
    ++generation_;
    *generation = generation_;
    return true;
}

bool UsbThread::HandOff(HandOffKind kind, quint64 generation) {
    const quint64 seq = ++handOffSeq_;
    const quint64 posted = (seq << 2) | PHASE_POSTED;
    handOffToken_.store(posted);
    QMetaObject::invokeMethod(
        this, [this, posted, kind, generation] { RunHandOff(posted, kind, generation); },
        Qt::QueuedConnection);
    for (;;) {
        if (handOffDone_.tryAcquire(1, 10)) {
            // Pairs with the store in RunHandOff: what the user-interface thread did
            // with the receive buffer is complete before the next read refills it.
            (void)handOffToken_.load(std::memory_order_acquire);
            return true;
        }
        if (stop_.load()) {
            quint64 expected = posted;
            if (handOffToken_.compare_exchange_strong(expected, (seq << 2) | PHASE_ABANDONED))
                return false;
            // Already running on the user-interface thread: it finishes by itself.
        }
    }
}

void UsbThread::RunHandOff(quint64 posted, HandOffKind kind, quint64 generation) {
    quint64 expected = posted;
    const quint64 running = (posted & ~quint64(3)) | PHASE_RUNNING;
    if (!handOffToken_.compare_exchange_strong(expected, running)) return;  // abandoned

    QPointer<UsbThread> self(this);
    inHandOff_ = true;
    // A handler that throws must not keep the link thread waiting: the error is held
    // until the link is released, then thrown on to the application's error display.
    // The bytes after it in the chunk are still handed over, so the next frame arrives.
    std::exception_ptr error;
    const auto guarded = [&](auto&& call) {
        try {
            call();
        } catch (...) {
            if (!error) error = std::current_exception();
            else PostError(std::current_exception());
        }
    };
    switch (kind) {
    case HandOffKind::Chunk:
        for (int i = 0; i < rxCount_; ++i) {
            const std::uint8_t b = rxBuffer_[i];
            // Read per byte: a handler may switch the mode or drop the raw handler.
            if (rxMode_.load() == RX_MODE_FRAMES) {
                if (receiver_) guarded([&] { receiver_->Feed(b); });
            } else if (rawHandler_) {
                guarded([&] { rawHandler_->OnRawByte(b); });
            }
            if (!self) break;
        }
        break;
    case HandOffKind::Lost:
    case HandOffKind::Restored: {
        bool current = false;
        {
            std::lock_guard<std::mutex> lock(portGuard_);
            current = generation_ == generation;
        }
        // An Open or Close since the event makes it stale: the user has moved on.
        if (current && observer_) {
            guarded([&] {
                if (kind == HandOffKind::Lost) observer_->OnLinkLost();
                else observer_->OnLinkRestored();
            });
        }
        break;
    }
    }
    // Destroyed by a handler: its destructor has let the link thread go.
    if (self) {
        inHandOff_ = false;
        handOffToken_.store((posted & ~quint64(3)) | PHASE_DONE, std::memory_order_release);
        handOffDone_.release();
    }
    if (error) std::rethrow_exception(error);
}

void UsbThread::PostError(std::exception_ptr error) {
    // Each further error of one hand-off in an event of its own, so each is shown.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [error] { std::rethrow_exception(error); }, Qt::QueuedConnection);
}

}  // namespace relvane

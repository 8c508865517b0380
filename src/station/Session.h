#pragma once
// One connection to a module: the adapter opened through the link thread, the frame receiver and
// the dispatcher. The link hands its bytes to the thread that created the session, so every wait
// runs that thread's event loop; a station runs one session per adapter, each on its own thread.

#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace relvane {

class Session : public QObject, public LinkObserver {
    Q_OBJECT
public:
    using Say = std::function<void(const QString&)>;

    // say takes the session's messages (a lost link); interrupted is polled while waiting (a
    // Ctrl+C, a station's Stop); empty: never.
    Session(AdapterBackend& backend, Say say, std::function<bool()> interrupted = {});
    ~Session() override;

    // Opens the adapter with exactly this description; false when it cannot be opened.
    bool OpenAdapter(const QString& description);

    Dispatcher& dispatcher() { return dispatcher_; }
    UsbThread& link() { return *link_; }
    TxSink& tx() { return *link_; }
    AdapterBackend& backend() { return backend_; }
    QString Description() const { return description_; }

    void Send(const Frame& frame);

    // Runs the event loop until done() holds (true), the time runs out or an interrupt
    // comes (false). timeoutMs < 0: no limit.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Runs the event loop for ms milliseconds (an interrupt ends it early).
    void Pause(int ms);
    // Waits (up to 2 s) until everything queued has gone out, so nothing is lost at exit.
    bool Drain();

    bool Interrupted() const { return interrupted_ && interrupted_(); }
    bool LinkLost() const { return lost_; }
    // How often the link was lost and came back since the session opened.
    int Losses() const { return losses_; }
    int Restores() const { return restores_; }

    // The version check of Read and Upload: VERSION_REQ every 400 ms (the heartbeat), up to
    // 1 s for an answer, versions 8.00 to 9.99. The answer's text is kept in *text.
    VersionCheckResult RunVersionCheck(QByteArray* text = nullptr);
    // Asks the version every 400 ms until the module answers or timeoutMs passes; true on an
    // answer (any version). The answer's text is kept in *text.
    bool WaitForAnswer(int timeoutMs, QByteArray* text = nullptr);

    // LinkObserver
    void OnLinkLost() override;
    void OnLinkRestored() override;

protected:
    void Say_(const QString& text) const {
        if (say_) say_(text);
    }

private:
    AdapterBackend& backend_;
    Say say_;
    std::function<bool()> interrupted_;
    std::unique_ptr<UsbThread> link_;
    SlipReceiver receiver_;
    Dispatcher dispatcher_;
    QString description_;
    bool lost_ = false;
    int losses_ = 0;
    int restores_ = 0;
};

}  // namespace relvane

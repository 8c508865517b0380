#pragma once
// One connection to a module for the length of a command: the adapter opened through the link
// thread, the frame receiver and the dispatcher. The link hands its bytes to the thread that
// created the session, so every wait runs that thread's event loop.

#include "cli/Console.h"
#include "link/AdapterBackend.h"
#include "link/FrameCodec.h"
#include "link/UsbThread.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace relvane::cli {

// Exit statuses of the program.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILED = 1;     // the module or a check failed
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_ADAPTER = 3;  // no adapter could be opened

// The adapter to open: the one asked for, else the only one present. On failure *message
// explains (listing the adapters present when there are several) and the result is empty.
// *status is EXIT_NO_ADAPTER when none is present or the one asked for is not, EXIT_USAGE when
// several are present and none was asked for.
QString ChooseAdapter(AdapterBackend& backend, const QString& requested, QStringList* message,
                      int* status);

class Session : public QObject, public LinkObserver {
    Q_OBJECT
public:
    // interrupted is polled while waiting (a Ctrl+C); empty: never.
    Session(AdapterBackend& backend, Console& console, std::function<bool()> interrupted = {});
    ~Session() override;

    // Opens the adapter (see ChooseAdapter). EXIT_OK, or the failure status after the messages.
    int Open(const QString& requested);

    Dispatcher& dispatcher() { return dispatcher_; }
    UsbThread& link() { return *link_; }
    TxSink& tx() { return *link_; }
    QString Description() const { return description_; }

    void Send(const Frame& frame);

    // Runs the event loop until done() holds (true), the time runs out or an interrupt
    // comes (false). timeoutMs < 0: no limit.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Runs the event loop for ms milliseconds.
    void Pause(int ms);
    // Waits (up to 2 s) until everything queued has gone out, so nothing is lost at exit.
    bool Drain();

    bool Interrupted() const { return interrupted_ && interrupted_(); }
    bool LinkLost() const { return lost_; }

    // The version check of Read and Upload: VERSION_REQ every 400 ms (the heartbeat), up to
    // 1 s for an answer, versions 8.00 to 9.99. The answer's text is kept in *text.
    VersionCheckResult RunVersionCheck(QByteArray* text = nullptr);

    // LinkObserver
    void OnLinkLost() override;
    void OnLinkRestored() override;

private:
    AdapterBackend& backend_;
    Console& console_;
    std::function<bool()> interrupted_;
    std::unique_ptr<UsbThread> link_;
    SlipReceiver receiver_;
    Dispatcher dispatcher_;
    QString description_;
    bool lost_ = false;
};

}  // namespace relvane::cli

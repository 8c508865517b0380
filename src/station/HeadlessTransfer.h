#pragma once
// The main window's part of a whole-configuration transfer, for front ends without windows (the
// command line, the station): messages go to the session's message sink, the questions are
// answered by the caller, the progress is a count of the blocks that arrived or were
// acknowledged.

#include "config/ConfigModel.h"
#include "protocol/Dispatcher.h"
#include "protocol/TransferSequencer.h"
#include "station/Session.h"

#include <QElapsedTimer>
#include <QStringList>

#include <functional>

namespace relvane {

class HeadlessTransferHost : public TransferHost, public MainFrameHandler {
public:
    // progress(blocks, total) after each block; called with 0 when a transfer starts.
    using ProgressFn = std::function<void(int, int)>;
    HeadlessTransferHost(Session& session, Session::Say say, ProgressFn progress = {});

    bool rebootAnswer = false;
    bool factoryAnswer = false;
    // > 0: a transfer without a block for this long is cancelled (the station's "no answer");
    // the command line keeps the progress window's own time-out.
    int stallMs = 0;
    ProgressEnd lastEnd = ProgressEnd::Finished;
    // Why the transfer was cancelled by the host: "stopped", "no answer", "link lost"; empty
    // when it was not.
    QString cancelReason;
    QStringList messages;
    int blocks = 0;

    // TransferHost
    bool Connected() const override;
    bool FirmwareBusy() const override { return false; }
    TxSink& TxQueue() override { return session_.tx(); }
    // There is no monitor selection to move here.
    bool ResetMonitorSelection() override { return false; }
    void PauseMs(int ms) override { session_.Pause(ms); }
    VersionCheckResult RunVersionCheck() override { return session_.RunVersionCheck(); }
    ProgressEnd RunProgress(const std::function<void()>& cancel) override;
    void CloseProgress() override { headless_.Close(); }
    void SetTransferBusy(bool) override {}
    void RequestNamePropagation() override {}
    void SetTitleSourceModule() override {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

    // MainFrameHandler: counts the blocks for the progress.
    void OnConfigBlockRead(std::uint8_t, const std::uint8_t*, int) override { Count(); }
    void OnConfigBlockWritten(std::uint8_t, int) override { Count(); }

private:
    void Count();

    Session& session_;
    Session::Say say_;
    ProgressFn progress_;
    HeadlessProgress headless_;
    const QElapsedTimer* countFrom_ = nullptr;  // the running transfer's clock
    qint64 lastBlockMs_ = 0;
};

// A sequencer over its own model with its host, put on the session's dispatcher for its life.
class HeadlessTransfer {
public:
    HeadlessTransfer(Session& session, Session::Say say, HeadlessTransferHost::ProgressFn progress = {});
    ~HeadlessTransfer();
    HeadlessTransfer(const HeadlessTransfer&) = delete;
    HeadlessTransfer& operator=(const HeadlessTransfer&) = delete;

    // Puts the sequencer and the host on the dispatcher (after a box name read: a NAME_READ_CFM
    // moves the sequencer on whatever its state).
    void Attach();
    // True when the read ran to its end with every block, so the model holds the module's
    // configuration.
    bool Read();
    // True when the upload ran to its end.
    bool Upload();
    // True when the defaults were restored and read back whole.
    bool FactoryDefault();

    Session& session;
    ConfigModel model;
    HeadlessTransferHost host;
    TransferSequencer sequencer;

private:
    bool attached_ = false;
};

// Reads the module's box name (which configuration files do not hold) into *into; false when
// no answer came within 2 s. Must run while no sequencer listens.
bool ReadBoxName(Session& session, ConfigModel& into);

}  // namespace relvane

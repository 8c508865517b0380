#include "station/HeadlessTransfer.h"

#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

namespace relvane {

HeadlessTransferHost::HeadlessTransferHost(Session& session, Session::Say say, ProgressFn progress)
    : session_(session), say_(std::move(say)), progress_(std::move(progress)) {}

bool HeadlessTransferHost::Connected() const {
    return session_.link().State() == LINK_OPEN && !session_.LinkLost();
}

ProgressEnd HeadlessTransferHost::RunProgress(const std::function<void()>& cancel) {
    blocks = 0;
    cancelReason.clear();
    if (progress_) progress_(0, CONFIG_BLOCK_COUNT);
    QElapsedTimer clock;
    clock.start();
    lastBlockMs_ = 0;
    // An interrupt is the progress window's Cancel; so are a lost link and, for the station,
    // a module that stopped answering.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!headless_.IsOpen()) return;
        QString reason;
        if (session_.Interrupted()) reason = QStringLiteral("stopped");
        else if (stallMs > 0 && session_.LinkLost()) reason = QStringLiteral("link lost");
        else if (stallMs > 0 && clock.elapsed() - lastBlockMs_ > stallMs) reason = QStringLiteral("no answer");
        if (reason.isEmpty()) return;
        cancelReason = reason;
        cancel();
        headless_.Cancel();
    });
    watch.start(20);
    countFrom_ = &clock;
    lastEnd = headless_.Run();
    countFrom_ = nullptr;
    watch.stop();
    if (lastEnd == ProgressEnd::TimedOut) ShowMessage(UpdateTimeoutText());
    if (lastEnd == ProgressEnd::Cancelled && cancelReason.isEmpty()) ShowMessage(QStringLiteral("Cancelled"));
    return lastEnd;
}

void HeadlessTransferHost::ShowMessage(const QString& text) {
    messages << text;
    if (say_) say_(text.trimmed());
}

bool HeadlessTransferHost::AskYesNo(const QString& text) {
    if (text == RebootQuestionText()) return rebootAnswer;
    if (text == FactoryQuestionText()) return factoryAnswer;
    return false;
}

void HeadlessTransferHost::Count() {
    ++blocks;
    if (countFrom_) lastBlockMs_ = countFrom_->elapsed();
    if (progress_) progress_(blocks, CONFIG_BLOCK_COUNT);
}

HeadlessTransfer::HeadlessTransfer(Session& s, Session::Say say, HeadlessTransferHost::ProgressFn progress)
    : session(s), host(s, std::move(say), std::move(progress)), sequencer(model, host) {}

HeadlessTransfer::~HeadlessTransfer() {
    session.dispatcher().RemoveHandler(&sequencer);
    session.dispatcher().RemoveHandler(&host);
}

void HeadlessTransfer::Attach() {
    if (attached_) return;
    attached_ = true;
    session.dispatcher().AddHandler(&sequencer);
    session.dispatcher().AddHandler(&host);
}

bool HeadlessTransfer::Read() {
    Attach();
    const int before = sequencer.TakenReads();
    sequencer.Read();
    return sequencer.TakenReads() > before;
}

bool HeadlessTransfer::Upload() {
    Attach();
    const int before = sequencer.EndedTransfers();
    sequencer.Upload();
    return sequencer.EndedTransfers() > before;
}

bool HeadlessTransfer::FactoryDefault() {
    Attach();
    const int before = sequencer.TakenReads();
    sequencer.FactoryDefault();
    return sequencer.TakenReads() > before;
}

namespace {
class BoxNameReader : public MainFrameHandler {
public:
    explicit BoxNameReader(ConfigModel& model) : model_(model) {}
    void OnConfigBlockRead(std::uint8_t command, const std::uint8_t* frame, int count) override {
        if (command == NAME_READ_CFM) done = DecodeConfigBlock(model_, frame, count);
    }
    bool done = false;

private:
    ConfigModel& model_;
};
}  // namespace

bool ReadBoxName(Session& session, ConfigModel& into) {
    ConfigModel scratch;
    BoxNameReader reader(scratch);
    session.dispatcher().AddHandler(&reader);
    session.Send(BuildNameReadRequest());
    const bool ok = session.WaitUntil([&] { return reader.done; }, 2000);
    session.dispatcher().RemoveHandler(&reader);
    if (ok) into.SetBoxName(scratch.BoxName());
    return ok;
}

}  // namespace relvane

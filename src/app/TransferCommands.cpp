#include "app/TransferCommands.h"

#include "app/MainForm.h"
#include "config/ConfigChecks.h"
#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/Cp1252.h"
#include "config/Dialogs.h"
#include "config/sheet/SheetWriter.h"
#include "monitor/ui/VersionForm.h"
#include "protocol/Dispatcher.h"
#include "protocol/MessageCatalogue.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace relvane {

QString MainTitleText(TitleSource source, const QByteArray& boxName, const QString& fileName)
{
    const QString base = QStringLiteral("Relvane Tool");
    switch (source) {
    case TitleSource::None:
        return QString();
    case TitleSource::Module:
        return base + (boxName.isEmpty() ? QStringLiteral(" - [ No Name ]")
                                         : QStringLiteral(" - [ ") + Cp1252ToString(boxName) + QStringLiteral(" ]"));
    case TitleSource::File:
        return base + QStringLiteral(" - [ ") + fileName + QStringLiteral(" ]");
    }
    return QString();
}

QString ConfigFileFilter() { return QStringLiteral("config files (*.cfg)|*.CFG"); }

QString OverwriteQuestionText(const QString& path)
{
    return QStringLiteral("File already exists: '%1'\nOverwrite ?").arg(path);
}

TransferCommands::TransferCommands(TMainForm& main, ConfigModel& model, Dispatcher& dispatcher,
                                   Dialogs& dialogs)
    : main_(main), model_(model), dispatcher_(dispatcher), dialogs_(dialogs),
      windows_(dialogs, &main), sequencer_(model, *this)
{
    dispatcher_.AddHandler(&sequencer_);
}

TransferCommands::~TransferCommands() { dispatcher_.RemoveHandler(&sequencer_); }

void TransferCommands::BtnLoadClick() { sequencer_.Read(); }
void TransferCommands::BtnSaveClick()
{
    // Errors in the configuration ask first; not connected or busy, the sequencer says so itself.
    if (Connected() && !main_.TransferBusy() && !ConfirmUploadDespiteProblems(model_, dialogs_))
        return;
    sequencer_.Upload();
}
void TransferCommands::BtnDefaultValueClick() { sequencer_.FactoryDefault(); }

bool TransferCommands::OpenClick()
{
    FileDialogOptions o;
    o.filter = ConfigFileFilter();
    // A name that does not exist is taken too: it gives the defaults under that name.
    o.mustExist = false;
    const QString last = main_.LastConfigPath();
    o.fileName = !last.isEmpty() && QFileInfo(last).isFile() ? last : openName_;
    const std::optional<QString> chosen = dialogs_.OpenFile(o);
    if (!chosen || chosen->isEmpty())
        return false;
    openName_ = *chosen;

    // The lists follow the names the file brings, whether or not a transfer runs.
    RequestNamePropagation();
    QString error;
    // Loading empties the box name: a file carries none.
    if (!LoadConfigFile(model_, *chosen, &error)) {
        // The file is there but cannot be read: nothing was changed.
        dialogs_.Error(error);
        return false;
    }
    source_ = TitleSource::File;
    const qsizetype cut = std::max(chosen->lastIndexOf(QLatin1Char('/')), chosen->lastIndexOf(QLatin1Char('\\')));
    titleFileName_ = chosen->mid(cut + 1);
    return true;
}

bool TransferCommands::SaveClick()
{
    FileDialogOptions o;
    o.filter = ConfigFileFilter();
    o.defaultExtension = QStringLiteral("cfg");
    const QString last = main_.LastConfigPath();
    if (!last.isEmpty())
        o.initialFolder = QFileInfo(last).isDir() ? last : QFileInfo(last).absolutePath();
    const std::optional<QString> chosen = dialogs_.SaveFile(o);
    if (!chosen || chosen->isEmpty())
        return false;

    const QString target = ConfigFilePath(*chosen);
    if (QFileInfo::exists(target)
        && dialogs_.Message(MessageKind::Warning, OverwriteQuestionText(target), MessageButtons::YesNo)
               != MessageAnswer::Yes)
        return false;

    // The file is replaced whole once everything is written, so a failed save leaves
    // the file that was there as it was.
    QString error;
    const bool saved = SaveConfigFile(model_, target, &error);
    if (saved || !error.startsWith(QStringLiteral("Unable to create file")))
        main_.SetLastConfigPath(target);
    if (!saved)
        dialogs_.Error(error);
    return saved;
}

QString SheetFileFilter() { return QStringLiteral("PDF files (*.pdf)|*.pdf|HTML files (*.html)|*.html"); }

void TransferCommands::ExportSheetClick()
{
    FileDialogOptions o;
    o.title = QStringLiteral("Export sheet");
    o.filter = SheetFileFilter();
    o.defaultExtension = QStringLiteral("pdf");
    const QString last = main_.LastConfigPath();
    if (!last.isEmpty())
        o.initialFolder = QFileInfo(last).isDir() ? last : QFileInfo(last).absolutePath();
    const QString file = source_ == TitleSource::File ? titleFileName_ : QString();
    if (!file.isEmpty())
        o.fileName = QFileInfo(file).completeBaseName() + QStringLiteral(".pdf");
    const std::optional<QString> chosen = dialogs_.SaveFile(o);
    if (!chosen || chosen->isEmpty())
        return;
    if (QFileInfo::exists(*chosen)
        && dialogs_.Message(MessageKind::Warning, OverwriteQuestionText(*chosen), MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    SheetInfo info;
    info.fileName = file;
    info.created = QDateTime::currentDateTime();
    info.toolVersion = QStringLiteral(RELVANE_VERSION);
    QString error;
    if (!ExportSheet(model_, info, *chosen, DefaultSheetPaper(), &error))
        dialogs_.Error(error);
}

void TransferCommands::UpdateTitle()
{
    QString title = MainTitleText(source_, model_.BoxName(), titleFileName_);
    // Without a source yet the window keeps its first title.
    if (title.isEmpty())
        title = QStringLiteral("Relvane Tool ");
    if (titleModified_)
        title += QStringLiteral("[*]");
    if (main_.windowTitle() != title)
        main_.setWindowTitle(title);
    main_.setWindowModified(titleModified_);
}

void TransferCommands::SetTitleModified(bool modified)
{
    titleModified_ = modified;
    UpdateTitle();
}

namespace {

// The read into a scratch model reaches the windows, flags and link through the main window's
// host, but its end must not tell the title or the selection lists that the configuration
// shown came from the module.
class ScratchReadHost final : public TransferHost {
public:
    explicit ScratchReadHost(TransferHost& main) : main_(main) {}

    bool progressShown = false;

    bool Connected() const override { return main_.Connected(); }
    bool FirmwareBusy() const override { return main_.FirmwareBusy(); }
    TxSink& TxQueue() override { return main_.TxQueue(); }
    bool ResetMonitorSelection() override { return main_.ResetMonitorSelection(); }
    void PauseMs(int ms) override { main_.PauseMs(ms); }
    VersionCheckResult RunVersionCheck() override { return main_.RunVersionCheck(); }
    ProgressEnd RunProgress(const std::function<void()>& cancel) override
    {
        progressShown = true;
        return main_.RunProgress(cancel);
    }
    void CloseProgress() override { main_.CloseProgress(); }
    void SetTransferBusy(bool busy) override { main_.SetTransferBusy(busy); }
    void RequestNamePropagation() override {}
    void SetTitleSourceModule() override {}
    void ShowMessage(const QString& text) override { main_.ShowMessage(text); }
    bool AskYesNo(const QString& text) override { return main_.AskYesNo(text); }

private:
    TransferHost& main_;
};

// Counts the configuration blocks that arrive, so the wait after a broken-off read can tell
// when the module has stopped sending. (Whether a read was whole is the sequencer's to say.)
class BlockTally final : public MainFrameHandler {
public:
    void OnConfigBlockRead(std::uint8_t, const std::uint8_t*, int) override { ++received; }
    int received = 0;
};

// How long the module may go on sending blocks of a read that stopped part way (the streamed
// inputs and outputs, a request already on its way), and the longest wait for it to stop.
constexpr int kLateBlockQuietMs = 600;
constexpr int kLateBlockMaxWaitMs = 5000;

}  // namespace

ModuleReadResult TransferCommands::ReadModuleInto(ConfigModel& scratch)
{
    if (&scratch == &model_ || sequencer_.CommandRunning() || main_.TransferBusy())
        return ModuleReadResult::NotStarted;

    ScratchReadHost host(*this);
    TransferSequencer reader(scratch, host);
    BlockTally tally;
    // The main sequencer decodes every block that arrives into the configuration shown,
    // whatever its state, so it is off the dispatcher for the whole read and comes back on
    // every way out. (It returns at the end of the handler list; no other handler takes
    // configuration blocks, so the order does not matter.)
    struct Swap {
        Dispatcher& d;
        MainFrameHandler* main;
        MainFrameHandler* reader;
        MainFrameHandler* late;
        bool listening = false;
        Swap(Dispatcher& dispatcher, MainFrameHandler* m, MainFrameHandler* r, MainFrameHandler* l)
            : d(dispatcher), main(m), reader(r), late(l)
        {
            d.RemoveHandler(main);
            listening = d.AddHandler(reader) && d.AddHandler(late);
        }
        ~Swap()
        {
            d.RemoveHandler(late);
            d.RemoveHandler(reader);
            d.AddHandler(main);
        }
    } swap(dispatcher_, &sequencer_, &reader, &tally);
    if (!swap.listening)
        return ModuleReadResult::NotStarted;  // the dispatcher's handler list is full

    const int before = reader.TakenReads();
    reader.Read();
    // Taken: the chain ended with every block and was not cancelled, so the scratch model holds it.
    if (reader.TakenReads() > before) {
        if (hooks_.moduleRead)
            hooks_.moduleRead(scratch);
        return ModuleReadResult::Complete;
    }
    if (!host.progressShown)
        return ModuleReadResult::NotStarted;

    // Cancelled or timed out: blocks of this read may still be on their way, and an answer
    // that arrives can start the next request of the chain. Until the module has been quiet
    // for a while no sequencer hears them (the scratch model is dropped anyway), so none
    // reaches the configuration shown once the main sequencer is back and none asks for more.
    // Polling stays held back meanwhile, and the user's input waits.
    dispatcher_.RemoveHandler(&reader);
    main_.SetTransferBusy(true);
    QElapsedTimer waited;
    waited.start();
    int seen = -1;
    QElapsedTimer quiet;
    while (waited.elapsed() < kLateBlockMaxWaitMs) {
        if (tally.received != seen) {
            seen = tally.received;
            quiet.start();
        } else if (quiet.elapsed() >= kLateBlockQuietMs) {
            break;
        }
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    main_.SetTransferBusy(false);
    return ModuleReadResult::Incomplete;
}

bool TransferCommands::Connected() const { return main_.Connected(); }
bool TransferCommands::FirmwareBusy() const { return main_.FirmwareBusy(); }
TxSink& TransferCommands::TxQueue() { return main_.TxQueue(); }

bool TransferCommands::ResetMonitorSelection() { return monitorReset_ ? monitorReset_() : false; }

void TransferCommands::PauseMs(int ms) { main_.PauseMs(ms); }

VersionCheckResult TransferCommands::RunVersionCheck()
{
    return RunVersionCheckWindow(dispatcher_, &main_, versionHook_);
}

ProgressEnd TransferCommands::RunProgress(const std::function<void()>& cancel)
{
    return windows_.RunProgress(cancel);
}

void TransferCommands::CloseProgress() { windows_.CloseProgress(); }

void TransferCommands::SetTransferBusy(bool busy) { main_.SetTransferBusy(busy); }

void TransferCommands::RequestNamePropagation()
{
    if (namesRequest_)
        namesRequest_();
}

void TransferCommands::SetTitleSourceModule() { source_ = TitleSource::Module; }

void TransferCommands::ShowMessage(const QString& text) { dialogs_.ShowMessage(text); }

bool TransferCommands::AskYesNo(const QString& text)
{
    return dialogs_.Message(MessageKind::Question, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void TransferCommands::TransferStarting(TransferKind kind)
{
    if (hooks_.starting)
        hooks_.starting(kind);
}

bool TransferCommands::TakeRead(ConfigModel& model, const ConfigModel& read, bool afterTimeOut)
{
    return hooks_.takeRead ? hooks_.takeRead(model, read, afterTimeOut) : TransferHost::TakeRead(model, read, afterTimeOut);
}

void TransferCommands::UploadCompleted()
{
    if (hooks_.uploadCompleted)
        hooks_.uploadCompleted();
}

}  // namespace relvane

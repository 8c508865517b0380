#include "app/ToolProgram.h"

#include "config/IniFile.h"

#include "app/CompareCommand.h"
#include "app/ConfigKeeper.h"
#include "app/ErrorDisplay.h"
#include "app/SplashForm.h"
#include "can/ui/DbcExportCommand.h"
#include "station/ui/StationForm.h"

#include "config/Dialogs.h"
#include "config/ui/FlashWiperPage.h"
#include "config/ui/InputsPage.h"
#include "config/ui/LoadPages.h"
#include "config/ui/NameLabels.h"
#include "config/ui/OutputsPage.h"
#include "config/ui/ProblemsPanel.h"
#include "firmware/ui/FirmwareWindows.h"
#include "monitor/ui/AboutForm.h"
#include "monitor/ui/GeneralPage.h"
#include "monitor/ui/PingForm.h"
#include "monitor/ui/TrendForm.h"
#include "tools/ui/CalibrationForm.h"
#include "tools/ui/EepromForm.h"
#include "tools/ui/RunTimeErrorForm.h"
#include "tools/ui/SystemSetupForm.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QThread>

namespace relvane {

ToolProgram::ToolProgram(Dialogs& dialogs, ErrorDisplay& errors, AdapterBackend& backend,
                         StartOptions options)
    : dialogs_(dialogs),
      errors_(errors),
      options_(std::move(options)),
      backend_(backend),
      usbThread_(backend),
      link_(usbThread_),
      dispatcher_(&usbThread_)
{
    // The fast link is opt-in: [LINK] FAST_LINK=1 in the settings file.
    IniFile settings;
    if (settings.Load(options_.settingsPath)) {
        usbThread_.SetFastLink(settings.ReadBool(QStringLiteral("LINK"), QStringLiteral("FAST_LINK"), false));
        const int limit = settings.ReadInteger(QStringLiteral("HISTORY"), QStringLiteral("LIMIT"), kDefaultHistoryLimit);
        historyLimit_ = limit >= 1 ? limit : kDefaultHistoryLimit;
    }
}

ToolProgram::~ToolProgram()
{
    // A hand-off the link thread is waiting in must not reach windows being destroyed.
    usbThread_.Stop();
    usbThread_.SetLinkObserver(nullptr);
    usbThread_.SetFrameReceiver(nullptr);
    if (mainForm_)
        mainForm_->SetFrameSink(nullptr);
    runTimeErrorForm_.reset();
    usbSelectForm_.reset();
    aboutForm_.reset();
    if (generalPage_)
        dispatcher_.RemoveHandler(&generalPage_->Monitor());
    keeper_.reset();
    compare_.reset();
    trend_.reset();
    station_.reset();
    canPages_.reset();
    transfer_.reset();
    mainForm_.reset();
}

void ToolProgram::StationClick()
{
    if (!station_) {
        // Start lets the main window's link go: the station opens its adapters itself.
        station_ = std::make_unique<TStationForm>(backend_, dialogs_, [this] { usbThread_.Close(); }, mainForm_.get());
    }
    station_->show();
    station_->raise();
    station_->activateWindow();
}

void ToolProgram::TrendClick()
{
    if (!trend_)
        trend_ = std::make_unique<TTrendForm>(dispatcher_, mainForm_->Model(), dialogs_, mainForm_.get());
    trend_->show();
    trend_->raise();
    trend_->activateWindow();
}

void ToolProgram::Start()
{
    std::unique_ptr<TSplashForm> splash;
    QElapsedTimer shown;
    if (options_.showSplash) {
        splash = std::make_unique<TSplashForm>();
        splash->ShowNow();
        shown.start();
        // Keep the splash painted while it waits (an expose must not find it blank).
        while (shown.elapsed() < options_.splashWaitMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
            QThread::msleep(10);
        }
    }

    CreateStartupWindows();

    if (splash) {
        splash->hide();
        splashShownMs_ = shown.elapsed();
        splash.reset();
    }

    mainForm_->AllFormsCreated();
    mainForm_->show();
    // What start-up wrote into the model is where editing starts; a configuration a tool left
    // behind in its recovery file is offered now.
    keeper_->Start();
}

void ToolProgram::CreateStartupWindows()
{
    // In this order: the main window (construction and FormCreate), the progress window
    // (with the transfer sequencer), the About window, the device selection dialog, the
    // runtime error window.
    mainForm_ = std::make_unique<TMainForm>(dialogs_, link_, options_.settingsPath,
                                            options_.currentDirectory);
    TMainForm& main = *mainForm_;
    generalPage_ = new TGeneralPage(main);
    main.SetPage(PAGE_GENERAL, generalPage_);
    transfer_ = std::make_unique<TransferCommands>(main, main.Model(), dispatcher_, dialogs_);
    toolHost_ = std::make_unique<MainToolHost>(main, dispatcher_);
    firmwareHost_ = std::make_unique<MainFirmwareHost>(main, usbThread_, dispatcher_, errors_,
                                                       &generalPage_->Monitor());

    aboutForm_ = std::make_unique<TAboutForm>(main, &main);
    main.SetAboutForm(aboutForm_.get());

    usbSelectForm_ = std::make_unique<TUSB_SelectForm>(
        link_,
        [this](const QString& description) {
            keeper_->Connecting(description);
            mainForm_->ConnectDevice(description);
        },
        &main);
    main.SetUsbSelectForm(usbSelectForm_.get());

    runTimeErrorForm_ = std::make_unique<TRunTimeErrorForm>(*toolHost_, &main);
    runTimeErrorForm_->hide();

    Compose();
}

void ToolProgram::Compose()
{
    TMainForm& main = *mainForm_;
    LiveMonitor& live = generalPage_->Monitor();

    LiveViewHooks hooks;
    hooks.resetLiveDisplay = [&live] { live.ResetLiveDisplay(); };
    hooks.pageChanged = [&live](int index) { live.TabbedNotebook1Change(index); };
    hooks.stopLivePoll = [&live] { live.Timer1().stop(); };
    hooks.keypadDivide = [&live] { live.AllChannelsKey(); };
    hooks.updateTitle = [this] { transfer_->UpdateTitle(); };
    hooks.serveNamePropagation = [this] {
        keeper_->ServeNamePropagation([this] { selectionLists_->ServeNamePropagation(); });
    };
    main.SetLiveViewHooks(hooks);

    ComposeEditorPages();

    MainCommands commands;
    commands.read = [this] { keeper_->Read(); };
    commands.readAfterConnect = [this] { keeper_->ReadAfterConnect(); };
    commands.upload = [this] { transfer_->BtnSaveClick(); };
    commands.defaults = [this] { keeper_->Defaults(); };
    commands.open = [this] { keeper_->Open(); };
    commands.save = [this] { keeper_->Save(); };
    commands.exportCanDatabase = [this] {
        ExportCanDatabaseClick(mainForm_->Model(), dialogs_, mainForm_->LastConfigPath());
    };
    commands.exportSheet = [this] { transfer_->ExportSheetClick(); };
    commands.about = [this] { aboutForm_->ShowCentredOver(mainForm_.get()); };
    commands.pingTest = [this] { PingTest1Click(); };
    commands.systemSetup = [this] { Systemsetup1Click(); };
    commands.calibration = [this] { Calibration1Click(); };
    commands.runtimeError = [this] { Runtimeerror1Click(); };
    commands.eeprom = [this] { EepromClick(); };
    commands.firmware = [this] { RunFirmwareWindow(*firmwareHost_, mainForm_.get()); };
    commands.fia = [this] { RunFiaWindow(*firmwareHost_, mainForm_.get()); };
    commands.compare = [this] { compare_->Open(); };
    commands.trend = [this] { TrendClick(); };
    commands.station = [this] { StationClick(); };
    if (keeper_->History())
        commands.history = [this] { keeper_->ShowHistory(); };
    main.SetCommands(std::move(commands));

    // Received frames: link -> frame receiver -> dispatcher -> the live view (and the
    // handlers of the other areas as they are added).
    dispatcher_.AddHandler(&live);
    main.SetFrameSink(&dispatcher_);

    // The link thread exists already, but no thread runs until the first open; from
    // AllFormsCreated on it hands its bytes and events to the main window.
    main.AddStartupStep([this] {
        usbThread_.SetFrameReceiver(&mainForm_->Receiver());
        usbThread_.SetLinkObserver(mainForm_.get());
    });
    main.AddStartupStep([&live] { live.StartVersionTimer(); });
}

void ToolProgram::ComposeEditorPages()
{
    TMainForm& main = *mainForm_;
    selectionLists_ = std::make_unique<SelectionLists>(main.Model());
    SelectionLists& lists = *selectionLists_;
    // Name edits ask for a propagation only while no transfer runs; the read asks at its end.
    lists.SetTransferBusyQuery([this] { return mainForm_->TransferBusy(); });
    transfer_->SetNamePropagationRequest([&lists] { lists.RequestNamePropagation(); });

    const auto place = [&](int index, TEditorPage* page) {
        QObject::connect(page, &TEditorPage::ReadRequested, &main, &TMainForm::BtnLoadClick);
        QObject::connect(page, &TEditorPage::UploadRequested, &main, &TMainForm::BtnSaveClick);
        QObject::connect(page, &TEditorPage::DefaultRequested, &main, &TMainForm::BtnDefaultValueClick);
        main.SetPage(index, page);
    };
    // The start-up fill, once, before the pages bind to the lists; this runs before
    // AllFormsCreated creates the link thread and starts the version timer.
    lists.FillSelectionLists();
    place(PAGE_INPUTS, new TInputsPage(main.Model(), lists, dialogs_));
    place(PAGE_OUTPUTS, new TOutputsPage(main.Model(), lists, dialogs_));
    place(PAGE_FLASH_WIPER, new TFlashWiperPage(main.Model(), lists, dialogs_));
    place(PAGE_LOW_BATTERY, new TLowBatteryPage(main.Model(), lists, dialogs_));
    place(PAGE_START_KILL, new TStartKillPage(main.Model(), lists, dialogs_));
    place(PAGE_LOW_CURRENT, new TLowCurrentPage(main.Model(), lists, dialogs_));
    canPages_ = std::make_unique<CanPageSet>(main.Model(), lists, dialogs_, main, dispatcher_);
    main.SetPage(PAGE_DIAGNOSTIC, canPages_->Diagnostic());
    main.SetPage(PAGE_CAN_INPUTS, canPages_->CanInputs());
    main.SetPage(PAGE_VIRTUAL_INPUTS, canPages_->VirtualInputs());
    main.SetPage(PAGE_CAN_EXPORT, canPages_->CanExport());
    for (int p : {PAGE_DIAGNOSTIC, PAGE_CAN_INPUTS, PAGE_VIRTUAL_INPUTS})
        main.SetPageSelectedWork(p, [this, p] { canPages_->PageSelected(p); });
    TCanInputPage* can = canPages_->CanInputs();
    QObject::connect(can, &TCanInputPage::BtnCanReadClicked, &main, &TMainForm::BtnLoadClick);
    QObject::connect(can, &TCanInputPage::BtnCanUploadClicked, &main, &TMainForm::BtnSaveClick);
    QObject::connect(can, &TCanInputPage::BtnCanInputDefaultClicked, &main, &TMainForm::BtnDefaultValueClick);
    // The last CAN database is kept in the program settings file, as the firmware windows keep theirs.
    DbcFileMemory dbcFiles;
    dbcFiles.read = [this] {
        IniFile ini;
        return ini.Load(mainForm_->SettingsPath()) ? ini.ReadString(QStringLiteral("DBC"), QStringLiteral("PATH")) : QString();
    };
    dbcFiles.write = [this](const QString& path) {
        IniFile ini;
        // A file that cannot be read is left alone rather than replaced by this one key.
        if (!ini.Load(mainForm_->SettingsPath()))
            return;
        ini.WriteString(QStringLiteral("DBC"), QStringLiteral("PATH"), path);
        // The user's configuration folder may not exist before the first shutdown wrote it.
        QDir().mkpath(QFileInfo(mainForm_->SettingsPath()).absolutePath());
        ini.Save(mainForm_->SettingsPath());
    };
    can->SetDbcFileMemory(dbcFiles);
    transfer_->SetMonitorReset([this] { return canPages_->ResetMonitorForTransfer(); });
    compare_ = std::make_unique<CompareCommand>(main, *transfer_, *canPages_, dialogs_);
    KeeperOptions keep;
    keep.dataFolder = options_.dataFolder;
    keep.historyLimit = historyLimit_;
    keep.recoveryIntervalMs = options_.recoveryIntervalMs;
    keeper_ = std::make_unique<ConfigKeeper>(main, *transfer_, *compare_, dialogs_, std::move(keep));
    main.SetUndoStack(&keeper_->Undo().Stack());
    main.SetCloseGuard([this](bool bySignal) { return keeper_->CanClose(bySignal); });
    firmwareHost_->SetBeforeProgram([this] { keeper_->BeforeFirmwareProgram(); });
    // A problem's row takes the user to its control the way a compare row does.
    problems_ = new TProblemsPanel(main.Model(), [this](const FieldLocation& where) { compare_->GoTo(where); }, &main);
    main.SetProblemsPanel(problems_);
    QObject::connect(problems_, &TProblemsPanel::ProblemsChanged, &main,
                     [&main](const QString& count, int errors) { main.ShowProblemCount(count, errors); });
    main.ShowProblemCount(problems_->CountText(), ErrorCount(problems_->Problems()));

    TGeneralPage* general = generalPage_;
    nameLabels_ = std::make_unique<TNameLabelBinder>(
        main.Model(), lists, [general](int n) { return general->ChannelNameLabel(n); },
        [general](int n) { return general->InputNameLabel(n); },
        [general](int n) { return general->CanInputNameLabel(n); });
}

void ToolProgram::PingTest1Click()
{
    // The window registers itself with the dispatcher for as long as it exists.
    TPingForm form(mainForm_->TxQueue(), pingState_, dialogs_, &dispatcher_, mainForm_.get());
    form.exec();
}

void ToolProgram::Systemsetup1Click()
{
    TSystemSetupForm form(*toolHost_, mainForm_.get());
    form.exec();
}

void ToolProgram::Calibration1Click()
{
    TCalibrationForm form(*toolHost_, mainForm_.get());
    form.exec();
}

void ToolProgram::Runtimeerror1Click()
{
    TRunTimeErrorForm form(*toolHost_, mainForm_.get());
    form.exec();
}

void ToolProgram::EepromClick()
{
    TEEPROMForm form(*toolHost_, mainForm_.get());
    form.exec();
}

} // namespace relvane

#include "app/MainForm.h"

#include "app/ConnectionLink.h"
#include "app/SocketInfoPage.h"
#include "config/Dialogs.h"
#include "monitor/ui/GeneralPage.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace relvane {

QStringList NotebookPageCaptions()
{
    return {QStringLiteral("General"),        QStringLiteral("Diagnostic"),
            QStringLiteral("Inputs"),         QStringLiteral("CAN Inputs"),
            QStringLiteral("Virtual Inputs"), QStringLiteral("CAN Export"),
            QStringLiteral("Outputs"),        QStringLiteral("Flash / Wiper"),
            QStringLiteral("Low Battery"),    QStringLiteral("Start / Kill Button"),
            QStringLiteral("Low Current"),    QStringLiteral("Socket info")};
}

namespace {

const char* const kPageNames[PAGE_COUNT] = {
    "PageGeneral",      "PageDiagnostic", "PageInputs",     "PageCanInputs",
    "PageVirtualInputs", "PageCanExport", "PageOutputs",    "PageFlashWiper",
    "PageLowBattery",   "PageStartKill",  "PageLowCurrent", "PageSocketInfo"};

} // namespace

QString StatusUsbConnected() { return QStringLiteral("USB CONNECTED"); }
QString StatusNotConnected() { return QStringLiteral("NOT CONNECTED"); }
QString StatusUsbDisconnected() { return QStringLiteral("USB DISCONNECTED"); }

TEmptyPage::TEmptyPage(const QString& objectName, QWidget* parent) : QWidget(parent)
{
    setObjectName(objectName);
}

TMainForm::TMainForm(Dialogs& dialogs, ConnectionLink& link, QString settingsPath,
                     QString currentDirectory, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      link_(link),
      settingsPath_(std::move(settingsPath)),
      currentDirectory_(std::move(currentDirectory)),
      pageWork_(PAGE_COUNT)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Relvane Tool "));

    // Fields the dispatcher and the editors rely on, before any event can arrive.
    lastConfigPath_.clear();
    titleFileName_.clear();
    module_ = ModuleInfo{};

    BuildMenus();
    BuildNotebook();
    BuildStatusBar();

    timerSerial_ = new QTimer(this);
    timerSerial_->setObjectName(QStringLiteral("TimerSerial"));
    timerSerial_->setInterval(400);
    connect(timerSerial_, &QTimer::timeout, this, &TMainForm::TimerSerialTimer);

    // The window sees keys before its controls (F8, F9, the all-channels key).
    qApp->installEventFilter(this);

    FormCreate();
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
}

QAction* TMainForm::AddEntry(QMenu* menu, const QString& name, const QString& text,
                             std::function<void()> MainCommands::*command)
{
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (command) {
        commandEntries_.emplace_back(action, command);
        connect(action, &QAction::triggered, this, [this, command] {
            if (const auto& run = commands_.*command)
                run();
        });
    }
    return action;
}

void TMainForm::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    AddEntry(file, QStringLiteral("Open"), QStringLiteral("&Open"), &MainCommands::open);
    AddEntry(file, QStringLiteral("Save"), QStringLiteral("Save"), &MainCommands::save);
    file->addSeparator();
    AddEntry(file, QStringLiteral("Read2"), QStringLiteral("Read               F8"),
             &MainCommands::read)
        ->setStatusTip(QStringLiteral("Read data from relvane"));
    AddEntry(file, QStringLiteral("Upload1"), QStringLiteral("Upload            F9"),
             &MainCommands::upload)
        ->setStatusTip(QStringLiteral("Upload data to relvane"));
    AddEntry(file, QStringLiteral("Default"), QStringLiteral("Default settings"),
             &MainCommands::defaults);
    file->addSeparator();
    QAction* exit = AddEntry(file, QStringLiteral("Close1"), QStringLiteral("&Exit"), nullptr);
    connect(exit, &QAction::triggered, this, &TMainForm::Close1Click);

    QMenu* connection = bar->addMenu(QStringLiteral("&Connection"));
    connection->setObjectName(QStringLiteral("Connection1"));
    QAction* usb = AddEntry(connection, QStringLiteral("USB1"), QStringLiteral("&USB"), nullptr);
    connect(usb, &QAction::triggered, this, &TMainForm::USB1Click);

    QMenu* tools = bar->addMenu(QStringLiteral("Tools"));
    tools->setObjectName(QStringLiteral("Tools1"));
    AddEntry(tools, QStringLiteral("Firmware1"), QStringLiteral("Firmware"), &MainCommands::firmware);
    AddEntry(tools, QStringLiteral("FIA"), QStringLiteral("FIA "), &MainCommands::fia);
    AddEntry(tools, QStringLiteral("CompareConfiguration1"),
             QStringLiteral("Compare configuration") + QChar(0x2026), &MainCommands::compare);
    AddEntry(tools, QStringLiteral("Trend1"), QStringLiteral("Trend") + QChar(0x2026), &MainCommands::trend);

    production1_ = bar->addMenu(QStringLiteral("Orvik"));
    production1_->setObjectName(QStringLiteral("Production1"));
    AddEntry(production1_, QStringLiteral("Systemsetup1"), QStringLiteral("System setup"),
             &MainCommands::systemSetup);
    AddEntry(production1_, QStringLiteral("Calibration1"), QStringLiteral("Calibration"),
             &MainCommands::calibration);
    AddEntry(production1_, QStringLiteral("PingTest1"), QStringLiteral("Ping Test"),
             &MainCommands::pingTest);
    AddEntry(production1_, QStringLiteral("Runtimeerror1"), QStringLiteral("Runtime error"),
             &MainCommands::runtimeError);
    AddEntry(production1_, QStringLiteral("Eeprom"), QStringLiteral("Eeprom"), &MainCommands::eeprom);
    // Hidden until the access code is typed in the About window.
    production1_->menuAction()->setVisible(false);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* about = AddEntry(help, QStringLiteral("About1"), QStringLiteral("&About.."), nullptr);
    connect(about, &QAction::triggered, this, &TMainForm::About1Click);

    RefreshCommandStates();
}

void TMainForm::BuildNotebook()
{
    notebook_ = new QTabWidget(this);
    notebook_->setObjectName(QStringLiteral("TabbedNotebook1"));
    notebook_->setDocumentMode(false);
    notebook_->setUsesScrollButtons(true);
    // Twelve captions and the lamps must fit the design width without scrolling the tabs.
    notebook_->tabBar()->setObjectName(QStringLiteral("TabbedNotebook1Tabs"));
    notebook_->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 4px; font-size: 8pt; }"));
    const QStringList captions = NotebookPageCaptions();
    for (int i = 0; i < PAGE_COUNT; ++i) {
        QWidget* page = i == PAGE_SOCKET_INFO
                            ? static_cast<QWidget*>(new TSocketInfoPage)
                            : new TEmptyPage(QString::fromLatin1(kPageNames[i]));
        notebook_->addTab(page, captions.at(i));
    }
    lamps_ = new TActivityLamps(notebook_);
    lamps_->setObjectName(QStringLiteral("ImageList_LED"));
    notebook_->setCornerWidget(lamps_, Qt::TopRightCorner);
    connect(notebook_, &QTabWidget::currentChanged, this, &TMainForm::TabbedNotebook1Change);
    setCentralWidget(notebook_);
}

void TMainForm::BuildStatusBar()
{
    statusBar1_ = new QStatusBar(this);
    statusBar1_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar1_->setSizeGripEnabled(true);
    statusPanel0_ = new QLabel(statusBar1_);
    statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
    statusPanel0_->setFixedWidth(200);
    statusPanel0_->setFrameShape(QFrame::Panel);
    statusPanel0_->setFrameShadow(QFrame::Sunken);
    statusPanel1_ = new QLabel(statusBar1_);
    statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
    statusPanel1_->setFixedWidth(50);
    statusPanel1_->setFrameShape(QFrame::Panel);
    statusPanel1_->setFrameShadow(QFrame::Sunken);
    statusBar1_->addWidget(statusPanel0_);
    statusBar1_->addWidget(statusPanel1_);
    setStatusBar(statusBar1_);
}

void TMainForm::SetCommands(MainCommands commands)
{
    commands_ = std::move(commands);
    RefreshCommandStates();
}

void TMainForm::RefreshCommandStates()
{
    for (const auto& [action, command] : commandEntries_)
        action->setEnabled(static_cast<bool>(commands_.*command));
}

void TMainForm::SetPage(int index, QWidget* page)
{
    if (index < 0 || index >= PAGE_COUNT || !page)
        return;
    const QString caption = notebook_->tabText(index);
    const bool current = notebook_->currentIndex() == index;
    QWidget* old = notebook_->widget(index);
    {
        // Replacing a page is not a page change the user made.
        const QSignalBlocker block(notebook_);
        notebook_->removeTab(index);
        notebook_->insertTab(index, page, caption);
        if (current)
            notebook_->setCurrentIndex(index);
    }
    delete old;
}

QWidget* TMainForm::Page(int index) const
{
    return notebook_->widget(index);
}

void TMainForm::SetPageSelectedWork(int index, std::function<void()> work)
{
    if (index > PAGE_GENERAL && index < PAGE_COUNT)
        pageWork_[std::size_t(index)] = std::move(work);
}

void TMainForm::FormCreate()
{
    startSettings_ = ReadProgramSettings(settingsPath_, currentDirectory_);
    lastConfigPath_ = startSettings_.configPath;

    // The window opens centred with the stored width; Top and Left are kept only to be
    // written back. The design height is cut to the screen so the status bar stays
    // visible, and a width too small to show the menu bar is raised to a usable one.
    int height = MAIN_FORM_HEIGHT;
    const int width = std::max(startSettings_.width, MAIN_FORM_MIN_WIDTH);
    QRect area(0, 0, 1400, 1000);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    height = std::min(height, area.height());
    resize(width, height);
    move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    if (startSettings_.initMax)
        setWindowState(windowState() | Qt::WindowMaximized);

    module_ = ModuleInfo{};
}

void TMainForm::AddStartupStep(std::function<void()> step)
{
    startupSteps_.push_back(std::move(step));
}

void TMainForm::AllFormsCreated()
{
    if (allFormsCreated_)
        return;
    allFormsCreated_ = true;
    for (const auto& step : startupSteps_)
        if (step)
            step();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}

void TMainForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    ProgramSettings s;
    // The restored placement, so a maximised end does not store the screen's size.
    const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    s.top = normal.isValid() ? normal.top() : y();
    s.left = normal.isValid() ? normal.left() : x();
    s.width = normal.isValid() ? normal.width() : width();
    s.initMax = isMaximized();
    s.configPath = lastConfigPath_;
    // A file that cannot be written loses the values without a message.
    WriteProgramSettings(settingsPath_, s);
    if (live_.stopLivePoll)
        live_.stopLivePoll();
    timerSerial_->stop();
    // Gives the link a moment to write what is still queued.
    QThread::msleep(100);
}

void TMainForm::Close1Click()
{
    close();
}

void TMainForm::USB1Click()
{
    if (usbSelectForm_)
        usbSelectForm_->exec();
}

void TMainForm::About1Click()
{
    if (commands_.about) {
        commands_.about();
        return;
    }
    if (!aboutForm_)
        return;
    // Centred over the main window.
    const QRect main = frameGeometry();
    aboutForm_->move(main.left() + (main.width() - aboutForm_->width()) / 2,
                     main.top() + (main.height() - aboutForm_->height()) / 2);
    if (auto* dialog = qobject_cast<QDialog*>(aboutForm_.data()))
        dialog->exec();
    else
        aboutForm_->show();
}

// ---------------------------------------------------------------------------
// Connection

void TMainForm::SetStatusText(const QString& text)
{
    statusPanel0_->setText(text);
}

QString TMainForm::StatusText() const
{
    return statusPanel0_->text();
}

namespace {

// A failed open that the user can mend (permissions, a program holding the adapter) is
// explained in the second status panel, widened for it, and in both panels' tooltips,
// instead of an extra message box; an empty hint puts the panel back as it was.
void ShowOpenHint(QLabel* panel0, QLabel* panel1, const QString& hint)
{
    panel1->setText(hint);
    panel0->setToolTip(hint);
    panel1->setToolTip(hint);
    if (hint.isEmpty())
        panel1->setFixedWidth(50);
    else
        panel1->setMaximumWidth(QWIDGETSIZE_MAX);
}

} // namespace

void TMainForm::ConnectDevice(const QString& description)
{
    if (link_.Open(description)) {
        connected_ = true;
        timerSerial_->start();
        SetStatusText(StatusUsbConnected());
        ShowOpenHint(statusPanel0_, statusPanel1_, QString());
    } else {
        SetStatusText(StatusNotConnected());
        ShowOpenHint(statusPanel0_, statusPanel1_, OpenErrorHint(link_.LastOpenError()));
    }
}

void TMainForm::OnLinkLost()
{
    if (connected_)
        SetStatusText(StatusUsbDisconnected());
    if (live_.resetLiveDisplay)
        live_.resetLiveDisplay();
    module_.versionText.clear();
}

void TMainForm::OnLinkRestored()
{
    timerSerial_->start();
    SetStatusText(StatusUsbConnected());
}

void TMainForm::TimerSerialTimer()
{
    // A link that came back while the firmware window holds it is read once the window has let
    // it go: the read now would be refused as "not connected". One that came back during a
    // transfer is not read: the transfer refuses it, and the compare window's read of the module
    // (which is no command of the transfer's) must not be broken into by a second one.
    if (firmwareBusy_)
        return;
    timerSerial_->stop();
    if (transferBusy_)
        return;
    // The Read command, exactly as its button runs it (with its connection test and
    // version check); attached by the transfer sequencer.
    if (commands_.read)
        commands_.read();
}

// ---------------------------------------------------------------------------
// Keys and pages

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (FormKeyDown(key->key(), key->modifiers()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_F8 && commands_.read) {
        commands_.read();
        return true;
    }
    if (key == Qt::Key_F9 && commands_.upload) {
        commands_.upload();
        return true;
    }
    if (key == Qt::Key_Slash && (modifiers & Qt::KeypadModifier) && live_.keypadDivide) {
        live_.keypadDivide();
        return true;
    }
    return false;
}

void TMainForm::TabbedNotebook1Change(int index)
{
    if (live_.pageChanged) {
        // The live view stores the page, stops or resumes its poll and calls
        // OnOtherPageSelected for the other pages.
        live_.pageChanged(index);
    } else if (index != PAGE_GENERAL) {
        OnOtherPageSelected(index);
    }
}

void TMainForm::OnOtherPageSelected(int index)
{
    if (index > PAGE_GENERAL && index < PAGE_COUNT) {
        if (const auto& work = pageWork_[std::size_t(index)])
            work();
    }
}

QString TMainForm::CurrentPageCaption() const
{
    return notebook_->tabText(notebook_->currentIndex());
}

// ---------------------------------------------------------------------------
// MonitorHost

TxSink& TMainForm::TxQueue()
{
    return link_.TxQueue();
}

bool TMainForm::CalibrationWindowExists() const
{
    return calibrationExists_;
}

bool TMainForm::CalibrationWindowVisible() const
{
    return calibrationVisible_;
}

void TMainForm::UpdateTitle()
{
    if (live_.updateTitle)
        live_.updateTitle();
}

void TMainForm::ServeNamePropagation()
{
    if (live_.serveNamePropagation)
        live_.serveNamePropagation();
}

void TMainForm::ShowActivityLamps(int lit)
{
    lamps_->SetLit(lit);
}

void TMainForm::RevealProductionMenu()
{
    production1_->menuAction()->setVisible(true);
}

void TMainForm::PauseMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace relvane

#include "app/MainForm.h"

#include "app/ConnectionLink.h"
#include "app/SocketInfoPage.h"
#include "config/Dialogs.h"
#include "monitor/ui/GeneralPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>
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
    // The lamps keep the distance from the notebook's right edge they have at the design width,
    // so they stand clear of the edge, and the tabs never run under them.
    auto* corner = new QWidget(notebook_);
    corner->setObjectName(QStringLiteral("ActivityLampsCorner"));
    lamps_ = new TActivityLamps(corner);
    lamps_->setObjectName(QStringLiteral("ImageList_LED"));
    auto* cornerRow = new QHBoxLayout(corner);
    cornerRow->setContentsMargins(0, 0, MAIN_FORM_DESIGN_WIDTH - ACTIVITY_LAMPS_X - lamps_->sizeHint().width(), 0);
    cornerRow->addWidget(lamps_);
    notebook_->setCornerWidget(corner, Qt::TopRightCorner);
    connect(notebook_, &QTabWidget::currentChanged, this, &TMainForm::TabbedNotebook1Change);
    setCentralWidget(notebook_);
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
    // EndRunOnSignal marks a close that SIGTERM or SIGINT asked for.
    if (!closed_ && closeGuard_ && !closeGuard_(property("closedBySignal").toBool())) {
        event->ignore();
        return;
    }
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

// ---------------------------------------------------------------------------
// Pages

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

void TMainForm::PauseMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace relvane

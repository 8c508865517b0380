#include "app/ToolProgram.h"

#include "app/SplashForm.h"
#include "config/Dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

namespace relvane {

ToolProgram::ToolProgram(Dialogs& dialogs, AdapterBackend& backend, StartOptions options)
    : dialogs_(dialogs), options_(std::move(options)), usbThread_(backend), link_(usbThread_)
{
}

ToolProgram::~ToolProgram()
{
    // A hand-off the link thread is waiting in must not reach windows being destroyed.
    usbThread_.Stop();
    usbThread_.SetLinkObserver(nullptr);
    usbThread_.SetFrameReceiver(nullptr);
    usbSelectForm_.reset();
    mainForm_.reset();
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
}

void ToolProgram::CreateStartupWindows()
{
    // In this order: the main window (construction and FormCreate), the progress window,
    // the About window, the device selection dialog, the runtime error window.
    mainForm_ = std::make_unique<TMainForm>(dialogs_, link_, options_.settingsPath,
                                            options_.currentDirectory);
    usbSelectForm_ = std::make_unique<TUSB_SelectForm>(
        link_, [this](const QString& description) { mainForm_->ConnectDevice(description); },
        mainForm_.get());
    mainForm_->SetUsbSelectForm(usbSelectForm_.get());
    Compose();
}

void ToolProgram::Compose()
{
    TMainForm& main = *mainForm_;
    // The link thread exists already, but no thread runs until the first open; from
    // AllFormsCreated on it hands its bytes and events to the main window.
    main.AddStartupStep([this] {
        usbThread_.SetFrameReceiver(&mainForm_->Receiver());
        usbThread_.SetLinkObserver(mainForm_.get());
    });
}

} // namespace relvane

// The main window's connection state: the status bar panels, opening the adapter, the link's
// loss and return, and the read after a connection.

#include "app/MainForm.h"

#include "app/ConnectionLink.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace relvane {

QString StatusUsbConnected() { return QStringLiteral("USB CONNECTED"); }
QString StatusNotConnected() { return QStringLiteral("NOT CONNECTED"); }
QString StatusUsbDisconnected() { return QStringLiteral("USB DISCONNECTED"); }
QString StatusNotUploaded() { return QStringLiteral("Not uploaded"); }

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
    // The problem count, at the right; a click shows the Problems panel.
    statusProblems_ = new QToolButton(statusBar1_);
    statusProblems_->setObjectName(QStringLiteral("StatusProblems"));
    statusProblems_->setAutoRaise(true);
    statusProblems_->setToolTip(QStringLiteral("Show the Problems panel"));
    statusProblems_->hide();
    statusBar1_->addPermanentWidget(statusProblems_);
    setStatusBar(statusBar1_);
}

void TMainForm::SetNotUploaded(bool notUploaded)
{
    if (!statusUpload_) {
        statusUpload_ = new QLabel(statusBar1_);
        statusUpload_->setObjectName(QStringLiteral("StatusPanelUpload"));
        statusUpload_->setToolTip(QStringLiteral("The configuration shown differs from what the module was last "
                                                 "read or uploaded with"));
        statusBar1_->addPermanentWidget(statusUpload_);
    }
    statusUpload_->setText(notUploaded ? StatusNotUploaded() : QString());
}

QString TMainForm::UploadStatusText() const
{
    return statusUpload_ ? statusUpload_->text() : QString();
}

void TMainForm::SetProblemsPanel(QDockWidget* panel)
{
    addDockWidget(Qt::BottomDockWidgetArea, panel);
    // It gets what the "General" page leaves of the window's height (three rows on the design
    // height); the user may float it or draw its edge up on the pages that scroll.
    QAction* toggle = panel->toggleViewAction();
    toggle->setObjectName(QStringLiteral("Problems1"));
    toggle->setText(QStringLiteral("Problems"));
    tools1_->addSeparator();
    tools1_->addAction(toggle);
    connect(statusProblems_, &QToolButton::clicked, panel, [panel] {
        panel->show();
        panel->raise();
    });
    statusProblems_->show();
}

void TMainForm::ShowProblemCount(const QString& text, int errors)
{
    statusProblems_->setText(text);
    statusProblems_->setStyleSheet(errors > 0 ? QStringLiteral("QToolButton { color: #b00000; font-weight: bold; }") : QString());
}

QString TMainForm::ProblemCountText() const
{
    return statusProblems_->text();
}

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
    // version check); attached by the transfer sequencer. Its connection variant first asks
    // before it replaces changes that are neither saved nor uploaded.
    if (commands_.readAfterConnect)
        commands_.readAfterConnect();
    else if (commands_.read)
        commands_.read();
}

} // namespace relvane

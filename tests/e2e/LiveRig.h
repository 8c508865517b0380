#pragma once
// The whole program, composed as relvane-tool composes it, against the in-process
// simulated module on its real pseudo-terminal. The tool finds the module the way it
// finds any simulated adapter: through a DirectoryBackend on a private adapter
// directory. Used by the end-to-end tests and by the screenshot program.

#include "app/ErrorDisplay.h"
#include "app/ToolProgram.h"
#include "link/AdapterBackend.h"
#include "monitor/ui/GeneralPage.h"
#include "monitor/ui/VersionForm.h"
#include "sim/Simulator.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMutex>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace relvane::e2e {

inline const QString& SimulatorDescription()
{
    static const QString d = QStringLiteral("Relvane Simulator");
    return d;
}

// Runs act once the application's modal window is `dialog` and ready() holds. A
// dialog that never gets ready within timeoutMs is rejected, so a fault never hangs the
// caller's exec(). Keep the script alive across the exec(); GaveUp() tells which happened.
class ModalScript {
public:
    ModalScript(QDialog* dialog, std::function<bool()> ready, std::function<void()> act,
                int timeoutMs = 8000)
        : poll_(new QTimer)
    {
        clock_.start();
        poll_->setInterval(20);
        QObject::connect(poll_, &QTimer::timeout, poll_, [=, this] {
            if (QApplication::activeModalWidget() == dialog && ready()) {
                poll_->stop();
                act();
            } else if (clock_.elapsed() > timeoutMs) {
                poll_->stop();
                gaveUp_ = true;
                if (dialog->isVisible())
                    dialog->reject();
            }
        });
        poll_->start();
    }
    ~ModalScript() { delete poll_; }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    bool GaveUp() const { return gaveUp_; }

private:
    QTimer* poll_;
    QElapsedTimer clock_;
    bool gaveUp_ = false;
};

class LiveRig {
public:
    explicit LiveRig(bool fast = false)
    {
        sim::SimulatorOptions o;
        o.description = SimulatorDescription();
        o.adapterDir = adapters_.path();
        o.fast = fast;
        simulator_ = std::make_unique<sim::Simulator>(o);
        simulator_->SetPrinter([this](const QString& line) {
            QMutexLocker lock(&consoleGuard_);
            console_.append(line);
        });
        backend_ = std::make_unique<DirectoryBackend>(adapters_.path());
        errors_ = std::make_unique<ErrorDisplay>(dialogs_);
    }

    ~LiveRig()
    {
        // The tool lets go of the pseudo-terminal before the module goes away.
        program_.reset();
        simulator_->Stop();
    }

    LiveRig(const LiveRig&) = delete;
    LiveRig& operator=(const LiveRig&) = delete;

    // Where the program keeps restore points and its recovery file; empty keeps neither.
    QString dataFolder;

    // The simulator first (so its adapter is listed), then the program's start-up.
    bool Start(QString* error)
    {
        if (!adapters_.isValid()) {
            *error = QStringLiteral("no temporary adapter directory");
            return false;
        }
        if (!simulator_->Start(error))
            return false;
        StartOptions o;
        o.settingsPath = adapters_.filePath(QStringLiteral("relvane-tool.INI"));
        o.currentDirectory = adapters_.path();
        o.splashWaitMs = 0;
        o.showSplash = false;
        o.dataFolder = dataFolder;
        program_ = std::make_unique<ToolProgram>(dialogs_, *errors_, *backend_, o);
        program_->Start();
        // The version check waits 1 s for the answer to the next heartbeat (up to 400 ms
        // away); on a loaded machine the answer alone has taken more than 1 s.
        program_->Transfer().SetVersionFormHook([](TVersionForm& form) {
            form.Check().Timer1().setInterval(5000);
        });
        return true;
    }

    // "&Connection" -> "&USB", the simulator's entry picked once the dialog lists it, "OK".
    // Returns what went wrong, or an empty text.
    QString ConnectThroughDialog()
    {
        TUSB_SelectForm& select = program_->UsbSelectForm();
        QStringList listed;
        ModalScript script(
            &select,
            [&select] {
                QListWidget* list = select.ListBox1();
                return list->count() > 0 && list->currentItem();
            },
            [&] {
                for (int i = 0; i < select.ListBox1()->count(); ++i)
                    listed << select.ListBox1()->item(i)->text();
                select.findChild<QPushButton*>(QStringLiteral("BtnOpen"))->click();
            });
        program_->MainForm().USB1Click();
        if (script.GaveUp())
            return QStringLiteral("the selection dialog never listed an adapter");
        if (listed != QStringList{SimulatorDescription()})
            return QStringLiteral("the dialog listed: ") + listed.join(QStringLiteral(", "));
        if (!program_->MainForm().Connected())
            return QStringLiteral("not connected; status: ") + program_->MainForm().StatusText();
        return {};
    }

    // No transfer running and no window of it open (a read may follow a connection).
    bool Idle() const
    {
        return !program_->MainForm().TransferBusy() && QApplication::activeModalWidget() == nullptr;
    }

    sim::Simulator& Simulator() { return *simulator_; }
    ToolProgram& Program() { return *program_; }
    TMainForm& Main() { return program_->MainForm(); }
    TGeneralPage& General() { return program_->GeneralPage(); }
    ScriptedDialogs& DialogBoxes() { return dialogs_; }
    QString AdapterDir() const { return adapters_.path(); }

    // Controls of the "General" page by name.
    QPushButton* ChannelButton(int channel) const
    {
        const QString name = channel <= HIGH_POWER_CHANNELS ? QStringLiteral("BtnHighPowerCh%1")
                                                            : QStringLiteral("BtnLowPowerCh%1");
        return program_->GeneralPage().findChild<QPushButton*>(name.arg(channel));
    }
    QLabel* StateLabel(int channel) const
    {
        return program_->GeneralPage().findChild<QLabel*>(QStringLiteral("ch%1State").arg(channel));
    }
    QLabel* Label(const QString& name) const
    {
        return program_->GeneralPage().findChild<QLabel*>(name);
    }

    // Frames the module received, by command (type 1 unless given).
    QList<QByteArray> Received(int command, int type = 1) const
    {
        QList<QByteArray> out;
        for (const QByteArray& f : simulator_->ReceivedFrames())
            if (f.size() >= 4 && std::uint8_t(f[2]) == type && std::uint8_t(f[3]) == command)
                out.append(f);
        return out;
    }
    // Command bytes of the type-1 frames the module received that are among `commands`.
    QList<int> ReceivedCommands(const QList<int>& commands) const
    {
        QList<int> out;
        for (const QByteArray& f : simulator_->ReceivedFrames())
            if (f.size() >= 4 && std::uint8_t(f[2]) == 1 && commands.contains(std::uint8_t(f[3])))
                out.append(std::uint8_t(f[3]));
        return out;
    }

    QStringList Console() const
    {
        QMutexLocker lock(&consoleGuard_);
        return console_;
    }

private:
    QTemporaryDir adapters_;
    std::unique_ptr<sim::Simulator> simulator_;
    std::unique_ptr<DirectoryBackend> backend_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<ErrorDisplay> errors_;
    std::unique_ptr<ToolProgram> program_;
    mutable QMutex consoleGuard_;
    QStringList console_;
};

} // namespace relvane::e2e

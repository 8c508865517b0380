#pragma once
// The whole tool against the simulated module: the composed program (main window, link
// thread, dispatcher) over the DirectoryBackend of a private adapter directory, and the
// in-process simulator on its pseudo-terminal registered there. Windows are opened through
// their menu entries and driven while their modal loop runs.

#include "app/ErrorDisplay.h"
#include "app/ToolProgram.h"
#include "config/IniFile.h"
#include "link/AdapterBackend.h"
#include "monitor/ui/VersionForm.h"
#include "sim/Simulator.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace relvane::e2e {

// The version check's wait for an answer in these tests (the program's own is 1 s).
inline constexpr int kVersionWaitMs = 5000;

class E2eRig {
public:
    explicit E2eRig(sim::SimulatorOptions options) : options_(std::move(options)) {}

    ~E2eRig()
    {
        // The program first: its destructor stops the link loop before anything else goes.
        program_.reset();
        errors_.reset();
        if (simulator_)
            simulator_->Stop();
    }

    // Starts the simulator, the program, and connects as the selection dialog would.
    // Returns an empty text on success, else what went wrong.
    QString Start()
    {
        if (!dir_.isValid())
            return QStringLiteral("no temporary directory");
        options_.adapterDir = dir_.filePath(QStringLiteral("adapters"));
        QDir().mkpath(options_.adapterDir);
        backend_ = std::make_unique<DirectoryBackend>(options_.adapterDir);
        simulator_ = std::make_unique<sim::Simulator>(options_);
        // The simulator's console lines would drown the test log.
        simulator_->SetPrinter([](const QString&) {});
        QString error;
        if (!simulator_->Start(&error))
            return QStringLiteral("simulator: ") + error;

        errors_ = std::make_unique<ErrorDisplay>(dialogs_);
        StartOptions o;
        o.settingsPath = dir_.filePath(QStringLiteral("relvane-tool.INI"));
        // The fault tables run once with the link's own pace and once with the fast link.
        if (qEnvironmentVariable("RELVANE_TEST_FAST_LINK") == QLatin1String("1")) {
            IniFile settings;
            settings.WriteBool(QStringLiteral("LINK"), QStringLiteral("FAST_LINK"), true);
            settings.Save(o.settingsPath);
        }
        o.currentDirectory = dir_.path();
        o.splashWaitMs = 0;
        o.showSplash = false;
        program_ = std::make_unique<ToolProgram>(dialogs_, *errors_, *backend_, o);
        program_->Start();
        program_->MainForm().ConnectDevice(options_.description);
        if (!program_->MainForm().Connected())
            return QStringLiteral("the link did not open the simulator's adapter");
        // The configuration read that follows a connection (with its version check
        // window) is the transfer tests' business; these tests start from a bare link.
        program_->MainForm().TimerSerial()->stop();
        // The version check waits 1 s for the answer to the next heartbeat (up to 400 ms
        // away); on a loaded machine the answer alone has taken more than 1 s.
        program_->Transfer().SetVersionFormHook([](TVersionForm& form) {
            form.Check().Timer1().setInterval(kVersionWaitMs);
        });
        return {};
    }

    ToolProgram& Program() { return *program_; }
    TMainForm& Main() { return program_->MainForm(); }
    sim::Simulator& Sim() { return *simulator_; }
    ScriptedDialogs& Dialogs() { return dialogs_; }
    ErrorDisplay& Errors() { return *errors_; }
    QString TempPath(const QString& name) const { return dir_.filePath(name); }
    QString SettingsPath() const { return dir_.filePath(QStringLiteral("relvane-tool.INI")); }

    // The heartbeat has brought the module's software version: frames go both ways.
    bool WaitForVersion(int timeoutMs = 10000)
    {
        return QTest::qWaitFor([this] { return !Main().SoftwareVersion().isEmpty(); }, timeoutMs);
    }

    // Received frames of the simulator with this type and command, in arrival order.
    QList<QByteArray> ReceivedCommands(int type, int command) const
    {
        QList<QByteArray> out;
        for (const QByteArray& f : simulator_->ReceivedFrames())
            if (f.size() >= 4 && std::uint8_t(f[2]) == type && std::uint8_t(f[3]) == command)
                out.append(f);
        return out;
    }

    // Triggers the main window's menu entry, which shows its window modally, and runs
    // script on that window inside its modal loop. The window is closed after the
    // script whatever happened in it, so a failed check cannot hang the test.
    template <typename Form>
    void RunModal(const char* menuEntry, const std::function<void(Form&)>& script)
    {
        QAction* action = Main().findChild<QAction*>(QString::fromLatin1(menuEntry));
        if (!action || !action->isEnabled()) {
            QTest::qFail("menu entry missing or disabled", __FILE__, __LINE__);
            return;
        }
        bool ran = false;
        QTimer::singleShot(0, &Main(), [&] {
            ran = true;
            QWidget* modal = QApplication::activeModalWidget();
            Form* form = qobject_cast<Form*>(modal);
            if (!form)
                QTest::qFail("the menu entry did not show its window", __FILE__, __LINE__);
            // Activation runs the windows' FormActivate work; the scripts start after it.
            else if (!QTest::qWaitForWindowActive(form, 5000))
                QTest::qFail("the window did not become active", __FILE__, __LINE__);
            else
                script(*form);
            if (modal)
                modal->close();
        });
        action->trigger();
        if (!ran)
            QTest::qFail("the window was not modal", __FILE__, __LINE__);
    }

    // Saves a picture of the window when RELVANE_SCREENSHOT_DIR names a folder.
    static void Screenshot(QWidget& window, const QString& name)
    {
        const QString dir = qEnvironmentVariable("RELVANE_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        QCoreApplication::processEvents();
        window.grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
    }

private:
    sim::SimulatorOptions options_;
    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<DirectoryBackend> backend_;
    std::unique_ptr<sim::Simulator> simulator_;
    std::unique_ptr<ErrorDisplay> errors_;
    std::unique_ptr<ToolProgram> program_;
};

template <typename W>
W* Child(QWidget& parent, const char* name)
{
    return parent.findChild<W*>(QString::fromLatin1(name));
}

inline void Click(QWidget& parent, const char* name)
{
    QPushButton* b = Child<QPushButton>(parent, name);
    if (!b) {
        QTest::qFail(name, __FILE__, __LINE__);
        return;
    }
    QTest::mouseClick(b, Qt::LeftButton);
}

inline QString Text(QWidget& parent, const char* name)
{
    if (auto* e = Child<QLineEdit>(parent, name))
        return e->text();
    if (auto* l = Child<QLabel>(parent, name))
        return l->text();
    if (auto* p = Child<QPlainTextEdit>(parent, name))
        return p->toPlainText();
    return QStringLiteral("<no control %1>").arg(QLatin1String(name));
}

inline void SetText(QWidget& parent, const char* name, const QString& text)
{
    QLineEdit* e = Child<QLineEdit>(parent, name);
    if (!e) {
        QTest::qFail(name, __FILE__, __LINE__);
        return;
    }
    e->setText(text);
}

inline QStringList Lines(QWidget& parent, const char* name)
{
    return Text(parent, name).split(QLatin1Char('\n'));
}

}  // namespace relvane::e2e

#pragma once
// relvane run against the in-process simulator: a temporary folder whose adapters/ folder the
// simulator serves and the backend lists, and each command's output and exit status.
//
//   CliRig rig;                 // a member of the test class
//   rig.Open();                 // in init()
//   rig.StartSim();             // where a test needs the module
//   QCOMPARE(rig.Run({QStringLiteral("status")}), 0);
//   rig.Close();                // in cleanup()

#include "cli/Cli.h"
#include "cli/Console.h"
#include "link/AdapterBackend.h"
#include "sim/Simulator.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace relvane::test {

class CliRig {
public:
    // Where the backend looks for other programs' lock files: the system's folders, or only
    // the rig's own lock/ folder (a test that holds the adapter itself).
    enum class Locks { System, Own };

    // A fresh folder and the backend on its adapters folder.
    void Open(Locks locks = Locks::System)
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        backend_ = std::make_unique<DirectoryBackend>(
            AdapterDir(), locks == Locks::Own ? QStringList{Path("lock")} : DefaultLockDirectories());
        console = cli::BufferConsole();
    }

    // A simulator in fast mode serving the adapters folder, its messages kept quiet.
    void StartSim(sim::SimulatorOptions options = {})
    {
        options.adapterDir = AdapterDir();
        options.fast = true;
        sim_ = std::make_unique<sim::Simulator>(options);
        sim_->SetPrinter([](const QString&) {});
        QString error;
        QVERIFY2(sim_->Start(&error), qPrintable(error));
    }

    void Close()
    {
        if (sim_)
            sim_->Stop();
        sim_.reset();
        backend_.reset();
        dir_.reset();
    }

    // relvane with args (without the program name), its output collected afresh in console.
    int Run(const QStringList& args)
    {
        console = cli::BufferConsole();
        cli::CliContext context{*backend_, console, {}, false, dataFolder};
        return cli::RunCli(args, context);
    }

    QString Path(const QString& name) const { return dir_->filePath(name); }
    QString Path(const char* name) const { return Path(QLatin1String(name)); }
    QString AdapterDir() const { return Path("adapters"); }

    // Everything the last command printed, for a failed check's message.
    QString Dump() const
    {
        return QStringLiteral("stdout:\n%1\nstderr:\n%2")
            .arg(console.out.join(QLatin1Char('\n')), console.err.join(QLatin1Char('\n')));
    }

    sim::Simulator& Sim() { return *sim_; }
    DirectoryBackend& Backend() { return *backend_; }

    cli::BufferConsole console;
    // Where the commands keep restore points; empty keeps none.
    QString dataFolder;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<sim::Simulator> sim_;
    std::unique_ptr<DirectoryBackend> backend_;
};

}  // namespace relvane::test

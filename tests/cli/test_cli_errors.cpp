// The command line when a handler throws while a command waits: one message on the command's
// standard error, the link goes on, the command fails instead of hanging or aborting; and the
// help a failed open gives.

#include "cli/Cli.h"
#include "cli/CliApplication.h"
#include "cli/CliRig.h"
#include "cli/Console.h"
#include "cli/Session.h"
#include "protocol/MessageCatalogue.h"
#include "sim/Simulator.h"

#include <QTimer>
#include <QTest>

#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace relvane;
using namespace relvane::cli;

namespace {

struct ThrowOnce : MainFrameHandler {
    int versions = 0;
    void OnVersion(const VersionInfo&) override {
        if (++versions == 1) throw std::runtime_error("handler failed");
    }
};

int Count(const QStringList& lines, const QString& line) { return int(lines.count(line)); }

}  // namespace

class TestCliErrors : public QObject {
    Q_OBJECT

    test::CliRig rig_;

private Q_SLOTS:
    void init() {
        rig_.Open(test::CliRig::Locks::Own);
        rig_.StartSim();
    }
    void cleanup() {
        CliApplication::Instance()->SetConsole(nullptr);
        rig_.Close();
    }

    void handlerThrowsInTheHandOff() {
        CliApplication::Instance()->SetConsole(&rig_.console);
        const int before = CliApplication::Instance()->Errors();
        cli::Session session(rig_.Backend(), rig_.console);
        QCOMPARE(session.Open({}), EXIT_OK);
        ThrowOnce handler;
        session.dispatcher().AddHandler(&handler);
        session.Send(BuildVersionRequest());
        QVERIFY(session.WaitUntil([&] { return handler.versions == 1; }, 10000));
        // Reading and writing go on.
        session.Send(BuildVersionRequest());
        QVERIFY(session.WaitUntil([&] { return handler.versions == 2; }, 10000));
        QVERIFY(session.Drain());
        session.Pause(50);
        QCOMPARE(Count(rig_.console.err, QStringLiteral("relvane: handler failed")), 1);
        QCOMPARE(CliApplication::Instance()->Errors(), before + 1);
        // And so does the watch for a lost adapter.
        rig_.Sim().Command(QStringLiteral("unplug"));
        QVERIFY(session.WaitUntil([&] { return session.LinkLost(); }, 10000));
        session.dispatcher().RemoveHandler(&handler);
    }

    void errorFailsTheCommand() {
        const QStringList ping{QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("-i"),
                               QStringLiteral("10")};
        CliContext context{rig_.Backend(), rig_.console};
        QCOMPARE(RunCli(ping, context), EXIT_OK);
        QTimer::singleShot(0, [] { throw std::runtime_error("timer handler failed"); });
        QCOMPARE(RunCli(ping, context), EXIT_FAILED);
        QCOMPARE(Count(rig_.console.err, QStringLiteral("relvane: timer handler failed")), 1);
        // The pings themselves went through.
        QCOMPARE(rig_.console.out.last(), QStringLiteral("Pings: 2, mismatches: 0, time-outs: 0, checksum errors: 0"));
    }

    void heldAdapterIsNamed() {
        const QByteArray device = QFile::encodeName(rig_.Sim().DevicePath());
        const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        CliContext context{rig_.Backend(), rig_.console};
        QCOMPARE(RunCli({QStringLiteral("ping"), QStringLiteral("-n"), QStringLiteral("1")}, context), EXIT_NO_ADAPTER);
        ::close(fd);
        const QString hint = rig_.console.err.last();
        QVERIFY2(hint.contains(QStringLiteral("in use by another program")) &&
                     hint.contains(QStringLiteral("PID %1").arg(::getpid())),
                 qPrintable(rig_.console.err.join(QLatin1Char('\n'))));
    }
};

int main(int argc, char** argv) {
    CliApplication app(argc, argv);
    TestCliErrors test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_cli_errors.moc"

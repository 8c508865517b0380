// An adapter that cannot be opened: the link tells why, and the main window says how to fix
// it in its status bar, next to "NOT CONNECTED", without a message box.

#include "app/ConnectionLink.h"
#include "app/MainForm.h"
#include "link/AdapterBackend.h"
#include "link/AdapterDirectory.h"
#include "link/MemoryBackend.h"
#include "link/UsbThread.h"
#include "support/ScriptedDialogs.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace relvane;

Q_DECLARE_METATYPE(relvane::OpenFailure)

namespace {

// A pseudo-terminal whose slave stands in for an adapter's device.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slave_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~Pty()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    const QString& Slave() const { return slave_; }

private:
    int master_ = -1;
    QString slave_;
};

class IdlePort final : public AdapterPort {
public:
    ReadStatus Read(std::uint8_t*, int, int* got) override
    {
        *got = 0;
        return ReadStatus::Ok;
    }
    bool Write(const std::uint8_t*, int count, int* written) override
    {
        *written = count;
        return true;
    }
};

// One adapter "A" that is refused for lack of permission until allowed.
class GuardedBackend final : public AdapterBackend {
public:
    bool allow = false;
    bool ListAdapters(QList<AdapterInfo>& out) override
    {
        out.append(AdapterInfo{QStringLiteral("A"), true});
        return true;
    }
    std::unique_ptr<AdapterPort> Open(const QString& description) override
    {
        return OpenExplained(description, nullptr);
    }
    std::unique_ptr<AdapterPort> OpenExplained(const QString&, OpenError* why) override
    {
        if (allow) {
            if (why)
                *why = OpenError{};
            return std::make_unique<IdlePort>();
        }
        if (why)
            *why = OpenError{OpenFailure::PermissionDenied, QStringLiteral("/dev/ttyUSB0"),
                             QStringLiteral("/dev/ttyUSB0: Permission denied")};
        return nullptr;
    }
};

// A connection whose opens fail with a scripted reason until it is told to succeed.
class ScriptedLink final : public ConnectionLink {
public:
    bool succeed = false;
    OpenError error;
    QStringList ListUsbDevices() override { return {QStringLiteral("A")}; }
    bool Open(const QString&) override { return succeed; }
    OpenError LastOpenError() const override { return succeed ? OpenError{} : error; }
    void Close() override {}
    TxSink& TxQueue() override { return tx_; }

private:
    class NullTx final : public TxSink {
    public:
        bool AddToTxQueue(const std::uint8_t*, int) override { return true; }
    } tx_;
};

OpenError Denied(const QString& device)
{
    return OpenError{OpenFailure::PermissionDenied, device, device + QStringLiteral(": Permission denied")};
}

} // namespace

class TestOpenHint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void errnoMapping_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<OpenFailure>("failure");
        QTest::newRow("none") << 0 << OpenFailure::None;
        QTest::newRow("EACCES") << EACCES << OpenFailure::PermissionDenied;
        QTest::newRow("EPERM") << EPERM << OpenFailure::PermissionDenied;
        QTest::newRow("EBUSY") << EBUSY << OpenFailure::Busy;
        QTest::newRow("ENOENT") << ENOENT << OpenFailure::NotFound;
        QTest::newRow("ENODEV") << ENODEV << OpenFailure::NotFound;
        QTest::newRow("ENXIO") << ENXIO << OpenFailure::NotFound;
        QTest::newRow("EIO") << EIO << OpenFailure::Other;
        QTest::newRow("ENOTTY") << ENOTTY << OpenFailure::Other;
    }
    void errnoMapping()
    {
        QFETCH(int, error);
        QFETCH(OpenFailure, failure);
        QCOMPARE(OpenFailureFromErrno(error), failure);
    }

    void hint_data()
    {
        QTest::addColumn<OpenFailure>("failure");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QStringList>("mentions");  // empty: no hint at all
        QTest::newRow("permission") << OpenFailure::PermissionDenied << QStringLiteral("/dev/ttyUSB3")
                                    << QStringList{QStringLiteral("/dev/ttyUSB3"), QStringLiteral("dialout"),
                                                   QStringLiteral("udev"), QStringLiteral("70-relvane.rules")};
        QTest::newRow("permission, no device") << OpenFailure::PermissionDenied << QString()
                                               << QStringList{QStringLiteral("the adapter"),
                                                              QStringLiteral("dialout")};
        QTest::newRow("busy") << OpenFailure::Busy << QStringLiteral("/dev/ttyUSB0")
                              << QStringList{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("another program")};
        QTest::newRow("not found") << OpenFailure::NotFound << QStringLiteral("/dev/ttyUSB0") << QStringList{};
        QTest::newRow("other") << OpenFailure::Other << QStringLiteral("/dev/ttyUSB0") << QStringList{};
        QTest::newRow("none") << OpenFailure::None << QString() << QStringList{};
    }
    void hint()
    {
        QFETCH(OpenFailure, failure);
        QFETCH(QString, device);
        QFETCH(QStringList, mentions);
        const QString text = OpenErrorHint(OpenError{failure, device, QString()});
        QCOMPARE(text.isEmpty(), mentions.isEmpty());
        for (const QString& m : mentions)
            QVERIFY2(text.contains(m), qPrintable(text));
        QVERIFY(!text.contains(QLatin1Char('\n')));  // one status bar line
    }

    void deviceErrno()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("plain"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();

        struct Case {
            QString path;
            int error;
        };
        const Case cases[] = {
            {dir.filePath(QStringLiteral("missing")), ENOENT},
            {file, ENOTTY},
            {dir.path(), EISDIR},
            {QString(), ENOENT},
        };
        for (const Case& c : cases) {
            QString text;
            int e = -1;
            QVERIFY(!OpenSerialDevice(c.path, false, &text, &e));
            QCOMPARE(e, c.error);
            QVERIFY(!text.isEmpty());
        }
        Pty pty;
        QVERIFY(!pty.Slave().isEmpty());
        int e = -1;
        QVERIFY(OpenSerialDevice(pty.Slave(), false, nullptr, &e) != nullptr);
        QCOMPARE(e, 0);
    }

    void directoryBackendTellsWhy()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString plain = dir.filePath(QStringLiteral("plain"));
        QFile f(plain);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString missing = dir.filePath(QStringLiteral("ttyGone"));
        Pty pty;
        QVERIFY(!pty.Slave().isEmpty());
        const QString adapters = dir.filePath(QStringLiteral("adapters"));
        QVERIFY(!WriteAdapterRegistration(adapters, QStringLiteral("gone"), QStringLiteral("Gone"), missing).isEmpty());
        QVERIFY(!WriteAdapterRegistration(adapters, QStringLiteral("plain"), QStringLiteral("Plain"), plain).isEmpty());
        QVERIFY(!WriteAdapterRegistration(adapters, QStringLiteral("pty"), QStringLiteral("Pty"), pty.Slave()).isEmpty());
        DirectoryBackend backend(adapters);

        OpenError why{OpenFailure::Other, QStringLiteral("stale"), QStringLiteral("stale")};
        QVERIFY(!backend.OpenExplained(QStringLiteral("Gone"), &why));
        QCOMPARE(why.failure, OpenFailure::NotFound);
        QCOMPARE(why.device, missing);

        QVERIFY(!backend.OpenExplained(QStringLiteral("Plain"), &why));
        QCOMPARE(why.failure, OpenFailure::Other);
        QCOMPARE(why.device, plain);
        QVERIFY(why.text.contains(QStringLiteral("not a serial device")));

        QVERIFY(!backend.OpenExplained(QStringLiteral("Nobody"), &why));
        QCOMPARE(why.failure, OpenFailure::NotFound);
        QVERIFY(why.device.isEmpty());

        QVERIFY(backend.OpenExplained(QStringLiteral("Pty"), &why) != nullptr);
        QCOMPARE(why.failure, OpenFailure::None);

        // The combined backend passes the reason on, and knows "not listed" itself.
        CombinedBackend combined({&backend});
        QVERIFY(!combined.OpenExplained(QStringLiteral("Gone"), &why));
        QCOMPARE(why.failure, OpenFailure::NotFound);
        QCOMPARE(why.device, missing);
        QVERIFY(!combined.OpenExplained(QStringLiteral("Nobody"), &why));
        QCOMPARE(why.failure, OpenFailure::NotFound);
        // Plain Open still works as before.
        QVERIFY(backend.Open(QStringLiteral("Pty")) != nullptr);
        QVERIFY(!backend.Open(QStringLiteral("Gone")));
    }

    // A device this user may not open is reported as a permission failure. Root may open
    // anything, so the open runs in a child that has given root up.
    void permissionDenied()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        Pty pty;
        QVERIFY(!pty.Slave().isEmpty());
        if (::geteuid() != 0)
            QSKIP("needs root: a device this user may not open is made by taking root's away");
        const QByteArray slave = QFile::encodeName(pty.Slave());
        QVERIFY(::chmod(slave.constData(), 0600) == 0);
        const QString adapters = dir.filePath(QStringLiteral("adapters"));
        QVERIFY(!WriteAdapterRegistration(adapters, QStringLiteral("pty"), QStringLiteral("Pty"), pty.Slave()).isEmpty());
        DirectoryBackend backend(adapters);

        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody)
            QSKIP("no unprivileged user to open the device as");
        // The child must read the registration.
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        QVERIFY(::chmod(QFile::encodeName(adapters).constData(), 0755) == 0);
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(100);
            OpenError why;
            const bool opened = backend.OpenExplained(QStringLiteral("Pty"), &why) != nullptr;
            ::_exit(opened ? 101 : static_cast<int>(why.failure));
        }
        int status = 0;
        pid_t done = 0;
        for (int i = 0; i < 500 && done == 0; ++i) {
            done = ::waitpid(child, &status, WNOHANG);
            if (done == 0)
                QTest::qSleep(10);
        }
        if (done == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            QFAIL("the unprivileged open did not finish");
        }
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), static_cast<int>(OpenFailure::PermissionDenied));
    }

    void backendWithoutReasons()
    {
        MemoryBackend memory;
        memory.AddAdapter(QStringLiteral("A"));
        memory.SetOpenFails(true);
        OpenError why;
        QVERIFY(!memory.OpenExplained(QStringLiteral("A"), &why));
        QCOMPARE(why.failure, OpenFailure::Other);
        memory.SetOpenFails(false);
        QVERIFY(memory.OpenExplained(QStringLiteral("A"), &why) != nullptr);
        QCOMPARE(why.failure, OpenFailure::None);
    }

    void linkThreadKeepsTheReason()
    {
        GuardedBackend backend;
        UsbThread link(backend);
        QCOMPARE(link.LastOpenError().failure, OpenFailure::None);
        QVERIFY(!link.Open(QStringLiteral("A")));
        QCOMPARE(link.State(), LINK_CLOSED);
        const OpenError e = link.LastOpenError();
        QCOMPARE(e.failure, OpenFailure::PermissionDenied);
        QCOMPARE(e.device, QStringLiteral("/dev/ttyUSB0"));
        backend.allow = true;
        QVERIFY(link.Open(QStringLiteral("A")));
        QCOMPARE(link.LastOpenError().failure, OpenFailure::None);
        link.Close();
        link.Join(5000);
    }

    void statusBarHint()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScriptedDialogs dialogs;
        ScriptedLink link;
        link.error = Denied(QStringLiteral("/dev/ttyUSB0"));
        TMainForm form(dialogs, link, dir.filePath(QStringLiteral("relvane-tool.INI")), dir.path());
        auto* panel0 = form.findChild<QLabel*>(QStringLiteral("StatusPanel0"));
        auto* panel1 = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
        QVERIFY(panel0 && panel1);

        form.ConnectDevice(QStringLiteral("A"));
        QCOMPARE(form.StatusText(), QStringLiteral("NOT CONNECTED"));
        const QString hint = OpenErrorHint(link.error);
        QCOMPARE(panel1->text(), hint);
        QCOMPARE(panel0->toolTip(), hint);
        QVERIFY(panel1->maximumWidth() > 50);
        QCOMPARE(dialogs.Count(), 0);  // no box on top of it

        // Connecting puts the second panel back as it was.
        link.succeed = true;
        form.ConnectDevice(QStringLiteral("A"));
        QCOMPARE(form.StatusText(), QStringLiteral("USB CONNECTED"));
        QVERIFY(panel1->text().isEmpty());
        QVERIFY(panel0->toolTip().isEmpty());
        QCOMPARE(panel1->minimumWidth(), 50);
        QCOMPARE(panel1->maximumWidth(), 50);
        QCOMPARE(dialogs.Count(), 0);
    }

    void noHintWithoutAFix()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ScriptedDialogs dialogs;
        ScriptedLink link;
        TMainForm form(dialogs, link, dir.filePath(QStringLiteral("relvane-tool.INI")), dir.path());
        auto* panel1 = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
        QVERIFY(panel1);

        link.error = Denied(QStringLiteral("/dev/ttyUSB0"));
        form.ConnectDevice(QStringLiteral("A"));
        QVERIFY(!panel1->text().isEmpty());
        // A later failure that the user cannot mend replaces the stale hint.
        link.error = OpenError{OpenFailure::NotFound, {}, {}};
        form.ConnectDevice(QStringLiteral("A"));
        QCOMPARE(form.StatusText(), QStringLiteral("NOT CONNECTED"));
        QVERIFY(panel1->text().isEmpty());
        QCOMPARE(panel1->maximumWidth(), 50);
        QCOMPARE(dialogs.Count(), 0);
    }
};

QTEST_MAIN(TestOpenHint)
#include "test_open_hint.moc"

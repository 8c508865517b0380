// An adapter another program holds is not opened, and the user is told who holds it: UUCP
// lock files, advisory locks from this or another process; the tool's own lock file while it
// holds a device; a device held open without a lock (the simulator's slave) still opens.

#include "link/AdapterBackend.h"
#include "link/AdapterDirectory.h"
#include "link/DeviceLock.h"
#include "link/UsbThread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace relvane;

namespace {

enum class Content { Ascii, Binary, QtStyle, Empty };

QByteArray LockContent(Content kind, qint64 pid) {
    switch (kind) {
    case Content::Ascii:
        return QByteArray::number(pid).rightJustified(10, ' ') + '\n';
    case Content::Binary: {
        const int v = static_cast<int>(pid);
        return QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
    }
    case Content::QtStyle:
        return QByteArray::number(pid) + "\nminicom\nhost\n";
    case Content::Empty:
        break;
    }
    return {};
}

}  // namespace

Q_DECLARE_METATYPE(Content)

class TestDeviceLocks : public QObject {
    Q_OBJECT

    QProcess holder_;  // a live program to name in lock files; it ends with its input
    qint64 deadPid_ = 0;
    std::unique_ptr<QTemporaryDir> dir_;
    int master_ = -1;
    QString slave_;
    QString lockDir_;
    std::unique_ptr<DirectoryBackend> backend_;

    std::unique_ptr<AdapterPort> Open(OpenError* why) { return backend_->OpenExplained(QStringLiteral("Pty"), why); }
    QString OwnLockFile() const { return QDir(lockDir_).filePath(UucpLockNames(slave_).first()); }

private Q_SLOTS:
    void initTestCase() {
        holder_.start(QStringLiteral("cat"), {});
        QVERIFY(holder_.waitForStarted(10000));
        QProcess done;
        done.start(QStringLiteral("true"), {});
        QVERIFY(done.waitForStarted(10000));
        deadPid_ = done.processId();
        QVERIFY(done.waitForFinished(10000));
    }
    void cleanupTestCase() {
        holder_.closeWriteChannel();
        holder_.waitForFinished(10000);
    }
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0);
        slave_ = QString::fromLocal8Bit(::ptsname(master_));
        lockDir_ = dir_->filePath(QStringLiteral("lock"));
        QVERIFY(QDir().mkpath(lockDir_));
        const QString adapters = dir_->filePath(QStringLiteral("adapters"));
        QVERIFY(!WriteAdapterRegistration(adapters, QStringLiteral("pty"), QStringLiteral("Pty"), slave_).isEmpty());
        backend_ = std::make_unique<DirectoryBackend>(adapters, QStringList{lockDir_});
    }
    void cleanup() {
        backend_.reset();
        ::close(master_);
        dir_.reset();
    }

    void lockFiles_data() {
        QTest::addColumn<bool>("baseName");  // "LCK..N" rather than "LCK..pts_N"
        QTest::addColumn<Content>("content");
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("held");
        QTest::newRow("ascii, live") << false << Content::Ascii << true << true;
        QTest::newRow("binary, live") << false << Content::Binary << true << true;
        QTest::newRow("Qt style, live") << false << Content::QtStyle << true << true;
        QTest::newRow("base name, live") << true << Content::Ascii << true << true;
        QTest::newRow("no PID yet") << false << Content::Empty << true << true;
        QTest::newRow("ascii, stale") << false << Content::Ascii << false << false;
        QTest::newRow("binary, stale") << false << Content::Binary << false << false;
        QTest::newRow("base name, stale") << true << Content::Ascii << false << false;
    }
    void lockFiles() {
        QFETCH(bool, baseName);
        QFETCH(Content, content);
        QFETCH(bool, live);
        QFETCH(bool, held);
        const QStringList names = UucpLockNames(slave_);
        QCOMPARE(names.first(), QStringLiteral("LCK..") + slave_.mid(5).replace(QLatin1Char('/'), QLatin1Char('_')));
        const QString file = QDir(lockDir_).filePath(baseName ? names.last() : names.first());
        const qint64 pid = live ? holder_.processId() : deadPid_;
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(LockContent(content, pid));
        f.close();

        OpenError why;
        std::unique_ptr<AdapterPort> port = Open(&why);
        QCOMPARE(port == nullptr, held);
        if (held) {
            QCOMPARE(why.failure, OpenFailure::Busy);
            QCOMPARE(why.holder.lockFile, file);
            const QString hint = OpenErrorHint(why);
            QVERIFY2(hint.contains(file) && hint.contains(slave_), qPrintable(hint));
            if (content != Content::Empty) {
                QCOMPARE(why.holder.pid, pid);
                QCOMPARE(why.holder.program, QStringLiteral("cat"));
                QVERIFY2(hint.contains(QStringLiteral("cat, PID %1").arg(pid)), qPrintable(hint));
            }
            QVERIFY(QFile::exists(file));  // another program's lock is left alone
        } else {
            // A stale lock is no holder; ours takes the place of one under our own name.
            QCOMPARE(why.failure, OpenFailure::None);
            QFile own(OwnLockFile());
            QVERIFY(own.open(QIODevice::ReadOnly));
            QCOMPARE(LockFilePid(own.readAll()), qint64(::getpid()));
            port.reset();
            QVERIFY(!QFile::exists(OwnLockFile()));
        }
    }

    void advisoryLock_data() {
        QTest::addColumn<bool>("otherProcess");
        QTest::newRow("another descriptor") << false;
        QTest::newRow("another process") << true;
    }
    void advisoryLock() {
        QFETCH(bool, otherProcess);
        int fd = -1;
        QProcess locker;
        qint64 pid = ::getpid();
        if (otherProcess) {
            // flock(1) holds the lock until cat, and with it flock, ends with its input.
            locker.start(QStringLiteral("flock"), {QStringLiteral("-o"), QStringLiteral("-x"), slave_, QStringLiteral("cat")});
            QVERIFY(locker.waitForStarted(10000));
            pid = locker.processId();
            QTRY_COMPARE_WITH_TIMEOUT(FlockHolder(slave_).pid, pid, 10000);
        } else {
            fd = ::open(slave_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
            QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        }
        // Through the link, as the window's status bar gets it.
        UsbThread link(*backend_);
        QVERIFY(!link.Open(QStringLiteral("Pty")));
        const OpenError why = link.LastOpenError();
        QCOMPARE(why.failure, OpenFailure::Busy);
        QCOMPARE(why.holder.pid, pid);
        QCOMPARE(why.holder.program, ProgramName(pid));
        QVERIFY(!why.holder.program.isEmpty());
        const QString hint = OpenErrorHint(why);
        QVERIFY2(hint.contains(QStringLiteral("%1, PID %2").arg(why.holder.program).arg(pid)), qPrintable(hint));
        QVERIFY(!QFile::exists(OwnLockFile()));

        if (otherProcess) {
            locker.closeWriteChannel();
            QVERIFY(locker.waitForFinished(10000));
        } else {
            ::close(fd);
        }
        QVERIFY(link.Open(QStringLiteral("Pty")));
        link.Close();
        QVERIFY(link.Join(10000));
    }

    // The tool's own lock, while it holds the device, keeps a second opener out and names it.
    void ownLock() {
        // Held open without a lock, as the simulator holds its slave: no obstacle.
        const int plain = ::open(slave_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(plain >= 0);
        OpenError why;
        std::unique_ptr<AdapterPort> first = Open(&why);
        QVERIFY(first);
        QFile own(OwnLockFile());
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(own.readAll(), QByteArray::number(qint64(::getpid())).rightJustified(10, ' ') + '\n');
        QVERIFY(!Open(&why));
        QCOMPARE(why.failure, OpenFailure::Busy);
        QCOMPARE(why.holder.pid, qint64(::getpid()));
        QCOMPARE(why.holder.lockFile, OwnLockFile());
        // A second program that does not look at lock files still meets the advisory lock.
        DirectoryBackend blind(dir_->filePath(QStringLiteral("adapters")), {});
        QVERIFY(!blind.OpenExplained(QStringLiteral("Pty"), &why));
        QCOMPARE(why.failure, OpenFailure::Busy);
        QCOMPARE(why.holder.pid, qint64(::getpid()));
        first.reset();
        QVERIFY(!QFile::exists(OwnLockFile()));
        QVERIFY(Open(&why));
        ::close(plain);
    }

    void lockDirectoryNotWritable_data() {
        QTest::addColumn<QString>("dir");
        QTest::newRow("missing") << QStringLiteral("missing/lock");
        QTest::newRow("a plain file") << QStringLiteral("file");
    }
    void lockDirectoryNotWritable() {
        QFETCH(QString, dir);
        QFile f(dir_->filePath(QStringLiteral("file")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        DirectoryBackend backend(dir_->filePath(QStringLiteral("adapters")), {dir_->filePath(dir)});
        OpenError why;
        QVERIFY(backend.OpenExplained(QStringLiteral("Pty"), &why) != nullptr);
        QCOMPARE(why.failure, OpenFailure::None);
    }
};

QTEST_GUILESS_MAIN(TestDeviceLocks)
#include "test_device_locks.moc"

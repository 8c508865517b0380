#include "link/AdapterBackend.h"
#include "link/AdapterDirectory.h"
#include "link/MemoryBackend.h"
#include "link/UsbThread.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

using namespace relvane;

namespace {

const QByteArray kVersionReq = QByteArray::fromHex("c003040106c0");

// The far end of a pseudo-terminal pair, played by the test.
class PtyMaster {
public:
    PtyMaster() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) return;
        const char* name = ::ptsname(fd_);
        if (name) slave_ = QString::fromLocal8Bit(name);
    }
    ~PtyMaster() { Close(); }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    bool ok() const { return fd_ >= 0 && !slave_.isEmpty(); }
    QString slave() const { return slave_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool Write(const QByteArray& b) { return ::write(fd_, b.constData(), size_t(b.size())) == b.size(); }
    // Reads until want bytes arrived or the time is up.
    QByteArray Read(int want, int timeoutMs) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < want && t.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[512];
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) got.append(buf, n);
            }
        }
        return got;
    }

private:
    int fd_ = -1;
    QString slave_;
};

struct Frames : FrameSink {
    QList<QByteArray> frames;
    void DispatchFrame(const std::uint8_t* f, int n) override {
        frames.append(QByteArray(reinterpret_cast<const char*>(f), n));
    }
};

struct Events : LinkObserver {
    int lost = 0;
    int restored = 0;
    void OnLinkLost() override { ++lost; }
    void OnLinkRestored() override { ++restored; }
};

}  // namespace

class TestAdapterBackends : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void combinedListsInOrderAndOpensWhereListed() {
        MemoryBackend real;
        MemoryBackend simulated;
        real.AddAdapter(QStringLiteral("FT232R USB UART"));
        simulated.AddAdapter(QStringLiteral("Relvane Simulator"));
        simulated.AddAdapter(QStringLiteral("FT232R USB UART"));
        CombinedBackend both({&real, &simulated});
        QList<AdapterInfo> list;
        QVERIFY(both.ListAdapters(list));
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[0].description, QStringLiteral("FT232R USB UART"));
        QCOMPARE(list[1].description, QStringLiteral("Relvane Simulator"));
        QVERIFY(both.Open(QStringLiteral("Relvane Simulator")) != nullptr);
        QCOMPARE(simulated.OpenCount(), 1);
        QVERIFY(both.Open(QStringLiteral("FT232R USB UART")) != nullptr);
        QCOMPARE(real.OpenCount(), 1);  // the real one comes first
        QVERIFY(both.Open(QStringLiteral("Nobody")) == nullptr);
    }

    void combinedSurvivesAFailingBackend() {
        MemoryBackend broken;
        MemoryBackend good;
        broken.SetListFails(true);
        good.AddAdapter(QStringLiteral("G"));
        CombinedBackend both({&broken, &good});
        QList<AdapterInfo> list;
        QVERIFY(both.ListAdapters(list));
        QCOMPARE(list.size(), 1);
        QVERIFY(both.Open(QStringLiteral("G")) != nullptr);
    }

    void realBackendOpensNothingUnlisted() {
        SerialPortBackend real;
        QList<AdapterInfo> list;
        QVERIFY(real.ListAdapters(list));  // whatever this machine has
        QVERIFY(real.Open(QString()) == nullptr);
        QVERIFY(real.Open(QStringLiteral("No such adapter here")) == nullptr);
    }

    void directoryRefusesWhatIsNoSerialDevice_data() {
        QTest::addColumn<QString>("device");
        QTest::newRow("plain file") << QStringLiteral("FILE");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/tty");
        QTest::newRow("null device") << QStringLiteral("/dev/null");
    }
    void directoryRefusesWhatIsNoSerialDevice() {
        QFETCH(QString, device);
        QTemporaryDir dir;
        if (device == QStringLiteral("FILE")) {
            device = dir.filePath(QStringLiteral("plain"));
            QFile f(device);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a tty");
        }
        QVERIFY(!WriteAdapterRegistration(dir.path(), QStringLiteral("x"), QStringLiteral("X"), device).isEmpty());
        DirectoryBackend backend(dir.path());
        QList<AdapterInfo> list;
        QVERIFY(backend.ListAdapters(list));
        QCOMPARE(list.size(), 1);
        QVERIFY(backend.Open(QStringLiteral("X")) == nullptr);
    }

    void serialSettingsOnAPty() {
        PtyMaster master;
        QVERIFY(master.ok());
        QString error;
        auto port = OpenSerialDevice(master.slave(), false, &error);
        QVERIFY2(port, qPrintable(error));
        const int fd = ::open(master.slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios t{};
        QVERIFY(::tcgetattr(fd, &t) == 0);
        ::close(fd);
        QCOMPARE(int(::cfgetospeed(&t)), int(B38400));
        QCOMPARE(int(t.c_cflag & CSIZE), int(CS8));
        QVERIFY(t.c_cflag & CSTOPB);
        QVERIFY(!(t.c_cflag & PARENB));
        QVERIFY(!(t.c_lflag & (ICANON | ECHO)));
    }

    void portReadsWritesAndSeesTheHangUp() {
        PtyMaster master;
        QVERIFY(master.ok());
        auto port = OpenSerialDevice(master.slave(), false);
        QVERIFY(port);
        std::uint8_t buf[64];
        int got = -1;
        QCOMPARE(port->Read(buf, sizeof buf, &got), ReadStatus::Ok);  // time-out, nothing
        QCOMPARE(got, 0);
        int written = 0;
        QVERIFY(port->Write(reinterpret_cast<const std::uint8_t*>(kVersionReq.constData()), 6, &written));
        QCOMPARE(written, 6);
        QCOMPARE(master.Read(6, 2000), kVersionReq);
        QVERIFY(master.Write("\x01\x02\x03"));
        QByteArray in;
        for (int i = 0; i < 100 && in.size() < 3; ++i) {
            QCOMPARE(port->Read(buf, sizeof buf, &got), ReadStatus::Ok);
            in.append(reinterpret_cast<const char*>(buf), got);
        }
        QCOMPARE(in, QByteArray("\x01\x02\x03"));
        master.Close();
        ReadStatus st = ReadStatus::Ok;
        for (int i = 0; i < 20 && st == ReadStatus::Ok; ++i) st = port->Read(buf, sizeof buf, &got);
        QCOMPARE(st, ReadStatus::Gone);
    }

    // The link over a real pseudo-terminal registered in an adapter directory:
    // bytes travel both ways, removal plus hang-up is a loss, a new registration
    // with the same description brings it back.
    void linkOverDirectoryPty() {
        QTemporaryDir dir;
        auto master = std::make_unique<PtyMaster>();
        QVERIFY(master->ok());
        const QString desc = QStringLiteral("Relvane Test Pty");
        const QString file =
            WriteAdapterRegistration(dir.path(), QStringLiteral("test"), desc, master->slave());
        QVERIFY(!file.isEmpty());

        DirectoryBackend backend(dir.path());
        UsbThread link(backend);
        Frames frames;
        SlipReceiver receiver(&frames);
        Events events;
        link.SetFrameReceiver(&receiver);
        link.SetLinkObserver(&events);

        QStringList list;
        QCOMPARE(link.ListUsbDevices(list), 1);
        QCOMPARE(list, QStringList{desc});
        QVERIFY(link.Open(desc));

        QVERIFY(link.AddToTxQueue(reinterpret_cast<const std::uint8_t*>(kVersionReq.constData()), 6));
        QCOMPARE(master->Read(6, 3000), kVersionReq);
        QVERIFY(master->Write(QByteArray::fromHex("c0070481010203c0")));
        QTRY_COMPARE_WITH_TIMEOUT(frames.frames.size(), 1, 3000);
        QCOMPARE(frames.frames[0], QByteArray::fromHex("070481010203"));

        // Unplug.
        QVERIFY(RemoveAdapterRegistration(file));
        master->Close();
        QTRY_COMPARE_WITH_TIMEOUT(events.lost, 1, 3000);
        QCOMPARE(link.State(), LINK_LOST);
        QVERIFY(link.AddToTxQueue(reinterpret_cast<const std::uint8_t*>("late"), 4));
        QTest::qWait(300);
        QCOMPARE(events.lost, 1);

        // Replug on a new pseudo-terminal, same description.
        master = std::make_unique<PtyMaster>();
        QVERIFY(master->ok());
        QVERIFY(!WriteAdapterRegistration(dir.path(), QStringLiteral("test"), desc, master->slave()).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(events.restored, 1, 3000);
        QCOMPARE(master->Read(4, 3000), QByteArray("late"));
        QVERIFY(link.Join(5000));
    }
};

QTEST_GUILESS_MAIN(TestAdapterBackends)
#include "test_adapter_backends.moc"

// The firmware update and compare against the simulated module's bootloader and
// program memory, in-process: bytes pass through queues instead of a terminal.

#include "FirmwareTestSupport.h"

#include "firmware/FirmwareCompare.h"
#include "firmware/FirmwareUpdate.h"
#include "sim/FirmwareSim.h"

#include <QQueue>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

struct UpdateView : FirmwareUpdateView {
    QStringList messages;
    void ShowMessage(const QString& t) override { messages.append(t); }
    void SetProgress(int) override {}
};

struct CompareView : FirmwareCompareView {
    QStringList messages, status;
    void ShowMessage(const QString& t) override { messages.append(t); }
    void AddStatusLine(const QString& l) override { status.append(l); }
    void AddFileLine(const QString&) override {}
    void AddTargetLine(const QString&) override {}
    void ClearFileLines() override {}
    void ClearTargetLines() override {}
    void SetProgress(int) override {}
    void SetPercentText(const QString&) override {}
};

// Tool -> module bytes and module -> tool bytes, each in a queue.
struct Wire : TxSink {
    QQueue<std::uint8_t> toModule;
    QQueue<std::uint8_t> toTool;
    QList<QByteArray> entries;
    bool AddToTxQueue(const std::uint8_t* bytes, int count) override {
        entries.append(QByteArray(reinterpret_cast<const char*>(bytes), count));
        for (int i = 0; i < count; ++i) toModule.enqueue(bytes[i]);
        return true;
    }
};

std::uint8_t Firmware(std::uint32_t a) { return std::uint8_t((a * 13 + (a >> 9)) ^ 0x5A); }

}  // namespace

class TestFirmwareSim : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

    // Runs the bootloader exchange until nothing moves any more.
    void RunBootloader(sim::FirmwareSim& fw, FirmwareUpdate& update, Wire& wire) {
        while (!wire.toModule.isEmpty() || !wire.toTool.isEmpty()) {
            while (!wire.toModule.isEmpty()) fw.FeedRaw(wire.toModule.dequeue());
            while (!wire.toTool.isEmpty()) update.HandleByte(wire.toTool.dequeue());
        }
    }

    // Frames between the compare and the module; `silent` drops the module's answers.
    void RunCompare(sim::Module& module, FirmwareCompare& compare, Wire& wire, bool silent = false) {
        QList<QByteArray> answers;
        module.SetOutput([&answers](const Frame& f) {
            answers.append(QByteArray(reinterpret_cast<const char*>(f.data()), f.length()));
        });
        int handled = 0;
        while (handled < wire.entries.size() || !answers.isEmpty()) {
            while (handled < wire.entries.size()) {
                const QByteArray frame = Unslip(wire.entries[handled++]);
                module.Receive(reinterpret_cast<const std::uint8_t*>(frame.constData()), int(frame.size()));
            }
            if (silent) answers.clear();
            while (!answers.isEmpty()) {
                const QByteArray a = answers.takeFirst();
                compare.OnToolFrame(reinterpret_cast<const std::uint8_t*>(a.constData()), int(a.size()));
            }
        }
        wire.toModule.clear();
    }

private Q_SLOTS:
    void initTestCase() {
        path_ = WriteFile(dir_, QStringLiteral("gen.hex"), HexText(0, 0x9FFF, Firmware) + EndRecord() + "\n");
    }

    void programThenCompare() {
        sim::FirmwareSim fw;
        Wire wire;
        fw.SetRawOutput([&wire](const std::uint8_t* b, int n) {
            for (int i = 0; i < n; ++i) wire.toTool.enqueue(b[i]);
        });
        UpdateView uview;
        FirmwareUpdate update(wire, uview, [](int) {});
        update.Program(path_);
        fw.enterOnReboot = true;
        fw.OnReboot();  // the user reboots the module
        QVERIFY(fw.Active());
        RunBootloader(fw, update, wire);
        QCOMPARE(uview.messages.last(), QStringLiteral("Target updated"));
        QVERIFY(!fw.Active());
        QCOMPARE(fw.blocksTaken, 0xA0);
        QCOMPARE(fw.updates, 1);
        QCOMPARE(std::uint8_t(fw.memory[0x1234]), Firmware(0x1234));
        QCOMPARE(std::uint8_t(fw.memory[0xA000]), std::uint8_t(0xFF));

        sim::Module module;
        sim::RegisterFirmwareHandlers(module, fw);
        fw.system.serial = 123456789;
        Wire frames;
        CompareView cview;
        FirmwareCompare compare(frames, cview, {[](int) {}, {}});
        compare.SetRememberedPath(path_);
        compare.Start(path_, QStringLiteral("V8.12"));
        RunCompare(module, compare, frames);
        QCOMPARE(cview.messages, QStringList{QStringLiteral("FIA compare File is identical with firmware")});
        QVERIFY(cview.status.contains(QStringLiteral("Relvane serial no : 123456789")));

        // One byte changed in the module.
        QVERIFY(module.RunConsole(QStringLiteral("poke"), {QStringLiteral("0x4321"), QStringLiteral("0")}));
        frames.entries.clear();
        compare.Start(path_, QString());
        RunCompare(module, compare, frames);
        QCOMPARE(cview.messages.last(), QStringLiteral("FIA compare Fail, File not the same in Adr: 4321"));

        // A silent module.
        frames.entries.clear();
        compare.Start(path_, QString());
        RunCompare(module, compare, frames, true);
        for (int i = 0; i < 6; ++i) {
            compare.TimerRequestTimer();
            RunCompare(module, compare, frames, true);
        }
        QCOMPARE(cview.messages.last(), QStringLiteral("No contact to target"));
    }

    void abortFromModule() {
        sim::FirmwareSim fw;
        Wire wire;
        fw.SetRawOutput([&wire](const std::uint8_t* b, int n) {
            for (int i = 0; i < n; ++i) wire.toTool.enqueue(b[i]);
        });
        UpdateView uview;
        FirmwareUpdate update(wire, uview, [](int) {});
        update.Program(path_);
        fw.EnterBootloader();
        // Up to the third block, then the module aborts.
        for (int round = 0; round < 3; ++round) {
            while (!wire.toTool.isEmpty()) update.HandleByte(wire.toTool.dequeue());
            while (!wire.toModule.isEmpty()) fw.FeedRaw(wire.toModule.dequeue());
        }
        QVERIFY(fw.Active());
        sim::Module module;
        sim::RegisterFirmwareHandlers(module, fw);
        QVERIFY(module.RunConsole(QStringLiteral("abort"), {}));
        QVERIFY(!fw.Active());
        RunBootloader(fw, update, wire);
        QCOMPARE(update.state(), FirmwareUpdate::Idle);
        QVERIFY(uview.messages.last() != QStringLiteral("Target updated"));
    }

    void badBlockSum() {
        sim::FirmwareSim fw;
        QByteArray out;
        fw.SetRawOutput([&out](const std::uint8_t* b, int n) { out.append(reinterpret_cast<const char*>(b), n); });
        fw.EnterBootloader();
        fw.FeedRaw('<');
        QCOMPARE(out, QByteArray(">T!"));
        QByteArray block(259, char(0x11));
        block[0] = 0;
        block[1] = 1;
        block[258] = 0x00;  // 256 x 0x11 sums to 0x00: right
        for (char c : block) fw.FeedRaw(std::uint8_t(c));
        QCOMPARE(out, QByteArray(">T!!"));
        QCOMPARE(std::uint8_t(fw.memory[0x100]), std::uint8_t(0x11));
        block[258] = 0x01;  // wrong
        for (char c : block) fw.FeedRaw(std::uint8_t(c));
        QCOMPARE(out, QByteArray(">T!!@"));
        QVERIFY(!fw.Active());
    }
};

QTEST_GUILESS_MAIN(TestFirmwareSim)
#include "test_firmware_sim.moc"

// The simulated module's answers, without a pseudo-terminal: configuration
// blocks, factory defaults, reboot, live status and manual switching.

#include "PtyClient.h"

#include "sim/MessageCodes.h"
#include "sim/Module.h"

#include <QTest>

#include <algorithm>

using namespace relvane;
using namespace relvane::sim;
using namespace relvane::sim::test;

class TestSimModule : public QObject {
    Q_OBJECT

private:
    Module module_;
    QList<QByteArray> out_;
    QStringList printed_;

    void Receive(const Frame& f) { module_.Receive(f.data(), f.length()); }
    void Ask(std::uint8_t command, int length = 4, int byte4 = -1) {
        Frame f(FRAME_TYPE_COMMAND, command, length);
        if (byte4 >= 0) f[4] = static_cast<std::uint8_t>(byte4);
        Receive(f.Seal());
    }
    QList<QByteArray> Take() {
        QList<QByteArray> o;
        o.swap(out_);
        return o;
    }
    static QByteArray Payload(const QByteArray& frame) { return frame.mid(4); }
    static QStringList Words(std::initializer_list<const char*> words) {
        QStringList l;
        for (const char* w : words) l << QString::fromLatin1(w);
        return l;
    }

private Q_SLOTS:
    void init() {
        module_ = Module();
        out_.clear();
        printed_.clear();
        module_.SetOutput([this](const Frame& f) {
            out_.append(QByteArray(reinterpret_cast<const char*>(f.data()), f.length()));
        });
        module_.SetPrinter([this](const QString& l) { printed_ << l; });
    }

    void everyKindHasItsHandlers() {
        int total = 0;
        for (const BlockLayout& s : BlockLayouts()) {
            QVERIFY2(module_.HasHandler(1, s.writeReq), s.name);
            QVERIFY2(module_.HasHandler(1, s.readReq), s.name);
            QCOMPARE(LayoutByWriteRequest(s.writeReq), &s);
            QCOMPARE(LayoutByReadRequest(s.readReq), &s);
            QCOMPARE(LayoutByReadConfirmation(s.readCfm), &s);
            QCOMPARE(&LayoutOf(s.kind), &s);
            QCOMPARE(static_cast<int>(module_.config.Block(s.kind, 0).size()), s.length - 4);
            total += s.count;
        }
        QCOMPARE(total, 113);
        QCOMPARE(module_.config.TotalBlocks(), 113);
    }

    void readAllGivesEveryBlockInOrder_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("first");
        QTest::newRow("inputs") << int(INPUT_READ_REQ) << int(INPUT_READ_CFM) << 11 << 21 << 1;
        QTest::newRow("outputs") << int(OUTPUT_READ_REQ) << int(OUTPUT_READ_CFM) << 34 << 30 << 1;
    }
    void readAllGivesEveryBlockInOrder() {
        QFETCH(int, request);
        QFETCH(int, answer);
        QFETCH(int, count);
        QFETCH(int, length);
        QFETCH(int, first);
        Ask(static_cast<std::uint8_t>(request), 5, 0xFF);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), count);
        for (int i = 0; i < count; ++i) {
            QVERIFY(ChecksumOk(o[i]));
            QCOMPARE(o[i].size(), length);
            QCOMPARE(At(o[i], 2), 1);
            QCOMPARE(At(o[i], 3), answer);
            QCOMPARE(At(o[i], 4), first + i);
        }
    }

    void indexedReadsGiveOneBlock_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("answers");
        QTest::newRow("input 5") << int(INPUT_READ_REQ) << 5 << 1;
        QTest::newRow("input 0 is none") << int(INPUT_READ_REQ) << 0 << 0;
        QTest::newRow("input 12 is none") << int(INPUT_READ_REQ) << 12 << 0;
        QTest::newRow("output 34") << int(OUTPUT_READ_REQ) << 34 << 1;
        QTest::newRow("output 35 is none") << int(OUTPUT_READ_REQ) << 35 << 0;
        QTest::newRow("CAN input 0") << int(CAN_INPUT_READ_REQ) << 0 << 1;
        QTest::newRow("CAN input 31") << int(CAN_INPUT_READ_REQ) << 31 << 1;
        QTest::newRow("CAN input 32 is none") << int(CAN_INPUT_READ_REQ) << 32 << 0;
        QTest::newRow("virtual 19") << int(VIRTUAL_INPUT_READ_REQ) << 19 << 1;
        QTest::newRow("virtual 20 is none") << int(VIRTUAL_INPUT_READ_REQ) << 20 << 0;
        QTest::newRow("flash 4") << int(FLASH_READ_REQ) << 4 << 1;
        QTest::newRow("flash 5 is none") << int(FLASH_READ_REQ) << 5 << 0;
        QTest::newRow("export 4") << int(CAN_EXPORT_READ_REQ) << 2 << 1;
        QTest::newRow("export selector 3 is none") << int(CAN_EXPORT_READ_REQ) << 3 << 0;
        QTest::newRow("export 1") << int(CAN_EXPORT1_READ_REQ) << 0 << 1;
    }
    void indexedReadsGiveOneBlock() {
        QFETCH(int, request);
        QFETCH(int, index);
        QFETCH(int, answers);
        Ask(static_cast<std::uint8_t>(request), 5, index);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), answers);
        if (answers == 1) {
            const BlockLayout* s = LayoutByReadRequest(static_cast<std::uint8_t>(request));
            QCOMPARE(o[0].size(), s->length);
            QVERIFY(ChecksumOk(o[0]));
            if (s->firstIndex >= 0) QCOMPARE(At(o[0], 4), index);
        }
    }

    void singleBlocksAnswerTheirRead_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("length");
        QTest::newRow("PWM") << int(PWM_READ_REQ) << int(PWM_READ_CFM) << 12;
        QTest::newRow("low battery") << int(LOW_BATTERY_READ_REQ) << int(LOW_BATTERY_READ_CFM) << 18;
        QTest::newRow("CAN setup") << int(CAN_SETUP_READ_REQ) << int(CAN_SETUP_READ_CFM) << 14;
        QTest::newRow("start/kill") << int(START_KILL_READ_REQ) << int(START_KILL_READ_CFM) << 35;
        QTest::newRow("name") << int(NAME_READ_REQ) << int(NAME_READ_CFM) << 20;
        QTest::newRow("CAN enable") << int(CAN_INPUT_ENABLE_READ_REQ) << int(CAN_INPUT_ENABLE_READ_CFM) << 20;
        QTest::newRow("wiper") << int(WIPER_READ_REQ) << int(WIPER_READ_CFM) << 10;
    }
    void singleBlocksAnswerTheirRead() {
        QFETCH(int, request);
        QFETCH(int, answer);
        QFETCH(int, length);
        Ask(static_cast<std::uint8_t>(request));
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(At(o[0], 3), answer);
        QCOMPARE(o[0].size(), length);
        QVERIFY(ChecksumOk(o[0]));
    }

    void writeIsStoredConfirmedAndReadBack_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("confirmLength");
        QTest::newRow("input 3") << int(INPUT_WRITE_REQ) << 3 << 4;
        QTest::newRow("output 20") << int(OUTPUT_WRITE_REQ) << 20 << 4;
        QTest::newRow("CAN input 7") << int(CAN_INPUT_WRITE_REQ) << 7 << 5;
        QTest::newRow("virtual 0") << int(VIRTUAL_INPUT_WRITE_REQ) << 0 << 5;
        QTest::newRow("flash 2") << int(FLASH_WRITE_REQ) << 2 << 5;
        QTest::newRow("export 3") << int(CAN_EXPORT_WRITE_REQ) << 1 << 5;
        QTest::newRow("export 1") << int(CAN_EXPORT1_WRITE_REQ) << 0 << 4;
        QTest::newRow("low battery") << int(LOW_BATTERY_WRITE_REQ) << 0 << 4;
        QTest::newRow("CAN setup") << int(CAN_SETUP_WRITE_REQ) << 0 << 4;
        QTest::newRow("start/kill") << int(START_KILL_WRITE_REQ) << 0 << 4;
        QTest::newRow("name") << int(NAME_WRITE_REQ) << 0x41 << 4;
        QTest::newRow("enable") << int(CAN_INPUT_ENABLE_WRITE_REQ) << 1 << 4;
        QTest::newRow("wiper") << int(WIPER_WRITE_REQ) << 0xC7 << 4;
        QTest::newRow("PWM") << int(PWM_WRITE_REQ) << 1 << 4;
    }
    void writeIsStoredConfirmedAndReadBack() {
        QFETCH(int, request);
        QFETCH(int, index);
        QFETCH(int, confirmLength);
        const BlockLayout* s = LayoutByWriteRequest(static_cast<std::uint8_t>(request));
        QVERIFY(s);
        Frame w(1, s->writeReq, s->length);
        w[4] = static_cast<std::uint8_t>(index);
        // Every byte distinct, SLIP-awkward values included.
        for (int i = 5; i < s->length; ++i) w[i] = static_cast<std::uint8_t>(0xB0 + i * 7);
        Receive(w.Seal());
        QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(At(o[0], 3), int(s->writeCfm));
        QCOMPARE(o[0].size(), confirmLength);
        QVERIFY(ChecksumOk(o[0]));
        if (confirmLength == 5) QCOMPARE(At(o[0], 4), index);

        const int slot = s->SlotOf(static_cast<std::uint8_t>(index));
        const QByteArray expected(reinterpret_cast<const char*>(w.data()) + 4, s->length - 4);
        QCOMPARE(module_.config.Block(s->kind, slot), expected);

        Ask(s->readReq, s->firstIndex >= 0 ? 5 : 4, s->firstIndex >= 0 ? index : -1);
        o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(Payload(o[0]), expected);
        QVERIFY(ChecksumOk(o[0]));
    }

    void writeOutOfRangeIsConfirmedNotStored() {
        const QByteArray before = module_.config.Block(BlockKind::CanInput, 31);
        Frame w(1, CAN_INPUT_WRITE_REQ, 49);
        w[4] = 32;
        w[20] = 'X';
        Receive(w.Seal());
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0], Bytes({0xD2 ^ 5 ^ 1 ^ 32, 5, 1, 0xD2, 32}));
        for (int i = 0; i < 32; ++i) QVERIFY(!module_.config.Block(BlockKind::CanInput, i).contains("X"));
        QCOMPARE(module_.config.Block(BlockKind::CanInput, 31), before);
        QVERIFY(!printed_.isEmpty());
    }

    void shortWriteIsPaddedWithZeros() {
        Frame w(1, OUTPUT_WRITE_REQ, 10);  // a truncated block
        w[4] = 2;
        w[9] = 16;
        Receive(w.Seal());
        const QByteArray b = module_.config.Block(BlockKind::Output, 1);
        QCOMPARE(b.size(), 26);
        QCOMPARE(At(b, 0), 2);
        QCOMPARE(At(b, 5), 16);
        QCOMPARE(b.mid(6), QByteArray(20, '\0'));
    }

    void badChecksumAndUnknownAreIgnored() {
        Frame f(1, VERSION_REQ, 4);
        f.Seal();
        f[0] ^= 0xFF;
        QCOMPARE(module_.Receive(f.data(), 4), Module::Outcome::BadChecksum);
        Frame u(1, 0x7F, 4);
        QCOMPARE(module_.Receive(u.Seal().data(), 4), Module::Outcome::Unknown);
        // A length byte beyond the decoded bytes is refused, not read past.
        Frame l(1, VERSION_REQ, 40);
        QCOMPARE(module_.Receive(l.Seal().data(), 4), Module::Outcome::BadChecksum);
        QVERIFY(Take().isEmpty());
    }

    void factoryConfigurationIsPlausible() {
        const QByteArray in1 = module_.config.Block(BlockKind::Input, 0);
        QCOMPARE(At(in1, 0), 1);
        QCOMPARE(in1.mid(1, 15), QByteArray("Ignition").leftJustified(15, '\0'));
        const QByteArray out1 = module_.config.Block(BlockKind::Output, 0);
        QCOMPARE(At(out1, 0), 1);
        QCOMPARE(At(out1, 4), 0xC0);  // triggered by input 1
        QCOMPARE((At(out1, 1) << 8) | At(out1, 2), 150);
        for (int n = 19; n <= 34; ++n) {
            const QByteArray b = module_.config.Block(BlockKind::Output, n - 1);
            QCOMPARE(At(b, 0), n);
            QCOMPARE(At(b, 1), 0xFF);  // low-power: no current limit
            QCOMPARE(At(b, 2), 0xFF);
            QCOMPARE(At(b, 3), 0);
            QCOMPARE(b.mid(23, 3), QByteArray(3, '\0'));
        }
        for (int i = 0; i < 32; ++i) {
            const QByteArray b = module_.config.Block(BlockKind::CanInput, i);
            QCOMPARE(At(b, 0), i);
            QCOMPARE(b.mid(16, 15), ("CAN " + QByteArray::number(i + 1)).leftJustified(15, '\0'));
        }
        const QByteArray lb = module_.config.Block(BlockKind::LowBattery, 0);
        QCOMPARE(lb.left(5), Bytes({115, 125, 17, 18, 22}));
        QCOMPARE(lb.mid(5), QByteArray(9, '\xFF'));
        const QByteArray setup = module_.config.Block(BlockKind::CanSetup, 0);
        QCOMPARE(setup.mid(1, 4), Bytes({0xF4, 0x01, 15, 0}));  // 500 kbit/s, 1.5 s
    }

    void factoryDefaultRestoresAndConfirms() {
        const QByteArray factory = module_.config.Block(BlockKind::Output, 4);
        Frame w(1, OUTPUT_WRITE_REQ, 30);
        w[4] = 5;
        w[10] = 'Z';
        Receive(w.Seal());
        Take();
        QVERIFY(module_.config.Block(BlockKind::Output, 4) != factory);
        Ask(FACTORY_DEFAULT_REQ);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0], Bytes({0x83, 4, 1, 0x86}));
        QCOMPARE(module_.config.Block(BlockKind::Output, 4), factory);
    }

    void rebootConfirmsAndRestartsTheClock() {
        module_.SetUptime(5000);
        Ask(MODE_REQ, 5, MODE_MANUAL_TEST);
        Take();
        Ask(REBOOT_REQ);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0], Bytes({0x8D, 4, 1, 0x88}));
        QVERIFY(module_.UptimeSeconds() < 5);
        QCOMPARE(module_.live.mode, std::uint8_t(MODE_AUTOMATIC));
        QCOMPARE(module_.reboots, 1);
    }

    void statusSumTotals() {
        // Factory: "+30" channels 12, 16, 17 and 19 are on from the start.
        Ask(STATUS_SUM_REQ);
        QByteArray f = Take().first();
        QVERIFY(ChecksumOk(f));
        QCOMPARE(f.size(), 10);
        const int expected = module_.live.channel(12).load + module_.live.channel(16).load +
                             module_.live.channel(17).load + module_.live.channel(19).load;
        QCOMPARE((At(f, 6) << 8) | At(f, 7), expected);
        QCOMPARE(At(f, 8), 138);
        QCOMPARE(At(f, 9), 35);
        QCOMPARE(At(f, 4) + At(f, 5), 0);

        QVERIFY(module_.RunConsole(QStringLiteral("current"), {QStringLiteral("12"), QStringLiteral("30,0")}));
        QVERIFY(module_.RunConsole(QStringLiteral("fault"), {QStringLiteral("16"), QStringLiteral("gnd")}));
        QVERIFY(module_.RunConsole(QStringLiteral("fault"), {QStringLiteral("30"), QStringLiteral("open")}));
        QVERIFY(module_.RunConsole(QStringLiteral("supply"), {QStringLiteral("11.9")}));
        QVERIFY(module_.RunConsole(QStringLiteral("temp"), {QStringLiteral("90")}));
        Ask(STATUS_SUM_REQ);
        f = Take().first();
        const int total = 300 + module_.live.channel(17).load + module_.live.channel(19).load;
        QCOMPARE((At(f, 6) << 8) | At(f, 7), total);
        QCOMPARE(At(f, 4), 1);  // channel 16
        QCOMPARE(At(f, 5), 1);  // channel 30
        QCOMPARE(At(f, 8), 119);
        QCOMPARE(At(f, 9), 90);
        // The statistics keep the highest values.
        QVERIFY(module_.statistics.maxCurrent >= total);
        QCOMPARE(module_.statistics.maxTemperature, std::uint8_t(90));
    }

    void channelStateFollowsInputs() {
        Ask(CHANNEL_STATE_REQ, 5, 1);
        QByteArray f = Take().first();
        QCOMPARE(f.size(), 10);
        QCOMPARE(At(f, 4), 1);
        QCOMPARE(At(f, 5), 0x0F);  // input 1 off
        QCOMPARE((At(f, 7) << 8) | At(f, 8), 0);

        QVERIFY(module_.RunConsole(QStringLiteral("input"), {QStringLiteral("1"), QStringLiteral("on")}));
        Ask(CHANNEL_STATE_REQ, 5, 1);
        f = Take().first();
        QCOMPARE(At(f, 5), 0xF0);
        QCOMPARE((At(f, 7) << 8) | At(f, 8), int(module_.live.channel(1).load));
        QCOMPARE(At(f, 9), 0);

        Ask(INPUT_STATE_REQ);
        f = Take().first();
        QCOMPARE(f.size(), 10);
        QCOMPARE(At(f, 4), 0x01);
    }

    void inputAndCanBitsAreLaidOut_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("bit");
        QTest::newRow("input 8") << QStringLiteral("input") << 8 << 4 << 7;
        QTest::newRow("input 9") << QStringLiteral("input") << 9 << 5 << 0;
        QTest::newRow("input 11") << QStringLiteral("input") << 11 << 5 << 2;
        QTest::newRow("CAN 1") << QStringLiteral("can") << 1 << 6 << 0;
        QTest::newRow("CAN 17") << QStringLiteral("can") << 17 << 8 << 0;
        QTest::newRow("CAN 32") << QStringLiteral("can") << 32 << 9 << 7;
    }
    void inputAndCanBitsAreLaidOut() {
        QFETCH(QString, what);
        QFETCH(int, n);
        QFETCH(int, byte);
        QFETCH(int, bit);
        QVERIFY(module_.RunConsole(what, {QString::number(n), QStringLiteral("on")}));
        Ask(INPUT_STATE_REQ);
        const QByteArray f = Take().first();
        for (int b = 4; b <= 9; ++b) QCOMPARE(At(f, b), b == byte ? (1 << bit) : 0);
        QVERIFY(module_.RunConsole(what, {QString::number(n), QStringLiteral("off")}));
        Ask(INPUT_STATE_REQ);
        QCOMPARE(Take().first().mid(4), QByteArray(6, '\0'));
    }

    void allChannelsAreReported() {
        Ask(CHANNEL_STATE_REQ, 5, 0xFF);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 34);
        for (int i = 0; i < 34; ++i) {
            QCOMPARE(At(o[i], 4), i + 1);
            QVERIFY(ChecksumOk(o[i]));
        }
        Ask(CHANNEL_STATE_REQ, 5, 0);
        Ask(CHANNEL_STATE_REQ, 5, 35);
        QVERIFY(Take().isEmpty());
    }

    void manualModeSwitchesOutputs() {
        // Switching is refused outside manual test mode.
        Frame sw(1, CHANNEL_SWITCH_REQ, 12);
        sw[4] = 5;
        sw[5] = 0xF0;
        for (int i = 6; i < 12; ++i) sw[i] = 0xFF;
        Receive(sw.Seal());
        QVERIFY(!module_.live.IsOn(5, module_.config));

        Ask(MODE_REQ, 5, MODE_MANUAL_TEST);
        Take();
        Receive(sw);
        QVERIFY(module_.live.IsOn(5, module_.config));
        Ask(CHANNEL_STATE_REQ, 5, 5);
        QByteArray f = Take().first();
        QCOMPARE(At(f, 5), 0xF0);
        QCOMPARE(At(f, 9), 1);  // held on against its trigger
        // "+30" channel 12 is off in manual mode until switched.
        QVERIFY(!module_.live.IsOn(12, module_.config));

        sw[5] = 0x0F;
        Receive(sw.Seal());
        QVERIFY(!module_.live.IsOn(5, module_.config));

        // A shorted channel stays off whatever it is told.
        QVERIFY(module_.RunConsole(QStringLiteral("fault"), {QStringLiteral("5"), QStringLiteral("gnd")}));
        sw[5] = 0xF0;
        Receive(sw.Seal());
        Ask(CHANNEL_STATE_REQ, 5, 5);
        f = Take().first();
        QCOMPARE(At(f, 5), 0x0F);
        QCOMPARE(At(f, 6), 1);

        Ask(MODE_REQ, 5, MODE_AUTOMATIC);
        QVERIFY(module_.live.IsOn(12, module_.config));
        QVERIFY(!module_.live.channel(5).manualOn);
    }

    void modeChangeIsConfirmed_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("automatic") << int(MODE_AUTOMATIC);
        QTest::newRow("manual test") << int(MODE_MANUAL_TEST);
        QTest::newRow("calibration") << int(MODE_CALIBRATION);
    }
    void modeChangeIsConfirmed() {
        QFETCH(int, mode);
        Ask(MODE_REQ, 5, mode);
        const QList<QByteArray> o = Take();
        QCOMPARE(o.size(), 1);
        QCOMPARE(o[0], Bytes({0xA6, 4, 1, 0xA3}));  // "operating mode set"
        QCOMPARE(int(module_.live.mode), mode);
    }

    void unknownModeIsIgnored() {
        Ask(MODE_REQ, 5, MODE_MANUAL_TEST);
        Take();
        Ask(MODE_REQ, 5, 7);
        QCOMPARE(module_.live.mode, std::uint8_t(MODE_MANUAL_TEST));
        QVERIFY(Take().isEmpty());  // nothing confirmed
    }

    void triggerLevelOpenInverts() {
        Frame w(1, OUTPUT_WRITE_REQ, 30);
        w[4] = 3;
        w[8] = 0xC1;  // input 2
        w[9] = 16;    // OPEN
        Receive(w.Seal());
        QVERIFY(module_.live.IsOn(3, module_.config));
        QVERIFY(module_.RunConsole(QStringLiteral("input"), {QStringLiteral("2"), QStringLiteral("on")}));
        QVERIFY(!module_.live.IsOn(3, module_.config));
    }

    void consoleRefusesBadArguments_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("fault channel 0") << QStringLiteral("fault") << Words({"0", "gnd"});
        QTest::newRow("fault channel 35") << QStringLiteral("fault") << Words({"35", "gnd"});
        QTest::newRow("overload on low-power") << QStringLiteral("fault") << Words({"20", "overload"});
        QTest::newRow("fault unknown") << QStringLiteral("fault") << Words({"3", "melted"});
        QTest::newRow("current negative") << QStringLiteral("current") << Words({"3", "-1"});
        QTest::newRow("current text") << QStringLiteral("current") << Words({"3", "lots"});
        QTest::newRow("input 12") << QStringLiteral("input") << Words({"12", "on"});
        QTest::newRow("input maybe") << QStringLiteral("input") << Words({"2", "maybe"});
        QTest::newRow("can 33") << QStringLiteral("can") << Words({"33", "on"});
        QTest::newRow("supply 30") << QStringLiteral("supply") << Words({"30"});
        QTest::newRow("temp 300") << QStringLiteral("temp") << Words({"300"});
        QTest::newRow("stats short") << QStringLiteral("stats") << Words({"1"});
        QTest::newRow("version long") << QStringLiteral("version") << Words({"V8.12-much-too-long"});
        QTest::newRow("uptime negative") << QStringLiteral("uptime") << Words({"-5"});
    }
    void consoleRefusesBadArguments() {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        const Module reference;
        QVERIFY(module_.RunConsole(name, args));
        QVERIFY(printed_.last().startsWith(QStringLiteral("usage:")));
        for (int n = 1; n <= 34; ++n) {
            QCOMPARE(module_.live.channel(n).fault, reference.live.channel(n).fault);
            QCOMPARE(module_.live.channel(n).load, reference.live.channel(n).load);
        }
        QCOMPARE(module_.live.inputs, reference.live.inputs);
        QCOMPARE(module_.live.canInputs, reference.live.canInputs);
        QCOMPARE(module_.live.supplyVoltage, reference.live.supplyVoltage);
        QCOMPARE(module_.live.temperature, reference.live.temperature);
        QCOMPARE(module_.version, reference.version);
        QCOMPARE(module_.statistics.maxCurrent, reference.statistics.maxCurrent);
    }

    void requestReadsNothingBeyondTheFrame() {
        // Fixed offsets beyond a short frame read as zero, never as stale bytes.
        std::uint8_t buf[32];
        std::fill(std::begin(buf), std::end(buf), 0xAA);
        const relvane::sim::Request r(buf, 5);
        QCOMPARE(int(r.at(4)), 0xAA);
        QCOMPARE(int(r.at(5)), 0);
        QCOMPARE(int(r.at(-1)), 0);
    }

    void shortSwitchRequestIsHarmless() {
        // A switch request cut after the channel byte carries no 0xF0: nothing switches.
        Ask(MODE_REQ, 5, MODE_MANUAL_TEST);
        Ask(CHANNEL_SWITCH_REQ, 5, 7);
        QVERIFY(!module_.live.channel(7).manualOn);
    }
};

QTEST_GUILESS_MAIN(TestSimModule)
#include "test_sim_module.moc"

// Requests as they go out, and the readers of the module's status messages.

#include "protocol/MessageCatalogue.h"
#include "protocol/ProtocolTestSupport.h"

#include <QtTest>

#include <functional>

using namespace relvane;
using namespace relvane::test;

Q_DECLARE_METATYPE(std::function<relvane::Frame()>)

namespace {
QByteArray Hex(const char* spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }
}  // namespace

class TestMessageCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requests_data() {
        QTest::addColumn<std::function<Frame()>>("build");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, std::function<Frame()> f, const char* hex) {
            QTest::newRow(name) << f << Hex(hex);
        };
        row("VERSION_REQ", BuildVersionRequest, "03 04 01 06");
        row("FACTORY_DEFAULT_REQ", BuildFactoryDefaultRequest, "00 04 01 05");
        row("REBOOT_REQ", BuildRebootRequest, "02 04 01 07");
        row("PWM_READ_REQ", BuildPwmReadRequest, "0C 04 01 09");
        row("STATUS_SUM_REQ", BuildStatusSumRequest, "25 04 01 20");
        row("INPUT_STATE_REQ", BuildInputStateRequest, "24 04 01 21");
        row("CHANNEL_STATE_REQ", BuildChannelStateRequest, "D9 05 01 22 FF");
        row("OUTPUT_READ_REQ", BuildOutputReadRequest, "F9 05 01 02 FF");
        row("INPUT_READ_REQ", BuildInputReadRequest, "FF 05 01 04 FF");
        row("MODE_REQ manual", [] { return BuildModeRequest(MODE_MANUAL_TEST); }, "26 05 01 23 01");
        row("CAN_SETUP_READ_REQ", BuildCanSetupReadRequest, "23 04 01 26");
        row("LOW_BATTERY_READ_REQ", BuildLowBatteryReadRequest, "2D 04 01 28");
        row("START_KILL_READ_REQ", BuildStartKillReadRequest, "2F 04 01 2A");
        row("DIAGNOSTIC_READ_REQ", BuildDiagnosticReadRequest, "55 04 01 50");
        row("DIAGNOSTIC_CLEAR_REQ", BuildDiagnosticClearRequest, "54 04 01 51");
        row("CAN_INPUT_READ_REQ 31", [] { return BuildCanInputReadRequest(31); }, "48 05 01 53 1F");
        row("VIRTUAL_INPUT_READ_REQ 19", [] { return BuildVirtualInputReadRequest(19); }, "42 05 01 55 13");
        row("CAN_EXPORT1_READ_REQ", BuildCanExport1ReadRequest, "53 05 01 57 00");
        row("FLASH_READ_REQ 4", [] { return BuildFlashReadRequest(4); }, "59 05 01 59 04");
        row("CAN_EXPORT_READ_REQ 2", [] { return BuildCanExportReadRequest(2); }, "5D 05 01 5B 02");
        row("DIAGNOSTIC_ACK_REQ", BuildDiagnosticAckRequest, "5A 04 01 5F");
        row("STATISTICS_REQ", BuildStatisticsRequest, "65 04 01 60");
        row("NAME_READ_REQ", BuildNameReadRequest, "66 04 01 63");
        row("CAN_INPUT_ENABLE_READ_REQ", BuildCanInputEnableReadRequest, "60 04 01 65");
        row("WIPER_READ_REQ", BuildWiperReadRequest, "62 04 01 67");
        row("CHANNEL_SWITCH_REQ 7 on", [] { return BuildChannelSwitchRequest(7, true); },
            "DE 0C 01 24 07 F0 FF FF FF FF FF FF");
        row("CHANNEL_SWITCH_REQ 34 off", [] { return BuildChannelSwitchRequest(34, false); },
            "04 0C 01 24 22 0F FF FF FF FF FF FF");
    }
    void requests() {
        QFETCH(std::function<Frame()>, build);
        QFETCH(QByteArray, expected);
        const Frame f = build();
        QCOMPARE(Bytes(f.data(), f.length()), expected);
        QVERIFY(FrameChecksumValid(f.data(), f.length()));
    }

    void monitorModeRequestOnTheWire_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<QByteArray>("wire");
        // Checksum 0x59 over 04 01 5C only; the selection byte is outside it.
        QTest::newRow("third entry") << 2 << Hex("C0 59 04 01 5C 02 C0");
        QTest::newRow("off") << 0 << Hex("C0 59 04 01 5C 00 C0");
        QTest::newRow("END in the selection is escaped") << 0xC0 << Hex("C0 59 04 01 5C DB DC C0");
    }
    void monitorModeRequestOnTheWire() {
        QFETCH(int, selection);
        QFETCH(QByteArray, wire);
        const MonitorModeRequest r = BuildCanMonitorModeRequest(selection);
        QCOMPARE(r.count, 5);
        QCOMPARE(int(r.bytes[FRAME_LENGTH]), 4);
        RecordingTxSink tx;
        QVERIFY(SendFrame(tx, r.data(), r.count));
        QCOMPARE(tx.entries.size(), 1);
        QCOMPARE(tx.entries.first(), wire);
    }

    void version_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint>("seconds");
        // Bytes 4 to 23: "9.08" then zeros, uptime at 17 to 19.
        QByteArray f(24, '\0');
        f[1] = 24; f[2] = 1; f[3] = char(VERSION_CFM);
        f.replace(4, 4, "9.08");
        f[17] = 0x00; f[18] = 0x0E; f[19] = 0x10;
        QTest::newRow("3600 s") << f << QByteArray("9.08") << 3600u;
        QByteArray g = f;
        g[17] = char(0xFF); g[18] = char(0xFF); g[19] = char(0xFE);
        QTest::newRow("24-bit BE maximum") << g << QByteArray("9.08") << 0xFFFFFEu;
        // A text without a zero runs to byte 23 at most; the uptime bytes are part of it then.
        QByteArray h(24, 'A');
        h[1] = 24; h[2] = 1; h[3] = char(VERSION_CFM);
        QTest::newRow("20 characters, no terminator") << h << QByteArray(20, 'A') << 0x414141u;
        QByteArray l(40, 'B');
        l[1] = 40; l[2] = 1; l[3] = char(VERSION_CFM);
        QTest::newRow("text field ends at byte 23") << l << QByteArray(20, 'B') << 0x424242u;
        // Only 10 bytes arrived: the text stops there and the uptime bytes were never received.
        QByteArray s = f.left(10);
        s[1] = 10;
        QTest::newRow("short frame") << s << QByteArray("9.08") << 0u;
    }
    void version() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, text);
        QFETCH(uint, seconds);
        const auto* p = reinterpret_cast<const std::uint8_t*>(frame.constData());
        const VersionInfo v = ReadVersion(p, int(frame.size()));
        QCOMPARE(v.text, text);
        QCOMPARE(uint(v.uptimeSeconds), seconds);
    }

    void statusSummary() {
        const auto f = MakeFrame(1, STATUS_SUM_CFM, {3, 4, 0x01, 0x2C, 138, 45});
        const StatusSummary s = ReadStatusSummary(f.data(), int(f.size()));
        QCOMPARE(s.errorCount, 7);
        QCOMPARE(s.currentTenths, 300);  // shown as 30.0 A
        QCOMPARE(s.voltageTenths, 138);
        QCOMPARE(s.temperature, 45);
    }

    void inputStates() {
        // Inputs 1, 8, 9, 11; CAN inputs 1, 16, 17, 32.
        const auto f = MakeFrame(1, INPUT_STATE_CFM, {0x81, 0x05, 0x01, 0x80, 0x01, 0x80});
        const InputStates s = ReadInputStates(f.data(), int(f.size()));
        for (int i = 0; i < 11; ++i)
            QCOMPARE(s.inputs[std::size_t(i)], i == 0 || i == 7 || i == 8 || i == 10);
        for (int i = 0; i < 32; ++i)
            QCOMPARE(s.canInputs[std::size_t(i)], i == 0 || i == 15 || i == 16 || i == 31);
    }

    void channelState_data() {
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("valid");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("34") << 34 << true;
        QTest::newRow("35") << 35 << false;
        QTest::newRow("255") << 255 << false;
    }
    void channelState() {
        QFETCH(int, channel);
        QFETCH(bool, valid);
        const auto f = MakeFrame(1, CHANNEL_STATE_CFM, {std::uint8_t(channel), 0xF0, 8, 0x02, 0x01, 1});
        const ChannelState s = ReadChannelState(f.data(), int(f.size()));
        QCOMPARE(s.valid, valid);
        QCOMPARE(s.on, true);
        QCOMPARE(int(s.fault), 8);
        QCOMPARE(s.currentTenths, 513);
        QCOMPARE(s.highlight, true);
        const auto off = MakeFrame(1, CHANNEL_STATE_CFM, {std::uint8_t(channel), 0x0F, 0, 0, 0, 0});
        QCOMPARE(ReadChannelState(off.data(), int(off.size())).on, false);
        QCOMPARE(ReadChannelState(off.data(), int(off.size())).highlight, false);
    }

    void canMonitor_data() {
        QTest::addColumn<int>("announced");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("taken");
        QTest::newRow("none") << 0 << 0 << 0;
        QTest::newRow("all eight") << 8 << 8 << 8;
        QTest::newRow("three of three") << 3 << 3 << 3;
        QTest::newRow("announces 8, 3 arrived") << 8 << 3 << 3;
        QTest::newRow("announces 12 with 12 bytes") << 12 << 12 << 8;
        QTest::newRow("announces 255, none arrived") << 255 << 0 << 0;
    }
    void canMonitor() {
        QFETCH(int, announced);
        QFETCH(int, sent);
        QFETCH(int, taken);
        std::vector<std::uint8_t> payload = {0x34, 0x12, std::uint8_t(announced)};
        for (int i = 0; i < sent; ++i) payload.push_back(std::uint8_t(0xA0 + i));
        const auto f = MakeFrame(1, CAN_MONITOR_IND, payload);
        const CanMonitorMessage m = ReadCanMonitor(f.data(), int(f.size()));
        QCOMPARE(int(m.identifier), 0x1234);
        QCOMPARE(m.dataCount, taken);
        for (int i = 0; i < taken; ++i) QCOMPARE(int(m.data[std::size_t(i)]), 0xA0 + i);
    }

    void readersNeverLookPastTheReceiveBuffer() {
        // A count beyond the 200-byte buffer is cut to it; a negative one means nothing arrived.
        std::vector<std::uint8_t> buffer(SLIP_RECEIVE_BUFFER, 0x11);
        buffer[6] = 8;
        const CanMonitorMessage m = ReadCanMonitor(buffer.data(), 100000);
        QCOMPARE(m.dataCount, 8);
        const VersionInfo v = ReadVersion(buffer.data(), -5);
        QVERIFY(v.text.isEmpty());
        QCOMPARE(ReadStatistics(nullptr, 50).maxCurrentTenths, 0);
    }

    void fieldsBeyondTheReceivedBytesReadAsZero() {
        // Only the header and byte 4 arrived; the rest of the buffer holds an older frame.
        std::vector<std::uint8_t> buffer(SLIP_RECEIVE_BUFFER, 0x77);
        buffer[1] = 10; buffer[2] = 1; buffer[3] = STATUS_SUM_CFM; buffer[4] = 2;
        const StatusSummary s = ReadStatusSummary(buffer.data(), 5);
        QCOMPARE(s.errorCount, 2);
        QCOMPARE(s.currentTenths, 0);
        QCOMPARE(s.voltageTenths, 0);
        QCOMPARE(s.temperature, 0);
        QCOMPARE(ReadChannelState(buffer.data(), 4).valid, false);
        const DiagnosticLow d = ReadDiagnosticLow(buffer.data(), 6);
        QCOMPARE(int(d.shortCircuitCount[1]), 7);
        QCOMPARE(int(d.shortCircuitCount[2]), 0);
    }

    void diagnosticHigh() {
        std::vector<std::uint8_t> payload(54, 0);
        payload[0] = 0x3F;   // channel 1: trip 3, short 15
        payload[17] = 0xF2;  // channel 18: trip 15, short 2
        payload[18] = 25;    // channel 1 trip level 25 x 0.4 A
        payload[36] = 0xA7;  // channel 1 low-current count: low nibble only
        const auto f = MakeFrame(1, DIAGNOSTIC_HIGH_IND, payload);
        const DiagnosticHigh d = ReadDiagnosticHigh(f.data(), int(f.size()));
        QCOMPARE(int(d.shortCircuitCount[0]), 15);
        QCOMPARE(int(d.tripCount[0]), 3);
        QCOMPARE(int(d.shortCircuitCount[17]), 2);
        QCOMPARE(int(d.tripCount[17]), 15);
        QCOMPARE(int(d.tripLevel[0]), 25);
        QCOMPARE(int(d.lowCurrentCount[0]), 7);
        QCOMPARE(int(d.lowCurrentCount[1]), 0);
    }

    void diagnosticLow() {
        std::vector<std::uint8_t> payload(16, 0);
        payload[0] = 0x21;
        payload[15] = 0x0F;
        const auto f = MakeFrame(1, DIAGNOSTIC_LOW_IND, payload);
        const DiagnosticLow d = ReadDiagnosticLow(f.data(), int(f.size()));
        QCOMPARE(int(d.shortCircuitCount[0]), 1);
        QCOMPARE(int(d.shortCircuitCount[15]), 15);
    }

    void statistics() {
        const auto f = MakeFrame(1, STATISTICS_CFM, {0x2C, 0x01, 71, 3});
        const Statistics s = ReadStatistics(f.data(), int(f.size()));
        QCOMPARE(s.maxCurrentTenths, 300);  // LE, unlike the status summary
        QCOMPARE(s.maxTemperature, 71);
        QCOMPARE(s.watchdogCount, 3);
    }
};

QTEST_APPLESS_MAIN(TestMessageCatalogue)
#include "test_message_catalogue.moc"

// Routing of received frames: tool windows first and in their fixed order, then
// the checksum, the resend request and the main window's handlers.

#include "protocol/Dispatcher.h"
#include "protocol/ProtocolTestSupport.h"

#include <QStringList>
#include <QtTest>

#include <functional>
#include <memory>

using namespace relvane;
using namespace relvane::test;

namespace {

QStringList g_log;  // one journal keeps the order across tool windows and handlers

class LoggingTool : public ToolFrameListener {
public:
    explicit LoggingTool(const char* name) : name_(QString::fromLatin1(name)) {}
    void OnToolFrame(const std::uint8_t* frame, int count) override {
        g_log << name_;
        lastCount = count;
        lastFirst = count > 0 ? frame[0] : -1;
        if (onFrame) onFrame();
    }
    std::function<void()> onFrame;
    int lastCount = -1;
    int lastFirst = -1;

private:
    QString name_;
};

class CountingLink : public LinkControl {
public:
    void ResendLastFrame() override { ++resends; }
    int resends = 0;
};

class LoggingHandler : public MainFrameHandler {
public:
    explicit LoggingHandler(const char* prefix = "") : prefix_(QString::fromLatin1(prefix)) {}
    void OnCanMonitor(const CanMonitorMessage& m) override { Log(QStringLiteral("CanMonitor %1").arg(m.identifier)); }
    void OnVersion(const VersionInfo& v) override { Log(QStringLiteral("Version %1").arg(v.uptimeSeconds)); }
    void OnStatusSum(const StatusSummary& s) override { Log(QStringLiteral("StatusSum %1").arg(s.currentTenths)); }
    void OnInputState(const InputStates&) override { Log(QStringLiteral("InputState")); }
    void OnChannelState(const ChannelState& s) override { Log(QStringLiteral("ChannelState %1").arg(s.channel)); }
    void OnDiagnosticHigh(const DiagnosticHigh&) override { Log(QStringLiteral("DiagnosticHigh")); }
    void OnDiagnosticLow(const DiagnosticLow&) override { Log(QStringLiteral("DiagnosticLow")); }
    void OnDiagnosticCleared() override { Log(QStringLiteral("DiagnosticCleared")); }
    void OnStatistics(const Statistics&) override { Log(QStringLiteral("Statistics")); }
    void OnRebootConfirmed() override { Log(QStringLiteral("Reboot")); }
    void OnMonitorModeConfirmed() override { Log(QStringLiteral("MonitorMode")); }
    void OnFactoryDefaultConfirmed() override { Log(QStringLiteral("FactoryDefault")); }
    void OnConfigBlockRead(std::uint8_t command, const std::uint8_t*, int count) override {
        Log(QStringLiteral("Read %1 %2").arg(command, 2, 16, QLatin1Char('0')).arg(count));
    }
    void OnConfigBlockWritten(std::uint8_t command, int index) override {
        Log(QStringLiteral("Written %1 %2").arg(command, 2, 16, QLatin1Char('0')).arg(index));
        if (onWritten) onWritten();
    }
    std::function<void()> onWritten;

private:
    void Log(const QString& what) { g_log << (prefix_.isEmpty() ? what : prefix_ + QLatin1Char(' ') + what); }
    QString prefix_;
};

void Dispatch(Dispatcher& d, const std::vector<std::uint8_t>& f) {
    d.DispatchFrame(f.data(), int(f.size()));
}

QStringList L(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* s : items) l << QString::fromLatin1(s);
    return l;
}

}  // namespace

class TestDispatcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { g_log.clear(); }

    void toolWindowsInFixedOrderWhateverTheRegistrationOrder() {
        Dispatcher d;
        LoggingTool ping("ping"), setup("setup"), cal("cal"), err("err"), fia("fia"), eeprom("eeprom"),
            version("version");
        d.RegisterToolWindow(ToolSlot::Version, &version);
        d.RegisterToolWindow(ToolSlot::Eeprom, &eeprom);
        d.RegisterToolWindow(ToolSlot::FirmwareCompare, &fia);
        d.RegisterToolWindow(ToolSlot::RunTimeError, &err);
        d.RegisterToolWindow(ToolSlot::Calibration, &cal);
        d.RegisterToolWindow(ToolSlot::SystemSetup, &setup);
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        LoggingHandler main;
        d.AddHandler(&main);
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"ping", "setup", "cal", "err", "fia", "eeprom", "version", "Reboot"}));
    }

    void badChecksumReachesToolWindowsOnly_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("command");
        QTest::newRow("resend request") << 0 << int(SVC_RESEND_IND);
        QTest::newRow("status") << 1 << int(STATUS_SUM_CFM);
        QTest::newRow("block") << 1 << int(INPUT_READ_CFM);
        QTest::newRow("write confirmation") << 1 << int(OUTPUT_WRITE_CFM);
    }
    void badChecksumReachesToolWindowsOnly() {
        QFETCH(int, type);
        QFETCH(int, command);
        CountingLink link;
        Dispatcher d(&link);
        LoggingTool ping("ping"), version("version");
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        d.RegisterToolWindow(ToolSlot::Version, &version);
        LoggingHandler main;
        d.AddHandler(&main);
        auto f = MakeFrame(std::uint8_t(type), std::uint8_t(command), std::vector<std::uint8_t>(20, 1));
        f[0] ^= 0x01;
        Dispatch(d, f);
        QCOMPARE(g_log, L({"ping", "version"}));
        QCOMPARE(ping.lastCount, int(f.size()));
        QCOMPARE(ping.lastFirst, int(f[0]));  // the tool windows see the frame as it came
        QCOMPARE(link.resends, 0);
    }

    void lengthByteBeyondTheReceivedBytesIsAChecksumFailure() {
        CountingLink link;
        Dispatcher d(&link);
        LoggingTool ping("ping");
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        LoggingHandler main;
        d.AddHandler(&main);
        // The checksum holds over the 10 bytes received, but the length byte says 40.
        auto f = MakeFrame(1, STATUS_SUM_CFM, {0, 0, 1, 2, 3, 4});
        f[1] = 40;
        f[0] = FrameChecksum(f.data() + 1, int(f.size()) - 1);
        Dispatch(d, f);
        // Length byte 0 is no frame either.
        auto z = MakeFrame(1, STATUS_SUM_CFM, {0, 0, 1, 2, 3, 4});
        z[1] = 0;
        z[0] = FrameChecksum(z.data() + 1, int(z.size()) - 1);
        Dispatch(d, z);
        QCOMPARE(g_log, L({"ping", "ping"}));
    }

    void resendRequestOncePerFrame() {
        CountingLink link;
        Dispatcher d(&link);
        LoggingHandler main;
        d.AddHandler(&main);
        Dispatch(d, MakeFrame(0, SVC_RESEND_IND));
        QCOMPARE(link.resends, 1);
        Dispatch(d, MakeFrame(0, SVC_RESEND_IND));
        QCOMPARE(link.resends, 2);  // whether the second one sends anything is the link's rule
        // Other service codes, even ones that are main-window codes in type 1, do nothing.
        Dispatch(d, MakeFrame(0, STATUS_SUM_CFM, {0, 0, 1, 0x2C, 0, 0}));
        Dispatch(d, MakeFrame(0, INPUT_READ_CFM, std::vector<std::uint8_t>(17, 1)));
        QCOMPARE(link.resends, 2);
        QVERIFY(g_log.isEmpty());
        // Type 1 command 1 is no resend request, and unknown types are ignored.
        Dispatch(d, MakeFrame(1, SVC_RESEND_IND));
        Dispatch(d, MakeFrame(2, SVC_RESEND_IND));
        QCOMPARE(link.resends, 2);
        QVERIFY(g_log.isEmpty());
    }

    void resendWithoutLinkIsHarmless() {
        Dispatcher d;
        Dispatch(d, MakeFrame(0, SVC_RESEND_IND));
        CountingLink link;
        d.SetLinkControl(&link);
        Dispatch(d, MakeFrame(0, SVC_RESEND_IND));
        QCOMPARE(link.resends, 1);
    }

    void routing_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, int command, QByteArray payload, const char* expected) {
            QTest::newRow(name) << command << payload << QString::fromLatin1(expected);
        };
        const QByteArray none;
        row("CAN_MONITOR_IND", CAN_MONITOR_IND, QByteArray::fromHex("3412020102"), "CanMonitor 4660");
        row("VERSION_CFM", VERSION_CFM, QByteArray::fromHex("392e3038" "000000000000000000" "000e10" "00000000"), "Version 3600");
        row("STATUS_SUM_CFM", STATUS_SUM_CFM, QByteArray::fromHex("0000012c8c14"), "StatusSum 300");
        row("INPUT_STATE_CFM", INPUT_STATE_CFM, QByteArray(6, '\0'), "InputState");
        row("CHANNEL_STATE_CFM 1", CHANNEL_STATE_CFM, QByteArray::fromHex("01f000000000"), "ChannelState 1");
        row("CHANNEL_STATE_CFM 34", CHANNEL_STATE_CFM, QByteArray::fromHex("22f000000000"), "ChannelState 34");
        row("CHANNEL_STATE_CFM 0 ignored", CHANNEL_STATE_CFM, QByteArray::fromHex("00f000000000"), "");
        row("CHANNEL_STATE_CFM 35 ignored", CHANNEL_STATE_CFM, QByteArray::fromHex("23f000000000"), "");
        row("DIAGNOSTIC_HIGH_IND", DIAGNOSTIC_HIGH_IND, QByteArray(54, '\0'), "DiagnosticHigh");
        row("DIAGNOSTIC_LOW_IND", DIAGNOSTIC_LOW_IND, QByteArray(16, '\0'), "DiagnosticLow");
        row("DIAGNOSTIC_CLEAR_CFM", DIAGNOSTIC_CLEAR_CFM, none, "DiagnosticCleared");
        row("STATISTICS_CFM", STATISTICS_CFM, QByteArray(4, '\0'), "Statistics");
        row("REBOOT_CFM", REBOOT_CFM, none, "Reboot");
        row("CAN_MONITOR_MODE_CFM", CAN_MONITOR_MODE_CFM, none, "MonitorMode");
        row("FACTORY_DEFAULT_CFM", FACTORY_DEFAULT_CFM, none, "FactoryDefault");
        row("INPUT_READ_CFM", INPUT_READ_CFM, QByteArray(17, '\0'), "Read 84 21");
        row("OUTPUT_READ_CFM", OUTPUT_READ_CFM, QByteArray(26, '\0'), "Read 82 30");
        row("PWM_READ_CFM", PWM_READ_CFM, QByteArray(8, '\0'), "Read 8a 12");
        row("CAN_SETUP_READ_CFM", CAN_SETUP_READ_CFM, QByteArray(10, '\0'), "Read a6 14");
        row("LOW_BATTERY_READ_CFM", LOW_BATTERY_READ_CFM, QByteArray(14, '\0'), "Read a8 18");
        row("START_KILL_READ_CFM", START_KILL_READ_CFM, QByteArray(31, '\0'), "Read aa 35");
        row("CAN_INPUT_READ_CFM", CAN_INPUT_READ_CFM, QByteArray(45, '\0'), "Read d3 49");
        row("VIRTUAL_INPUT_READ_CFM", VIRTUAL_INPUT_READ_CFM, QByteArray(27, '\0'), "Read d5 31");
        row("CAN_EXPORT1_READ_CFM", CAN_EXPORT1_READ_CFM, QByteArray(25, '\0'), "Read d7 29");
        row("FLASH_READ_CFM", FLASH_READ_CFM, QByteArray(26, '\0'), "Read d9 30");
        row("CAN_EXPORT_READ_CFM", CAN_EXPORT_READ_CFM, QByteArray(70, '\0'), "Read db 74");
        row("NAME_READ_CFM", NAME_READ_CFM, QByteArray(16, '\0'), "Read e2 20");
        row("CAN_INPUT_ENABLE_READ_CFM", CAN_INPUT_ENABLE_READ_CFM, QByteArray(16, '\0'), "Read e4 20");
        row("WIPER_READ_CFM", WIPER_READ_CFM, QByteArray(6, '\0'), "Read e6 10");
        row("OUTPUT_WRITE_CFM", OUTPUT_WRITE_CFM, QByteArray::fromHex("07"), "Written 81 -1");
        row("INPUT_WRITE_CFM", INPUT_WRITE_CFM, none, "Written 83 -1");
        row("PWM_WRITE_CFM", PWM_WRITE_CFM, none, "Written 89 -1");
        row("CAN_SETUP_WRITE_CFM", CAN_SETUP_WRITE_CFM, none, "Written a5 -1");
        row("LOW_BATTERY_WRITE_CFM", LOW_BATTERY_WRITE_CFM, none, "Written a7 -1");
        row("START_KILL_WRITE_CFM", START_KILL_WRITE_CFM, none, "Written a9 -1");
        row("CAN_INPUT_WRITE_CFM 31", CAN_INPUT_WRITE_CFM, QByteArray::fromHex("1f"), "Written d2 31");
        row("VIRTUAL_INPUT_WRITE_CFM 5", VIRTUAL_INPUT_WRITE_CFM, QByteArray::fromHex("05"), "Written d4 5");
        row("CAN_EXPORT1_WRITE_CFM", CAN_EXPORT1_WRITE_CFM, none, "Written d6 -1");
        row("FLASH_WRITE_CFM 4", FLASH_WRITE_CFM, QByteArray::fromHex("04"), "Written d8 4");
        row("CAN_EXPORT_WRITE_CFM 2", CAN_EXPORT_WRITE_CFM, QByteArray::fromHex("02"), "Written da 2");
        row("CAN_EXPORT_WRITE_CFM without its index byte", CAN_EXPORT_WRITE_CFM, none, "Written da 0");
        row("NAME_WRITE_CFM", NAME_WRITE_CFM, none, "Written e1 -1");
        row("CAN_INPUT_ENABLE_WRITE_CFM", CAN_INPUT_ENABLE_WRITE_CFM, none, "Written e3 -1");
        row("WIPER_WRITE_CFM", WIPER_WRITE_CFM, none, "Written e5 -1");
        row("unknown 0x85", 0x85, QByteArray(4, '\0'), "");
        row("unknown 0xFF", 0xFF, QByteArray(4, '\0'), "");
        row("a request code", VERSION_REQ, none, "");
        row("a tool window's answer", SYSTEM_DATA_READ_CFM, QByteArray(7, '\0'), "");
    }
    void routing() {
        QFETCH(int, command);
        QFETCH(QByteArray, payload);
        QFETCH(QString, expected);
        Dispatcher d;
        LoggingHandler main;
        d.AddHandler(&main);
        std::vector<std::uint8_t> p(payload.begin(), payload.end());
        Dispatch(d, MakeFrame(1, std::uint8_t(command), p));
        QCOMPARE(g_log, expected.isEmpty() ? QStringList() : QStringList{expected});
    }

    void handlersInTheOrderTheyWereAdded() {
        Dispatcher d;
        LoggingHandler a("a"), b("b");
        QVERIFY(d.AddHandler(&b));
        QVERIFY(d.AddHandler(&a));
        QVERIFY(!d.AddHandler(&a));  // once only
        QVERIFY(!d.AddHandler(nullptr));
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"b Reboot", "a Reboot"}));
        d.RemoveHandler(&b);
        d.RemoveHandler(&b);  // removing twice is harmless
        g_log.clear();
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"a Reboot"}));
    }

    void handlerListIsBounded() {
        Dispatcher d;
        std::vector<std::unique_ptr<LoggingHandler>> hs;
        for (int i = 0; i < Dispatcher::MAX_HANDLERS + 1; ++i) hs.push_back(std::make_unique<LoggingHandler>("h"));
        for (int i = 0; i < Dispatcher::MAX_HANDLERS; ++i) QVERIFY(d.AddHandler(hs[std::size_t(i)].get()));
        QVERIFY(!d.AddHandler(hs.back().get()));
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log.size(), Dispatcher::MAX_HANDLERS);
    }

    void toolWindowClosingItselfAndALaterOneDuringDispatch() {
        Dispatcher d;
        LoggingTool ping("ping"), cal("cal"), eeprom("eeprom");
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        d.RegisterToolWindow(ToolSlot::Calibration, &cal);
        d.RegisterToolWindow(ToolSlot::Eeprom, &eeprom);
        LoggingHandler main;
        d.AddHandler(&main);
        cal.onFrame = [&] {
            d.UnregisterToolWindow(ToolSlot::Calibration, &cal);
            d.UnregisterToolWindow(ToolSlot::Eeprom, &eeprom);
        };
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"ping", "cal", "Reboot"}));
        QCOMPARE(d.ToolWindow(ToolSlot::Calibration), nullptr);
        QCOMPARE(d.ToolWindow(ToolSlot::Eeprom), nullptr);
        g_log.clear();
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"ping", "Reboot"}));
    }

    void windowOpenedDuringDispatchSeesTheNextFrame() {
        Dispatcher d;
        LoggingTool ping("ping"), version("version");
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        ping.onFrame = [&] { d.RegisterToolWindow(ToolSlot::Version, &version); };
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"ping"}));
        ping.onFrame = nullptr;
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"ping", "ping", "version"}));
    }

    void aReplacedWindowClosingLeavesItsSuccessor() {
        Dispatcher d;
        LoggingTool hidden("hidden"), opened("opened");
        d.RegisterToolWindow(ToolSlot::RunTimeError, &hidden);
        d.RegisterToolWindow(ToolSlot::RunTimeError, &opened);  // replaces the hidden one
        d.UnregisterToolWindow(ToolSlot::RunTimeError, &hidden);
        QCOMPARE(d.ToolWindow(ToolSlot::RunTimeError), &opened);
        Dispatch(d, MakeFrame(1, REBOOT_CFM));
        QCOMPARE(g_log, L({"opened"}));
        d.UnregisterToolWindow(ToolSlot::RunTimeError, &opened);
        QCOMPARE(d.ToolWindow(ToolSlot::RunTimeError), nullptr);
        d.RegisterToolWindow(ToolSlot::Ping, &hidden);
        d.ClearToolWindow(ToolSlot::Ping);
        QCOMPARE(d.ToolWindow(ToolSlot::Ping), nullptr);
    }

    void handlerMaySendAndChangeHandlersWhileDispatching() {
        Dispatcher d;
        RecordingTxSink tx;
        LoggingHandler a("a"), b("b"), c("c");
        d.AddHandler(&a);
        d.AddHandler(&b);
        a.onWritten = [&] {
            SendFrame(tx, BuildVersionRequest());
            d.RemoveHandler(&b);
            d.RemoveHandler(&a);
            d.AddHandler(&c);  // waits for the next frame
        };
        Dispatch(d, MakeFrame(1, INPUT_WRITE_CFM));
        QCOMPARE(g_log, L({"a Written 83 -1"}));
        QCOMPARE(tx.entries.size(), 1);
        g_log.clear();
        Dispatch(d, MakeFrame(1, INPUT_WRITE_CFM));
        QCOMPARE(g_log, L({"c Written 83 -1"}));
    }

    void frameFromTheReceiverEndToEnd() {
        // A STATUS_SUM_CFM's wire bytes through the receiver into the dispatcher.
        Dispatcher d;
        LoggingHandler main;
        d.AddHandler(&main);
        SlipReceiver rx(&d);
        const auto f = MakeFrame(1, STATUS_SUM_CFM, {0, 0, 0x01, 0x2C, 0x8C, 0x14});
        RecordingTxSink wire;
        SendFrame(wire, f.data(), int(f.size()));
        const QByteArray bytes = wire.entries.first();
        rx.Feed(reinterpret_cast<const std::uint8_t*>(bytes.constData()), int(bytes.size()));
        QCOMPARE(g_log, L({"StatusSum 300"}));
    }

    void nullOrEmptyFramesAreIgnored() {
        Dispatcher d;
        LoggingTool ping("ping");
        d.RegisterToolWindow(ToolSlot::Ping, &ping);
        d.DispatchFrame(nullptr, 10);
        const std::uint8_t one = 0;
        d.DispatchFrame(&one, 0);
        QVERIFY(g_log.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestDispatcher)
#include "test_dispatcher.moc"

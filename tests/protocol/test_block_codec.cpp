// Configuration blocks: the byte examples and every block out and back again.

#include "test_block_codec.h"

#include "protocol/MessageCatalogue.h"

#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

QByteArray Name(int i, const char* base) { return QByteArray(base) + QByteArray::number(i); }

QString Opt(const OptionalNumber& n) { return n ? QString::number(*n) : QStringLiteral("-"); }

QString ListText(const OutputList& l) { return QString::fromStdString(l.to_string()); }

}  // namespace

namespace relvane::test {

QStringList Describe(const ConfigModel& m) {
    QStringList d;
    auto add = [&](const QString& key, const QString& value) { d << key + QLatin1Char('=') + value; };
    for (int n = 1; n <= kInputCount; ++n) {
        add(QStringLiteral("in%1.name").arg(n), QString::fromLatin1(m.Input(n).NAME));
        add(QStringLiteral("in%1.mode").arg(n), QString::number(m.Input(n).MODE));
    }
    add(QStringLiteral("pwm_enable"), QString::number(m.InputBlock().PWM_ENABLE));
    for (int n = 1; n <= kOutputCount; ++n) {
        const OutputConfig& r = m.Output(n);
        const QString p = QStringLiteral("out%1.").arg(n);
        add(p + QStringLiteral("name"), QString::fromLatin1(r.NAME));
        add(p + QStringLiteral("trigger"), QString::number(r.TRIGGER));
        add(p + QStringLiteral("triglevel"), QString::number(r.TRIGLEVEL));
        add(p + QStringLiteral("delay"), Opt(r.DELAY));
        add(p + QStringLiteral("on_time"), Opt(r.ON_TIME));
        if (n <= kHighPowerOutputCount) {
            add(p + QStringLiteral("max_current"), Opt(r.MAX_CURRENT));
            add(p + QStringLiteral("peak_time"), Opt(r.PEAK_TIME));
            add(p + QStringLiteral("low_current"), Opt(r.LOW_CURRENT));
            add(p + QStringLiteral("low_current_time"), Opt(r.LOW_CURRENT_TIME));
        }
    }
    add(QStringLiteral("auto_reset"), m.OutputBlock().AutoResetError);
    add(QStringLiteral("pwm1"), QString::number(m.OutputBlock().PWM_1));
    add(QStringLiteral("pwm2"), QString::number(m.OutputBlock().PWM_2));
    add(QStringLiteral("lb.low"), m.LowBattery().LOW_TRIG);
    add(QStringLiteral("lb.upper"), m.LowBattery().UPPER_TRIG);
    add(QStringLiteral("lb.list"), ListText(m.LowBattery().LIST_SELECTED));
    add(QStringLiteral("start.trigger"), QString::number(m.StartButton().INPUT_TRIGGER_INDEX));
    add(QStringLiteral("start.list"), ListText(m.StartButton().LIST_SELECTED));
    add(QStringLiteral("kill.trigger"), QString::number(m.KillButton().INPUT_TRIGGER_INDEX));
    add(QStringLiteral("kill.delay"), QString::number(m.KillButton().INPUT_DELAY));
    add(QStringLiteral("kill.list"), ListText(m.KillButton().LIST_SELECTED));
    const CanSetupConfig& cs = m.CanSetup();
    add(QStringLiteral("cs.bitrate"), QString::number(cs.BitRate));
    add(QStringLiteral("cs.delay"), cs.NoCANdelay);
    add(QStringLiteral("cs.id"), cs.ResetChannelErrorID);
    add(QStringLiteral("cs.byte"), QString::number(cs.ResetChannelErrorDataByte));
    add(QStringLiteral("cs.mask"), cs.ResetChannelErrorMask);
    for (int n = 1; n <= kCanInputCount; ++n) {
        const CanInputConfig& r = m.CanInput(n);
        const QString p = QStringLiteral("can%1.").arg(n);
        add(p + QStringLiteral("enabled"), QString::number(r.ENABLED));
        add(p + QStringLiteral("nodata"), QString::number(r.NO_CAN_DATA_STATE));
        add(p + QStringLiteral("ids"), QStringLiteral("%1 %2").arg(r.CAN_ID_ON).arg(r.CAN_ID_OFF));
        add(p + QStringLiteral("values"), QStringLiteral("%1 %2").arg(r.CAN_VALUE_ON).arg(r.CAN_VALUE_OFF));
        add(p + QStringLiteral("ops"), QStringLiteral("%1 %2").arg(r.CAN_OPERATOR_ON).arg(r.CAN_OPERATOR_OFF));
        add(p + QStringLiteral("pos"), QStringLiteral("%1 %2 %3 %4")
                                           .arg(r.CAN_HIGH_BYTE_ON_POS).arg(r.CAN_LOW_BYTE_ON_POS)
                                           .arg(r.CAN_HIGH_BYTE_OFF_POS).arg(r.CAN_LOW_BYTE_OFF_POS));
        add(p + QStringLiteral("name"), QString::fromLatin1(r.CAN_NAME));
        add(p + QStringLiteral("row"), QStringLiteral("%1 %2 %3").arg(r.ROW_ENABLED).arg(r.ROW_INDEX).arg(r.ROW_VALUE));
        add(p + QStringLiteral("type"), QString::number(r.DATA_TYPE_));
        add(p + QStringLiteral("dim"), QString::fromLatin1(r.DIMENSION_NAME));
        add(p + QStringLiteral("mul"), QString::number(double(r.MULTIPLICATOR_), 'g', 9));
        add(p + QStringLiteral("offset"), QString::number(r.CAL_OFFSET_));
    }
    add(QStringLiteral("cie.enable"), QString::number(m.CanInputEnable().ENABLE));
    add(QStringLiteral("cie.pin"), QString::number(m.CanInputEnable().INPUT_PIN));
    add(QStringLiteral("box"), QString::fromLatin1(m.BoxName()));
    for (int n = 1; n <= kVirtualInputCount; ++n) {
        const VirtualInputConfig& r = m.VirtualInput(n);
        add(QStringLiteral("vin%1").arg(n),
            QStringLiteral("%1 %2 %3 | %4 %5 | %6 %7 %8 | %9 | ")
                    .arg(r.CHANNEL_1_Index).arg(r.CHANNEL_2_Index).arg(r.CHANNEL_3_Index)
                    .arg(r.OPERATOR_1_Index).arg(r.OPERATOR_2_Index)
                    .arg(r.IN_DELAY_1_).arg(r.IN_DELAY_2_).arg(r.IN_DELAY_3_).arg(r.MASK_NOT) +
                QString::fromLatin1(r.VIRTUAL_NAME));
    }
    for (int n = 1; n <= kFlashCount; ++n) {
        const FlashConfig& r = m.Flash(n);
        add(QStringLiteral("flash%1").arg(n),
            QStringLiteral("%1 %2 %3 %4 %5 %6 | %7 %8 %9 ")
                    .arg(r.ENABLED).arg(r.CONTINUES).arg(r.INPUT_TRIGGER).arg(r.FLASH_TIME_ON)
                    .arg(r.FLASH_TIME_OFF).arg(r.DURATION).arg(r.CHANNEL_LIST[0]).arg(r.CHANNEL_LIST[1])
                    .arg(r.CHANNEL_LIST[2]) +
                QString::number(r.CHANNEL_LIST[3]) + QStringLiteral(" | ") + QString::fromLatin1(r.FLASH_NAME));
    }
    const WiperConfig& w = m.Wiper();
    add(QStringLiteral("wiper"), QStringLiteral("%1 %2 %3 %4 %5 %6")
                                     .arg(w.LOW_SPEED_INPUT).arg(w.HIGH_SPEED_INPUT).arg(w.INTERVAL_INPUT)
                                     .arg(w.HOME_PARK_INPUT).arg(w.HOME_PARK_LEVEL).arg(w.INTERVAL_TIME));
    for (int x = 1; x <= kCanExportCount; ++x) {
        const CanExportConfig& e = m.CanExport(x);
        const QString p = QStringLiteral("export%1.").arg(x);
        add(p + QStringLiteral("head"), QStringLiteral("%1 %2 %3").arg(e.ENABLED).arg(Opt(e.REFRESS_TIME), Opt(e.CAN_ID)));
        if (x == 1) add(p + QStringLiteral("rows"), Opt(e.ROW_COUNT));
        QStringList entries;
        for (int k = 0; k < kCanExportMaxEntries; ++k) entries << QString::number(e.CHANNEL_INDEX_[std::size_t(k)]);
        add(p + QStringLiteral("entries"), entries.join(QLatin1Char(' ')));
    }
    return d;
}

void FillVaried(ConfigModel& m, int seed) {
    for (int n = 1; n <= kInputCount; ++n)
        m.ModifyInput(n, [&](InputConfig& r) {
            r.NAME = n == 4 ? QByteArray("Fifteen chars!!") : Name(n + seed, "Switch ");
            r.MODE = (n + seed) % 3 - 1;
        });
    m.ModifyInputBlock([](InputBlockConfig& r) { r.PWM_ENABLE = true; });
    for (int n = 1; n <= kOutputCount; ++n)
        m.ModifyOutput(n, [&](OutputConfig& r) {
            r.NAME = Name(n, "Load ");
            r.TRIGGER = PositionToTriggerCode((n * 7 + seed) % kTriggerListSize);
            r.TRIGLEVEL = n % 2 ? 16 : 1;
            r.DELAY = (n * 3 + seed) % 101;
            r.ON_TIME = (n * 11) % 256;
            if (n <= kHighPowerOutputCount) {
                r.MAX_CURRENT = 100 * n + 5 + seed;
                r.PEAK_TIME = n + 1;
                r.LOW_CURRENT = 300 + n;
                r.LOW_CURRENT_TIME = 250 - n;
            }
        });
    m.ModifyOutputBlock([](OutputBlockConfig& r) {
        r.AutoResetError = QStringLiteral("250");
        r.PWM_1 = true;
        r.PWM_2 = false;
    });
    m.ModifyLowBattery([](LowBatteryConfig& r) {
        r.LOW_TRIG = QStringLiteral("11.8");
        r.UPPER_TRIG = QStringLiteral("12.9");
        for (int o : {1, 3, 9, 18, 19, 27, 33, 34}) r.LIST_SELECTED.set(std::size_t(o - 1));
    });
    m.ModifyStartButton([&](StartButtonConfig& r) {
        r.INPUT_TRIGGER_INDEX = 44 + seed;
        for (int o = 2; o <= 28; o += 2) r.LIST_SELECTED.set(std::size_t(o - 1));  // 14 outputs
    });
    m.ModifyKillButton([](KillButtonConfig& r) {
        r.INPUT_TRIGGER_INDEX = 64;
        r.INPUT_DELAY = 200;
        r.LIST_SELECTED.set(0);
        r.LIST_SELECTED.set(33);
    });
    m.ModifyCanSetup([](CanSetupConfig& r) {
        r.BitRate = 500;
        r.NoCANdelay = QStringLiteral("1999");
        r.ResetChannelErrorID = QStringLiteral("7E5");
        r.ResetChannelErrorDataByte = 6;
        r.ResetChannelErrorMask = QStringLiteral("A0");
    });
    for (int n = 1; n <= kCanInputCount; ++n)
        m.ModifyCanInput(n, [&](CanInputConfig& r) {
            r.ENABLED = n % 2;
            r.NO_CAN_DATA_STATE = n % 3;
            r.CAN_ID_ON = 0x100 + n;
            r.CAN_ID_OFF = 0x7FF - n;
            r.CAN_VALUE_ON = 1000 * n;
            r.CAN_VALUE_OFF = 65535 - n;
            r.CAN_OPERATOR_ON = n % 6;
            r.CAN_OPERATOR_OFF = n == 5 ? -1 : 5 - n % 6;
            r.CAN_HIGH_BYTE_ON_POS = std::uint8_t(n % 9);
            r.CAN_LOW_BYTE_ON_POS = std::uint8_t((n + 1) % 9);
            r.CAN_HIGH_BYTE_OFF_POS = std::uint8_t((n + 2) % 9);
            r.CAN_LOW_BYTE_OFF_POS = std::uint8_t((n + 3) % 9);
            r.CAN_NAME = n == 7 ? QByteArray("ABCDEFGHIJKLMNO") : Name(n, "Bus ");
            r.ROW_ENABLED = n % 4 == 0;
            r.ROW_INDEX = std::uint8_t(n % 8);
            r.ROW_VALUE = std::uint8_t(n * 5);
            r.DATA_TYPE_ = std::uint8_t(n % 2);
            r.DIMENSION_NAME = n % 2 ? QByteArray("km/h") : QByteArray("rpm10");
            r.MULTIPLICATOR_ = 0.125f * float(n) - 1.5f;
            r.CAL_OFFSET_ = std::int8_t(-100 + n);
        });
    m.ModifyCanInputEnable([](CanInputEnableConfig& r) {
        r.ENABLE = true;
        r.INPUT_PIN = 10;
    });
    m.SetBoxName(QByteArray("Rally car 7"));
    for (int n = 1; n <= kVirtualInputCount; ++n)
        m.ModifyVirtualInput(n, [&](VirtualInputConfig& r) {
            r.CHANNEL_1_Index = std::uint8_t(n);
            r.CHANNEL_2_Index = std::uint8_t(n == 3 ? 1 : 60 + n);
            r.CHANNEL_3_Index = std::uint8_t(n % 2 ? 0 : 100);
            r.OPERATOR_1_Index = std::int8_t(n % 3);
            r.OPERATOR_2_Index = std::int8_t(2 - n % 3);
            r.IN_DELAY_1_ = std::uint8_t(n);
            r.IN_DELAY_2_ = std::uint8_t(50 + n);
            r.IN_DELAY_3_ = 100;
            r.MASK_NOT = std::uint8_t(n % 8);
            r.VIRTUAL_NAME = Name(n, "Logic ");
        });
    for (int n = 1; n <= kFlashCount; ++n)
        m.ModifyFlash(n, [&](FlashConfig& r) {
            r.ENABLED = std::uint8_t(n % 2);
            r.CONTINUES = std::uint8_t(1 - n % 2);
            r.INPUT_TRIGGER = std::uint8_t(0xC0 + n);
            r.FLASH_TIME_ON = std::uint8_t(5 * n);
            r.FLASH_TIME_OFF = std::uint8_t(7 * n);
            r.DURATION = std::uint8_t(250 - n);
            r.CHANNEL_LIST = {std::uint8_t(n), std::uint8_t(n + 10), n == 2 ? kFlashSlotEmpty : std::uint8_t(33), kFlashSlotEmpty};
            r.FLASH_NAME = n == 5 ? QByteArray("123456789012345") : Name(n, "Blink ");
        });
    m.ModifyWiper([](WiperConfig& r) {
        r.LOW_SPEED_INPUT = 0xC5;
        r.HIGH_SPEED_INPUT = 32;
        r.INTERVAL_INPUT = 52;
        r.HOME_PARK_INPUT = kTriggerCodeNone;  // nothing selected would come back as "+30"
        r.HOME_PARK_LEVEL = 1;
        r.INTERVAL_TIME = 250;
    });
    for (int x = 1; x <= kCanExportCount; ++x)
        m.ModifyCanExport(x, [&](CanExportConfig& e) {
            e.ENABLED = x != 2;
            e.REFRESS_TIME = 20 * x + 1000;
            e.CAN_ID = 0x600 + x;
            if (x == 1) e.ROW_COUNT = 7;
            const int entries = CanExportEntryCount(x);
            const int size = CanExportListSize(x);
            for (int k = 0; k < entries; ++k) e.CHANNEL_INDEX_[std::size_t(k)] = (k * 5 + x) % (size + 1) - 1;
        });
}

}  // namespace relvane::test

// -------------------------------------------------------------------------
// Golden frames.

void TestBlockCodec::goldenFrames_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    {
        ConfigModel m;
        m.ModifyInput(3, [](InputConfig& r) { r.NAME = "Horn"; r.MODE = 1; });
        QTest::newRow("input 3") << Encoded(m, BlockKind::Input, 3)
                                 << Hex("2E 15 01 03 03 48 6F 72 6E 00 00 00 00 00 00 00 00 00 00 00 01");
    }
    {
        ConfigModel m;
        m.ModifyOutput(5, [](OutputConfig& r) {
            r.NAME = "Fan left"; r.MAX_CURRENT = 905; r.PEAK_TIME = 20; r.TRIGGER = 0xC1;
            r.TRIGLEVEL = 16; r.DELAY = 5; r.ON_TIME = 0; r.LOW_CURRENT = 905; r.LOW_CURRENT_TIME = 25;
        });
        QTest::newRow("output 5, 90.5 A") << Encoded(m, BlockKind::Output, 5)
            << Hex("B0 1E 01 01 05 03 89 14 C1 10 46 61 6E 20 6C 65 66 74 00 00 00 00 00 00 00 05 00 89 03 19");
    }
    {
        ConfigModel m;  // fresh: nothing selected goes out as 255 and level 1
        m.ModifyOutput(20, [](OutputConfig& r) { r.MAX_CURRENT = 500; r.LOW_CURRENT = 300; r.PEAK_TIME = 9; r.LOW_CURRENT_TIME = 9; });
        QTest::newRow("output 20 of a fresh model") << Encoded(m, BlockKind::Output, 20)
            << Hex("F4 1E 01 01 14 FF FF 00 FF 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    }
    {
        ConfigModel m;
        m.ModifyLowBattery([](LowBatteryConfig& r) {
            r.LOW_TRIG = QStringLiteral("12.7"); r.UPPER_TRIG = QStringLiteral("13,5");
            for (int o : {2, 5, 34}) r.LIST_SELECTED.set(std::size_t(o - 1));
        });
        QTest::newRow("low battery") << Encoded(m, BlockKind::LowBattery)
                                     << Hex("16 12 01 27 7F 87 02 05 22 FF FF FF FF FF FF FF FF FF");
    }
    {
        ConfigModel m;
        m.ModifyCanSetup([](CanSetupConfig& r) {
            r.BitRate = 500; r.NoCANdelay = QStringLiteral("1"); r.ResetChannelErrorID = QStringLiteral("1a5");
            r.ResetChannelErrorDataByte = 7; r.ResetChannelErrorMask = QStringLiteral("0F");
        });
        m.ModifyOutputBlock([](OutputBlockConfig& r) { r.AutoResetError = QStringLiteral("3"); });
        QTest::newRow("CAN setup with corrections") << Encoded(m, BlockKind::CanSetup)
                                                    << Hex("74 0E 01 25 00 F4 01 02 00 A5 01 07 0F 05");
    }
}

void TestBlockCodec::goldenFrames() {
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestBlockCodec::blockLengthsAndCommands_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("length");
    QTest::newRow("input") << int(BlockKind::Input) << 11 << int(INPUT_WRITE_REQ) << INPUT_WRITE_REQ_LENGTH;
    QTest::newRow("output") << int(BlockKind::Output) << 34 << int(OUTPUT_WRITE_REQ) << OUTPUT_WRITE_REQ_LENGTH;
    QTest::newRow("pwm") << int(BlockKind::Pwm) << 0 << int(PWM_WRITE_REQ) << PWM_WRITE_REQ_LENGTH;
    QTest::newRow("low battery") << int(BlockKind::LowBattery) << 0 << int(LOW_BATTERY_WRITE_REQ) << LOW_BATTERY_WRITE_REQ_LENGTH;
    QTest::newRow("CAN setup") << int(BlockKind::CanSetup) << 0 << int(CAN_SETUP_WRITE_REQ) << CAN_SETUP_WRITE_REQ_LENGTH;
    QTest::newRow("start/kill") << int(BlockKind::StartKill) << 0 << int(START_KILL_WRITE_REQ) << START_KILL_WRITE_REQ_LENGTH;
    QTest::newRow("CAN input") << int(BlockKind::CanInput) << 31 << int(CAN_INPUT_WRITE_REQ) << CAN_INPUT_WRITE_REQ_LENGTH;
    QTest::newRow("CAN input enable") << int(BlockKind::CanInputEnable) << 0 << int(CAN_INPUT_ENABLE_WRITE_REQ) << CAN_INPUT_ENABLE_WRITE_REQ_LENGTH;
    QTest::newRow("box name") << int(BlockKind::BoxName) << 0 << int(NAME_WRITE_REQ) << NAME_WRITE_REQ_LENGTH;
    QTest::newRow("virtual input") << int(BlockKind::VirtualInput) << 19 << int(VIRTUAL_INPUT_WRITE_REQ) << VIRTUAL_INPUT_WRITE_REQ_LENGTH;
    QTest::newRow("flash") << int(BlockKind::Flash) << 4 << int(FLASH_WRITE_REQ) << FLASH_WRITE_REQ_LENGTH;
    QTest::newRow("wiper") << int(BlockKind::Wiper) << 0 << int(WIPER_WRITE_REQ) << WIPER_WRITE_REQ_LENGTH;
    QTest::newRow("CAN export 1") << int(BlockKind::CanExport1) << 0 << int(CAN_EXPORT1_WRITE_REQ) << CAN_EXPORT1_WRITE_REQ_LENGTH;
    QTest::newRow("CAN export 4") << int(BlockKind::CanExport) << 2 << int(CAN_EXPORT_WRITE_REQ) << CAN_EXPORT_WRITE_REQ_LENGTH;
}

void TestBlockCodec::blockLengthsAndCommands() {
    QFETCH(int, kind);
    QFETCH(int, index);
    QFETCH(int, command);
    QFETCH(int, length);
    ConfigModel m;
    FillVaried(m, 0);
    const auto f = EncodeConfigBlock(m, BlockKind(kind), index);
    QVERIFY(f.has_value());
    QCOMPARE(f->length(), length);
    QCOMPARE(int(f->type()), int(FRAME_TYPE_COMMAND));
    QCOMPARE(int(f->command()), command);
    QVERIFY(FrameChecksumValid(f->data(), f->length()));
}

void TestBlockCodec::indexOutOfRangeBuildsNothing_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");
    QTest::newRow("input 0") << int(BlockKind::Input) << 0;
    QTest::newRow("input 12") << int(BlockKind::Input) << 12;
    QTest::newRow("output 35") << int(BlockKind::Output) << 35;
    QTest::newRow("CAN input 32") << int(BlockKind::CanInput) << 32;
    QTest::newRow("CAN input -1") << int(BlockKind::CanInput) << -1;
    QTest::newRow("virtual input 20") << int(BlockKind::VirtualInput) << 20;
    QTest::newRow("flash 5") << int(BlockKind::Flash) << 5;
    QTest::newRow("CAN export selector 3") << int(BlockKind::CanExport) << 3;
}

void TestBlockCodec::indexOutOfRangeBuildsNothing() {
    QFETCH(int, kind);
    QFETCH(int, index);
    ConfigModel m;
    QVERIFY(!EncodeConfigBlock(m, BlockKind(kind), index).has_value());
}

// -------------------------------------------------------------------------
// Round trip.

void TestBlockCodec::everyBlockOutAndBack_data() {
    QTest::addColumn<int>("seed");
    QTest::newRow("seed 0") << 0;
    QTest::newRow("seed 1") << 1;
    QTest::newRow("seed 2") << 2;
}

void TestBlockCodec::everyBlockOutAndBack() {
    QFETCH(int, seed);
    ConfigModel source;
    FillVaried(source, seed);
    const QStringList before = Describe(source);
    ConfigModel target;
    QVERIFY(Describe(target) != before);
    int blocks = 0;
    for (const BlockRef& b : AllConfigBlocks()) {
        const auto f = EncodeConfigBlock(source, b.kind, b.index);
        QVERIFY(f.has_value());
        QVERIFY(DecodeConfigBlock(target, f->data(), f->length()));
        ++blocks;
    }
    QCOMPARE(blocks, 113);
    QCOMPARE(Describe(source), before);  // encoding corrected nothing in a valid model
    const QStringList after = Describe(target);
    for (int i = 0; i < before.size(); ++i) QCOMPARE(after[i], before[i]);
}

void TestBlockCodec::readAnswersDecodeLikeWriteRequests() {
    ConfigModel source;
    FillVaried(source, 1);
    ConfigModel target;
    const std::pair<BlockKind, std::uint8_t> answers[] = {
        {BlockKind::Input, INPUT_READ_CFM}, {BlockKind::Output, OUTPUT_READ_CFM},
        {BlockKind::Pwm, PWM_READ_CFM}, {BlockKind::LowBattery, LOW_BATTERY_READ_CFM},
        {BlockKind::CanSetup, CAN_SETUP_READ_CFM}, {BlockKind::StartKill, START_KILL_READ_CFM},
        {BlockKind::CanInput, CAN_INPUT_READ_CFM}, {BlockKind::CanInputEnable, CAN_INPUT_ENABLE_READ_CFM},
        {BlockKind::BoxName, NAME_READ_CFM}, {BlockKind::VirtualInput, VIRTUAL_INPUT_READ_CFM},
        {BlockKind::Flash, FLASH_READ_CFM}, {BlockKind::Wiper, WIPER_READ_CFM},
        {BlockKind::CanExport1, CAN_EXPORT1_READ_CFM}, {BlockKind::CanExport, CAN_EXPORT_READ_CFM}};
    for (const BlockRef& b : AllConfigBlocks()) {
        std::uint8_t code = 0;
        for (const auto& [kind, c] : answers)
            if (kind == b.kind) code = c;
        QCOMPARE(BlockKindOfCommand(code), std::optional<BlockKind>(b.kind));
        QVERIFY(Decode(target, AsReceived(Encoded(source, b.kind, b.index), code)));
    }
    QCOMPARE(Describe(target), Describe(source));
}

QTEST_GUILESS_MAIN(TestBlockCodec)
#include "moc_test_block_codec.cpp"

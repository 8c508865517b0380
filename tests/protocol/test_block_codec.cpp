// Configuration blocks: the byte examples, every block out and back again,
// and what a received block may and may not change.

#include "protocol/BlockCodec.h"
#include "protocol/MessageCatalogue.h"
#include "protocol/ProtocolTestSupport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

namespace {

QByteArray Hex(const char* spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

QByteArray Encoded(ConfigModel& m, BlockKind kind, int index = 0) {
    const auto f = EncodeConfigBlock(m, kind, index);
    if (!f) return QByteArray();
    return Bytes(f->data(), f->length());
}

// A received frame built from a written one under a different command code.
std::vector<std::uint8_t> AsReceived(const QByteArray& written, std::uint8_t command) {
    std::vector<std::uint8_t> f(written.begin(), written.end());
    f[FRAME_COMMAND] = command;
    f[0] = FrameChecksum(f.data() + 1, int(f.size()) - 1);
    return f;
}

bool Decode(ConfigModel& m, const std::vector<std::uint8_t>& f) {
    return DecodeConfigBlock(m, f.data(), int(f.size()));
}

QByteArray Name(int i, const char* base) { return QByteArray(base) + QByteArray::number(i); }

QString Opt(const OptionalNumber& n) { return n ? QString::number(*n) : QStringLiteral("-"); }

QString ListText(const OutputList& l) { return QString::fromStdString(l.to_string()); }

// Every field the blocks carry, one line each, for comparing two models.
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

// A model in which every carried field differs from its start value and from
// its neighbours, within what each block can carry.
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

}  // namespace

class TestBlockCodec : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // -------------------------------------------------------------------------
    // Golden frames.

    void goldenFrames_data() {
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
    void goldenFrames() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, expected);
        QCOMPARE(frame.toHex(' '), expected.toHex(' '));
    }

    void blockLengthsAndCommands_data() {
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
    void blockLengthsAndCommands() {
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

    void indexOutOfRangeBuildsNothing_data() {
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
    void indexOutOfRangeBuildsNothing() {
        QFETCH(int, kind);
        QFETCH(int, index);
        ConfigModel m;
        QVERIFY(!EncodeConfigBlock(m, BlockKind(kind), index).has_value());
    }

    // -------------------------------------------------------------------------
    // Round trip.

    void everyBlockOutAndBack_data() {
        QTest::addColumn<int>("seed");
        QTest::newRow("seed 0") << 0;
        QTest::newRow("seed 1") << 1;
        QTest::newRow("seed 2") << 2;
    }
    void everyBlockOutAndBack() {
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

    void readAnswersDecodeLikeWriteRequests() {
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

    // -------------------------------------------------------------------------
    // The examples of single fields.

    void lowPowerOutputKeepsItsCurrentFields() {
        ConfigModel m;
        m.ModifyOutput(20, [](OutputConfig& r) { r.MAX_CURRENT = 77; r.PEAK_TIME = 6; r.LOW_CURRENT = 5; r.LOW_CURRENT_TIME = 4; });
        ConfigModel other;
        other.ModifyOutput(20, [](OutputConfig& r) { r.NAME = "Lamp"; r.DELAY = 3; });
        const QByteArray f = Encoded(other, BlockKind::Output, 20);
        QCOMPARE(f.mid(5, 3), Hex("FF FF 00"));
        QCOMPARE(f.mid(27, 3), Hex("00 00 00"));
        auto received = AsReceived(f, OUTPUT_READ_CFM);
        received[5] = 0x12; received[7] = 0x34; received[27] = 0x56; received[29] = 0x78;
        received[0] = FrameChecksum(received.data() + 1, int(received.size()) - 1);
        QVERIFY(Decode(m, received));
        QCOMPARE(m.Output(20).MAX_CURRENT, OptionalNumber(77));
        QCOMPARE(m.Output(20).PEAK_TIME, OptionalNumber(6));
        QCOMPARE(m.Output(20).LOW_CURRENT, OptionalNumber(5));
        QCOMPARE(m.Output(20).LOW_CURRENT_TIME, OptionalNumber(4));
        QCOMPARE(m.Output(20).NAME, QByteArray("Lamp"));
        QCOMPARE(m.Output(20).DELAY, OptionalNumber(3));
    }

    void receivedTriggerLevelAndCode_data() {
        QTest::addColumn<int>("levelByte");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("codeByte");
        QTest::addColumn<int>("code");
        QTest::newRow("16 stays") << 16 << 16 << 0xD3 << 0xD3;
        QTest::newRow("1") << 1 << 1 << 54 << 54;
        QTest::newRow("0 becomes 1") << 0 << 1 << 255 << 255;
        QTest::newRow("other becomes 1, unknown code is DISABLED") << 17 << 1 << 100 << 0;
    }
    void receivedTriggerLevelAndCode() {
        QFETCH(int, levelByte);
        QFETCH(int, level);
        QFETCH(int, codeByte);
        QFETCH(int, code);
        ConfigModel m;
        auto f = AsReceived(Encoded(m, BlockKind::Output, 2), OUTPUT_READ_CFM);
        f[8] = std::uint8_t(codeByte);
        f[9] = std::uint8_t(levelByte);
        QVERIFY(Decode(m, f));
        QCOMPARE(m.Output(2).TRIGLEVEL, level);
        QCOMPARE(m.Output(2).TRIGGER, code);
    }

    void lowBatteryVoltageTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte");
        QTest::addColumn<QString>("back");
        QTest::newRow("12.7") << QStringLiteral("12.7") << 127 << QStringLiteral("12.7");
        QTest::newRow("comma") << QStringLiteral("11,5") << 115 << QStringLiteral("11.5");
        QTest::newRow("empty") << QString() << 0 << QStringLiteral("0.0");
        QTest::newRow("whole volts") << QStringLiteral("9") << 90 << QStringLiteral("9.0");
    }
    void lowBatteryVoltageTexts() {
        QFETCH(QString, text);
        QFETCH(int, byte);
        QFETCH(QString, back);
        ConfigModel m;
        m.ModifyLowBattery([&](LowBatteryConfig& r) { r.LOW_TRIG = text; r.UPPER_TRIG = text; });
        const QByteArray f = Encoded(m, BlockKind::LowBattery);
        QCOMPARE(int(std::uint8_t(f[4])), byte);
        QCOMPARE(int(std::uint8_t(f[5])), byte);
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, LOW_BATTERY_READ_CFM)));
        QCOMPARE(target.LowBattery().LOW_TRIG, back);
        QCOMPARE(target.LowBattery().UPPER_TRIG, back);
    }

    void outputListRuns() {
        ConfigModel m;
        // More outputs than the run holds: the first twelve in output order go out.
        m.ModifyLowBattery([](LowBatteryConfig& r) {
            for (int o = 1; o <= 20; ++o) r.LIST_SELECTED.set(std::size_t(o - 1));
        });
        const QByteArray f = Encoded(m, BlockKind::LowBattery);
        QCOMPARE(f.mid(6, 12), Hex("01 02 03 04 05 06 07 08 09 0A 0B 0C"));
        // On receipt the list is cleared first; 0, 0xFF and numbers above 34 are skipped.
        auto r = AsReceived(f, LOW_BATTERY_READ_CFM);
        const std::uint8_t run[12] = {0, 0xFF, 35, 34, 1, 200, 17, 17, 0, 0, 0, 0};
        for (int i = 0; i < 12; ++i) r[std::size_t(6 + i)] = run[i];
        QVERIFY(Decode(m, r));
        OutputList expected;
        expected.set(0); expected.set(16); expected.set(33);
        QCOMPARE(m.LowBattery().LIST_SELECTED, expected);
    }

    void canSetupCorrections_data() {
        QTest::addColumn<QString>("delayText");
        QTest::addColumn<int>("delaySent");
        QTest::addColumn<QString>("delayAfter");
        QTest::addColumn<QString>("autoText");
        QTest::addColumn<int>("autoSent");
        QTest::addColumn<QString>("autoAfter");
        QTest::newRow("1 -> 2, 3 -> 5") << "1" << 2 << "2" << "3" << 5 << "5";
        QTest::newRow("3000 -> 2000") << "3000" << 2000 << "2000" << "0" << 0 << "0";
        QTest::newRow("negative -> 2000") << "-5" << 2000 << "2000" << "4" << 5 << "5";
        QTest::newRow("unreadable delay is 15, kept") << "abc" << 15 << "abc" << "x" << 0 << "x";
        QTest::newRow("limits pass") << "2" << 2 << "2" << "5" << 5 << "5";
        QTest::newRow("2000 passes") << "2000" << 2000 << "2000" << "250" << 250 << "250";
        QTest::newRow("low 8 bits of 257 are 1 -> 5") << "15" << 15 << "15" << "257" << 5 << "5";
        // Only the limits correct the field; a wrap to 16 or 8 bits goes out as it is.
        QTest::newRow("65538 is 2 as 16 bits") << "65538" << 2 << "65538" << "256" << 0 << "256";
    }
    void canSetupCorrections() {
        QFETCH(QString, delayText);
        QFETCH(int, delaySent);
        QFETCH(QString, delayAfter);
        QFETCH(QString, autoText);
        QFETCH(int, autoSent);
        QFETCH(QString, autoAfter);
        ConfigModel m;
        m.ModifyCanSetup([&](CanSetupConfig& r) { r.NoCANdelay = delayText; });
        m.ModifyOutputBlock([&](OutputBlockConfig& r) { r.AutoResetError = autoText; });
        const QByteArray f = Encoded(m, BlockKind::CanSetup);
        QCOMPARE(int(std::uint8_t(f[7])) | (int(std::uint8_t(f[8])) << 8), delaySent);
        QCOMPARE(int(std::uint8_t(f[13])), autoSent);
        QCOMPARE(m.CanSetup().NoCANdelay, delayAfter);
        QCOMPARE(m.OutputBlock().AutoResetError, autoAfter);
    }

    void canSetupReceived_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("dataByte");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("autoReset");
        QTest::newRow("full") << Hex("00 F4 01 0F 00 0A 00 07 01 32") << 500 << "15" << "00A" << 7 << "01" << "50";
        QTest::newRow("other bit rate is 1000") << Hex("00 E9 03 D0 07 FF 07 08 AB 00") << 1000 << "2000" << "7FF" << -1
                                                << "AB" << "0";
        QTest::newRow("wide identifier") << Hex("00 00 00 02 00 34 12 FF 00 05") << 1000 << "2" << "1234" << -1 << "00" << "5";
        QTest::newRow("short block: bit rate only") << Hex("00 F4 01 0F 00 0A") << 500 << "" << "" << -1 << "" << "";
    }
    void canSetupReceived() {
        QFETCH(QByteArray, payload);
        QFETCH(int, bitRate);
        QFETCH(QString, delay);
        QFETCH(QString, id);
        QFETCH(int, dataByte);
        QFETCH(QString, mask);
        QFETCH(QString, autoReset);
        ConfigModel m;
        m.ModifyCanSetup([](CanSetupConfig& r) { r.ResetChannelErrorDataByte = 3; });
        QVERIFY(Decode(m, MakeFrame(1, CAN_SETUP_READ_CFM, std::vector<std::uint8_t>(payload.begin(), payload.end()))));
        QCOMPARE(m.CanSetup().BitRate, bitRate);
        QCOMPARE(m.CanSetup().NoCANdelay, delay);
        QCOMPARE(m.CanSetup().ResetChannelErrorID, id);
        QCOMPARE(m.CanSetup().ResetChannelErrorDataByte, dataByte);
        QCOMPARE(m.CanSetup().ResetChannelErrorMask, mask);
        QCOMPARE(m.OutputBlock().AutoResetError, autoReset);
    }

    void startKillTriggers_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("back");
        QTest::newRow("DISABLED") << 0 << 0 << 0;
        QTest::newRow("+30") << 1 << 255 << 1;
        QTest::newRow("input 4") << 5 << 0xD1 << 5;
        QTest::newRow("virtual 20") << 64 << 52 << 64;
        QTest::newRow("Wiper Slow goes out as 255") << 65 << 255 << 1;
        QTest::newRow("nothing goes out as 255") << -1 << 255 << 1;
    }
    void startKillTriggers() {
        QFETCH(int, position);
        QFETCH(int, code);
        QFETCH(int, back);
        ConfigModel m;
        m.ModifyStartButton([&](StartButtonConfig& r) { r.INPUT_TRIGGER_INDEX = position; });
        m.ModifyKillButton([&](KillButtonConfig& r) { r.INPUT_TRIGGER_INDEX = position; r.INPUT_DELAY = 300; });
        const QByteArray f = Encoded(m, BlockKind::StartKill);
        QCOMPARE(int(std::uint8_t(f[4])), code);
        QCOMPARE(int(std::uint8_t(f[19])), code);
        QCOMPARE(int(std::uint8_t(f[20])), 300 & 0xFF);  // beyond a byte: its low 8 bits
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, START_KILL_READ_CFM)));
        QCOMPARE(target.StartButton().INPUT_TRIGGER_INDEX, back);
        QCOMPARE(target.KillButton().INPUT_TRIGGER_INDEX, back);
        // A received wiper code selects the wiper entry: the extended list holds it.
        auto r = AsReceived(f, START_KILL_READ_CFM);
        r[4] = 54;
        QVERIFY(Decode(target, r));
        QCOMPARE(target.StartButton().INPUT_TRIGGER_INDEX, 66);
    }

    void canInputFullNameIsFollowedByRowEnabled() {
        ConfigModel m;
        m.ModifyCanInput(9, [](CanInputConfig& r) { r.CAN_NAME = "ABCDEFGHIJKLMNO"; r.ROW_ENABLED = true; });
        const QByteArray f = Encoded(m, BlockKind::CanInput, 8);
        QCOMPARE(f.mid(20, 15), QByteArray("ABCDEFGHIJKLMNO"));
        QCOMPARE(int(f[35]), 1);
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, CAN_INPUT_READ_CFM)));
        QCOMPARE(target.CanInput(9).CAN_NAME, QByteArray("ABCDEFGHIJKLMNO"));
        QCOMPARE(target.CanInput(9).ROW_ENABLED, true);
    }

    void canInputWideFieldsAndSigns() {
        ConfigModel m;
        m.ModifyCanInput(1, [](CanInputConfig& r) {
            r.CAN_ID_ON = 0x12345; r.CAN_VALUE_OFF = -1; r.CAN_OPERATOR_ON = -2; r.NO_CAN_DATA_STATE = 2;
            r.ENABLED = true; r.MULTIPLICATOR_ = 1.0f; r.CAL_OFFSET_ = -128;
        });
        const QByteArray f = Encoded(m, BlockKind::CanInput, 0);
        QCOMPARE(f.mid(4, 4), Hex("00 05 45 23"));  // bit 0 enabled, bits 1-2 state 2; low 16 bits of the id
        QCOMPARE(f.mid(12, 3), Hex("FF FF FE"));
        QCOMPARE(f.mid(44, 5), Hex("00 00 80 3F 80"));  // 1.0f LE, then -128
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, CAN_INPUT_READ_CFM)));
        QCOMPARE(target.CanInput(1).CAN_ID_ON, 0x2345);
        QCOMPARE(target.CanInput(1).CAN_VALUE_OFF, 0xFFFF);  // values widened without sign
        QCOMPARE(target.CanInput(1).CAN_OPERATOR_ON, -2);    // operators with their sign
        QCOMPARE(target.CanInput(1).NO_CAN_DATA_STATE, 2);
        QCOMPARE(target.CanInput(1).CAL_OFFSET_, std::int8_t(-128));
    }

    void virtualInputOperandOne() {
        ConfigModel m;
        m.ModifyVirtualInput(1, [](VirtualInputConfig& r) { r.CHANNEL_2_Index = 1; r.CHANNEL_1_Index = 0; r.CHANNEL_3_Index = 2; });
        const QByteArray f = Encoded(m, BlockKind::VirtualInput, 0);
        QCOMPARE(f.mid(6, 3), Hex("00 FF 02"));
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, VIRTUAL_INPUT_READ_CFM)));
        QCOMPARE(int(target.VirtualInput(1).CHANNEL_2_Index), 1);
        auto r = AsReceived(f, VIRTUAL_INPUT_READ_CFM);
        r[6] = 1;  // a received 1 stays 1
        QVERIFY(Decode(target, r));
        QCOMPARE(int(target.VirtualInput(1).CHANNEL_1_Index), 1);
    }

    void canInputEnablePin_data() {
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("back");
        QTest::newRow("nothing selected") << -1 << 0xC0 << 0;
        QTest::newRow("input 1") << 0 << 0xC0 << 0;
        QTest::newRow("input 4") << 3 << 0xD1 << 3;
        QTest::newRow("input 9") << 8 << 0xC3 << 8;
        QTest::newRow("input 11") << 10 << 0xD3 << 10;
    }
    void canInputEnablePin() {
        QFETCH(int, pin);
        QFETCH(int, code);
        QFETCH(int, back);
        ConfigModel m;
        m.ModifyCanInputEnable([&](CanInputEnableConfig& r) { r.INPUT_PIN = pin; });
        const QByteArray f = Encoded(m, BlockKind::CanInputEnable);
        QCOMPARE(int(std::uint8_t(f[5])), code);
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, CAN_INPUT_ENABLE_READ_CFM)));
        QCOMPARE(target.CanInputEnable().INPUT_PIN, back);
    }

    void canInputEnableUnknownCodeIsInputOne() {
        ConfigModel m;
        m.ModifyCanInputEnable([](CanInputEnableConfig& r) { r.INPUT_PIN = 5; });
        QVERIFY(Decode(m, MakeFrame(1, CAN_INPUT_ENABLE_READ_CFM, {1, 0x05})));  // CAN input 5's code
        QCOMPARE(m.CanInputEnable().INPUT_PIN, 0);
        QCOMPARE(m.CanInputEnable().ENABLE, true);
    }

    void wiperInputs_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("sent");
        QTest::addColumn<int>("back");
        QTest::newRow("input 5") << 0xC4 << 0xC4 << 0xC4;
        QTest::newRow("nothing") << int(kNoSelection) << 255 << 255;
        QTest::newRow("Wiper Slow cannot be shown") << 53 << 255 << 255;
        QTest::newRow("unknown code shows DISABLED") << 100 << 0 << 0;
    }
    void wiperInputs() {
        QFETCH(int, code);
        QFETCH(int, sent);
        QFETCH(int, back);
        ConfigModel m;
        m.ModifyWiper([&](WiperConfig& r) { r.LOW_SPEED_INPUT = code; r.HOME_PARK_LEVEL = kNoSelection; });
        const QByteArray f = Encoded(m, BlockKind::Wiper);
        QCOMPARE(int(std::uint8_t(f[4])), sent);
        QCOMPARE(int(std::uint8_t(f[8])), 0xFF);
        ConfigModel target;
        QVERIFY(Decode(target, AsReceived(f, WIPER_READ_CFM)));
        QCOMPARE(target.Wiper().LOW_SPEED_INPUT, back);
        QCOMPARE(target.Wiper().HOME_PARK_LEVEL, 0);  // anything but 0 or 1 is 0
        // A received 53 selects nothing.
        auto r = AsReceived(f, WIPER_READ_CFM);
        r[5] = 53;
        QVERIFY(Decode(target, r));
        QCOMPARE(target.Wiper().HIGH_SPEED_INPUT, int(kNoSelection));
    }

    void canExportLayouts() {
        ConfigModel m;
        m.ModifyCanExport(2, [](CanExportConfig& e) { e.CHANNEL_INDEX_[0] = 46; e.CHANNEL_INDEX_[33] = 3; });
        m.ModifyCanExport(4, [](CanExportConfig& e) { e.CHANNEL_INDEX_[63] = 7; e.CAN_ID = 0x123; e.REFRESS_TIME = 500; });
        const QByteArray two = Encoded(m, BlockKind::CanExport, 0);
        QCOMPARE(int(two[4]), 0);
        QCOMPARE(int(std::uint8_t(two[10])), 46);
        QCOMPARE(int(std::uint8_t(two[43])), 3);
        QCOMPARE(two.mid(44), QByteArray(30, '\0'));
        QCOMPARE(int(std::uint8_t(two[11])), 0xFF);
        const QByteArray four = Encoded(m, BlockKind::CanExport, 2);
        QCOMPARE(int(four[4]), 2);
        QCOMPARE(four.mid(6, 4), Hex("F4 01 23 01"));
        QCOMPARE(int(std::uint8_t(four[73])), 7);
        // A received position beyond the 47-entry list selects nothing.
        ConfigModel target;
        auto r = AsReceived(four, CAN_EXPORT_READ_CFM);
        r[10] = 47;
        r[11] = 46;
        QVERIFY(Decode(target, r));
        QCOMPARE(target.CanExport(4).CHANNEL_INDEX_[0], int(kNoSelection));
        QCOMPARE(target.CanExport(4).CHANNEL_INDEX_[1], 46);
        QCOMPARE(target.CanExport(4).CHANNEL_INDEX_[63], 7);
        // Export 1 has 19 entries to choose from.
        auto e1 = AsReceived(Encoded(m, BlockKind::CanExport1), CAN_EXPORT1_READ_CFM);
        e1[10] = 19;
        e1[27] = 18;
        QVERIFY(Decode(target, e1));
        QCOMPARE(target.CanExport(1).CHANNEL_INDEX_[0], int(kNoSelection));
        QCOMPARE(target.CanExport(1).CHANNEL_INDEX_[17], 18);
    }

    void boxNameField() {
        ConfigModel m;
        m.SetBoxName(QByteArray("ABCDEFGHIJKLMNO"));
        const QByteArray f = Encoded(m, BlockKind::BoxName);
        QCOMPARE(f.mid(4, 16), QByteArray("ABCDEFGHIJKLMNO") + QByteArray(1, '\0'));
        // Sixteen characters received: the model keeps fifteen.
        ConfigModel target;
        QVERIFY(Decode(target, MakeFrame(1, NAME_READ_CFM, std::vector<std::uint8_t>(16, 'Z'))));
        QCOMPARE(target.BoxName(), QByteArray(15, 'Z'));
    }

    void flashNameNeverReachesBeyondItsField() {
        ConfigModel m;
        m.ModifyFlash(2, [](FlashConfig& r) { r.FLASH_NAME = "123456789012345"; });
        m.ModifyFlash(3, [](FlashConfig& r) { r.ENABLED = 1; });
        const QByteArray f = Encoded(m, BlockKind::Flash, 1);
        QCOMPARE(f.size(), 30);
        QCOMPARE(f.mid(15), QByteArray("123456789012345"));
        ConfigModel target;
        target.ModifyFlash(3, [](FlashConfig& r) { r.ENABLED = 1; });
        QVERIFY(Decode(target, AsReceived(f, FLASH_READ_CFM)));
        QCOMPARE(target.Flash(2).FLASH_NAME, QByteArray("123456789012345"));
        QCOMPARE(int(target.Flash(3).ENABLED), 1);
    }

    // -------------------------------------------------------------------------
    // What a received block must not change.

    void indexOutOfRangeChangesNothing_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("length");
        QTest::newRow("input 0") << int(INPUT_READ_CFM) << 0 << 21;
        QTest::newRow("input 12") << int(INPUT_READ_CFM) << 12 << 21;
        QTest::newRow("output 0") << int(OUTPUT_READ_CFM) << 0 << 30;
        QTest::newRow("output 35") << int(OUTPUT_READ_CFM) << 35 << 30;
        QTest::newRow("CAN input 32") << int(CAN_INPUT_READ_CFM) << 32 << 49;
        QTest::newRow("virtual input 20") << int(VIRTUAL_INPUT_READ_CFM) << 20 << 31;
        QTest::newRow("flash 5") << int(FLASH_READ_CFM) << 5 << 30;
        QTest::newRow("CAN export selector 3") << int(CAN_EXPORT_READ_CFM) << 3 << 74;
        QTest::newRow("CAN export selector 255") << int(CAN_EXPORT_READ_CFM) << 255 << 74;
    }
    void indexOutOfRangeChangesNothing() {
        QFETCH(int, command);
        QFETCH(int, index);
        QFETCH(int, length);
        ConfigModel m;
        FillVaried(m, 2);
        const QStringList before = Describe(m);
        QSignalSpy changed(&m, &ConfigModel::Changed);
        std::vector<std::uint8_t> payload(std::size_t(length - 4), 0x01);
        payload[0] = std::uint8_t(index);
        QVERIFY(!Decode(m, MakeFrame(1, std::uint8_t(command), payload)));
        QCOMPARE(Describe(m), before);
        QCOMPARE(changed.count(), 0);
    }

    void notABlock() {
        ConfigModel m;
        QSignalSpy changed(&m, &ConfigModel::Changed);
        QVERIFY(!Decode(m, MakeFrame(1, STATUS_SUM_CFM, {1, 2, 3, 4, 5, 6})));
        QVERIFY(!Decode(m, MakeFrame(0, INPUT_READ_CFM, std::vector<std::uint8_t>(17, 1))));  // service space
        QVERIFY(!DecodeConfigBlock(m, nullptr, 30));
        const std::uint8_t header[3] = {0, 3, 1};
        QVERIFY(!DecodeConfigBlock(m, header, 3));
        QCOMPARE(changed.count(), 0);
    }

    void shortBlockTakesOnlyWhatArrived() {
        // An output block cut after the trigger level: the fields behind it stay as they were,
        // whatever older bytes the receive buffer still holds there.
        ConfigModel m;
        FillVaried(m, 0);
        const OutputConfig before = m.Output(3);
        std::vector<std::uint8_t> buffer(SLIP_RECEIVE_BUFFER, 0x5A);
        buffer[1] = 30; buffer[2] = 1; buffer[3] = OUTPUT_READ_CFM; buffer[4] = 3;
        buffer[5] = 0x00; buffer[6] = 0x64; buffer[7] = 9; buffer[8] = 0xC0; buffer[9] = 16;
        QVERIFY(DecodeConfigBlock(m, buffer.data(), 10));
        QCOMPARE(m.Output(3).MAX_CURRENT, OptionalNumber(100));
        QCOMPARE(m.Output(3).PEAK_TIME, OptionalNumber(9));
        QCOMPARE(m.Output(3).TRIGGER, 0xC0);
        QCOMPARE(m.Output(3).TRIGLEVEL, 16);
        QCOMPARE(m.Output(3).NAME, before.NAME);
        QCOMPARE(m.Output(3).DELAY, before.DELAY);
        QCOMPARE(m.Output(3).ON_TIME, before.ON_TIME);
        QCOMPARE(m.Output(3).LOW_CURRENT, before.LOW_CURRENT);
        QCOMPARE(m.Output(3).LOW_CURRENT_TIME, before.LOW_CURRENT_TIME);
        // A name run cut short is not taken either.
        QVERIFY(DecodeConfigBlock(m, buffer.data(), 20));
        QCOMPARE(m.Output(3).NAME, before.NAME);
        // A count beyond the receive buffer reads nothing past it.
        QVERIFY(DecodeConfigBlock(m, buffer.data(), 5000));
        QCOMPARE(m.Output(3).NAME, QByteArray(15, 0x5A));
    }

    void decodingNotifiesTheBlockItWrites() {
        ConfigModel m;
        QSignalSpy changed(&m, &ConfigModel::Changed);
        QSignalSpy names(&m, &ConfigModel::NameChanged);
        ConfigModel source;
        source.ModifyInput(6, [](InputConfig& r) { r.NAME = "Ignition"; });
        QVERIFY(Decode(m, AsReceived(Encoded(source, BlockKind::Input, 6), INPUT_READ_CFM)));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).value<ConfigBlock>(), ConfigBlock::Input);
        QCOMPARE(changed.first().at(1).toInt(), 6);
        QCOMPARE(names.count(), 1);
    }

    // -------------------------------------------------------------------------
    // Name accessors.

    void nameAccessors() {
        ConfigModel m;
        SetInputName(m, 11, "Reverse lights on");
        QCOMPARE(GetInputName(m, 11), QByteArray("Reverse lights "));
        SetOutputName(m, 34, "Pump");
        QCOMPARE(GetOutputName(m, 34), QByteArray("Pump"));
        SetCanInputName(m, 32, "ECU fan");
        QCOMPARE(GetCanInputName(m, 32), QByteArray("ECU fan"));
        SetVirtualInputName(m, 20, "Both doors");
        QCOMPARE(GetVirtualInputName(m, 20), QByteArray("Both doors"));
        SetFlashName(m, 5, "Hazard");
        QCOMPARE(GetFlashName(m, 5), QByteArray("Hazard"));
        QCOMPARE(GetInputName(m, 1), QByteArray("CH 1"));

        QSignalSpy changed(&m, &ConfigModel::Changed);
        SetInputName(m, 0, "x");
        SetInputName(m, 12, "x");
        SetOutputName(m, 35, "x");
        SetCanInputName(m, 33, "x");
        SetVirtualInputName(m, 21, "x");
        SetFlashName(m, 6, "x");
        QCOMPARE(changed.count(), 0);
        QVERIFY(GetInputName(m, 12).isEmpty());
        QVERIFY(GetOutputName(m, 0).isEmpty());
        QVERIFY(GetCanInputName(m, 33).isEmpty());
        QVERIFY(GetVirtualInputName(m, -1).isEmpty());
        QVERIFY(GetFlashName(m, 6).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBlockCodec)
#include "test_block_codec.moc"

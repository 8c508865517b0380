// Configuration blocks: the examples of single fields, and what a received
// block may and may not change.

#include "test_block_codec.h"

#include "protocol/MessageCatalogue.h"

#include <QSignalSpy>
#include <QtTest>

using namespace relvane;
using namespace relvane::test;

// -------------------------------------------------------------------------
// The examples of single fields.

void TestBlockCodec::lowPowerOutputKeepsItsCurrentFields() {
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

void TestBlockCodec::receivedTriggerLevelAndCode_data() {
    QTest::addColumn<int>("levelByte");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("codeByte");
    QTest::addColumn<int>("code");
    QTest::newRow("16 stays") << 16 << 16 << 0xD3 << 0xD3;
    QTest::newRow("1") << 1 << 1 << 54 << 54;
    QTest::newRow("0 becomes 1") << 0 << 1 << 255 << 255;
    QTest::newRow("other becomes 1, unknown code is DISABLED") << 17 << 1 << 100 << 0;
}

void TestBlockCodec::receivedTriggerLevelAndCode() {
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

void TestBlockCodec::lowBatteryVoltageTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("back");
    QTest::newRow("12.7") << QStringLiteral("12.7") << 127 << QStringLiteral("12.7");
    QTest::newRow("comma") << QStringLiteral("11,5") << 115 << QStringLiteral("11.5");
    QTest::newRow("empty") << QString() << 0 << QStringLiteral("0.0");
    QTest::newRow("whole volts") << QStringLiteral("9") << 90 << QStringLiteral("9.0");
}

void TestBlockCodec::lowBatteryVoltageTexts() {
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

void TestBlockCodec::outputListRuns() {
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

void TestBlockCodec::canSetupCorrections_data() {
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

void TestBlockCodec::canSetupCorrections() {
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

void TestBlockCodec::canSetupReceived_data() {
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

void TestBlockCodec::canSetupReceived() {
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

void TestBlockCodec::startKillTriggers_data() {
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

void TestBlockCodec::startKillTriggers() {
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

void TestBlockCodec::canInputFullNameIsFollowedByRowEnabled() {
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

void TestBlockCodec::canInputWideFieldsAndSigns() {
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

void TestBlockCodec::virtualInputOperandOne() {
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

void TestBlockCodec::canInputEnablePin_data() {
    QTest::addColumn<int>("pin");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("back");
    QTest::newRow("nothing selected") << -1 << 0xC0 << 0;
    QTest::newRow("input 1") << 0 << 0xC0 << 0;
    QTest::newRow("input 4") << 3 << 0xD1 << 3;
    QTest::newRow("input 9") << 8 << 0xC3 << 8;
    QTest::newRow("input 11") << 10 << 0xD3 << 10;
}

void TestBlockCodec::canInputEnablePin() {
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

void TestBlockCodec::canInputEnableUnknownCodeIsInputOne() {
    ConfigModel m;
    m.ModifyCanInputEnable([](CanInputEnableConfig& r) { r.INPUT_PIN = 5; });
    QVERIFY(Decode(m, MakeFrame(1, CAN_INPUT_ENABLE_READ_CFM, {1, 0x05})));  // CAN input 5's code
    QCOMPARE(m.CanInputEnable().INPUT_PIN, 0);
    QCOMPARE(m.CanInputEnable().ENABLE, true);
}

void TestBlockCodec::wiperInputs_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("back");
    QTest::newRow("input 5") << 0xC4 << 0xC4 << 0xC4;
    QTest::newRow("nothing") << int(kNoSelection) << 255 << 255;
    QTest::newRow("Wiper Slow cannot be shown") << 53 << 255 << 255;
    QTest::newRow("unknown code shows DISABLED") << 100 << 0 << 0;
}

void TestBlockCodec::wiperInputs() {
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

void TestBlockCodec::canExportLayouts() {
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

void TestBlockCodec::boxNameField() {
    ConfigModel m;
    m.SetBoxName(QByteArray("ABCDEFGHIJKLMNO"));
    const QByteArray f = Encoded(m, BlockKind::BoxName);
    QCOMPARE(f.mid(4, 16), QByteArray("ABCDEFGHIJKLMNO") + QByteArray(1, '\0'));
    // Sixteen characters received: the model keeps fifteen.
    ConfigModel target;
    QVERIFY(Decode(target, MakeFrame(1, NAME_READ_CFM, std::vector<std::uint8_t>(16, 'Z'))));
    QCOMPARE(target.BoxName(), QByteArray(15, 'Z'));
}

void TestBlockCodec::flashNameNeverReachesBeyondItsField() {
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

void TestBlockCodec::indexOutOfRangeChangesNothing_data() {
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

void TestBlockCodec::indexOutOfRangeChangesNothing() {
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

void TestBlockCodec::notABlock() {
    ConfigModel m;
    QSignalSpy changed(&m, &ConfigModel::Changed);
    QVERIFY(!Decode(m, MakeFrame(1, STATUS_SUM_CFM, {1, 2, 3, 4, 5, 6})));
    QVERIFY(!Decode(m, MakeFrame(0, INPUT_READ_CFM, std::vector<std::uint8_t>(17, 1))));  // service space
    QVERIFY(!DecodeConfigBlock(m, nullptr, 30));
    const std::uint8_t header[3] = {0, 3, 1};
    QVERIFY(!DecodeConfigBlock(m, header, 3));
    QCOMPARE(changed.count(), 0);
}

void TestBlockCodec::shortBlockTakesOnlyWhatArrived() {
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

void TestBlockCodec::decodingNotifiesTheBlockItWrites() {
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

void TestBlockCodec::nameAccessors() {
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

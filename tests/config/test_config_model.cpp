#include "config/ConfigModel.h"
#include "config/Cp1252.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

using namespace relvane;

Q_DECLARE_METATYPE(relvane::ConfigBlock)

class TestConfigModel : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { qRegisterMetaType<ConfigBlock>(); }

  void startValues();
  void triggerTable_data();
  void triggerTable();
  void triggerOutsideTheLists_data();
  void triggerOutsideTheLists();
  void levels_data();
  void levels();
  void tenthsFromText_data();
  void tenthsFromText();
  void textFromTenths_data();
  void textFromTenths();
  void flashSlots_data();
  void flashSlots();
  void flashOutputsFromSlots();
  void namesAreCut_data();
  void namesAreCut();
  void flashNameStaysInItsRecord();
  void outOfRangeRecords();
  void changeNotification_data();
  void changeNotification();
  void nameChangeNotification();
  void batchNotifiesOncePerBlock();
  void resetRestoresStartValues();
  void exportEntryCounts();
  void cp1252RoundTrip();
};

void TestConfigModel::startValues() {
  ConfigModel m;
  QCOMPARE(m.Input(1).NAME, QByteArray("CH 1"));
  QCOMPARE(m.Input(11).NAME, QByteArray("CH 11"));
  QCOMPARE(m.Input(5).MODE, kNoSelection);
  QCOMPARE(m.InputBlock().PWM_ENABLE, false);
  QVERIFY(m.Output(1).NAME.isEmpty());
  QCOMPARE(m.Output(34).TRIGGER, kNoSelection);
  QCOMPARE(m.Output(34).TRIGLEVEL, kNoSelection);
  QVERIFY(!m.Output(1).DELAY.has_value());
  QVERIFY(!m.Output(18).MAX_CURRENT.has_value());
  QVERIFY(!m.Output(18).ON_TIME.has_value());
  QCOMPARE(m.OutputBlock().AutoResetError, QStringLiteral("0"));
  QVERIFY(m.LowBattery().LOW_TRIG.isEmpty());
  QVERIFY(m.LowBattery().LIST_SELECTED.none());
  QCOMPARE(m.StartButton().INPUT_TRIGGER_INDEX, kNoSelection);
  QCOMPARE(m.KillButton().INPUT_TRIGGER_INDEX, kNoSelection);
  QCOMPARE(m.KillButton().INPUT_DELAY, 10);
  QCOMPARE(m.CanSetup().BitRate, 1000);
  QCOMPARE(m.CanSetup().NoCANdelay, QStringLiteral("15"));
  QVERIFY(m.CanSetup().ResetChannelErrorID.isEmpty());
  QCOMPARE(m.CanSetup().ResetChannelErrorDataByte, kNoSelection);
  QCOMPARE(m.CanSetup().ResetChannelErrorMask, QStringLiteral("01"));
  QCOMPARE(m.CanInput(1).CAN_NAME, QByteArray("CAN 1"));
  QCOMPARE(m.CanInput(32).CAN_NAME, QByteArray("CAN 32"));
  QCOMPARE(m.CanInput(7).MULTIPLICATOR_, 0.0f);
  QCOMPARE(m.CanInput(7).CAN_HIGH_BYTE_ON_POS, uint8_t(0));
  QCOMPARE(m.CanInputEnable().INPUT_PIN, kNoSelection);
  QCOMPARE(m.VirtualInput(1).VIRTUAL_NAME, QByteArray("Virtual 1"));
  QCOMPARE(m.VirtualInput(20).VIRTUAL_NAME, QByteArray("Virtual 20"));
  QVERIFY(m.Flash(1).FLASH_NAME.isEmpty());
  QCOMPARE(m.Flash(5).CHANNEL_LIST, (std::array<uint8_t, 4>{0, 0, 0, 0}));
  QCOMPARE(m.Wiper().LOW_SPEED_INPUT, kNoSelection);
  QCOMPARE(m.Wiper().HOME_PARK_LEVEL, kNoSelection);
  QCOMPARE(m.Wiper().INTERVAL_TIME, 30);
  QCOMPARE(m.CanExport(1).ROW_COUNT, OptionalNumber(12));
  QCOMPARE(m.CanExport(4).REFRESS_TIME, OptionalNumber(0));
  QCOMPARE(m.CanExport(4).CHANNEL_INDEX_[63], kNoSelection);
  QVERIFY(m.BoxName().isEmpty());
}

void TestConfigModel::triggerTable_data() {
  QTest::addColumn<int>("position");
  QTest::addColumn<int>("code");
  QTest::newRow("DISABLED") << 0 << 0;
  QTest::newRow("+30") << 1 << 255;
  const int inputCodes[] = {192, 193, 194, 209, 196, 197, 198, 199, 195, 210, 211};
  for (int i = 0; i < 11; ++i) QTest::addRow("input %d", i + 1) << 2 + i << inputCodes[i];
  for (int i = 1; i <= 32; ++i) QTest::addRow("CAN %d", i) << 12 + i << i;
  for (int i = 1; i <= 20; ++i) QTest::addRow("virtual %d", i) << 44 + i << 32 + i;
  QTest::newRow("Wiper Slow") << 65 << 53;
  QTest::newRow("Wiper Fast") << 66 << 54;
}

void TestConfigModel::triggerTable() {
  QFETCH(int, position);
  QFETCH(int, code);
  QCOMPARE(PositionToTriggerCode(position), code);
  QCOMPARE(TriggerCodeToPosition(code), position);
  if (position <= 64) {
    QCOMPARE(BasePositionToTriggerCode(position), code);
    QCOMPARE(TriggerCodeToBasePosition(code), position);
  } else {
    QCOMPARE(BasePositionToTriggerCode(position), 255);
    QCOMPARE(TriggerCodeToBasePosition(code), 0);
  }
}

void TestConfigModel::triggerOutsideTheLists_data() {
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("extendedCode");      // PositionToTriggerCode(value)
  QTest::addColumn<int>("extendedPosition");  // TriggerCodeToPosition(value)
  QTest::addColumn<int>("baseCode");
  QTest::addColumn<int>("basePosition");
  QTest::newRow("-1") << -1 << 255 << 0 << 255 << 0;
  QTest::newRow("67") << 67 << 255 << 0 << 255 << 0;
  QTest::newRow("100") << 100 << 255 << 0 << 255 << 0;
  QTest::newRow("55: a position, not a code") << 55 << 43 << 0 << 43 << 0;
  QTest::newRow("200") << 200 << 255 << 0 << 255 << 0;
  QTest::newRow("254") << 254 << 255 << 0 << 255 << 0;
  QTest::newRow("256") << 256 << 255 << 0 << 255 << 0;
}

void TestConfigModel::triggerOutsideTheLists() {
  QFETCH(int, value);
  QFETCH(int, extendedCode);
  QFETCH(int, extendedPosition);
  QFETCH(int, baseCode);
  QFETCH(int, basePosition);
  QCOMPARE(PositionToTriggerCode(value), extendedCode);
  QCOMPARE(TriggerCodeToPosition(value), extendedPosition);
  QCOMPARE(BasePositionToTriggerCode(value), baseCode);
  QCOMPARE(TriggerCodeToBasePosition(value), basePosition);
}

void TestConfigModel::levels_data() {
  QTest::addColumn<int>("position");
  QTest::addColumn<int>("level");
  QTest::addColumn<int>("levelBack");  // TriggerLevelToPosition(level)
  QTest::newRow("GND") << 0 << 1 << 0;
  QTest::newRow("OPEN") << 1 << 16 << 1;
  QTest::newRow("none") << -1 << 1 << 0;
  QTest::newRow("2") << 2 << 1 << 0;
}

void TestConfigModel::levels() {
  QFETCH(int, position);
  QFETCH(int, level);
  QFETCH(int, levelBack);
  QCOMPARE(PositionToTriggerLevel(position), level);
  QCOMPARE(TriggerLevelToPosition(level), levelBack);
  QCOMPARE(TriggerLevelToPosition(7), 0);
  QCOMPARE(TriggerLevelToPosition(0), 0);
}

void TestConfigModel::tenthsFromText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("tenths");
  QTest::newRow("2.3") << QStringLiteral("2.3") << 23;
  QTest::newRow("2,3") << QStringLiteral("2,3") << 23;
  QTest::newRow("2.35") << QStringLiteral("2.35") << 23;
  QTest::newRow("empty") << QString() << 0;
  QTest::newRow("CONT.") << QStringLiteral("CONT.") << 0;
  QTest::newRow("90.9") << QStringLiteral("90.9") << 909;
  QTest::newRow("12.7") << QStringLiteral("12.7") << 127;
  QTest::newRow("11,5") << QStringLiteral("11,5") << 115;
  QTest::newRow("leading blanks") << QStringLiteral("   4.5") << 45;
  QTest::newRow("trailing junk") << QStringLiteral("7.2 A") << 72;
  QTest::newRow("negative") << QStringLiteral("-1.5") << -15;
  QTest::newRow("plus") << QStringLiteral("+3") << 30;
  QTest::newRow("point first") << QStringLiteral(".5") << 5;
  QTest::newRow("point last") << QStringLiteral("5.") << 50;
  QTest::newRow("exponent") << QStringLiteral("1e1") << 100;
  QTest::newRow("exponent sign") << QStringLiteral("25E-1") << 25;
  QTest::newRow("bare e") << QStringLiteral("1e") << 10;
  QTest::newRow("sign only") << QStringLiteral("-") << 0;
  QTest::newRow("point only") << QStringLiteral(".") << 0;
  QTest::newRow("two points") << QStringLiteral("1.2.3") << 12;
  QTest::newRow("25.9") << QStringLiteral("25.9") << 259;
  QTest::newRow("non-Latin text") << QStringLiteral("\u4E2D3") << 0;
  QTest::newRow("huge") << QStringLiteral("1e999") << std::numeric_limits<int>::max();
  QTest::newRow("tiny") << QStringLiteral("1e-999") << 0;
  QTest::newRow("long zeros") << (QStringLiteral("0.") + QString(400, QLatin1Char('0')) + QStringLiteral("1")) << 0;
  QTest::newRow("long digits") << QString(400, QLatin1Char('9')) << std::numeric_limits<int>::max();
  QTest::newRow("huge negative") << QStringLiteral("-1e999") << std::numeric_limits<int>::min();
  QTest::newRow("beyond int") << QStringLiteral("300000000") << std::numeric_limits<int>::max();
}

void TestConfigModel::tenthsFromText() {
  QFETCH(QString, text);
  QFETCH(int, tenths);
  QCOMPARE(TenthsFromText(text), tenths);
}

void TestConfigModel::textFromTenths_data() {
  QTest::addColumn<int>("tenths");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("onTime");
  QTest::newRow("0") << 0 << QStringLiteral("0.0") << QStringLiteral("CONT.");
  QTest::newRow("1") << 1 << QStringLiteral("0.1") << QStringLiteral("0.1");
  QTest::newRow("905") << 905 << QStringLiteral("90.5") << QStringLiteral("90.5");
  QTest::newRow("100") << 100 << QStringLiteral("10.0") << QStringLiteral("10.0");
  QTest::newRow("255") << 255 << QStringLiteral("25.5") << QStringLiteral("25.5");
  QTest::newRow("-5") << -5 << QStringLiteral("-0.5") << QStringLiteral("-0.5");
  QTest::newRow("12345") << 12345 << QStringLiteral("1234.5") << QStringLiteral("1234.5");
}

void TestConfigModel::textFromTenths() {
  QFETCH(int, tenths);
  QFETCH(QString, text);
  QFETCH(QString, onTime);
  QCOMPARE(TextFromTenths(tenths), text);
  QCOMPARE(OnTimeText(tenths), onTime);
  // A shown text reads back as the same tenths.
  QCOMPARE(TenthsFromText(TextFromTenths(tenths)), tenths);
}

void TestConfigModel::flashSlots_data() {
  QTest::addColumn<QList<int>>("ticked");  // output numbers
  QTest::addColumn<QList<int>>("slots");
  QTest::newRow("3 and 20") << QList<int>{3, 20} << QList<int>{2, 19, 255, 255};
  QTest::newRow("none") << QList<int>{} << QList<int>{255, 255, 255, 255};
  QTest::newRow("1 and 34") << QList<int>{34, 1} << QList<int>{0, 33, 255, 255};
  QTest::newRow("four") << QList<int>{5, 6, 7, 8} << QList<int>{4, 5, 6, 7};
  QTest::newRow("six keep the first four") << QList<int>{30, 2, 9, 11, 17, 22} << QList<int>{1, 8, 10, 16};
}

void TestConfigModel::flashSlots() {
  QFETCH(QList<int>, ticked);
  QFETCH(QList<int>, slots);
  OutputList list;
  for (int n : ticked) list.set(std::size_t(n - 1));
  const auto got = FlashSlotsFromOutputs(list);
  for (int i = 0; i < 4; ++i) QCOMPARE(int(got[std::size_t(i)]), slots[i]);
}

void TestConfigModel::flashOutputsFromSlots() {
  const OutputList shown = FlashOutputsFromSlots({2, 34, 19, 255});
  QCOMPARE(shown.count(), std::size_t(2));
  QVERIFY(shown[2]);
  QVERIFY(shown[19]);
  QVERIFY(FlashOutputsFromSlots({255, 255, 200, 34}).none());
  QVERIFY(FlashOutputsFromSlots({33, 0, 0, 0})[33]);
}

void TestConfigModel::namesAreCut_data() {
  QTest::addColumn<QByteArray>("written");
  QTest::addColumn<QByteArray>("held");
  QTest::newRow("short") << QByteArray("Pump") << QByteArray("Pump");
  QTest::newRow("15") << QByteArray("ABCDEFGHIJKLMNO") << QByteArray("ABCDEFGHIJKLMNO");
  QTest::newRow("20") << QByteArray("ABCDEFGHIJKLMNOPQRST") << QByteArray("ABCDEFGHIJKLMNO");
  QTest::newRow("high bytes") << QByteArray("Z\xE4hler \x80\x81\x9D 1234567") << QByteArray("Z\xE4hler \x80\x81\x9D 1234");
  QTest::newRow("NUL ends") << QByteArray("AB\0CD", 5) << QByteArray("AB");
  QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestConfigModel::namesAreCut() {
  QFETCH(QByteArray, written);
  QFETCH(QByteArray, held);
  ConfigModel m;
  m.ModifyInput(3, [&](InputConfig& r) { r.NAME = written; });
  m.ModifyOutput(34, [&](OutputConfig& r) { r.NAME = written; });
  m.ModifyCanInput(32, [&](CanInputConfig& r) { r.CAN_NAME = written; });
  m.ModifyVirtualInput(20, [&](VirtualInputConfig& r) { r.VIRTUAL_NAME = written; });
  m.ModifyFlash(5, [&](FlashConfig& r) { r.FLASH_NAME = written; });
  m.SetBoxName(written);
  QCOMPARE(m.Input(3).NAME, held);
  QCOMPARE(m.Output(34).NAME, held);
  QCOMPARE(m.CanInput(32).CAN_NAME, held);
  QCOMPARE(m.VirtualInput(20).VIRTUAL_NAME, held);
  QCOMPARE(m.Flash(5).FLASH_NAME, held);
  QCOMPARE(m.BoxName(), held);
  m.ModifyCanInput(1, [&](CanInputConfig& r) { r.DIMENSION_NAME = written; });
  QCOMPARE(m.CanInput(1).DIMENSION_NAME, held.left(5));
}

void TestConfigModel::flashNameStaysInItsRecord() {
  ConfigModel m;
  m.ModifyFlash(2, [](FlashConfig& r) { r.ENABLED = 7; });
  m.ModifyFlash(1, [](FlashConfig& r) { r.FLASH_NAME = "123456789012345"; });
  m.ModifyFlash(1, [](FlashConfig& r) { r.FLASH_NAME = "1234567890123456789"; });
  QCOMPARE(m.Flash(1).FLASH_NAME.size(), 15);
  QCOMPARE(m.Flash(2).ENABLED, uint8_t(7));
}

void TestConfigModel::outOfRangeRecords() {
  ConfigModel m;
  QSignalSpy spy(&m, &ConfigModel::Changed);
  QVERIFY(!m.ModifyInput(0, [](InputConfig& r) { r.MODE = 1; }));
  QVERIFY(!m.ModifyInput(12, [](InputConfig& r) { r.MODE = 1; }));
  QVERIFY(!m.ModifyOutput(35, [](OutputConfig& r) { r.DELAY = 1; }));
  QVERIFY(!m.ModifyCanInput(33, [](CanInputConfig& r) { r.ENABLED = true; }));
  QVERIFY(!m.ModifyVirtualInput(-1, [](VirtualInputConfig& r) { r.MASK_NOT = 1; }));
  QVERIFY(!m.ModifyFlash(6, [](FlashConfig& r) { r.ENABLED = 1; }));
  QVERIFY(!m.ModifyCanExport(5, [](CanExportConfig& r) { r.ENABLED = true; }));
  QCOMPARE(spy.count(), 0);
  QVERIFY(m.Input(12).NAME.isEmpty());
  QCOMPARE(m.Input(12).MODE, kNoSelection);
  QVERIFY(!m.CanExport(0).ENABLED);
}

void TestConfigModel::changeNotification_data() {
  QTest::addColumn<int>("which");
  QTest::addColumn<ConfigBlock>("block");
  QTest::addColumn<int>("index");
  QTest::newRow("input 4") << 0 << ConfigBlock::Input << 4;
  QTest::newRow("input block") << 1 << ConfigBlock::Input << -1;
  QTest::newRow("output 34") << 2 << ConfigBlock::Output << 34;
  QTest::newRow("output block") << 3 << ConfigBlock::Output << -1;
  QTest::newRow("low battery") << 4 << ConfigBlock::LowBattery << -1;
  QTest::newRow("start") << 5 << ConfigBlock::StartButton << -1;
  QTest::newRow("kill") << 6 << ConfigBlock::KillButton << -1;
  QTest::newRow("can setup") << 7 << ConfigBlock::CanSetup << -1;
  QTest::newRow("can input 32") << 8 << ConfigBlock::CanInput << 32;
  QTest::newRow("can input enable") << 9 << ConfigBlock::CanInputEnable << -1;
  QTest::newRow("virtual 1") << 10 << ConfigBlock::VirtualInput << 1;
  QTest::newRow("flash 5") << 11 << ConfigBlock::Flash << 5;
  QTest::newRow("wiper") << 12 << ConfigBlock::Wiper << -1;
  QTest::newRow("export 3") << 13 << ConfigBlock::CanExport << 3;
  QTest::newRow("box name") << 14 << ConfigBlock::BoxName << -1;
}

void TestConfigModel::changeNotification() {
  QFETCH(int, which);
  QFETCH(ConfigBlock, block);
  QFETCH(int, index);
  ConfigModel m;
  QSignalSpy spy(&m, &ConfigModel::Changed);
  switch (which) {
    case 0: m.ModifyInput(4, [](InputConfig& r) { r.MODE = 1; }); break;
    case 1: m.ModifyInputBlock([](InputBlockConfig& r) { r.PWM_ENABLE = true; }); break;
    case 2: m.ModifyOutput(34, [](OutputConfig& r) { r.DELAY = 5; }); break;
    case 3: m.ModifyOutputBlock([](OutputBlockConfig& r) { r.PWM_2 = true; }); break;
    case 4: m.ModifyLowBattery([](LowBatteryConfig& r) { r.LOW_TRIG = QStringLiteral("11.5"); }); break;
    case 5: m.ModifyStartButton([](StartButtonConfig& r) { r.INPUT_TRIGGER_INDEX = 3; }); break;
    case 6: m.ModifyKillButton([](KillButtonConfig& r) { r.INPUT_DELAY = 4; }); break;
    case 7: m.ModifyCanSetup([](CanSetupConfig& r) { r.BitRate = 500; }); break;
    case 8: m.ModifyCanInput(32, [](CanInputConfig& r) { r.CAN_ID_ON = 0x123; }); break;
    case 9: m.ModifyCanInputEnable([](CanInputEnableConfig& r) { r.ENABLE = true; }); break;
    case 10: m.ModifyVirtualInput(1, [](VirtualInputConfig& r) { r.MASK_NOT = 5; }); break;
    case 11: m.ModifyFlash(5, [](FlashConfig& r) { r.DURATION = 9; }); break;
    case 12: m.ModifyWiper([](WiperConfig& r) { r.INTERVAL_TIME = 4; }); break;
    case 13: m.ModifyCanExport(3, [](CanExportConfig& r) { r.ENABLED = true; }); break;
    case 14: m.SetBoxName("Truck"); break;
  }
  QCOMPARE(spy.count(), 1);
  QCOMPARE(spy.at(0).at(0).value<ConfigBlock>(), block);
  QCOMPARE(spy.at(0).at(1).toInt(), index);
}

void TestConfigModel::nameChangeNotification() {
  ConfigModel m;
  QSignalSpy names(&m, &ConfigModel::NameChanged);
  m.ModifyInput(2, [](InputConfig& r) { r.MODE = 0; });  // no name change
  QCOMPARE(names.count(), 0);
  m.ModifyInput(2, [](InputConfig& r) { r.NAME = "Horn"; });
  QCOMPARE(names.count(), 1);
  QCOMPARE(names.at(0).at(0).value<ConfigBlock>(), ConfigBlock::Input);
  QCOMPARE(names.at(0).at(1).toInt(), 2);
  m.ModifyInput(2, [](InputConfig& r) { r.NAME = "Horn"; });  // the same name again
  QCOMPARE(names.count(), 1);
  m.ModifyOutput(7, [](OutputConfig& r) { r.NAME = "Fan"; });
  m.ModifyCanInput(9, [](CanInputConfig& r) { r.CAN_NAME = "Door"; });
  m.ModifyVirtualInput(3, [](VirtualInputConfig& r) { r.VIRTUAL_NAME = "Logic"; });
  QCOMPARE(names.count(), 4);
  QCOMPARE(names.at(3).at(0).value<ConfigBlock>(), ConfigBlock::VirtualInput);
  m.ModifyFlash(1, [](FlashConfig& r) { r.FLASH_NAME = "Blink"; });
  m.SetBoxName("Box");
  QCOMPARE(names.count(), 4);
  // A cut that leaves the name as it was is no change.
  m.ModifyOutput(8, [](OutputConfig& r) { r.NAME = "ABCDEFGHIJKLMNO"; });
  QCOMPARE(names.count(), 5);
  m.ModifyOutput(8, [](OutputConfig& r) { r.NAME = "ABCDEFGHIJKLMNOXYZ"; });
  QCOMPARE(names.count(), 5);
}

void TestConfigModel::batchNotifiesOncePerBlock() {
  ConfigModel m;
  QSignalSpy spy(&m, &ConfigModel::Changed);
  QSignalSpy names(&m, &ConfigModel::NameChanged);
  {
    ConfigModel::UpdateBatch outer(m);
    for (int n = 1; n <= kOutputCount; ++n) m.ModifyOutput(n, [](OutputConfig& r) { r.DELAY = 3; });
    {
      ConfigModel::UpdateBatch inner(m);
      m.ModifyInput(1, [](InputConfig& r) { r.NAME = "Ignition"; });
      m.ModifyInput(2, [](InputConfig& r) { r.NAME = "Lights"; });
    }
    QCOMPARE(spy.count(), 0);  // the inner end is not the outer end
    QVERIFY(m.InUpdate());
    m.ModifyWiper([](WiperConfig& r) { r.INTERVAL_TIME = 5; });
    QCOMPARE(m.Output(20).DELAY, OptionalNumber(3));  // values are there at once
  }
  QVERIFY(!m.InUpdate());
  QCOMPARE(spy.count(), 3);
  QSet<int> blocks;
  for (const auto& call : spy) {
    blocks.insert(int(call.at(0).value<ConfigBlock>()));
    QCOMPARE(call.at(1).toInt(), -1);
  }
  QCOMPARE(blocks, (QSet<int>{int(ConfigBlock::Output), int(ConfigBlock::Input), int(ConfigBlock::Wiper)}));
  QCOMPARE(names.count(), 1);
  QCOMPARE(names.at(0).at(0).value<ConfigBlock>(), ConfigBlock::Input);
  QCOMPARE(names.at(0).at(1).toInt(), -1);
  // An unmatched end does nothing.
  m.EndUpdate();
  m.ModifyWiper([](WiperConfig& r) { r.INTERVAL_TIME = 6; });
  QCOMPARE(spy.count(), 4);
}

void TestConfigModel::resetRestoresStartValues() {
  ConfigModel m;
  m.ModifyInput(1, [](InputConfig& r) { r.NAME = "X"; r.MODE = 1; });
  m.ModifyCanExport(2, [](CanExportConfig& r) { r.CHANNEL_INDEX_[5] = 3; });
  m.SetBoxName("B");
  QSignalSpy spy(&m, &ConfigModel::Changed);
  m.Reset();
  QCOMPARE(m.Input(1).NAME, QByteArray("CH 1"));
  QCOMPARE(m.Input(1).MODE, kNoSelection);
  QCOMPARE(m.CanExport(2).CHANNEL_INDEX_[5], kNoSelection);
  QVERIFY(m.BoxName().isEmpty());
  QCOMPARE(spy.count(), 13);
}

void TestConfigModel::exportEntryCounts() {
  QCOMPARE(CanExportEntryCount(1), 18);
  QCOMPARE(CanExportEntryCount(2), 34);
  QCOMPARE(CanExportEntryCount(3), 34);
  QCOMPARE(CanExportEntryCount(4), 64);
  QCOMPARE(CanExportEntryCount(5), 0);
  QCOMPARE(CanExportListSize(1), 19);
  QCOMPARE(CanExportListSize(4), 47);
  QCOMPARE(CanExportListSize(0), 0);
}

void TestConfigModel::cp1252RoundTrip() {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all += char(b);
  const QString text = Cp1252ToString(all);
  QCOMPARE(text.size(), 256);
  QCOMPARE(text.at(0x80), QChar(0x20AC));
  QCOMPARE(text.at(0x9F), QChar(0x0178));
  QCOMPARE(text.at(0xE4), QChar(0xE4));
  bool ok = false;
  QCOMPARE(StringToCp1252(text, &ok), all);
  QVERIFY(ok);
  QCOMPARE(StringToCp1252(QStringLiteral("a\u20ACb\u4E2D"), &ok), QByteArray("a\x80" "b?"));
  QVERIFY(!ok);
  QVERIFY(IsCp1252Char(QChar(0x2122)));
  QVERIFY(!IsCp1252Char(QChar(0x0100)));
}

QTEST_GUILESS_MAIN(TestConfigModel)
#include "test_config_model.moc"

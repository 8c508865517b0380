// The configuration file as written: its path, the golden file of a fresh model, section
// and key order, the round trips, and the defaults of a file that is missing.

#include "test_config_file.h"

#include <QTemporaryDir>
#include <QTest>

using namespace relvane;
using namespace relvane::test;

namespace {

QStringList Strings(std::initializer_list<const char*> texts) {
  QStringList out;
  for (const char* t : texts) out << QString::fromLatin1(t);
  return out;
}

// The section and key names of a written file, in file order ("[S]" for a section line).
QStringList Layout(const QByteArray& bytes) {
  QStringList out;
  for (const QByteArray& line : bytes.split('\n')) {
    if (line.isEmpty()) continue;
    const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
    out << QString::fromLatin1(l.startsWith('[') ? l : l.left(l.indexOf('=')));
  }
  return out;
}

}  // namespace

namespace relvane::test {

void Vary(ConfigModel& m) {
  for (int n = 1; n <= kInputCount; ++n)
    m.ModifyInput(n, [n](InputConfig& r) { r.NAME = "In " + QByteArray::number(n) + "\xE9"; r.MODE = n % 2; });
  m.ModifyInputBlock([](InputBlockConfig& b) { b.PWM_ENABLE = true; });
  for (int n = 1; n <= kOutputCount; ++n)
    m.ModifyOutput(n, [n](OutputConfig& r) {
      r.NAME = "Out " + QByteArray::number(n);
      r.TRIGGER = PositionToTriggerCode(n % kTriggerListSize);
      r.TRIGLEVEL = n % 3 ? 1 : 16;
      r.DELAY = n;
      r.ON_TIME = 2 * n;
      if (n <= kHighPowerOutputCount) {
        r.MAX_CURRENT = 900 + n;
        r.PEAK_TIME = 50 + n;
        r.LOW_CURRENT = 10 + n;
        r.LOW_CURRENT_TIME = 200 + n;
      }
    });
  m.ModifyOutputBlock([](OutputBlockConfig& b) { b.AutoResetError = QStringLiteral("25"); b.PWM_1 = true; });
  m.ModifyLowBattery([](LowBatteryConfig& r) {
    r.LOW_TRIG = QStringLiteral("11.5");
    r.UPPER_TRIG = QStringLiteral("12,8");
    r.LIST_SELECTED.set(1).set(4).set(33);
  });
  m.ModifyStartButton([](StartButtonConfig& r) { r.INPUT_TRIGGER_INDEX = 66; r.LIST_SELECTED.set(0); });
  m.ModifyKillButton([](KillButtonConfig& r) { r.INPUT_TRIGGER_INDEX = 3; r.INPUT_DELAY = 300; r.LIST_SELECTED.set(20); });
  m.ModifyCanSetup([](CanSetupConfig& r) {
    r.BitRate = 500;
    r.NoCANdelay = QStringLiteral("2000");
    r.ResetChannelErrorID = QStringLiteral("7FF");
    r.ResetChannelErrorDataByte = 7;
    r.ResetChannelErrorMask = QStringLiteral("80");
  });
  for (int n = 1; n <= kCanInputCount; ++n)
    m.ModifyCanInput(n, [n](CanInputConfig& r) {
      r.ENABLED = n % 2;
      r.NO_CAN_DATA_STATE = n % 3;
      r.CAN_ID_ON = 0x100 + n;
      r.CAN_ID_OFF = 0x200 + n;
      r.CAN_OPERATOR_ON = n % 6;
      r.CAN_OPERATOR_OFF = -1;
      r.CAN_VALUE_ON = -n;
      r.CAN_VALUE_OFF = 65535;
      r.CAN_HIGH_BYTE_ON_POS = 1;
      r.CAN_LOW_BYTE_ON_POS = 2;
      r.CAN_HIGH_BYTE_OFF_POS = 9;
      r.CAN_LOW_BYTE_OFF_POS = 8;
      r.CAN_NAME = "Can in " + QByteArray::number(n);
      r.ROW_ENABLED = true;
      r.ROW_INDEX = 7;
      r.ROW_VALUE = 200;
      r.DATA_TYPE_ = 1;
      r.DIMENSION_NAME = "km/h";
      r.MULTIPLICATOR_ = 0.1f * float(n);
      r.CAL_OFFSET_ = int8_t(-n);
    });
  m.ModifyCanInputEnable([](CanInputEnableConfig& r) { r.ENABLE = true; r.INPUT_PIN = 10; });
  for (int n = 1; n <= kVirtualInputCount; ++n)
    m.ModifyVirtualInput(n, [n](VirtualInputConfig& r) {
      r.IN_DELAY_1_ = uint8_t(n);
      r.IN_DELAY_2_ = 100;
      r.IN_DELAY_3_ = 255;
      r.CHANNEL_1_Index = uint8_t(n + 1);
      r.CHANNEL_2_Index = 1;
      r.CHANNEL_3_Index = 66;
      r.OPERATOR_1_Index = 2;
      r.OPERATOR_2_Index = -1;
      r.MASK_NOT = 5;
      r.VIRTUAL_NAME = "Logic " + QByteArray::number(n);
    });
  for (int n = 1; n <= kFlashCount; ++n)
    m.ModifyFlash(n, [n](FlashConfig& r) {
      r.ENABLED = 1;
      r.CONTINUES = uint8_t(n % 2);
      r.INPUT_TRIGGER = 0xC3;
      r.FLASH_TIME_ON = 5;
      r.FLASH_TIME_OFF = 250;
      r.DURATION = uint8_t(n * 10);
      r.CHANNEL_LIST = {2, 19, 255, 255};
      r.FLASH_NAME = "Beacon " + QByteArray::number(n);
    });
  m.ModifyWiper([](WiperConfig& r) {
    r.LOW_SPEED_INPUT = 0xC0;
    r.HIGH_SPEED_INPUT = 5;
    r.INTERVAL_INPUT = 40;
    r.HOME_PARK_INPUT = 255;
    r.HOME_PARK_LEVEL = 0;
    r.INTERVAL_TIME = 250;
  });
  for (int x = 1; x <= kCanExportCount; ++x)
    m.ModifyCanExport(x, [x](CanExportConfig& r) {
      r.ENABLED = true;
      r.CAN_ID = 0x300 + x;
      r.REFRESS_TIME = 20 * x;
      r.ROW_COUNT = x == 1 ? 5 : 12;
      for (int k = 0; k < CanExportEntryCount(x); ++k) r.CHANNEL_INDEX_[std::size_t(k)] = k % CanExportListSize(x);
    });
  m.SetBoxName("Truck 7");
}

}  // namespace relvane::test

void TestConfigFile::cfgPath_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("cfg");
  QTest::newRow("txt") << "/tmp/a/setup.txt" << "/tmp/a/setup.cfg";
  QTest::newRow("none") << "/tmp/a/setup" << "/tmp/a/setup.cfg";
  QTest::newRow("cfg") << "/tmp/a/setup.cfg" << "/tmp/a/setup.cfg";
  QTest::newRow("CFG") << "/tmp/a/setup.CFG" << "/tmp/a/setup.cfg";
  QTest::newRow("two dots") << "/tmp/a/set.up.ini" << "/tmp/a/set.up.cfg";
  QTest::newRow("dot in folder") << "/tmp/a.b/setup" << "/tmp/a.b/setup.cfg";
  QTest::newRow("trailing dot") << "setup." << "setup.cfg";
  QTest::newRow("relative") << "setup.txt" << "setup.cfg";
}

void TestConfigFile::cfgPath() {
  QFETCH(QString, path);
  QFETCH(QString, cfg);
  QCOMPARE(ConfigFilePath(path), cfg);
}

void TestConfigFile::freshModelGolden_data() {
  QTest::addColumn<QString>("section");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QByteArray>("value");
  QTest::newRow("input name") << "INPUT" << "NAME1" << QByteArray("CH 1");
  QTest::newRow("input name 11") << "INPUT" << "NAME11" << QByteArray("CH 11");
  QTest::newRow("mode") << "INPUT" << "MODE1" << QByteArray("255");
  QTest::newRow("mode 11") << "INPUT" << "MODE11" << QByteArray("255");
  QTest::newRow("pwm enable") << "INPUT" << "PWM_ENABLE" << QByteArray("0");
  QTest::newRow("auto reset") << "OUTPUT" << "AutoResetError" << QByteArray("0");
  QTest::newRow("output name") << "OUTPUT" << "NAME34" << QByteArray("");
  QTest::newRow("trigger") << "OUTPUT" << "TRIGGER1" << QByteArray("255");
  QTest::newRow("trigger 34") << "OUTPUT" << "TRIGGER34" << QByteArray("255");
  QTest::newRow("trig level") << "OUTPUT" << "TRIGLEVEL7" << QByteArray("1");
  QTest::newRow("delay") << "OUTPUT" << "DELAY1" << QByteArray("0");
  QTest::newRow("max current") << "OUTPUT" << "MAX_CURRENT18" << QByteArray("0");
  QTest::newRow("on time") << "OUTPUT" << "ON_TIME34" << QByteArray("0");
  QTest::newRow("low trig") << "LOW_BATTERY" << "LOW_TRIG" << QByteArray("");
  QTest::newRow("list count") << "LOW_BATTERY" << "OUTPUT_LIST_COUNT" << QByteArray("34");
  QTest::newRow("list 33") << "LOW_BATTERY" << "LIST_SELECTED33" << QByteArray("0");
  QTest::newRow("start trigger") << "START BUTTON" << "INPUT_TRIGGER_INDEX" << QByteArray("-1");
  QTest::newRow("kill delay") << "KILL BUTTON" << "INPUT_DELAY" << QByteArray("10");
  QTest::newRow("bit rate") << "CAN_SETUP" << "BitRate" << QByteArray("1000");
  QTest::newRow("no CAN delay") << "CAN_SETUP" << "NoCANdelay" << QByteArray("15");
  QTest::newRow("reset id") << "CAN_SETUP" << "ResetChannelErrorID" << QByteArray("");
  QTest::newRow("reset data byte") << "CAN_SETUP" << "ResetChannelErrorDataByte" << QByteArray("-1");
  QTest::newRow("reset mask") << "CAN_SETUP" << "ResetChannelErrorMask" << QByteArray("01");
  QTest::newRow("can name") << "CAN_INPUT" << "CAN_NAME32" << QByteArray("CAN 32");
  QTest::newRow("multiplicator") << "CAN_INPUT" << "MULTIPLICATOR_1" << QByteArray("0");
  QTest::newRow("byte pos") << "CAN_INPUT" << "CAN_HIGH_BYTE_ON_POS1" << QByteArray("0");
  QTest::newRow("input pin") << "CAN_INPUT_ENABLE" << "INPUT_PIN" << QByteArray("-1");
  QTest::newRow("virtual name") << "VIRTUAL_INPUT" << "VIRTUAL_NAME20" << QByteArray("Virtual 20");
  QTest::newRow("flash slot") << "FLASH" << "CHANNEL_LIST1index 0" << QByteArray("0");
  QTest::newRow("flash name") << "FLASH" << "FLASH_NAME5" << QByteArray("");
  QTest::newRow("wiper input") << "WIPER" << "LOW_SPEED_INPUT" << QByteArray("255");
  QTest::newRow("home park level") << "WIPER" << "HOME_PARK_LEVEL" << QByteArray("-1");
  QTest::newRow("interval") << "WIPER" << "INTERVAL_TIME" << QByteArray("30");
  QTest::newRow("row count") << "CAN_EXPORT_1" << "ROW_COUNT" << QByteArray("12");
  QTest::newRow("export 1 entry") << "CAN_EXPORT_1" << "CHANNEL_INDEX_18" << QByteArray("-1");
  QTest::newRow("export 4 entry") << "CAN_EXPORT_4" << "CHANNEL_INDEX_63" << QByteArray("-1");
}

void TestConfigFile::freshModelGolden() {
  QFETCH(QString, section);
  QFETCH(QString, key);
  QFETCH(QByteArray, value);
  ConfigModel m;
  const QByteArray bytes = Written(m);
  QByteArray header = "[" + section.toLatin1() + "]\r\n";
  const qsizetype at = bytes.indexOf(header);
  QVERIFY(at >= 0);
  const qsizetype next = bytes.indexOf("\r\n[", at + header.size());
  const QByteArray body = bytes.mid(at, next < 0 ? -1 : next - at + 2);
  QVERIFY2(body.contains("\r\n" + key.toLatin1() + "=" + value + "\r\n"), qPrintable(key));
  QVERIFY(bytes.startsWith("[INPUT]\r\nNAME1=CH 1\r\nMODE1=255\r\nNAME2=CH 2\r\n"));
}

void TestConfigFile::sectionAndKeyOrder() {
  ConfigModel m;
  const QStringList layout = Layout(Written(m));
  QStringList sections;
  for (const QString& s : layout)
    if (s.startsWith(QLatin1Char('['))) sections << s;
  QCOMPARE(sections, Strings({"[INPUT]", "[OUTPUT]", "[LOW_BATTERY]", "[START BUTTON]", "[KILL BUTTON]",
                                  "[CAN_SETUP]", "[CAN_INPUT]", "[CAN_INPUT_ENABLE]", "[VIRTUAL_INPUT]", "[FLASH]",
                                  "[WIPER]", "[CAN_EXPORT_1]", "[CAN_EXPORT_2]", "[CAN_EXPORT_3]", "[CAN_EXPORT_4]"}));
  // Sizes of the sections: keys per block.
  QList<int> sizes;
  for (const QString& s : layout) {
    if (s.startsWith(QLatin1Char('['))) sizes << 0;
    else ++sizes.last();
  }
  QCOMPARE(sizes, (QList<int>{23, 245, 37, 36, 37, 5, 640, 2, 200, 55, 6, 22, 37, 37, 67}));
  const auto after = [&](const QString& key) { return layout.at(layout.indexOf(key) + 1); };
  QCOMPARE(after(QStringLiteral("[OUTPUT]")), QStringLiteral("AutoResetError"));
  QCOMPARE(after(QStringLiteral("NAME34")), QStringLiteral("TRIGGER1"));
  QCOMPARE(after(QStringLiteral("DELAY34")), QStringLiteral("MAX_CURRENT1"));
  QCOMPARE(after(QStringLiteral("MAX_CURRENT18")), QStringLiteral("PEAK_TIME1"));
  QCOMPARE(after(QStringLiteral("LOW_CURRENT_TIME18")), QStringLiteral("ON_TIME1"));
  QCOMPARE(after(QStringLiteral("ON_TIME34")), QStringLiteral("PWM_1"));
  QCOMPARE(after(QStringLiteral("CAL_OFFSET_1")), QStringLiteral("ENABLED2"));
  QCOMPARE(after(QStringLiteral("MASK_NOT3")), QStringLiteral("VIRTUAL_NAME3"));
  QCOMPARE(after(QStringLiteral("INPUT_TRIGGER1")), QStringLiteral("CHANNEL_LIST1index 0"));
  QCOMPARE(after(QStringLiteral("CHANNEL_LIST1index 3")), QStringLiteral("FLASH_TIME_ON1"));
  QCOMPARE(after(QStringLiteral("[CAN_EXPORT_1]")), QStringLiteral("ENABLED"));
  QCOMPARE(after(QStringLiteral("CAN_ID_1")), QStringLiteral("ROW_COUNT"));
  QCOMPARE(after(QStringLiteral("ROW_COUNT")), QStringLiteral("REFRESS_TIME_1"));
  QCOMPARE(after(QStringLiteral("REFRESS_TIME_1")), QStringLiteral("CHANNEL_INDEX_1"));
  QCOMPARE(layout.last(), QStringLiteral("CHANNEL_INDEX_63"));
}

void TestConfigFile::freshRoundTripIsByteIdentical() {
  QTemporaryDir dir;
  ConfigModel first;
  QString error;
  QVERIFY(SaveConfigFile(first, dir.filePath(QStringLiteral("one.cfg")), &error));
  ConfigModel second;
  QVERIFY(LoadConfigFile(second, dir.filePath(QStringLiteral("one.cfg")), &error));
  QVERIFY(SaveConfigFile(second, dir.filePath(QStringLiteral("two.cfg")), &error));
  const QByteArray one = ReadAll(dir.filePath(QStringLiteral("one.cfg")));
  QVERIFY(one.size() > 10000);
  QCOMPARE(ReadAll(dir.filePath(QStringLiteral("two.cfg"))), one);
  // Every line ends with CR LF.
  QCOMPARE(one.count('\n'), one.count("\r\n"));
}

void TestConfigFile::variedModelRoundTrip() {
  ConfigModel m;
  Vary(m);
  const QByteArray bytes = Written(m);
  ConfigModel back;
  Read(back, bytes);
  QCOMPARE(Written(back), bytes);
  QCOMPARE(back.Input(3).NAME, QByteArray("In 3\xE9"));
  QCOMPARE(back.Input(3).MODE, 1);
  QCOMPARE(back.Output(18).MAX_CURRENT, OptionalNumber(918));
  QCOMPARE(back.Output(18).LOW_CURRENT_TIME, OptionalNumber(218));
  QCOMPARE(back.Output(19).MAX_CURRENT, OptionalNumber());  // no such value on low-power channels
  QCOMPARE(back.Output(9).TRIGLEVEL, 16);
  QCOMPARE(back.Output(5).TRIGGER, PositionToTriggerCode(5));
  QCOMPARE(back.OutputBlock().AutoResetError, QStringLiteral("25"));
  QCOMPARE(back.LowBattery().UPPER_TRIG, QStringLiteral("12,8"));
  QCOMPARE(back.LowBattery().LIST_SELECTED, m.LowBattery().LIST_SELECTED);
  QCOMPARE(back.StartButton().INPUT_TRIGGER_INDEX, 66);
  QCOMPARE(back.KillButton().INPUT_DELAY, 300);
  QCOMPARE(back.CanSetup().ResetChannelErrorDataByte, 7);
  QCOMPARE(back.CanInput(7).MULTIPLICATOR_, 0.1f * 7.0f);
  QCOMPARE(back.CanInput(7).CAL_OFFSET_, int8_t(-7));
  QCOMPARE(back.CanInput(7).CAN_OPERATOR_OFF, -1);
  QCOMPARE(back.CanInput(7).DIMENSION_NAME, QByteArray("km/h"));
  QCOMPARE(back.VirtualInput(4).OPERATOR_2_Index, int8_t(-1));
  QVERIFY(bytes.contains("\r\nOPERATOR_2_Index4=-1\r\n"));
  QCOMPARE(back.Flash(2).CHANNEL_LIST, (std::array<uint8_t, 4>{2, 19, 255, 255}));
  QCOMPARE(back.Wiper().HOME_PARK_INPUT, 255);
  QCOMPARE(back.CanExport(1).ROW_COUNT, OptionalNumber(5));
  QCOMPARE(back.CanExport(4).CHANNEL_INDEX_[63], 63 % 47);
  QVERIFY(back.BoxName().isEmpty());  // never stored in files
}

void TestConfigFile::missingFileGivesDefaults() {
  QTemporaryDir dir;
  ConfigModel m;
  Vary(m);
  QString error;
  QVERIFY(LoadConfigFile(m, dir.filePath(QStringLiteral("absent.cfg")), &error));
  QVERIFY(error.isEmpty());
  QCOMPARE(m.Input(1).NAME, QByteArray("---"));
  QCOMPARE(m.Input(1).MODE, 0);
  QCOMPARE(m.Output(34).NAME, QByteArray("---"));
  QCOMPARE(m.Output(1).TRIGGER, 0);
  QCOMPARE(m.Output(1).TRIGLEVEL, 1);
  QCOMPARE(m.Output(1).MAX_CURRENT, OptionalNumber(100));
  QCOMPARE(m.Output(18).PEAK_TIME, OptionalNumber(100));
  QCOMPARE(m.Output(18).LOW_CURRENT, OptionalNumber(0));
  QCOMPARE(m.OutputBlock().AutoResetError, QStringLiteral("0"));
  QCOMPARE(m.LowBattery().LOW_TRIG, QStringLiteral("---"));
  QCOMPARE(m.LowBattery().UPPER_TRIG, QStringLiteral("---"));
  QVERIFY(m.LowBattery().LIST_SELECTED.none());
  QCOMPARE(m.StartButton().INPUT_TRIGGER_INDEX, 0);
  QCOMPARE(m.KillButton().INPUT_DELAY, 0);
  QCOMPARE(m.CanSetup().BitRate, 1000);
  QCOMPARE(m.CanSetup().NoCANdelay, QStringLiteral("10"));
  QCOMPARE(m.CanSetup().ResetChannelErrorDataByte, kNoSelection);
  QVERIFY(m.CanSetup().ResetChannelErrorMask.isEmpty());
  QCOMPARE(m.CanInput(1).CAN_NAME, QByteArray("CAN 1"));
  QCOMPARE(m.CanInput(32).CAN_NAME, QByteArray("CAN 32"));
  QCOMPARE(m.CanInput(32).MULTIPLICATOR_, 1.0f);
  QCOMPARE(m.CanInput(32).CAN_LOW_BYTE_OFF_POS, uint8_t(255));
  QCOMPARE(m.CanInput(32).CAN_HIGH_BYTE_ON_POS, uint8_t(255));
  QCOMPARE(m.CanInputEnable().INPUT_PIN, 0);
  QCOMPARE(m.VirtualInput(1).VIRTUAL_NAME, QByteArray("VIRTUAL 1"));
  QCOMPARE(m.VirtualInput(20).VIRTUAL_NAME, QByteArray("VIRTUAL 20"));
  QCOMPARE(m.Flash(1).FLASH_NAME, QByteArray("FLASH 1"));
  QCOMPARE(m.Flash(5).FLASH_NAME, QByteArray("FLASH 5"));
  QCOMPARE(m.Flash(5).CHANNEL_LIST, (std::array<uint8_t, 4>{255, 255, 255, 255}));
  QCOMPARE(m.Wiper().LOW_SPEED_INPUT, 0);
  QCOMPARE(m.Wiper().HOME_PARK_LEVEL, 1);
  QCOMPARE(m.Wiper().INTERVAL_TIME, 0);
  QCOMPARE(m.CanExport(1).ROW_COUNT, OptionalNumber(12));
  QCOMPARE(m.CanExport(1).REFRESS_TIME, OptionalNumber(100));
  QCOMPARE(m.CanExport(4).REFRESS_TIME, OptionalNumber(100));
  QCOMPARE(m.CanExport(2).CHANNEL_INDEX_[0], 0);
  QVERIFY(!m.CanExport(3).ENABLED);
  QVERIFY(m.BoxName().isEmpty());
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "moc_test_config_file.cpp"

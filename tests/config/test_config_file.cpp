#include "config/ConfigFile.h"
#include "config/ConfigModel.h"
#include "config/IniFile.h"
#include "config/ReadOnlyFolder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace relvane;

Q_DECLARE_METATYPE(relvane::ConfigBlock)

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray Written(const ConfigModel& m) {
  IniFile ini;
  ini.SetDecimalSeparator(QLatin1Char('.'));
  WriteConfig(m, ini);
  return ini.ToBytes();
}

void Read(ConfigModel& m, const QByteArray& content, QChar separator = QLatin1Char('.')) {
  IniFile ini;
  ini.SetDecimalSeparator(separator);
  ini.Parse(content);
  ReadConfig(m, ini);
}

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

// A model with a value other than its start value in every field.
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

}  // namespace

class TestConfigFile : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { qRegisterMetaType<ConfigBlock>(); }

  void cfgPath_data();
  void cfgPath();
  void freshModelGolden_data();
  void freshModelGolden();
  void sectionAndKeyOrder();
  void freshRoundTripIsByteIdentical();
  void variedModelRoundTrip();
  void missingFileGivesDefaults();
  void readConversions_data();
  void readConversions();
  void outputLists_data();
  void outputLists();
  void lowerCaseQuotesAndBlanks();
  void multiplicatorWithComma();
  void calOffset_data();
  void calOffset();
  void wiperCodesTheBaseListCannotShow();
  void loadNotifiesOncePerBlock();
  void saveWritesCfgAndLeavesNoLeftovers();
  void saveIntoReadOnlyFolderKeepsOldFile();
  void saveOntoDirectoryFails();
  void unreadableFileChangesNothing();
};

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

void TestConfigFile::readConversions_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<QString>("field");
  QTest::addColumn<int>("expected");
  QTest::newRow("BitRate 250") << QByteArray("[CAN_SETUP]\r\nBitRate=250\r\n") << "BitRate" << 1000;
  QTest::newRow("BitRate 500") << QByteArray("[CAN_SETUP]\r\nBitRate=500\r\n") << "BitRate" << 500;
  QTest::newRow("BitRate hex 500") << QByteArray("[CAN_SETUP]\r\nBitRate=0x1F4\r\n") << "BitRate" << 500;
  QTest::newRow("TRIGLEVEL 7") << QByteArray("[OUTPUT]\r\nTRIGLEVEL1=7\r\n") << "TRIGLEVEL1" << 1;
  QTest::newRow("TRIGLEVEL 16") << QByteArray("[OUTPUT]\r\nTRIGLEVEL1=16\r\n") << "TRIGLEVEL1" << 16;
  QTest::newRow("TRIGGER 100") << QByteArray("[OUTPUT]\r\nTRIGGER1=100\r\n") << "TRIGGER1" << 0;
  QTest::newRow("TRIGGER 54") << QByteArray("[OUTPUT]\r\nTRIGGER1=54\r\n") << "TRIGGER1" << 54;
  QTest::newRow("TRIGGER low 8 bits") << QByteArray("[OUTPUT]\r\nTRIGGER1=448\r\n") << "TRIGGER1" << 192;
  QTest::newRow("TRIGGER -1") << QByteArray("[OUTPUT]\r\nTRIGGER1=-1\r\n") << "TRIGGER1" << 255;
  QTest::newRow("HOME_PARK_LEVEL 5") << QByteArray("[WIPER]\r\nHOME_PARK_LEVEL=5\r\n") << "HOME_PARK_LEVEL" << 1;
  QTest::newRow("HOME_PARK_LEVEL 0") << QByteArray("[WIPER]\r\nHOME_PARK_LEVEL=0\r\n") << "HOME_PARK_LEVEL" << 0;
  QTest::newRow("HOME_PARK_LEVEL -1") << QByteArray("[WIPER]\r\nHOME_PARK_LEVEL=-1\r\n") << "HOME_PARK_LEVEL" << -1;
  QTest::newRow("HOME_PARK_LEVEL bad") << QByteArray("[WIPER]\r\nHOME_PARK_LEVEL=x\r\n") << "HOME_PARK_LEVEL" << 1;
  QTest::newRow("MODE 1") << QByteArray("[INPUT]\r\nMODE1=1\r\n") << "MODE1" << 1;
  QTest::newRow("MODE 2") << QByteArray("[INPUT]\r\nMODE1=2\r\n") << "MODE1" << -1;
  QTest::newRow("MODE 255") << QByteArray("[INPUT]\r\nMODE1=255\r\n") << "MODE1" << -1;
  QTest::newRow("MODE 257") << QByteArray("[INPUT]\r\nMODE1=257\r\n") << "MODE1" << 1;
  QTest::newRow("MODE -256") << QByteArray("[INPUT]\r\nMODE1=-256\r\n") << "MODE1" << 0;
  QTest::newRow("start 66") << QByteArray("[START BUTTON]\r\nINPUT_TRIGGER_INDEX=66\r\n") << "START" << 66;
  QTest::newRow("start 67") << QByteArray("[START BUTTON]\r\nINPUT_TRIGGER_INDEX=67\r\n") << "START" << -1;
  QTest::newRow("kill -2") << QByteArray("[KILL BUTTON]\r\nINPUT_TRIGGER_INDEX=-2\r\n") << "KILL" << -1;
  QTest::newRow("data byte 7") << QByteArray("[CAN_SETUP]\r\nResetChannelErrorDataByte=7\r\n") << "DATABYTE" << 7;
  QTest::newRow("data byte 8") << QByteArray("[CAN_SETUP]\r\nResetChannelErrorDataByte=8\r\n") << "DATABYTE" << -1;
  QTest::newRow("input pin 10") << QByteArray("[CAN_INPUT_ENABLE]\r\nINPUT_PIN=10\r\n") << "PIN" << 10;
  QTest::newRow("input pin 11") << QByteArray("[CAN_INPUT_ENABLE]\r\nINPUT_PIN=11\r\n") << "PIN" << -1;
  QTest::newRow("export 1 entry 18") << QByteArray("[CAN_EXPORT_1]\r\nCHANNEL_INDEX_1=18\r\n") << "E1" << 18;
  QTest::newRow("export 1 entry 19") << QByteArray("[CAN_EXPORT_1]\r\nCHANNEL_INDEX_1=19\r\n") << "E1" << -1;
  QTest::newRow("export 2 entry 46") << QByteArray("[CAN_EXPORT_2]\r\nCHANNEL_INDEX_0=46\r\n") << "E2" << 46;
  QTest::newRow("export 2 entry 47") << QByteArray("[CAN_EXPORT_2]\r\nCHANNEL_INDEX_0=47\r\n") << "E2" << -1;
  QTest::newRow("byte pos low 8 bits") << QByteArray("[CAN_INPUT]\r\nCAN_HIGH_BYTE_ON_POS1=258\r\n") << "POS" << 2;
  QTest::newRow("flash slot low 8 bits") << QByteArray("[FLASH]\r\nCHANNEL_LIST1index 2=-1\r\n") << "SLOT" << 255;
  QTest::newRow("flash flag") << QByteArray("[FLASH]\r\nENABLED1=7\r\n") << "FLASHEN" << 1;
  QTest::newRow("virtual operator") << QByteArray("[VIRTUAL_INPUT]\r\nOPERATOR_1_Index1=255\r\n") << "OP" << -1;
  QTest::newRow("int out of range") << QByteArray("[CAN_INPUT]\r\nCAN_ID_ON1=4294967296\r\n") << "IDON" << 0;
  QTest::newRow("int hex 32 bits") << QByteArray("[CAN_INPUT]\r\nCAN_ID_ON1=$FFFFFFFF\r\n") << "IDON" << -1;
  QTest::newRow("interval hex") << QByteArray("[WIPER]\r\nINTERVAL_TIME=0X1e\r\n") << "INTERVAL" << 30;
  QTest::newRow("empty integer") << QByteArray("[OUTPUT]\r\nMAX_CURRENT1=\r\n") << "MAXCUR" << 100;
  QTest::newRow("unreadable integer") << QByteArray("[OUTPUT]\r\nMAX_CURRENT1=ten\r\n") << "MAXCUR" << 100;
  QTest::newRow("list count 40") << QByteArray("[LOW_BATTERY]\r\nOUTPUT_LIST_COUNT=40\r\nLIST_SELECTED33=1\r\nLIST_SELECTED34=1\r\n") << "LBCOUNT" << 1;
}

void TestConfigFile::readConversions() {
  QFETCH(QByteArray, content);
  QFETCH(QString, field);
  QFETCH(int, expected);
  ConfigModel m;
  Read(m, content);
  const QHash<QString, std::function<int()>> fields = {
      {QStringLiteral("BitRate"), [&] { return m.CanSetup().BitRate; }},
      {QStringLiteral("TRIGLEVEL1"), [&] { return m.Output(1).TRIGLEVEL; }},
      {QStringLiteral("TRIGGER1"), [&] { return m.Output(1).TRIGGER; }},
      {QStringLiteral("HOME_PARK_LEVEL"), [&] { return m.Wiper().HOME_PARK_LEVEL; }},
      {QStringLiteral("MODE1"), [&] { return m.Input(1).MODE; }},
      {QStringLiteral("START"), [&] { return m.StartButton().INPUT_TRIGGER_INDEX; }},
      {QStringLiteral("KILL"), [&] { return m.KillButton().INPUT_TRIGGER_INDEX; }},
      {QStringLiteral("DATABYTE"), [&] { return m.CanSetup().ResetChannelErrorDataByte; }},
      {QStringLiteral("PIN"), [&] { return m.CanInputEnable().INPUT_PIN; }},
      {QStringLiteral("E1"), [&] { return m.CanExport(1).CHANNEL_INDEX_[0]; }},
      {QStringLiteral("E2"), [&] { return m.CanExport(2).CHANNEL_INDEX_[0]; }},
      {QStringLiteral("POS"), [&] { return int(m.CanInput(1).CAN_HIGH_BYTE_ON_POS); }},
      {QStringLiteral("SLOT"), [&] { return int(m.Flash(1).CHANNEL_LIST[2]); }},
      {QStringLiteral("FLASHEN"), [&] { return int(m.Flash(1).ENABLED); }},
      {QStringLiteral("OP"), [&] { return int(m.VirtualInput(1).OPERATOR_1_Index); }},
      {QStringLiteral("IDON"), [&] { return m.CanInput(1).CAN_ID_ON; }},
      {QStringLiteral("INTERVAL"), [&] { return m.Wiper().INTERVAL_TIME; }},
      {QStringLiteral("MAXCUR"), [&] { return NumberOrZero(m.Output(1).MAX_CURRENT); }},
      {QStringLiteral("LBCOUNT"), [&] { return int(m.LowBattery().LIST_SELECTED.count()); }},
  };
  QVERIFY(fields.contains(field));
  QCOMPARE(fields.value(field)(), expected);
}

void TestConfigFile::outputLists_data() {
  QTest::addColumn<QString>("section");
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("expectedSet");
  QTest::newRow("low battery 40") << "LOW_BATTERY" << 40 << 34;
  QTest::newRow("low battery 5") << "LOW_BATTERY" << 5 << 5;
  QTest::newRow("start 34") << "START BUTTON" << 34 << 34;
  QTest::newRow("kill 0") << "KILL BUTTON" << 0 << 0;
  QTest::newRow("kill -3") << "KILL BUTTON" << -3 << 0;
}

void TestConfigFile::outputLists() {
  QFETCH(QString, section);
  QFETCH(int, count);
  QFETCH(int, expectedSet);
  QByteArray content = "[" + section.toLatin1() + "]\r\nOUTPUT_LIST_COUNT=" + QByteArray::number(count) + "\r\n";
  for (int i = 0; i < 40; ++i) content += "LIST_SELECTED" + QByteArray::number(i) + "=1\r\n";
  ConfigModel m;
  Vary(m);  // every list has flags set before
  Read(m, content);
  const OutputList& list = section == QLatin1String("LOW_BATTERY") ? m.LowBattery().LIST_SELECTED
                           : section == QLatin1String("START BUTTON") ? m.StartButton().LIST_SELECTED
                                                                      : m.KillButton().LIST_SELECTED;
  QCOMPARE(int(list.count()), expectedSet);
  for (int i = 0; i < kOutputCount; ++i) QCOMPARE(bool(list[std::size_t(i)]), i < expectedSet);
}

void TestConfigFile::lowerCaseQuotesAndBlanks() {
  ConfigModel m;
  Read(m,
       "[input]\r\nname1=  \"Main switch\"  \r\nname2='x'\r\nname3=  ABCDEFGHIJKLMNOPQRST  \r\n"
       "[Output]\r\nmax_current1 = 0x50\r\nNAME1=\"\r\n[can_setup]\r\nnocandelay=  \"25\" \r\n");
  QCOMPARE(m.Input(1).NAME, QByteArray("Main switch"));
  QCOMPARE(m.Input(2).NAME, QByteArray("x"));
  QCOMPARE(m.Input(3).NAME, QByteArray("ABCDEFGHIJKLMNO"));
  QCOMPARE(m.Output(1).MAX_CURRENT, OptionalNumber(80));
  QCOMPARE(m.Output(1).NAME, QByteArray("\""));
  QCOMPARE(m.CanSetup().NoCANdelay, QStringLiteral("25"));
  // A cut name is saved cut.
  QVERIFY(Written(m).contains("\r\nNAME3=ABCDEFGHIJKLMNO\r\n"));
}

void TestConfigFile::multiplicatorWithComma() {
  ConfigModel point;
  Read(point, "[CAN_INPUT]\r\nMULTIPLICATOR_1=0,5\r\nMULTIPLICATOR_2=0.25\r\n", QLatin1Char('.'));
  QCOMPARE(point.CanInput(1).MULTIPLICATOR_, 1.0f);
  QCOMPARE(point.CanInput(2).MULTIPLICATOR_, 0.25f);
  ConfigModel comma;
  Read(comma, "[CAN_INPUT]\r\nMULTIPLICATOR_1=0,5\r\nMULTIPLICATOR_2=0.25\r\n", QLatin1Char(','));
  QCOMPARE(comma.CanInput(1).MULTIPLICATOR_, 0.5f);
  QCOMPARE(comma.CanInput(2).MULTIPLICATOR_, 1.0f);
  // Written with the separator it reads with.
  ConfigModel m;
  m.ModifyCanInput(1, [](CanInputConfig& r) { r.MULTIPLICATOR_ = 0.1f; });
  QVERIFY(Written(m).contains("\r\nMULTIPLICATOR_1=0.100000001490116\r\n"));
  IniFile ini;
  ini.SetDecimalSeparator(QLatin1Char(','));
  WriteConfig(m, ini);
  QCOMPARE(ini.ReadBytes(QStringLiteral("CAN_INPUT"), QStringLiteral("MULTIPLICATOR_1")), QByteArray("0,100000001490116"));
  ConfigModel back;
  ReadConfig(back, ini);
  QCOMPARE(back.CanInput(1).MULTIPLICATOR_, 0.1f);
}

void TestConfigFile::calOffset_data() {
  QTest::addColumn<QByteArray>("text");
  QTest::addColumn<int>("offset");
  QTest::newRow("-5") << QByteArray("-5") << -5;
  QTest::newRow("-5.7 towards zero") << QByteArray("-5.7") << -5;
  QTest::newRow("5.9") << QByteArray("5.9") << 5;
  QTest::newRow("127") << QByteArray("127") << 127;
  QTest::newRow("128 wraps") << QByteArray("128") << -128;
  QTest::newRow("300 low 8 bits") << QByteArray("300") << 44;
  QTest::newRow("-129") << QByteArray("-129") << 127;
  QTest::newRow("huge") << QByteArray("1e300") << 0;
  QTest::newRow("unreadable") << QByteArray("x") << 0;
}

void TestConfigFile::calOffset() {
  QFETCH(QByteArray, text);
  QFETCH(int, offset);
  ConfigModel m;
  Read(m, "[CAN_INPUT]\r\nCAL_OFFSET_1=" + text + "\r\n");
  QCOMPARE(int(m.CanInput(1).CAL_OFFSET_), offset);
  QVERIFY(Written(m).contains("\r\nCAL_OFFSET_1=" + QByteArray::number(offset) + "\r\n"));
}

void TestConfigFile::wiperCodesTheBaseListCannotShow() {
  ConfigModel m;
  Read(m, "[WIPER]\r\nLOW_SPEED_INPUT=53\r\nHIGH_SPEED_INPUT=54\r\nINTERVAL_INPUT=52\r\nHOME_PARK_INPUT=99\r\n");
  QCOMPARE(m.Wiper().LOW_SPEED_INPUT, kNoSelection);
  QCOMPARE(m.Wiper().HIGH_SPEED_INPUT, kNoSelection);
  QCOMPARE(m.Wiper().INTERVAL_INPUT, 52);
  QCOMPARE(m.Wiper().HOME_PARK_INPUT, 0);
  const QByteArray out = Written(m);
  QVERIFY(out.contains("\r\nLOW_SPEED_INPUT=255\r\nHIGH_SPEED_INPUT=255\r\nINTERVAL_INPUT=52\r\nHOME_PARK_INPUT=0\r\n"));
}

void TestConfigFile::loadNotifiesOncePerBlock() {
  QTemporaryDir dir;
  ConfigModel source;
  Vary(source);
  QVERIFY(SaveConfigFile(source, dir.filePath(QStringLiteral("v.cfg"))));
  ConfigModel m;
  QSignalSpy spy(&m, &ConfigModel::Changed);
  QSignalSpy names(&m, &ConfigModel::NameChanged);
  QVERIFY(LoadConfigFile(m, dir.filePath(QStringLiteral("v"))));
  QCOMPARE(spy.count(), 13);  // every block, the box name included
  QSet<int> blocks;
  for (const auto& call : spy) {
    blocks.insert(int(call.at(0).value<ConfigBlock>()));
    QCOMPARE(call.at(1).toInt(), -1);
  }
  QCOMPARE(blocks.size(), 13);
  QCOMPARE(names.count(), 4);  // inputs, outputs, CAN inputs, virtual inputs
}

void TestConfigFile::saveWritesCfgAndLeavesNoLeftovers() {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("setup.cfg"));
  QVERIFY(WriteAll(target, "[INPUT]\r\nOLD_KEY=1\r\n[EXTRA]\r\nX=2\r\n"));
  ConfigModel m;
  QString error;
  QVERIFY(SaveConfigFile(m, dir.filePath(QStringLiteral("setup.txt")), &error));
  QVERIFY(error.isEmpty());
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("setup.txt"))));
  const QByteArray bytes = ReadAll(target);
  QCOMPARE(bytes, Written(m));
  QVERIFY(!bytes.contains("OLD_KEY"));
  QVERIFY(!bytes.contains("EXTRA"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("setup.cfg")});
}

void TestConfigFile::saveIntoReadOnlyFolderKeepsOldFile() {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("ro"));
  QVERIFY(QDir().mkdir(folder));
  const QString target = folder + QStringLiteral("/keep.cfg");
  ConfigModel old;
  Vary(old);
  QVERIFY(SaveConfigFile(old, target));
  const QByteArray before = ReadAll(target);
  ConfigModel fresh;
  QString error;
  {
    test::ReadOnlyFolder lock(folder);
    if (!lock.Active()) QSKIP("this system lets the test write into any folder");
    QVERIFY(!SaveConfigFile(fresh, target, &error));
  }
  QVERIFY(error == QStringLiteral("Unable to write to %1").arg(target) ||
          error == QStringLiteral("Unable to create file: '%1'").arg(target));
  QCOMPARE(ReadAll(target), before);
  ConfigModel back;
  QVERIFY(LoadConfigFile(back, target));
  QCOMPARE(back.Input(1).NAME, old.Input(1).NAME);
}

void TestConfigFile::saveOntoDirectoryFails() {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("busy.cfg"));
  QVERIFY(QDir().mkdir(target));
  ConfigModel m;
  QString error;
  QVERIFY(!SaveConfigFile(m, dir.filePath(QStringLiteral("busy")), &error));
  QVERIFY(error.startsWith(QStringLiteral("Unable to")));
  QVERIFY(error.contains(target));
  QVERIFY(QFileInfo(target).isDir());
}

void TestConfigFile::unreadableFileChangesNothing() {
  QTemporaryDir dir;
  // A folder where a file is expected exists but cannot be read as a file.
  const QString target = dir.filePath(QStringLiteral("odd.cfg"));
  QVERIFY(QDir().mkdir(target));
  ConfigModel m;
  Vary(m);
  const QByteArray before = Written(m);
  QSignalSpy spy(&m, &ConfigModel::Changed);
  QString error;
  QVERIFY(!LoadConfigFile(m, target, &error));
  QCOMPARE(error, QStringLiteral("Unable to read %1").arg(target));
  QCOMPARE(spy.count(), 0);
  QCOMPARE(Written(m), before);
  QCOMPARE(m.BoxName(), QByteArray("Truck 7"));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "test_config_file.moc"

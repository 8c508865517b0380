// The configuration file as read: the conversions of each field, and saving and
// loading on disk (read-only folders, leftovers, unreadable files, notifications).

#include "test_config_file.h"

#include "config/ReadOnlyFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace relvane;
using namespace relvane::test;

namespace {

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

}  // namespace

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
